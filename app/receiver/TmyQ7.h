#pragma once
// The receiver component bound to a receiver API library and to the signal-level calibration
// library, both loaded by name at run time with every export looked up by name on first use. A
// missing library or export makes an operation do nothing and answer its neutral value.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/DeviceControl.h"
#include "api/Lxq745Api.h"
#include "app/receiver/LibraryBinding.h"
#include "app/receiver/ReceiverRequests.h"
#include "app/receiver/TQ7Facilities.h"
#include "app/receiver/TmyReceiver.h"
#include "driver/LX_Q7_EEPROM.h"

namespace lxq {

using TChooseReceiverEvent = std::function<void(plat::comp::TObject* sender,
                                                const RADIO_INFO* RadioInfos, int count, int& chosen)>;
using TBlockScanEvent = std::function<void(plat::comp::TObject* sender, double ss, bool CanUpdate)>;
using TFreqChangingEvent = std::function<void(plat::comp::TObject* sender, std::int64_t& frequency)>;
using TBlockedFrequencyEvent = std::function<void(plat::comp::TObject* sender, std::int64_t freq)>;

inline constexpr std::int32_t kNoCalibrationTable = -8;
inline constexpr std::uint32_t kBlockScanMessage = 0x401; // WM_USER + 1
inline constexpr std::uint32_t kRequestAnswerMessage = 0x402; // WM_USER + 2

// The library's raw level: 255 stands for -30 dBm of its level in tenths and everything above,
// 254 for about -30.2 dBm (the middle of the tenths that give it).
inline constexpr std::int32_t kRawTop = 255;

// What a pipelined reading brought: Q7GetSSPipelined's answer (-1 when nothing was being
// measured or the library has no such export) and its four outputs.
struct PipelinedReading {
    std::int32_t result = -1;
    std::int32_t level = 0, raw = 0;
    std::uint32_t rssi = 0, agc = 0;
};
using PipelinedAnswer = std::function<void(const PipelinedReading&)>;
inline constexpr std::int32_t kTenthsAtRawBelowTop = -302;

class TmyQ7 : public TmyReceiver {
public:
    explicit TmyQ7(plat::comp::TComponent* owner);
    ~TmyQ7() override;
    const char* ClassName() const override { return "TmyQ7"; }

    // --- binding ---
    virtual bool LoadDLL(const std::string& apiLibrary, const std::string& calibrationLibrary);
    virtual void FreeDLL();
    virtual void SetInit(bool init);
    virtual bool GetInit() const;
    // Both libraries bound (the property reads GetInit and writes SetInit).
    bool Initialized() const { return GetInit(); }

    // --- opening ---
    virtual bool Open(const std::string& serial);
    virtual bool Open(int index);
    void Close();
    int ChooseToOpen();
    virtual bool DoGetRadioInfo();
    std::int32_t Handle() const { return handle_; }
    // Waits until the requests made so far have been carried out (their answers come as
    // messages): a call made here, on the user-interface thread, that must reach the receiver
    // after them (a measurement now, the scanner's and the sweep's pipelined tuning, closing)
    // comes after this.
    void FinishRequests();
    bool Demo() const { return demo_; }
    bool IsUSversion() const { return isUSversion_; }

    // --- properties ---
    std::int64_t DisplayOffset() const { return displayOffset_; }
    virtual void SetDispOffset(std::int64_t offset);
    double CalibNarrow() const { return calibNarrow_; }
    void SetCalibNarrow(double v) { calibNarrow_ = v; }
    double CalibWide() const { return calibWide_; }
    void SetCalibWide(double v) { calibWide_ = v; }
    double CalibFreq() const { return calibFreq_; }
    void SetCalibFreq(double ppm);
    const std::string& CalibrationFile() const { return calibrationFile_; }
    void SetCalFile(const std::string& name);
    const std::string& CalibSection() const { return calibSection_; }
    void SetCalibSection(const std::string& name) { calibSection_ = name; }
    TQ7Facilities& Q7Facilities() { return facilities_; }
    void SetQ7Facilities(const TQ7Facilities& source) { facilities_.Assign(source); }
    virtual void SetPllSpd(bool fast);
    virtual bool GetPllSpd();
    const RADIO_INFO& RadioInfo() const { return info_; }
    const LX_Q7_CALIB& CalibrationRecord() const { return calib_; }
    const LX_Q7_EEPROM& Eeprom() const { return eeprom_; }
    double RecGain() const { return recGain_; }
    void SetRecGain(double db) { recGain_ = db; }
    std::uint32_t InternalRssi() const { return rssiWord_; }

