#pragma once
// The shadow frame as a trait of a windowed control (edits, the memo, the list box): with
// DefaultShadow false the control's frame is drawn in shades of its parent's colour instead of
// the system's own frame, and it follows the parent when that colour changes.

#include <algorithm>

#include "app/controls/ColorShadow.h"
#include "platform/components/TWinControl.h"

namespace lxq {

template <typename Base>
class ShadowFramed : public Base {
public:
    using Base::Base;

    bool DefaultShadow() const { return defaultShadow_; }
    void SetDefaultShadow(bool v) {
        if (v == defaultShadow_) return;
        defaultShadow_ = v;
        RedrawFrame();
    }
    int ShadowOffset() const { return shadowOffset_; }
    // Clamped to 0..360 (an amount of lightness, not a percentage).
    void SetShadowOffset(int v) {
        v = std::clamp(v, 0, 360);
        if (v == shadowOffset_) return;
        shadowOffset_ = v;
        if (!defaultShadow_) RedrawFrame();
    }

    void WndProc(plat::comp::TMessage& m) override {
        Base::WndProc(m);
        if (m.Msg == plat::comp::CM_PARENTCOLORCHANGED && !defaultShadow_) RedrawFrame();
    }

protected:
    void PaintNonClient(plat::gdi::DC& dc) override {
        Base::PaintNonClient(dc);
        if (!defaultShadow_) DrawShadowFrame(dc, this->ClientAreaInWindow());
    }
    // The frame round `client` (window coordinates); controls whose scroll bars count as client
    // area pass a larger rectangle.
    void DrawShadowFrame(plat::gdi::DC& dc, const plat::comp::TRect& client) {
        DrawNC(dc, this->Width(), this->Height(), client, this->ParentBrushColor(), shadowOffset_);
    }
    virtual void RedrawFrame() { this->Invalidate(); }

private:
    bool defaultShadow_ = true;
    int shadowOffset_ = 50;
};

} // namespace lxq
