#pragma once
// A worker thread of the plug-in: created suspended, started by Resume, running one body
// callback with the owner's context.

#include "platform/sys/Event.h"
#include "platform/sys/Thread.h"

class RC_Thread {
public:
    using Body = void (*)(void* context, RC_Thread* thread);

    RC_Thread(Body body, void* context);
    // Waits for a started thread to end: the body uses its owner, which goes away next.
    ~RC_Thread();
    RC_Thread(const RC_Thread&) = delete;
    RC_Thread& operator=(const RC_Thread&) = delete;

    // Applies before Resume, or to the running thread from the next Resume on.
    void SetPriority(plat::sys::ThreadPriority priority) { priority_ = priority; }
    // Starts the body once; later calls do nothing.
    void Resume();
    // True when the body has returned within the time (at once for a thread never started).
    bool Wait(plat::sys::Nanoseconds timeout);

private:
    Body body_;
    void* context_;
    plat::sys::ThreadPriority priority_ = plat::sys::ThreadPriority::Normal;
    plat::sys::Event finished_{plat::sys::Event::Reset::Manual, false};
    plat::sys::Thread thread_;
    bool started_ = false;
};