    // --- receiver accessors ---
    std::int64_t GetFreq() override { return TmyReceiver::GetFreq(); }
    void SetFreq(std::int64_t hz) override;
    std::int32_t GetAtten() override;
    void SetAtten(std::int32_t v) override;
    std::int32_t GetAGC() override;
    void SetAGC(std::int32_t v) override;
    std::int32_t GetIFGain() override;
    void SetIFGain(std::int32_t v) override;
    std::int32_t GetPower() override;
    void SetPower(std::int32_t v) override;
    void SetPreAmp(std::int32_t v) override;
    std::int32_t GetPreAmp() override;
    std::string GetProductName() override;
    std::string GetUserDefName() override;
    std::string GetSerialNum() override;
    double GetSS() override;
    virtual double GetLastSS();
    bool IsConnected() override;
    void FillRadioDevCaps() override;
    void SetRadioDevCaps(const void* caps, std::uint32_t available = 0) override;
    plat::win::LResult WndProc(std::uint32_t msg, plat::win::WParam wParam,
                               plat::win::LParam lParam) override;

    // --- signal-level calibration ---
    double Calibrate(std::int32_t raw, std::int64_t hz) override;
    // Calibrate for a reading that came with the library's level in tenths of dBm (a pipelined
    // one): at the top of the raw scale that level carries on, as the meter's does.
    double CalibrateMeasured(std::int32_t raw, std::int32_t tenths, std::int64_t hz);
    // SetSignalRaw for such a reading.
    void SetSignalMeasured(std::int32_t raw, std::int32_t tenths);
    virtual double CalibrateDBM(float dbm, std::int64_t hz);
    virtual double CalcRecGain(std::int32_t a);
    virtual void UnloadCalibration();

    // --- further receiver operations ---
    std::string GetDriverPath();
    bool IsBusy();
    std::int32_t GetIF1Version();
    std::int32_t GetIF1Filter();
    std::int32_t SetIF1Filter(std::int32_t v);
    bool GetHwInfo(void* record60);
    virtual bool GetDebug(void* record64);
    virtual bool GetDebugInfo(RADIO_INFO* info);
    std::int32_t GetLock();
    bool SetRefClk(std::uint32_t hz);
    std::int32_t GetRefClk();
    bool SetFreqAsync(std::int64_t hz);
    int WaitForFreqAsync();
    virtual bool GetEEPROM(LX_Q7_EEPROM* image);
    virtual bool WriteCalibration(const LX_Q7_CALIB& record);
    virtual bool ReadCalibration();
    virtual bool WriteCalib2(std::int32_t index);
    bool SetIF2Frequency(std::int32_t hz);
    std::int32_t GetIF2Frequency();
    bool ReadBands(std::uint32_t* edges8);
    bool WriteBands(const std::uint32_t* edges8);
    // Queued among the requests: true when the library has the export.
    bool SetLED(std::uint8_t pattern);
    bool WriteEEPROM(std::uint8_t address, const void* data, std::uint32_t count);
    // Pipelined tuning among the requests: with `first` the frequency is tuned at once, else it
    // is due once the reading under way is taken. Nothing waits here.
    void TunePipelined(std::int64_t hz, std::int32_t first, std::uint32_t param);
    // Takes the reading of the frequency measured and tunes the one due, among the requests;
    // `answer` (may be empty) gets the reading on this thread when it comes.
    void ReadPipelined(PipelinedAnswer answer);
    // The same, waiting for the receiver's answer: for a caller that may wait (not the
    // user-interface thread's controls and steps).
    std::int32_t SetFreqPipelined(std::int64_t hz, std::int32_t first, std::uint32_t param);
    std::int32_t GetSSPipelined(std::int32_t* level, std::int32_t* raw, std::uint32_t* third,
                                std::uint32_t* fourth);
    // Holds the requests made after this for `ms` (a frequency settles), without holding this
    // thread; `answer` (may be empty) runs here when the time is over.
    void SettleRequests(std::int64_t ms, std::function<void()> answer = nullptr);
    // Carries out `call` with the open receiver's handle among the requests, and gives its result
    // to `answer` on this thread, unless the receiver was closed or opened again meanwhile. The
    // call runs on the worker: it may touch only the library's exports (looked up here) and
    // what it holds by value.
    template <typename R>
    void Ask(std::function<R(std::int32_t handle)> call, std::function<void(R)> answer) {
        const std::int32_t handle = handle_;
        const std::uint32_t generation = openings_;
        Requests().Make([=, this, call = std::move(call), answer = std::move(answer)]() -> ReceiverRequests::Answer {
            R result = call(handle);
            if (!answer) return nullptr;
            return [=, this] {
                if (generation == openings_) answer(result);
            };
        });
    }
    // Whether the receiver is there, asked among the requests; `answer` gets it here (after the
    // disconnect event, when it is gone). Without an open receiver or the export nothing is asked,
    // and the answer is that it is there, at once. The answer always comes: when the receiver was
    // closed meanwhile, it is false (and tells the component nothing).
    void AskConnected(std::function<void(bool)> answer);
    // The receiver's presence as the last request that asked told it; never asks.
    bool KnownConnected() const { return knownConnected_; }
    // Levels measured among the requests (the poll's) and taken, each after the last tuning. The
    // level a tuning shows at once is the library's last one, measured before it: one that must
    // be of the channel tuned waits for this count to move on.
    std::uint32_t MeasuredLevels() const { return measuredLevels_; }
    bool BlockScan(std::int32_t* frequencies, int count, std::int32_t stopLevel,
                   std::uint32_t reportIntervalMs);
    void StopBlockScan();
    void PauseBlockScan();
    void ResumeBlockScan();
    virtual std::string GetInterfaceChar();

