#pragma once
// The folder where this user's channel sockets and lock files live, which nobody else may enter:
// another user of the machine must not be able to pose as the driver host, take a lock the
// user's programs wait for, or put a file where they look for theirs.
//
// It is $XDG_RUNTIME_DIR when that is a folder of this user's open to nobody else (mode 0700 or
// narrower); else <$TMPDIR, or /tmp>/lxq745-<uid>, created 0700 when missing. A fallback folder
// found owned by someone else, open to others or not a folder at all is refused, never used.

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace plat::sys {

// The folder's path (also when it is refused, for messages). *refusal, when given, is set to why
// the folder cannot be used, or cleared when it can; *foreign tells whether that is because
// someone else has it.
std::string UserRuntimeFolder(std::string* refusal = nullptr, bool* foreign = nullptr);

// Why a file found at `path` (already fstat'ed into `info`) is not this user's own private file
// of the given type, or "" when it is: owned by this user, and open to nobody else.
std::string NotPrivate(std::string_view path, const struct stat& info, mode_t type);

// Writes a refusal to the debug output, each text once per process: a program that retries (the
// device watch, every open) tells the reason once, not every time.
void ReportRefusal(std::string_view text);

} // namespace plat::sys
