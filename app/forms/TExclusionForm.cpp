#include "app/forms/TExclusionForm.h"

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/DialogParts.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

TExclusionForm::TExclusionForm(TComponent* owner) : TForm(owner) {
    ShowMessageBox = [](const std::string& t, const std::string& c, std::uint32_t f) { return MessageBox(t, c, f); };
    SetCaption("Exclusion");
    SetPosition(TPosition::poMainFormCenter);
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetClientSize(260, 110);
    SetKeyPreview(true);
    PlaceLabel(this, this, 8, 12, 40, "From");
    FromEdit = Place<TmyFrequencyEdit>(this, this, 50, 8, 184, 24);
    FromUpDown = Place<TmyUpDown>(this, this, 236, 8, 16, 24);
    PlaceLabel(this, this, 8, 42, 40, "To");
    ToEdit = Place<TmyFrequencyEdit>(this, this, 50, 38, 184, 24);
    ToUpDown = Place<TmyUpDown>(this, this, 236, 38, 16, 24);
    for (TmyFrequencyEdit* e : {FromEdit, ToEdit}) {
        e->SetMin(INT64_MIN / 2);
        e->SetMax(INT64_MAX / 2);
    }
    FromUpDown->SetFrequencyEdit(FromEdit);
    ToUpDown->SetFrequencyEdit(ToEdit);
    stSpeedButton1 = Place<TstSpeedButton>(this, this, 100, 76, 70, 24);
    stSpeedButton1->SetCaption("OK");
    stSpeedButton2 = Place<TstSpeedButton>(this, this, 180, 76, 70, 24);
    stSpeedButton2->SetCaption("Cancel");
    stSpeedButton1->OnClick = [this](TObject* s) { stSpeedButton1Click(s); };
    stSpeedButton2->OnClick = [this](TObject* s) { stSpeedButton2Click(s); };
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyDown(s, k, st); };
}

void TExclusionForm::stSpeedButton1Click(TObject*) {
    SetActiveControl(nullptr); // an edit still being typed commits its value
    if (FromEdit->Value() < ToEdit->Value()) {
        SetModalResult(mrOk);
        return;
    }
    if (FromEdit->HandleAllocated() && FromEdit->CanFocus()) FromEdit->SetFocus();
    ShowMessageBox("From must be smaller than To", "Invalid range !", MB_ICONWARNING | MB_OK | MB_TOPMOST);
}

void TExclusionForm::stSpeedButton2Click(TObject*) { SetModalResult(mrCancel); }

void TExclusionForm::FormKeyDown(TObject*, std::uint16_t& key, TShiftState) {
    if (key == plat::win::VK_RETURN) stSpeedButton1Click(stSpeedButton1);
    else if (key == plat::win::VK_ESCAPE) stSpeedButton2Click(stSpeedButton2);
    else return;
    key = 0;
}

} // namespace lxq
