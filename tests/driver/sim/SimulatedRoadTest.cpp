// The road through the real socket with simulated receivers: the driver host runs in this process
// on a fresh channel name, the API library is loaded by name and drives each variant as a program
// would. What the simulator decodes from the words it was sent must be what was asked for.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "driver/host/BuiltInKinds.h"
#include "driver/host/BusControlClient.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/transport/UsbTransport.h"
#include "driver/sim/SimRegistry.h"
#include "driver/sim/UsbReceiverSimulator.h"
#include "platform/sys/DeviceChannel.h"
#include "tests/driver/sim/ApiByName.h"
#include "tests/support/Eventually.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"

namespace lxq::sim {
namespace {

using lxq_test::Eventually;

using Api = test::ApiByName;

class SimulatedRoad : public ::testing::TestWithParam<const char*> {
protected:
    SimulatedRoad() {
        host::RegisterBuiltInKinds(kinds);
        EXPECT_TRUE(server.Start());
    }
    ~SimulatedRoad() override {
        server.Stop();
        bus.RemoveAll();
    }

    void Plug(const std::string& kind, const std::string& id) {
        std::string reply;
        ASSERT_EQ(host::BusControlClient::Send("plug " + kind + " " + id, reply), kStatusSuccess) << reply;
    }

    plat::sys::test::ScopedChannelNamespace ns{"simroad"};
    host::DeviceKinds kinds;
    host::Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    host::ChannelServer server{bus};
};

TEST_P(SimulatedRoad, TuneMeasureAndSettingsReachTheSimulatedReceiver) {
    const std::string kind = GetParam();
    Plug(kind, "rx");
    const SimulatedDevice sim = SimRegistry::Find("rx");
    ASSERT_NE(sim.receiver, nullptr);
    Api api;
    if (!api.Load()) GTEST_SKIP() << "no API library";

    const std::int32_t index = api.OpenRadioDevice(0);
    ASSERT_GE(index, 1);
    ASSERT_EQ(api.SetPower(index, 1), 1);
    EXPECT_TRUE(sim.receiver->Powered());
    if (sim.usb != nullptr) {
        // A USB receiver takes tuner state only while its audio pipe is open.
        sim.usb->StopRealTime();
    }
    for (std::uint32_t hz : {7'050'000u, 145'500'000u, 1'296'000'000u}) {
        ASSERT_EQ(api.SetFrequency(index, hz), 1) << kind << " " << hz;
        EXPECT_EQ(api.GetFrequency(index), hz);
        if (sim.usb == nullptr) {
            EXPECT_TRUE(sim.receiver->IsTunedTo(hz)) << kind << " " << hz;
        }
    }

    sim.receiver->SetDetector(157, 900);
    EXPECT_EQ(api.GetSignalStrengthdBm(index), -1000);
    sim.receiver->SetDetector(763, 900); // another table point: -90.0 dBm
    EXPECT_EQ(api.GetSignalStrengthdBm(index), -900);
    for (std::int32_t wanted : {-1133, -1047, -905}) {
        const std::int32_t level = sim.receiver->SetLevel(wanted);
        EXPECT_LE(std::abs(level - wanted), 5) << kind << " " << wanted;
        EXPECT_EQ(api.GetSignalStrengthdBm(index), level) << kind << " " << wanted;
    }
    // Beyond what the detector words can carry, the strongest level they can: full scale.
    const std::int32_t strongest = sim.receiver->SetLevel(-100);
    EXPECT_LT(strongest, -800);
    EXPECT_EQ(api.GetSignalStrengthdBm(index), strongest) << kind;

    if (sim.usb == nullptr) {
        ASSERT_EQ(api.SetAtten(index, 1), 1);
        EXPECT_EQ(sim.receiver->Tuner().bandWord & kBandWordAttenuatorOff, 0);
        ASSERT_EQ(api.SetRFAmp(index, 0), 1);
        EXPECT_NE(sim.receiver->Tuner().bandWord & kBandWordRfAmpOff, 0);
        ASSERT_EQ(api.SetAGC(index, 0), 1);
        ASSERT_EQ(api.SetIFGain(index, 100), 1);
        EXPECT_EQ(sim.receiver->Tuner().gain[1], 0); // byte 17: full IF gain
        EXPECT_EQ(sim.receiver->Tuner().gain[0], 63);
    }
    EXPECT_EQ(api.IsDeviceConnected(index), 1);
    EXPECT_EQ(api.CloseRadioDevice(index), 1);
}

// The debug record reads the receiver back. What the receiver could not have sent (a serial
// receiver has no read for the preselector and the range control byte) must not replace what the
// driver holds and will send.
TEST_P(SimulatedRoad, AReadBackKeepsWhatTheReceiverCouldNotHaveSent) {
    const std::string kind = GetParam();
    Plug(kind, "rx");
    const SimulatedDevice sim = SimRegistry::Find("rx");
    ASSERT_NE(sim.receiver, nullptr);
    Api api;
    if (!api.Load()) GTEST_SKIP() << "no API library";
    const std::int32_t index = api.OpenRadioDevice(0);
    ASSERT_GE(index, 1);
    ASSERT_EQ(api.SetPower(index, 1), 1);
    if (sim.usb != nullptr) sim.usb->StopRealTime();
    constexpr std::uint32_t kHz = 1'296'000'000;  // an upper band: the preselector is in use
    ASSERT_EQ(api.SetFrequency(index, kHz), 1);

    HardwareStateRecord record{};
    for (int read = 0; read < 2; ++read) {
        ASSERT_EQ(api.Q7GetDebug(index, &record), 1) << kind;
        EXPECT_EQ(api.GetFrequency(index), kHz) << kind;
        std::uint32_t word0 = 0;
        std::memcpy(&word0, reinterpret_cast<const std::uint8_t*>(&record) + 48, 4);
        EXPECT_NE(word0, 0u) << kind << ": the tuning is still the driver's";
    }
    if (sim.usb == nullptr) {
        const TunerState held = sim.receiver->Tuner();
        EXPECT_EQ(record.preselector, held.preselector) << kind;
        EXPECT_EQ(record.rangeControl, held.rangeControl) << kind;
        EXPECT_NE(held.preselector, 0) << kind << ": the case shows nothing with a zero preselector";
    } else {
        EXPECT_TRUE(sim.receiver->IsTunedTo(kHz)) << "an idle USB receiver is tuned";
        // Streaming starts: the receiver gets the whole state again, the tuning included.
        ASSERT_EQ(api.CodecStart(index, nullptr, nullptr), 1);
        EXPECT_TRUE(sim.receiver->IsTunedTo(kHz));
        EXPECT_EQ(api.CodecStop(index), 1);
    }
    EXPECT_EQ(api.CloseRadioDevice(index), 1);
}

class UsbPortRoad : public SimulatedRoad {};

// A USB receiver nobody holds has its port cycled when the system wakes, so that it starts over
// as if plugged in anew; one held open keeps its port (and its stream) as it was.
TEST_F(UsbPortRoad, AUsbPortIsCycledOnWakeOnlyWhenNoHandleIsOpen) {
    Plug("sim-usb", "rx");
    const SimulatedDevice sim = SimRegistry::Find("rx");
    ASSERT_NE(sim.usb, nullptr);
    ASSERT_EQ(bus.Sleep(), kStatusSuccess);
    ASSERT_EQ(bus.Wake(), kStatusSuccess);
    EXPECT_EQ(sim.usb->PortCycles(), 1);
    plat::sys::DeviceHandle handle;
    ASSERT_EQ(handle.Open(plat::sys::ListDeviceInterfaces().at(0)), 0u);
    ASSERT_EQ(bus.Wake(), kStatusSuccess);
    EXPECT_EQ(sim.usb->PortCycles(), 1);
}

INSTANTIATE_TEST_SUITE_P(Variants, SimulatedRoad, ::testing::Values("sim-usb", "sim-serial", "sim-pci"));

// What the codec callback collected.
struct Collected {
    Api* api = nullptr;
    std::int32_t index = 0;
    std::mutex mutex;
    std::vector<std::int16_t> samples;
    std::vector<std::uint8_t> odd; // a byte left over from a read of odd length
    std::atomic<int> calls{0};

    static void Callback(void* context) {
        auto* self = static_cast<Collected*>(context);
        std::uint8_t buffer[3001]; // odd, so reads end mid-sample now and then
        for (std::uint64_t n; (n = self->api->CodecRead(self->index, buffer, sizeof buffer)) != 0;) {
            std::lock_guard lock(self->mutex);
            self->odd.insert(self->odd.end(), buffer, buffer + n);
            std::size_t i = 0;
            for (; i + 1 < self->odd.size(); i += 2)
                self->samples.push_back(static_cast<std::int16_t>(self->odd[i] | self->odd[i + 1] << 8));
            self->odd.erase(self->odd.begin(), self->odd.begin() + static_cast<std::ptrdiff_t>(i));
        }
        ++self->calls;
    }
    std::size_t Count() {
        std::lock_guard lock(mutex);
        return samples.size();
    }
};

std::vector<std::int16_t> Waveform(std::uint64_t from, std::uint64_t count) {
    std::vector<std::int16_t> w;
    for (std::uint64_t n = from; n < from + count; ++n) w.push_back(SimWaveformSample(n));
    return w;
}

class CodecRoad : public SimulatedRoad {
protected:
    void SetUp() override {
        Plug("sim-usb", "rx");
        sim = SimRegistry::Find("rx");
        ASSERT_NE(sim.usb, nullptr);
        sim.usb->StopRealTime(); // audio moves when the test says so
        sim.receiver->FollowScene(false); // and it is the known waveform, not the band
        if (!api.Load()) GTEST_SKIP() << "no API library";
        index = api.OpenRadioDevice(0);
        ASSERT_GE(index, 1);
        ASSERT_EQ(api.SetPower(index, 1), 1);
        collected.api = &api;
        collected.index = index;
    }

    transport::UsbTransport& Transport() {
        auto& device = dynamic_cast<host::ReceiverDevice&>(bus.FindByBusId("rx")->Driver());
        return dynamic_cast<transport::UsbTransport&>(device.Transport());
    }

    SimulatedDevice sim;
    Api api;
    std::int32_t index = 0;
    Collected collected;
};

constexpr std::uint64_t kTransferSamples = 16 * kSimAudioBytesPerPacket / 2;

TEST_F(CodecRoad, TheCallbackReceivesTheWaveformWithLossCounted) {
    ASSERT_EQ(api.CodecSetGain(index, 9), 1); // before streaming only
    EXPECT_EQ(sim.usb->CodecGain(), 9);
    ASSERT_EQ(api.CodecStart(index, &Collected::Callback, &collected), 1);
    EXPECT_EQ(api.CodecStart(index, &Collected::Callback, &collected), 0);
    EXPECT_EQ(api.CodecSetGain(index, 10), 0);

    // Tuning reaches the receiver while it streams.
    ASSERT_EQ(api.SetFrequency(index, 145'000'000), 1);
    sim.usb->Flush();
    EXPECT_TRUE(sim.receiver->IsTunedTo(145'000'000));

    ASSERT_EQ(sim.usb->DeliverAudio(1), 1);
    sim.usb->SwapNextTransfers(); // the third transfer arrives before the second
    ASSERT_EQ(sim.usb->DeliverAudio(3), 3);
    ASSERT_TRUE(Eventually([&] { return collected.Count() == 4 * kTransferSamples; }));
    sim.usb->LosePackets(5);
    ASSERT_EQ(sim.usb->DeliverAudio(2), 2);
    ASSERT_TRUE(Eventually([&] { return collected.Count() == 6 * kTransferSamples - 5 * 64; }));

    std::vector<std::int16_t> expected = Waveform(0, 4 * kTransferSamples);
    const auto after = Waveform(4 * kTransferSamples + 5 * 64, 2 * kTransferSamples - 5 * 64);
    expected.insert(expected.end(), after.begin(), after.end());
    {
        std::lock_guard lock(collected.mutex);
        EXPECT_EQ(collected.samples, expected);
    }
    EXPECT_EQ(Transport().LostPackets(), 5u);
    EXPECT_EQ(api.CodecStop(index), 1);
    EXPECT_EQ(api.CodecStop(index), 0);
    EXPECT_EQ(api.CodecRead(index, collected.odd.data(), 0), 0u);
    EXPECT_EQ(api.CloseRadioDevice(index), 1);
}

TEST_F(CodecRoad, PollingWithoutACallbackDeliversTheAudio) {
    ASSERT_EQ(api.CodecStart(index, nullptr, nullptr), 1);
    std::vector<std::uint8_t> buffer(1 << 16);
    EXPECT_EQ(api.CodecRead(index, buffer.data(), buffer.size()), 0u); // empty ring: at once
    ASSERT_EQ(sim.usb->DeliverAudio(2), 2);
    const std::uint64_t n = api.CodecRead(index, buffer.data(), buffer.size());
    ASSERT_EQ(n, 2 * kTransferSamples * 2);
    std::vector<std::int16_t> samples(n / 2);
    std::memcpy(samples.data(), buffer.data(), n);
    EXPECT_EQ(samples, Waveform(0, 2 * kTransferSamples));
    EXPECT_EQ(api.CodecStop(index), 1);
}

TEST_F(CodecRoad, StopDuringACallbackDoesNotDeadlock) {
    std::promise<void> entered;
    std::atomic<bool> once{false};
    struct Context {
        Collected* collected;
        std::promise<void>* entered;
        std::atomic<bool>* once;
    } context{&collected, &entered, &once};
    auto callback = [](void* raw) {
        auto* c = static_cast<Context*>(raw);
        if (!c->once->exchange(true)) c->entered->set_value();
        Collected::Callback(c->collected); // reads while the stop is under way
    };
    ASSERT_EQ(api.CodecStart(index, callback, &context), 1);
    sim.usb->StartRealTime();
    entered.get_future().wait();
    auto stopped = std::async(std::launch::async, [&] { return api.CodecStop(index); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(stopped.get(), 1);
    sim.usb->StopRealTime();
}

TEST_F(CodecRoad, UnplugDuringStreamingLeavesTheProcessSafe) {
    ASSERT_EQ(api.CodecStart(index, &Collected::Callback, &collected), 1);
    sim.usb->StartRealTime();
    ASSERT_TRUE(Eventually([&] { return collected.Count() > 0; }));
    std::string reply;
    ASSERT_EQ(host::BusControlClient::Send("unplug rx", reply), kStatusSuccess) << reply;
    ASSERT_TRUE(Eventually([&] { return api.IsDeviceConnected(index) == 0; }));
    // Whether or not the removal notice has reached the library yet, reading and stopping stay
    // safe: the ring is this process's own mapping, not the host's.
    std::uint8_t buffer[4096];
    while (api.CodecRead(index, buffer, sizeof buffer) != 0) {
    }
    api.CodecStop(index);
    EXPECT_EQ(api.CodecStop(index), 0); // nothing left to stop
    EXPECT_EQ(api.CodecRead(index, buffer, sizeof buffer), 0u);
    EXPECT_EQ(api.CloseRadioDevice(index), 1);
}

TEST_F(CodecRoad, TheStreamStartsAgainWhenTheReceiverReturns) {
    ASSERT_EQ(api.CodecStart(index, &Collected::Callback, &collected), 1);
    sim.usb->StartRealTime();
    ASSERT_TRUE(Eventually([&] { return collected.Count() > 0; }));
    std::string reply;
    ASSERT_EQ(host::BusControlClient::Send("unplug rx", reply), kStatusSuccess) << reply;
    ASSERT_TRUE(Eventually([&] { return api.IsDeviceConnected(index) == 0; }));
    EXPECT_EQ(api.CodecStart(index, &Collected::Callback, &collected), 0); // away: no stream

    Plug("sim-usb", "rx"); // streams in real time from the start
    ASSERT_TRUE(Eventually([&] { return api.IsDeviceConnected(index) == 1; }));
    const std::size_t before = collected.Count();
    // The same callback hears the returned receiver's audio without being started again.
    EXPECT_TRUE(Eventually([&] { return collected.Count() > before + 4 * kTransferSamples; }));
    EXPECT_EQ(api.CodecStop(index), 1);
    EXPECT_EQ(api.CloseRadioDevice(index), 1);
}

TEST_P(SimulatedRoad, ReplugReappliesTheSettingsToTheReturningReceiver) {
    const std::string kind = GetParam();
    Plug(kind, "rx");
    Api api;
    if (!api.Load()) GTEST_SKIP() << "no API library";
    const std::int32_t index = api.OpenRadioDevice(0);
    ASSERT_GE(index, 1);
    ASSERT_EQ(api.SetPower(index, 1), 1);
    ASSERT_EQ(api.SetFrequency(index, 88'500'000), 1);
    ASSERT_EQ(api.SetAtten(index, 1), 1);

    std::string reply;
    ASSERT_EQ(host::BusControlClient::Send("unplug rx", reply), kStatusSuccess) << reply;
    ASSERT_TRUE(Eventually([&] { return api.IsDeviceConnected(index) == 0; }));
    EXPECT_EQ(api.GetFrequency(index), 88'500'000u); // answered from the cache meanwhile

    Plug(kind, "rx"); // a fresh receiver, knowing nothing
    const SimulatedDevice back = SimRegistry::Find("rx");
    ASSERT_NE(back.receiver, nullptr);
    // The library re-applies power, frequency and attenuator in turn once the receiver is back.
    auto settled = [&] {
        return back.receiver->IsTunedTo(88'500'000) && (back.receiver->Tuner().bandWord & kBandWordAttenuatorOff) == 0;
    };
    ASSERT_TRUE(Eventually([&] { return api.IsDeviceConnected(index) == 1 && back.receiver->Powered(); }));
    if (back.usb != nullptr) {
        // A USB receiver takes the state when its audio pipe opens: look each time it streams.
        ASSERT_TRUE(Eventually([&] {
            if (api.CodecStart(index, nullptr, nullptr) != 1) return false;
            back.usb->Flush();
            const bool done = settled();
            api.CodecStop(index);
            return done;
        }));
    } else {
        ASSERT_TRUE(Eventually(settled));
    }
    EXPECT_TRUE(back.receiver->IsTunedTo(88'500'000));
    EXPECT_EQ(back.receiver->Tuner().bandWord & kBandWordAttenuatorOff, 0);
    EXPECT_EQ(api.CloseRadioDevice(index), 1);
}

} // namespace
} // namespace lxq::sim
