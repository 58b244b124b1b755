#include "platform/win/WindowClass.h"

#include <cctype>

namespace plat::win {

std::string WindowClassRegistry::Key(const std::string& name) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

bool WindowClassRegistry::Register(const WindowClass& cls) {
    if (cls.name.empty() || !cls.proc) return false;
    std::lock_guard lock(mutex_);
    return classes_.emplace(Key(cls.name), cls).second;
}

bool WindowClassRegistry::Unregister(const std::string& name) {
    std::lock_guard lock(mutex_);
    return classes_.erase(Key(name)) > 0;
}

std::optional<WindowClass> WindowClassRegistry::Find(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = classes_.find(Key(name));
    if (it == classes_.end()) return std::nullopt;
    return it->second;
}

} // namespace plat::win
