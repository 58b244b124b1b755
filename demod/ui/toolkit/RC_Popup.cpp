#include "demod/ui/toolkit/RC_Popup.h"

#include "demod/ui/toolkit/RC_Glyphs.h"
#include "platform/win/Win.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace win = plat::win;
namespace gdi = plat::gdi;

namespace {

struct PopupList {
    std::mutex mutex;
    RC_Popup* head = nullptr;
};

PopupList& Popups() {
    static PopupList list;
    return list;
}

bool StillAlive(RC_Popup* p) {
    for (RC_Popup* q = RC_Popup::FirstPopupOfProcess(); q != nullptr; q = q->NextPopupOfProcess()) {
        if (q == p) return true;
    }
    return false;
}

} // namespace

RC_Popup* RC_Popup::FirstPopupOfProcess() {
    std::lock_guard<std::mutex> hold(Popups().mutex);
    return Popups().head;
}

RC_Popup::RC_Popup(RC_Window* parent, int x, int y, int width, int height, std::uint32_t creationFlags)
    : RC_Window(parent, x, y, width, height, creationFlags & ~kWindowless) {
    SetBackgroundColour(0x404040);
    SetFrameType(2);
    SetFrameColour(0x404040);
    SetFrameWidth(4);
    if (Handle() != 0) {
        const auto style = static_cast<std::uint32_t>(win::GetWindowLongPtr(Handle(), win::GWL_STYLE));
        win::SetWindowLongPtr(Handle(), win::GWL_STYLE, static_cast<win::LParam>(style | win::WS_SYSMENU));
    }
    {
        std::lock_guard<std::mutex> hold(Popups().mutex);
        nextPopup_ = Popups().head;
        if (nextPopup_ != nullptr) nextPopup_->prevPopup_ = this;
        Popups().head = this;
    }
    SetFlags(kDraggable | kTitleButtons, 0);
}

RC_Popup::~RC_Popup() {
    {
        std::lock_guard<std::mutex> hold(Popups().mutex);
        if (prevPopup_ != nullptr) prevPopup_->nextPopup_ = nextPopup_;
        if (nextPopup_ != nullptr) nextPopup_->prevPopup_ = prevPopup_;
        if (Popups().head == this) Popups().head = nextPopup_;
    }
    icon_.reset();
    Invalidate();
}

RC_Button* RC_Popup::MakeTitleButton(int glyph) {
    auto* b = new RC_Button(this, 0, 0, 14, 14, glyph);
    b->SetFrameWidth(1);
    b->onAction = {&RC_Popup::TitleButtonPressed, this};
    b->Show(win::SW_SHOW);
    return b;
}

void RC_Popup::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t changed = (a ^ FlagsA()) & kTitleButtons;
    RC_Window::OnFlagsChanged(a, b);
    if (changed == 0) return;
    struct Slot {
        std::uint32_t bit;
        RC_Button** button;
        int glyph;
    };
    const int maxGlyph = (State() & kMaximised) != 0 ? kGlyphRestore : kGlyphMaximise;
    for (const Slot& s : {Slot{kCloseButton, &close_, kGlyphClose}, Slot{kHelpButton, &help_, kGlyphHelp},
                          Slot{kMaximiseButton, &maximise_, maxGlyph}, Slot{kMinimiseButton, &minimise_, kGlyphMinimise}}) {
        if ((changed & s.bit) == 0) continue;
        if ((a & s.bit) != 0 && *s.button == nullptr) {
            *s.button = MakeTitleButton(s.glyph);
        } else if ((a & s.bit) == 0 && *s.button != nullptr) {
            RC_Button* gone = *s.button;
            *s.button = nullptr;
            gone->Close();
        }
    }
    if (Handle() != 0) {
        auto style = static_cast<std::uint32_t>(win::GetWindowLongPtr(Handle(), win::GWL_STYLE));
        style = (a & kMaximiseButton) != 0 ? style | win::WS_MAXIMIZEBOX : style & ~win::WS_MAXIMIZEBOX;
        style = (a & kMinimiseButton) != 0 ? style | win::WS_MINIMIZEBOX : style & ~win::WS_MINIMIZEBOX;
        win::SetWindowLongPtr(Handle(), win::GWL_STYLE, static_cast<win::LParam>(style));
    }
    LayoutTitleButtons();
}

void RC_Popup::LayoutTitleButtons() {
    // A minimised popup is hidden here, so its own width still places the buttons.
    const int w = Width();
    const int f = FrameWidth();
    const int y = f + 2;
    int x = w - f - 16;
    if (close_ != nullptr) {
        close_->Move(x, y, 14, 14, true);
        x -= 14;
    }
    for (RC_Button* b : {maximise_, minimise_, help_}) {
        if (b == nullptr) continue;
        b->Move(x, y, 14, 14, true);
        x -= 14;
    }
}

void RC_Popup::Move(int x, int y, int width, int height, bool relayout) {
    RC_Window::Move(x, y, width, height, relayout);
    LayoutTitleButtons();
}

void RC_Popup::TitleButtonPressed(void* user, RC_Window* button) {
    auto* self = static_cast<RC_Popup*>(user);
    if (button == self->close_) {
        self->CloseRequested();
    } else if (button == self->maximise_) {
        self->Show((self->State() & kMaximised) != 0 ? win::SW_RESTORE : win::SW_MAXIMIZE);
    } else if (button == self->minimise_) {
        self->Show(win::SW_MINIMIZE);
    } else if (button == self->help_) {
        self->OnHelp();
    }
}

void RC_Popup::CloseRequested() {
    if (modalResult_ == 0) {
        modalResult_ = -1;
        return;
    }
    if ((CreationFlags() & kHideOnClose) != 0) {
        Show(win::SW_HIDE);
    } else {
        Close();
    }
}

