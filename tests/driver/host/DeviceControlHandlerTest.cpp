// The device-control handler over a recording receiver: buffers, values and confirmation flags,
// pushes of changed fields only, failed pushes, measurement.

#include "driver/SignalLevel.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/host/RecordingTransport.h"
#include "platform/sys/Clock.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lxq::host {
namespace {

using driver::Bit;
using driver::TunerField;

struct Answer {
    NtStatus status;
    std::uint64_t bytes;
    std::vector<std::uint8_t> out;
    std::uint32_t Word(std::size_t i) const {
        std::uint32_t w = 0;
        std::memcpy(&w, out.data() + 4 * i, 4);
        return w;
    }
};

class Handler : public ::testing::Test {
protected:
    explicit Handler(Variant variant = Variant::Usb) {
        auto owned = std::make_unique<RecordingTransport>(variant);
        transport = owned.get();
        device = std::make_unique<ReceiverDevice>(std::move(owned));
        transport->SetStreaming(true);
        EXPECT_EQ(device->FirstOpen(), kStatusSuccess);
        // What the API library does after opening: reference clock, second IF, power.
        EXPECT_EQ(Set(IOCTL_LXQ745_SET_REF_CLOCK, {0, kRefSourceInternal, kRefClockKeepHz}).status, kStatusSuccess);
        EXPECT_EQ(Set(IOCTL_LXQ745_SET_IF2_FREQUENCY, {12'000, 0, 0}).status, kStatusSuccess);
        EXPECT_EQ(Set(IOCTL_LXQ745_SET_POWER, {1}).status, kStatusSuccess);
    }

    Answer Call(std::uint32_t code, const std::vector<std::uint8_t>& in, std::uint32_t outLength,
                std::uint64_t inPointer = 0) {
        auto request = IoRequest::Control(code, in.data(), static_cast<std::uint32_t>(in.size()), outLength,
                                          inPointer, nullptr);
        const NtStatus status = device->HandleDeviceControl(*request);
        std::vector<std::uint8_t> out(request->buffer.begin(),
                                      request->buffer.begin() + std::min<std::size_t>(outLength, request->buffer.size()));
        return {status, request->bytes, out};
    }
    // A buffered set request of 32-bit words whose answer has as many words.
    Answer Set(std::uint32_t code, const std::vector<std::uint32_t>& words) {
        std::vector<std::uint8_t> in(4 * words.size());
        std::memcpy(in.data(), words.data(), in.size());
        return Call(code, in, static_cast<std::uint32_t>(in.size()));
    }
    std::uint64_t Get(std::uint32_t code, std::uint32_t outLength = 0) { return Call(code, {}, outLength).bytes; }
    std::size_t PushCount() const { return transport->Pushes().size(); }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock useClock{clock};
    RecordingTransport* transport = nullptr;
    std::unique_ptr<ReceiverDevice> device;
};

TEST_F(Handler, VersionAnswersNineWhateverTheBuffers) {
    for (std::uint32_t out : {0u, 4u, 12u, 1000u})
        EXPECT_EQ(Call(IOCTL_LXQ745_GET_VERSION, std::vector<std::uint8_t>(out % 7), out).bytes, 9u) << out;
}

TEST_F(Handler, ShortBuffersAreRefusedAsInvalidOrOverflow) {
    struct Case {
        std::uint32_t code, in, out;
        NtStatus expected;
    } cases[] = {
        {IOCTL_LXQ745_SET_FREQUENCY, 11, 12, kStatusInvalidParameter},
        {IOCTL_LXQ745_SET_FREQUENCY, 12, 8, kStatusInvalidParameter},
        {IOCTL_LXQ745_SET_POWER, 4, 3, kStatusInvalidParameter},
        {IOCTL_LXQ745_WRITE_EEPROM, 1, 0, kStatusInvalidParameter},
        {IOCTL_LXQ745_WRITE_EEPROM, 258, 0, kStatusInvalidParameter},
        {IOCTL_LXQ745_GET_LAST_STATUS, 0, 7, kStatusInvalidParameter},
        {IOCTL_LXQ745_CODEC_START, 25, 8, kStatusInvalidParameter},
        {IOCTL_LXQ745_READ_EEPROM, 0, 255, kStatusBufferOverflow},
        {IOCTL_LXQ745_GET_HWINFO, 0, 59, kStatusBufferOverflow},
        {IOCTL_LXQ745_GET_HW, 0, 29, kStatusBufferOverflow},
        {IOCTL_LXQ745_GET_DEBUG, 0, 63, kStatusBufferOverflow},
        {IOCTL_LXQ745_SET_FILTER_TABLE, 63, 0, kStatusBufferOverflow},
    };
    for (const Case& c : cases) {
        const Answer answer = Call(c.code, std::vector<std::uint8_t>(c.in), c.out);
        EXPECT_EQ(answer.status, c.expected) << std::hex << c.code << " in " << c.in << " out " << c.out;
        EXPECT_EQ(answer.bytes, 0u);
    }
    EXPECT_EQ(Call(IOCTL_LXQ745_READ_EEPROM, {}, 256).bytes, 256u);
}

// Every code the receiver knows, plus codes it does not, with each method: a request of the neither
// method has no system buffer, so an input length must never lead to a read of it; a buffered
// request whose buffer is shorter than its lengths claim is refused before anything is read.
TEST_F(Handler, NoRequestReadsOrWritesBeyondItsSystemBuffer) {
    std::vector<std::uint32_t> codes;
    for (std::uint32_t function = 0x800; function < 0x1000; ++function)
        for (std::uint32_t method : {kMethodBuffered, 1u, 2u, kMethodNeither})
            codes.push_back(DeviceControlCode(function, method));
    for (std::uint32_t code : codes) {
        if (code == IOCTL_LXQ745_SET_SYNTH_WORD1 || code == IOCTL_LXQ745_SET_SYNTH_WORD3) continue;  // 200 ms each
        SCOPED_TRACE(code);
        auto request = IoRequest::Control(code, nullptr, 36, 36, 0, nullptr);
        if (TransferMethod(code) != kMethodBuffered) {
            EXPECT_TRUE(request->buffer.empty());
        } else {
            request->buffer.clear();  // a buffer that is not there, whatever the lengths say
        }
        const NtStatus status = device->HandleDeviceControl(*request);
        if (TransferMethod(code) == kMethodBuffered) {
            EXPECT_EQ(status, kStatusInvalidParameter);
        }
    }
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_VERSION), 9u) << "the receiver still serves";
}

TEST_F(Handler, GetRequestsAnswerTheValueOrTheConfirmationFlag) {
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_FREQUENCY, {145'500'000, 0, kFreqWaitPush | kFreqWaitLock}).Word(2), 1u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FREQUENCY), 145'500'000u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FREQUENCY, 4), 1u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FREQUENCY, 12), 1u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FREQUENCY, 8), 145'500'000u) << "bit 2 clear: the value";
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_IF2_FREQUENCY), 12'000u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_POWER), 1u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_LOCK), 3u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_LOCK, 4), 1u);

    transport->RefuseFields(Bit(TunerField::Band));
    const Answer refused = Set(IOCTL_LXQ745_SET_ATTEN, {1});
    EXPECT_EQ(refused.Word(0), 0u) << "the band word did not reach the receiver";
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_ATTEN, 4), 0u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FREQUENCY, 4), 0u) << "the frequency needs the band word too";
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_ATTEN), 0u) << "what the receiver refused is not current";
}

