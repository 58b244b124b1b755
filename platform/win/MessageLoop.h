#pragma once
// The message loop of a user-interface thread, with an idle hook, a message hook and nested modal
// loops. It only waits through the window system's back end, so tests run it headless.

#include <functional>

#include "platform/win/Types.h"

namespace plat::win {

class MessageLoop {
public:
    // Called whenever the queue is empty. Answers true when the idle work is done and the loop may
    // wait for the next message; false to be called again at once (after any message that came).
    using IdleHook = std::function<bool()>;
    // Sees each message before it is dispatched; answers true when it handled the message itself.
    using MessageHook = std::function<bool(Msg&)>;

    void SetIdleHook(IdleHook hook) { idle_ = std::move(hook); }
    void SetMessageHook(MessageHook hook) { hook_ = std::move(hook); }

    // Runs until WM_QUIT and answers its exit code.
    int Run();
    // A nested loop that runs until `finished` answers true (asked after every message and every
    // idle call). Answers false when a quit request ended it first: the request is posted again,
    // so every enclosing loop ends as well.
    bool RunModal(const std::function<bool()>& finished);
    // Handles one waiting message without blocking; false when none was waiting.
    bool HandleOne();
    // Handles every message that is waiting, then returns.
    void ProcessMessages();
    // Depth of nested modal loops now running (0 in the main loop).
    int ModalDepth() const { return modalDepth_; }
    bool QuitSeen() const { return quitSeen_; }

private:
    // One pass without a message: the idle hook, then the wait when it is done.
    void Idle(const std::function<bool()>* finished);

    IdleHook idle_;
    MessageHook hook_;
    bool quitSeen_ = false;
    int exitCode_ = 0;
    int modalDepth_ = 0;
};

} // namespace plat::win
