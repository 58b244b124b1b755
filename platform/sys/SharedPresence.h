#pragma once
// Tells the first process to attach to a shared object and the last one to leave it, even when
// earlier processes died without leaving: each attached process holds a shared file lock, which
// the kernel drops with the process. Join and Leave must be called under a mutex that every
// attaching process takes (the object's exclusion mutex), so that no two run at once; that is
// also what lets the last one remove the presence file.

#include "platform/sys/LockFile.h"

#include <string_view>

namespace plat::sys {

class SharedPresence {
public:
    explicit SharedPresence(std::string_view name);

    // Registers this process; true when no other live process was registered.
    bool Join();
    // Unregisters this process; true when no other live process remains registered.
    bool Leave();

private:
    LockFile file_;
    bool joined_ = false;
};

} // namespace plat::sys
