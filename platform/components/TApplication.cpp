#include "platform/components/TApplication.h"

#include <algorithm>

#include "platform/components/TApplicationEvents.h"
#include "platform/components/TCustomForm.h"
#include "platform/components/THintWindow.h"
#include "platform/components/TTimer.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

TApplication* g_application = nullptr;

} // namespace

TApplication& TApplication::Instance() {
    if (!g_application) g_application = new TApplication();
    return *g_application;
}

void TApplication::ShutDown() {
    delete g_application;
    g_application = nullptr;
}

TApplication::TApplication() : TComponent(nullptr) { MakeLoop(); }

TApplication::~TApplication() {
    BeginDestroy();
    // The hint window and its timer are ours and go with the other components, but a control
    // that goes later still tells us it goes, and the owner is not told of the components it
    // frees itself: the hint is dropped here, before anything is freed.
    if (hintControl_) RemoveFreeNotification(hintControl_);
    hintControl_ = nullptr;
    delete hintTimer_;
    hintTimer_ = nullptr;
    delete hintWindow_;
    hintWindow_ = nullptr;
    DestroyComponents();
}

void TApplication::AddForm(TCustomForm* form) {
    if (!form) return;
    if (!mainForm_) mainForm_ = form;
    form->DoCreate();
}

void TApplication::RegisterForm(TCustomForm* form) { forms_.push_back(form); }

void TApplication::UnregisterForm(TCustomForm* form) {
    std::erase(forms_, form);
    if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::MakeLoop() {
    loop_ = std::make_unique<win::MessageLoop>();
    loop_->SetIdleHook([this] { return DoIdle(); });
    loop_->SetMessageHook([this](win::Msg& msg) { return DoMessage(msg); });
}

void TApplication::Run() {
    if (mainForm_ && showMainForm_) mainForm_->Show();
    if (!terminated_) loop_->Run();
    terminated_ = true;
}

void TApplication::HandleMessage() {
    if (loop_->HandleOne()) {
        if (loop_->QuitSeen()) terminated_ = true;
        return;
    }
    if (DoIdle() && !terminated_) win::WaitMessage();
}

void TApplication::ProcessMessages() {
    loop_->ProcessMessages();
    if (loop_->QuitSeen()) terminated_ = true;
}

bool TApplication::ProcessMessage() {
    if (!loop_->HandleOne()) return false;
    if (loop_->QuitSeen()) terminated_ = true;
    return true;
}

bool TApplication::RunModal(const std::function<bool()>& finished) {
    if (terminated_ || modalsCancelled_) return false;
    const bool ok = loop_->RunModal([this, &finished] { return modalsCancelled_ || finished(); });
    if (!ok) terminated_ = true;
    return ok && !modalsCancelled_;
}

// Called on the loop's own thread (from a message): the loop asks `finished` once the message is
// handled, so a waiting loop needs no wake-up.
void TApplication::CancelModalLoops() { modalsCancelled_ = true; }

std::vector<TApplicationHandlers*> TApplication::AllHandlers() {
    std::vector<TApplicationHandlers*> all{this};
    all.insert(all.end(), listeners_.begin(), listeners_.end());
    return all;
}

bool TApplication::DoMessage(win::Msg& msg) {
    TrackHint(msg);
    bool handled = false;
    for (TApplicationHandlers* h : AllHandlers()) {
        if (handled) break;
        if (h->OnMessage) h->OnMessage(msg, handled);
    }
    return handled;
}

bool TApplication::DoIdle() {
    // Done only when every handler is done.
    bool done = true;
    for (TApplicationHandlers* h : AllHandlers()) {
        bool d = true;
        if (h->OnIdle) h->OnIdle(this, d);
        done = done && d;
    }
    return done;
}

void TApplication::SetShowHint(bool v) {
    showHint_ = v;
    if (!v) CancelHint();
}

THintWindow* TApplication::ActiveHint() const {
    return hintWindow_ && hintWindow_->Active() ? hintWindow_ : nullptr;
}

void TApplication::CancelHint() {
    if (hintTimer_) hintTimer_->SetEnabled(false);
    if (hintWindow_) hintWindow_->ReleaseHandle();
}

void TApplication::TrackHint(const win::Msg& msg) {
    switch (msg.message) {
    case win::WM_MOUSEMOVE: break;
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
    case win::WM_MBUTTONDOWN:
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN:
    case win::WM_MOUSEWHEEL:
        CancelHint();
        return;
    default: return;
    }
    if (!showHint_) return;
    TWinControl* window = TWinControl::FindControl(msg.hwnd);
    TControl* under = window;
    if (window) {
        const TPoint p{win::GetXParam(msg.lParam), win::GetYParam(msg.lParam)};
        if (TControl* child = window->ControlAtPos(p, true)) under = child;
    }
    hintCursor_ = {msg.pt.x, msg.pt.y};
    if (under == hintControl_) return;
    // A new control under the mouse: whatever showed goes, and its own hint waits its pause.
    if (hintControl_) RemoveFreeNotification(hintControl_);
    hintControl_ = under;
    if (hintControl_) FreeNotification(hintControl_);
    CancelHint();
    if (!hintControl_ || !hintControl_->ShowHint() || hintControl_->Hint().empty()) return;
    if (!hintTimer_) {
        hintTimer_ = new TTimer(this);
        hintTimer_->SetOnTimer([this](TObject*) { HintTimerFired(); });
    }
    hintTimer_->SetInterval(hintPause_);
    hintTimer_->SetEnabled(true);
}

void TApplication::HintTimerFired() {
    if (ActiveHint()) {
        CancelHint(); // shown long enough
        return;
    }
    hintTimer_->SetEnabled(false);
    if (!hintControl_) return;
    if (!hintWindow_) hintWindow_ = new THintWindow(this);
    // "short|long": the hint window shows the short part.
    const std::string& hint = hintControl_->Hint();
    const std::string text = hint.substr(0, hint.find('|'));
    const TRect size = hintWindow_->CalcHintRect(300, text);
    hintWindow_->ActivateHint(size.Offset(hintCursor_.x, hintCursor_.y + 20), text);
    hintTimer_->SetInterval(hintHidePause_);
    hintTimer_->SetEnabled(true);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == hintControl_) {
        hintControl_ = nullptr;
        if (!Destroying()) CancelHint();
    }
    if (operation == TOperation::opRemove && component == hintWindow_) hintWindow_ = nullptr;
    if (operation == TOperation::opRemove && component == hintTimer_) hintTimer_ = nullptr;
}

void TApplication::Terminate() {
    if (terminated_) return;
    terminated_ = true;
    win::PostQuitMessage(0);
}

void TApplication::ResetTerminated() {
    terminated_ = false;
    modalsCancelled_ = false;
    win::Msg quit;
    while (win::PeekMessage(&quit, 0, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)) {
    }
    MakeLoop();
}

void TApplication::Minimize() {
    if (minimized_) return;
    minimized_ = true;
    if (mainForm_ && mainForm_->HandleAllocated()) win::ShowWindow(mainForm_->Handle(), win::SW_MINIMIZE);
    for (TApplicationHandlers* h : AllHandlers())
        if (h->OnMinimize) h->OnMinimize(this);
}

void TApplication::Restore() {
    if (!minimized_) return;
    minimized_ = false;
    if (mainForm_ && mainForm_->HandleAllocated()) win::ShowWindow(mainForm_->Handle(), win::SW_RESTORE);
    for (TApplicationHandlers* h : AllHandlers())
        if (h->OnRestore) h->OnRestore(this);
}

} // namespace plat::comp
