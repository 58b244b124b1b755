#pragma once
// The Q723 family's component: squelch units of dBm + 140, a level that a plug-in reports rather
// than one read from the receiver, an IF gain in dB, and its own calibration-word rules.

#include <functional>

#include "app/receiver/TmyQ7.h"

namespace lxq {

using TRecordingEvent =
    std::function<void(plat::comp::TObject* sender, std::uint32_t signal, const void* params)>;

class TmyQ791 : public TmyQ7 {
public:
    explicit TmyQ791(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TmyQ791"; }

    double GetSS() override { return SignalLevel(); }
    double GetLastSS() override { return SignalLevel(); }
    // The reading of the receiver, as the API-bound receiver does it.
    double GetOldSS() { return TmyQ7::GetSS(); }
    void UpdateNow() override;
    void FillRadioDevCaps() override;
    void SetIfGainDB(std::int32_t db);
    std::int32_t IfGainDB() const { return ifGainDb_; }
    double CalcRecGain(std::int32_t a) override;
    virtual double CalcIfGain(std::int32_t) { return 0; }
    bool ReadCalibration() override;
    bool WriteCalib2(std::int32_t index) override;
    void SetAdvancedMode(bool v);
    bool GetAdvancedMode();
    std::int32_t GetTuneError();
    virtual void DoOnRecording(std::uint32_t signal, const void* params);
    std::int32_t KVRtoSQ(std::int32_t units) override { return AddWrapping(units, -140); }
    std::int32_t SQtoKVR(std::int32_t dbm) override { return AddWrapping(dbm, 140); }
    std::int32_t NotifyReceiver(std::uint32_t uMsg, std::uint32_t dwParam, std::uint32_t cbData,
                                void* lpData) override;
    std::int32_t GetSettings(std::uint32_t uMsg, std::uint32_t cbData, void* lpData) override;
    std::uint32_t RecordingState() const { return recording_; }

    TRecordingEvent OnRecording;

protected:
    const char* ApiLibraryName() const override { return "lxq7230api.dll"; }
    const char* ModelName() const override { return "Q723"; }
    const ModelFacilities& Facilities() const override { return kQ791Facilities; }
    bool CalibrationValuesValid(const LX_Q7_CALIB& record) const override;
    // Reads the internal RSSI word and tells the plug-ins with the calibration record.
    void ReadInternalRssi();
    // The gain formula of the family with the gain word `top` and the two slopes' spans.
    double RecGain(std::int32_t a, double top) const;

private:
    std::int32_t ifGainDb_ = 0;
    std::uint32_t recording_ = 255;
};

} // namespace lxq
