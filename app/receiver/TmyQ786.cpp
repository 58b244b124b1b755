#include "app/receiver/TmyQ786.h"

#include <algorithm>
#include <cmath>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/ModelCalibration.h"
#include "app/receiver/PackedFrequency.h"
#include "platform/sys/DebugOutput.h"

namespace lxq {
namespace {

struct GainPoint {
    std::int32_t a;
    double gain;
};
// IF gain map, from the top down; the first point whose input is at most `a` starts the segment.
constexpr GainPoint kIfGainMap[] = {{1000, 1000}, {79, 70}, {69, 58}, {63, 48}, {58, 41},
                                    {54, 34},     {48, 27}, {44, 19}, {39, 11}, {0, 0}};

} // namespace

TmyQ786::TmyQ786(plat::comp::TComponent* owner) : TmyQ791(owner) {
    SetCalFile("lxq786.cal");
    SetCalibSection("LX-Q786");
}

bool TmyQ786::LoadDLL(const std::string& apiLibrary, const std::string& calibrationLibrary) {
    narrowLimit_ = wideLimit_ = 0;
    return TmyQ791::LoadDLL(apiLibrary, calibrationLibrary);
}

void TmyQ786::SetFreq(std::int64_t hz) {
    filterWord_ = -1;
    TmyQ791::SetFreq(hz);
}

bool TmyQ786::DoGetRadioInfo() {
    if (!TmyQ791::DoGetRadioInfo()) return false;
    if (RADIODEVCAPS* caps = RadioDevCaps().Header()) caps->v252 = caps->v256 = 16;
    return true;
}

void TmyQ786::UpdateNow() {
    auto* rawSs = Api<decltype(::GetRawSignalStrength)>("GetRawSignalStrength");
    if (!rawSs) return;
    const std::int32_t raw = rawSs(Handle());
    if (!Demo() && GetMode() == kModeFmWide) {
        Notify(kvr::kNotifyRawLevel, static_cast<std::uint32_t>(raw));
        SetSignalRaw(raw);
        return;
    }
    ReadInternalRssi();
    if (GetAGC() != 0) SetRecGain(CalcRecGain(static_cast<std::int32_t>(InternalRssi() >> 16)));
}

double TmyQ786::Calibrate(std::int32_t raw, std::int64_t hz) {
    if (hz == 0) hz = StoredFrequency();
    const bool wide = GetMode() == kModeFmWide;
    const std::int64_t limit = wide ? wideLimit_ : narrowLimit_;
    if (limit != 0 && hz > limit) {
        // Above the table a plug-in (a converter ahead of the receiver) may say what to look up.
        std::uint32_t packed = EncodeFreq32(hz);
        Notify(kvr::kNotifyDeviceFrequency, 0, sizeof packed, &packed);
        hz = DecodeFreq32(packed);
    }
    kvr::LevelCorrection correction{hz, 0.0f, 0};
    Notify(kvr::kNotifyLevelCorrection, 0, sizeof correction, &correction);
    double db = correction.correctionDb;
    if (GetAtten() != 0) db += kAttenuatorDb;
    if (GetPreAmp() == 0) db += kNoPreAmpDb;
    db += wide ? CalibWide() : CalibNarrow();
    const auto level = TableLevel(raw, hz, wide ? kSelectorWideTable : kSelectorNarrowTable);
    if (CalibrationTableLoaded() && narrowLimit_ == 0 && wideLimit_ == 0) {
        narrowLimit_ = TableUpperLimit(kSelectorNarrowTable);
        wideLimit_ = TableUpperLimit(kSelectorWideTable);
    }
    if (level) return *level + db;
    return raw * 120.0 / 255.0 - 140.0;
}

double TmyQ786::CalcRecGain(std::int32_t a) {
    if ((Eeprom().options & 1) == 0) return TmyQ791::CalcRecGain(a);
    const LX_Q7_CALIB& c = CalibrationRecord();
    const double w1 = c.words[0], w2 = c.words[1], w3 = c.words[2], w5 = c.words[4];
    const double w4 = static_cast<std::int16_t>(c.words[3]);
    double g;
    if (a >= w1)
        g = w5;
    else if (a < w2)
        g = w5 - 30 + (w2 - a) * (w4 + 330) / (w2 != w3 ? w2 - w3 : 1.0);
    else
        g = w5 - 30 + (a - w2) * 30 / (w1 != w2 ? w1 - w2 : 1.0);
    return std::floor(g + 0.5) * 0.1;
}

double TmyQ786::CalcIfGain(std::int32_t a) {
    a = std::clamp(a, 0, 999);
    for (std::size_t i = 1; i < std::size(kIfGainMap); ++i) {
        if (kIfGainMap[i].a > a) continue;
        const GainPoint& lo = kIfGainMap[i];
        const GainPoint& hi = kIfGainMap[i - 1];
        return lo.gain + (hi.gain - lo.gain) * (a - lo.a) / (hi.a - lo.a);
    }
    return 0;
}

void TmyQ786::SetInvertSpectrum(bool invert) {
    if (ApiLibrary().Loaded()) {
        using SetFn = std::int32_t(std::int32_t, std::int32_t);
        if (auto* set = Api<SetFn>("SetInvertSpectrumFlag"))
            set(Handle(), invert ? 1 : 0);
        else
            plat::sys::OutputDebugText("Incorrect API\r\n");
    }
    invertSpectrum_ = invert;
}

std::int32_t TmyQ786::NotifyReceiver(std::uint32_t uMsg, std::uint32_t dwParam, std::uint32_t cbData,
                                     void* lpData) {
    if (uMsg != 0x110F) return TmyQ791::NotifyReceiver(uMsg, dwParam, cbData, lpData);
    ApplyPendingFrequency();
    SetInvertSpectrum(dwParam != 0);
    return 0;
}

std::int32_t TmyQ786::GetSettings(std::uint32_t uMsg, std::uint32_t cbData, void* lpData) {
    if (uMsg != 0xD09) return TmyQ791::GetSettings(uMsg, cbData, lpData);
    ApplyPendingFrequency();
    return invertSpectrum_ ? 1 : 0;
}

} // namespace lxq
