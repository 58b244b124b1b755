#include "platform/win/MessageLoop.h"

#include "platform/win/MessageApi.h"

namespace plat::win {

bool MessageLoop::HandleOne() {
    Msg msg;
    if (!PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        quitSeen_ = true;
        exitCode_ = static_cast<int>(msg.wParam);
        return true;
    }
    if (hook_ && hook_(msg)) return true;
    TranslateMessage(msg);
    DispatchMessage(msg);
    return true;
}

void MessageLoop::ProcessMessages() {
    while (!quitSeen_ && HandleOne()) {
    }
}

void MessageLoop::Idle(const std::function<bool()>* finished) {
    const bool done = idle_ ? idle_() : true;
    if (quitSeen_ || (finished && (*finished)())) return;
    if (done) WaitMessage();
}

int MessageLoop::Run() {
    while (!quitSeen_) {
        if (!HandleOne()) Idle(nullptr);
    }
    quitSeen_ = false;
    return exitCode_;
}

bool MessageLoop::RunModal(const std::function<bool()>& finished) {
    ++modalDepth_;
    while (!quitSeen_ && !finished()) {
        if (!HandleOne()) Idle(&finished);
    }
    --modalDepth_;
    if (!quitSeen_) return true;
    // Hand the quit request on to the enclosing loop.
    quitSeen_ = false;
    PostQuitMessage(exitCode_);
    return false;
}

} // namespace plat::win
