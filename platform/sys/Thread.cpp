#include "platform/sys/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace plat::sys {

void SetCurrentThreadPriority(ThreadPriority priority) {
    int nice = 0;
    switch (priority) {
    case ThreadPriority::Lowest: nice = 19; break;
    case ThreadPriority::BelowNormal: nice = 5; break;
    case ThreadPriority::Normal: nice = 0; break;
    case ThreadPriority::AboveNormal: nice = -5; break;
    case ThreadPriority::Highest: nice = -15; break;
    }
    // On Linux a nice value set for a thread id applies to that thread only.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, nice);
}

Thread::Thread(std::function<void()> body, ThreadPriority priority)
    : thread_([body = std::move(body), priority] {
          SetCurrentThreadPriority(priority);
          body();
      }) {}

Thread::~Thread() { Join(); }

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        Join();
        thread_ = std::move(other.thread_);
    }
    return *this;
}

void Thread::Join() {
    if (!thread_.joinable()) return;
    if (IsCurrent()) thread_.detach();
    else thread_.join();
}

} // namespace plat::sys
