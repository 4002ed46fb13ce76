#include "AdapterInfo.h"
#include "FakeMachine.h"
#include "PortPlaces.h"

#include <gtest/gtest.h>

using veltra::testing::FakeMachine;

TEST(AdapterInfo, WhatSysfsKnowsOfEachKindOfPort)
{
    FakeMachine machine;
    machine.Plug("ttyUSB0", "2");
    // Device strings come from the device: control characters never pass.
    machine.Plug("ttyUSB1", "3", {"10c4", "ea60", "Silicon Labs", "CP2102\nUART\x01", "", "cp210x"});
    machine.Plug("ttyACM0", "4", {"2341", "0043", "Arduino", "Uno", "7573", "cdc_acm"});
    machine.AddUart("ttyS0");
    const struct {
        std::string port, byPath, driver;
        int latency;
        std::string summary;
    } cases[] = {
        {"ttyUSB0", FakeMachine::ByPath("2"), "ftdi_sio", 16, "FTDI FT232R USB UART (0403:6001) serial A10K3ZQ5"},
        {"ttyUSB1", FakeMachine::ByPath("3"), "cp210x", -1, "Silicon Labs CP2102 UART (10c4:ea60)"},
        {"ttyACM0", FakeMachine::ByPath("4"), "cdc_acm", -1, "Arduino Uno (2341:0043) serial 7573"},
        {"ttyS0", "", "serial8250", -1, "serial8250"},
        {"ttyUSB9", "", "", -1, ""},
        {"/tmp/sim/ttyVM0", "", "", -1, ""},
    };
    for (const auto& c : cases) {
        const veltra::AdapterInfo info = veltra::ReadAdapterInfo(c.port, machine.Sys(), machine.Dev());
        EXPECT_EQ(info.byPath, c.byPath) << c.port;
        EXPECT_EQ(info.driver, c.driver) << c.port;
        EXPECT_EQ(veltra::ReadLatencyTimer(c.port, machine.Sys()), c.latency) << c.port;
        EXPECT_EQ(veltra::AdapterSummary(info), c.summary) << c.port;
    }
    // A trailing '/' on /dev changes nothing.
    EXPECT_EQ(veltra::DiscoverPorts({}, machine.Sys(), machine.Dev() + "/"),
              (std::vector<veltra::DiscoveredPort>{{"ttyACM0", FakeMachine::ByPath("4")}, {"ttyS0", ""},
                                                   {"ttyUSB0", FakeMachine::ByPath("2")},
                                                   {"ttyUSB1", FakeMachine::ByPath("3")}}));
}
