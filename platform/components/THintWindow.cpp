#include "platform/components/THintWindow.h"

#include "platform/components/TBitmap.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

constexpr int kPadX = 3;
constexpr int kPadY = 2;

} // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetColor(clInfoBk);
    Font().SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.style = (p.style & ~(win::WS_CHILD | win::WS_VISIBLE)) | win::WS_POPUP | win::WS_BORDER;
    p.exStyle |= win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST;
    p.parent = 0;
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint) const {
    TBitmap scratch(1, 1);
    scratch.Canvas().Font().Assign(Font());
    TRect r{0, 0, maxWidth, 0};
    scratch.Canvas().DrawText(hint, r, gdi::dt::CalcRect | gdi::dt::WordBreak | gdi::dt::NoPrefix);
    // Frame (one pixel each side) and padding.
    return {0, 0, r.Width() + 2 * kPadX + 2, r.Height() + 2 * kPadY + 2};
}

void THintWindow::ActivateHint(const TRect& rect, const std::string& hint) {
    SetCaption(hint);
    SetBounds(rect.left, rect.top, rect.Width(), rect.Height());
    SetVisible(true);
    HandleNeeded();
    if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_SHOWNA);
    Invalidate();
}

void THintWindow::ReleaseHandle() {
    if (!Visible()) return;
    SetVisible(false);
    if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_HIDE);
}

void THintWindow::Paint() {
    TCanvas& c = Canvas();
    TRect r = ClientRect();
    c.Brush().SetColor(Color());
    c.FillRect(r);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().SetColor(Font().Color());
    r = r.Inflate(-kPadX, -kPadY);
    c.DrawText(Caption(), r, gdi::dt::WordBreak | gdi::dt::NoPrefix);
}

} // namespace plat::comp