TEST_F(Handler, OnlyChangedFieldsArePushedAndNothingWhenNothingChanged) {
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_FREQUENCY, {145'500'000, 0, 0}).status, kStatusSuccess);
    std::size_t before = PushCount();
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_ATTEN, {1}).Word(0), 1u);
    ASSERT_EQ(PushCount(), before + 1);
    EXPECT_EQ(transport->Pushes().back().fields, Bit(TunerField::Band));
    EXPECT_EQ(transport->Receiver().bandWord & kBandWordAttenuatorOff, 0);

    ASSERT_EQ(Set(IOCTL_LXQ745_SET_AGC, {2}).Word(0), 1u);
    before = PushCount();
    EXPECT_EQ(Set(IOCTL_LXQ745_SET_ATTEN, {1}).Word(0), 1u);
    EXPECT_EQ(Set(IOCTL_LXQ745_SET_AGC, {2}).Word(0), 1u);
    EXPECT_EQ(PushCount(), before) << "an unchanged setting sends nothing";

    ASSERT_EQ(Set(IOCTL_LXQ745_SET_PLL_SPEED, {Get(IOCTL_LXQ745_GET_PLL_SPEED) == 0 ? 1u : 0u}).Word(0), 1u);
    EXPECT_EQ(transport->Pushes().back().fields, Bit(TunerField::MainControl));
}

