#include "platform/components/TApplication.h"

#include <algorithm>

#include "platform/components/TApplicationEvents.h"
#include "platform/components/TCustomForm.h"
#include "platform/win/MessageApi.h"

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
    if (terminated_) return false;
    const bool ok = loop_->RunModal(finished);
    if (!ok) terminated_ = true;
    return ok;
}

bool TApplication::DoMessage(win::Msg& msg) {
    bool handled = false;
    if (OnMessage) OnMessage(msg, handled);
    for (TApplicationEvents* e : std::vector<TApplicationEvents*>(listeners_)) {
        if (handled) break;
        if (e->OnMessage) e->OnMessage(msg, handled);
    }
    return handled;
}

bool TApplication::DoIdle() {
    bool done = true;
    if (OnIdle) OnIdle(this, done);
    for (TApplicationEvents* e : std::vector<TApplicationEvents*>(listeners_)) {
        bool d = true;
        if (e->OnIdle) e->OnIdle(this, d);
        done = done && d;
    }
    return done;
}

void TApplication::Terminate() {
    if (terminated_) return;
    terminated_ = true;
    win::PostQuitMessage(0);
}

void TApplication::ResetTerminated() {
    terminated_ = false;
    win::Msg quit;
    while (win::PeekMessage(&quit, 0, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)) {
    }
    MakeLoop();
}

void TApplication::Minimize() {
    if (minimized_) return;
    minimized_ = true;
    if (OnMinimize) OnMinimize(this);
    for (TApplicationEvents* e : std::vector<TApplicationEvents*>(listeners_))
        if (e->OnMinimize) e->OnMinimize(this);
}

void TApplication::Restore() {
    if (!minimized_) return;
    minimized_ = false;
    if (OnRestore) OnRestore(this);
    for (TApplicationEvents* e : std::vector<TApplicationEvents*>(listeners_))
        if (e->OnRestore) e->OnRestore(this);
}

} // namespace plat::comp
