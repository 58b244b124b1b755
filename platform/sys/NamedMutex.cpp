#include "platform/sys/NamedMutex.h"

namespace plat::sys {

NamedMutex::NamedMutex(std::string_view name) : file_(name) {}

void NamedMutex::Lock() {
    local_.lock();
    if (depth_++ == 0) file_.LockExclusive();
}

bool NamedMutex::TryLock() {
    if (!local_.try_lock()) return false;
    if (depth_ == 0 && !file_.TryLockExclusive()) {
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
