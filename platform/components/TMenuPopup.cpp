#include "platform/components/TMenuPopup.h"

#include <algorithm>
#include <memory>

#include "platform/components/Frames.h"
#include "platform/components/TApplication.h"
#include "platform/win/InputApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

constexpr int kRowHeight = 19;
constexpr int kLineHeight = 8;
constexpr int kCheckColumn = 20;
constexpr int kFrame = 3;

thread_local TMenuPopup* t_current = nullptr;

std::string ShortCutText(TShortCut s) {
    if (s == 0) return {};
    std::string text;
    if (s & scCtrl) text += "Ctrl+";
    if (s & scAlt) text += "Alt+";
    if (s & scShift) text += "Shift+";
    const unsigned key = s & 0xFFu;
    if (key >= 0x70 && key <= 0x7B) text += "F" + std::to_string(key - 0x6F);
    else text += static_cast<char>(key);
    return text;
}

} // namespace

TMenuPopup* TMenuPopup::Current() { return t_current; }

TMenuPopup::TMenuPopup(TMenuItem& items, TMenuPopup* parentPopup)
    : TCustomControl(nullptr), items_(items), parentPopup_(parentPopup) {
    SetVisible(false);
    SetColor(clMenu);
    SetControlStyle(ControlStyle() | cs::Opaque);
    const TSize size = MeasureSize();
    SetBounds(0, 0, size.cx, size.cy);
}

TMenuPopup::~TMenuPopup() {
    BeginDestroy();
    if (t_current == this) t_current = parentPopup_;
}

void TMenuPopup::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.style = (p.style & ~(win::WS_CHILD | win::WS_VISIBLE)) | win::WS_POPUP;
    p.exStyle |= win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST;
    p.parent = 0;
}

TSize TMenuPopup::MeasureSize() const {
    int width = 80, height = 2 * kFrame;
    for (int i = 0; i < items_.Count(); ++i) {
        const TMenuItem* item = items_.Items(i);
        if (!item->Visible()) continue;
        height += item->IsLine() ? kLineHeight : kRowHeight;
        const int shortcut = Font().TextExtent(ShortCutText(item->ShortCut())).cx;
        width = std::max(width, Font().TextExtent(StripAccelerator(item->Caption())).cx + shortcut +
                                    2 * kCheckColumn + 2 * kFrame + (shortcut ? 16 : 0));
    }
    return {width, height};
}

TRect TMenuPopup::ItemRect(int index) const {
    int y = kFrame;
    for (int i = 0; i < items_.Count(); ++i) {
        const TMenuItem* item = items_.Items(i);
        if (!item->Visible()) continue;
        const int h = item->IsLine() ? kLineHeight : kRowHeight;
        if (i == index) return {kFrame, y, Width() - kFrame, y + h};
        y += h;
    }
    return {};
}

int TMenuPopup::RowAt(TPoint p) const {
    for (int i = 0; i < items_.Count(); ++i)
        if (items_.Items(i)->Visible() && ItemRect(i).Contains(p)) return i;
    return -1;
}

TMenuItem* TMenuPopup::Track(TMenuItem& parent, TPoint screen) {
    auto popup = std::make_unique<TMenuPopup>(parent, t_current);
    t_current = popup.get();
    popup->SetBounds(screen.x, screen.y, popup->Width(), popup->Height());
    popup->SetVisible(true);
    popup->HandleNeeded();
    const win::Hwnd previousFocus = win::GetFocus();
    if (popup->HandleAllocated()) {
        win::ShowWindow(popup->Handle(), win::SW_SHOWNA);
        win::SetCapture(popup->Handle());
        win::SetFocus(popup->Handle());
    }
    TMenuPopup* self = popup.get();
    Application().RunModal([self] { return self->finished_; });
    TMenuItem* chosen = popup->chosen_;
    if (popup->HandleAllocated() && win::GetCapture() == popup->Handle()) win::ReleaseCapture();
    popup.reset();
    // The level below takes the mouse and keys again; the last level gives them back.
    if (t_current && t_current->HandleAllocated()) {
        win::SetCapture(t_current->Handle());
        win::SetFocus(t_current->Handle());
    } else if (previousFocus != 0) {
        win::SetFocus(previousFocus);
    }
    return chosen;
}

void TMenuPopup::Choose(int index) {
    if (index < 0 || index >= items_.Count()) return;
    TMenuItem* item = items_.Items(index);
    if (!item->Visible() || !item->Enabled() || item->IsLine()) return;
    highlighted_ = index;
    if (item->Count() > 0) {
        const TRect r = ItemRect(index);
        TMenuItem* sub = Track(*item, {Left() + Width() - kFrame, Top() + r.top - kFrame});
        if (!sub) return; // back in this level
        item = sub;
    }
    chosen_ = item;
    finished_ = true;
}

