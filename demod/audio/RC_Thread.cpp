#include "demod/audio/RC_Thread.h"

RC_Thread::RC_Thread(Body body, void* context) : body_(body), context_(context) {}

RC_Thread::~RC_Thread() {
    if (started_) thread_.Join();
}

void RC_Thread::Resume() {
    if (started_) return;
    started_ = true;
    thread_ = plat::sys::Thread(
        [this] {
            body_(context_, this);
            finished_.Set();
        },
        priority_);
}

bool RC_Thread::Wait(plat::sys::Nanoseconds timeout) {
    if (!started_) return true;
    return finished_.WaitFor(timeout);
}
