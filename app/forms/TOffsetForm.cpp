#include "app/forms/TOffsetForm.h"

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/PlaceControl.h"
#include "platform/components/TButton.h"

namespace lxq {

using namespace plat::comp;

TOffsetForm::TOffsetForm(TComponent* owner) : TForm(owner) {
    SetCaption("Display offset");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(300, 160);
    SetColor(0x404040);

    auto label = [this](int y, const char* text) {
        auto* l = Place<TmyLabel>(this, this, 10, y, 280, 18);
        l->SetCaption(text);
        l->Font().SetColor(clWhite);
    };
    label(8, "Display offset");
    OffsetEdit = Place<TmyFrequencyEdit>(this, this, 10, 28, 180, 24);
    OffsetEdit->SetColor(0x202020);
    OffsetEdit->Font().SetColor(clLime);
    OffsetEdit->SetShowUnit(TFrequencyUnit::fuHz);
    OffsetEdit->SetMin(-4'000'000'000);
    OffsetEdit->SetMax(4'000'000'000);
    label(58, "(Use -1700 for LX-TOR-4100 downconverter.)");
    DownconverterButton = Place<TstSpeedButton>(this, this, 10, 82, 140, 24);
    DownconverterButton->SetCaption("Use LX-TOR-4100");
    DownconverterButton->SetGroupIndex(1);
    DownconverterButton->SetAllowAllUp(true);
    DownconverterButton->SetColorDown(0x202020);
    DownconverterButton->OnClick = [this](TObject* s) { DownconverterButtonClick(s); };
    OKButton = Place<TButton>(this, this, 60, 122, 80, 26);
    OKButton->SetCaption("OK");
    OKButton->SetDefault(true);
    OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
    CancelButton = Place<TButton>(this, this, 160, 122, 80, 26);
    CancelButton->SetCaption("Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
}

void TOffsetForm::OKButtonClick(TObject*) {
    // A downconverter shifts the band up, so the shown frequency can only be lowered.
    if (OffsetEdit->Value() <= 0) SetModalResult(mrOk);
}

void TOffsetForm::DownconverterButtonClick(TObject*) {
    OffsetEdit->SetValue(DownconverterButton->Down() ? kDownconverterOffset : 0);
}

} // namespace lxq
