#include "app/receiver/TmyQ745.h"

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/ModelCalibration.h"

namespace lxq {

TmyQ745::TmyQ745(plat::comp::TComponent* owner) : TmyQ7(owner) {
    SetCalFile("lxq745.cal");
    SetCalibSection("LX-Q745");
}

void TmyQ745::SetFreq(std::int64_t hz) {
    filterWord_ = -1; // the preselector follows the frequency
    TmyQ7::SetFreq(hz);
}

double TmyQ745::Calibrate(std::int32_t raw, std::int64_t hz) {
    if (hz == 0) hz = StoredFrequency();
    kvr::LevelCorrection correction{hz, 0.0f, 0};
    Notify(kvr::kNotifyLevelCorrection, 0, sizeof correction, &correction);
    double db = correction.correctionDb;
    if (GetAtten() != 0) db += kAttenuatorDb;
    if (GetPreAmp() == 0) db += kNoPreAmpDb;
    std::int32_t selector = kSelectorNarrowTable;
    if (GetMode() == kModeFmWide) {
        selector = kSelectorWideTable;
        db += CalibWide();
    } else {
        db += CalibNarrow();
    }
    if (auto level = TableLevel(raw, hz, selector)) return *level + db;
    return TmyReceiver::Calibrate(raw, hz);
}

bool TmyQ745::DoGetRadioInfo() {
    if (!TmyQ7::DoGetRadioInfo()) return false;
    RADIODEVCAPS* caps = RadioDevCaps().Header();
    if (caps) caps->v252 = caps->v256 = 16;
    return true;
}

bool TmyQ745::WriteCalib2(std::int32_t index) {
    if (index < 0 || index >= 64) return false;
    auto* write = Api<decltype(::Q7WrCalib2)>("Q7WrCalib2");
    return write && write(Handle(), kCalibGuardWord, static_cast<std::uint32_t>(index)) != 0;
}

bool TmyQ745::GetFilterTable(std::int32_t band, FILTER_NODE* nodes) { return FilterTable(band, nodes); }

bool TmyQ745::SetFilterTable(std::int32_t band, const FILTER_NODE* nodes) {
    return TmyQ7::SetFilterTable(band, nodes, filterWord_);
}

std::int32_t TmyQ745::SetFilterValue(std::int32_t v) { return TmyQ7::SetFilterValue(v, filterWord_); }

std::int32_t TmyQ745::GetFilterValue() { return FilterValue(filterWord_); }

} // namespace lxq
