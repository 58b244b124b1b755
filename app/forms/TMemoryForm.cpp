#include "app/forms/TMemoryForm.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/controls/FloatText.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstEdit.h"
#include "app/forms/RecordText.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/ModeNames.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/SquelchCodes.h"
#include "app/forms/SquelchTexts.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/SquelchSettings.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TButton.h"
#include "platform/components/TMessageForm.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr int kNoHotkey = 1; // the dialog's "None"
constexpr std::uint32_t kStoredChannel = 0x201;
constexpr std::size_t kCallsignChars = sizeof(TMemoryRecord::callsign) - 1;
constexpr std::size_t kCommentsChars = sizeof(TMemoryRecord::comments) - 1;
constexpr TColor kBack = 0x404040;
constexpr TColor kField = 0x202020;

std::string HotkeyName(int position) {
    return position <= kNoHotkey ? std::string("None") : "F" + std::to_string(position);
}

// Copies text into a fixed field, cut to the field's room and zero-terminated.
template <std::size_t N>
void PutText(char (&field)[N], const std::string& text) {
    PutRecordText(field, text);
}

template <std::size_t N>
std::string GetText(const char (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

template <typename Table>
int IndexIn(const Table& table, std::int32_t value, int keep) {
    const auto it = std::find(table.begin(), table.end(), value);
    return it == table.end() ? keep : static_cast<int>(it - table.begin());
}

} // namespace

TMemoryForm::TMemoryForm(TComponent* owner, TQ7form& main) : TForm(owner), main_(main) {
    BuildControls();
    SetKeyPreview(true);
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyDown(s, k, st); };
}

