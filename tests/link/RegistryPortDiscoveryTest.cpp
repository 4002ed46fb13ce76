#include "InMemoryRegistry.h"
#include "RegistryPortDiscovery.h"

#include <gtest/gtest.h>

using namespace veltra::registry;
using veltra::PortNameList;
using veltra::testing::InMemoryRegistry;

namespace {

constexpr const char* kPortsGuid = "{4D36E978-E325-11CE-BFC1-08002BE10318}";

SystemVersion Nt(uint32_t major, uint32_t minor)
{
    return {2, major, minor};
}

}  // namespace

TEST(RegistryPortDiscovery, ClassifiesTheSystem)
{
    EXPECT_EQ(ClassifySystemVersion({1, 4, 10}), kWin9x);
    EXPECT_EQ(ClassifySystemVersion(Nt(3, 51)), kNt3);
    EXPECT_EQ(ClassifySystemVersion(Nt(4, 0)), kNt4);
    EXPECT_EQ(ClassifySystemVersion(Nt(5, 0)), kWin2000);
    EXPECT_EQ(ClassifySystemVersion(Nt(5, 1)), kWinXpAndLater);
    EXPECT_EQ(ClassifySystemVersion(Nt(5, 2)), kWin2003);
    EXPECT_EQ(ClassifySystemVersion(Nt(5, 3)), kWin5Later);
    EXPECT_EQ(ClassifySystemVersion(Nt(5, 9)), kWin5Later);
    EXPECT_EQ(ClassifySystemVersion(Nt(6, 0)), kWinXpAndLater);
    EXPECT_EQ(ClassifySystemVersion(Nt(6, 3)), kWinXpAndLater);
    EXPECT_EQ(ClassifySystemVersion(Nt(10, 0)), kUnknownSystem);
    EXPECT_EQ(ClassifySystemVersion({0, 3, 1}), kUnknownSystem);
}

TEST(RegistryPortDiscovery, DeviceMapInValueOrderWithLongData)
{
    InMemoryRegistry reg;
    reg.version = Nt(5, 1);
    const std::string longName(40, 'n');
    const std::string longPort = "COM" + std::string(45, '9');  // past the first 32-byte buffer
    reg.At(kDeviceMapKey).Text("\\Device\\Serial1", "COM1").Text("\\Device\\Serial0", "COM2").Text(longName, longPort);

    PortNameList ports;
    long lastError = 0;
    EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 3);
    EXPECT_EQ(ports, (PortNameList{"COM1", "COM2", longPort}));
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(reg.OpenKeys(), 0);
    EXPECT_GT(reg.enumValueCalls, 4);  // the long entry was read again with bigger buffers

    // NT 4 uses the same map.
    reg.version = Nt(4, 0);
    EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 3);
}

TEST(RegistryPortDiscovery, DeviceMapMissingOrDenied)
{
    InMemoryRegistry reg;
    reg.version = Nt(6, 1);
    reg.At("HARDWARE\\DEVICEMAP");
    PortNameList ports{"stale"};
    long lastError = 0;
    EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 0);
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(lastError, 0);  // no serial driver: no ports, no error

    reg.At(kDeviceMapKey).denied = true;
    EXPECT_EQ(ListPortsFromDeviceMap(reg, ports, lastError), 0);
    EXPECT_EQ(lastError, kAccessDenied);
    EXPECT_EQ(reg.OpenKeys(), 0);
}

