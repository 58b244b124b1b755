#pragma once
// Help for the case that no receiver was found: what to check before "Try again".

#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
class TMemo;
class TPanel;
} // namespace plat::comp

namespace lxq {

class TNoRecHelpForm : public plat::comp::TForm {
public:
    explicit TNoRecHelpForm(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TNoRecHelpForm"; }

    plat::comp::TMemo* Memo1 = nullptr;
    plat::comp::TPanel* Panel1 = nullptr;
    plat::comp::TButton* Button1 = nullptr; // OK

    static const char* const kHelpText;

private:
    void Panel1Resize(plat::comp::TObject* sender);
};

} // namespace lxq
