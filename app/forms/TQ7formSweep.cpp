// The spectrum sweep of the front panel: the receiver steps across a range and the graph plots
// what it measures, either the level (highest, lowest, latest and their difference per step) or,
// with "Hits" down, how often the squelch opened at each step. Tuning and measuring overlap: each
// step hands the receiver the next frequency while it reads the level of the previous one. The
// idle loop runs one step per call on the GUI thread; the receiver is asked among the receiver
// component's requests, and a step goes on with its reading when the answer comes.

#include <cmath>
#include <cstdio>
#include <new>

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/FrontPanelLook.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/SweepRange.h"
#include "app/forms/TDebugForm.h"
#include "app/controls/TmySMeter.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr TColor kPanelColor = kFrontPanelColor;
constexpr TColor kDisplayColor = kFrontDisplayColor;
constexpr std::uint32_t kWarningBox = MB_OK | MB_ICONWARNING | MB_TOPMOST;
constexpr const char* kScopeCaption = "Q7 Spectrum Scope";
constexpr int kScopeGraphMargin = 8; // the scope panel's bevel and a little air
constexpr int kScopeGraphTop = 68;   // below the sweep's toolbar
constexpr std::uint32_t kWakeMessage = 0x47B; // WM_USER + 123: wakes the idle loop
constexpr std::int32_t kNotifyFrequency = 0x800;
constexpr std::int32_t kModeCW = 0, kModeFMN = 2, kModeFMW = 3, kModeLSB = 4, kModeUSB = 5;
constexpr std::int32_t kAgcFast = 3;

// The lines of the graph, in the order they are made.
enum SweepLine { kMaximum = 0, kMinimum = 1, kDifference = 2, kLevel = 3, kHits = 4 };

std::string Dbm(double v) { return std::to_string(std::lround(v)); }

// The settle of a step to hz: longer inside the 70-150 MHz band where the interface needs it.
std::uint32_t FastSettle(const ScanTimings& t, std::int64_t hz) {
    const bool band = hz >= kBandSettleLow && hz <= kBandSettleHigh;
    return static_cast<std::uint32_t>(band ? t.bandFast : t.sweepFast);
}

// Re-reads, AGC settling and the wrap at the end of the range: the same at every frequency.
std::uint32_t SlowSettle(const ScanTimings& t) { return static_cast<std::uint32_t>(t.sweepSlow); }

// The bandwidth a hits sweep judges the squelch in, by mode.
std::int32_t HitsBandwidth(std::int32_t mode) {
    switch (mode) {
    case kModeFMN: return 10'000;
    case kModeLSB:
    case kModeUSB: return 3'000;
    case kModeCW: return 500;
    default: return 9'000;
    }
}

} // namespace

void TQ7form::DebugFormDeleter::operator()(TDebugForm* form) const { delete form; }

