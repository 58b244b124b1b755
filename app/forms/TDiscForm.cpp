#include "app/forms/TDiscForm.h"

#include "app/receiver/TmyQ7.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TTimer.h"

namespace lxq {

using namespace plat::comp;

TDiscForm::TDiscForm(TComponent* owner, TmyQ7* receiver, std::function<void(const std::string&)> log)
    : TForm(owner), receiver_(receiver), log_(std::move(log)) {
    SetCaption("Radio disconnected");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(300, 130);
    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(20, 16, 260, 20);
    Label1->SetCaption("Receiver no longer connected.");
    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(20, 40, 260, 20);
    Label2->SetCaption("Waiting for reconnection.");
    Button1 = new TButton(this);
    Button1->SetParent(this);
    Button1->SetBounds(80, 84, 140, 28);
    Button1->SetCaption("Close application");
    Button1->SetModalResult(mrCancel);
    Button1->SetCancel(true);
    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(100);
    Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });
}

void TDiscForm::Timer1Timer(TObject*) {
    if (!receiver_) return;
    if (ReopenBySerial) {
        if (receiver_->Open(ReopenSerial)) SetModalResult(mrOk);
        return;
    }
    // Asked among the receiver's requests, one question at a time: a receiver that does not
    // answer holds the question, not the window.
    if (asking_) return;
    asking_ = true;
    receiver_->AskConnected([alive = std::weak_ptr<int>(alive_), this](bool connected) {
        if (alive.expired()) return;
        asking_ = false;
        // Only the open ends a wait that reopens the receiver: a question asked before the
        // close was of the receiver as it was.
        if (ReopenBySerial) return;
        if (connected) {
            SetModalResult(mrOk);
            if (log_) log_("connected");
        } else if (log_) {
            log_("Still disconected");
        }
    });
}

} // namespace lxq
