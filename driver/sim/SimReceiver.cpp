#include "driver/sim/SimReceiver.h"

#include <cstdlib>
#include <cstring>

#include "driver/EepromRepair.h"
#include "driver/SignalLevel.h"
#include "driver/sim/LiveScene.h"
#include "driver/sim/TunedFrequency.h"

#include <cmath>

namespace lxq::sim {

SimReceiver::SimReceiver(SimVariant variant, ImageKind kind) : variant_(variant), image_(MakeImage(variant, kind)) {
    tuner_.referenceSelect = kReferenceInternal;
}

LX_Q7_EEPROM SimReceiver::Image() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void SimReceiver::SetImage(const LX_Q7_EEPROM& image) {
    std::lock_guard lock(mutex_);
    image_ = image;
}

std::uint8_t SimReceiver::EepromByte(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    return reinterpret_cast<const std::uint8_t*>(&image_)[address];
}

void SimReceiver::WriteEepromByte(std::uint8_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    reinterpret_cast<std::uint8_t*>(&image_)[address] = value;
    ++eepromWrites_;
}

int SimReceiver::EepromWrites() const {
    std::lock_guard lock(mutex_);
    return eepromWrites_;
}

bool SimReceiver::Powered() const {
    std::lock_guard lock(mutex_);
    return powered_;
}

void SimReceiver::SetPowered(bool on) {
    std::lock_guard lock(mutex_);
    powered_ = on;
}

bool SimReceiver::FmWide() const {
    std::lock_guard lock(mutex_);
    return fmWide_;
}

void SimReceiver::SetFmWide(bool on) {
    std::lock_guard lock(mutex_);
    fmWide_ = on;
}

TunerState SimReceiver::Tuner() const {
    std::lock_guard lock(mutex_);
    return tuner_;
}

void SimReceiver::SetTuner(const TunerState& state) {
    std::lock_guard lock(mutex_);
    tuner_ = state;
    TunerChanged();
}

void SimReceiver::WriteTunerBytes(std::size_t offset, const void* bytes, std::size_t count) {
    if (offset >= sizeof(TunerState)) return;
    if (count > sizeof(TunerState) - offset) count = sizeof(TunerState) - offset;
    std::lock_guard lock(mutex_);
    std::memcpy(reinterpret_cast<std::uint8_t*>(&tuner_) + offset, bytes, count);
    TunerChanged();
}

int SimReceiver::TunerWrites() const {
    std::lock_guard lock(mutex_);
    return tunerWrites_;
}

void SimReceiver::TunerChanged() {
    ++tunerWrites_;
    readsSinceTune_ = 0;
}

std::optional<TunedSpan> SimReceiver::TunedFrequency() const {
    std::lock_guard lock(mutex_);
    return DecodeTunedFrequency(tuner_, image_, fmWide_);
}

bool SimReceiver::IsTunedTo(std::uint32_t hz) const {
    const auto span = TunedFrequency();
    return span && span->Contains(hz);
}

void SimReceiver::SetLock(LockMode mode, int reads) {
    std::lock_guard lock(mutex_);
    lockMode_ = mode;
    lockReads_ = reads;
    readsSinceTune_ = 0;
}

std::uint8_t SimReceiver::ReadLock() {
    std::lock_guard lock(mutex_);
    ++readsSinceTune_;
    switch (lockMode_) {
    case LockMode::Immediate: return 3;
    case LockMode::AfterReads: return readsSinceTune_ > lockReads_ ? 3 : 0;
    case LockMode::Never: return 0;
    }
    return 0;
}

void SimReceiver::SetDetector(std::uint16_t a, std::uint16_t b) {
    std::lock_guard lock(mutex_);
    pinned_ = true;
    detectorA_ = a;
    detectorB_ = b;
}

std::int32_t SimReceiver::SetLevel(std::int32_t tenthsDbm) {
    // The driver works from its repaired copy of the image, in AGC mode 0 and with b above the
    // AGC knee, where the level follows word a alone.
    LX_Q7_EEPROM image = Image();
    driver::RepairCalibrationWords(image);
    const std::uint16_t b = 900;
    // The words travel as 16 bits before the driver's >> 5 (>> 6 on a card that averages).
    const std::int32_t top = variant_ == SimVariant::Pci && image.pciCardType != 1 ? 1023 : 2047;
    std::int32_t bestA = 0, bestLevel = 0;
    for (std::int32_t a = 0; a <= top; ++a) {
        const std::int32_t level = driver::LevelFromDetector(image, 0, false, a, b).level;
        if (a == 0 || std::abs(level - tenthsDbm) < std::abs(bestLevel - tenthsDbm)) {
            bestA = a;
            bestLevel = level;
        }
        if (level == tenthsDbm) break;
    }
    SetDetector(static_cast<std::uint16_t>(bestA), b);
    return bestLevel;
}

std::uint16_t SimReceiver::DetectorA() const {
    std::lock_guard lock(mutex_);
    return followScene_ && !pinned_ ? SceneWordsLocked().a : detectorA_;
}

std::uint16_t SimReceiver::DetectorB() const {
    std::lock_guard lock(mutex_);
    return followScene_ && !pinned_ ? SceneWordsLocked().b : detectorB_;
}

DetectorWords SimReceiver::Detector() const {
    std::lock_guard lock(mutex_);
    return followScene_ && !pinned_ ? SceneWordsLocked() : DetectorWords{detectorA_, detectorB_};
}

std::int32_t SimReceiver::TopWord() const {
    // The words travel as 16 bits before the driver's >> 5 (>> 6 on a card that averages).
    return variant_ == SimVariant::Pci && image_.pciCardType != 1 ? 1023 : 2047;
}

void SimReceiver::FollowScene(bool on) {
    std::lock_guard lock(mutex_);
    followScene_ = on;
    pinned_ = false;
}

bool SimReceiver::FollowsScene() const {
    std::lock_guard lock(mutex_);
    return followScene_;
}

IfTuning SimReceiver::IfState() const {
    std::lock_guard lock(mutex_);
    return IfStateLocked();
}

IfTuning SimReceiver::IfStateLocked() const {
    IfTuning t;
    t.wideFm = fmWide_;
    t.bandwidthHz = fmWide_ ? kWideIfBandwidthHz : kNarrowIfBandwidthHz;
    t.gains.attenuator = (tuner_.bandWord & kBandWordAttenuatorOff) == 0;
    t.gains.preamp = (tuner_.bandWord & kBandWordRfAmpOff) == 0;
    const auto span = DecodeTunedFrequency(tuner_, image_, fmWide_);
    if (!span) return t;
    t.tunedHz = static_cast<std::uint32_t>((std::uint64_t{span->lowHz} + span->highHz) / 2);
    if (!fmWide_)
        t.ifGainDb = IfGainDb(tuner_.gain, SceneLevelDbm(*LiveScene::Current(), t.tunedHz, t.bandwidthHz, t.gains));
    // The second LO sits the second IF away from the first IF: above it (the spectrum turns
    // over there) for a positive second IF, below it for a negative one.
    double secondIf = 12000.0;
    const double reference = tuner_.referenceSelect == kReferenceInternal ? image_.refClockInternalHz
                                                                           : image_.refClockExternalHz;
    const double firstIf = fmWide_ && (image_.options & kOptFmWideIf) ? 110'700'000.0 : image_.firstIfHz;
    if (tuner_.secondFraction != 0 && reference > 0.0) {
        const double lo2 = static_cast<double>(tuner_.secondFraction) / 4294967296.0 * reference * 195.0 / 4.0;
        secondIf = std::round(lo2 - firstIf);
    }
    t.ifCentreHz = std::abs(secondIf);
    t.inverted = span->loBelow != (secondIf < 0.0);
    return t;
}

double SimReceiver::SceneLevel() const {
    const IfTuning t = IfState();
    return SceneLevelDbm(*LiveScene::Current(), t.tunedHz, t.bandwidthHz, t.gains);
}

DetectorWords SimReceiver::SceneWordsLocked() const {
    if (!model_ || std::memcmp(&modelImage_, &image_, sizeof image_) != 0) {
        model_ = std::make_unique<DetectorModel>(image_, TopWord());
        modelImage_ = image_;
    }
    const IfTuning t = IfStateLocked();
    const double dbm = SceneLevelDbm(*LiveScene::Current(), t.tunedHz, t.bandwidthHz, t.gains);
    // The AGC mode as the gain bytes show it (bytes 18 and 19 on a front end without the option).
    std::uint8_t agcMode = 0;
    if ((image_.options & kOptGain) == 0) {
        const bool g18 = tuner_.gain[2] != 0, g19 = tuner_.gain[3] != 0;
        agcMode = g18 && g19 ? 1 : g19 ? 2 : g18 ? 3 : 0;
    }
    return model_->Words(dbm, agcMode, fmWide_);
}

std::uint8_t SimReceiver::LedPattern() const {
    std::lock_guard lock(mutex_);
    return led_;
}

void SimReceiver::SetLedPattern(std::uint8_t pattern) {
    std::lock_guard lock(mutex_);
    led_ = pattern;
}

} // namespace lxq::sim
