#include "app/receiver/TmyQ745.h"

#include <algorithm>
#include <array>

#include "app/receiver/MainThread.h"
#include "app/receiver/ModelCalibration.h"

namespace lxq {

TmyQ745::TmyQ745(plat::comp::TComponent* owner) : TmyQ7(owner) {
    SetCalFile("lxq745.cal");
    SetCalibSection("LX-Q745");
}

void TmyQ745::SetFreq(std::int64_t hz) {
    filterWord_ = -1; // the preselector follows the frequency
    ++filterChanges_;
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

void TmyQ745::AskFilterPage(std::int32_t shownBand, std::function<void(const FilterPage&)> answer,
                            std::int32_t tableBand) {
    auto* word = Api<decltype(::GetFilterVal)>("GetFilterVal");
    auto* table = Api<decltype(::GetFilterTbl)>("GetFilterTbl");
    const std::int32_t known = filterWord_;
    const std::uint32_t changes = filterChanges_;
    Ask<FilterPage>(
        [=](std::int32_t handle) {
            FilterPage page;
            page.word = known != -1 ? known : word ? static_cast<std::int32_t>(word(handle)) : 0;
            const std::int32_t band = tableBand >= 0 ? tableBand : (page.word >> 8) & 0xFF;
            if (band != shownBand) page.haveTable = table && table(handle, band, page.nodes) != 0;
            return page;
        },
        [this, changes, answer = std::move(answer)](const FilterPage& page) {
            if (changes == filterChanges_) filterWord_ = page.word; // no tuning or change came since
            if (answer) answer(page);
        });
}

void TmyQ745::RequestFilterTable(std::int32_t band, const FILTER_NODE* nodes) {
    filterWord_ = -1;
    ++filterChanges_;
    auto* set = Api<decltype(::SetFilterTbl)>("SetFilterTbl");
    if (!set) return;
    std::array<FILTER_NODE, kFilterNodesPerBand> copy{};
    std::copy(nodes, nodes + kFilterNodesPerBand, copy.begin());
    Ask<bool>([=](std::int32_t handle) { return set(handle, band, copy.data()) != 0; }, nullptr);
}

void TmyQ745::RequestFilterValue(std::int32_t v) {
    auto* set = Api<decltype(::SetFilterVal)>("SetFilterVal");
    if (!set) return;
    // Unknown until the receiver has answered: the page asks it afresh meanwhile.
    filterWord_ = -1;
    ++filterChanges_;
    Ask<bool>([=](std::int32_t handle) { return set(handle, v) != 0; }, nullptr);
}

void TmyQ745::RequestCalib2(std::int32_t index) {
    if (index < 0 || index >= 64) return;
    auto* write = Api<decltype(::Q7WrCalib2)>("Q7WrCalib2");
    if (!write) return;
    Ask<bool>([=](std::int32_t handle) { return write(handle, kCalibGuardWord, static_cast<std::uint32_t>(index)) != 0; },
              nullptr);
}

} // namespace lxq
