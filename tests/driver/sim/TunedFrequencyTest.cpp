// Working back from synthesiser words to the tuned frequency agrees with the driver's own tuning
// arithmetic across the simulated frequency plan, for each image a simulator can carry.

#include <gtest/gtest.h>

#include "driver/Tuner.h"
#include "driver/sim/SimReceiver.h"

namespace lxq::sim {
namespace {

// Hands every push straight to the simulated receiver, as a perfect transport would.
class DirectHardware final : public driver::TunerHardware {
public:
    explicit DirectHardware(SimReceiver& receiver) : receiver_(receiver) {}
    void Attach(driver::Tuner& tuner) { tuner_ = &tuner; }
    NtStatus PushTunerState(const TunerState& state, bool, bool) override {
        receiver_.SetTuner(state);
        tuner_->State().current = state;
        return kStatusSuccess;
    }
    NtStatus ReadLockStatus(bool, std::uint8_t& status) override {
        status = receiver_.ReadLock();
        return kStatusSuccess;
    }
    NtStatus SwitchFmWide(bool on) override {
        receiver_.SetFmWide(on);
        return kStatusSuccess;
    }
    NtStatus ReadEeprom(LX_Q7_EEPROM& image) override {
        image = receiver_.Image();
        return kStatusSuccess;
    }
    bool WriteEepromByte(std::uint8_t address, std::uint8_t value) override {
        receiver_.WriteEepromByte(address, value);
        return true;
    }

private:
    SimReceiver& receiver_;
    driver::Tuner* tuner_ = nullptr;
};

struct PlanCase {
    ImageKind image;
    std::uint32_t highest; // the top of what the image's ranges reach
};

class TunedFrequencyTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(TunedFrequencyTest, WordsDecodeToTheRequestedFrequency) {
    SimReceiver receiver(SimVariant::Usb, GetParam().image);
    DirectHardware hardware(receiver);
    driver::Tuner tuner(hardware);
    hardware.Attach(tuner);
    tuner.State().current.referenceSelect = kReferenceInternal;
    ASSERT_EQ(tuner.LoadEeprom(), kStatusSuccess);
    tuner.State().powered = true;

    const std::uint32_t frequencies[] = {kSimLowestHz, 145'000,  7'100'000,   29'999'999, 100'000'000,
                                         100'000'001,  145'500'000, 199'999'999, 315'000'000, 400'000'000};
    for (std::uint32_t f : frequencies) {
        if (f > GetParam().highest) continue;
        ASSERT_EQ(tuner.SetTunerFrequency(f, true, true, true, false, 0), kStatusSuccess) << f;
        const auto span = receiver.TunedFrequency();
        ASSERT_TRUE(span.has_value()) << f;
        EXPECT_TRUE(span->Contains(f)) << f << " decoded as " << span->lowHz << ".." << span->highHz;
        EXPECT_LE(span->highHz - span->lowHz, 3u) << f;
    }
    if (GetParam().highest >= 1'500'000'000u) {
        ASSERT_EQ(tuner.SetTunerFrequency(1'500'000'000u, true, true, true, false, 0), kStatusSuccess);
        EXPECT_TRUE(receiver.IsTunedTo(1'500'000'000u));
        EXPECT_FALSE(receiver.IsTunedTo(1'500'000'100u));
    }
}

INSTANTIATE_TEST_SUITE_P(Images, TunedFrequencyTest,
                         ::testing::Values(PlanCase{ImageKind::Valid, kSimHighestHz},
                                           PlanCase{ImageKind::BadCalibration, kSimHighestHz},
                                           PlanCase{ImageKind::OldBandEdge, 400'000'000}));

TEST(TunedFrequency, UnwrittenWordsDecodeToNothing) {
    SimReceiver receiver(SimVariant::Pci);
    EXPECT_FALSE(receiver.TunedFrequency().has_value());
}

TEST(SimReceiverLock, ComesAfterTheToldNumberOfReadsOrNever) {
    SimReceiver receiver(SimVariant::Serial);
    receiver.SetLock(LockMode::AfterReads, 2);
    EXPECT_EQ(receiver.ReadLock(), 0);
    EXPECT_EQ(receiver.ReadLock(), 0);
    EXPECT_EQ(receiver.ReadLock(), 3);
    receiver.SetTuner(TunerState{}); // a new tune starts the count again
    EXPECT_EQ(receiver.ReadLock(), 0);
    receiver.SetLock(LockMode::Never);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(receiver.ReadLock(), 0);
}

} // namespace
} // namespace lxq::sim
