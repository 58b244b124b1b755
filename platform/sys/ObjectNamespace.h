#pragma once
// Names of cross-process objects (shared memory, named mutexes, presence files) carry the
// namespace given in the environment variable LXQ745_NS, so that parallel test runs and separate
// installations never meet in one another's objects.

#include <string>
#include <string_view>

namespace plat::sys {

// The namespace in force now ("" when LXQ745_NS is unset).
std::string CurrentObjectNamespace();

// "lxq745.<namespace>.<name>", with every character outside [A-Za-z0-9._-] replaced by '_',
// usable both as a POSIX shared-memory name (after a leading '/') and as a file name.
std::string NamespacedObjectName(std::string_view name);

// Folder for lock and presence files and channel sockets: this user's private runtime folder
// (see UserRuntimeFolder.h); *refusal tells why it cannot be used, empty when it can.
std::string RuntimeFolder(std::string* refusal = nullptr);

} // namespace plat::sys
