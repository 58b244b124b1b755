// The front panel's receiver controls other than tuning: power, AGC, attenuator, preamplifier,
// AFC, IF gain, the squelch types with their values kept per mode, the S-meter with its scale,
// units and status lines, the front-panel LED, the refused-frequency hint and the display offset.
// Every control writes one receiver property; the receiver's change events write the controls
// back, so that what a plug-in changes shows here too.

#include <algorithm>

#include "app/controls/FloatText.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstAlignEdit.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/FrontPanelLed.h"
#include "app/forms/FrontPanelLook.h"
#include "app/forms/TLEDform.h"
#include "app/forms/TOffsetForm.h"
#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/forms/SquelchCodes.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/THintWindow.h"
#include "platform/components/TLabel.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr int kModeFmw = 3;
constexpr int kLastModeSlot = 20;
constexpr std::int64_t kSignalIntervalMs = 200;
constexpr int kHeight = 172; // room the receiver controls add below the tuning controls

// Groups of the speed buttons that share the main panel; each latched toggle has its own.
enum ButtonGroup : int {
    kPowerGroup = 20,
    kAgcGroup,
    kAttenGroup,
    kPreampGroup,
    kAfcGroup,
    kLevelGroup,
    kSecondaryGroup, // noise, voice, CTCSS, DCS: one at a time, or none
    kReverseGroup,
    kUnitGroup,
    kPeakGroup,
    kScopeGroup = 100,
};

// Colours of the meter's status texts and look (0x00BBGGRR).
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kYellow = 0x00FFFF;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kGrey = 0x808080;
constexpr std::uint32_t kRssiInRangeFmw = 230;

bool InModeTable(int mode) { return mode >= 0 && mode <= kLastModeSlot; }

// A record field nobody has set yet: the form's own mark, or the receiver's.
bool Unset(std::int32_t v) { return v == kSquelchNotSet || v == kSquelchValueUnset; }
bool Unset(std::uint32_t v) { return Unset(static_cast<std::int32_t>(v)); }

template <std::size_t N>
int IndexOf(const std::array<std::int32_t, N>& table, std::int32_t value) {
    const auto it = std::find(table.begin(), table.end(), value);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

int TagIndex(const TComponent& c, int count) {
    return static_cast<int>(std::clamp<std::intptr_t>(c.Tag(), 0, count - 1));
}

// Three octal digits: the codes of the table are below 512.
std::string DcsText(std::int32_t code, bool reverse) {
    const std::string digits{static_cast<char>('0' + code / 64 % 8), static_cast<char>('0' + code / 8 % 8),
                             static_cast<char>('0' + code % 8)};
    return (reverse ? "-" : "") + digits;
}

} // namespace

