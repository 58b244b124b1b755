// The front panel's scanner: it steps the receiver through the channels of the chosen scan mode
// with pipelined tuning (the next channel is tuned while the current one is measured), decides
// from the level squelch or waits for the demodulator's verdict, and holds on a signal until the
// hold rule lets it go on. It runs on the GUI thread, one step per idle call; the receiver is
// asked among the receiver component's requests, and a step that needs a reading goes on when
// its answer comes, so that a receiver that does not answer never holds the panel.

#include <algorithm>
#include <filesystem>

#include "app/controls/FloatText.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/FrontPanelLook.h"
#include "app/forms/MemoryOrdering.h"
#include "app/forms/RangeList.h"
#include "app/forms/TDebugForm.h"
#include "app/forms/TAutostepForm.h"
#include "app/forms/TExclusionsForm.h"
#include "app/forms/TGroupForm.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TRangesForm.h"
#include "app/forms/TScanSetForm.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TMenuItem.h"
#include "platform/sys/Clock.h"
#include "platform/sys/KnownFolders.h"
#include "platform/win/MessageApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

enum : std::uint8_t { kIdle = 0, kPaused = 1, kHolding = 2, kScanning = 3 };

constexpr std::uint32_t kNotifyFrequency = 0x800;
constexpr std::uint32_t kWakeMessage = 0x47B; // WM_USER + 123: runs the idle steps again
constexpr std::int32_t kFastAgc = 3;
constexpr std::int64_t kFlashMs = 200;
constexpr std::int64_t kFirstSettleMs = 300;
constexpr double kRetuneFloorDbm = -90.0;

std::uint32_t Low32(std::int64_t v) { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)); }
std::int64_t NowMs() { return plat::sys::ActiveClock().NowMs(); }
std::string Level(double dbm) { return FormatFloat(dbm, 1, 1); }
std::string Str(std::int64_t v) { return std::to_string(v); }

} // namespace

void TQ7form::BuildScanner() {
    auto button = [this](int x, int y, int w, const char* hint) {
        auto* b = FrontPanelButton(this, stPanel1, x, y, w, nullptr, TSTButtonKind::stbkNone);
        b->SetHint(hint);
        return b;
    };
    stSpeedButton19 = button(356, 128, 40, "Scan to the left");
    stSpeedButton19->SetKind(TSTButtonKind::stbkRewind);
    stSpeedButton7 = button(400, 128, 40, "Stop scanning");
    stSpeedButton7->SetKind(TSTButtonKind::stbkStop);
    stSpeedButton23 = button(444, 128, 40, "Pause scanning");
    stSpeedButton23->SetKind(TSTButtonKind::stbkPause);
    stSpeedButton20 = button(488, 128, 40, "Scan to the right");
    stSpeedButton20->SetKind(TSTButtonKind::stbkFastForward);
    for (TstSpeedButton* b : {stSpeedButton19, stSpeedButton20}) {
        b->SetGroupIndex(1);
        b->SetAllowAllUp(true);
    }
    stSpeedButton23->SetGroupIndex(2);
    stSpeedButton23->SetAllowAllUp(true);
    stSpeedButton10 = button(356, 158, 56, "");
    stSpeedButton10->SetCaption("Search");
    stSpeedButton3 = button(414, 158, 56, "");
    stSpeedButton3->SetCaption("Memory");
    stSpeedButton21 = button(472, 158, 56, "");
    stSpeedButton21->SetCaption("Range");
    for (TstSpeedButton* b : {stSpeedButton10, stSpeedButton3, stSpeedButton21}) {
        b->SetGroupIndex(10);
        b->OnClick = [this](TObject* s) { stSpeedButton3Click(s); };
    }
    stSpeedButton10->SetDown(true);
    stSpeedButton19->OnClick = [this](TObject* s) { stSpeedButton19Click(s); };
    stSpeedButton20->OnClick = [this](TObject* s) { stSpeedButton20Click(s); };
    stSpeedButton7->OnClick = [this](TObject* s) { stSpeedButton7Click(s); };
    stSpeedButton23->OnClick = [this](TObject* s) { stSpeedButton23Click(s); };

    Scanning1 = new TMenuItem(this);
    Scanning1->SetCaption("&Scanning");
    Scanning1->OnClick = [this](TObject* s) { Scanning1Click(s); };

    RangesForm = new TRangesForm(this, Q7->Q7Facilities());
    ExclusionsForm = new TExclusionsForm(this);
    AutostepForm = new TAutostepForm(this, *Q7);
    ScanSetForm = new TScanSetForm(this, RangesForm, ExclusionsForm);
    ScanSetForm->EditGroups = [this](std::int32_t& mask, bool& enabled) { return EditScanGroups(mask, enabled); };
    ScanStep = [this](TObject* s) { ScanTimerTimer(s); };
    ReadScanConstants = [this] { return DebugForm->Constants(); };
    ShowScanTime = [this](const std::string& text) { DebugLog(text); };
}

