#pragma once
// "Radio disconnected": waits for a lost receiver. Every 100 ms its timer either asks whether the
// receiver is connected again (among the receiver's requests, the answer coming as a message), or (after a resume from sleep) tries to open it by its serial
// number; either way the dialog ends with OK once the receiver is back. "Close application" (also
// Escape) ends it with Cancel.

#include <functional>
#include <memory>
#include <string>

#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
class TLabel;
class TTimer;
} // namespace plat::comp

namespace lxq {

class TmyQ7;

class TDiscForm : public plat::comp::TForm {
public:
    // log: where the debug lines go (may be empty).
    TDiscForm(plat::comp::TComponent* owner, TmyQ7* receiver,
              std::function<void(const std::string&)> log = {});
    const char* ClassName() const override { return "TDiscForm"; }

    bool ReopenBySerial = false;
    std::string ReopenSerial;
    plat::comp::TTimer* Timer1 = nullptr;
    plat::comp::TLabel* Label1 = nullptr;
    plat::comp::TLabel* Label2 = nullptr;
    plat::comp::TButton* Button1 = nullptr; // Close application

    void Timer1Timer(plat::comp::TObject* sender);

private:
    TmyQ7* receiver_;
    std::function<void(const std::string&)> log_;
    bool asking_ = false; // a question is on its way to the receiver
    std::shared_ptr<int> alive_ = std::make_shared<int>(0); // what the answer holds of the window
};

} // namespace lxq
