#include "app/forms/TScanSetForm.h"

#include "app/controls/TstIntEdit.h"
#include "app/forms/DialogParts.h"
#include "app/forms/TExclusionsForm.h"
#include "app/forms/TRangesForm.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TPanel.h"
#include "platform/components/TRadioButton.h"

namespace lxq {

using namespace plat::comp;

namespace {
constexpr const char* kResumeCaptions[4] = {"When a signal disappears", "After 'Delay time'",
                                            "When a signal disappears during 'Delay time'",
                                            "When no signal for 'Delay time'"};
} // namespace

TScanSetForm::TScanSetForm(TComponent* owner, TRangesForm* ranges, TExclusionsForm* exclusions)
    : TForm(owner), ranges_(ranges), exclusions_(exclusions) {
    RunModal = [](TForm& f) { return f.ShowModal(); };
    SetCaption("Scan settings");
    SetPosition(TPosition::poMainFormCenter);
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetClientSize(380, 290);
    SetKeyPreview(true);

    PlaceLabel(this, this, 10, 8, 200, "When a signal appears");
    auto* choice = Place<TPanel>(this, this, 10, 26, 360, 28);
    choice->SetBevelOuter(TPanelBevel::bvNone);
    PauseButton = Place<TRadioButton>(this, choice, 4, 4, 100, 20);
    PauseButton->SetCaption("Pause");
    PauseButton->SetChecked(true);
    StopButton = Place<TRadioButton>(this, choice, 120, 4, 100, 20);
    StopButton->SetCaption("Stop");
    PauseButton->OnClick = [this](TObject* s) { PauseStopClick(s); };
    StopButton->OnClick = [this](TObject* s) { PauseStopClick(s); };

    PlaceLabel(this, this, 10, 62, 200, "Resume scanning");
    resumePanel_ = Place<TPanel>(this, this, 10, 80, 360, 100);
    resumePanel_->SetBevelOuter(TPanelBevel::bvNone);
    for (int i = 0; i < 4; ++i) {
        ResumeButtons[i] = Place<TRadioButton>(this, resumePanel_, 4, 4 + i * 24, 350, 20);
        ResumeButtons[i]->SetCaption(kResumeCaptions[i]);
    }

    PlaceLabel(this, this, 10, 192, 80, "Delay time");
    DelayEdit = Place<TstIntEdit>(this, this, 100, 188, 60, 22);
    DelayEdit->SetMin(1);
    DelayEdit->SetMax(100);
    PlaceLabel(this, this, 166, 192, 40, "sec");

    auto button = [this](int x, const char* caption) {
        auto* b = Place<TButton>(this, this, x, 250, 66, 26);
        b->SetCaption(caption);
        return b;
    };
    RangesButton = button(10, "Ranges");
    GroupsButton = button(82, "Groups");
    ExclusionsButton = button(154, "Exclusions");
    OKButton = button(232, "OK");
    OKButton->SetDefault(true);
    CancelButton = button(304, "Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
    RangesButton->OnClick = [this](TObject* s) { RangesButtonClick(s); };
    GroupsButton->OnClick = [this](TObject* s) { GroupsButtonClick(s); };
    ExclusionsButton->OnClick = [this](TObject* s) { ExclusionsButtonClick(s); };
}

void TScanSetForm::Load(ScanSettings& settings) {
    settings_ = &settings;
    StopButton->SetChecked(settings.StopOnFound == 1);
    PauseButton->SetChecked(settings.StopOnFound != 1);
    if (settings.OnLost >= 0 && settings.OnLost < 4) ResumeButtons[settings.OnLost]->SetChecked(true);
    DelayEdit->SetValue(settings.DelayTime / 1000);
}

void TScanSetForm::Edit(ScanSettings& settings) {
    Load(settings);
    SetModalResult(mrNone);
    RunModal(*this);
    settings_ = nullptr;
}

void TScanSetForm::PauseStopClick(TObject*) {
    const bool pausing = PauseButton->Checked();
    resumePanel_->SetEnabled(pausing);
    // The choices themselves too: a radio button is drawn grey by its own state, not its panel's.
    for (TRadioButton* b : ResumeButtons) b->SetEnabled(pausing);
}

void TScanSetForm::OKButtonClick(TObject*) {
    SetActiveControl(nullptr); // an edit still being typed commits its value
    if (settings_) {
        settings_->DelayTime = DelayEdit->Value() * 1000;
        settings_->StopOnFound = StopButton->Checked() ? 1 : 0;
        for (int i = 0; i < 4; ++i)
            if (ResumeButtons[i]->Checked()) settings_->OnLost = i;
    }
    SetModalResult(mrOk);
}

void TScanSetForm::RangesButtonClick(TObject*) {
    if (ranges_) RunModal(*ranges_);
}

void TScanSetForm::GroupsButtonClick(TObject*) {
    if (!settings_ || !EditGroups) return;
    std::int32_t mask = settings_->MemGroups;
    bool enabled = settings_->EnableGroups != 0;
    if (!EditGroups(mask, enabled)) return;
    settings_->MemGroups = mask;
    settings_->EnableGroups = enabled ? 1 : 0;
}

void TScanSetForm::ExclusionsButtonClick(TObject*) {
    if (!exclusions_ || !Exclusions) return;
    exclusions_->SetList(Exclusions);
    RunModal(*exclusions_);
}

} // namespace lxq