void TQ7form::ScanLog(const std::function<std::string()>& text) {
    // Steps run hundreds of times a second: the texts are made only when they are written.
    if (DebugLevel() != 0) DebugLog(text());
}

ScanKind TQ7form::ChosenScanKind() const {
    if (stSpeedButton3->Down()) return ScanKind::Memory;
    if (stSpeedButton21->Down()) return ScanKind::Range;
    return ScanKind::Search;
}

// --- buttons -----------------------------------------------------------------------------------

void TQ7form::stSpeedButton20Click(TObject*) { StartScanning(1); }

void TQ7form::stSpeedButton19Click(TObject*) { StartScanning(-1); }

void TQ7form::StartScanning(int direction) {
    if (Sweeping()) stSpeedButton31Click(stSpeedButton31);
    TstSpeedButton* self = direction < 0 ? stSpeedButton19 : stSpeedButton20;
    TstSpeedButton* other = direction < 0 ? stSpeedButton20 : stSpeedButton19;
    other->SetDown(false);
    other->SetKind(direction < 0 ? TSTButtonKind::stbkFastForward : TSTButtonKind::stbkRewind);
    self->SetDown(true);
    for (TstSpeedButton* b : {stSpeedButton19, stSpeedButton20}) {
        b->SetCaption("");
        b->SetShowKind(true);
    }
    stSpeedButton23->SetDown(false);
    scanDirection_ = direction;
    StartScan();
}

void TQ7form::SetDirectionGlyphsIdle() {
    stSpeedButton20->SetKind(TSTButtonKind::stbkFastForward);
    stSpeedButton19->SetKind(TSTButtonKind::stbkRewind);
    for (TstSpeedButton* b : {stSpeedButton19, stSpeedButton20}) {
        b->SetCaption("");
        b->SetShowKind(true);
    }
}

void TQ7form::stSpeedButton7Click(TObject*) {
    if (ScannerState == kIdle) return;
    // A scan stopped between channels leaves the receiver as the user had it; one held on a
    // signal keeps that channel's mode, bandwidth and squelch, which the user is listening to.
    const bool betweenChannels = ScannerState == kScanning;
    NewScanGeneration();
    Q7->SetScanMode(0);
    stSpeedButton19->SetDown(false);
    stSpeedButton20->SetDown(false);
    SetDirectionGlyphsIdle();
    scanNext_.mode = -1;
    scanNext_.ResetPosition(-1);
    scanNext_.rangeIndex = -1;
    stSpeedButton23->SetDown(false);
    holdDeadline_ = -1;
    scanDirection_ = 0;
    ScannerState = kIdle;
    WaitingForSquelchedInfo = false;
    SquelchedInfoArrived = false;
    RestoreUserSettings(betweenChannels);
    Q7->SetFreq(scanActive_.frequency);
    const std::int64_t duration = std::max<std::int64_t>(1, NowMs() - scanStartMs_);
    ShowScanTime("Last scan time=" + FormatFloat(static_cast<double>(duration) / 1000.0, 3, 3) +
                 "sec, avg=" + Str(scanChannels_ * 1000 / duration) + "ch/sec");
}

