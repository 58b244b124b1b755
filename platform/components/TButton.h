#pragma once
// A push button. Clicking it raises OnClick and, with a modal result, sets its form's result
// (ending a modal form). The default button answers Enter, the cancel button Escape.

#include "platform/components/TCustomControl.h"

namespace plat::comp {

class TButton : public TCustomControl {
public:
    explicit TButton(TComponent* owner);
    const char* ClassName() const override { return "TButton"; }

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult r) { modalResult_ = r; }
    bool Default() const { return default_; }
    void SetDefault(bool v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    // Pressed look: the mouse went down on it and is still over it.
    bool Pressed() const { return pressed_; }

    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;

private:
    void SetPressed(bool v);

    TModalResult modalResult_ = mrNone;
    bool default_ = false;
    bool cancel_ = false;
    bool pressed_ = false;
};

} // namespace plat::comp
