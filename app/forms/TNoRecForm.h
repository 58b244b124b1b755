#pragma once
// Shown at start-up when no receiver is found. Its modal result is the answer: "Try again" Yes
// (look again), "Run in demo mode" OK (the demonstration receiver), "Cancel" Cancel (quit; also
// the Escape key). The link "here" opens the help on this case.

#include <functional>

#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
class TLabel;
} // namespace plat::comp

namespace lxq {

class TNoRecHelpForm;

class TNoRecForm : public plat::comp::TForm {
public:
    explicit TNoRecForm(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TNoRecForm"; }

    // Shows the help modally; tests replace it.
    std::function<void(TNoRecHelpForm&)> ShowHelp;

    plat::comp::TLabel* Label1 = nullptr; // the message
    plat::comp::TLabel* Label2 = nullptr; // "For more detailed information, click "
    plat::comp::TLabel* Label3 = nullptr; // "here"
    plat::comp::TLabel* Label4 = nullptr; // "."
    plat::comp::TButton* Button1 = nullptr; // Try again
    plat::comp::TButton* Button2 = nullptr; // Run in demo mode
    plat::comp::TButton* Button3 = nullptr; // Cancel

    void Label3Click(plat::comp::TObject* sender);

    static constexpr plat::comp::TModalResult kTryAgain = plat::comp::mrYes;
    static constexpr plat::comp::TModalResult kDemo = plat::comp::mrOk;
    static constexpr plat::comp::TModalResult kQuit = plat::comp::mrCancel;

private:
    void Arrange();
};

} // namespace lxq