void TQ7form::stSpeedButton23Click(TObject*) {
    if (!stSpeedButton23->Down()) {
        ResumeScan();
        return;
    }
    if (holdDeadline_ == -1) { // nothing runs
        stSpeedButton23->SetDown(false);
        return;
    }
    holdDeadline_ = -1;
    ScannerState = kPaused;
    NewScanGeneration();
    Q7->SetFreq(scanActive_.frequency);
    Q7->SetScanMode(0);
    Q7->SetAGC(savedAGC_);
    Q7->SetMode(savedMode_);
    Q7->SetAFC(savedAfc_);
    scanNext_ = scanActive_;
    Q7->SetFreq(scanNext_.frequency);
    SetDirectionGlyphsIdle();
}

void TQ7form::stSpeedButton3Click(TObject*) { stSpeedButton7Click(stSpeedButton7); }

void TQ7form::ResumeScan() {
    if (scanDirection_ < 0) stSpeedButton19Click(stSpeedButton19);
    else if (scanDirection_ > 0) stSpeedButton20Click(stSpeedButton20);
}

void TQ7form::RestoreUserSettings(bool channelToo) {
    if (channelToo) {
        Q7->SetMode(savedMode_);
        if (Q7->GetBandwidth() != savedBandwidth_) Q7->SetBandwidth(savedBandwidth_);
        Q7->SetSquelchSettings(savedSquelch_, savedSquelchBits_);
    }
    if (savedAGC_ != -1) {
        Q7->SetAGC(savedAGC_);
        savedAGC_ = -1;
        Q7->SetAFC(savedAfc_);
    }
}

bool TQ7form::StopScanForClose() {
    if (ScannerState == kIdle) return false;
    stSpeedButton7Click(stSpeedButton7);
    return true;
}

// --- start -------------------------------------------------------------------------------------

void TQ7form::LoadScanTimings() { PickScanTimings(Q7->GetProductName(), ReadScanConstants(), scanTimings_); }

void TQ7form::NewScanGeneration() {
    ++scanGeneration_;
    scanReadsDue_ = 0;
}

void TQ7form::StartScan() {
    NewScanGeneration();
    LoadScanTimings();
    DebugLog("Starting SCANNING");
    holdDeadline_ = 0;
    // The user's AGC and mode, which Stop and Pause bring back: a scan that goes on after a hold
    // finds the receiver on the scan's own fast AGC and the held channel's mode. Stopped or
    // paused, the receiver has the user's.
    const bool fromUser = ScannerState == kIdle || ScannerState == kPaused;
    if (fromUser) savedAGC_ = Q7->GetAGC();
    Q7->SetAGC(kFastAgc);
    const std::int64_t f = Q7->GetFreq();
    scanNext_.frequency = scanActive_.frequency = f;
    if (ChosenScanKind() == ScanKind::Search || ScannerState == kIdle) {
        scanNext_.ResetPosition(f);
        scanNext_.bandwidth = Q7->GetBandwidth();
        scanNext_.mode = Q7->GetMode();
        scanNext_.squelch = Q7->SquelchSettings();
        scanNext_.squelchBits = Q7->SquelchTypes();
    }
    if (fromUser) {
        savedAfc_ = Q7->GetAFC();
        savedBandwidth_ = Q7->GetBandwidth();
        savedSquelch_ = Q7->SquelchSettings();
        savedSquelchBits_ = Q7->SquelchTypes();
    }
    ScannerState = kScanning;
    Q7->SetAFC(false);
    if (fromUser) savedMode_ = Q7->GetMode();
    SquelchedInfoArrived = false;
    Q7->SetScanMode(1);
    rangeChanges_ = 0;
    if (NextScanChannel(scanNext_) == 0) {
        stSpeedButton7Click(stSpeedButton7);
        return;
    }
    scanReadFailed_ = false;
    ScanLog([&] { return "Pipelining the first frequency " + Str(scanNext_.frequency); });
    Q7->TunePipelined(scanNext_.frequency, 1, static_cast<std::uint32_t>(scanTimings_.scanSlow));
    KVR->Broadcast(kNotifyFrequency, Low32(scanNext_.frequency), nullptr, 0);
    scanActive_ = scanNext_;
    ApplyScanChannel(scanActive_);
    if (NextScanChannel(scanNext_) == 0) {
        stSpeedButton7Click(stSpeedButton7);
        return;
    }
    ScanLog([&] { return "Pipelining the second frequency " + Str(scanNext_.frequency); });
    Q7->TunePipelined(scanNext_.frequency, 0, static_cast<std::uint32_t>(scanTimings_.scanFast));
    // The first frequency settles before the first reading, in the receiver's requests.
    scanStartMs_ = NowMs();
    const std::uint32_t generation = scanGeneration_;
    Q7->SettleRequests(kFirstSettleMs, [this, generation] {
        if (generation == scanGeneration_) scanStartMs_ = NowMs();
    });
    scanChannels_ = 0;
    ScanLog([&] {
        return "SCANNING started, pipelined " + Str(scanActive_.frequency) + " -> " + Str(scanNext_.frequency);
    });
    WaitingForSquelchedInfo = false;
    if (HandleAllocated()) plat::win::PostMessage(Handle(), kWakeMessage, 0, 0); // the first step
}

