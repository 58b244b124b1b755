#include "crashreport/sys/ProcessPaths.h"

#include "crashreport/sys/ProcFile.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace errvane {

std::size_t ProcessPaths::Executable(char* buffer, std::size_t size) {
    if (size == 0) return 0;
    const ssize_t n = readlink("/proc/self/exe", buffer, size - 1);
    const std::size_t length = n < 0 ? 0 : static_cast<std::size_t>(n);
    buffer[length] = 0;
    return length;
}

std::size_t ProcessPaths::CommandLine(char* buffer, std::size_t size) {
    if (size == 0) return 0;
    char raw[8192];
    const long total = ProcFile::Read("/proc/self/cmdline", raw, sizeof raw);
    std::size_t out = 0;
    auto put = [&](char c) {
        if (out + 1 < size) buffer[out++] = c;
    };
    for (long i = 0; i < total;) {
        const char* argument = raw + i;
        const std::size_t length = std::strlen(argument);
        const bool quote = length == 0 || std::strchr(argument, ' ') != nullptr || std::strchr(argument, '\t') != nullptr;
        if (i > 0) put(' ');
        if (quote) put('"');
        for (std::size_t k = 0; k < length; ++k) put(argument[k]);
        if (quote) put('"');
        i += static_cast<long>(length) + 1;
    }
    buffer[out] = 0;
    return out;
}

std::size_t ProcessPaths::DocumentsFolder(char* buffer, std::size_t size) {
    if (size == 0) return 0;
    buffer[0] = 0;
    const char* documents = std::getenv("XDG_DOCUMENTS_DIR");
    const char* home = std::getenv("HOME");
    const char* base = documents != nullptr && *documents != 0 ? documents : home;
    const char* suffix = base == home ? "/Documents" : "";
    if (base == nullptr || *base == 0) return 0;
    const std::size_t a = std::strlen(base), b = std::strlen(suffix);
    if (a + b + 1 > size) return 0;
    std::memcpy(buffer, base, a);
    std::memcpy(buffer + a, suffix, b + 1);
    return a + b;
}

}  // namespace errvane
