#include "platform/components/TCustomForm.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "platform/components/TApplication.h"
#include "platform/components/TButton.h"
#include "platform/components/TMainMenu.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/PaintApi.h"
#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

// Visits every control below a parent, depth first.
void ForEachControl(TWinControl* parent, const std::function<void(TControl*)>& visit) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        visit(c);
        if (auto* w = dynamic_cast<TWinControl*>(c)) ForEachControl(w, visit);
    }
}

bool IsKeyMessage(std::uint32_t msg) { return msg >= win::WM_KEYFIRST && msg <= win::WM_KEYLAST; }

thread_local int t_routingKey = 0;

} // namespace

TCustomForm::TCustomForm(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetBounds(0, 0, 320, 240);
    SetControlStyle(ControlStyle() | cs::AcceptsControls);
    Application().RegisterForm(this);
}

TCustomForm::~TCustomForm() {
    BeginDestroy();
    if (OnDestroy) OnDestroy(this);
    Application().UnregisterForm(this);
}

void TCustomForm::DoCreate() {
    if (created_) return;
    created_ = true;
    if (OnCreate) OnCreate(this);
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.style &= ~(win::WS_CHILD | win::WS_VISIBLE);
    switch (borderStyle_) {
    case TFormBorderStyle::bsNone: p.style |= win::WS_POPUP; break;
    case TFormBorderStyle::bsSingle: p.style |= win::WS_CAPTION | win::WS_SYSMENU; break;
    case TFormBorderStyle::bsSizeable: p.style |= win::WS_OVERLAPPEDWINDOW; break;
    case TFormBorderStyle::bsDialog:
        p.style |= win::WS_CAPTION | win::WS_SYSMENU;
        p.exStyle |= win::WS_EX_DLGMODALFRAME;
        break;
    case TFormBorderStyle::bsToolWindow:
        p.style |= win::WS_CAPTION | win::WS_SYSMENU;
        p.exStyle |= win::WS_EX_TOOLWINDOW;
        break;
    }
    if (formStyle_ == TFormStyle::fsStayOnTop) p.exStyle |= win::WS_EX_TOPMOST;
    // Every other form is owned by the main form's window: it stays above the main form, which a
    // click raises, and goes to and from the task bar with it.
    TCustomForm* main = Application().MainForm();
    p.parent = main && main != this && main->HandleAllocated() ? main->Handle() : 0;
}

void TCustomForm::AdoptByMainForm() {
    // A window made before the main form's has no owner yet.
    TCustomForm* main = Application().MainForm();
    if (!HandleAllocated() || !main || main == this || !main->HandleAllocated()) return;
    if (win::GetWindowLongPtr(Handle(), win::GWLP_HWNDPARENT) == 0)
        win::SetWindowLongPtr(Handle(), win::GWLP_HWNDPARENT, static_cast<win::LParam>(main->Handle()));
}

void TCustomForm::Show() {
    DoCreate();
    if (!Visible()) {
        if (position_ != TPosition::poDesigned) PositionForShow();
        SetVisible(true);
        HandleNeeded();
        AdoptByMainForm();
        if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_SHOW);
        if (OnShow) OnShow(this);
    } else if (HandleAllocated()) {
        // Shown again (its menu item or button chosen while it shows, perhaps under other windows):
        // it comes to the top and takes the keyboard.
        AdoptByMainForm();
        win::ShowWindow(Handle(), win::SW_SHOW);
    }
    SetActive(true);
}

void TCustomForm::Hide() {
    if (!Visible()) return;
    SetActive(false);
    SetVisible(false);
    if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_HIDE);
    if (OnHide) OnHide(this);
}

void TCustomForm::Center() {
    TRect area{0, 0, win::GetSystemMetrics(win::SM_CXSCREEN), win::GetSystemMetrics(win::SM_CYSCREEN)};
    const TCustomForm* main = Application().MainForm();
    if (position_ == TPosition::poMainFormCenter && main && main != this && main->Visible())
        area = main->BoundsRect();
    SetBounds(area.left + (area.Width() - Width()) / 2, area.top + (area.Height() - Height()) / 2,
              Width(), Height());
}