// --- channels ----------------------------------------------------------------------------------

std::int64_t TQ7form::NextScanChannel(ScanChannel& channel) {
    ScanSources s;
    s.kind = ChosenScanKind();
    s.direction = scanDirection_;
    s.step = myFrequencyEdit2->Value();
    s.minFrequency = Q7->Q7Facilities().MinFrequency;
    s.maxFrequency = Q7->Q7Facilities().MaxFrequency;
    s.memories = memoriesByFrequency_.get();
    s.enableGroups = settings_.enableGroups;
    s.memGroups = static_cast<std::uint32_t>(settings_.memGroups);
    if (s.kind == ScanKind::Memory) s.receiverMode = Q7->GetMode();
    s.sqToKvr = [this](std::int32_t dbm) { return Q7->SQtoKVR(dbm); };
    s.ranges = &RangesForm->Ranges();
    s.exclusions = &exclusions_;
    s.exclusionsEnabled = settings_.exclusionsEnabled;
    return NextChannel(channel, s, rangeChanges_);
}

void TQ7form::ApplyScanChannel(const ScanChannel& channel) {
    ScanLog([&] { return "Setting scan params for " + Str(channel.frequency); });
    if (!myLabel16->Caption().empty()) myLabel16->SetCaption("");
    std::int32_t number = 0;
    if (ChosenScanKind() == ScanKind::Memory) number = channel.memoryNumber;
    else
        for (const auto& m : memories_)
            if (m->frequency == channel.frequency) number = m->number; // the last match
    reactToEdits_ = false;
    if (myIntEdit1 && myIntEdit1->Value() != number) myIntEdit1->SetValue(number);
    myFrequencyEdit1->SetValue(channel.frequency);
    Q7->SetMode(channel.mode);
    if ((channel.squelchBits & ~kSquelchLevel) != 0) Q7->SetBandwidth(channel.bandwidth);
    if (channel.squelchBits != 0) Q7->SetSquelchSettings(channel.squelch, channel.squelchBits);
    reactToEdits_ = true;
}

// --- steps -------------------------------------------------------------------------------------

void TQ7form::ScanRead(std::function<void(const PipelinedReading&)> then) {
    const std::uint32_t generation = scanGeneration_;
    if (then) ++scanReadsDue_;
    Q7->ReadPipelined([this, generation, then = std::move(then)](const PipelinedReading& r) {
        if (generation != scanGeneration_) return; // of a scan that has ended
        if (r.result != 0) scanReadFailed_ = true;
        if (!then) return;
        --scanReadsDue_;
        then(r);
    });
}

