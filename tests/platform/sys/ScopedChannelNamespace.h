#pragma once
// Gives a test its own channel name (LXQ745_NS), so that tests never meet a real driver host or
// each other, and puts back the one the process had afterwards.

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace plat::sys::test {

class ScopedChannelNamespace {
public:
    explicit ScopedChannelNamespace(const char* prefix) {
        static int counter = 0;
        if (const char* before = std::getenv("LXQ745_NS")) {
            had_ = true;
            before_ = before;
        }
        const std::string ns = prefix + std::to_string(getpid()) + "." + std::to_string(++counter);
        setenv("LXQ745_NS", ns.c_str(), 1);
    }
    ~ScopedChannelNamespace() {
        if (had_) setenv("LXQ745_NS", before_.c_str(), 1);
        else unsetenv("LXQ745_NS");
    }
    ScopedChannelNamespace(const ScopedChannelNamespace&) = delete;
    ScopedChannelNamespace& operator=(const ScopedChannelNamespace&) = delete;

private:
    bool had_ = false;
    std::string before_;
};

} // namespace plat::sys::test