void TCustomForm::SetActive(bool active) {
    if (active == active_) return;
    if (active) {
        // One form is active at a time.
        for (TCustomForm* other : Application().Forms())
            if (other != this && other->active_) other->SetActive(false);
    }
    active_ = active;
    if (active) {
        if (OnActivate) OnActivate(this);
        if (activeControl_) activeControl_->Perform(win::WM_SETFOCUS);
    } else {
        if (activeControl_) activeControl_->Perform(win::WM_KILLFOCUS);
        if (OnDeactivate) OnDeactivate(this);
    }
}

TModalResult TCustomForm::ShowModal() {
    TApplication& app = Application();
    // The other forms stay visible but take no input until this one is done.
    std::vector<TCustomForm*> disabled;
    for (TCustomForm* f : app.Forms()) {
        if (f != this && f->Visible() && f->Enabled()) {
            f->SetEnabled(false);
            disabled.push_back(f);
        }
    }
    TCustomForm* previouslyActive = nullptr;
    for (TCustomForm* f : app.Forms())
        if (f->active_) previouslyActive = f;

    modalResult_ = mrNone;
    ++modalLevel_;
    Show();
    // A result set by code or a button ends the loop unless OnClose keeps the form open.
    // The loop asks more than once; OnClose is asked once per result.
    bool closing = false;
    const bool finished = app.RunModal([this, &closing] {
        if (closing) return true;
        if (modalResult_ == mrNone) return false;
        TCloseAction action = TCloseAction::caHide;
        if (OnClose) OnClose(this, action);
        if (action == TCloseAction::caNone) modalResult_ = mrNone;
        closing = modalResult_ != mrNone;
        return closing;
    });
    if (!finished) modalResult_ = mrCancel;
    --modalLevel_;
    const TModalResult result = modalResult_;
    Hide();
    for (TCustomForm* f : disabled) {
        // A form freed while this one ran is no longer in the list.
        const auto& forms = app.Forms();
        if (std::find(forms.begin(), forms.end(), f) != forms.end()) f->SetEnabled(true);
    }
    const auto& forms = app.Forms();
    if (previouslyActive && previouslyActive != this &&
        std::find(forms.begin(), forms.end(), previouslyActive) != forms.end() &&
        previouslyActive->Visible()) {
        // The window system too: keys and menu shortcuts go to it again without a click.
        if (previouslyActive->HandleAllocated()) win::SetActiveWindow(previouslyActive->Handle());
        previouslyActive->SetActive(true);
    }
    return result;
}

bool TCustomForm::CloseQuery() {
    // Forms this one owns may refuse too.
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* owned = dynamic_cast<TCustomForm*>(Components(i)); owned && !owned->CloseQuery())
            return false;
    }
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (modalLevel_ > 0) {
        if (CloseQuery()) modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) return;
    if (Application().MainForm() == this) {
        Hide();
        Application().Terminate();
        return;
    }
    switch (action) {
    case TCloseAction::caHide: Hide(); break;
    case TCloseAction::caMinimize: Application().Minimize(); break;
    case TCloseAction::caFree: Release(); break;
    case TCloseAction::caNone: break;
    }
}

void TCustomForm::Release() {
    Hide();
    win::PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control == activeControl_) {
        // Still named but no longer focused (disabled and enabled again, say): focus it again.
        if (active_ && control && control->HandleAllocated() && win::GetFocus() != control->Handle())
            win::SetFocus(control->Handle());
        return;
    }
    if (control && control->ParentForm() != this) return;
    // A form not shown yet may already name the control that gets the focus when it is.
    for (const TControl* c = control; c && c != this; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return;
    TWinControl* old = activeControl_;
    activeControl_ = control;
    if (!active_) return;
    if (control && control->HandleAllocated()) {
        // The window system tells both sides.
        win::SetFocus(control->Handle());
        return;
    }
    if (old) old->Perform(win::WM_KILLFOCUS);
    if (control) control->Perform(win::WM_SETFOCUS);
}