void TQ7form::BuildSweep() {
    debugForm_.reset(new TDebugForm(nullptr, Q7));
    debugForm_->ShowMessageBox = [this](const std::string& t, const std::string& c, std::uint32_t f) {
        return ShowMessageBox(t, c, f);
    };
    DebugForm = debugForm_.get();

    const int top = ClientHeight();
    SetClientSize(ClientWidth(), top + 270);
    SweepPanel = Place<TstPanel>(this, this, 0, top, ClientWidth(), 270);
    SweepPanel->SetColor(kPanelColor);
    SweepPanel->SetBevelStyle(TBevelStyle::bsRound);
    SweepPanel->SetBevelWidth(6);

    auto range = [this](int x, const char* label, std::int64_t min, std::int64_t max, std::int64_t value) {
        auto* l = Place<TmyLabel>(this, SweepPanel, x, 12, 40, 18);
        l->SetCaption(label);
        l->Font().SetColor(clWhite);
        auto* e = Place<TmyFrequencyEdit>(this, SweepPanel, x + 40, 10, 130, 22);
        e->SetColor(kDisplayColor);
        e->Font().SetColor(clLime);
        e->SetShowUnit(TFrequencyUnit::fuMHz);
        e->SetMin(min);
        e->SetMax(max);
        e->SetValue(value);
        e->SetDefaultShadow(false);
        return e;
    };
    const TPanelSettings fresh; // the range of a first start, until the settings are read
    myFrequencyEdit3 = range(12, "Start", 1, 1'000'000'000, fresh.sweepStart);
    myFrequencyEdit4 = range(196, "End", 1, 2'000'000'000, fresh.sweepStop);
    myFrequencyEdit5 = range(380, "Step", 100, 10'000'000'000, fresh.sweepStep);

    auto button = [this](int x, int w, const char* caption, TSTButtonKind kind, const char* hint, int group) {
        auto* b = FrontPanelButton(this, SweepPanel, x, 38, w, caption, kind);
        b->SetHint(hint);
        b->SetShowHint(true);
        if (group) {
            b->SetGroupIndex(group);
            b->SetAllowAllUp(true);
        }
        return b;
    };
    stSpeedButton30 = button(12, 32, nullptr, TSTButtonKind::stbkShortRightArrow, "Start sweeping", 10);
    stSpeedButton31 = button(48, 32, nullptr, TSTButtonKind::stbkStop, "Stop sweeping", 0);
    stSpeedButton32 = button(84, 32, nullptr, TSTButtonKind::stbkPause, "Pause sweeping", 11);
    stSpeedButton33 = button(120, 32, nullptr, TSTButtonKind::stbkFastForward, "Continuous sweeping", 5);
    stSpeedButton52 = button(170, 44, "Hits", TSTButtonKind::stbkNone, "Turn histogram on/off", 20);
    stSpeedButton34 = button(230, 40, "Min", TSTButtonKind::stbkNone, "Show Min trace", 21);
    stSpeedButton35 = button(274, 40, "Max", TSTButtonKind::stbkNone, "Show Max trace", 22);
    stSpeedButton36 = button(318, 40, "Diff", TSTButtonKind::stbkNone, "Show Max-Min trace", 23);
    stSpeedButton37 = button(380, 32, "-", TSTButtonKind::stbkNone, "Zoom out", 0);
    stSpeedButton38 = button(416, 32, "+", TSTButtonKind::stbkNone, "Zoom in", 0);
    stSpeedButton40 = button(470, 50, "Clear", TSTButtonKind::stbkNone, "Clear the graph", 0);
    stSpeedButton34->SetDown(true);
    stSpeedButton35->SetDown(true);

    myFreqGraph1 = Place<TmyFreqGraph2>(this, SweepPanel, kScopeGraphMargin, kScopeGraphTop, ClientWidth() - 16, 194);
    myFreqGraph1->SetRange(fresh.sweepStart, fresh.sweepStop, fresh.sweepStep);
    myFreqGraph1->SetMin(-130);
    myFreqGraph1->SetMax(-30);
    myFreqGraph1->SetAltMax(100);
    myFreqGraph1->SetBarMin(-140);
    myFreqGraph1->SetBarMax(-20);
    myFreqGraph1->SetVisiTune(true);
    myFreqGraph1->SetShowTopLabel(true);
    myFreqGraph1->SetShowGrid(true);
    myFreqGraph1->SetTopLabelSpace(10);
    myFreqGraph1->SetScrollBarSize(20);
    // The panel is built before the demodulator's panel widens the window: the graph follows
    // the panel from then on, whatever its size.
    SweepPanel->OnResize = [this](TObject* s) { stPanel2Resize(s); };
    stPanel2Resize(SweepPanel);

    stSpeedButton30->OnClick = [this](TObject* s) { stSpeedButton30Click(s); };
    stSpeedButton31->OnClick = [this](TObject* s) { stSpeedButton31Click(s); };
    stSpeedButton32->OnClick = [this](TObject* s) { stSpeedButton32Click(s); };
    stSpeedButton34->OnClick = [this](TObject* s) { stSpeedButton34Click(s); };
    stSpeedButton35->OnClick = [this](TObject* s) { stSpeedButton35Click(s); };
    stSpeedButton36->OnClick = [this](TObject* s) { stSpeedButton36Click(s); };
    stSpeedButton40->OnClick = [this](TObject* s) { stSpeedButton40Click(s); };
    stSpeedButton37->OnClick = [this](TObject* s) { stSpeedButton37Click(s); };
    stSpeedButton38->OnClick = [this](TObject* s) { stSpeedButton38Click(s); };
    stSpeedButton52->OnClick = [this](TObject* s) { stSpeedButton52Click(s); };
    myFreqGraph1->OnVisiTune = [this](TObject* s, std::int64_t f, TShiftState st) { myFreqGraph1VisiTune(s, f, st); };
    Q7->OnBlockScan = [this](TObject* s, double ss, bool canUpdate) { Q7BlockScan(s, ss, canUpdate); };
}

void TQ7form::stPanel2Resize(TObject*) {
    // The graph fills the panel inside its bevel, below the sweep's toolbar.
    const int margin = kScopeGraphMargin;
    myFreqGraph1->SetBounds(margin, kScopeGraphTop, std::max(0, SweepPanel->Width() - 2 * margin),
                            std::max(0, SweepPanel->Height() - kScopeGraphTop - margin));
}

bool TQ7form::Sweeping() const { return stSpeedButton30->Down(); }

// The service window's constants for the receiver's interface; a product name that names none
// keeps the values of the last start.
void TQ7form::LoadSweepTimings() { PickScanTimings(Q7->GetProductName(), DebugForm->Constants(), sweepTimings_); }

void TQ7form::SetSweepControlsEnabled(bool enabled) {
    myFrequencyEdit3->SetEnabled(enabled);
    myFrequencyEdit4->SetEnabled(enabled);
    myFrequencyEdit5->SetEnabled(enabled);
    stSpeedButton52->SetEnabled(enabled);
}

void TQ7form::stSpeedButton30Click(TObject*) {
    LoadSweepTimings();
    if (stSpeedButton19->Down() || stSpeedButton20->Down()) stSpeedButton7Click(stSpeedButton7);
    if (stSpeedButton32->Down()) {
        stSpeedButton32->SetDown(false);
        stSpeedButton30->SetDown(true);
        ResumeSweep();
        return;
    }
    const bool hits = stSpeedButton52->Down();
    if (hits && Q7->SquelchTypes() == 0) {
        stSpeedButton30->SetDown(false);
        ShowMessageBox("Please select a squelch", kCaption, kWarningBox);
        return;
    }
    if (!stSpeedButton30->Down()) { // a click on the running sweep's button
        stSpeedButton30->SetDown(true);
        return;
    }
    // A half-typed value is taken when the focus leaves its edit.
    for (TmyFrequencyEdit* e : {myFrequencyEdit3, myFrequencyEdit4, myFrequencyEdit5})
        if (e->Focused() && stKnob1->Enabled() && stKnob1->HandleAllocated()) stKnob1->SetFocus();

    const SweepRange range =
        MakeSweepRange(myFrequencyEdit3->Value(), myFrequencyEdit4->Value(), myFrequencyEdit5->Value());
    if (range.error) {
        stSpeedButton30->SetDown(false);
        ShowMessageBox(range.error, kScopeCaption, kWarningBox);
        return;
    }
    sweepStart_ = range.start;
    sweepEnd_ = range.end;
    sweepStep_ = range.step;

    // An unchanged range keeps the data: passes accumulate across stop and start.
    if (myFreqGraph1->Start() != range.start || myFreqGraph1->Stop() != range.end ||
        myFreqGraph1->Step() != range.step)
        myFreqGraph1->SetRange(range.start, range.end, range.step);
    if (myFreqGraph1->GetLinesCount() == 0) {
        try {
            myFreqGraph1->AddGraphLine("Maximum", "dBm", 0x0000FF, TmyGraphLineType::normal);
            myFreqGraph1->AddGraphLine("Minimum", "dBm", 0xFF0000, TmyGraphLineType::normal);
            myFreqGraph1->AddGraphLine("Max - Min", "dB", 0xFF00FF, TmyGraphLineType::alternate);
            myFreqGraph1->AddGraphLine("Level", "dBm", 0x00FFFF, TmyGraphLineType::normal);
            myFreqGraph1->AddGraphLine("Hits", "%", 0x008000, TmyGraphLineType::hits);
        } catch (const std::bad_alloc&) {
            // Every line holds a value per step; a range too fine for the memory cannot run.
            myFreqGraph1->ClearGraph();
            stSpeedButton30->SetDown(false);
            ShowMessageBox("Not enough memory to sweep so many frequencies !\nTry smaller step size.",
                           kScopeCaption, kWarningBox);
            return;
        }
        myFreqGraph1->SetShowLine(kMinimum, stSpeedButton34->Down());
        myFreqGraph1->SetShowLine(kMaximum, stSpeedButton35->Down());
        myFreqGraph1->SetShowLine(kDifference, stSpeedButton36->Down());
    }
    myFreqGraph1->AddHitRound();
    for (int i = 0; i < myFreqGraph1->GetLinesCount(); ++i) myFreqGraph1->SetLinePos(i, 0);
    SetSweepControlsEnabled(false);

    sweepSavedAtten_ = Q7->GetAtten() != 0;
    sweepSavedPreAmp_ = Q7->GetPreAmp() != 0;
    sweepSavedAgc_ = Q7->GetAGC();
    Q7->SetAGC(kAgcFast);
    if (!hits) { // levels are compared without the attenuator and with the preamplifier
        Q7->SetAtten(0);
        Q7->SetPreAmp(1);
    }
    SweepPoints = static_cast<int>(range.points);
    myFreqGraph1->SetVisiTune(false);
    Q7->SetScanMode(1);
    SweepSavedFreq = Q7->GetFreq();
    sweepSavedMode_ = Q7->GetMode();
    if (sweepSavedMode_ == kModeFMW) {
        // The sweep runs in FM narrow with FM wide's squelch; FMN's own settings come back at stop.
        const SQUELCH_SETTINGS wide = Q7->SquelchSettings();
        const std::uint32_t wideFlags = Q7->SquelchTypes();
        Q7->SetMode(kModeFMN);
        SweepSavedSquelch = Settings().squelch[kModeFMN];
        sweepSavedSquelchFlags_ = static_cast<std::uint32_t>(Settings().activeSquelch[kModeFMN]);
        Q7->SetSquelchSettings(wide, wideFlags);
    }
    SweepFreq = sweepStart_;
    if (hits) Q7->SetBandwidth(HitsBandwidth(Q7->GetMode()));

    NewSweepGeneration();
    Q7->TunePipelined(SweepFreq, 1, FastSettle(sweepTimings_, SweepFreq));
    DebugLog("SetFreq " + std::to_string(SweepFreq));
    ShowFrequency(SweepFreq);
    SweepFreq += sweepStep_;
    Q7->TunePipelined(SweepFreq, 0, FastSettle(sweepTimings_, SweepFreq));
    DebugLog("SetFreq " + std::to_string(SweepFreq));
    SweepLastAgc = -1;
    if (hits) {
        DebugLog("notifying");
        KVR->NotifyPlugins(kNotifyFrequency, Low32(SweepFreq), nullptr, 0);
    } else {
        DebugLog("SQUELCHEDINFO from sweeper");
        plat::win::PostMessage(Handle(), kWakeMessage, 0, 0);
        SquelchedInfoArrived = true;
    }
    // The first frequency settles before the first reading, in the receiver's requests.
    SweepStartTick = plat::sys::ActiveClock().NowMs();
    const std::uint32_t generation = sweepGeneration_;
    Q7->SettleRequests(150, [this, generation] {
        if (generation == sweepGeneration_) SweepStartTick = plat::sys::ActiveClock().NowMs();
    });
    mySMeter->SetEnabled(false);
}

void TQ7form::NewSweepGeneration() {
    ++sweepGeneration_;
    sweepReadsDue_ = 0;
}

void TQ7form::ReadSweepLevel(std::int64_t hz, SweepReading& r, std::function<void()> then) {
    const std::uint32_t generation = sweepGeneration_;
    if (then) ++sweepReadsDue_;
    Q7->ReadPipelined([this, hz, &r, generation, then = std::move(then)](const PipelinedReading& reading) {
        if (generation != sweepGeneration_) return; // of a sweep that has ended
        if (reading.result == 0) {
            r.raw = reading.raw;
            r.rssi = reading.rssi;
            r.agc = reading.agc;
            // A station above the raw scale's top plots at its level, as the meter shows it.
            r.tenths = reading.level;
            r.dbm = Q7->CalibrateMeasured(reading.raw, reading.level, hz);
        }
        if (!then) return;
        --sweepReadsDue_;
        then();
    });
}

void TQ7form::Q7BlockScan(TObject*, double, bool canUpdate) {
    if (!Sweeping() || sweepReadsDue_ != 0) return; // a step under way goes on when its reading comes
    // A failed read keeps the previous readings.
    ReadSweepLevel(SweepFreq - sweepStep_, sweepReading_, [this, canUpdate] { SweepMeasured(canUpdate); });
}

std::string TQ7form::SweepReadings() const {
    const SweepReading& r = sweepReading_;
    return "raw=" + std::to_string(r.raw) + ", rssi=" + std::to_string(r.rssi) + ", agc=" + std::to_string(r.agc) +
           ", SS=" + Dbm(r.dbm) + "dBm";
}

void TQ7form::SweepMeasured(bool canUpdate) {
    const SweepReading& r = sweepReading_;
    const std::int64_t measured = SweepFreq - sweepStep_;
    const int pos = myFreqGraph1->GetLinePos(stSpeedButton52->Down() ? kHits : kMaximum);
    ScanLog([&] { return "Sweep step [" + std::to_string(pos) + "=" + std::to_string(measured) + "]" + " " + SweepReadings(); });
    const ScanTimings& t = sweepTimings_;
    if (static_cast<std::int64_t>(r.rssi) > t.sweepMaxRssi) {
        // A strong signal: read it again after the slow settle.
        Q7->TunePipelined(measured, 0, SlowSettle(t));
        Q7->ReadPipelined(nullptr);
        Q7->TunePipelined(SweepFreq, 0, FastSettle(t, SweepFreq));
        ReadSweepLevel(measured, sweepReading_, [this, canUpdate] {
            ScanLog([&] { return "Sweeper retuned [high RSSI], " + SweepReadings(); });
            SweepSettleAgc(canUpdate);
        });
        return;
    }
    SweepSettleAgc(canUpdate);
}

bool TQ7form::SweepAgcRising() const {
    const SweepReading& r = sweepReading_;
    return static_cast<std::int64_t>(r.rssi) < sweepTimings_.sweepMinRssi &&
           static_cast<std::int64_t>(r.agc) - SweepLastAgc > sweepTimings_.sweepAgcStep;
}

void TQ7form::SweepSettleAgc(bool canUpdate) {
    if (!SweepAgcRising()) {
        SweepStepDone(canUpdate);
        return;
    }
    // A weak signal while the AGC still moves: read until the AGC has settled.
    Q7->TunePipelined(SweepFreq - sweepStep_, 0, SlowSettle(sweepTimings_));
    Q7->ReadPipelined(nullptr);
    SweepAgcLoop(canUpdate);
}

void TQ7form::SweepAgcLoop(bool canUpdate) {
    const std::int64_t measured = SweepFreq - sweepStep_;
    if (SweepAgcRising()) {
        SweepLastAgc = static_cast<int>(sweepReading_.agc);
        Q7->TunePipelined(measured, 0, SlowSettle(sweepTimings_));
        ReadSweepLevel(measured, sweepReading_, [this, measured, canUpdate] {
            const SweepReading& r = sweepReading_;
            ScanLog([&] { return "Sweeper loops at " + std::to_string(measured) + ", raw=" + std::to_string(r.raw) +
                      ", RSSI=" + std::to_string(r.rssi) + ", AGC=" + std::to_string(r.agc) + ", SS=" + Dbm(r.dbm) +
                      "dBm"; });
            SweepAgcLoop(canUpdate);
        });
        return;
    }
    Q7->TunePipelined(SweepFreq, 0, FastSettle(sweepTimings_, SweepFreq));
    ReadSweepLevel(measured, sweepReading_, [this, canUpdate] { SweepStepDone(canUpdate); });
}

void TQ7form::SweepStepDone(bool canUpdate) {
    const SweepReading& r = sweepReading_;
    const bool hits = stSpeedButton52->Down();
    int pos = myFreqGraph1->GetLinePos(hits ? kHits : kMaximum);
    if (pos + 1 == SweepPoints) canUpdate = true; // the last point is always drawn
    const ScanTimings& t = sweepTimings_;
    ShowFrequency(SweepFreq);
    SweepFreq += sweepStep_;
    ScanLog([&] { return "Tuning to " + std::to_string(SweepFreq); });
    Q7->TunePipelined(SweepFreq, 0, FastSettle(t, SweepFreq));
    SweepLastAgc = static_cast<int>(r.agc);

    Q7->SetSignalMeasured(r.raw, r.tenths);
    const double level = Q7->SignalLevel();
    if (hits) {
        myFreqGraph1->AddHit(kHits, pos, !Q7->GetSquelched(), canUpdate);
        myFreqGraph1->SetLinePos(kHits, ++pos);
    } else {
        StoreSweepLevel(pos, level, canUpdate);
        ++pos;
        for (int line : {kMaximum, kMinimum, kDifference, kLevel}) myFreqGraph1->SetLinePos(line, pos);
    }
    ScanLog([&] { return std::string("Squelched=") + (Q7->GetSquelched() ? "1" : "0"); });
    if (hits) {
        // The demodulator judges the squelch at the new frequency and reports it.
        KVR->NotifyPlugins(kNotifyFrequency, Low32(SweepFreq), nullptr, 0);
    } else {
        ScanLog([&] { return std::string("posting SQUELCHEDINFO from sweeper"); });
        plat::win::PostMessage(Handle(), kWakeMessage, 0, 0);
        SquelchedInfoArrived = true;
    }
    if (pos == SweepPoints) EndOfSweepRange();
}

// The graph keeps whole numbers within its scales; a new level is compared with those.
void TQ7form::StoreSweepLevel(int pos, double level, bool canUpdate) {
    myFreqGraph1->ChangeSample(kLevel, pos, level, false);
    double max = level, min = level;
    if (pos < myFreqGraph1->GetLineLen(kMaximum)) {
        max = myFreqGraph1->GetSampleIndex(kMaximum, pos);
        min = myFreqGraph1->GetSampleIndex(kMinimum, pos);
        if (level > max) {
            max = level;
            myFreqGraph1->ChangeSample(kMaximum, pos, level, false);
        }
        if (level < min) {
            min = level;
            myFreqGraph1->ChangeSample(kMinimum, pos, level, false);
        }
    } else { // the first pass
        myFreqGraph1->AddSample(kMaximum, level, false);
        myFreqGraph1->AddSample(kMinimum, level, false);
    }
    myFreqGraph1->ChangeSample(kDifference, pos, max - min, canUpdate);
}

void TQ7form::EndOfSweepRange() {
    if (stSpeedButton33->Down()) {
        const std::uint32_t slow = SlowSettle(sweepTimings_);
        SweepFreq = sweepStart_;
        Q7->ReadPipelined(nullptr);
        Q7->TunePipelined(SweepFreq, 0, slow);
        SweepFreq += sweepStep_;
        Q7->ReadPipelined(nullptr);
        Q7->TunePipelined(SweepFreq, 0, slow);
        myFreqGraph1->AddHitRound();
        for (int i = 0; i < myFreqGraph1->GetLinesCount(); ++i) myFreqGraph1->SetLinePos(i, 0);
        return;
    }
    DebugLog("stopping sweeper");
    stSpeedButton31Click(stSpeedButton31);
    myFreqGraph1->DrawGrid();
}

void TQ7form::stSpeedButton31Click(TObject*) {
    if (!Sweeping()) return;
    NewSweepGeneration();
    Q7->SetScanMode(0);
    mySMeter->SetEnabled(true);
    Q7->ReadPipelined(nullptr); // nothing stays pending
    if (SweepSavedFreq != -1) {
        // The return must be a real retune, even when the receiver already reports it.
        if (Q7->GetFreq() == SweepSavedFreq) Q7->SetFreq(sweepEnd_);
        for (int i = 0; i < 3; ++i) Q7->SetFreq(SweepSavedFreq);
        SweepSavedFreq = -1;
    }
    stSpeedButton30->SetDown(false);
    stSpeedButton32->SetDown(false);
    SetSweepControlsEnabled(true);
    DebugLog("Sweep stopped");
    if (sweepSavedMode_ == kModeFMW) Q7->SetSquelchSettings(SweepSavedSquelch, sweepSavedSquelchFlags_);
    Q7->SetMode(sweepSavedMode_);
    Q7->SetAtten(sweepSavedAtten_ ? 1 : 0);
    Q7->SetPreAmp(sweepSavedPreAmp_ ? 1 : 0);
    myFreqGraph1->SetVisiTune(true);
    if (sweepSavedAgc_ != -1) Q7->SetAGC(sweepSavedAgc_);
    sweepSavedAgc_ = -1;
    SweepFinishedStatistics();
    KVRDisable(this); // the groups the sweep disabled come back as the plug-ins allow
}

void TQ7form::SweepFinishedStatistics() {
    std::int64_t elapsed = plat::sys::ActiveClock().NowMs() - SweepStartTick;
    if (elapsed == 0) elapsed = 1;
    const std::int64_t steps = (SweepFreq - sweepStart_) / sweepStep_;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(elapsed) / 1000.0);
    DebugForm->SweepTimeLabel->SetCaption(std::string("Last sweep time=") + seconds + "sec, avg=" +
                                          std::to_string(steps * 1000 / elapsed) + "ch/sec");
}

void TQ7form::stSpeedButton32Click(TObject*) {
    if (!Sweeping()) {
        stSpeedButton32->SetDown(false);
        return;
    }
    if (!stSpeedButton32->Down()) {
        ResumeSweep();
        return;
    }
    // Paused: the receiver goes back to where it was, and the graph tunes it on a click.
    myFreqGraph1->SetVisiTune(true);
    NewSweepGeneration();
    Q7->ReadPipelined(nullptr);
    Q7->SetScanMode(0);
    if (SweepSavedFreq != -1) Q7->SetFreq(SweepSavedFreq);
    SweepSavedFreq = -1;
}

// Measures again from the step where the pass stood, so every value stays at its own step.
void TQ7form::ResumeSweep() {
    SweepSavedFreq = Q7->GetFreq();
    Q7->SetScanMode(1);
    NewSweepGeneration();
    const std::int64_t current = SweepFreq - sweepStep_;
    Q7->TunePipelined(current, 1, FastSettle(sweepTimings_, current));
    KVR->NotifyPlugins(kNotifyFrequency, Low32(current), nullptr, 0);
    Q7->TunePipelined(SweepFreq, 0, FastSettle(sweepTimings_, SweepFreq));
    myFreqGraph1->SetVisiTune(false);
}

void TQ7form::stSpeedButton34Click(TObject*) { myFreqGraph1->SetShowLine(kMinimum, stSpeedButton34->Down()); }
void TQ7form::stSpeedButton35Click(TObject*) { myFreqGraph1->SetShowLine(kMaximum, stSpeedButton35->Down()); }

void TQ7form::stSpeedButton36Click(TObject*) {
    myFreqGraph1->SetShowLine(kDifference, stSpeedButton36->Down());
    myFreqGraph1->SetShowAlterScale(stSpeedButton36->Down()); // the difference's own scale
}

void TQ7form::stSpeedButton40Click(TObject*) {
    if (Sweeping()) stSpeedButton31Click(stSpeedButton31);
    myFreqGraph1->ClearGraph();
}

// Pressing and dragging over the graph tunes to the frequency under the cursor, unless a sweep
// owns the receiver.
void TQ7form::myFreqGraph1VisiTune(TObject*, std::int64_t freq, TShiftState shift) {
    if (Sweeping() || myFreqGraph1->GetLinesCount() == 0 || (shift & ss::Left) == 0) return;
    Q7->SetFreq(freq);
}

} // namespace lxq
