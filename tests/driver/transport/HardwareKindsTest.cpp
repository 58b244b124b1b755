// Receivers on real ports are named by their bus id; a name that fits no port fails the plug with
// a message instead of leaving a device that can never start.

#include <gtest/gtest.h>

#include "driver/host/HardwareKinds.h"

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
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(kinds.Make(c.kind, c.busId, error), nullptr) << c.busId;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.busId << ": " << error;
    }
    // A serial port is opened when its receiver is first opened: the plug itself succeeds.
    std::string error;
    EXPECT_NE(kinds.Make("serial", "lxq745-no-such-port", error), nullptr);
}

} // namespace
} // namespace lxq::host