void TQ7form::RestartScanPipeline() {
    ScanLog([&] { return "No reading of " + Str(scanActive_.frequency) + ", pipelining it again"; });
    scanReadFailed_ = false;
    WaitingForSquelchedInfo = SquelchedInfoArrived = false;
    Q7->TunePipelined(scanActive_.frequency, 1, static_cast<std::uint32_t>(scanTimings_.scanSlow));
    Q7->TunePipelined(scanNext_.frequency, 0, static_cast<std::uint32_t>(scanTimings_.scanFast));
    if (HandleAllocated()) plat::win::PostMessage(Handle(), kWakeMessage, 0, 0);
}

void TQ7form::ScanTimerTimer(TObject*) {
    if (ScannerState != kScanning) {
        ScanHoldStep();
        return;
    }
    if (scanReadsDue_ != 0) return; // the step under way goes on when its reading comes
    if (Q7->Handle() == 0) { // the receiver was closed under the scan: nothing is left to measure
        stSpeedButton7Click(stSpeedButton7);
        return;
    }
    if (!WaitingForSquelchedInfo) {
        scanReadFailed_ = false;
        ScanRead([this](const PipelinedReading& r) { ScanMeasured(r); });
        return;
    }
    // The demodulator has judged the channel: the reading only moves the pipeline on.
    ScanRead(nullptr);
    KVR->Broadcast(kNotifyFrequency, Low32(scanNext_.frequency), nullptr, 0);
    ScanLog([&] { return " - dummy read, tuned freq is " + Str(scanActive_.frequency); });
    ScanDecide();
}

void TQ7form::ScanMeasured(const PipelinedReading& r) {
    if (r.result != 0) {
        RestartScanPipeline();
        return;
    }
    KVR->Broadcast(kNotifyFrequency, Low32(scanActive_.frequency), nullptr, 0);
    Q7->SetSignalRaw(r.raw);
    ScanLog([&] {
        return "Signal measuring at " + Str(scanActive_.frequency) + ", RAW=" + Str(r.raw) + ", RSSI=" +
               Str(r.rssi) + ", AGC=" + Str(r.agc) + ", SS=" + Level(Q7->SignalLevel());
    });
    CheckRetune(r.raw, r.rssi, r.agc, [this] { ScanRetuned(); });
}

void TQ7form::ScanRetuned() {
    if (scanReadFailed_) { // the retune's readings are not the active channel's
        RestartScanPipeline();
        return;
    }
    WaitingForSquelchedInfo = true;
    const double level = Q7->SignalLevel();
    const std::int32_t squelch = Q7->GetSquelch();
    if (level >= squelch && Q7->SquelchTypes() > kSquelchLevel) {
        ScanLog([&] {
            return "Signal [" + Str(scanActive_.frequency) + ": " + Level(level) + "dBm/" + Str(squelch) +
                   "dBm] live after SS reading, waiting for SQUELCHEDINFO";
        });
        RetuneForDemodulator([this] {
            if (scanReadFailed_) RestartScanPipeline();
        });
        SquelchedInfoArrived = false;
        return;
    }
    ScanDecide();
}

void TQ7form::ScanDecide() {
    const bool squelched = Q7->GetSquelched();
    ScanLog([&] {
        return "Scanner squelching at " + Str(scanActive_.frequency) + ": squelchLevel=" + Str(Q7->GetSquelch()) +
               ", squelched=" + (squelched ? "1" : "0") + ", squelch flags=" + Str(Q7->SquelchTypes()) +
               ", squelched flags=" + Str(Q7->OpenConditions());
    });
    WaitingForSquelchedInfo = SquelchedInfoArrived = false;
    if (squelched) AdvanceScan();
    else ScanFoundSignal();
    // The next channel is due at once: the wake-up message brings the idle loop back after the
    // messages already queued, without waiting for the receiver's next poll.
    if (ScannerState == kScanning && HandleAllocated()) plat::win::PostMessage(Handle(), kWakeMessage, 0, 0);
}

