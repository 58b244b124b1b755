// The USB transport against the simulated USB receiver: tuner-state messages whether the audio
// pipe is open or not (and the whole state again once it opens), their acknowledgement by sequence number, the
// status poll's level, and the codec ring: frame order restored, loss counted, unread data never
// overwritten, a bounded ring size and acknowledgement waits that end.

#include <gtest/gtest.h>

#include <cstring>

#include "driver/sim/UsbReceiverSimulator.h"
#include "driver/transport/UsbTransport.h"
#include "platform/sys/Clock.h"
#include "tests/driver/transport/DeviceRequests.h"

namespace lxq::transport {
namespace {

using test::Send;
using test::Tune;

class HeapRing final : public SharedRingMemory {
public:
    explicit HeapRing(std::size_t length) : bytes_(length) {}
    std::uint8_t* Base() override { return bytes_.data(); }
    std::size_t Length() const override { return bytes_.size(); }
    int DuplicateHandle() const override { return -1; }

private:
    std::vector<std::uint8_t> bytes_;
};

class UsbTransportTest : public ::testing::Test {
protected:
    UsbTransportTest() {
        CodecServices services;
        services.makeRing = [this](std::size_t length) {
            auto ring = std::make_unique<HeapRing>(length);
            ringBase = ring->Base();
            return ring;
        };
        auto usb = std::make_unique<sim::UsbReceiverSimulator>(receiver);
        sim = usb.get();
        auto owned = std::make_unique<UsbTransport>(std::move(usb), services);
        transport = owned.get();
        device = std::make_unique<host::ReceiverDevice>(std::move(owned));
    }
    ~UsbTransportTest() override { device->StopHardware(); }

    void OpenAndPowerOn() {
        ASSERT_EQ(device->StartHardware(), kStatusSuccess);
        ASSERT_EQ(device->FirstOpen(), kStatusSuccess);
        ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_POWER, {1}, 4).status, kStatusSuccess);
        test::SelectReferenceAndIf2(*device);
    }

    NtStatus StartCodec(std::uint64_t size = 4096) {
        CodecStartRequest in{};
        in.ringSize = size;
        auto request = host::IoRequest::Control(IOCTL_LXQ745_CODEC_START, &in, sizeof in, 8, 0, [](host::IoRequest&) {});
        const NtStatus status = device->HandleDeviceControl(*request);
        request->Complete(status);
        return status;
    }

    CodecRingHeader Header() const {
        CodecRingHeader h;
        std::memcpy(&h, ringBase, sizeof h);
        return h;
    }

    // Takes everything unread out of the ring, as the API library's reader does.
    std::vector<std::int16_t> Drain() {
        CodecRingHeader h = Header();
        std::vector<std::int16_t> samples;
        std::vector<std::uint8_t> bytes;
        while (h.readIndex != h.writeIndex) {
            bytes.push_back(ringBase[kCodecRingHeaderSize + h.readIndex]);
            h.readIndex = (h.readIndex + 1) % h.size;
        }
        std::memcpy(ringBase + offsetof(CodecRingHeader, readIndex), &h.readIndex, 8);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
        return samples;
    }

