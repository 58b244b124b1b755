#include "app/forms/TNoRecHelpForm.h"

#include "platform/components/TButton.h"
#include "platform/components/TMemo.h"
#include "platform/components/TPanel.h"

namespace lxq {

using namespace plat::comp;

const char* const TNoRecHelpForm::kHelpText =
    "You can run the program without a receiver: press \"Run in demo mode\". The program then "
    "behaves as with a receiver, but it receives no signals.\r\n\r\n"
    "External (USB) receiver:\r\n"
    "- Check that the receiver is powered: its blue LED flashes. Then press \"Try again\".\r\n"
    "- After power-up, wait 3 to 5 seconds while the driver loads; the LED pattern changes when "
    "it is ready. Then press \"Try again\".\r\n"
    "- Check the USB cable, switch the receiver off and on again, and reinstall the software.\r\n\r\n"
    "Internal (PCI) receivers, or when all else fails: see the User's Manual.";

TNoRecHelpForm::TNoRecHelpForm(TComponent* owner) : TForm(owner) {
    SetCaption("Q745");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(420, 300);

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetAlign(TAlign::alBottom);
    Panel1->SetHeight(44);
    Panel1->OnResize = [this](TObject* s) { Panel1Resize(s); };

    Memo1 = new TMemo(this);
    Memo1->SetParent(this);
    Memo1->SetAlign(TAlign::alClient);
    Memo1->SetReadOnly(true);
    Memo1->SetWordWrap(true);
    Memo1->SetText(kHelpText);

    Button1 = new TButton(this);
    Button1->SetParent(Panel1);
    Button1->SetBounds(0, 8, 80, 28);
    Button1->SetCaption("OK");
    Button1->SetModalResult(mrOk);
    Button1->SetDefault(true);
    Button1->SetCancel(true); // Escape presses it too
    Panel1Resize(Panel1);
}

void TNoRecHelpForm::Panel1Resize(TObject*) {
    if (Button1) Button1->SetLeft((Panel1->ClientWidth() - Button1->Width()) / 2);
}

} // namespace lxq