void TQ7form::AdvanceScan() {
    scanActive_ = scanNext_;
    if (NextScanChannel(scanNext_) == 0) {
        stSpeedButton7Click(stSpeedButton7);
        return;
    }
    ApplyScanChannel(scanActive_);
    Q7->TunePipelined(scanNext_.frequency, 0, static_cast<std::uint32_t>(scanTimings_.scanFast));
    ScanLog([&] {
        return "pipelined " + Str(scanNext_.frequency) + " - active freq is still " + Str(scanActive_.frequency);
    });
    ++scanChannels_;
}

void TQ7form::CheckRetune(std::int32_t, std::uint32_t rssi, std::uint32_t, std::function<void()> then) {
    if (Q7->GetSquelchDefeat()) {
        then();
        return;
    }
    const ScanConstants page = ReadScanConstants();
    if (static_cast<std::int64_t>(rssi) >= page.maxRssi) {
        ScanLog([&] { return "Retuning due to high RSSI (" + Str(rssi) + ">" + Str(page.maxRssi) + ")"; });
        RetuneScan(std::move(then));
        return;
    }
    const double level = Q7->SignalLevel();
    const std::int32_t squelch = Q7->GetSquelch();
    if (squelch - page.rescanThreshold <= level && level < squelch && squelch >= kRetuneFloorDbm) {
        ScanLog([&] {
            return "Retuning due to SS/SquelchLevel threshold (" + Str(static_cast<std::int64_t>(level)) +
                   ">=" + Str(squelch) + "-" + Str(page.rescanThreshold) + ")";
        });
        RetuneScan(std::move(then));
        return;
    }
    then();
}

// A retune is asked of the receiver all at once; only its last reading continues the step.
void TQ7form::RetuneScan(std::function<void()> then) {
    const auto slow = static_cast<std::uint32_t>(scanTimings_.scanSlow);
    const auto fast = static_cast<std::uint32_t>(scanTimings_.scanFast);
    ScanLog([&] { return "Retuning " + Str(scanActive_.frequency); });
    Q7->TunePipelined(scanActive_.frequency, 0, slow);
    ScanRead([this](const PipelinedReading& r) {
        KVR->Broadcast(kNotifyFrequency, Low32(scanActive_.frequency), nullptr, 0);
        ScanLog([&] {
            return "Discarding " + Str(scanNext_.frequency) + ": " + ", SS=" + Str(r.level) + ", RSSI=" +
                   Str(r.rssi) + ", AGC=" + Str(r.agc) + " - started freq is " + Str(scanActive_.frequency);
        });
    });
    Q7->TunePipelined(scanNext_.frequency, 0, fast);
    ScanRead([this, then = std::move(then)](const PipelinedReading& r) { // the fresh reading of the active channel
        KVR->Broadcast(kNotifyFrequency, Low32(scanNext_.frequency), nullptr, 0);
        ScanLog([&] { return " - started freq is " + Str(scanNext_.frequency); });
        Q7->SetSignalRaw(r.raw);
        ScanLog([&] {
            return "Scanner retuned to " + Str(scanActive_.frequency) + ", RAW=" + Str(r.raw) + ", RSSI=" +
                   Str(r.rssi) + ", AGC=" + Str(r.agc) + ", SS=" + Level(Q7->SignalLevel());
        });
        then();
    });
}

void TQ7form::RetuneForDemodulator(std::function<void()> then) {
    const auto slow = static_cast<std::uint32_t>(scanTimings_.scanSlow);
    const auto fast = static_cast<std::uint32_t>(scanTimings_.scanFast);
    ScanLog([&] { return "Retuning for Demodulator processing " + Str(scanActive_.frequency); });
    Q7->TunePipelined(scanActive_.frequency, 0, slow);
    ScanRead([this](const PipelinedReading& r) {
        KVR->Broadcast(kNotifyFrequency, Low32(scanNext_.frequency), nullptr, 0);
        ScanLog([&] {
            return "Discarding " + Str(scanNext_.frequency) + ": " + ", RAW=" + Str(r.raw) + ", RSSI=" +
                   Str(r.rssi) + ", AGC=" + Str(r.agc) + " - started freq is " + Str(scanActive_.frequency);
        });
    });
    Q7->TunePipelined(scanActive_.frequency, 0, fast);
    ScanRead([this, fast, then = std::move(then)](const PipelinedReading& r) {
        KVR->Broadcast(kNotifyFrequency, Low32(scanActive_.frequency), nullptr, 0);
        ScanLog([&] { return " - started freq is " + Str(scanActive_.frequency); });
        Q7->TunePipelined(scanNext_.frequency, 0, fast);
        ScanLog([&] {
            return "pipelined " + Str(scanNext_.frequency) + " - active freq is still " + Str(scanActive_.frequency);
        });
        Q7->SetSignalRaw(r.raw);
        ScanLog([&] {
            return "Scanner retuned to " + Str(scanActive_.frequency) + ", RAW=" + Str(r.raw) + ", RSSI=" +
                   Str(r.rssi) + ", AGC=" + Str(r.agc) + ", SS=" + Level(Q7->SignalLevel());
        });
        then();
    });
}

