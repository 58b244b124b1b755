#include "platform/sys/ObjectNamespace.h"

#include "platform/sys/UserRuntimeFolder.h"

#include <cstdlib>

namespace plat::sys {

std::string CurrentObjectNamespace() {
    const char* ns = std::getenv("LXQ745_NS");
    return ns ? std::string(ns) : std::string();
}

std::string NamespacedObjectName(std::string_view name) {
    std::string out = "lxq745." + CurrentObjectNamespace() + ".";
    out.append(name);
    for (char& c : out) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!keep) c = '_';
    }
    return out;
}

std::string RuntimeFolder(std::string* refusal) { return UserRuntimeFolder(refusal); }

} // namespace plat::sys
