// The library's cache and the receiver agree after every way a set request can end without
// success: timed out and then carried out late, timed out and cancelled before it ran, refused.
// One table over every setting export (frequency by each of its three exports), through the real
// driver host with a simulated receiver of each connection that tunes with them (serial, USB):
// what the library reads back is what the driver holds and what the simulated band shows.

#include "api/ReceiverApi.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/sim/SimRegistry.h"
#include "platform/sys/DeviceChannel.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/Eventually.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace lxq::api::testing {
namespace {

using namespace lxq::host;
using lxq_test::Eventually;

// The request time-out of the sets meant to time out (a receiver that does not take them waits as
// long as it is kept from them): short, so that each costs the test little. Every other request
// has the usual time-out, which a loaded machine's answers keep to.
constexpr std::chrono::milliseconds kShortTimeout{100};
// Inside the US lockout (824..849 MHz): a US receiver refuses to tune there.
constexpr std::uint32_t kLockedOutHz = 830'000'000;

// One setting export: how the library sets it and reads its cache, how the receiver is asked for
// it (a get request of the driver's own, on a second handle), and what the simulated receiver
// shows of it. `refused` is a value the receiver refuses, where it refuses one.
struct SettingCase {
    const char* name;
    std::function<bool(RadioControl&, std::int32_t index, std::int64_t value)> set;
    std::function<std::int64_t(RadioControl&, std::int32_t index)> cached;
    std::uint32_t getCode;
    std::function<std::int64_t(const sim::SimReceiver&)> band; // null: nothing to see on the band
    std::int64_t from, to;
    std::optional<std::int64_t> refused;
};

std::int64_t Tuned(const sim::SimReceiver& rx) {
    for (std::uint32_t hz : {145'500'000u, 146'000'000u, 433'920'000u})
        if (rx.IsTunedTo(hz)) return hz;
    return 0;
}

const SettingCase kCases[] = {
    {"SetFrequency", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetFrequency(i, std::uint32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetFrequency(i)); }, IOCTL_LXQ745_GET_FREQUENCY, Tuned,
     145'500'000, 146'000'000, kLockedOutHz},
    {"Q7SetFreqAsync", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetFreqAsync(i, std::uint32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetFrequency(i)); }, IOCTL_LXQ745_GET_FREQUENCY, Tuned,
     145'500'000, 433'920'000, kLockedOutHz},
    {"Q7SetFreqPipelined",
     [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetFreqPipelined(i, std::uint32_t(v), 1, 20) == 0; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetFrequency(i)); }, IOCTL_LXQ745_GET_FREQUENCY, Tuned,
     145'500'000, 146'000'000, kLockedOutHz},
    {"SetAtten", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetAtten(i, std::int32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetAtten(i)); }, IOCTL_LXQ745_GET_ATTEN,
     [](const sim::SimReceiver& rx) { return std::int64_t(rx.IfState().gains.attenuator); }, 0, 1, std::nullopt},
    {"SetAGC", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetAgc(i, std::int32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetAgc(i)); }, IOCTL_LXQ745_GET_AGC, nullptr, 1, 3, 7},
    {"SetIFGain", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetIfGain(i, std::int32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetIfGain(i)); }, IOCTL_LXQ745_GET_IF_GAIN, nullptr, 40,
     70, std::nullopt},
    {"SetRFAmp", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetRfAmp(i, std::int32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetRfAmp(i)); }, IOCTL_LXQ745_GET_RF_AMP,
     [](const sim::SimReceiver& rx) { return std::int64_t(rx.IfState().gains.preamp); }, 0, 1, std::nullopt},
    {"SetPower", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetPower(i, std::int32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetPower(i)); }, IOCTL_LXQ745_GET_POWER,
     [](const sim::SimReceiver& rx) { return std::int64_t(rx.Powered()); }, 1, 0, std::nullopt},
    {"SetFMW", [](RadioControl& c, std::int32_t i, std::int64_t v) { return c.SetFmw(i, std::int32_t(v)) == 1; },
     [](RadioControl& c, std::int32_t i) { return std::int64_t(c.GetFmw(i)); }, IOCTL_LXQ745_GET_FMW,
     [](const sim::SimReceiver& rx) { return std::int64_t(rx.FmWide()); }, 0, 1, std::nullopt},
};

class LateRequests : public ::testing::TestWithParam<const char*> {
protected:
    LateRequests() {
        RegisterBuiltInKinds(kinds);
        EXPECT_TRUE(server.Start());
    }
    ~LateRequests() override {
        truth.Close();
        if (api && index != 0) {
            if (Usb()) api->Codec().Stop(index);
            api->Library().CloseRadioDevice(index);
        }
        api.reset();
        server.Stop();
        bus.RemoveAll();
    }
    // A set that the receiver does not take in time: false, as the export answers.
    bool SetTimingOut(const SettingCase& s, std::int64_t value) {
        const std::chrono::milliseconds usual = plat::sys::RequestTimeout();
        plat::sys::SetRequestTimeout(kShortTimeout);
        const bool set = s.set(api->Control(), index, value);
        plat::sys::SetRequestTimeout(usual);
        return set;
    }
    bool Usb() const { return std::string(GetParam()) == "sim-usb"; }

