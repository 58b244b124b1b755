#pragma once
// The frequency field that can name a spinner: wheel messages over the field step it through
// that spinner.

#include "app/controls/TstFrequencyEdit.h"

namespace lxq {

class TmyFrequencyEdit : public TstFrequencyEdit {
public:
    explicit TmyFrequencyEdit(plat::comp::TComponent* owner) : TstFrequencyEdit(owner) {}
    const char* ClassName() const override { return "TmyFrequencyEdit"; }

    // The spinner that receives the field's wheel messages (set when a spinner is bound).
    plat::comp::TWinControl* UpDownControl() const { return upDown_; }
    void SetUpDownControl(plat::comp::TWinControl* c) { upDown_ = c; }

    void WndProc(plat::comp::TMessage& message) override;

private:
    plat::comp::TWinControl* upDown_ = nullptr;
};

} // namespace lxq
