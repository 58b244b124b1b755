#pragma once
// The component of the Q745, the model this system is built for: its own libraries and limits, a
// 10 ms poll, a signal calibration with the model's corrections, and the preselector tables.

#include "app/receiver/TmyQ7.h"

namespace lxq {

class TmyQ745 : public TmyQ7 {
public:
    explicit TmyQ745(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TmyQ745"; }

    void SetFreq(std::int64_t hz) override;
    double Calibrate(std::int32_t raw, std::int64_t hz) override;
    bool DoGetRadioInfo() override;
    // The panel's 20 ms poll, and a measurement after a change, never wait for the receiver.
    void PollNow() override { MeasureInBackground(); }
    void UpdateNow() override { MeasureInBackground(); }
    double QueriedLevel() override;
    bool WriteCalib2(std::int32_t index) override;

    bool GetFilterTable(std::int32_t band, FILTER_NODE* nodes);
    bool SetFilterTable(std::int32_t band, const FILTER_NODE* nodes);
    std::int32_t SetFilterValue(std::int32_t v);
    std::int32_t GetFilterValue();

    // The service window's preselector page, among the requests: the filter word, and the table of
    // its band when that is not `shownBand` (haveTable tells whether it was read); with
    // `tableBand` >= 0 the table of that band instead.
    struct FilterPage {
        std::int32_t word = 0;
        bool haveTable = false;
        FILTER_NODE nodes[kFilterNodesPerBand] = {};
    };
    void AskFilterPage(std::int32_t shownBand, std::function<void(const FilterPage&)> answer, std::int32_t tableBand = -1);
    void RequestFilterTable(std::int32_t band, const FILTER_NODE* nodes);
    void RequestFilterValue(std::int32_t v);
    void RequestCalib2(std::int32_t index);

protected:
    const char* ApiLibraryName() const override { return "lxq745api.dll"; }
    const char* ModelName() const override { return "Q745"; }
    const ModelFacilities& Facilities() const override { return kQ745Facilities; }
    std::uint32_t TimerPeriodMs() const override { return 10; }

private:
    std::int32_t filterWord_ = -1; // -1: not known
    std::uint32_t filterChanges_ = 0; // tunings and filter writes: an older answer does not set the word
};

} // namespace lxq
