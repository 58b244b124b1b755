// Receivers on real ports are named by their bus id; a name that fits no port fails the plug with
// a message instead of leaving a device that can never start.

#include <gtest/gtest.h>

#include "driver/host/HardwareKinds.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

namespace lxq::host {
namespace {

TEST(HardwareKinds, NamesThatFitNoPortAreRefusedWithAMessage) {
    DeviceKinds kinds;
    RegisterHardwareKinds(kinds);
    struct Case {
        const char* kind;
        const char* busId;
        const char* message; // a part of the message
    } cases[] = {
        {"usb", "four", "<bus>-<address>"},
        {"usb", "1-4x", "<bus>-<address>"},
        {"usb", "999-999", "USB"}, // no such device (or no USB at all)
        {"serial", "null", "not a serial port"},
        {"serial", "tty", "not a serial port"},     // the controlling terminal, whoever's it is
        {"serial", "zero", "not a serial port"},
        {"serial", "pts.99999", "no serial line \"/dev/pts/99999\""},
        {"serial", "lxq745-no-such-port", "no serial line"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(kinds.Make(c.kind, c.busId, error), nullptr) << c.busId;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.busId << ": " << error;
    }
    // A pseudo-terminal stands in for a line (a bridge to another machine's port).
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::string slave = ptsname(master);
    ASSERT_EQ(slave.rfind("/dev/", 0), 0u);
    slave = slave.substr(5);
    std::replace(slave.begin(), slave.end(), '/', '.');
    std::string error;
    EXPECT_NE(kinds.Make("serial", slave, error), nullptr) << error;
    close(master);
}

} // namespace
} // namespace lxq::host
