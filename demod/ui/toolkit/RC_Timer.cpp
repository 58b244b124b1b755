#include "demod/ui/toolkit/RC_Timer.h"

#include "demod/dsp/RC_Lock.h"
#include "platform/win/TimerApi.h"

#include <mutex>

namespace {

struct TimerList {
    RC_Lock lock;
    RC_Timer* head = nullptr;
};

TimerList& List() {
    static TimerList list;
    return list;
}

} // namespace

RC_Timer::RC_Timer(std::uint32_t intervalMs, Callback callback, void* user)
    : intervalMs_(intervalMs), callback_(callback), user_(user) {}

RC_Timer::~RC_Timer() { Stop(); }

void RC_Timer::SetCallback(Callback callback, void* user) {
    callback_ = callback;
    user_ = user;
}

void RC_Timer::Start() {
    Stop();
    if (intervalMs_ == 0) return;
    id_ = plat::win::SetTimer(0, 0, intervalMs_, &RC_Timer::Fired);
    if (id_ == 0) return;
    TimerList& list = List();
    std::lock_guard<RC_Lock> hold(list.lock);
    next_ = list.head;
    list.head = this;
}

void RC_Timer::Unlink() {
    TimerList& list = List();
    std::lock_guard<RC_Lock> hold(list.lock);
    for (RC_Timer** link = &list.head; *link != nullptr; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            break;
        }
    }
    next_ = nullptr;
}

void RC_Timer::Stop() {
    if (id_ == 0) return;
    Unlink();
    plat::win::KillTimer(0, id_);
    id_ = 0;
}

void RC_Timer::SetInterval(std::uint32_t intervalMs) {
    if (intervalMs == intervalMs_) return;
    intervalMs_ = intervalMs;
    if (Running()) Start();
}

void RC_Timer::Fired(std::uint32_t, std::uint32_t, std::uintptr_t id, std::uint32_t) {
    RC_Timer* found = nullptr;
    {
        TimerList& list = List();
        std::lock_guard<RC_Lock> hold(list.lock);
        for (RC_Timer* t = list.head; t != nullptr; t = t->next_) {
            if (t->id_ == id) {
                found = t;
                break;
            }
        }
    }
    // Called outside the list lock: the callback may stop or start timers, or delete this one.
    if (found != nullptr && found->callback_ != nullptr) found->callback_(found->user_, found);
}
