#include "platform/sys/NamedMutex.h"

namespace plat::sys {

NamedMutex::NamedMutex(std::string_view name) : file_(name) {}

bool NamedMutex::LockFileOfTheName(bool wait) {
    for (;;) {
        if (wait) file_.LockExclusive();
        else if (!file_.TryLockExclusive()) return false;
        if (file_.StillNamed() || !file_.Valid()) return true;
        // The previous holder removed the name: this lock guards nothing any more.
        file_.Unlock();
        file_.Reopen();
    }
}

void NamedMutex::Lock() {
    local_.lock();
    if (depth_ == 0) LockFileOfTheName(true);
    ++depth_;
}

bool NamedMutex::TryLock() {
    if (!local_.try_lock()) return false;
    if (depth_ == 0 && !LockFileOfTheName(false)) {
        local_.unlock();
        return false;
    }
    ++depth_;
    return true;
}

void NamedMutex::Unlock() {
    if (--depth_ == 0) file_.Unlock();
    local_.unlock();
}

} // namespace plat::sys
