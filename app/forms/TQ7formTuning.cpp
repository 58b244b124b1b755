// The front panel's tuning by memory channels and digits: the memory number with its spinner and
// step buttons, the digit spinners, the automatic step, the band and memory label, the wheel on
// the knob and the tuning pad's key row.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TmyTuningPad.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/FrontPanelLook.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/ScanChannel.h"
#include "app/forms/TMemoryForm.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TRecallForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/win/Messages.h"
#include "platform/win/PaintApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr int kTenMemories = 10;

TstSpeedButton* StepButton(TComponent* owner, TWinControl* parent, int x, int y, TSTButtonKind kind,
                           const char* hint) {
    TstSpeedButton* b = FrontPanelButton(owner, parent, x, y, 28, nullptr, kind);
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
}

TmyUpDown* Spinner(TComponent* owner, TWinControl* parent, int x, int y, int w, int h) {
    auto* u = Place<TmyUpDown>(owner, parent, x, y, w, h);
    u->SetColor(kFrontPanelColor);
    return u;
}

std::string Trimmed(const char* text, std::size_t size) {
    std::string s(text, strnlen(text, size));
    const auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

} // namespace

void TQ7form::BuildTuning() {
    // The tuning pad shows only its key row: its panel lets the lowest h pixels through.
    stPanel5 = Place<TstPanel>(this, stPanel1, 16, 248, 524, 44);
    stPanel5->SetColor(kFrontPanelColor);
    stPanel5->SetBevelWidth(2);
    const int padHeight = myTuningPad1->Height();
    const int h = stPanel5->ClientHeight() - 2 * stPanel5->BevelWidth();
    myTuningPad1->SetParent(stPanel5);
    myTuningPad1->SetBounds(0, stPanel5->BevelWidth() + h - padHeight, stPanel5->ClientWidth(), padHeight);
    plat::win::SetWindowRgn(myTuningPad1->Handle(),
                            plat::gdi::Region({0, padHeight - h, myTuningPad1->Width(), padHeight}), false);

    // Digit spinners, 100 MHz down to 1 Hz.
    TmyUpDown** digits[] = {&myUpDown5, &myUpDown6, &myUpDown7, &myUpDown8, &myUpDown9,
                            &myUpDown10, &myUpDown11, &myUpDown12, &myUpDown13};
    std::int64_t weight = 100'000'000;
    for (std::size_t i = 0; i < std::size(digits); ++i, weight /= 10) {
        TmyUpDown* u = Spinner(this, stPanel1, 16 + static_cast<int>(i) * 24, 128, 18, 44);
        u->SetTag(static_cast<std::intptr_t>(weight));
        u->OnDirection = [this](TComponent* s, int& v) { myUpDown5Direction(s, v); };
        *digits[i] = u;
    }

    myUpDown1 = Spinner(this, stPanel1, 512, 58, 14, 24);
    myUpDown1->OnDirection = [this](TComponent* s, int& v) { myUpDown1Direction(s, v); };
    myFrequencyEdit2->SetExitControl(stKnob1);

    // The memory row: step buttons round the memory number (made with the memory dialogs) and
    // its spinner, then the store and recall buttons.
    constexpr int row = 196;
    stSpeedButton11 = StepButton(this, stPanel1, 16, row, TSTButtonKind::stbkRewind, "10 memories to the left");
    stSpeedButton13 = StepButton(this, stPanel1, 46, row, TSTButtonKind::stbkShortLeftArrow, "Previous memory");
    myIntEdit1->SetBounds(78, row, 60, 24);
    myIntEdit1->SetMax(10000);
    myIntEdit1->SetExitControl(stKnob1);
    myIntEdit1->OnValueChange = [this](TObject* s) { myIntEdit1ValueChange(s); };
    myIntEdit1->OnValueChanging = [this](TObject* s, int v, bool& allow) { myIntEdit1ValueChanging(s, v, allow); };
    myUpDown2 = Spinner(this, stPanel1, 140, row, 14, 24);
    myUpDown2->OnDirection = [this](TComponent* s, int& v) { myUpDown2Direction(s, v); };
    myIntEdit1->SetUpDownControl(myUpDown2); // the wheel over the number steps through the spinner
    stSpeedButton14 = StepButton(this, stPanel1, 158, row, TSTButtonKind::stbkShortRightArrow, "Next memory");
    stSpeedButton25 = StepButton(this, stPanel1, 188, row, TSTButtonKind::stbkFastForward, "10 memories to the right");
    stSpeedButton12->SetBounds(228, row, 32, 24);
    stSpeedButton15->SetBounds(262, row, 32, 24);
    stSpeedButton13->OnAutoRepeat = [this](TObject* s) { stSpeedButton13AutoRepeat(s); };
    stSpeedButton14->OnAutoRepeat = [this](TObject* s) { stSpeedButton14AutoRepeat(s); };
    stSpeedButton11->OnAutoRepeat = [this](TObject* s) { stSpeedButton11AutoRepeat(s); };
    stSpeedButton25->OnAutoRepeat = [this](TObject* s) { stSpeedButton25AutoRepeat(s); };

    stSpeedButton9 = FrontPanelButton(this, stPanel1, 300, 92, 48, "Auto", TSTButtonKind::stbkNone);
    stSpeedButton9->SetHint("Automatic tuning step");
    stSpeedButton9->SetShowHint(true);
    stSpeedButton9->SetGroupIndex(2);
    stSpeedButton9->SetAllowAllUp(true);
    stSpeedButton9->OnClick = [this](TObject* s) { stSpeedButton9Click(s); };

    stKnob1->OnMouseWheel = [this](TObject* s, TShiftState shift, int delta, int x, int y, bool& handled) {
        stKnob1MouseWheel(s, shift, delta, x, y, handled);
    };
}