    // --- the service window's and the start-up's device operations, among the requests ---
    // Each is carried out on the worker after what was asked before; what it answers comes to
    // `answer` (may be empty) on this thread.
    struct ServicePages {
        bool haveRegisters = false;
        std::uint8_t registers[64] = {};
        bool haveEeprom = false;
        LX_Q7_EEPROM eeprom{};
        bool haveBands = false;
        std::uint32_t edges[8] = {};
        std::int32_t if1Filter = 0;
    };
    void AskServicePages(std::function<void(const ServicePages&)> answer);
    // Checks the record here (a warning when it is bad), writes it, and reads the calibration
    // back when the receiver took it (a warning when not).
    void RequestCalibration(const LX_Q7_CALIB& record);
    void RequestIF1Filter(std::int32_t v);
    // The second IF set again to what the receiver holds: after a change of a frequency it is
    // derived from (the reference clock, the first IF).
    void ReapplyIF2Frequency();
    void RequestEEPROMWrite(std::uint8_t address, std::vector<std::uint8_t> bytes, std::function<void(bool)> answer);
    void RequestBandsWrite(const std::uint32_t* edges8);
    void RequestRefClk(std::uint32_t hz, std::function<void(bool)> answer);
    void RequestIF2Frequency(std::int32_t hz, std::function<void(bool)> answer);

    TChooseReceiverEvent OnChooseReceiver;
    TBlockScanEvent OnBlockScan;
    plat::comp::TNotifyEvent OnStopBlockScan, OnPauseBlockScan, OnResumeBlockScan;
    TFreqChangingEvent OnQ7FreqChanging;
    TBlockedFrequencyEvent OnBlockedFrequency;

protected:
    // What a model class changes: its libraries, names, limits and squelch units.
    virtual const char* ApiLibraryName() const { return "lxq712api.dll"; }
    virtual const char* CalibrationLibraryName() const { return "dbmtable.dll"; }
    virtual const char* ModelName() const { return "Q712"; }
    virtual const ModelFacilities& Facilities() const { return kQ7Facilities; }

    virtual void DoOnBlockScan(double ss, bool CanUpdate);
    virtual void DoOnStopBlockScan();
    virtual void DoOnPauseBlockScan();
    virtual void DoOnResumeBlockScan();

