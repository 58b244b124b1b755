#pragma once
// The start-up window: one status line while the front panel starts. The program's entry makes it
// before the front panel and frees it once every form exists; while it lives, SplashForm points to
// it and start-up steps report to it.

#include <string>

#include "platform/components/TForm.h"

namespace plat::comp {
class TLabel;
}

namespace lxq {

class TSplashForm : public plat::comp::TForm {
public:
    explicit TSplashForm(plat::comp::TComponent* owner);
    ~TSplashForm() override;
    const char* ClassName() const override { return "TSplashForm"; }

    // Shows the text, shortened from its end until the part after its first line feed fits, and
    // paints at once: start-up runs without a message loop.
    void SetStatus(const std::string& text);

    plat::comp::TLabel* StatusLabel() const { return label_; }

private:
    plat::comp::TLabel* label_ = nullptr;
};

// The splash window while it exists, else null.
extern TSplashForm* SplashForm;

} // namespace lxq