// --- label and memory number -------------------------------------------------------------------

void TQ7form::ShowMemoryLabel() {
    const std::int64_t f = myFrequencyEdit1->Value();
    const int band = FindBand(bands_, f);
    std::string label = band >= 0 ? bands_[static_cast<std::size_t>(band)].name : std::string();
    std::int32_t number = 0;
    const std::int64_t tuned = Q7->GetFreq();
    // Of several channels on the tuned frequency the one recalled, and so shown, stays; else the
    // last one.
    const TMemoryRecord* shown = nullptr;
    for (const auto& r : memories_) {
        if (r->frequency != tuned) continue;
        if (!shown || shown->number != myIntEdit1->Value()) shown = r.get();
    }
    if (shown) {
        const TMemoryRecord* r = shown;
        if (!Trimmed(r->callsign, sizeof r->callsign).empty())
            label.assign(r->callsign, strnlen(r->callsign, sizeof r->callsign));
        else if (!Trimmed(r->comments, sizeof r->comments).empty())
            label.assign(r->comments, strnlen(r->comments, sizeof r->comments));
        number = r->number;
    }
    // While the memory scan runs or pauses, the number is that of the channel it is on.
    if (ScanDirection() != 0 && ChosenScanKind() == ScanKind::Memory && memoriesByFrequency_) {
        const auto at = static_cast<std::size_t>(ActiveScanChannel().memoryPosition);
        if (at < memoriesByFrequency_->size()) number = (*memoriesByFrequency_)[at]->number;
    }
    if (myIntEdit1->Value() != number) {
        const bool react = reactToEdits_;
        reactToEdits_ = false; // shown only: no recall follows
        myIntEdit1->SetValue(number);
        reactToEdits_ = react;
    }
    myLabel16->SetCaption(label);
}

void TQ7form::myIntEdit1ValueChanging(TObject*, int value, bool& allow) {
    // Only a typed number is checked: the panel itself also shows 0 for "no channel here".
    if (reactToEdits_ && IndexOfNumber(memories_, value) < 0) allow = false;
}

void TQ7form::myIntEdit1ValueChange(TObject*) {
    if (!reactToEdits_ || !MemoryRecallAllowed()) return;
    const int at = IndexOfNumber(memories_, myIntEdit1->Value());
    if (at >= 0) RecallMemoryAt(static_cast<std::size_t>(at));
}

