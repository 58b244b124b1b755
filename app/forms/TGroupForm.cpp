#include "app/forms/TGroupForm.h"

#include "app/controls/TmyLabel.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/PlaceControl.h"
#include "platform/components/TButton.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

TGroupForm::TGroupForm(TComponent* owner) : TForm(owner) {
    SetCaption("Memory scan groups");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(330, 150);
    SetColor(0x404040);
    SetKeyPreview(true);
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyDown(s, k, st); };

    GroupPanel = Place<TstPanel>(this, this, 10, 10, 310, 60);
    GroupPanel->SetColor(0x404040);
    for (int i = 0; i < 16; ++i) {
        auto* b = Place<TstSpeedButton>(this, GroupPanel, 6 + (i % 8) * 37, 6 + (i / 8) * 26, 34, 22);
        b->SetCaption(std::to_string(i + 1));
        b->SetGroupIndex(i + 1);
        b->SetAllowAllUp(true);
        b->SetColorDown(0x202020);
        b->SetFontColorDown(clYellow);
    }
    // In the panel's control order, which is the order of the groups.
    for (int i = 0, k = 0; i < GroupPanel->ControlCount() && k < 16; ++i)
        if (auto* b = dynamic_cast<TstSpeedButton*>(GroupPanel->Controls(i))) Groups[static_cast<std::size_t>(k++)] = b;

    EnableButton = Place<TstSpeedButton>(this, this, 10, 80, 24, 22);
    EnableButton->SetGroupIndex(1);
    EnableButton->SetAllowAllUp(true);
    EnableButton->SetCaption("x");
    EnableButton->SetColorDown(0x202020);
    auto* label = Place<TmyLabel>(this, this, 40, 82, 200, 18);
    label->SetCaption("Enable group restriction");
    label->Font().SetColor(clWhite);

    OKButton = Place<TButton>(this, this, 80, 115, 80, 26);
    OKButton->SetCaption("OK");
    OKButton->SetModalResult(mrOk);
    CancelButton = Place<TButton>(this, this, 170, 115, 80, 26);
    CancelButton->SetCaption("Cancel");
    CancelButton->SetModalResult(mrCancel);
}

void TGroupForm::FormKeyDown(TObject*, std::uint16_t& key, TShiftState) {
    if (key != plat::win::VK_ESCAPE) return;
    key = 0;
    CancelButton->Click();
}

} // namespace lxq
