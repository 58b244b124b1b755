#include "app/forms/RangeEditor.h"

#include <algorithm>
#include <cstring>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/DialogParts.h"
#include "app/forms/ModeNames.h"
#include "app/forms/RecordText.h"
#include "app/receiver/TQ7Facilities.h"
#include "platform/components/TLabel.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {
constexpr int kDescriptionMax = 31;
constexpr std::int64_t kMaxStep = 1'000'000'000;
} // namespace

RangeEditor::RangeEditor(TComponent* owner, const TQ7Facilities& facilities, const char* caption)
    : TForm(owner), facilities_(facilities) {
    RunModal = [](TForm& f) { return f.ShowModal(); };
    SetCaption(caption);
    SetPosition(TPosition::poMainFormCenter);
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetClientSize(420, 330);
    SetKeyPreview(true);
    auto label = [this](int x, int y, const char* text) {
        PlaceLabel(this, this, x, y, 110, text);
    };
    auto frequency = [this](int y) {
        auto* e = Place<TmyFrequencyEdit>(this, this, 120, y, 160, 24);
        auto* spin = Place<TmyUpDown>(this, this, 282, y, 16, 24);
        spin->SetFrequencyEdit(e);
        return e;
    };
    label(8, 12, "Lower frequency");
    LowerEdit = frequency(8);
    label(8, 40, "Upper frequency");
    UpperEdit = frequency(36);
    label(8, 68, "Step size");
    StepEdit = frequency(64);
    StepEdit->SetMin(1);
    StepEdit->SetMax(kMaxStep);
    label(8, 96, "Mode");
    ModeEdit = Place<TstEdit>(this, this, 120, 92, 160, 24);
    ModeEdit->SetReadOnly(true);
    ModeSpin = Place<TmyUpDown>(this, this, 282, 92, 16, 24);
    ModeSpin->OnDirection = [this](TComponent*, int& val) { StepMode(val); };
    label(8, 124, "Squelch");
    Squelch = std::make_unique<SquelchControls>(this, this, 120, 120);
    label(8, 268, "Description");
    DescriptionEdit = Place<TstEdit>(this, this, 120, 264, 290, 24);
    DescriptionEdit->SetMaxLength(kDescriptionMax);
    OKButton = Place<TstSpeedButton>(this, this, 260, 298, 70, 24);
    OKButton->SetCaption("OK");
    CancelButton = Place<TstSpeedButton>(this, this, 340, 298, 70, 24);
    CancelButton->SetCaption("Cancel");
    OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
    CancelButton->OnClick = [this](TObject* s) { CancelButtonClick(s); };
    OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) {
        if (key == plat::win::VK_RETURN) OKButtonClick(OKButton);
        else if (key == plat::win::VK_ESCAPE) CancelButtonClick(CancelButton);
        else return;
        key = 0;
    };
    ApplyLimits();
    ShowMode();
}

void RangeEditor::ApplyLimits() {
    for (TmyFrequencyEdit* e : {LowerEdit, UpperEdit}) {
        e->SetMin(facilities_.MinFrequency);
        e->SetMax(facilities_.MaxFrequency);
    }
}

void RangeEditor::StepMode(int steps) {
    modePosition_ = std::clamp(modePosition_ + steps, 0, std::max(facilities_.ModesCount - 1, 0));
    ShowMode();
}

void RangeEditor::ShowMode() { ModeEdit->SetText(std::string(ModeName(facilities_.GetMode(modePosition_)))); }

void RangeEditor::LoadDefaults() {
    ApplyLimits();
    LowerEdit->SetValue(facilities_.MinFrequency);
    UpperEdit->SetValue(facilities_.MaxFrequency);
    StepEdit->SetValue(kNewRangeStep);
    TRangeRecord none{};
    Squelch->Load(none);
    modePosition_ = 0;
    ShowMode();
    DescriptionEdit->SetText("");
}

void RangeEditor::LoadRecord(const TRangeRecord& r) {
    ApplyLimits();
    LowerEdit->SetValue(r.lower);
    UpperEdit->SetValue(r.upper);
    StepEdit->SetValue(r.step);
    for (int i = 0; i < facilities_.ModesCount; ++i)
        if (facilities_.GetMode(i) == r.mode) modePosition_ = i;
    ShowMode();
    Squelch->Load(r);
    DescriptionEdit->SetText(RecordText(r.description));
}

void RangeEditor::StoreRecord(TRangeRecord& r) const {
    r.lower = LowerEdit->Value();
    r.upper = UpperEdit->Value();
    r.step = StepEdit->Value();
    r.mode = facilities_.GetMode(modePosition_);
    Squelch->Store(r);
    PutRecordText(r.description, DescriptionEdit->Text());
}

void RangeEditor::OKButtonClick(TObject*) {
    SetActiveControl(nullptr); // an edit still being typed commits its value
    SetModalResult(mrOk);
}

void RangeEditor::CancelButtonClick(TObject*) { SetModalResult(mrCancel); }

} // namespace lxq