    // A level from the calibration table (raw 0..255 at the frequency, 0 = the stored one), or
    // nothing when the library, its table or its answer is missing.
    std::optional<double> TableLevel(std::int32_t raw, std::int64_t hz, std::int32_t selector);
    // The dB a model adds to a table level: a plug-in's correction (notification 0x0B06), the
    // attenuator, the missing preamplifier, and the narrow or wide calibration.
    double ModelCorrectionDb(std::int64_t hz, bool wide);
    // A setting read or written through the API export of that name; without the export the
    // reader answers `stored`, and the writer tells whether it was called and succeeded.
    std::int32_t ApiGet(const char* name, std::int32_t stored);
    bool ApiSet(const char* name, std::int32_t value, bool onlyConnected);
    // Frequencies of a table of the loaded calibration file (for the models that read its limit).
    std::int64_t TableUpperLimit(std::int32_t selector);
    bool CalibrationTableLoaded() const { return calHandle_ >= 0; }

    template <typename F>
    F* Api(const char* name) {
        return api_.Get<F>(name);
    }
    template <typename F>
    F* Cal(const char* name) {
        return cal_.Get<F>(name);
    }
    LibraryBinding& ApiLibrary() { return api_; }
    bool Connected() { return IsConnected(); }
    void ShowWarning(const char* text, const char* caption);
    void SetInternalRssi(std::uint32_t word) { rssiWord_ = word; }
    void SetIsUSversion(bool v) { isUSversion_ = v; }
    LX_Q7_CALIB& MutableCalibrationRecord() { return calib_; }
    LX_Q7_EEPROM& MutableEeprom() { return eeprom_; }
    // Preselector tables and the filter word, with the model's cache of the word (-1: unknown).
    bool FilterTable(std::int32_t band, FILTER_NODE* nodes);
    bool SetFilterTable(std::int32_t band, const FILTER_NODE* nodes, std::int32_t& cache);
    std::int32_t SetFilterValue(std::int32_t v, std::int32_t& cache);
    std::int32_t FilterValue(std::int32_t& cache);
    // Checks the words of a calibration record before it is written.
    virtual bool CalibrationValuesValid(const LX_Q7_CALIB& record) const;
    // GetSS without waiting: the level is measured among the receiver's requests and shows when
    // its reading comes; nothing more is asked while a measurement is queued or under way.
    void MeasureInBackground();

private:
    // What the requests of a setting carry while they are queued or under way; its reader answers
    // that value meanwhile, so that the controls show what the user asked for.
    enum Topic : int { kTopicLevel, kTopicAtten, kTopicAgc, kTopicIfGain, kTopicPower, kTopicPreAmp, kTopicPll };
    struct LevelReading {
        std::uint32_t generation = 0; // which opening of the receiver it belongs to
        std::int32_t raw = 0;
        std::uint32_t rssi = 0;
        std::int32_t tenths = 0; // the library's level of the same measurement, in tenths of dBm
        bool connected = true;   // the library's word on the receiver, asked with the measurement
        std::uint32_t tunings = 0; // SetFreq calls when it was asked for
    };
    bool FinishOpen(bool clearDemo);
    void ApplyLevelReading(const LevelReading& reading);
    void StopRequests() { requests_.reset(); }
    ReceiverRequests& Requests();
    std::optional<std::int32_t> PendingValue(Topic topic) const;
    // A setting as the user sees it: the value asked for while its request is pending, else the
    // library's (ApiGet).
    std::int32_t SettingNow(Topic topic, const char* name, std::int32_t stored);
    // The connection export for the open receiver; null when there is none to ask.
    decltype(::IsDeviceConnected)* ConnectionExport();
    // Sets `value` through the export `set` among the requests, on a receiver that is still there;
    // `answer` (may be empty) gets whether it was taken, and false at once without the export.
    template <typename Set, typename Value>
    void AskSetWhileConnected(Set* set, Value value, std::function<void(bool)> answer) {
        if (!set) {
            if (answer) answer(false);
            return;
        }
        auto* connected = ConnectionExport();
        Ask<bool>([=](std::int32_t handle) { return (!connected || connected(handle) != 0) && set(handle, value) != 0; },
                  std::move(answer));
    }
    // What IsConnected does on its answer, with the answer a request brought.
    void NoteConnection(bool connected);
    // Sets the setting through the export `name` among the requests (with onlyConnected only when
    // the receiver is there); `answer` gets whether the receiver took it, on this thread. False
    // when the library has no such export: nothing is asked.
    // A request that timed out calls no answer: the setting is then not known (ForgetSetting).
    bool RequestSetting(Topic topic, const char* name, std::int32_t value, bool onlyConnected,
                        std::function<void(bool)> answer);
    void ForgetSetting(Topic topic);
    // Sends again the settings whose requests were given up on (their values in givenUp_).
    void ResendGivenUp();

