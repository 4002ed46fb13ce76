#include "AdapterInfo.h"
#include "FakeMachine.h"
#include "PortPlaces.h"

#include <gtest/gtest.h>

using veltra::testing::FakeMachine;

TEST(AdapterInfo, WhatSysfsKnowsOfEachKindOfPort)
{
    FakeMachine machine;
    machine.Plug("ttyUSB0", "2");
    machine.Plug("ttyUSB1", "3",
                 {"10c4", "ea60", "Silicon Labs", "CP2102 USB\nto UART\x01", "", "cp210x"});
    machine.Plug("ttyACM0", "4", {"2341", "0043", "Arduino", "Uno", "7573", "cdc_acm"});
    machine.AddUart("ttyS0");

    struct Case {
        std::string port;
        std::string byPath, vendor, product, serial, driver;
        int latency;
        std::string summary;
    };
    const Case cases[] = {
        {"ttyUSB0", FakeMachine::ByPath("2"), "0403", "FT232R USB UART", "A10K3ZQ5", "ftdi_sio", 16,
         "FTDI FT232R USB UART (0403:6001) serial A10K3ZQ5"},
        // Device strings are the device's own: control characters never pass.
        {"ttyUSB1", FakeMachine::ByPath("3"), "10c4", "CP2102 USB to UART", "", "cp210x", -1,
         "Silicon Labs CP2102 USB to UART (10c4:ea60)"},
        {"ttyACM0", FakeMachine::ByPath("4"), "2341", "Uno", "7573", "cdc_acm", -1, "Arduino Uno (2341:0043) serial 7573"},
        {"ttyS0", "", "", "", "", "serial8250", -1, "serial8250"},
        {"ttyUSB9", "", "", "", "", "", -1, ""},
        {"/tmp/sim/ttyVM0", "", "", "", "", "", -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        const veltra::AdapterInfo info = veltra::ReadAdapterInfo(c.port, machine.Sys(), machine.Dev());
        EXPECT_EQ(info.byPath, c.byPath);
        EXPECT_EQ(info.usb, !c.vendor.empty());
        EXPECT_EQ(info.vendorId, c.vendor);
        EXPECT_EQ(info.product, c.product);
        EXPECT_EQ(info.serial, c.serial);
        EXPECT_EQ(info.driver, c.driver);
        EXPECT_EQ(veltra::ReadLatencyTimer(c.port, machine.Sys()), c.latency);
        EXPECT_EQ(veltra::AdapterSummary(info), c.summary);
    }

    // Discovery pairs every port with its place; a trailing '/' on /dev changes nothing.
    const std::vector<veltra::DiscoveredPort> expected{{"ttyACM0", FakeMachine::ByPath("4")},
                                                       {"ttyS0", ""},
                                                       {"ttyUSB0", FakeMachine::ByPath("2")},
                                                       {"ttyUSB1", FakeMachine::ByPath("3")}};
    EXPECT_EQ(veltra::DiscoverPorts({}, machine.Sys(), machine.Dev() + "/"), expected);
}
