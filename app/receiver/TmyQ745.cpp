#include "app/receiver/TmyQ745.h"

#include "app/receiver/MainThread.h"
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
    const bool wide = GetMode() == kModeFmWide;
    const double db = ModelCorrectionDb(hz, wide);
    if (auto level = TableLevel(raw, hz, wide ? kSelectorWideTable : kSelectorNarrowTable))
        return *level + db;
    return TmyReceiver::Calibrate(raw, hz);
}

double TmyQ745::QueriedLevel() {
    // A plug-in asking for the level gets the latest reading; a fresh one is on its way.
    if (OnMainThread()) MeasureInBackground();
    return SignalLevel();
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
    FinishRequests();
    return write && write(Handle(), kCalibGuardWord, static_cast<std::uint32_t>(index)) != 0;
}

bool TmyQ745::GetFilterTable(std::int32_t band, FILTER_NODE* nodes) { return FilterTable(band, nodes); }

bool TmyQ745::SetFilterTable(std::int32_t band, const FILTER_NODE* nodes) {
    return TmyQ7::SetFilterTable(band, nodes, filterWord_);
}

std::int32_t TmyQ745::SetFilterValue(std::int32_t v) { return TmyQ7::SetFilterValue(v, filterWord_); }

std::int32_t TmyQ745::GetFilterValue() { return FilterValue(filterWord_); }

} // namespace lxq
