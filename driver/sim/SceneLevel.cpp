#include "driver/sim/SceneLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "driver/EepromRepair.h"
#include "driver/SignalLevel.h"

namespace lxq::sim {
namespace {

// Above this level the receiver's AGC takes over: word a stays where it is and word b falls.
constexpr std::int32_t kAgcKnee = -900;
// How far the driver's AGC-mode correction can move word b.
constexpr int kAgcModeReach = 16;

} // namespace

double SceneLevelDbm(const BandScene& scene, std::uint32_t tunedHz, std::uint32_t bandwidthHz, SceneGains gains) {
    double milliwatts = std::pow(10.0, scene.noiseDbm / 10.0);
    const double half = bandwidthHz / 2.0;
    for (const SceneStation& s : scene.stations) {
        if (tunedHz != 0 && std::abs(s.SignalHz() - tunedHz) <= half) milliwatts += std::pow(10.0, s.levelDbm / 10.0);
    }
    return WithGains(10.0 * std::log10(milliwatts), gains);
}

double WithGains(double dbm, SceneGains gains) {
    if (gains.attenuator) dbm -= kAttenuatorDb;
    if (gains.preamp) dbm += kPreampDb;
    return dbm;
}

double IfGainDb(const std::uint8_t (&gain)[8], double levelDbm) {
    const std::uint8_t agcSetPoint = gain[0], manual = gain[1] & 0x3F;
    if (agcSetPoint == 0 && manual == 0) return 0.0;
    if ((agcSetPoint & 0x3F) != kFullGainByte) {
        const double threshold = kAgcThresholdAtIf1GainZeroDbm + manual;
        return -std::max(0.0, levelDbm - threshold);
    }
    return -static_cast<double>(manual);
}

DetectorModel::DetectorModel(const LX_Q7_EEPROM& image, std::int32_t topWord) : image_(image), top_(topWord) {
    // The driver converts with its repaired copy of the image.
    driver::RepairCalibrationWords(image_);
    const auto word = [](std::int32_t v) { return static_cast<std::uint16_t>(v); };
    const std::int32_t quiet = top_; // word b above the AGC knee: the level follows word a alone
    std::int32_t kneeA = 0, kneeDistance = -1;
    for (std::int32_t a = 0; a <= top_; ++a) {
        const std::int32_t level = driver::LevelFromDetector(image_, 0, false, a, quiet).level;
        if (level <= kAgcKnee) narrow_.push_back({level, {word(a), word(quiet)}});
        if (kneeDistance < 0 || std::abs(level - kAgcKnee) < kneeDistance) {
            kneeA = a;
            kneeDistance = std::abs(level - kAgcKnee);
        }
        wide_.push_back({driver::LevelFromDetector(image_, 0, true, a, quiet).level, {word(a), word(quiet)}});
    }
    for (std::int32_t b = 0; b < quiet; ++b) {
        const std::int32_t level = driver::LevelFromDetector(image_, 0, false, kneeA, b).level;
        if (level > kAgcKnee) narrow_.push_back({level, {word(kneeA), word(b)}});
    }
    const auto byLevel = [](const Entry& x, const Entry& y) { return x.level < y.level; };
    std::stable_sort(narrow_.begin(), narrow_.end(), byLevel);
    std::stable_sort(wide_.begin(), wide_.end(), byLevel);
}

DetectorWords DetectorModel::Words(double dbm, std::uint8_t agcMode, bool fmWide) const {
    const std::vector<Entry>& table = fmWide ? wide_ : narrow_;
    const double tenths = std::clamp(std::round(dbm * 10.0), -100000.0, 100000.0);
    const auto wanted = static_cast<std::int32_t>(tenths);
    auto at = std::lower_bound(table.begin(), table.end(), wanted,
                               [](const Entry& e, std::int32_t level) { return e.level < level; });
    if (at == table.end()) --at;
    else if (at != table.begin() && std::abs(std::prev(at)->level - wanted) <= std::abs(at->level - wanted)) --at;
    DetectorWords words = at->words;
    if (fmWide || agcMode == 0) return words;
    // The driver moves word b by the AGC mode before it converts: send the b that it moves back.
    std::int32_t bestB = words.b, bestError = -1;
    for (std::int32_t b = words.b - kAgcModeReach; b <= words.b + kAgcModeReach; ++b) {
        if (b < 0 || b > top_) continue;
        const std::int32_t error = std::abs(ReadBack({words.a, static_cast<std::uint16_t>(b)}, agcMode, false) - at->level);
        if (bestError < 0 || error < bestError) {
            bestB = b;
            bestError = error;
        }
    }
    words.b = static_cast<std::uint16_t>(bestB);
    return words;
}

std::int32_t DetectorModel::ReadBack(DetectorWords words, std::uint8_t agcMode, bool fmWide) const {
    return driver::LevelFromDetector(image_, agcMode, fmWide, words.a, words.b).level;
}

} // namespace lxq::sim
