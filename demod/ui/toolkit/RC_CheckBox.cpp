#include "demod/ui/toolkit/RC_CheckBox.h"

#include "platform/win/Win.h"

namespace gdi = plat::gdi;

RC_CheckBox::RC_CheckBox(RC_Window* parent, int x, int y, int w, int h, const char* caption)
    : RC_Window(parent, x, y, w, h, kWindowless) {
    SetBackgroundColour(0x404040);
    Font().SetHeight(-11);
    Font().SetWeight(400);
    SetCaption(caption);
}

void RC_CheckBox::SetState(int state) {
    state_ = state;
    if (IsChecked() && TabOrder() != 0 && Parent() != nullptr) {
        for (RC_Window* s = Parent()->FirstChild(); s != nullptr; s = s->NextSibling()) {
            auto* mate = dynamic_cast<RC_CheckBox*>(s);
            if (mate != nullptr && mate != this && mate->TabOrder() == TabOrder() && mate->state_ != kClear) {
                mate->state_ = kClear;
                mate->Invalidate();
            }
        }
    }
    Invalidate();
}

gdi::Rect RC_CheckBox::BoxRect() const {
    const gdi::Rect c = ContentRect();
    int left = c.left;
    if ((placement_ & 3u) == 1u) left = (c.left + c.right - boxSize_) / 2;
    if ((placement_ & 3u) == 2u) left = c.right - boxSize_;
    int top = c.top;
    if ((placement_ & 0xCu) == 4u) top = (c.top + c.bottom - boxSize_) / 2;
    if ((placement_ & 0xCu) == 8u) top = c.bottom - boxSize_;
    return {left, top, left + boxSize_, top + boxSize_};
}

void RC_CheckBox::PaintContent() {
    RC_Window::PaintContent();
    const bool enabled = EnabledChain();
    const gdi::Rect c = ContentRect();
    gdi::Rect box = BoxRect();
    gdi::Rect text = c;
    unsigned align = placement_ & 0xCu;
    if ((placement_ & 3u) == 0u) text.left = box.right + 2;
    if ((placement_ & 3u) == 2u) text.right = box.left - 2, align |= 2u;
    if ((placement_ & 3u) == 1u) align |= 1u;
    SetTextColour(enabled ? textColour_ : RC_BlendColour(textColour_, BackgroundColour(), 2, 1));
    SetBackgroundModeOfContext(1);
    DrawTextAligned(text, Caption(), align);
    DrawFrame(boxFrameType_, boxFrameWidth_, boxFrameColour_, box);
    const bool grey = state_ == kClearGreyed || state_ == kCheckedGreyed || !enabled || pressed_;
    FillRect(box, grey ? pressedFill_ : fill_);
    if (!IsChecked()) return;
    const int l = boxSize_ - 2 * boxFrameWidth_ - 2;
    if (l <= 0) return;
    const int ox = box.left + 1;
    const int oy = box.top + 1;
    const int cornerX = ox + l * 3 / 8;
    const int cornerY = oy + l * 5 / 8;
    const int shortArm = l * 2 / 8 + 1;
    const int longArm = l * 5 / 8;
    Pen().SetWidth(1);
    Pen().SetColour(markColour_);
    for (int k = -1; k <= 1; ++k) {
        DrawLine(cornerX - shortArm, cornerY - shortArm + k, cornerX, cornerY + k);
        DrawLine(cornerX, cornerY + k, cornerX + longArm, cornerY - longArm + k);
    }
}

void RC_CheckBox::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    const bool inside = ContentRect().Contains({x, y});
    switch (kind) {
    case kLeftDown:
    case kLeftDouble:
        if (!inside) return;
        pressed_ = true;
        SetStateFlags(kCapture);
        Invalidate();
        return;
    case kMouseMove:
        if ((keys & plat::win::MK_LBUTTON) != 0 && (State() & kCapture) != 0 && pressed_ != inside) {
            pressed_ = inside;
            Invalidate();
        }
        RC_Window::MouseEvent(kind, keys, x, y);
        return;
    case kLeftUp: {
        const bool held = (State() & kCapture) != 0;
        ClearStateFlags(kCapture);
        const bool wasPressed = pressed_;
        pressed_ = false;
        if (!inside || !held || !wasPressed) {
            Invalidate();
            return;
        }
        SetState(IsChecked() ? kClear : kChecked);
        FireAction();
        return;
    }
    default: RC_Window::MouseEvent(kind, keys, x, y); return;
    }
}
