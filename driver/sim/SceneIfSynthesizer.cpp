#include "driver/sim/SceneIfSynthesizer.h"

#include <algorithm>
#include <cmath>

#include "driver/sim/LiveScene.h"

namespace lxq::sim {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kSubAudibleShare = 0.15; // of the deviation, for a CTCSS tone or DCS code
constexpr double kDcsBitRate = 134.4;
constexpr int kDcsBits = 23;
// Wide FM as the receiver demodulates it: full deviation gives this audio amplitude; the hiss of
// an empty channel has this rms.
constexpr double kBroadcastDeviationHz = 75'000.0;
constexpr double kWideAudioAmplitude = 8'000.0;
constexpr double kWideHissRms = 1'500.0;

// The 23-bit word of a DCS code, as sent: the code in bits 0..8, bit 11 set, parity bits above.
std::uint32_t DcsWord(int code) {
    static constexpr std::uint32_t kMasks[11] = {0x9F, 0x13E, 0xE3, 0x1C6, 0x113, 0xB9, 0x1ED, 0x1DA, 0x1B4, 0x168, 0x4F};
    std::uint32_t w = static_cast<std::uint32_t>(code & 0x1FF) | 0x800u;
    for (int j = 12; j <= 22; ++j) {
        const std::uint32_t parity = static_cast<std::uint32_t>(__builtin_popcount(w & kMasks[j - 12]) & 1);
        w |= parity << j;
    }
    return w ^ 0x63A000u;
}

double Wrap(double cycles) { return cycles - std::floor(cycles); }

double Amplitude(double dbm) { return kReferenceAmplitude * std::pow(10.0, (dbm - kReferenceLevelDbm) / 20.0); }

} // namespace

// One station's oscillators; phases in cycles.
struct SceneIfSynthesizer::Voice {
    double carrier = 0.0;
    double tone = 0.0;
    double sub = 0.0;     // CTCSS tone
    double dcsClock = 0.0; // in bits
};

SceneIfSynthesizer::SceneIfSynthesizer(double sampleRate) : rate_(sampleRate > 0.0 ? sampleRate : 1.0) {}

SceneIfSynthesizer::~SceneIfSynthesizer() = default;

SceneIfSynthesizer::Voice& SceneIfSynthesizer::VoiceFor(const SceneStation&, std::size_t index) {
    while (voices_.size() <= index) voices_.push_back(std::make_unique<Voice>());
    return *voices_[index];
}

void SceneIfSynthesizer::ChooseAudible(const IfTuning& tuning, const BandScene& scene) {
    audible_.clear();
    if (tuning.tunedHz == 0) return;
    const double half = tuning.bandwidthHz / 2.0;
    for (std::size_t k = 0; k < scene.stations.size(); ++k) {
        const SceneStation& s = scene.stations[k];
        if (std::abs(s.SignalHz() - static_cast<double>(tuning.tunedHz)) > half) continue;
        // Wide FM hears only the FM stations: the others take no place.
        if (tuning.wideFm && s.modulation != Modulation::Fm) continue;
        audible_.push_back(k);
    }
    if (audible_.size() <= kMaxAudibleStations) return;
    // The strongest; of equal ones the first in the scene, so that the choice holds from block to block.
    const auto stronger = [&scene](std::size_t a, std::size_t b) {
        const double la = scene.stations[a].levelDbm, lb = scene.stations[b].levelDbm;
        return la > lb || (la == lb && a < b);
    };
    std::nth_element(audible_.begin(), audible_.begin() + kMaxAudibleStations, audible_.end(), stronger);
    audible_.resize(kMaxAudibleStations);
    std::sort(audible_.begin(), audible_.end());
}

void SceneIfSynthesizer::Render(const IfTuning& tuning, std::int16_t* out, std::size_t count) {
    const std::shared_ptr<const BandScene> scene = LiveScene::Current();
    Render(tuning, *scene, out, count);
}