void TCustomForm::ControlRemoved(TControl* control) {
    if (!activeControl_) return;
    for (const TControl* c = activeControl_; c; c = c->Parent()) {
        if (c == control) {
            activeControl_ = nullptr;
            return;
        }
    }
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (menu == menu_) return;
    if (menu_) {
        RemoveFreeNotification(menu_);
        menu_->OnChange = nullptr;
    }
    menu_ = menu;
    if (menu_) {
        FreeNotification(menu_);
        menu_->OnChange = [this](TObject*) {
            if (HandleAllocated()) win::RedrawWindow(Handle(), nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE);
        };
    }
    FrameChanged();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == menu_) menu_ = nullptr;
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
    if (OnCanResize && (width != Width() || height != Height())) {
        bool resize = true;
        OnCanResize(this, width, height, resize);
        if (!resize) {
            width = Width();
            height = Height();
        }
    }
    TCustomControl::SetBounds(left, top, width, height);
}

void TCustomForm::SetClientSize(int width, int height) {
    const TRect frame = ClientAreaInWindow();
    SetBounds(Left(), Top(), width + Width() - frame.Width(), height + Height() - frame.Height());
}

TRect TCustomForm::MenuBarOnScreen() const {
    TRect window{Left(), Top(), Left() + Width(), Top() + Height()};
    if (HandleAllocated()) {
        win::Rect r;
        win::GetWindowRect(const_cast<TCustomForm*>(this)->Handle(), &r);
        window = {r.left, r.top, r.right, r.bottom};
    }
    const TRect frame = TCustomControl::ClientAreaInWindow();
    return TRect{frame.left, frame.top, frame.right, frame.top + MenuBarHeight()}.Offset(window.left, window.top);
}

int TCustomForm::MenuBarHeight() const { return menu_ ? menu_->BarHeight() : 0; }

TRect TCustomForm::ClientAreaInWindow() const {
    TRect r = TCustomControl::ClientAreaInWindow();
    r.top = std::min(r.bottom, r.top + MenuBarHeight());
    return r;
}

void TCustomForm::PaintNonClient(gdi::DC& dc) {
    TCustomControl::PaintNonClient(dc);
    if (!menu_) return;
    const TRect frame = TCustomControl::ClientAreaInWindow();
    menu_->PaintBar(dc, {frame.left, frame.top, frame.right, frame.top + MenuBarHeight()});
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TCustomForm::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key != 0 && (!activeControl_ || activeControl_ == this) && DialogKey(key)) key = 0;
}

void TCustomForm::SelectNext(bool forward) {
    std::vector<TWinControl*> stops;
    ForEachControl(this, [&](TControl* c) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (w && w->TabStop() && w->CanFocus()) stops.push_back(w);
    });
    if (stops.empty()) return;
    const auto it = std::find(stops.begin(), stops.end(), activeControl_);
    std::ptrdiff_t i = it == stops.end() ? (forward ? -1 : 0) : it - stops.begin();
    const auto n = static_cast<std::ptrdiff_t>(stops.size());
    i = ((forward ? i + 1 : i - 1) % n + n) % n;
    SetActiveControl(stops[static_cast<std::size_t>(i)]);
}

bool TCustomForm::DialogKey(std::uint16_t key) {
    if (key == vk::Tab) {
        SelectNext((KeyboardShiftState() & ss::Shift) == 0);
        return true;
    }
    if (key != vk::Return && key != vk::Escape) return false;
    TButton* found = nullptr;
    ForEachControl(this, [&](TControl* c) {
        auto* b = dynamic_cast<TButton*>(c);
        if (!found && b && b->Showing() && b->Enabled() &&
            (key == vk::Return ? b->Default() : b->Cancel()))
            found = b;
    });
    if (!found) return false;
    found->Click();
    return true;
}