bool RC_Popup::AcceptClose() {
    // A close request that reaches the window while its modal loop runs ends the loop instead;
    // the loop closes the popup itself once it has returned.
    if (!modalRunning_) return true;
    if (modalResult_ == 0) modalResult_ = -1;
    AndState(~kClosing);
    return false;
}

win::LResult RC_Popup::HandleMessage(std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    if (msg == win::WM_ACTIVATE && wParam != 0) {
        for (RC_Popup* p = FirstPopupOfProcess(); p != nullptr; p = p->nextPopup_) {
            if ((p->State() & kShown) != 0 && p->Handle() != 0) win::ShowWindow(p->Handle(), win::SW_SHOWNOACTIVATE);
        }
    }
    if (msg == win::WM_GETICON) return 0;
    if (msg == win::WM_SYSCOMMAND && (wParam & 0xFFF0u) == win::SC_CLOSE) {
        CloseRequested();
        return 0;
    }
    return RC_Window::HandleMessage(msg, wParam, lParam);
}

void RC_Popup::SetEnabled(bool enabled) {
    if (!enabled) {
        ++disableNesting_;
        RC_Window::SetEnabled(false);
        return;
    }
    if (disableNesting_ > 0) --disableNesting_;
    if (disableNesting_ == 0) RC_Window::SetEnabled(true);
}

bool RC_Popup::Outside() const {
    if (X() + Width() < 0 || Y() + Height() < 0) return true;
    if (Parent() != nullptr && (CreationFlags() & kOwnedPopup) == 0) return X() > Parent()->Width() || Y() > Parent()->Height();
    return X() > win::GetSystemMetrics(win::SM_CXSCREEN) || Y() > win::GetSystemMetrics(win::SM_CYSCREEN);
}

int RC_Popup::Show(int command) {
    if (maximise_ != nullptr && command == win::SW_MAXIMIZE) maximise_->SetGlyph(kGlyphRestore);
    if (maximise_ != nullptr && command == win::SW_RESTORE) maximise_->SetGlyph(kGlyphMaximise);
    if (command == win::SW_SHOW && Outside()) Centre();
    return RC_Window::Show(command);
}

void RC_Popup::Centre() {
    int x, y;
    if (Parent() == nullptr || (CreationFlags() & kOwnedPopup) != 0) {
        x = (win::GetSystemMetrics(win::SM_CXSCREEN) - Width()) / 2;
        y = (win::GetSystemMetrics(win::SM_CYSCREEN) - Height()) / 2;
    } else {
        x = (Parent()->Width() - Width()) / 2;
        y = (Parent()->Height() - Height()) / 2;
    }
    Move(x, y, Width(), Height(), true);
}

void RC_Popup::SetIcon(const RC_Image* image) {
    icon_.reset();
    if (image != nullptr && image->width <= 16 && image->height <= 16) icon_ = std::make_unique<RC_Image>(*image);
    Invalidate();
}

void RC_Popup::PaintContent() {
    const gdi::Rect c = ContentRect();
    const int span = c.Width() - 1;
    for (int i = 0; i < c.Width(); ++i) {
        Pen().SetColour(RC_BlendColour(gradientFrom_, gradientTo_, span > 0 ? span : 1, i));
        DrawLine(c.left + i, c.top, c.left + i, c.top + kTitleHeight);
    }
    int textOffset = 2;
    if (icon_) {
        DrawImage(*icon_, c.left + 1, c.top + 1, icon_->width, icon_->height, 0, 0, icon_->width, icon_->height);
        textOffset = 20;
    }
    SetTextColour(titleText_);
    SetBackgroundModeOfContext(1);
    Font().SetHeight(-12);
    Font().SetWeight(700);
    TextOut(c.left + textOffset, c.top + 2, Caption());
    SetContentTop(c.top + kTitleHeight);
    RC_Window::PaintContent();
}

int RC_Popup::RunModal() {
    if (!IsEnabled()) SetEnabled(true);
    // A popup run before was disabled by the end of that loop; it takes input again.
    if (Handle() != 0) win::EnableWindow(Handle(), true);
    Show(win::SW_SHOW);
    SetFlags(kTopmost, 0);
    std::vector<RC_Popup*> disabled;
    for (RC_Popup* p = FirstPopupOfProcess(); p != nullptr; p = p->nextPopup_) {
        if (p != this && p->ShownChain()) disabled.push_back(p);
    }
    for (RC_Popup* p : disabled) p->SetEnabled(false);
    modalResult_ = 0;
    modalRunning_ = true;
    PumpMessage();
    if (FirstChild() != nullptr) FirstChild()->FocusNext();
    while (modalResult_ == 0) {
        if (!PumpMessage()) {
            // A quit request ends the loop; every enclosing loop must see it too.
            win::PostQuitMessage(0);
            modalResult_ = -1;
        }
    }
    modalRunning_ = false;
    for (RC_Popup* p : disabled) {
        if (StillAlive(p)) p->SetEnabled(true);
    }
    const int result = modalResult_;
    const bool hides = (CreationFlags() & kHideOnClose) != 0;
    if (hides) {
        Show(win::SW_HIDE);
    } else {
        Close();
    }
    // Let the close reach the window now (without waiting when nothing is queued).
    win::Msg msg;
    if (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        if (msg.message == win::WM_QUIT) {
            win::PostQuitMessage(static_cast<int>(msg.wParam));
        } else {
            win::TranslateMessage(msg);
            win::DispatchMessage(msg);
        }
    }
    return result;
}

void RC_Popup::EndModal(int result) {
    modalResult_ = result;
    if (Handle() != 0) win::PostMessage(Handle(), kMsgEnable, 0, 0);
}
