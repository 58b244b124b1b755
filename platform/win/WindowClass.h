#pragma once
// Window classes: a name (compared without case) that gives new windows their procedure, class
// styles, cursor and background.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/win/Types.h"

namespace plat::win {

struct WindowClass {
    std::string name;
    std::uint32_t style = 0;
    WndProc proc = nullptr;
    std::uint32_t cursor = 0;     // cursor handle shown over the client area (0: leave as is)
    std::uint32_t background = 0; // colour + 1 used by the default erase (0: no erase)
};

class WindowClassRegistry {
public:
    // False when the name is empty, the procedure missing or the class already registered.
    bool Register(const WindowClass& cls);
    bool Unregister(const std::string& name);
    std::optional<WindowClass> Find(const std::string& name) const;

private:
    static std::string Key(const std::string& name);

    mutable std::mutex mutex_;
    std::map<std::string, WindowClass> classes_;
};

} // namespace plat::win