void TMemoryForm::BuildControls() {
    SetCaption("Store frequency");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(420, 400);
    SetColor(kBack);

    auto label = [this](int x, int y, int w, const char* text) {
        auto* l = Place<TmyLabel>(this, this, x, y, w, 18);
        l->SetCaption(text);
        l->Font().SetColor(clWhite);
        return l;
    };
    auto field = [this](auto* control) {
        control->SetColor(kField);
        control->Font().SetColor(clLime);
        return control;
    };
    int group = 1; // each independent toggle latches on its own
    auto toggle = [this, &group](int x, int y, int w, const char* caption, int index = 0) {
        auto* b = Place<TstSpeedButton>(this, this, x, y, w, 22);
        b->SetCaption(caption);
        b->SetColor(kBack);
        b->SetColorDown(kField);
        b->Font().SetColor(clWhite);
        b->SetFontColorDown(clYellow);
        b->SetGroupIndex(index != 0 ? index : group++);
        b->SetAllowAllUp(true);
        return b;
    };
    auto spinner = [this](TWinControl* beside) {
        auto* u = Place<TmyUpDown>(this, this, beside->Left() + beside->Width(), beside->Top(),
                                          beside->Height() / 2, beside->Height());
        return u;
    };

    FileLabel = label(10, 6, 400, "Current file: ");
    label(10, 30, 100, "Frequency");
    myFrequencyEdit1 = field(Place<TmyFrequencyEdit>(this, this, 110, 28, 150, 22));
    myFrequencyEdit1->SetShowUnit(TFrequencyUnit::fuMHz);
    myFrequencyEdit1->SetMin(0);
    myFrequencyEdit1->SetMax(INT64_MAX / 2);

    label(10, 56, 100, "Memory number");
    myIntEdit1 = field(Place<TmyIntEdit>(this, this, 110, 54, 100, 22));
    myIntEdit1->SetMin(kFirstChannel);
    myIntEdit1->SetMax(kLastChannel);
    myIntEdit1->OnValueChange = [this](TObject* s) { myIntEdit1ValueChange(s); };
    myUpDown1 = Place<TmyUpDown>(this, this, 0, 0, 11, 22);
    myUpDown1->SetIntEdit(myIntEdit1);

    label(10, 84, 100, "Set groups:");
    for (int i = 0; i < 16; ++i)
        GroupButtons[static_cast<std::size_t>(i)] = toggle(110 + (i % 8) * 36, 82 + (i / 8) * 24, 34,
                                                           std::to_string(i + 1).c_str());

    label(10, 136, 100, "Callsign");
    CallsignEdit = field(Place<TstEdit>(this, this, 110, 134, 120, 22));
    CallsignEdit->SetMaxLength(static_cast<int>(kCallsignChars));
    label(250, 136, 60, "Hotkey");
    HotkeyText = field(Place<TstEdit>(this, this, 310, 134, 60, 22));
    HotkeyText->SetReadOnly(true);
    HotkeyUpDown = spinner(HotkeyText);
    HotkeyUpDown->OnDirection = [this](TComponent* s, int& v) { HotkeyUpDownDirection(s, v); };

    label(10, 162, 100, "Comments");
    CommentsEdit = field(Place<TstEdit>(this, this, 110, 160, 290, 22));
    CommentsEdit->SetMaxLength(static_cast<int>(kCommentsChars));

    StoreModeButton = toggle(10, 190, 95, "Store mode");
    StoreModeButton->OnClick = [this](TObject* s) { StoreModeButtonClick(s); };
    ModeText = field(Place<TstEdit>(this, this, 110, 190, 60, 22));
    ModeText->SetReadOnly(true);
    ModeUpDown = spinner(ModeText);
    ModeUpDown->OnDirection = [this](TComponent* s, int& v) { ModeUpDownDirection(s, v); };

    StoreSquelchButton = toggle(10, 218, 95, "Store squelch");
    StoreSquelchButton->OnClick = [this](TObject* s) { StoreSquelchButtonClick(s); };
    auto squelchClick = [this](TObject* s) { SquelchButtonClick(s); };
    constexpr int kSecondGroup = 100; // "Noise", "Voice", "CTCSS" and "DCS": one at most
    // A squelch value: its toggle, a number field and the field's spinner.
    auto value = [&](int y, const char* caption, int group, int min, int max, TstSpeedButton*& button,
                     TmyIntEdit*& edit, TmyUpDown*& upDown) {
        button = toggle(110, y, 60, caption, group);
        edit = field(Place<TmyIntEdit>(this, this, 175, y, 60, 22));
        edit->SetMin(min);
        edit->SetMax(max);
        edit->SetValue(min);
        upDown = Place<TmyUpDown>(this, this, 0, 0, 11, 22);
        upDown->SetIntEdit(edit);
    };
    value(218, "Level", 0, -130, -30, LevelButton, LevelEdit, LevelUpDown);
    value(244, "Noise", kSecondGroup, 0, 99, NoiseButton, NoiseEdit, NoiseUpDown);
    value(270, "Voice", kSecondGroup, 0, 99, VoiceButton, VoiceEdit, VoiceUpDown);
    CtcssButton = toggle(260, 218, 60, "CTCSS", kSecondGroup);
    CtcssText = field(Place<TstEdit>(this, this, 325, 218, 60, 22));
    CtcssText->SetReadOnly(true);
    CtcssUpDown = spinner(CtcssText);
    CtcssUpDown->OnDirection = [this](TComponent* s, int& v) { CtcssUpDownDirection(s, v); };
    DcsButton = toggle(260, 244, 60, "DCS", kSecondGroup);
    DcsText = field(Place<TstEdit>(this, this, 325, 244, 60, 22));
    DcsText->SetReadOnly(true);
    DcsUpDown = spinner(DcsText);
    DcsUpDown->OnDirection = [this](TComponent* s, int& v) { DcsUpDownDirection(s, v); };
    DcsInvertedButton = toggle(260, 270, 24, "R");
    DcsInvertedButton->OnClick = [this](TObject*) { ShowDcs(); };
    for (TstSpeedButton* b : {LevelButton, NoiseButton, VoiceButton, CtcssButton, DcsButton})
        b->OnClick = squelchClick;

    label(10, 302, 100, "Bandwidth");
    BandwidthEdit = field(Place<TmyFrequencyEdit>(this, this, 110, 300, 100, 22));
    BandwidthEdit->SetShowUnit(TFrequencyUnit::fukHz);
    BandwidthEdit->SetMin(1);
    BandwidthEdit->SetMax(20'000);
    BandwidthUpDown = Place<TmyUpDown>(this, this, 0, 0, 11, 22);
    BandwidthUpDown->SetFrequencyEdit(BandwidthEdit);
    LockoutButton = toggle(240, 300, 160, "Memory scan lockout");

    OKButton = Place<TButton>(this, this, 120, 350, 80, 26);
    OKButton->SetCaption("OK");
    OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
    CancelButton = Place<TButton>(this, this, 220, 350, 80, 26);
    CancelButton->SetCaption("Cancel");
    CancelButton->OnClick = [this](TObject* s) { CancelButtonClick(s); };
}

void TMemoryForm::SetMemoryList(MemoryList& list, HotkeyTable& hotkeyUsed) {
    list_ = &list;
    hotkeyUsed_ = &hotkeyUsed;
    FileLabel->SetCaption("Current file: " + std::filesystem::path(main_.MemoryFileName()).filename().string());
}

int TMemoryForm::FindNumber(std::int32_t number) const { return list_ ? IndexOfNumber(*list_, number) : -1; }

void TMemoryForm::SortByNumber() {
    if (!list_) return;
    std::stable_sort(list_->begin(), list_->end(),
                     [](const auto& a, const auto& b) { return a->number < b->number; });
}

int TMemoryForm::LowestUnusedNumber() const {
    // Among count + 1 numbers one is free; anything larger cannot be the lowest.
    std::vector<bool> taken(list_->size() + 2, false);
    for (const auto& r : *list_)
        if (r->number >= 1 && static_cast<std::size_t>(r->number) < taken.size())
            taken[static_cast<std::size_t>(r->number)] = true;
    std::size_t n = 1;
    while (taken[n]) ++n;
    return static_cast<int>(n);
}

int TMemoryForm::ShowEntry(TMemoryRecord& record, int position) { return Edit(record, position); }

int TMemoryForm::ShowEntry(std::unique_ptr<TMemoryRecord> fresh) {
    if (!fresh || !list_) return mrCancel;
    fresh_ = std::move(fresh);
    TMemoryRecord& r = *fresh_;
    const int result = Edit(r, static_cast<int>(list_->size()));
    fresh_.reset(); // after Cancel the new channel goes; after OK the list holds it
    return result;
}

int TMemoryForm::Edit(TMemoryRecord& record, int position) {
    if (!list_ || !hotkeyUsed_) return mrCancel;
    record_ = &record;
    position_ = position;
    Fill();
    const TModalResult result = ShowModal();
    record_ = nullptr;
    return result == mrOk ? mrOk : mrCancel;
}

void TMemoryForm::Fill() {
    TMemoryRecord& r = *record_;
    if (position_ >= static_cast<int>(list_->size())) r.number = LowestUnusedNumber();
    StoreModeButton->SetDown((r.flags & kMemKeepMode) == 0);
    StoreSquelchButton->SetDown((r.flags & kMemKeepSquelch) == 0);
    myIntEdit1->SetValue(r.number);
    myIntEdit1ValueChange(myIntEdit1);
    myFrequencyEdit1->SetValue(r.frequency);
    BandwidthEdit->SetValue(static_cast<std::int64_t>(r.bandwidth));

    const TQ7Facilities& facilities = main_.Q7->Q7Facilities();
    modePos_ = 0;
    for (int i = 0; i < facilities.ModesCount; ++i)
        if (facilities.GetMode(i) == r.mode) {
            modePos_ = i;
            break;
        }
    ShowMode();

    LevelButton->SetDown(r.levelSquelch != 0);
    if (r.levelSquelch != 0) LevelEdit->SetValue(r.levelSquelch);
    for (TstSpeedButton* b : {NoiseButton, VoiceButton, CtcssButton, DcsButton}) b->SetDown(false);
    switch (static_cast<std::uint32_t>(r.squelchType)) {
    case kSquelchNoise:
        NoiseButton->SetDown(true);
        NoiseEdit->SetValue(r.squelchValue);
        break;
    case kSquelchCtcss:
        CtcssButton->SetDown(true);
        ctcssPos_ = IndexIn(CtcssToneTable, r.squelchValue, ctcssPos_);
        break;
    case kSquelchVoice:
        VoiceButton->SetDown(true);
        VoiceEdit->SetValue(r.squelchValue);
        break;
    case kSquelchDcs: {
        DcsButton->SetDown(true);
        DcsInvertedButton->SetDown(r.squelchValue < 0);
        const std::int32_t code = r.squelchValue == INT32_MIN ? 0 : std::abs(r.squelchValue);
        dcsPos_ = IndexIn(DcsCodeTable, code, dcsPos_);
        break;
    }
    default: break;
    }
    ShowCtcss();
    ShowDcs();
    ApplyEnabling();

    for (int n = 1; n <= 16; ++n)
        GroupButtons[static_cast<std::size_t>(n - 1)]->SetDown((r.groups & (1u << (16 - n))) != 0);
    CallsignEdit->SetText(GetText(r.callsign));
    CommentsEdit->SetText(GetText(r.comments));
    LockoutButton->SetDown((r.flags & kMemLockout) != 0);

    hotkeyPos_ = std::clamp(r.hotkey, kNoHotkey, kLastHotkey);
    if (r.hotkey == kNoHotkey)
        for (int k = kFirstHotkey; k <= kLastHotkey; ++k)
            if (!(*hotkeyUsed_)[static_cast<std::size_t>(k)]) {
                hotkeyPos_ = k;
                break;
            }
    ShowHotkey();
}

// --- spinners and colours ----------------------------------------------------------------------

void TMemoryForm::ShowHotkey() {
    HotkeyText->SetText(HotkeyName(hotkeyPos_));
    const bool taken = (*hotkeyUsed_)[static_cast<std::size_t>(hotkeyPos_)] &&
                       !(record_ && hotkeyPos_ == record_->hotkey);
    HotkeyText->Font().SetColor(taken ? clRed : clLime);
    HotkeyText->Invalidate();
}

void TMemoryForm::ShowMode() {
    const TQ7Facilities& facilities = main_.Q7->Q7Facilities();
    ModeText->SetText(std::string(ModeName(facilities.GetMode(modePos_))));
}

void TMemoryForm::ShowCtcss() { CtcssText->SetText(lxq::CtcssText(CtcssToneTable[static_cast<std::size_t>(ctcssPos_)])); }

void TMemoryForm::ShowDcs() {
    const std::int32_t code = DcsCodeTable[static_cast<std::size_t>(dcsPos_)];
    DcsText->SetText(lxq::DcsText(DcsInvertedButton->Down() ? -code : code));
}

void TMemoryForm::HotkeyUpDownDirection(TComponent*, int& val) {
    if (!hotkeyUsed_) return;
    hotkeyPos_ = std::clamp(hotkeyPos_ + val, kNoHotkey, kLastHotkey);
    ShowHotkey();
}

void TMemoryForm::ModeUpDownDirection(TComponent*, int& val) {
    const int count = main_.Q7->Q7Facilities().ModesCount;
    modePos_ = std::clamp(modePos_ + val, 0, std::max(count - 1, 0));
    ShowMode();
}

void TMemoryForm::CtcssUpDownDirection(TComponent*, int& val) {
    ctcssPos_ = std::clamp(ctcssPos_ + val, 0, static_cast<int>(CtcssToneTable.size()) - 1);
    ShowCtcss();
}

void TMemoryForm::DcsUpDownDirection(TComponent*, int& val) {
    dcsPos_ = std::clamp(dcsPos_ + val, 0, static_cast<int>(DcsCodeTable.size()) - 1);
    ShowDcs();
}

void TMemoryForm::myIntEdit1ValueChange(TObject*) {
    const int at = FindNumber(myIntEdit1->Value());
    myIntEdit1->Font().SetColor(at == -1 || at == position_ ? clLime : clRed);
    myIntEdit1->Invalidate();
}

// --- enabling ----------------------------------------------------------------------------------

void TMemoryForm::ApplyEnabling() {
    const bool mode = StoreModeButton->Down();
    ModeText->SetEnabled(mode);
    ModeUpDown->SetEnabled(mode);
    const bool squelch = StoreSquelchButton->Down();
    for (TstSpeedButton* b : {LevelButton, NoiseButton, VoiceButton, CtcssButton, DcsButton}) b->SetEnabled(squelch);
    const auto pair = [squelch](TstSpeedButton* b, TWinControl* value, TWinControl* spin) {
        const bool on = squelch && b->Down();
        value->SetEnabled(on);
        spin->SetEnabled(on);
    };
    pair(LevelButton, LevelEdit, LevelUpDown);
    pair(NoiseButton, NoiseEdit, NoiseUpDown);
    pair(VoiceButton, VoiceEdit, VoiceUpDown);
    pair(CtcssButton, CtcssText, CtcssUpDown);
    pair(DcsButton, DcsText, DcsUpDown);
    DcsInvertedButton->SetEnabled(DcsText->Enabled());
    ShowDcs();
}

void TMemoryForm::StoreModeButtonClick(TObject*) { ApplyEnabling(); }
void TMemoryForm::StoreSquelchButtonClick(TObject*) { ApplyEnabling(); }
void TMemoryForm::SquelchButtonClick(TObject*) { ApplyEnabling(); }

// --- OK and Cancel -----------------------------------------------------------------------------

bool TMemoryForm::AskReplace(const TMemoryRecord& other) {
    std::string text = "Replace the existing memory entry ?\n\nFrequency=" + Freq2str(other.frequency) +
                       "\nMode=" + std::string(ModeName(other.mode));
    if (other.callsign[0]) text += "\nCallsign: " + GetText(other.callsign);
    if (other.comments[0]) text += "\nComments: " + GetText(other.comments);
    return main_.ShowMessageBox(text, "Memory number exists", MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) == IDYES;
}

void TMemoryForm::OKButtonClick(TObject*) {
    if (!record_) return;
    // Typed values count only once the edit lets go of the focus.
    if (OKButton->CanFocus()) OKButton->SetFocus();
    const std::int32_t number = myIntEdit1->Value();
    for (std::size_t i = 0; i < list_->size(); ++i) {
        TMemoryRecord* other = (*list_)[i].get();
        if (other == record_ || other->number != number) continue;
        if (!AskReplace(*other)) return;
        list_->erase(list_->begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
    WriteBack();
    if (fresh_) list_->push_back(std::move(fresh_));
    SortByNumber();
    // The view by frequency may still name a channel that was replaced: renew it before anyone
    // reads it again.
    main_.RebuildSortedMemories();
    main_.KVR->NotifyPlugins(kStoredChannel, static_cast<std::uint32_t>(record_->number), record_,
                             static_cast<std::int32_t>(sizeof(TMemoryRecord)));
    SetModalResult(mrOk);
    main_.myFrequencyEdit1ValueChange(this);
}

void TMemoryForm::WriteBack() {
    TMemoryRecord& r = *record_;
    std::uint32_t flags = r.flags & ~(kMemLockout | kMemKeepMode | kMemKeepSquelch);
    if (LockoutButton->Down()) flags |= kMemLockout;
    if (!StoreModeButton->Down()) flags |= kMemKeepMode;
    if (!StoreSquelchButton->Down()) flags |= kMemKeepSquelch;
    r.flags = flags;

    r.hotkey = hotkeyPos_;
    HotkeyTable& used = *hotkeyUsed_;
    if (used[static_cast<std::size_t>(hotkeyPos_)])
        for (auto& other : *list_)
            if (other.get() != &r && other->hotkey == hotkeyPos_) other->hotkey = kNoHotkey;
    used[static_cast<std::size_t>(hotkeyPos_)] = true;

    std::uint32_t groups = 0;
    for (int n = 1; n <= 16; ++n)
        if (GroupButtons[static_cast<std::size_t>(n - 1)]->Down()) groups |= 1u << (16 - n);
    r.groups = groups;
    PutText(r.callsign, CallsignEdit->Text());
    PutText(r.comments, CommentsEdit->Text());

    r.number = myIntEdit1->Value();
    r.frequency = myFrequencyEdit1->Value();
    r.bandwidth = static_cast<std::uint32_t>(BandwidthEdit->Value());
    r.mode = main_.Q7->Q7Facilities().GetMode(modePos_);
    r.levelSquelch = LevelButton->Down() ? LevelEdit->Value() : 0;
    if (NoiseButton->Down()) {
        r.squelchType = static_cast<std::int32_t>(kSquelchNoise);
        r.squelchValue = NoiseEdit->Value();
    } else if (VoiceButton->Down()) {
        r.squelchType = static_cast<std::int32_t>(kSquelchVoice);
        r.squelchValue = VoiceEdit->Value();
    } else if (CtcssButton->Down()) {
        r.squelchType = static_cast<std::int32_t>(kSquelchCtcss);
        r.squelchValue = CtcssToneTable[static_cast<std::size_t>(ctcssPos_)];
    } else if (DcsButton->Down()) {
        const std::int32_t code = DcsCodeTable[static_cast<std::size_t>(dcsPos_)];
        r.squelchType = static_cast<std::int32_t>(kSquelchDcs);
        r.squelchValue = DcsInvertedButton->Down() ? -code : code;
    } else {
        r.squelchType = 0;
        r.squelchValue = 0;
    }
}

void TMemoryForm::CancelButtonClick(TObject*) { SetModalResult(mrCancel); }

void TMemoryForm::FormKeyDown(TObject*, std::uint16_t& key, TShiftState) {
    if (key == plat::win::VK_RETURN) {
        key = 0;
        OKButtonClick(OKButton);
    } else if (key == plat::win::VK_ESCAPE) {
        key = 0;
        CancelButtonClick(CancelButton);
    }
}

} // namespace lxq