void TMenuPopup::Leave() {
    finished_ = true;
    // Leaving by a click elsewhere leaves every level.
    if (parentPopup_) parentPopup_->Leave();
}

void TMenuPopup::Move(int step) {
    const int n = items_.Count();
    if (n == 0) return;
    int i = highlighted_;
    for (int tries = 0; tries < n; ++tries) {
        i = ((i < 0 && step < 0) ? n : i) + step;
        i = (i % n + n) % n;
        const TMenuItem* item = items_.Items(i);
        if (item->Visible() && !item->IsLine()) break;
    }
    highlighted_ = i;
    Invalidate();
}

void TMenuPopup::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    switch (key) {
    case vk::Up: Move(-1); break;
    case vk::Down: Move(1); break;
    case vk::Return:
    case vk::Right: Choose(highlighted_); break;
    case vk::Escape: finished_ = true; break;
    case vk::Left:
        if (parentPopup_) finished_ = true;
        break;
    default: return;
    }
    key = 0;
}

void TMenuPopup::WndProc(TMessage& m) {
    const TPoint p{win::GetXParam(m.LParam), win::GetYParam(m.LParam)};
    switch (m.Msg) {
    case win::WM_MOUSEMOVE:
        if (RowAt(p) != highlighted_ && ClientRect().Contains(p)) {
            highlighted_ = RowAt(p);
            Invalidate();
        }
        return;
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
        if (!ClientRect().Contains(p)) Leave();
        return;
    case win::WM_LBUTTONUP:
        if (ClientRect().Contains(p)) Choose(RowAt(p));
        return;
    case win::WM_CAPTURECHANGED:
        return;
    default:
        TCustomControl::WndProc(m);
    }
}

void TMenuPopup::Paint() {
    TCanvas& c = Canvas();
    TRect r = ClientRect();
    Frame3D(c, r, cl3DLight, cl3DDkShadow, 1);
    Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
    c.Brush().SetColor(clMenu);
    c.FillRect(r);
    for (int i = 0; i < items_.Count(); ++i) {
        const TMenuItem* item = items_.Items(i);
        if (!item->Visible()) continue;
        const TRect row = ItemRect(i);
        if (item->IsLine()) {
            const int y = (row.top + row.bottom) / 2 - 1;
            c.Pen().SetColor(clBtnShadow);
            c.MoveTo(row.left + 1, y);
            c.LineTo(row.right - 1, y);
            c.Pen().SetColor(clBtnHighlight);
            c.MoveTo(row.left + 1, y + 1);
            c.LineTo(row.right - 1, y + 1);
            continue;
        }
        const bool lit = i == highlighted_ && item->Enabled();
        c.Brush().SetColor(lit ? clHighlight : clMenu);
        c.FillRect(row);
        const TColor text = !item->Enabled() ? clGrayText : lit ? clHighlightText : clMenuText;
        if (item->Checked()) {
            // A dot for radio items, a tick for the others.
            c.Pen().SetColor(text);
            c.Brush().SetColor(text);
            const int cx = row.left + kCheckColumn / 2, cy = (row.top + row.bottom) / 2;
            if (item->RadioItem()) {
                c.Ellipse(cx - 3, cy - 3, cx + 3, cy + 3);
            } else {
                for (int k = 0; k < 2; ++k) {
                    c.MoveTo(cx - 3, cy - 1 + k);
                    c.LineTo(cx - 1, cy + 1 + k);
                    c.LineTo(cx + 4, cy - 4 + k);
                }
            }
        }
        c.Brush().SetStyle(TBrushStyle::bsClear);
        c.Font().SetColor(text);
        TRect caption{row.left + kCheckColumn, row.top, row.right - kCheckColumn, row.bottom};
        c.DrawText(item->Caption(), caption, gdi::dt::VCenter | gdi::dt::SingleLine);
        c.DrawText(ShortCutText(item->ShortCut()), caption,
                   gdi::dt::VCenter | gdi::dt::SingleLine | gdi::dt::Right | gdi::dt::NoPrefix);
        if (item->Count() > 0) {
            // The arrow of a submenu.
            const int ax = row.right - 10, ay = (row.top + row.bottom) / 2;
            const TPoint arrow[] = {{ax, ay - 4}, {ax, ay + 4}, {ax + 4, ay}};
            c.Pen().SetColor(text);
            c.Brush().SetColor(text);
            c.Polygon(arrow);
        }
    }
}

} // namespace plat::comp
