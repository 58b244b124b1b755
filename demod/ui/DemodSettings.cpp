#include "demod/ui/DemodSettings.h"

#include "demod/ui/ModeTable.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr double kWidePresets[10] = {5000, 6000, 7000, 8000, 9000, 10000, 11000, 12000, 13000, 14000};
constexpr double kSidebandPresets[10] = {1200, 1500, 1700, 2000, 2300, 2500, 2700, 3000, 3300, 3500};
constexpr double kCwPresets[10] = {20, 40, 100, 140, 200, 400, 1000, 2000, 3000, 4000};
constexpr double kFm6Presets[10] = {1600, 2000, 2600, 3000, 3400, 4000, 5000, 6000, 7000, 8000};
constexpr double kFmPresets[10] = {3200, 4000, 5200, 6000, 6800, 8000, 10000, 12000, 14000, 15000};

const double* PresetsOf(int m) {
    switch (m) {
    case kModeUsb:
    case kModeLsb: return kSidebandPresets;
    case kModeCw: return kCwPresets;
    case kModeFm6: return kFm6Presets;
    case kModeFmn:
    case kModeFmw: return kFmPresets;
    default: return kWidePresets;
    }
}

} // namespace

void SetDefaultModeBlock(DemodModeBlock& b, int m) {
    std::memset(&b, 0, sizeof b);
    std::copy_n(PresetsOf(m), 10, b.presets);
    b.sagcReference = m >= 3 && m <= 6 ? -15.0 : -6.0;
    b.postMixerLength = 511;
    b.halfBandwidth = DefaultHalfBandwidth(m);
    b.audioFilterLength = 511;
    b.audioGain = 7.0;
    b.bandPass = 1;
    b.lowCutoff = 300.0f;
    b.highCutoff = 3000.0f;
    b.deemphasis = m == kModeFm6 || m == kModeFmn ? -6.0f : 0.0f;
    b.afFilter = 0;
    b.noiseSquelchLength = 127;
}

void SetDefaultSettings(DemodSettings& s) {
    std::memset(&s, 0, sizeof s);
    s.inputLevel = 60000;
    for (int m = 0; m < kModeCount; ++m) SetDefaultModeBlock(s.modes[m], m);
    s.hilbertLength = 511;
    s.cwTone = 800;
    s.sagcAttack[0] = 0.025, s.sagcAttack[1] = 0.015, s.sagcAttack[2] = 0.005;
    s.sagcDecay[0] = 4.0, s.sagcDecay[1] = 2.0, s.sagcDecay[2] = 0.2;
    s.studyTone = 12000.0f;
    s.inputChannel = 1;
    s.volume = 10;
}
