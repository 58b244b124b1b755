#pragma once
// Gives a test its own channel name (LXQ745_NS), so that tests never meet a real driver host or
// each other, and removes it again afterwards.

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace plat::sys::test {

class ScopedChannelNamespace {
public:
    explicit ScopedChannelNamespace(const char* prefix) {
        static int counter = 0;
        const std::string ns = prefix + std::to_string(getpid()) + "." + std::to_string(++counter);
        setenv("LXQ745_NS", ns.c_str(), 1);
    }
    ~ScopedChannelNamespace() { unsetenv("LXQ745_NS"); }
    ScopedChannelNamespace(const ScopedChannelNamespace&) = delete;
    ScopedChannelNamespace& operator=(const ScopedChannelNamespace&) = delete;
};

} // namespace plat::sys::test