    void Start() {
        std::string message;
        ASSERT_EQ(bus.Plug(GetParam(), "rx1", message), 0u) << message;
        device = bus.FindByBusId("rx1");
        ASSERT_TRUE(device);
        RadioLibrary::Options options;
        options.configPath = dir.File("LXQ745.INI");
        api = std::make_unique<ReceiverApi>(std::move(options));
        index = api->Library().OpenRadioDevice(0);
        ASSERT_EQ(index, 1);
        // A US receiver (its image is the driver's copy of the EEPROM, read at the open): it
        // refuses to tune inside the lockout.
        dynamic_cast<ReceiverDevice&>(device->Driver()).State().image.capabilities |= kCapLockout;
        RadioControl& c = api->Control();
        ASSERT_EQ(c.SetPower(index, 1), 1);
        // A USB receiver takes tuner state only while its audio pipe is open.
        if (Usb()) {
            ASSERT_EQ(api->Codec().Start(index, nullptr, nullptr), 1);
        }
        ASSERT_EQ(truth.Open(device->Path()), 0u) << "a second handle of the same process";
    }

    // What the receiver holds, in its driver's own words.
    std::int64_t Receiver(std::uint32_t code) {
        std::uint64_t value = 0;
        EXPECT_EQ(truth.Control(code, nullptr, 0, nullptr, 0, 0, &value), 0u);
        return static_cast<std::int64_t>(value);
    }
    const sim::SimReceiver& Band() { return *sim::SimRegistry::Find("rx1").receiver; }

    // The cache, the receiver and the band all say `value` (the cache once the late answer is in).
    void ExpectAgreeOn(const SettingCase& s, std::int64_t value, const char* after) {
        SCOPED_TRACE(std::string(s.name) + " after " + after);
        RadioControl& c = api->Control();
        EXPECT_TRUE(Eventually([&] { return Receiver(s.getCode) == value; }, std::chrono::seconds(5)))
            << "the receiver holds " << Receiver(s.getCode);
        EXPECT_TRUE(Eventually([&] { return s.cached(c, index) == value; }, std::chrono::seconds(5)))
            << "the library says " << s.cached(c, index);
        if (s.band) {
            EXPECT_EQ(s.band(Band()), value) << "on the band";
        }
    }

    plat::sys::test::ScopedChannelNamespace ns{"road-late"};
    plat::sys::testing::TempFolder dir;
    DeviceKinds kinds;
    Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    ChannelServer server{bus};
    DevicePtr device;
    std::unique_ptr<ReceiverApi> api;
    std::int32_t index = 0;
    plat::sys::DeviceHandle truth;
};

TEST_P(LateRequests, CacheAndReceiverAgreeAfterALateRunACancelAndARefusal) {
    Start();
    RadioControl& c = api->Control();
    for (const SettingCase& s : kCases) {
        SCOPED_TRACE(s.name);
        if (s.getCode != IOCTL_LXQ745_GET_FREQUENCY) {
            ASSERT_EQ(c.SetFrequency(index, 145'500'000), 1);
        }
        ASSERT_TRUE(s.set(c, index, s.from));
        ExpectAgreeOn(s, s.from, "a set that was answered");

        // Timed out while the receiver's handler is busy elsewhere, then carried out late.
        {
            std::unique_lock busy(device->HandlerMutex());
            EXPECT_FALSE(SetTimingOut(s, s.to)) << "the request times out";
        }
        ExpectAgreeOn(s, s.to, "a late run");

        // Timed out while the receiver is suspended: the host holds it, the library cancels it.
        ASSERT_EQ(bus.SetDevicePower("rx1", kD3), 0u);
        EXPECT_FALSE(SetTimingOut(s, s.from)) << "the request times out";
        EXPECT_TRUE(Eventually([&] { return device->Pending().Size() == 0; }, std::chrono::seconds(5)))
            << "the cancel reaches the held request";
        ASSERT_EQ(bus.SetDevicePower("rx1", kD0), 0u);
        ExpectAgreeOn(s, s.to, "a cancelled request");
        // A USB receiver takes tuner state again once its audio pipe is open again after the
        // resume, which a slow machine may not have done yet: until then a set is refused.
        EXPECT_TRUE(Eventually([&] { return s.set(c, index, s.from); }, std::chrono::seconds(10)))
            << "the next set is sent, and answered";
        ExpectAgreeOn(s, s.from, "the next set");

        if (s.refused) {
            EXPECT_FALSE(s.set(c, index, *s.refused));
            ExpectAgreeOn(s, s.from, "a refusal");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SerialAndUsb, LateRequests, ::testing::Values("sim-serial", "sim-usb"));

} // namespace
} // namespace lxq::api::testing
