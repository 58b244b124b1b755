#include "app/receiver/TmyQ7.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/PackedFrequency.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DeviceChannel.h"
#include "platform/sys/MessageBox.h"

namespace lxq {
namespace {

constexpr std::int32_t kRawDisconnected = -140;

// How far above the raw scale's top a reading is, from the library's level of it.
double AboveRawScaleDb(std::int32_t raw, std::int32_t tenths) {
    return raw == kRawTop ? std::max(0.0, (tenths - kTenthsAtRawBelowTop) / 10.0) : 0.0;
}
constexpr std::size_t kRadioListEntries = 32;

using IsUsVersionFn = std::int32_t(std::int32_t);

} // namespace

TmyQ7::TmyQ7(plat::comp::TComponent* owner) : TmyReceiver(owner) {}

TmyQ7::~TmyQ7() {
    BeginDestroy();
    Close();
    StopRequests();
    FreeDLL();
}

void TmyQ7::ShowWarning(const char* text, const char* caption) {
    plat::sys::ShowMessageBox(0, text, caption, plat::sys::kMbIconWarning | plat::sys::kMbTopMost);
}

// --- binding ---------------------------------------------------------------------------------

bool TmyQ7::LoadDLL(const std::string& apiLibrary, const std::string& calibrationLibrary) {
    api_.Load(apiLibrary);
    cal_.Load(calibrationLibrary);
    calHandle_ = kNoCalibrationTable;
    return api_.Loaded() && cal_.Loaded();
}

void TmyQ7::FreeDLL() {
    Close();
    StopRequests(); // they call into the library
    api_.Free();
    UnloadCalibration();
    cal_.Free();
}

bool TmyQ7::GetInit() const { return api_.Loaded() && cal_.Loaded(); }

void TmyQ7::SetInit(bool init) {
    if (init == GetInit()) return;
    if (init)
        LoadDLL(ApiLibraryName(), CalibrationLibraryName());
    else
        FreeDLL();
}

// --- opening and closing ---------------------------------------------------------------------

bool TmyQ7::FinishOpen(bool clearDemo) {
    if (handle_ != 0) {
        if (clearDemo) demo_ = false;
        if (!DoGetRadioInfo()) {
            Close();
            return false;
        }
        ReadCalibration();
        Notify(kNotifyReceiverOpened, static_cast<std::uint32_t>(handle_));
    }
    return handle_ > 0;
}

bool TmyQ7::Open(const std::string& serial) {
    if (api_.Loaded()) {
        Close();
        if (auto* open = Api<decltype(::Q7Open)>("Q7Open")) {
            handle_ = open(serial.empty() ? nullptr : serial.c_str());
            if (handle_ != 0) {
                Timer(true);
                if (auto* us = Api<IsUsVersionFn>("IsUSVersion")) isUSversion_ = us(handle_) != 0;
            }
        }
    }
    return FinishOpen(!serial.empty());
}

bool TmyQ7::Open(int index) {
    if (api_.Loaded()) {
        Close();
        if (auto* open = Api<decltype(::OpenRadioDevice)>("OpenRadioDevice")) {
            handle_ = open(index);
            if (handle_ != 0) {
                Timer(true);
                auto* us = Api<IsUsVersionFn>("IsUsVersion");
                if (!us) us = Api<IsUsVersionFn>("IsUSVersion"); // the library spells it one way
                if (us) isUSversion_ = us(handle_) != 0;
            }
        }
    }
    return FinishOpen(true);
}

void TmyQ7::Close() {
    // What was asked of the receiver reaches it before the close (a power off at exit, say).
    FinishRequests();
    demo_ = true;
    ++openings_;
    givenUp_.clear();
    if (handle_ == 0) return;
    StopBlockScan();
    Timer(false);
    auto* close = Api<decltype(::CloseRadioDevice)>("CloseRadioDevice");
    if (!close) return;
    Notify(kNotifyReceiverClosing, 0);
    close(handle_);
    handle_ = 0;
    info_ = RADIO_INFO{};
    knownConnected_ = true;
    // A pipeline never spans a close: the receiver opened next has nothing pending.
    Requests().Make([pipeline = pipeline_]() -> ReceiverRequests::Answer {
        *pipeline = Pipeline{};
        return nullptr;
    });
}

int TmyQ7::ChooseToOpen() {
    if (!api_.Loaded()) return 0;
    auto* list = Api<decltype(::Q7GetRadioList2)>("Q7GetRadioList2");
    if (!list) return 0;
    std::vector<RADIO_INFO> infos(kRadioListEntries);
    std::uint32_t recordSize = 0;
    std::int64_t count = list(infos.data(), infos.size() * sizeof(RADIO_INFO), &recordSize);
    if (recordSize != sizeof(RADIO_INFO)) {
        ShowWarning("Incorrect Q7API version !", "Q7API Error");
        count = 1;
    }
    // The library counts every receiver present, also those that did not fit in the buffer.
    count = std::clamp<std::int64_t>(count, 0, kRadioListEntries);
    int chosen = -1;
    if (OnChooseReceiver) OnChooseReceiver(this, infos.data(), static_cast<int>(count), chosen);
    if (chosen >= 0 && chosen < count)
        return Open(std::string(infos[chosen].serial, strnlen(infos[chosen].serial, 8))) ? 1 : 0;
    if (chosen == -1) return Open(std::string()) ? 1 : 0;
    return 0;
}

bool TmyQ7::DoGetRadioInfo() {
    if (!api_.Loaded()) return false;
    auto* info = Api<decltype(::Q7GetInfo)>("Q7GetInfo");
    if (!info) return false;
    info_ = RADIO_INFO{};
    info_.size = sizeof(RADIO_INFO);
    if (info(handle_, &info_) == 0) return false;
    facilities_.Apply(Facilities(), info_.minFrequency, info_.maxFrequency);
    FillRadioDevCaps();
    // The receiver's own limits are device frequencies: a receiver opened again (after a sleep)
    // under a display offset gets them shifted as the offset shifted the ones it had.
    ShiftLimits(-displayOffset_);
    return true;
}

decltype(::IsDeviceConnected)* TmyQ7::ConnectionExport() {
    return handle_ == 0 ? nullptr : Api<decltype(::IsDeviceConnected)>("IsDeviceConnected");
}

void TmyQ7::NoteConnection(bool connected) {
    if (!ConnectionExport()) return;
    knownConnected_ = connected;
    if (connected)
        ArmDisconnect(true);
    else
        DoOnDisconnect();
}

bool TmyQ7::IsConnected() {
    auto* connected = Api<decltype(::IsDeviceConnected)>("IsDeviceConnected");
    if (!connected || handle_ == 0) return true;
    if (connected(handle_) != 0) {
        knownConnected_ = true;
        ArmDisconnect(true);
        return true;
    }
    knownConnected_ = false;
    DoOnDisconnect();
    return false;
}

void TmyQ7::AskConnected(std::function<void(bool)> answer) {
    auto* connected = ConnectionExport();
    if (!connected) { // nothing to ask: there, as IsConnected answers
        if (answer) answer(true);
        return;
    }
    const std::int32_t handle = handle_;
    const std::uint32_t generation = openings_;
    Requests().Make([=, this, answer = std::move(answer)]() -> ReceiverRequests::Answer {
        const bool present = connected(handle) != 0;
        return [=, this] {
            if (generation != openings_) {
                // Asked of the receiver as it was before a close: the asker hears all the same
                // (it would wait for good otherwise) that the receiver is not known to be there,
                // and asks the one open now.
                if (answer) answer(false);
                return;
            }
            NoteConnection(present);
            if (answer) answer(present);
        };
    });
}

// --- texts -----------------------------------------------------------------------------------

std::string TmyQ7::GetProductName() { return std::string(info_.model, strnlen(info_.model, sizeof info_.model)); }

std::string TmyQ7::GetSerialNum() {
    return std::string(info_.serial, strnlen(info_.serial, sizeof info_.serial));
}

std::string TmyQ7::GetInterfaceChar() {
    const std::string product = GetProductName();
    if (product.find("PCI") != std::string::npos) return "i";
    if (product.find("USB") != std::string::npos || product.find("SER") != std::string::npos)
        return "e";
    return {};
}

std::string TmyQ7::GetUserDefName() { return ModelName() + GetInterfaceChar(); }

// --- tuning ----------------------------------------------------------------------------------

void TmyQ7::SetFreq(std::int64_t f) {
    ++tunings_;
    if (f > facilities_.MaxFrequency) f = facilities_.MaxFrequency;
    if (f < facilities_.MinFrequency) f = facilities_.MinFrequency;
    std::int64_t d = f + TruncateToInt64(static_cast<double>(f) * calibFreq_ * 0.000001);
    if (!RadioDevCaps().InRanges(d)) {
        if (OnBlockedFrequency) OnBlockedFrequency(this, f);
        return;
    }
    d += displayOffset_;
    std::uint32_t packed = EncodeFreq32(d);
    if (FPluginNotify) {
        Notify(kvr::kNotifyDeviceFrequency, 0, sizeof packed, &packed);
        Notify(kvr::kNotifyTunedFrequency, EncodeFreq32(d));
    }
    if (api_.Loaded()) {
        auto* set = Api<decltype(::SetFrequency)>("SetFrequency");
        if (OnQ7FreqChanging) OnQ7FreqChanging(this, f);
        // Tuned among the requests, which then show the last level the library has (GetLastSS).
        auto* connected = ConnectionExport();
        auto* last = Api<decltype(::Q7GetLastRawSS)>("Q7GetLastRawSS");
        const std::int32_t handle = handle_;
        const std::uint32_t generation = openings_;
        Requests().Make([=, this]() -> ReceiverRequests::Answer {
            const bool present = !connected || connected(handle) != 0;
            if (set && present) set(handle, packed);
            if (!last) return nullptr;
            const std::int32_t raw = present ? last(handle) : kRawDisconnected;
            return [=, this] {
                if (generation != openings_) return;
                NoteConnection(present);
                SetSignalRaw(raw);
            };
        });
    }
    TmyReceiver::SetFreq(f);
}

void TmyQ7::ShiftLimits(std::int64_t diff) {
    facilities_.MinFrequency += diff;
    facilities_.MaxFrequency += diff;
    RADIODEVCAPS_RANGE* ranges = RadioDevCaps().Ranges();
    const std::int64_t diffKHz = diff / 1000;
    for (std::uint32_t i = 0; i < RadioDevCaps().RangeCount(); ++i) {
        // The table's ends are unsigned kHz; the shift wraps like the 32-bit fields it changes.
        ranges[i].lowKHz = static_cast<std::uint32_t>(std::int64_t{ranges[i].lowKHz} + diffKHz);
        ranges[i].highKHz = static_cast<std::uint32_t>(std::int64_t{ranges[i].highKHz} + diffKHz);
    }
}

void TmyQ7::SetDispOffset(std::int64_t offset) {
    const std::int64_t diff = displayOffset_ - offset;
    displayOffset_ = offset;
    ShiftLimits(diff);
    Notify(kNotifyCapabilitiesChanged, 0);
    SetFreq(StoredFrequency() + diff);
}

void TmyQ7::SetCalibFreq(double ppm) {
    calibFreq_ = ppm;
    SetFreq(StoredFrequency());
}

bool TmyQ7::SetFreqAsync(std::int64_t hz) {
    FinishRequests();
    auto* set = Api<decltype(::Q7SetFreqAsync)>("Q7SetFreqAsync");
    if (!set || !IsConnected()) return false;
    set(handle_, static_cast<std::uint32_t>(hz));
    asyncFrequency_ = hz;
    return true;
}

int TmyQ7::WaitForFreqAsync() {
    FinishRequests();
    auto* wait = Api<decltype(::Q7WaitFreqAsync)>("Q7WaitFreqAsync");
    if (!wait) return 0;
    if (IsConnected()) wait(handle_);
    SetFreq(asyncFrequency_);
    return 0;
}

// --- pipelined tuning ----------------------------------------------------------------------
// The pipeline is the worker's: the library is asked there, one request after another, and this
// thread learns of each reading when its answer comes.

std::int32_t TmyQ7::PipelineTune(Pipeline& p, TuneExport* set, std::int32_t handle, std::int64_t device,
                                 std::int64_t displayed, std::int32_t first, std::uint32_t param) {
    const std::int32_t result = set(handle, EncodeFreq32(device), first, param);
    // A frequency the receiver did not take is not measured: the next reading would be another
    // frequency's.
    const bool taken = result == 0;
    if (first != 0) {
        p.measuring = taken ? device : 0;
        p.measuringDisplayed = displayed;
    }
    p.dueNext = taken ? device : 0;
    p.dueNextDisplayed = displayed;
    p.previousParam = p.lastParam;
    p.lastParam = param;
    return result;
}

TmyQ7::PipelineReport TmyQ7::PipelineRead(Pipeline& p, TuneExport* set, ReadExport* get, std::int32_t handle) {
    PipelineReport report;
    if (p.measuring == 0) {
        // The pipeline broke (a reading failed, or the receiver was closed): the frequency due
        // next is tuned at once, so that the reading after this one is its own again.
        if (p.dueNext != 0 && set) {
            report.retuned = p.dueNext;
            report.retunedDisplayed = p.dueNextDisplayed;
            if (PipelineTune(p, set, handle, p.dueNext, p.dueNextDisplayed, 1, p.lastParam) == 0) p.dueNext = 0;
        }
        return report;
    }
    PipelinedReading& r = report.reading;
    report.read = true;
    report.measured = p.measuring;
    report.displayed = p.measuringDisplayed;
    r.result = get(handle, &r.level, &r.raw, &r.rssi, &r.agc);
    // Without a reading the receiver may not have tuned the frequency due next: what it reads
    // next would belong to the one before, so nothing counts as measured until it is tuned anew.
    p.measuring = r.result == 0 ? p.dueNext : 0;
    p.measuringDisplayed = p.dueNextDisplayed;
    p.dueNext = 0;
    p.dueNextDisplayed = 0;
    return report;
}

void TmyQ7::MakePipelinedTune(std::int64_t hz, std::int32_t first, std::uint32_t param,
                              std::shared_ptr<std::int32_t> result) {
    std::int64_t d = hz + displayOffset_;
    d += TruncateToInt64(static_cast<double>(d) * calibFreq_ * 0.000001);
    std::uint32_t packed = EncodeFreq32(d);
    Notify(kvr::kNotifyDeviceFrequency, 0, sizeof packed, &packed);
    auto* set = Api<TuneExport>("Q7SetFreqPipelined");
    if (!set) return;
    if (first != 0) StoreFrequency(hz);
    const std::int32_t handle = handle_;
    Requests().Make([=, pipeline = pipeline_]() -> ReceiverRequests::Answer {
        const std::int32_t answer = PipelineTune(*pipeline, set, handle, d, hz, first, param);
        if (result) *result = answer;
        return nullptr;
    });
}

void TmyQ7::TunePipelined(std::int64_t hz, std::int32_t first, std::uint32_t param) {
    MakePipelinedTune(hz, first, param, nullptr);
}

void TmyQ7::MakePipelinedRead(std::shared_ptr<PipelineReport> report, PipelinedAnswer answer) {
    auto* get = Api<ReadExport>("Q7GetSSPipelined");
    if (!get) {
        if (answer) answer(PipelinedReading{});
        return;
    }
    auto* set = Api<TuneExport>("Q7SetFreqPipelined");
    const std::int32_t handle = handle_;
    const std::uint32_t generation = openings_, tunings = tunings_;
    Requests().Make([=, this, pipeline = pipeline_, answer = std::move(answer)]() -> ReceiverRequests::Answer {
        *report = PipelineRead(*pipeline, set, get, handle);
        if (!answer) return [=, this] { ApplyPipelineReport(*report, generation, tunings); };
        return [=, this] {
            ApplyPipelineReport(*report, generation, tunings);
            answer(report->reading);
        };
    });
}

void TmyQ7::ReadPipelined(PipelinedAnswer answer) {
    MakePipelinedRead(std::make_shared<PipelineReport>(), std::move(answer));
}

void TmyQ7::ApplyPipelineReport(PipelineReport& report, std::uint32_t generation, std::uint32_t tunings) {
    if (generation != openings_) return;
    const bool untuned = tunings == tunings_; // the user's tuning since then stands
    if (report.retuned != 0) {
        std::uint32_t packed = EncodeFreq32(report.retuned);
        Notify(kvr::kNotifyDeviceFrequency, 0, sizeof packed, &packed);
        if (untuned) StoreFrequency(report.retunedDisplayed);
    }
    if (!report.read) return;
    Notify(kvr::kNotifyTunedFrequency, EncodeFreq32(report.measured));
    // The stored frequency is the displayed one, as the tuning stores it.
    if (untuned) StoreFrequency(report.displayed);
    if (demo_) report.reading.agc = rssiWord_ >> 16;
}

std::int32_t TmyQ7::SetFreqPipelined(std::int64_t hz, std::int32_t first, std::uint32_t param) {
    auto result = std::make_shared<std::int32_t>(-1);
    MakePipelinedTune(hz, first, param, result);
    FinishRequests();
    return *result;
}

std::int32_t TmyQ7::GetSSPipelined(std::int32_t* level, std::int32_t* raw, std::uint32_t* third,
                                   std::uint32_t* fourth) {
    if (!Api<ReadExport>("Q7GetSSPipelined")) return -1;
    auto report = std::make_shared<PipelineReport>();
    MakePipelinedRead(report, nullptr);
    FinishRequests();
    // Told here at once; the answer that comes later finds the report told.
    PipelineReport told = *report;
    *report = PipelineReport{};
    ApplyPipelineReport(told, openings_, tunings_);
    const PipelinedReading& r = told.reading;
    if (told.read) {
        if (level) *level = r.level;
        if (raw) *raw = r.raw;
        if (third) *third = r.rssi;
        if (fourth) *fourth = r.agc;
    }
    return r.result;
}

void TmyQ7::SettleRequests(std::int64_t ms, std::function<void()> answer) {
    Requests().Make([ms, answer = std::move(answer)]() -> ReceiverRequests::Answer {
        plat::sys::ActiveClock().SleepMs(ms);
        return answer;
    });
}

// --- settings --------------------------------------------------------------------------------

namespace {
using GetFn = std::int32_t(std::int32_t);
using SetFn = std::int32_t(std::int32_t, std::int32_t);
} // namespace

std::int32_t TmyQ7::ApiGet(const char* name, std::int32_t stored) {
    auto* get = Api<GetFn>(name);
    return get ? get(handle_) : stored;
}

bool TmyQ7::ApiSet(const char* name, std::int32_t value, bool onlyConnected) {
    auto* set = Api<SetFn>(name);
    if (!set || (onlyConnected && !IsConnected())) return false;
    return set(handle_, value) != 0;
}

// --- requests --------------------------------------------------------------------------------

ReceiverRequests& TmyQ7::Requests() {
    if (!requests_) requests_ = std::make_unique<ReceiverRequests>(Window(), kRequestAnswerMessage);
    return *requests_;
}

std::optional<std::int32_t> TmyQ7::PendingValue(Topic topic) const {
    return requests_ ? requests_->Pending(topic) : std::nullopt;
}

std::int32_t TmyQ7::SettingNow(Topic topic, const char* name, std::int32_t stored) {
    // The library's cache is read only when no request for the setting is queued or under way:
    // the worker writes it while it carries one out.
    if (const auto asked = PendingValue(topic)) return *asked;
    return ApiGet(name, stored);
}

void TmyQ7::FinishRequests() {
    if (requests_) requests_->Finish();
}

bool TmyQ7::RequestSetting(Topic topic, const char* name, std::int32_t value, bool onlyConnected,
                           std::function<void(bool)> answer) {
    auto* set = Api<SetFn>(name);
    if (!set) return false;
    auto* probe = ConnectionExport();
    auto* connected = onlyConnected ? probe : nullptr;
    const std::int32_t handle = handle_;
    const std::uint32_t generation = openings_;
    Requests().Make(
        [=, this, answer = std::move(answer)]() -> ReceiverRequests::Answer {
            const bool present = !connected || connected(handle) != 0;
            const auto asked = std::chrono::steady_clock::now();
            const bool taken = present && set(handle, value) != 0;
            // A receiver that did not answer in time may still carry the setting out when it
            // wakes; one that answered and refused keeps what it had. A set that took the whole
            // time-out was not answered, whatever comes after: the library gives it up and
            // cancels it, and the host may answer the cancel, and then the question below, while
            // the receiver still sleeps. After a request that timed out, the next one fails at
            // once until the late answer has come: asking whether the receiver is there tells
            // the two apart without another wait.
            const bool timedOut = std::chrono::steady_clock::now() - asked >= plat::sys::RequestTimeout();
            const bool answered = taken || (present && !timedOut && (!probe || probe(handle) != 0));
            return [=, this] {
                if (generation != openings_) return;
                if (connected || !answered) NoteConnection(answered);
                if (taken) {
                    givenUp_.erase(topic);
                    if (answer) answer(true);
                } else if (answered) {
                    givenUp_.erase(topic);
                    if (answer) answer(false);
                } else {
                    // Not known: the controls keep what the user asked, the component forgets
                    // what it stored, so that the same value set again goes out whole and the
                    // reader asks the library once nothing is pending. The library cancels what
                    // the receiver has not yet carried out, so the value goes out again once the
                    // receiver answers (ResendGivenUp).
                    ForgetSetting(topic);
                    givenUp_[topic] = value;
                }
            };
        },
        topic, value);
    return true;
}

void TmyQ7::ResendGivenUp() {
    if (givenUp_.empty()) return;
    // Each goes out once more; one given up on again waits for the next measurement answered.
    const auto givenUp = std::exchange(givenUp_, {});
    for (const auto& [topic, value] : givenUp) {
        switch (topic) {
        case kTopicAtten: SetAtten(value); break;
        case kTopicAgc: SetAGC(value); break;
        case kTopicIfGain: SetIFGain(value); break;
        case kTopicPower: SetPower(value); break;
        case kTopicPreAmp: SetPreAmp(value); break;
        default: break;
        }
    }
}

void TmyQ7::ForgetSetting(Topic topic) {
    switch (topic) {
    case kTopicAtten: ForgetStored(StoredSetting::Atten); break;
    case kTopicAgc: ForgetStored(StoredSetting::Agc); break;
    case kTopicIfGain: ForgetStored(StoredSetting::IfGain); break;
    case kTopicPower: ForgetStored(StoredSetting::Power); break;
    case kTopicPreAmp: ForgetStored(StoredSetting::PreAmp); break;
    default: break;
    }
}

// Each setting goes to the receiver among the requests; the component takes the value at once.
// A receiver that did not take it answers the library's value, and the change event tells the
// controls so.

std::int32_t TmyQ7::GetAtten() { return SettingNow(kTopicAtten, "GetAtten", StoredAtten()); }

void TmyQ7::SetAtten(std::int32_t v) {
    RequestSetting(kTopicAtten, "SetAtten", v, true, [this](bool taken) {
        if (!taken) DoOnAttenChanged();
    });
    TmyReceiver::SetAtten(v);
}

std::int32_t TmyQ7::GetAGC() { return SettingNow(kTopicAgc, "GetAGC", StoredAGC()); }

void TmyQ7::SetAGC(std::int32_t v) {
    RequestSetting(kTopicAgc, "SetAGC", v, true, [this](bool taken) {
        if (!taken) DoOnAGCChanged();
    });
    TmyReceiver::SetAGC(v);
}

std::int32_t TmyQ7::GetIFGain() { return SettingNow(kTopicIfGain, "GetIFGain", StoredIFGain()); }

void TmyQ7::SetIFGain(std::int32_t v) {
    // The receiver may hold less than was asked (it clamps the gain): the controls show what it holds.
    RequestSetting(kTopicIfGain, "SetIFGain", v, true, [this, v](bool taken) {
        if (!taken || GetIFGain() != v) DoOnIFGainChanged();
    });
    TmyReceiver::SetIFGain(v);
}

std::int32_t TmyQ7::GetPower() { return SettingNow(kTopicPower, "GetPower", StoredPower()); }

void TmyQ7::SetPower(std::int32_t v) {
    RequestSetting(kTopicPower, "SetPower", v, true, [this](bool taken) {
        if (!taken) DoOnPowerChanged();
    });
    TmyReceiver::SetPower(v);
}

void TmyQ7::SetPreAmp(std::int32_t v) {
    // The preamplifier changes only when the receiver agrees (the plug-ins hear of it then);
    // until it answers, the reader answers what was asked, and the controls show that.
    const bool asked = RequestSetting(kTopicPreAmp, "SetRFAmp", v, false, [this, v](bool taken) {
        if (taken)
            TmyReceiver::SetPreAmp(v);
        else
            DoOnPreAmpChanged();
    });
    if (asked) DoOnPreAmpChanged();
}

std::int32_t TmyQ7::GetPreAmp() { return SettingNow(kTopicPreAmp, "GetRFAmp", StoredPreAmp()); }

void TmyQ7::SetPllSpd(bool fast) { RequestSetting(kTopicPll, "SetPllSpeed", fast ? 1 : 0, false, nullptr); }

bool TmyQ7::GetPllSpd() { return SettingNow(kTopicPll, "GetPllSpeed", 0) != 0; }

// --- signal ----------------------------------------------------------------------------------

double TmyQ7::GetSS() {
    FinishRequests(); // measured with the settings asked for before
    auto* rawSs = Api<decltype(::GetRawSignalStrength)>("GetRawSignalStrength");
    if (!rawSs) return TmyReceiver::GetSS();
    std::int32_t raw = kRawDisconnected;
    if (IsConnected()) raw = rawSs(handle_);
    if (!demo_) {
        if (auto* rssi = Api<decltype(::Q7GetInternalRSSI)>("Q7GetInternalRSSI")) rssiWord_ = rssi(handle_);
    }
    recGain_ = CalcRecGain(static_cast<std::int32_t>(rssiWord_ >> 16));
    // At the top of the raw scale the library's level in tenths of dBm (measured just now, read
    // without touching the device) tells how far beyond it the signal is.
    auto* last = Api<decltype(::Q7GetLastSSdBm)>("Q7GetLastSSdBm");
    aboveRawScaleDb_ = AboveRawScaleDb(raw, raw == kRawTop && last ? last(handle_) : 0);
    SetSignalRaw(raw);
    aboveRawScaleDb_ = 0.0;
    return TmyReceiver::GetSS();
}

void TmyQ7::MeasureInBackground() {
    auto* rawSs = Api<decltype(::GetRawSignalStrength)>("GetRawSignalStrength");
    if (!rawSs || PendingValue(kTopicLevel)) return;
    // The worker gets what it needs by value: the exports are looked up here, on this thread.
    // Whether the receiver is still there is asked on the worker too: even that question is a
    // round trip to the driver host, which a loaded machine can stretch past a user's patience.
    auto* connected = handle_ == 0 ? nullptr : Api<decltype(::IsDeviceConnected)>("IsDeviceConnected");
    auto* rssi = demo_ ? nullptr : Api<decltype(::Q7GetInternalRSSI)>("Q7GetInternalRSSI");
    auto* last = Api<decltype(::Q7GetLastSSdBm)>("Q7GetLastSSdBm");
    const std::int32_t handle = handle_;
    const std::uint32_t generation = openings_, storedRssi = rssiWord_, tunings = tunings_;
    Requests().Make(
        [=, this]() -> ReceiverRequests::Answer {
            LevelReading reading{generation, kRawDisconnected, storedRssi};
            reading.tunings = tunings;
            reading.connected = !connected || connected(handle) != 0;
            if (reading.connected) {
                reading.raw = rawSs(handle);
                if (rssi) reading.rssi = rssi(handle);
                if (reading.raw == kRawTop && last) reading.tenths = last(handle);
                // A receiver that stopped answering during the measurement reads as gone.
                if (connected) reading.connected = connected(handle) != 0;
            }
            return [this, reading] { ApplyLevelReading(reading); };
        },
        kTopicLevel);
}

void TmyQ7::ApplyLevelReading(const LevelReading& reading) {
    if (reading.generation != openings_ || handle_ == 0) return;
    // The worker's word on the receiver is announced here, as IsConnected would announce it;
    // asking again on this thread could wait for a receiver that does not answer.
    NoteConnection(reading.connected);
    if (reading.tunings != tunings_) {
        // Measured before the receiver was tuned since: not the level of the frequency shown
        // (a scan holding on a signal would take it for the signal gone). It is measured anew.
        MeasureInBackground();
        return;
    }
    ++measuredLevels_;
    if (reading.connected) {
        rssiWord_ = reading.rssi;
        recGain_ = CalcRecGain(static_cast<std::int32_t>(rssiWord_ >> 16));
        // The receiver answered a measurement: it is awake, and takes what it missed meanwhile.
        if (reading.raw >= 0) ResendGivenUp();
    }
    // A receiver that stopped answering meanwhile reads as gone, as GetSS reads it.
    aboveRawScaleDb_ = AboveRawScaleDb(reading.raw, reading.tenths);
    SetSignalRaw(reading.connected ? reading.raw : kRawDisconnected);
    aboveRawScaleDb_ = 0.0;
}

double TmyQ7::CalibrateMeasured(std::int32_t raw, std::int32_t tenths, std::int64_t hz) {
    aboveRawScaleDb_ = AboveRawScaleDb(raw, tenths);
    const double dbm = Calibrate(raw, hz);
    aboveRawScaleDb_ = 0.0;
    return dbm;
}

void TmyQ7::SetSignalMeasured(std::int32_t raw, std::int32_t tenths) {
    aboveRawScaleDb_ = AboveRawScaleDb(raw, tenths);
    SetSignalRaw(raw);
    aboveRawScaleDb_ = 0.0;
}

double TmyQ7::GetLastSS() {
    auto* last = Api<decltype(::Q7GetLastRawSS)>("Q7GetLastRawSS");
    if (!last) return TmyReceiver::GetSS();
    SetSignalRaw(IsConnected() ? last(handle_) : kRawDisconnected);
    return TmyReceiver::GetSS();
}

// --- block scan ------------------------------------------------------------------------------

bool TmyQ7::BlockScan(std::int32_t* frequencies, int count, std::int32_t stopLevel,
                      std::uint32_t reportIntervalMs) {
    FinishRequests();
    auto* scan = Api<decltype(::Q7BlockScan)>("Q7BlockScan");
    if (!scan || count < 0 || !IsConnected()) return false;
    if (scan(handle_, reinterpret_cast<std::uint32_t*>(frequencies), static_cast<std::uint32_t>(count),
             stopLevel, reportIntervalMs, Window(), kBlockScanMessage) == 0)
        return false;
    SetScanMode(1);
    return true;
}

void TmyQ7::StopBlockScan() {
    if (!api_.Loaded()) return;
    if (auto* stop = Api<decltype(::Q7StopBlockScan)>("Q7StopBlockScan"); stop && IsConnected())
        stop(handle_);
    SetScanMode(0);
}

void TmyQ7::PauseBlockScan() {
    if (!api_.Loaded()) return;
    if (auto* pause = Api<decltype(::Q7PauseBlockScan)>("Q7PauseBlockScan"); pause && IsConnected())
        pause(handle_);
    SetScanMode(2);
}

void TmyQ7::ResumeBlockScan() {
    if (!api_.Loaded()) return;
    if (auto* resume = Api<decltype(::Q7ResumeBlockScan)>("Q7ResumeBlockScan"); resume && IsConnected())
        resume(handle_);
    SetScanMode(1);
}

void TmyQ7::DoOnBlockScan(double ss, bool CanUpdate) {
    if (OnBlockScan) OnBlockScan(this, ss, CanUpdate);
}
void TmyQ7::DoOnStopBlockScan() { Fire(OnStopBlockScan); }
void TmyQ7::DoOnPauseBlockScan() { Fire(OnPauseBlockScan); }
void TmyQ7::DoOnResumeBlockScan() { Fire(OnResumeBlockScan); }

plat::win::LResult TmyQ7::WndProc(std::uint32_t msg, plat::win::WParam wParam,
                                  plat::win::LParam lParam) {
    if (msg == kRequestAnswerMessage) {
        if (requests_) requests_->RunAnswers();
        return 0;
    }
    if (msg != kBlockScanMessage) return TmyReceiver::WndProc(msg, wParam, lParam);
    if (wParam == 0) {
        DoOnStopBlockScan();
    } else if (GetScanMode() == 1 && lParam > 0) {
        const auto* levels = reinterpret_cast<const std::int32_t*>(wParam);
        for (plat::win::LParam i = 0; i < lParam; ++i)
            DoOnBlockScan(Calibrate(levels[i], 0), i == lParam - 1);
    }
    return 0;
}

} // namespace lxq