    static std::vector<std::int16_t> Waveform(std::uint64_t from, std::uint64_t count) {
        std::vector<std::int16_t> w;
        for (std::uint64_t n = from; n < from + count; ++n) w.push_back(sim::SimWaveformSample(n));
        return w;
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    sim::SimReceiver receiver{sim::SimVariant::Usb};
    sim::UsbReceiverSimulator* sim = nullptr;
    UsbTransport* transport = nullptr;
    std::unique_ptr<host::ReceiverDevice> device;
    std::uint8_t* ringBase = nullptr;
};

constexpr std::uint64_t kSamplesPerTransfer = kUsbPacketsPerTransfer * sim::kSimAudioBytesPerPacket / 2;

TEST_F(UsbTransportTest, TuningReachesTheReceiverIdleStreamingAndAfterTheStreamStops) {
    OpenAndPowerOn();
    const auto tuneEach = [this](std::initializer_list<std::uint32_t> list, const char* phase) {
        for (std::uint32_t hz : list) {
            ASSERT_EQ(Tune(*device, hz).status, kStatusSuccess) << phase << " " << hz;
            sim->Flush();
            EXPECT_TRUE(receiver.IsTunedTo(hz)) << phase << " " << hz;
        }
    };
    tuneEach({145'000'000u, 7'000'000u}, "idle");
    EXPECT_EQ(sim->Alternate(), 0);
    ASSERT_EQ(StartCodec(), kStatusSuccess);
    sim->Flush();
    EXPECT_EQ(sim->Alternate(), 1);
    EXPECT_TRUE(receiver.IsTunedTo(7'000'000)); // still where the idle receiver was put
    tuneEach({433'920'000u, 1'090'000'000u}, "streaming");
    EXPECT_EQ(sim->LastPushSequence(), transport->Sequence());
    ASSERT_EQ(Send(*device, IOCTL_LXQ745_CODEC_STOP, {}, 0).status, kStatusSuccess);
    sim->Flush();
    EXPECT_EQ(sim->Alternate(), 0);
    tuneEach({50'000'000u, 145'500'000u}, "stopped");
}

TEST_F(UsbTransportTest, LevelComesFromTheStatusReply) {
    OpenAndPowerOn();
    receiver.SetDetector(157, 900);
    const auto level = Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4);
    ASSERT_EQ(level.status, kStatusSuccess);
    EXPECT_EQ(static_cast<std::int32_t>(level.Word(0)), -1000);
    sim->SetBusyPolls(3); // busy replies are polled past
    EXPECT_EQ(static_cast<std::int32_t>(Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4).Word(0)), -1000);
}

// The acknowledgement of a retune carries the level measured before it. When it comes late, after
// the level was polled at the new frequency, it must not replace that level.
TEST_F(UsbTransportTest, ALateAcknowledgementNeverBringsBackTheLevelBeforeTheRetune) {
    OpenAndPowerOn();
    receiver.SetDetector(157, 900); // the old frequency's level
    sim->HoldStatus(true);
    ASSERT_EQ(Tune(*device, 21'000'000).status, kStatusSuccess);
    receiver.SetDetector(60, 900); // the new frequency's
    const auto fresh = Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4);
    ASSERT_EQ(fresh.status, kStatusSuccess);
    const auto level = static_cast<std::int32_t>(fresh.Word(0));
    EXPECT_NE(level, -1000);
    sim->HoldStatus(false);
    sim->Flush();
    EXPECT_EQ(device->LastLevel(), level) << "the level from before the retune came back";
}

TEST_F(UsbTransportTest, PipelinedTuneCarriesThePushSequenceAndWaitsBoundedForItsAcknowledgement) {
    OpenAndPowerOn();
    ASSERT_EQ(StartCodec(), kStatusSuccess);
    sim->Flush();
    const auto answer = Send(*device, IOCTL_LXQ745_SET_FREQ_PIPELINED, {50'000'000, 0x1234'5600u, 0}, 12);
    ASSERT_EQ(answer.status, kStatusSuccess);
    EXPECT_EQ(answer.Word(1), 0x1234'5600u | transport->Sequence());
    EXPECT_TRUE(receiver.IsTunedTo(50'000'000));

    // A receiver that stops acknowledging holds neither the tune nor the next push forever.
    sim->SetAcknowledging(false);
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_SET_FREQ_PIPELINED, {51'000'000, 0, 0}, 12).status, kStatusSuccess);
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_SET_FREQ_PIPELINED, {52'000'000, 0, 0}, 12).status, kStatusSuccess);
    sim->Flush();
    EXPECT_TRUE(receiver.IsTunedTo(52'000'000));
}

TEST_F(UsbTransportTest, AudioArrivesInFrameOrderWithLossCounted) {
    OpenAndPowerOn();
    ASSERT_EQ(StartCodec(64 * 1024), kStatusSuccess);
    ASSERT_EQ(sim->DeliverAudio(2), 2);
    EXPECT_EQ(Drain(), Waveform(0, 2 * kSamplesPerTransfer));

    sim->SwapNextTransfers(); // the third transfer arrives before the second
    ASSERT_EQ(sim->DeliverAudio(3), 3);
    EXPECT_EQ(Drain(), Waveform(2 * kSamplesPerTransfer, 3 * kSamplesPerTransfer));
    EXPECT_EQ(Header().lostPackets, 0u);

    sim->LosePackets(3);
    ASSERT_EQ(sim->DeliverAudio(1), 1);
    const auto rest = Drain();
    EXPECT_EQ(Header().lostPackets, 3u);
    EXPECT_EQ(rest, Waveform(5 * kSamplesPerTransfer + 3 * 64, kSamplesPerTransfer - 3 * 64));
}