TEST(RegistryPortDiscovery, EnumerationTreeFindsPortsAndModems)
{
    InMemoryRegistry reg;
    reg.version = Nt(5, 0);
    const std::string root = kNtEnumRoot;
    reg.At(root + "\\ACPI\\PNP0501\\1").Text("Class", "Ports").Text("PortName", "COM1");
    reg.At(root + "\\ACPI\\PNP0401\\1").Text("CLASS", "Ports").Text("PORTNAME", "LPT1");    // a printer port
    reg.At(root + "\\ACPI\\PNP0C0F\\1").Text("CLASS", "System");
    reg.At(root + "\\PCI\\VEN_1234\\3&1").Text("CLASS", "mOdEm").Text("PORTNAME", "com5");  // kept as written
    reg.At(root + "\\PCI\\VEN_1234\\3&2").Text("CLASS", "PORTSX").Text("PORTNAME", "COM8"); // too long for 6 bytes
    reg.At(root + "\\USB\\VID_0403\\A1").Text("ClassGUID", "{4d36e978-e325-11ce-bfc1-08002be10318}");
    reg.At(root + "\\USB\\VID_0403\\A1\\Device Parameters").Text("PortName", "COM7");
    reg.At(root + "\\USB\\VID_0403\\A2").Text("CLASSGUID", kPortsGuid);                     // no port name at all
    reg.At(root + "\\USB\\VID_0403\\A3").Text("CLASS", "Ports");
    reg.At(root + "\\USB\\VID_0403\\A3\\Device Parameters").Text("Other", "x");
    reg.At(root + "\\USB\\VID_0403\\A4").Text("CLASSGUID", std::string(kPortsGuid) + "X").Text("PORTNAME", "COM9");

    PortNameList ports;
    long lastError = 0;
    EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 3);
    EXPECT_EQ(ports, (PortNameList{"COM1", "com5", "COM7"}));
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(reg.OpenKeys(), 0);

    for (const SystemVersion v : {Nt(5, 2), Nt(5, 3)}) {
        reg.version = v;
        EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 3);
    }
}

TEST(RegistryPortDiscovery, ErrorInTheTreeKeepsThePortsFoundBefore)
{
    InMemoryRegistry reg;
    reg.version = {1, 4, 90};  // the 95/98/Me family walks ENUM
    reg.At("ENUM\\BIOS\\*PNP0501\\0000").Text("CLASS", "Ports").Text("PORTNAME", "COM1");
    reg.At("ENUM\\BIOS\\*PNP0501\\0001").denied = true;
    reg.At("ENUM\\BIOS\\*PNP0501\\0002").Text("CLASS", "Ports").Text("PORTNAME", "COM2");
    reg.At("ENUM\\PCI\\X\\0000").Text("CLASS", "Ports").Text("PORTNAME", "COM3");

    PortNameList ports;
    long lastError = 0;
    EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 1);
    EXPECT_EQ(ports, PortNameList{"COM1"});
    EXPECT_EQ(lastError, kAccessDenied);
    EXPECT_EQ(reg.OpenKeys(), 0);

    // A missing root is an error of its own.
    lastError = 0;
    EXPECT_EQ(ListPortsFromEnumTree(reg, "NOWHERE", ports, lastError), 0);
    EXPECT_EQ(lastError, kFileNotFound);
}

TEST(RegistryPortDiscovery, OldAndUnknownSystems)
{
    InMemoryRegistry reg;
    reg.At(kDeviceMapKey).Text("a", "COM1");
    PortNameList ports;
    long lastError = 0;
    reg.version = Nt(3, 51);
    EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 0);
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(lastError, kOldWinVersion);

    lastError = 0;
    reg.version = Nt(10, 0);
    EXPECT_EQ(EnumerateSerialPorts(reg, ports, lastError), 0);
    EXPECT_EQ(lastError, 0);
}

TEST(RegistryPortDiscovery, SubkeysAndValuesOfAnyLength)
{
    InMemoryRegistry reg;
    const std::string longKey(300, 'k');
    const std::string longText(1000, 't');
    reg.At("R\\short");
    reg.At("R\\" + longKey).Text("V", longText);

    Key parent = 0;
    ASSERT_EQ(reg.OpenKey(kLocalMachine, "R", kRead, parent), kSuccess);
    Key child = 0;
    ASSERT_EQ(OpenSubKeyByIndex(reg, parent, 1, kRead, child), kSuccess);
    std::string text;
    EXPECT_EQ(QueryTextValue(reg, child, "V", text), kSuccess);
    EXPECT_EQ(text, longText);
    EXPECT_EQ(QueryTextValue(reg, child, "missing", text), kFileNotFound);
    reg.CloseKey(child);
    EXPECT_EQ(OpenSubKeyByIndex(reg, parent, 2, kRead, child), kNoMoreItems);
    reg.CloseKey(parent);
    EXPECT_EQ(reg.OpenKeys(), 0);
}
