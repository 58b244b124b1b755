#include "platform/sys/SharedPresence.h"

namespace plat::sys {

SharedPresence::SharedPresence(std::string_view name) : file_(name) {}

bool SharedPresence::Join() {
    file_.Reopen(); // the name's current file: the last process to leave removes it
    if (!file_.Valid()) return false;
    // Nobody else holds a shared lock exactly when the exclusive one is free.
    const bool alone = file_.TryLockExclusive();
    file_.LockShared();
    joined_ = true;
    return alone;
}

bool SharedPresence::Leave() {
    if (!joined_) return false;
    joined_ = false;
    file_.Unlock();
    const bool alone = file_.TryLockExclusive();
    if (alone) file_.RemoveName();
    file_.Unlock();
    return alone;
}

} // namespace plat::sys