bool TCustomForm::IsShortCut(std::uint16_t key, TShiftState shift) {
    if (!menu_ || key == 0) return false;
    if (menu_->IsShortCut(key, shift)) return true;
    // Alt with the marked letter of a top-level item opens that item.
    if (!(shift & ss::Alt) || (shift & ss::Ctrl)) return false;
    for (int i = 0; i < menu_->Items().Count(); ++i) {
        TMenuItem* item = menu_->Items().Items(i);
        const std::string& c = item->Caption();
        const auto amp = c.find('&');
        if (!item->Visible() || amp == std::string::npos || amp + 1 >= c.size()) continue;
        if (std::toupper(static_cast<unsigned char>(c[amp + 1])) == key) {
            menu_->DropDown(*item, MenuBarOnScreen());
            return true;
        }
    }
    return false;
}

namespace {

// Offers an accelerator character to every control below `parent` until one takes it.
bool OfferDialogChar(TWinControl& parent, win::WParam character) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* c = parent.Controls(i);
        if (c->Perform(CM_DIALOGCHAR, character, 0) != 0) return true;
        if (auto* w = dynamic_cast<TWinControl*>(c); w && OfferDialogChar(*w, character)) return true;
    }
    return false;
}

} // namespace

bool TCustomForm::DialogChar(char c) { return OfferDialogChar(*this, static_cast<unsigned char>(c)); }

void TCustomForm::RouteKey(TMessage& m) {
    // Alt with a character is a caption's accelerator when a control of the form has it.
    if (m.Msg == win::WM_SYSCHAR && DialogChar(static_cast<char>(m.WParam))) {
        m.Result = 1;
        return;
    }
    // Menu shortcuts come before everything; otherwise keys reach the form, and with the focus
    // on a control they belong to that control, after the form had its preview.
    if ((m.Msg == win::WM_KEYDOWN || m.Msg == win::WM_SYSKEYDOWN)) {
        TrackModifierKey(m.Msg, static_cast<std::uint16_t>(m.WParam));
        if (IsShortCut(static_cast<std::uint16_t>(m.WParam), KeyboardShiftState())) {
            m.Result = 1;
            return;
        }
    }
    TWinControl* target = activeControl_;
    if (keyPreview_ || !target || target == this) {
        TCustomControl::WndProc(m);
        if (m.Result != 0 || !target || target == this) return;
    }
    ++t_routingKey;
    m.Result = target->Perform(m.Msg, m.WParam, m.LParam);
    --t_routingKey;
    // A key the control did not take may still be a dialog key of the form.
    if (m.Msg == win::WM_KEYDOWN && m.Result == 0 && DialogKey(static_cast<std::uint16_t>(m.WParam)))
        m.Result = 1;
}

bool TCustomForm::RoutingKey() { return t_routingKey > 0; }

void TCustomForm::WndProc(TMessage& m) {
    if (IsKeyMessage(m.Msg)) {
        RouteKey(m);
        return;
    }
    switch (m.Msg) {
    case win::WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        delete this;
        return;
    case win::WM_NCCALCSIZE:
        DefaultHandler(m);
        // The menu bar belongs to the frame, above the client area.
        if (auto* r = reinterpret_cast<win::Rect*>(m.LParam))
            r->top = std::min(r->bottom, r->top + MenuBarHeight());
        return;
    case win::WM_NCHITTEST:
        DefaultHandler(m);
        if (menu_ && MenuBarOnScreen().Contains({win::GetXParam(m.LParam), win::GetYParam(m.LParam)}))
            m.Result = HTMENU;
        return;
    case win::WM_NCLBUTTONDOWN:
        if (menu_ && m.WParam == static_cast<win::WParam>(HTMENU)) {
            const TRect bar = MenuBarOnScreen();
            if (TMenuItem* item = menu_->ItemAtBar(win::GetXParam(m.LParam) - bar.left))
                menu_->DropDown(*item, bar);
            return;
        }
        DefaultHandler(m);
        return;
    case win::WM_SIZE:
        // The main form minimized or restored on the desktop is the application's.
        if (Application().MainForm() == this) {
            if (m.WParam == win::SIZE_MINIMIZED) Application().Minimize();
            else if (Application().Minimized()) Application().Restore();
        }
        TCustomControl::WndProc(m);
        return;
    case win::WM_ACTIVATE:
        SetActive(win::LoWord(m.WParam) != win::WA_INACTIVE);
        return;
    default:
        TCustomControl::WndProc(m);
    }
}

} // namespace plat::comp