void TQ7form::RecallMemoryAt(std::size_t index) {
    if (index >= memories_.size()) return;
    // The dialogs get the list first, so that the recall list shows the channel recalled.
    MemoryForm->SetMemoryList(memories_, hotkeyUsed_);
    RecallForm->SetMemoryList(memories_);
    RecallForm->RecallEntry(static_cast<int>(index));
    ShowMemoryLabel();
}

// --- memory stepping ---------------------------------------------------------------------------

void TQ7form::StepMemory(int moves) {
    // A stepping button's repeat or the spinner's wheel may still come under a plug-in's lock.
    if (!MemoryRecallAllowed()) return;
    std::int32_t number = myIntEdit1->Value();
    for (int i = 0; i < std::abs(moves); ++i) {
        const auto next = NeighbourNumber(memories_, number, moves > 0);
        if (!next) break;
        number = *next;
    }
    if (number == myIntEdit1->Value()) return;
    const int at = IndexOfNumber(memories_, number);
    if (at >= 0) RecallMemoryAt(static_cast<std::size_t>(at));
}

void TQ7form::stSpeedButton14AutoRepeat(TObject*) { StepMemory(1); }
void TQ7form::stSpeedButton13AutoRepeat(TObject*) { StepMemory(-1); }
void TQ7form::stSpeedButton25AutoRepeat(TObject*) { StepMemory(kTenMemories); }
void TQ7form::stSpeedButton11AutoRepeat(TObject*) { StepMemory(-kTenMemories); }

void TQ7form::myUpDown2Direction(TComponent*, int& val) {
    const bool up = val > 0;
    int left = std::abs(val);
    for (; left >= kTenMemories; left -= kTenMemories) StepMemory(up ? kTenMemories : -kTenMemories);
    for (; left > 0; --left) StepMemory(up ? 1 : -1);
    val = 0;
}

// --- digits, step and wheel --------------------------------------------------------------------

void TQ7form::myUpDown5Direction(TComponent* sender, int& val) {
    if (!TuningAllowed()) return;
    const std::int64_t weight = sender ? static_cast<std::int64_t>(sender->Tag()) : 0;
    myFrequencyEdit1->SetValue(myFrequencyEdit1->Value() + static_cast<std::int64_t>(val) * weight);
    myFrequencyEdit1->Repaint();
}

void TQ7form::stSpeedButton9Click(TObject*) {
    const bool automatic = stSpeedButton9->Down();
    // The step entry follows the plug-in's frequency lock too, from the first click at start.
    const bool stepPanel = myFrequencyEdit2->Parent() && myFrequencyEdit2->Parent()->Enabled() && TuningAllowed();
    myFrequencyEdit2->SetEnabled(!automatic && stepPanel);
    myUpDown1->SetEnabled(!automatic && stepPanel);
    if (!automatic) return;
    const std::int64_t f = myFrequencyEdit1->Value();
    std::int64_t step = myFrequencyEdit2->Value();
    std::int32_t mode = Q7->GetMode();
    SQUELCH_SETTINGS squelch = Q7->SquelchSettings();
    std::uint32_t types = Q7->SquelchTypes();
    for (const TRangeRecord& e : autoSteps_) {
        if (e.lower > f || f >= e.upper) continue; // the last entry holding f wins
        step = e.step;
        mode = e.mode;
        // The entry's seven squelch words are the receiver's record as it was stored.
        static_assert(offsetof(TRangeRecord, dcs) + 4 - offsetof(TRangeRecord, levelSquelch) == sizeof squelch);
        std::memcpy(&squelch, &e.levelSquelch, sizeof squelch);
        types = static_cast<std::uint32_t>(e.activeSquelch);
    }
    myFrequencyEdit2->SetValue(step);
    Q7->SetMode(mode);
    Q7->SetSquelchSettings(squelch, types);
}

void TQ7form::stKnob1MouseWheel(TObject*, TShiftState shift, int wheelDelta, int, int, bool& handled) {
    for (int i = 0; i < std::abs(wheelDelta / plat::win::WHEEL_DELTA); ++i) stKnob1->Step(wheelDelta > 0, shift, true);
    handled = true;
}

} // namespace lxq
