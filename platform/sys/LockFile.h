#pragma once
// A file in the runtime folder that carries a whole-file lock (flock). The kernel drops the lock
// when its holder dies, which is what makes it fit for ownership across processes. Locks belong to
// this object's open file, so two LockFile objects conflict even inside one process.
//
// Only a file of this user's own is used: the folder is the user's private one, the file is
// created 0600 and never followed through a link, and one found owned by someone else, open to
// others or not a regular file is refused (not Valid(), with the reason in Refusal() and in the
// debug output): nobody else can hold a lock the user's programs would wait on.

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
    // Why the file could not be opened as this user's own; empty when it was (or failed otherwise).
    const std::string& Refusal() const { return refusal_; }

private:
    void Open();

    int fd_ = -1;
    std::string path_;
    std::string refusal_;
};

} // namespace plat::sys