TEST_F(Handler, AFailedFieldStaysUnconfirmedAndTheNextPushResendsIt) {
    transport->RefuseFields(Bit(TunerField::Band));
    EXPECT_EQ(Set(IOCTL_LXQ745_SET_ATTEN, {1}).Word(0), 0u);
    transport->RefuseFields(0);
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_PLL_SPEED, {Get(IOCTL_LXQ745_GET_PLL_SPEED) == 0 ? 1u : 0u}).Word(0), 1u);
    EXPECT_EQ(transport->Pushes().back().fields, Bit(TunerField::Band) | Bit(TunerField::MainControl));
    EXPECT_EQ(transport->Receiver().bandWord & kBandWordAttenuatorOff, 0) << "the attenuator got through at last";
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_ATTEN, 4), 1u);
}

TEST_F(Handler, ReceiverTakesTheWholeStateWhenStreamingStarts) {
    transport->SetStreaming(false);  // USB audio pipe closed: pushes are only recorded
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_FREQUENCY, {433'000'000, 0, 0}).Word(2), 1u);
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_ATTEN, {1}).status, kStatusSuccess);
    EXPECT_FALSE(transport->Pushes().back().reachedReceiver);
    const TunerState before = transport->Receiver();
    EXPECT_NE(std::memcmp(&before, &device->State().current, sizeof(TunerState)), 0);

    transport->SetStreaming(true);
    EXPECT_TRUE(transport->Pushes().back().forceAll);
    const TunerState held = transport->Receiver();
    EXPECT_EQ(std::memcmp(&held, &device->State().current, sizeof(TunerState)), 0)
        << "what was reported as set is what the receiver holds";
}

TEST_F(Handler, SignalStrengthIsMeasuredInTenthsOfDbm) {
    transport->SetDetector(500, 700);
    const Answer answer = Set(IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18});
    ASSERT_EQ(answer.status, kStatusSuccess);
    const auto expected = driver::LevelFromDetector(device->State().image, device->State().agcMode, false, 500, 700);
    EXPECT_EQ(static_cast<std::int32_t>(answer.Word(0)), expected.level);
    EXPECT_EQ(Set(IOCTL_LXQ745_GET_INTERNAL_RSSI, {0}).Word(0), 500u | 700u << 16);

    ASSERT_EQ(Set(IOCTL_LXQ745_SET_POWER, {0}).Word(0), 1u);
    EXPECT_EQ(Set(IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}).status, kStatusDeviceBusy);
}

TEST_F(Handler, FilterTableOnlyInTheUpperBands) {
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_FREQUENCY, {10'000'000, 0, 0}).status, kStatusSuccess);
    EXPECT_EQ(Call(IOCTL_LXQ745_GET_FILTER_TABLE, {}, 64).status, kStatusInvalidParameter);
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_FREQUENCY, {200'000'000, 0, 0}).status, kStatusSuccess);
    const Answer table = Call(IOCTL_LXQ745_GET_FILTER_TABLE, {}, 64);
    ASSERT_EQ(table.status, kStatusSuccess);
    EXPECT_EQ(table.bytes, 64u);
    // Written back unchanged, the table survives the EEPROM round trip.
    const Answer written = Call(IOCTL_LXQ745_SET_FILTER_TABLE, table.out, 0);
    EXPECT_EQ(written.status, kStatusSuccess);
    EXPECT_EQ(Call(IOCTL_LXQ745_GET_FILTER_TABLE, {}, 64).out, table.out);
}

TEST_F(Handler, EepromWritesCheckGuardAndRange) {
    EXPECT_EQ(Call(IOCTL_LXQ745_WRITE_EEPROM, {250, 1, 2, 3, 4, 5, 6, 7}, 0).status, kStatusInvalidParameter)
        << "a write past the end must not wrap onto the filter bytes";
    EXPECT_EQ(Call(IOCTL_LXQ745_WRITE_EEPROM, {185, 44}, 0).status, kStatusSuccess);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_IF1_MAN_GAIN), 44u);
    CalibByteRequest calib{0x1234, 50, {}};
    std::vector<std::uint8_t> in(sizeof calib);
    std::memcpy(in.data(), &calib, sizeof calib);
    EXPECT_EQ(Call(IOCTL_LXQ745_WRITE_CALIB2, in, 0).status, kStatusInvalidParameter);
    calib.guard = kCalibGuardWord;
    std::memcpy(in.data(), &calib, sizeof calib);
    EXPECT_EQ(Call(IOCTL_LXQ745_WRITE_CALIB2, in, 0).status, kStatusSuccess);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_IF1_MAN_GAIN), 50u);
}