    // UI thread. The settings whose requests timed out (not known whether the receiver took
    // them), with the values asked: sent again once the receiver answers a measurement, unless a
    // later request for the same setting was answered first. Cleared at each open and close.
    std::map<Topic, std::int32_t> givenUp_;

    std::int64_t displayOffset_ = 0;
    // Moves the frequency limits and the capability ranges by `diff` Hz.
    void ShiftLimits(std::int64_t diff);
    double calibNarrow_ = 0, calibWide_ = 0, calibFreq_ = 0;
    bool refClockSet_ = false;
    bool isUSversion_ = false;
    // The pipeline's frequencies (device and displayed): the one measured, and the one due after
    // it. Owned by the worker: only requests touch it.
    struct Pipeline {
        std::int64_t measuring = 0, measuringDisplayed = 0, dueNext = 0, dueNextDisplayed = 0;
        std::uint32_t previousParam = 0, lastParam = 0;
    };
    // What a reading tells this thread besides the reading itself: the device frequency it was
    // taken on, the displayed one, and the frequency tuned afresh when the pipeline had broken.
    struct PipelineReport {
        PipelinedReading reading;
        std::int64_t measured = 0, displayed = 0, retuned = 0, retunedDisplayed = 0;
        bool read = false;
    };
    using TuneExport = decltype(::Q7SetFreqPipelined);
    using ReadExport = decltype(::Q7GetSSPipelined);
    static std::int32_t PipelineTune(Pipeline& p, TuneExport* set, std::int32_t handle, std::int64_t device,
                                     std::int64_t displayed, std::int32_t first, std::uint32_t param);
    static PipelineReport PipelineRead(Pipeline& p, TuneExport* set, ReadExport* get, std::int32_t handle);
    // Queues the tuning; `result` (may be null) gets the library's answer on the worker.
    void MakePipelinedTune(std::int64_t hz, std::int32_t first, std::uint32_t param,
                           std::shared_ptr<std::int32_t> result);
    // Queues the reading; `report` gets it on the worker, `answer` on this thread.
    void MakePipelinedRead(std::shared_ptr<PipelineReport> report, PipelinedAnswer answer);
    // What this thread does with a reading: the plug-ins hear of the frequencies, and the stored
    // frequency is the one measured unless the user tuned meanwhile.
    void ApplyPipelineReport(PipelineReport& report, std::uint32_t generation, std::uint32_t tunings);
    std::shared_ptr<Pipeline> pipeline_ = std::make_shared<Pipeline>();
    std::uint32_t tunings_ = 0; // SetFreq calls: a reading's frequency does not overwrite a later tuning
    std::uint32_t measuredLevels_ = 0;
    bool knownConnected_ = true;
    std::int32_t handle_ = 0;
    LibraryBinding api_, cal_;
    double recGain_ = 0;
    LX_Q7_EEPROM eeprom_{};
    std::int64_t asyncFrequency_ = 0;
    TQ7Facilities facilities_;
    bool demo_ = true;
    std::string calibSection_ = "LX-Q712";
    std::string calibrationFile_ = "lxq712.cal";
    LX_Q7_CALIB calib_{};
    RADIO_INFO info_{};
    std::int32_t calHandle_ = kNoCalibrationTable;
    std::uint32_t rssiWord_ = 0;
    // How far above the raw scale's top the signal measured by GetSS is, in dB; 0 elsewhere.
    double aboveRawScaleDb_ = 0.0;
    std::uint32_t openings_ = 0; // tells a reading of an earlier opening from the current one
    std::unique_ptr<ReceiverRequests> requests_; // made at the first request
};

} // namespace lxq
