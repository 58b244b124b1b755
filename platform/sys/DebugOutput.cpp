#include "platform/sys/DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace plat::sys {

void OutputDebugText(std::string_view text) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const char* path = std::getenv("LXQ745_DEBUG_OUTPUT");
    FILE* out = (path && *path) ? std::fopen(path, "ab") : nullptr;
    FILE* target = out ? out : stderr;
    std::fwrite(text.data(), 1, text.size(), target);
    if (text.empty() || text.back() != '\n') std::fputc('\n', target);
    if (out) std::fclose(out);
    else std::fflush(stderr);
}

} // namespace plat::sys
