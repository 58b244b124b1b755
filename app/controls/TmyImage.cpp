#include "app/controls/TmyImage.h"

#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;
namespace win = plat::win;

TmyImage::TmyImage(TComponent* owner)
    : TCustomControl(owner), bitmap_(std::make_unique<TBitmap>(1, 1)),
      shown_(std::make_unique<TBitmap>(1, 1)) {
    canvas_ = std::make_unique<ImageCanvas>(bitmap_->Canvas().Handle(), [this] { CanvasChanged(); });
    // The update is posted to a window of our own, so it works before the control has a window.
    postWindow_ = win::CreateMessageWindow(&TmyImage::PostProc, reinterpret_cast<win::LParam>(this));
    SetControlStyle(ControlStyle() | cs::Opaque);
}

TmyImage::~TmyImage() {
    BeginDestroy();
    if (postWindow_ != 0) win::DestroyWindow(postWindow_);
}

void TmyImage::SetBounds(int left, int top, int width, int height) {
    TCustomControl::SetBounds(left, top, width, height);
    if (Width() == 0 || Height() == 0 || !bitmap_) return;
    fullRect_ = {0, 0, Width(), Height()};
    bitmap_->SetSize(Width(), Height());
    shown_->SetSize(Width(), Height());
}

void TmyImage::CanvasChanged() {
    if (!Showing() || redrawLock_ != 0 || !mayPost_) return;
    if (win::PostMessage(postWindow_, win::WM_USER, 0, 0)) mayPost_ = false;
}

void TmyImage::CopyToScreen(const TRect& rect) {
    shown_->Canvas().CopyRect(rect, bitmap_->Canvas(), rect);
    InvalidateRect(rect);
}

win::LResult TmyImage::PostProc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam,
                                win::LParam lParam) {
    if (msg == win::WM_USER) {
        auto* self = reinterpret_cast<TmyImage*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
        if (self) self->Perform(win::WM_USER);
        return 0;
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

void TmyImage::WndProc(TMessage& m) {
    if (m.Msg == win::WM_ERASEBKGND) {
        m.Result = 1; // nothing is erased: the bitmap covers the control
        return;
    }
    TCustomControl::WndProc(m);
    switch (m.Msg) {
    case CM_MOUSEENTER:
        if (OnEnterOver) OnEnterOver(this);
        break;
    case CM_MOUSELEAVE:
        if (OnLeaveOver) OnLeaveOver(this);
        break;
    case win::WM_USER:
        if (redrawLock_ == 0) CopyToScreen(fullRect_);
        mayPost_ = true;
        break;
    default: break;
    }
}

void TmyImage::Paint() {
    // Painting shows what needs repainting of the bitmap, unless the screen is held still.
    if (redrawLock_ == 0) {
        const TRect clip = Canvas().Handle() ? Canvas().Handle()->GetClipBox() : fullRect_;
        const TRect part = clip.Intersect(fullRect_);
        shown_->Canvas().CopyRect(part, bitmap_->Canvas(), part);
    }
    Canvas().Draw(0, 0, *shown_);
}

} // namespace lxq
