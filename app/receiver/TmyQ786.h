#pragma once
// The Q786 family's component: wide calibration limits with a frequency a plug-in may rewrite
// above the table, its own receiver-gain and IF-gain maps, the preselector and spectrum inversion.

#include "app/receiver/TmyQ791.h"

namespace lxq {

class TmyQ786 : public TmyQ791 {
public:
    explicit TmyQ786(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TmyQ786"; }

    bool LoadDLL(const std::string& apiLibrary, const std::string& calibrationLibrary) override;
    void SetFreq(std::int64_t hz) override;
    bool DoGetRadioInfo() override;
    void UpdateNow() override;
    double Calibrate(std::int32_t raw, std::int64_t hz) override;
    double CalcRecGain(std::int32_t a) override;
    double CalcIfGain(std::int32_t a) override;
    std::int32_t NotifyReceiver(std::uint32_t uMsg, std::uint32_t dwParam, std::uint32_t cbData,
                                void* lpData) override;
    std::int32_t GetSettings(std::uint32_t uMsg, std::uint32_t cbData, void* lpData) override;

    bool GetFilterTable(std::int32_t band, FILTER_NODE* nodes) { return FilterTable(band, nodes); }
    bool SetFilterTable(std::int32_t band, const FILTER_NODE* nodes) {
        return TmyQ7::SetFilterTable(band, nodes, filterWord_);
    }
    std::int32_t SetFilterValue(std::int32_t v) { return TmyQ7::SetFilterValue(v, filterWord_); }
    std::int32_t GetFilterValue() { return FilterValue(filterWord_); }
    void SetInvertSpectrum(bool invert);
    bool InvertSpectrum() const { return invertSpectrum_; }
    std::int64_t NarrowLimit() const { return narrowLimit_; }
    std::int64_t WideLimit() const { return wideLimit_; }

protected:
    const char* ApiLibraryName() const override { return "lxq786api.dll"; }
    const char* ModelName() const override { return "Q786"; }
    const ModelFacilities& Facilities() const override { return kQ786Facilities; }

private:
    bool invertSpectrum_ = false;
    std::int32_t filterWord_ = -1;
    std::int64_t narrowLimit_ = 0, wideLimit_ = 0;
};

} // namespace lxq