TEST_F(UsbTransportTest, AFailedTransferIsCountedAndTheStreamGoesOnAfterIt) {
    OpenAndPowerOn();
    ASSERT_EQ(StartCodec(64 * 1024), kStatusSuccess);
    ASSERT_EQ(sim->DeliverAudio(1), 1);
    sim->FailNextTransfer(kUsbStatusIsoRetry); // resubmitted at once, its audio gone
    ASSERT_EQ(sim->DeliverAudio(3), 3);
    EXPECT_EQ(Header().lostPackets, 1u);
    std::vector<std::int16_t> expected = Waveform(0, kSamplesPerTransfer);
    const auto after = Waveform(2 * kSamplesPerTransfer, 2 * kSamplesPerTransfer);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(Drain(), expected);
    EXPECT_EQ(sim->PendingAudio(), static_cast<int>(kUsbTransfersInFlight)); // every transfer back in flight
}

TEST_F(UsbTransportTest, ASlowReaderLosesNewAudioNotTheAudioItHasNotRead) {
    OpenAndPowerOn();
    const std::uint64_t size = 3 * kSamplesPerTransfer * 2; // room for three transfers, less one byte
    ASSERT_EQ(StartCodec(size), kStatusSuccess);
    ASSERT_EQ(sim->DeliverAudio(4), 4);
    const auto samples = Drain();
    // The first two transfers and all but one packet of the third fit; the rest is counted lost.
    EXPECT_EQ(samples, Waveform(0, samples.size()));
    EXPECT_EQ(Header().lostPackets, 4u * kUsbPacketsPerTransfer - samples.size() / 64);
}

TEST_F(UsbTransportTest, RingIgnoresWhatTheProcessWritesIntoItsHeader) {
    OpenAndPowerOn();
    ASSERT_EQ(StartCodec(64 * 1024), kStatusSuccess);
    // A process scribbling over the header cannot steer the host's writes out of the ring.
    const std::uint64_t bogus = ~0ull;
    std::memcpy(ringBase + offsetof(CodecRingHeader, size), &bogus, 8);
    std::memcpy(ringBase + offsetof(CodecRingHeader, writeIndex), &bogus, 8);
    std::memcpy(ringBase + offsetof(CodecRingHeader, readIndex), &bogus, 8);
    ASSERT_EQ(sim->DeliverAudio(1), 1);
    CodecRingHeader h = Header();
    EXPECT_EQ(h.writeIndex, kSamplesPerTransfer * 2);
}

TEST_F(UsbTransportTest, RingSizeIsBoundedAndASecondStartIsRefused) {
    OpenAndPowerOn();
    EXPECT_EQ(StartCodec(0), kStatusInvalidParameter);
    EXPECT_EQ(StartCodec(~0ull - 8), kStatusInvalidParameter); // 36 + size would wrap
    EXPECT_EQ(StartCodec(kCodecRingMaxSize + 1), kStatusInvalidParameter);
    ASSERT_EQ(StartCodec(), kStatusSuccess);
    EXPECT_EQ(StartCodec(), kStatusDeviceBusy);
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_CODEC_SET_GAIN, {}, 0).status, kStatusInvalidParameter);
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_CODEC_STOP).status, kStatusSuccess);
    EXPECT_EQ(sim->Alternate(), 0);
    EXPECT_EQ(sim->PendingAudio(), 0);
}

TEST_F(UsbTransportTest, UnplugDuringStreamingEndsTheTransfersCleanly) {
    OpenAndPowerOn();
    ASSERT_EQ(StartCodec(), kStatusSuccess);
    ASSERT_EQ(sim->DeliverAudio(1), 1);
    sim->Unplug();
    sim->Flush();
    device->StopHardware();
    EXPECT_FALSE(transport->Streaming());
}

} // namespace
} // namespace lxq::transport