// --- found and hold ----------------------------------------------------------------------------

void TQ7form::ScanFoundSignal() {
    ScanLog([&] { return "Found signal on " + Str(scanActive_.frequency); });
    scanNext_ = scanActive_;
    if (ChosenScanKind() == ScanKind::Range && RangesForm->AutoStore()) {
        std::int32_t number = RangesForm->WriteFrom();
        while (number <= RangesForm->WriteTo() && IndexOfNumber(memories_, number) >= 0) ++number;
        if (number <= RangesForm->WriteTo()) {
            auto r = std::make_unique<TMemoryRecord>(NewMemoryRecord());
            r->number = number;
            r->frequency = scanActive_.frequency;
            const int group = RangesForm->GroupNumber();
            r->groups = group < 1 ? 0u : 1u << (16 - group);
            r->mode = Q7->GetMode();
            r->levelSquelch = Q7->GetSquelch();
            r->flags = 0;
            const std::uint32_t type = Q7->SquelchTypes() & ~kSquelchLevel;
            r->squelchType = static_cast<std::int32_t>(type);
            r->squelchValue = SquelchValue(Q7->SquelchSettings(), type);
            memories_.push_back(std::move(r));
            RebuildSortedMemories();
        }
    }
    if (settings_.stopOnFound) {
        ScannerState = kHolding; // the stop is on the signal found: its channel stays
        stSpeedButton7Click(stSpeedButton7);
        return;
    }
    // Empties the pipeline so that the receiver stays on the channel found.
    const auto slow = static_cast<std::uint32_t>(scanTimings_.scanSlow);
    const auto fast = static_cast<std::uint32_t>(scanTimings_.scanFast);
    NewScanGeneration();
    Q7->TunePipelined(scanActive_.frequency, 0, slow);
    Q7->ReadPipelined(nullptr);
    Q7->TunePipelined(scanActive_.frequency - 1, 0, fast);
    Q7->ReadPipelined(nullptr);
    Q7->ReadPipelined(nullptr);
    Q7->SetScanMode(0);
    Q7->SetFreq(scanActive_.frequency);
    myFrequencyEdit1->SetValue(scanActive_.frequency + 1); // the tuning handler runs on the change
    myFrequencyEdit1->SetValue(scanActive_.frequency);
    ScannerState = kHolding;
    holdLevelsFrom_ = Q7->MeasuredLevels();
    lastFlashMs_ = NowMs();
    TstSpeedButton* b = scanDirection_ <= 0 ? stSpeedButton19 : stSpeedButton20;
    if (settings_.onLost == 0) {
        b->SetCaption("");
        return;
    }
    holdDeadline_ = NowMs() + settings_.delayTimeMs;
    const std::string seconds = Str(settings_.delayTimeMs / 1000);
    if (scanDirection_ <= 0) {
        b->SetCaption(" " + seconds);
        b->SetAlignment(TAlignment::taLeftJustify);
        b->SetKind(TSTButtonKind::stbkShortLeftArrow);
    } else {
        b->SetCaption(seconds + " ");
        b->SetAlignment(TAlignment::taRightJustify);
        b->SetKind(TSTButtonKind::stbkShortRightArrow);
    }
}

