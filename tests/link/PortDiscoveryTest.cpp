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
    EXPECT_EQ(veltra::PortNameFromPath("/dev/ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(veltra::PortNameFromPath("/dev/pts/7"), "pts/7");
    EXPECT_EQ(veltra::PortNameFromPath("/tmp/sim/port1"), "/tmp/sim/port1");
    EXPECT_EQ(veltra::DevicePathFromName("ttyS0"), "/dev/ttyS0");
    EXPECT_EQ(veltra::DevicePathFromName("pts/7"), "/dev/pts/7");
    EXPECT_EQ(veltra::DevicePathFromName("/tmp/sim/port1"), "/tmp/sim/port1");
    EXPECT_EQ(veltra::DevicePathFromName(""), "");
}

TEST(PortDiscovery, NaturalOrder)
{
    PortNameList names{"ttyS10", "ttyUSB0", "ttyS2", "ttyACM1", "ttyS0", "ttyS1", "ttyACM0", "ttyUSB10", "ttyUSB9"};
    std::sort(names.begin(), names.end(), veltra::NaturalLess);
    EXPECT_EQ(names, (PortNameList{"ttyACM0", "ttyACM1", "ttyS0", "ttyS1", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB9",
                                   "ttyUSB10"}));
    EXPECT_FALSE(veltra::NaturalLess("ttyS2", "ttyS2"));
    EXPECT_TRUE(veltra::NaturalLess("ttyS", "ttyS0"));
    // Leading zeros still give a strict order.
    EXPECT_NE(veltra::NaturalLess("ttyS01", "ttyS1"), veltra::NaturalLess("ttyS1", "ttyS01"));
}

TEST(PortDiscovery, SysfsListsRealPortsInNaturalOrder)
{
    TempDir sys;
    AddTty(sys, "ttyS10", true, "4");
    AddTty(sys, "ttyS2", true, "4");
    AddTty(sys, "ttyS0", true, "4");
    AddTty(sys, "ttyS1", true, "0");   // placeholder UART: not a port
    AddTty(sys, "ttyS3", true, "0");
    AddTty(sys, "ttyUSB0", true);      // usb-serial reports no type
    AddTty(sys, "ttyACM1", true);
    AddTty(sys, "ttyAMA0", true, "83");
    AddTty(sys, "tty0", false);        // virtual terminals, console, ptmx: no device
    AddTty(sys, "console", false);
    AddTty(sys, "ptmx", false);
    AddTty(sys, "tts!0", true, "4");   // sysfs spells a '/' in the name as '!'

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

    PortNameList none;
    EXPECT_EQ(veltra::EnumerateSerialPorts(none, {}, sys.File("nowhere")), 0);
    EXPECT_TRUE(none.empty());
}