void TQ7form::BuildReceiverControls() {
    const int top = stPanel1->Height();
    SetClientSize(ClientWidth(), ClientHeight() + kHeight);
    stPanel1->SetHeight(stPanel1->Height() + kHeight);

    auto place = [this, top](auto* c, int x, int y, int w, int h) {
        c->SetParent(stPanel1);
        c->SetBounds(x, top + y, w, h);
        return c;
    };
    auto button = [&](int x, int y, int w, const char* caption, int group, bool allUp) {
        auto* b = FrontPanelButton(this, stPanel1, x, top + y, w, caption, TSTButtonKind::stbkNone);
        b->SetGroupIndex(group);
        b->SetAllowAllUp(allUp);
        return b;
    };
    auto intEdit = [&](int x, int y, int w, int min, int max, const char* unit) {
        auto* e = place(new TmyIntEdit(this), x, y, w, 24);
        e->SetColor(kFrontDisplayColor);
        e->Font().SetColor(clLime);
        e->SetMin(min);
        e->SetMax(max);
        e->SetUnit(unit);
        return e;
    };
    auto spinner = [&](int x, int y) {
        auto* u = place(new TmyUpDown(this), x, y, 16, 24);
        return u;
    };
    auto label = [&](int x, int y, const char* caption) {
        auto* l = place(new TLabel(this), x, y, 80, 16);
        l->SetCaption(caption);
        l->Font().SetColor(clWhite);
        l->SetTransparent(true);
        return l;
    };

    mySMeter = place(new TmySMeter(this), 16, 4, 220, 160);
    mySMeter->SetMin(-130);
    mySMeter->SetMax(-30);
    mySMeter->SetSquelch(-129);
    mySMeter->SetNumBigTicks(6);
    mySMeter->SetSmallTicksPerBig(4);
    mySMeter->SetCurvePercent(90);
    mySMeter->SetPosition(-130);
    mySMeter->OnDebugString = [this](TObject* s, int i, TFont& f, std::string& t) { mySMeterDebugString(s, i, f, t); };

    stSpeedButton1 = button(250, 4, 60, "On/Off", kPowerGroup, true);
    stSpeedButton1->SetTag(-1); // stays usable while the receiver is off
    stSpeedButton1->SetDown(true);
    stSpeedButton1->OnClick = [this](TObject* s) { stSpeedButton1Click(s); };

    label(250, 36, "AGC");
    const std::pair<TstSpeedButton**, const char*> agc[] = {
        {&stSpeedButton22, "Off"}, {&stSpeedButton4, "Slow"}, {&stSpeedButton5, "Med"}, {&stSpeedButton6, "Fast"}};
    for (int i = 0; i < 4; ++i) {
        auto* b = button(250 + 46 * i, 52, 44, agc[i].second, kAgcGroup, false);
        b->SetTag(i);
        b->OnClick = [this](TObject* s) { stSpeedButton4Click(s); };
        *agc[i].first = b;
    }
    stSpeedButton22->SetDown(true);

    stSpeedButton2 = button(250, 84, 60, "Atten", kAttenGroup, true);
    stSpeedButton2->OnClick = [this](TObject* s) { stSpeedButton2Click(s); };
    stSpeedButton41 = button(314, 84, 60, "Preamp", kPreampGroup, true);
    stSpeedButton41->OnClick = [this](TObject* s) { stSpeedButton41Click(s); };
    stSpeedButton51 = button(378, 84, 52, "AFC", kAfcGroup, true);
    stSpeedButton51->SetHint("Automatic frequency control");
    stSpeedButton51->OnClick = [this](TObject* s) { stSpeedButton51Click(s); };

    label(250, 116, "Manual IF gain");
    myIntEdit2 = intEdit(340, 112, 72, -10000, 10000, "");
    myUpDown3 = spinner(414, 112);
    myUpDown3->SetIntEdit(myIntEdit2);
    myIntEdit2->SetUpDownControl(myUpDown3);
    myIntEdit2->OnValueChange = [this](TObject* s) { myIntEdit2ValueChange(s); };

    label(450, 4, "Squelch");
    myIntEdit3 = intEdit(510, 0, 84, -130, -30, "dBm");
    myIntEdit3->SetValue(-130);
    myIntEdit3->SetEnabled(false); // the plug-in lock of the control groups enables it
    myUpDown4 = spinner(596, 0);
    myUpDown4->SetIntEdit(myIntEdit3);
    myIntEdit3->SetUpDownControl(myUpDown4);
    myIntEdit3->OnValueChange = [this](TObject* s) { myIntEdit3ValueChange(s); };
    myUpDown4->OnMiddleStart = [this](TObject* s) { myUpDown4MiddleStart(s); };
    myUpDown4->OnMiddleEnd = [this](TObject* s) { myUpDown4MiddleEnd(s); };

    stSpeedButton8 = button(450, 30, 48, "Level", kLevelGroup, true);
    const std::pair<TstSpeedButton**, const char*> secondary[] = {
        {&stSpeedButton42, "Noise"}, {&stSpeedButton43, "Voice"}, {&stSpeedButton44, "CTCSS"}, {&stSpeedButton45, "DCS"}};
    for (int i = 0; i < 4; ++i) *secondary[i].first = button(500 + 50 * i, 30, 48, secondary[i].second, kSecondaryGroup, true);
    for (TstSpeedButton* b : {stSpeedButton8, stSpeedButton42, stSpeedButton43, stSpeedButton44, stSpeedButton45})
        b->OnClick = [this](TObject* s) { stSpeedButton42Click(s); };

    label(450, 64, "Noise");
    myIntEdit4 = intEdit(500, 60, 60, 0, 99, "%");
    myIntEdit4->OnValueChange = [this](TObject* s) { myIntEdit4ValueChange(s); };
    label(450, 94, "Voice");
    myIntEdit5 = intEdit(500, 90, 60, 0, 99, "%");
    myIntEdit5->OnValueChange = [this](TObject* s) { myIntEdit5ValueChange(s); };

    stAlignEdit1 = place(new TstAlignEdit(this), 600, 60, 60, 24);
    stAlignEdit1->SetColor(kFrontDisplayColor);
    stAlignEdit1->Font().SetColor(clLime);
    stAlignEdit1->SetReadOnly(true);
    myUpDown16 = spinner(662, 60);
    myUpDown16->OnDirection = [this](TComponent* s, int& v) { myUpDown16Direction(s, v); };
    stAlignEdit2 = place(new TstAlignEdit(this), 600, 90, 60, 24);
    stAlignEdit2->SetColor(kFrontDisplayColor);
    stAlignEdit2->Font().SetColor(clLime);
    stAlignEdit2->SetReadOnly(true);
    myUpDown17 = spinner(662, 90);
    myUpDown17->OnDirection = [this](TComponent* s, int& v) { myUpDown17Direction(s, v); };
    stSpeedButton46 = button(682, 90, 30, "R", kReverseGroup, true);
    stSpeedButton46->OnClick = [this](TObject* s) { stSpeedButton46Click(s); };
    stAlignEdit1->SetTag(IndexOf(CtcssToneTable, 88'500)); // a common tone to start from
    stAlignEdit2->SetTag(IndexOf(DcsCodeTable, 023));
    int still = 0;
    myUpDown16Direction(nullptr, still);
    myUpDown17Direction(nullptr, still);

    stSpeedButton16 = button(250, 144, 44, "dBm", kUnitGroup, false);
    stSpeedButton17 = button(296, 144, 60, "S-units", kUnitGroup, false);
    stSpeedButton18 = button(358, 144, 40, "\xC2\xB5V", kUnitGroup, false);
    stSpeedButton18->OnPaintCaption = [this](TObject* s) { stSpeedButton18PaintCaption(s); };
    stSpeedButton39 = button(400, 144, 40, "p-p", kPeakGroup, true);
    stSpeedButton39->SetEnabled(false);
    stSpeedButton16->SetDown(true);
    for (TstSpeedButton* b : {stSpeedButton16, stSpeedButton17, stSpeedButton18, stSpeedButton39})
        b->OnClick = [this](TObject* s) { stSpeedButton16Click(s); };

    stSpeedButton24 = FrontPanelButton(this, stPanel1, 716, top + 144, 28, nullptr, TSTButtonKind::stbkUpArrow);
    stSpeedButton24->SetHint("Show/hide the spectrum analyzer");
    stSpeedButton24->SetGroupIndex(kScopeGroup);
    stSpeedButton24->SetAllowAllUp(true);
    stSpeedButton24->SetDown(true);
    stSpeedButton24->OnClick = [this](TObject* s) { stSpeedButton24Click(s); };
    ScrollTimer = new TTimer(this);
    ScrollTimer->SetEnabled(false);
    ScrollTimer->SetInterval(10);
    ScrollTimer->SetOnTimer([this](TObject* s) { ScrollTimerTimer(s); });

    SquelchTimer = new TTimer(this);
    SquelchTimer->SetEnabled(false);
    SquelchTimer->SetInterval(100);
    SquelchTimer->SetOnTimer([this](TObject* s) { SquelchTimerTimer(s); });

    Q7->OnPowerChanged = [this](TObject* s) { LXPowerChange(s); };
    Q7->OnAGCChanged = [this](TObject* s) { LXAGCChange(s); };
    Q7->OnAttenChanged = [this](TObject* s) { LXAttenChange(s); };
    Q7->OnIFGainChanged = [this](TObject* s) { LXIFGainChange(s); };
    Q7->OnSquelchChanged = [this](TObject* s) { LXSquelchChange(s); };
    Q7->OnModeChanged = [this](TObject* s) { Q7ModeChanged(s); };
    Q7->OnAfcChanged = [this](TObject* s) { Q7AfcChanged(s); };
    Q7->OnPreAmpChanged = [this](TObject* s) { Q7PreAmpChanged(s); };
    Q7->OnSignalChanged = [this](TObject* s) { LXSignalChange(s); };
}

// --- receiver events -----------------------------------------------------------------------------

void TQ7form::LXPowerChange(TObject*) {
    UpdateFrontPanelLED();
    const bool on = Q7->GetPower() != 0;
    stSpeedButton1->SetDown(on);
    for (int i = 0; i < stPanel1->ControlCount(); ++i) {
        TControl* c = stPanel1->Controls(i);
        if (c->Tag() >= 0) c->SetEnabled(on);
    }
    stSpeedButton39->SetEnabled(on && stSpeedButton18->Down()); // "p-p" only with "µV"
    if (SweepPanel) SweepPanel->SetEnabled(on && stSpeedButton24->Down()); // a closed scope takes no keys
    if (on && stKnob1->Enabled() && stKnob1->HandleAllocated()) SetActiveControl(stKnob1);
    // Power off ends a scan however it stands: stepping, holding on a signal or paused (the
    // receiver's own scan mode tells only of a block scan).
    if (!on && (Q7->GetScanMode() != 0 || ScannerState != 0 || Sweeping())) {
        stSpeedButton7Click(stSpeedButton7);   // Stop scanning
        stSpeedButton31Click(stSpeedButton31); // Stop sweeping
    }
    KVRDisable(this); // power on enables the panel's children, locked ones included
}

void TQ7form::LXAGCChange(TObject*) {
    TstSpeedButton* const buttons[] = {stSpeedButton22, stSpeedButton4, stSpeedButton5, stSpeedButton6};
    const std::int32_t agc = Q7->GetAGC();
    if (agc < 0 || agc > 3) return;
    buttons[agc]->SetDown(true);
    stSpeedButton4Click(buttons[agc]);
    KVRDisable(this); // the manual IF gain and the meter follow the AGC
}

void TQ7form::LXAttenChange(TObject*) {
    stSpeedButton2->SetDown(Q7->GetAtten() != 0);
    UpdateSMeterScale();
}

void TQ7form::LXIFGainChange(TObject*) { myIntEdit2->SetValue(Q7->GetIFGain()); }

void TQ7form::Q7PreAmpChanged(TObject*) {
    stSpeedButton41->SetDown(Q7->GetPreAmp() != 0);
    UpdateSMeterScale();
}

void TQ7form::Q7AfcChanged(TObject*) { stSpeedButton51->SetDown(Q7->GetAFC()); }

void TQ7form::Q7ModeChanged(TObject*) {
    const int mode = Q7->GetMode();
    if (!InModeTable(mode)) return;
    UpdateSMeterScale();
    ApplyModeSquelch(mode);
    KVRDisable(this);
}

void TQ7form::ApplyModeSquelch(int mode) {
    Q7->SetSquelchSettings(ModeSquelch(mode), static_cast<std::uint32_t>(ModeSquelchTypes(mode)));
}

void TQ7form::SquelchLevelsToUnits(TPanelSettings& s) {
    for (SQUELCH_SETTINGS& q : s.squelch)
        if (!Unset(q.level)) q.level = Q7->SQtoKVR(q.level);
}

TPanelSettings TQ7form::SquelchLevelsInDbm(const TPanelSettings& s) {
    TPanelSettings out = s;
    for (SQUELCH_SETTINGS& q : out.squelch)
        if (!Unset(q.level)) q.level = Q7->KVRtoSQ(q.level);
    return out;
}

bool TQ7form::SquelchDragging() const { return myUpDown4->Dragging() || SquelchTimer->Enabled(); }

void TQ7form::LXSquelchChange(TObject*) {
    // A receiver whose level was never set has no level to show: the edit keeps its value and
    // becomes the mode's level below.
    const bool levelKnown = !Unset(Q7->SquelchSettings().level);
    if (levelKnown) {
        if (!SquelchDragging()) mySMeter->SetSquelch(Q7->GetSquelch());
        myIntEdit3->SetValue(Q7->GetSquelch());
    }
    const int mode = Q7->GetMode();
    if (!InModeTable(mode)) return;
    ModeSquelchTypes(mode) = static_cast<std::int32_t>(Q7->SquelchTypes());
    ModeSquelch(mode) = Q7->SquelchSettings();
    const auto bits = static_cast<std::uint32_t>(ModeSquelchTypes(mode));
    // Up first: the four secondary types share one group, and only one of them can be down.
    for (TstSpeedButton* b : {stSpeedButton8, stSpeedButton42, stSpeedButton43, stSpeedButton44, stSpeedButton45})
        b->SetDown(false);
    stSpeedButton8->SetDown(bits & kSquelchLevel);
    stSpeedButton42->SetDown(bits & kSquelchNoise);
    stSpeedButton43->SetDown(bits & kSquelchVoice);
    stSpeedButton44->SetDown(bits & kSquelchCtcss);
    stSpeedButton45->SetDown(bits & kSquelchDcs);

    bool filled = false; // values the panel supplied: the receiver hears them too
    SQUELCH_SETTINGS& q = ModeSquelch(mode);
    if (Unset(q.level)) {
        q.level = Q7->SQtoKVR(myIntEdit3->Value());
        filled = true;
    } else {
        myIntEdit3->SetValue(Q7->KVRtoSQ(q.level));
    }
    if (Unset(q.noise)) {
        q.noise = myIntEdit4->Value();
        filled = true;
    } else {
        myIntEdit4->SetValue(q.noise);
    }
    if (Unset(q.voice)) {
        q.voice = static_cast<std::uint32_t>(myIntEdit5->Value());
        filled = true;
    } else {
        myIntEdit5->SetValue(static_cast<std::int32_t>(q.voice));
    }
    int still = 0;
    if (Unset(q.ctcss)) {
        q.ctcss = static_cast<std::uint32_t>(CtcssToneTable[static_cast<std::size_t>(TagIndex(*stAlignEdit1, 52))]);
        filled = true;
    } else {
        if (const int i = IndexOf(CtcssToneTable, static_cast<std::int32_t>(q.ctcss)); i >= 0) stAlignEdit1->SetTag(i);
        myUpDown16Direction(myUpDown16, still);
    }
    SQUELCH_SETTINGS& r = ModeSquelch(mode); // the spinner may have refreshed the record
    if (Unset(r.dcs)) {
        const std::int32_t code = DcsCodeTable[static_cast<std::size_t>(TagIndex(*stAlignEdit2, 112))];
        r.dcs = stSpeedButton46->Down() ? -code : code;
        filled = true;
    } else {
        const std::int32_t dcs = r.dcs;
        stSpeedButton46->SetDown(dcs < 0);
        if (const int i = IndexOf(DcsCodeTable, dcs < 0 ? -dcs : dcs); i >= 0) stAlignEdit2->SetTag(i);
        myUpDown17Direction(myUpDown17, still);
    }
    mySMeter->SetDefeat((bits & kSquelchLevel) == 0);
    if (filled) ApplyModeSquelch(mode);
    KVRDisable(this); // the entries of the squelch types now on
}

void TQ7form::LXSignalChange(TObject*) {
    if (!mySMeter->Enabled()) return;
    const std::int64_t since = plat::sys::ActiveClock().NowMs() - lastSignalMs_;
    if (since > kSignalIntervalMs) {
        ShowSignal();
        return;
    }
    // The meter moves at most every 200 ms, but the last level must not be lost: the receiver
    // reports only changes, so a level that came too soon shows once the interval is over.
    if (!SignalTimer->Enabled()) {
        SignalTimer->SetInterval(static_cast<std::uint32_t>(kSignalIntervalMs + 1 - since));
        SignalTimer->SetEnabled(true);
    }
}

void TQ7form::SignalTimerTimer(TObject*) {
    SignalTimer->SetEnabled(false);
    if (mySMeter->Enabled()) ShowSignal();
}

void TQ7form::ShowSignal() {
    SignalTimer->SetEnabled(false);
    lastSignalMs_ = plat::sys::ActiveClock().NowMs();
    mySMeter->SetPosition(Q7->SignalLevel());
}

// --- controls --------------------------------------------------------------------------------------

void TQ7form::stSpeedButton1Click(TObject*) { Q7->SetPower(stSpeedButton1->Down() ? 1 : 0); }

void TQ7form::stSpeedButton4Click(TObject* sender) {
    if (auto* b = dynamic_cast<TstSpeedButton*>(sender)) Q7->SetAGC(static_cast<std::int32_t>(b->Tag()));
}

void TQ7form::stSpeedButton2Click(TObject*) { Q7->SetAtten(stSpeedButton2->Down() ? 1 : 0); }

void TQ7form::stSpeedButton41Click(TObject*) {
    Q7->SetPreAmp(stSpeedButton41->Down() ? 1 : 0);
    // A receiver that refuses keeps its preamplifier: the button says so.
    stSpeedButton41->SetDown(Q7->GetPreAmp() != 0);
}

void TQ7form::stSpeedButton51Click(TObject*) { Q7->SetAFC(stSpeedButton51->Down()); }

void TQ7form::myIntEdit2ValueChange(TObject*) { Q7->SetIFGain(myIntEdit2->Value()); }

void TQ7form::myIntEdit3ValueChange(TObject*) { Q7->SetSquelch(myIntEdit3->Value()); }

void TQ7form::myIntEdit4ValueChange(TObject*) {
    const int mode = Q7->GetMode();
    if (!InModeTable(mode)) return;
    ModeSquelch(mode).noise = myIntEdit4->Value();
    ApplyModeSquelch(mode);
}

void TQ7form::myIntEdit5ValueChange(TObject*) {
    const int mode = Q7->GetMode();
    if (!InModeTable(mode)) return;
    ModeSquelch(mode).voice = static_cast<std::uint32_t>(myIntEdit5->Value());
    ApplyModeSquelch(mode);
}

void TQ7form::stSpeedButton42Click(TObject*) {
    std::uint32_t bits = 0;
    if (stSpeedButton8->Down()) bits |= kSquelchLevel;
    if (stSpeedButton42->Down()) bits |= kSquelchNoise;
    if (stSpeedButton44->Down()) bits |= kSquelchCtcss;
    if (stSpeedButton43->Down()) bits |= kSquelchVoice;
    if (stSpeedButton45->Down()) bits |= kSquelchDcs;
    const int mode = Q7->GetMode();
    if (!InModeTable(mode)) return;
    ModeSquelchTypes(mode) = static_cast<std::int32_t>(bits);
    ApplyModeSquelch(mode);
}

void TQ7form::myUpDown16Direction(TComponent*, int& val) {
    const int index = std::clamp(TagIndex(*stAlignEdit1, 52) + val, 0, 51);
    stAlignEdit1->SetTag(index);
    const std::int32_t tone = CtcssToneTable[static_cast<std::size_t>(index)];
    stAlignEdit1->SetText(FormatFloat(tone / 1000.0, 1, 1));
    const int mode = Q7->GetMode();
    if (!InModeTable(mode)) return;
    ModeSquelch(mode).ctcss = static_cast<std::uint32_t>(tone);
    ApplyModeSquelch(mode);
}

void TQ7form::myUpDown17Direction(TComponent*, int& val) {
    const int index = std::clamp(TagIndex(*stAlignEdit2, 112) + val, 0, 111);
    stAlignEdit2->SetTag(index);
    const std::int32_t code = DcsCodeTable[static_cast<std::size_t>(index)];
    const bool reverse = stSpeedButton46->Down();
    stAlignEdit2->SetText(DcsText(code, reverse));
    const int mode = Q7->GetMode();
    if (!InModeTable(mode)) return;
    ModeSquelch(mode).dcs = reverse ? -code : code;
    ApplyModeSquelch(mode);
}

void TQ7form::stSpeedButton46Click(TObject*) {
    int still = 0;
    myUpDown17Direction(myUpDown17, still);
}

void TQ7form::myUpDown4MiddleStart(TObject*) { SquelchTimer->SetEnabled(true); }

void TQ7form::myUpDown4MiddleEnd(TObject*) {
    SquelchTimer->SetEnabled(false);
    LXSquelchChange(Q7);
}

void TQ7form::SquelchTimerTimer(TObject*) { mySMeter->SetSquelch(myIntEdit3->Value()); }

void TQ7form::stSpeedButton16Click(TObject*) {
    stSpeedButton39->SetEnabled(stSpeedButton18->Down());
    mySMeter->SetShowDBM(stSpeedButton16->Down());
    mySMeter->SetShowSUnits(stSpeedButton17->Down());
    mySMeter->SetShowUV(stSpeedButton18->Down());
    mySMeter->SetShowPP(stSpeedButton39->Down());
}

void TQ7form::stSpeedButton18PaintCaption(TObject* sender) {
    auto* canvas = dynamic_cast<TCanvas*>(sender);
    if (!canvas) return;
    const int bevel = stSpeedButton18->BevelWidth();
    TRect r = stSpeedButton18->ClientRect();
    r = {r.left + bevel, r.top + bevel, r.right - bevel, r.bottom - bevel};
    canvas->DrawText("\xC2\xB5V", r, SingleLineFlags(TAlignment::taCenter, TTextLayout::tlCenter, false));
}

void TQ7form::stSpeedButton24Click(TObject*) {
    if (stSpeedButton24->Down()) {
        stSpeedButton24->SetKind(TSTButtonKind::stbkUpArrow);
    } else {
        if (SweepPanel) SweepPanel->SetEnabled(false);
        stSpeedButton24->SetKind(TSTButtonKind::stbkDownArrow);
    }
    ScrollTimer->SetEnabled(true);
}

void TQ7form::ScrollTimerTimer(TObject*) {
    // 5 px a tick, 1 px within the last 5, until the spectrum panel is all in or all out.
    auto step = [](int remaining) { return remaining > 5 ? 5 : 1; };
    const int panel = stPanel1->Height();
    if (stSpeedButton24->Down()) {
        const int full = panel + (SweepPanel ? SweepPanel->Height() : 0);
        if (ClientHeight() >= full) {
            ScrollTimer->SetEnabled(false);
            if (SweepPanel) SweepPanel->SetEnabled(Q7->GetPower() != 0);
            return;
        }
        SetClientSize(ClientWidth(), ClientHeight() + step(full - ClientHeight()));
    } else {
        if (panel >= ClientHeight()) {
            ScrollTimer->SetEnabled(false);
            if (stKnob1->Enabled() && stKnob1->HandleAllocated()) SetActiveControl(stKnob1);
            return;
        }
        SetClientSize(ClientWidth(), ClientHeight() - step(ClientHeight() - panel));
    }
}

void TQ7form::stSpeedButton37Click(TObject*) { myFreqGraph1->SetZoom(myFreqGraph1->Zoom() / 2); }

void TQ7form::stSpeedButton38Click(TObject*) { myFreqGraph1->SetZoom(myFreqGraph1->Zoom() * 2); }

void TQ7form::stSpeedButton52Click(TObject*) {
    myFreqGraph1->SetGraphType(stSpeedButton52->Down() ? TmyGraphType::myGraphHistogramRelative
                                                       : TmyGraphType::myGraphNormal);
    KVRDisable(this); // the trace buttons follow "Hits"
}

// --- S-meter ---------------------------------------------------------------------------------------

void TQ7form::mySMeterDebugString(TObject*, int index, TFont& font, std::string& text) {
    font.SetName("Arial");
    font.SetSize(8);
    const std::uint32_t word = Q7->InternalRssi();
    const std::uint32_t rssi = word & 0xFFFFu;
    const bool enabled = mySMeter->Enabled();
    switch (index) {
    case 0:
        if (ServiceMode()) text = "AGC:" + std::to_string(word >> 16);
        else if (enabled && Q7->GetAtten() != 0) {
            text = "Atten on";
            font.SetColor(kBlue);
        }
        break;
    case 1:
        if (ServiceMode()) text = "RSSI:" + std::to_string(rssi);
        else if (enabled && Q7->GetPreAmp() == 0) {
            text = "Preamp off";
            font.SetColor(kBlue);
        }
        break;
    case 2:
        if (enabled && Q7->GetSquelched()) {
            text = "Squelched";
            font.SetColor(kRed);
        }
        break;
    case 5:
        if (RawSignal()) {
            text = " " + std::to_string(Q7->SignalRaw()) + " ";
            font.SetColor(kYellow);
        }
        break;
    case 6: {
        const bool inRange = Q7->Demo() || (Q7->GetAtten() == 0 && Q7->GetPreAmp() != 0) ||
                             (Q7->GetMode() == kModeFmw ? rssi >= kRssiInRangeFmw : rssi != 0);
        if (inRange) {
            mySMeter->SetNeedleColor(kWhite);
            mySMeter->Font().SetColor(kYellow);
            mySMeter->SetSquelchColor(kRed);
        } else {
            text = "Under range";
            font.SetColor(kBlue);
            mySMeter->SetNeedleColor(kGrey);
            mySMeter->Font().SetColor(kGrey);
            mySMeter->SetSquelchColor(kGrey);
        }
        break;
    }
    default: break;
    }
}

void TQ7form::UpdateSMeterScale() {
    struct Scale {
        int ticks, min, max;
    };
    // [FMW][attenuator][preamplifier]
    static constexpr Scale kScales[2][2][2] = {
        {{{6, -120, -20}, {6, -130, -30}}, {{6, -100, 0}, {6, -110, -10}}},
        {{{5, -100, -20}, {5, -110, -30}}, {{5, -80, 0}, {5, -90, -10}}}};
    const Scale& s = kScales[Q7->GetMode() == kModeFmw][Q7->GetAtten() != 0][Q7->GetPreAmp() != 0];
    mySMeter->SetNumBigTicks(s.ticks);
    mySMeter->SetMin(s.min);
    mySMeter->SetMax(s.max);
}

void TQ7form::UpdateFrontPanelLED() {
    for (std::uint8_t pattern : FrontPanelLedPatterns(settings_.led, Q7->GetPower() != 0, Q7->GetProductName()))
        Q7->SetLED(pattern);
}

// --- refused frequency and display offset ----------------------------------------------------------

void TQ7form::Q7BlockedFrequency(TObject*, std::int64_t frequency) {
    FHint->Font().SetSize(14);
    const std::string text = "Illegal frequency " + Freq2str(frequency);
    const TRect size = FHint->CalcHintRect(600, text);
    const TPoint at = myFrequencyEdit1->ClientToScreen({0, 0});
    FHint->ActivateHint({at.x, at.y, at.x + size.Width(), at.y + size.Height()}, text);
    HintTimer->SetEnabled(false); // the hint stays 3 s after the last refusal
    HintTimer->SetEnabled(true);
}

void TQ7form::FrontpanelLED1Click(TObject*) {
    LEDform->OnRestoreLED = [this](TObject*) { UpdateFrontPanelLED(); };
    RunModal(*LEDform);
    UpdateFrontPanelLED();
}

void TQ7form::Displayoffset1Click(TObject*) {
    OffsetForm->OffsetEdit->SetValue(Q7->DisplayOffset());
    if (RunModal(*OffsetForm) != mrOk) return;
    ApplyDisplayOffset(OffsetForm->OffsetEdit->Value());
}

void TQ7form::ApplyDisplayOffset(std::int64_t offset) {
    const std::int64_t f = Q7->GetFreq();
    const std::int64_t o = Q7->DisplayOffset();
    Q7->SetDispOffset(offset);
    const std::int64_t n = Q7->DisplayOffset();
    FitFrequencyEntry();
    // The hardware tunes to the frequency plus the offset: it stays where it was.
    const auto shown = static_cast<std::uint64_t>(f) + static_cast<std::uint64_t>(o) - static_cast<std::uint64_t>(n);
    Q7->SetFreq(static_cast<std::int64_t>(shown));
}

void TQ7form::FitFrequencyEntry() {
    // The entry covers the receiver's 1 Hz .. 1 GHz as shown with the offset: a downconverter's
    // negative offset lets it show frequencies above 1 GHz.
    constexpr std::int64_t kLowest = 1, kHighest = 1'000'000'000;
    const std::int64_t offset = Q7->DisplayOffset();
    myFrequencyEdit1->SetMax(std::max(kHighest - offset, kLowest));
    myFrequencyEdit1->SetMin(std::max(kLowest - offset, kLowest));
}

} // namespace lxq