void TQ7form::FlashDirectionButton() {
    TstSpeedButton* b = scanDirection_ <= 0 ? stSpeedButton19 : stSpeedButton20;
    b->SetShowKind(!b->ShowKind());
}

void TQ7form::ScanHoldStep() {
    if (ScannerState != kHolding) return;
    const std::int64_t now = NowMs();
    const bool squelched = Q7->MeasuredLevels() != holdLevelsFrom_ && Q7->GetSquelched();
    if (now - lastFlashMs_ >= kFlashMs) {
        lastFlashMs_ = now;
        ScanLog([&] {
            return "Scanner paused, flashing, SS=" + Str(static_cast<std::int64_t>(Q7->SignalLevel())) +
                   ", squelched=" + (squelched ? "1" : "0");
        });
        FlashDirectionButton();
    }
    const std::int32_t onLost = settings_.onLost;
    if (onLost == 0) {
        if (squelched) ResumeScan();
        return;
    }
    const std::int64_t remaining = holdDeadline_ - now;
    const std::string seconds = Str(remaining / 1000 + 1);
    if (scanDirection_ <= 0) stSpeedButton19->SetCaption(" " + seconds);
    else stSpeedButton20->SetCaption(seconds + " ");
    switch (onLost) {
    case 1:
        if (remaining <= 0) ResumeScan();
        break;
    case 2:
        if (remaining <= 0 || squelched) {
            ScanLog([&] { return "Resuming scanning, SS=" + Level(Q7->SignalLevel()); });
            ResumeScan();
        }
        break;
    default:
        // The delay counts from the moment the signal goes.
        if (!squelched) holdDeadline_ = now + settings_.delayTimeMs;
        else if (remaining <= 0) ResumeScan();
        break;
    }
}

// --- settings and ranges -----------------------------------------------------------------------

void TQ7form::Scanning1Click(TObject*) {
    ExclusionsForm->stSpeedButton6->SetDown(settings_.exclusionsEnabled);
    ScanSetForm->Exclusions = &exclusions_;
    ScanSettings s{settings_.delayTimeMs, settings_.scanRate, settings_.onLost,
                   static_cast<std::uint8_t>(settings_.stopOnFound ? 1 : 0), settings_.memGroups,
                   static_cast<std::uint8_t>(settings_.enableGroups ? 1 : 0)};
    ScanSetForm->Edit(s);
    settings_.delayTimeMs = s.DelayTime;
    settings_.scanRate = s.ScanRate;
    settings_.onLost = s.OnLost;
    settings_.stopOnFound = s.StopOnFound != 0;
    settings_.memGroups = s.MemGroups;
    settings_.enableGroups = s.EnableGroups != 0;
    settings_.exclusionsEnabled = ExclusionsForm->stSpeedButton6->Down();
}

bool TQ7form::EditScanGroups(std::int32_t& mask, bool& enabled) {
    if (!GroupForm) return false;
    const auto bits = static_cast<std::uint32_t>(mask);
    for (std::size_t i = 0; i < GroupForm->Groups.size(); ++i) // group 1 is bit 15
        GroupForm->Groups[i]->SetDown((bits & (1u << (15 - i))) != 0);
    GroupForm->EnableButton->SetDown(enabled);
    GroupForm->SetModalResult(mrNone);
    if (ScanSetForm->RunModal(*GroupForm) != mrOk) return false;
    std::uint32_t chosen = 0;
    for (std::size_t i = 0; i < GroupForm->Groups.size(); ++i)
        if (GroupForm->Groups[i]->Down()) chosen |= 1u << (15 - i);
    mask = static_cast<std::int32_t>(chosen);
    enabled = GroupForm->EnableButton->Down();
    return true;
}

void TQ7form::LoadScanRanges() {
    const std::string program = plat::sys::ProgramFolder();
    RangesForm->LoadRanges(dataFolder_, program);
}

void TQ7form::SaveScanRanges() { RangesForm->SaveRanges(dataFolder_); }

} // namespace lxq