void SceneIfSynthesizer::Render(const IfTuning& tuning, const BandScene& scene, std::int16_t* out, std::size_t count) {
    if (count == 0) return;
    mix_.assign(count, 0.0f);
    const double gainDb = WithGains(0.0, tuning.gains) + tuning.ifGainDb;
    const double side = tuning.inverted ? -1.0 : 1.0;
    const double dt = 1.0 / rate_;
    double strongest = -1e9;

    ChooseAudible(tuning, scene);
    for (const std::size_t k : audible_) {
        const SceneStation& s = scene.stations[k];
        Voice& v = VoiceFor(s, k);
        const double offset = s.SignalHz() - static_cast<double>(tuning.tunedHz);
        const double toneStep = s.toneHz * dt;
        const double subDeviation = kSubAudibleShare * s.deviationHz;
        const std::uint32_t dcs = s.dcsCode >= 0 ? DcsWord(s.dcsCode) : 0;
        auto subAudible = [&](double& subPhase, double& clock) {
            double value = 0.0;
            if (s.ctcssHz > 0.0) {
                value = std::cos(kTwoPi * subPhase);
                subPhase = Wrap(subPhase + s.ctcssHz * dt);
            } else if (s.dcsCode >= 0) {
                const int bit = static_cast<int>((dcs >> static_cast<int>(clock)) & 1u) ^ (s.dcsInverted ? 1 : 0);
                value = bit ? 1.0 : -1.0;
                clock += kDcsBitRate * dt;
                if (clock >= kDcsBits) clock -= kDcsBits;
            }
            return value;
        };

        if (tuning.wideFm) {
            // The receiver's own demodulator: the audio of the FM stations, the rest is silent.
            if (s.modulation != Modulation::Fm) continue;
            strongest = std::max(strongest, s.levelDbm);
            const double scale = kWideAudioAmplitude / kBroadcastDeviationHz;
            for (std::size_t i = 0; i < count; ++i) {
                const double sub = subAudible(v.sub, v.dcsClock);
                mix_[i] += static_cast<float>(scale * (s.deviationHz * std::cos(kTwoPi * v.tone) + subDeviation * sub));
                v.tone = Wrap(v.tone + toneStep);
            }
            continue;
        }

        const double ifHz = tuning.ifCentreHz + side * offset;
        if (ifHz <= 0.0 || ifHz >= rate_ / 2.0) continue;
        const double a = Amplitude(s.levelDbm + gainDb);
        const double step = ifHz * dt;
        switch (s.modulation) {
        case Modulation::Am:
            for (std::size_t i = 0; i < count; ++i) {
                mix_[i] += static_cast<float>(a * (1.0 + s.depth * std::cos(kTwoPi * v.tone)) * std::cos(kTwoPi * v.carrier));
                v.tone = Wrap(v.tone + toneStep);
                v.carrier = Wrap(v.carrier + step);
            }
            break;
        case Modulation::Fm:
            for (std::size_t i = 0; i < count; ++i) {
                mix_[i] += static_cast<float>(a * std::cos(kTwoPi * v.carrier));
                const double deviation = s.deviationHz * std::cos(kTwoPi * v.tone) + subDeviation * subAudible(v.sub, v.dcsClock);
                v.tone = Wrap(v.tone + toneStep);
                v.carrier = Wrap(v.carrier + step + side * deviation * dt);
            }
            break;
        default: // a carrier, a beacon's carrier, or a sideband's tone
            for (std::size_t i = 0; i < count; ++i) {
                mix_[i] += static_cast<float>(a * std::cos(kTwoPi * v.carrier));
                v.carrier = Wrap(v.carrier + step);
            }
            break;
        }
    }

    // Noise: at the scene's level in the narrow IF; in FM-wide mode the hiss that a strong
    // station quiets.
    double rms = Amplitude(scene.noiseDbm + gainDb) / std::sqrt(2.0);
    if (tuning.wideFm) rms = kWideHissRms * std::pow(10.0, -std::max(0.0, strongest - scene.noiseDbm) / 20.0);
    // The sum of four uniform values in [-1, 1) is near enough to Gaussian; its variance is 4/3.
    const double noiseScale = rms * std::sqrt(3.0) / 2.0;
    std::uint64_t x = noiseState_;
    for (std::size_t i = 0; i < count; ++i) {
        double sum = 0.0;
        for (int u = 0; u < 4; ++u) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            sum += static_cast<double>(x >> 11) * (2.0 / 9007199254740992.0) - 1.0;
        }
        const double value = std::clamp(std::round(mix_[i] + noiseScale * sum), -32768.0, 32767.0);
        out[i] = static_cast<std::int16_t>(value);
    }
    noiseState_ = x;
}

} // namespace lxq::sim