TEST_F(Handler, PipelinedTuneMeasuresThePreviousFrequencyThenTunes) {
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_FREQUENCY, {145'500'000, 0, 0}).status, kStatusSuccess);
    transport->SetDetector(640, 300);
    PipelinedTuneRequest request{146'000'000, 77, 0, 0, 0};
    std::vector<std::uint8_t> in(sizeof request);
    std::memcpy(in.data(), &request, sizeof request);
    const Answer answer = Call(IOCTL_LXQ745_SET_FREQ_PIPELINED, in, 12);
    ASSERT_EQ(answer.status, kStatusSuccess);
    EXPECT_EQ(answer.Word(0), 640u | 300u << 16);
    EXPECT_EQ(answer.Word(1), 77u) << "left as the caller gave it";
    EXPECT_EQ(static_cast<std::int32_t>(answer.Word(2)), device->LastLevel());
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FREQUENCY), 146'000'000u);
}

TEST_F(Handler, FmWideNeedsItsCapability) {
    EXPECT_EQ(Set(IOCTL_LXQ745_SET_FMW, {1}).status, kStatusNotSupported);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FMW), 0u);
}

class CardHandler : public Handler {
protected:
    CardHandler() : Handler(Variant::Pci) {}
};

TEST_F(CardHandler, PowerOnRestoresTheWholeStateAtThePreviousFrequency) {
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_FREQUENCY, {433'000'000, 0, 0}).status, kStatusSuccess);
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_POWER, {0}).Word(0), 1u);
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_POWER), 0u);
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_ATTEN, {1}).status, kStatusSuccess);  // recorded while off
    EXPECT_FALSE(transport->Pushes().back().reachedReceiver);

    const auto start = clock.NowMs();
    ASSERT_EQ(Set(IOCTL_LXQ745_SET_POWER, {1}).Word(0), 1u);
    EXPECT_GE(clock.NowMs() - start, 200) << "the card settles before it is retuned";
    EXPECT_EQ(Get(IOCTL_LXQ745_GET_FREQUENCY), 433'000'000u);
    const TunerState held = transport->Receiver();
    EXPECT_EQ(std::memcmp(&held, &device->State().current, sizeof held), 0);
    EXPECT_EQ(held.bandWord & kBandWordAttenuatorOff, 0) << "the setting made while off reached the card";
    EXPECT_EQ(Call(IOCTL_LXQ745_SET_LED_PATTERN, {5}, 0).status, kStatusInvalidParameter);
}

TEST(SignalLevel, TableEdgesAndCalibrationCorners) {
    LX_Q7_EEPROM image = RecordingTransport::StandInImage("X");
    image.rssiReference = 0;  // no scaling of a, so the table edges show
    const std::int32_t h = image.agcStart - 3;
    image.options = kOptGain;
    EXPECT_EQ(driver::LevelFromDetector(image, 0, false, 4, h).level, -1145) << "a on a row uses it as lower bound";
    EXPECT_EQ(driver::LevelFromDetector(image, 0, false, 9999, h).level, -800);
    image.options = 0;
    EXPECT_EQ(driver::LevelFromDetector(image, 0, false, 12000, h).level, -800);
    EXPECT_EQ(driver::LevelFromDetector(image, 0, false, 5, h + 5).level, -1180) << "no AGC correction at or above h";
    const auto pair = driver::LevelFromDetector(image, 1, false, 5, 100);
    EXPECT_EQ(pair.detectorPair, 5u | 104u << 16) << "AGC mode 1 corrects b before it is recorded";

    image.agcMid = image.agcEnd = 700;  // a collapsed AGC range must not divide by zero
    EXPECT_EQ(driver::LevelFromDetector(image, 0, false, 5, 700).level, -1180 + image.dropLevel + 50 + 870);
    EXPECT_EQ(driver::LevelFromDetector(image, 0, true, 650, 0).level, ((650 * 566 / 650 - 450) * 1724) / 1000 - 700);
}

TEST(CardStrobe, FieldGroupsCombineBitByBit) {
    struct Case {
        driver::FieldMask written;
        std::uint8_t mask;
    } cases[] = {
        {0, 0},
        {Bit(TunerField::Gain16), 1},
        {Bit(TunerField::SecondFraction), 9},
        {Bit(TunerField::SecondControl) | Bit(TunerField::Gain20), 9},
        {Bit(TunerField::SecondControl) | Bit(TunerField::Reference) | Bit(TunerField::Gain16), 9},
        {Bit(TunerField::MainFraction) | Bit(TunerField::SecondControl), 15},
        {Bit(TunerField::Dwell), 15},
    };
    for (const Case& c : cases) EXPECT_EQ(driver::CardStrobeMask(c.written), c.mask) << c.written;
}

} // namespace
} // namespace lxq::host
