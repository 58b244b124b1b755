#pragma once
// A file in the runtime folder that carries a whole-file lock (flock). The kernel drops the lock
// when its holder dies, which is what makes it fit for ownership across processes. Locks belong to
// this object's open file, so two LockFile objects conflict even inside one process.

#include <string>
#include <string_view>

namespace plat::sys {

class LockFile {
public:
    // Opens (creating) the file for `name` in the object namespace; Valid() tells whether it did.
    explicit LockFile(std::string_view name);
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    bool Valid() const { return fd_ >= 0; }
    void LockExclusive();      // blocks
    bool TryLockExclusive();   // never blocks
    void LockShared();         // blocks
    void Unlock();
    // True while this open file is still the one the name leads to (it may have been removed,
    // or removed and created anew, since it was opened).
    bool StillNamed() const;
    // Opens the name again (creating the file), dropping any lock held through the old open.
    void Reopen();
    // Removes the name; holders keep their open file.
    void RemoveName();
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

} // namespace plat::sys
