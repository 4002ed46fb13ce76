#include "PortDiscovery.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using veltra::PortNameList;
using veltra::testing::TempDir;

namespace {

// A /sys/class/tty entry: `device` marks a tty with hardware behind it, `type`
// is what serial-core ports report (0: no UART there).
void AddTty(const TempDir& sys, const std::string& name, bool device, const char* type = nullptr)
{
    const std::string dir = "class/tty/" + name;
    sys.Write(dir + "/dev", "4:64\n");
    if (device) {
        // In the real tree `device` is a link into /sys/devices.
        std::filesystem::create_directories(sys.Path() / "devices" / name);
        std::filesystem::create_directory_symlink(sys.Path() / "devices" / name, sys.Path() / dir / "device");
    }
    if (type != nullptr) {
        sys.Write(dir + "/type", std::string(type) + "\n");
    }
}

}  // namespace

TEST(PortDiscovery, NamesAndDevicePaths)
{
    for (const auto& [path, name] : {std::pair{"/dev/ttyUSB0", "ttyUSB0"}, {"/dev/pts/7", "pts/7"},
                                     {"/tmp/sim/port1", "/tmp/sim/port1"}}) {
        EXPECT_EQ(veltra::PortNameFromPath(path), name);
        EXPECT_EQ(veltra::DevicePathFromName(name), path);
    }
    EXPECT_EQ(veltra::DevicePathFromName(""), "");
}

// How a real list sorts is the sysfs listing's test below; here the edges.
TEST(PortDiscovery, NaturalOrder)
{
    EXPECT_FALSE(veltra::NaturalLess("ttyS2", "ttyS2"));
    EXPECT_TRUE(veltra::NaturalLess("ttyS", "ttyS0"));
    // Leading zeros still give a strict order.
    EXPECT_NE(veltra::NaturalLess("ttyS01", "ttyS1"), veltra::NaturalLess("ttyS1", "ttyS01"));
}

TEST(PortDiscovery, SysfsListsRealPortsInNaturalOrder)
{
    TempDir sys;
    // Type 0 is a placeholder UART, usb-serial reports no type, virtual
    // terminals have no device, and sysfs spells a '/' in a name as '!'.
    for (const char* uart : {"ttyS10", "ttyS2", "ttyS0", "tts!0"})
        AddTty(sys, uart, true, "4");
    for (const char* placeholder : {"ttyS1", "ttyS3"})
        AddTty(sys, placeholder, true, "0");
    AddTty(sys, "ttyUSB0", true);
    AddTty(sys, "ttyACM1", true);
    AddTty(sys, "ttyAMA0", true, "83");
    for (const char* virtualTty : {"tty0", "console", "ptmx"})
        AddTty(sys, virtualTty, false);

    EXPECT_EQ(veltra::ListSysfsSerialPorts(sys.Path().string()),
              (PortNameList{"tts/0", "ttyACM1", "ttyAMA0", "ttyS0", "ttyS2", "ttyS10", "ttyUSB0"}));
    EXPECT_TRUE(veltra::ListSysfsSerialPorts(sys.File("nowhere")).empty());
}

TEST(PortDiscovery, ExtraPortsFollowInTheirOwnOrder)
{
    TempDir sys;
    AddTty(sys, "ttyS0", true, "4");
    TempDir sim;
    const std::string b = sim.Write("b", "");
    const std::string a = sim.Write("a", "");
    PortNameList ports;
    const int count = veltra::EnumerateSerialPorts(
        ports, {b, sim.File("missing"), "/dev/null", "relative/path", "", a, "/dev/null"}, sys.Path().string());
    EXPECT_EQ(count, 4);
    // Existing paths only, in the order given; under /dev by their short name.
    EXPECT_EQ(ports, (PortNameList{"ttyS0", b, "null", a}));
}
