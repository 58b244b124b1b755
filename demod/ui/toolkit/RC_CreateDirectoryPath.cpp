#include "demod/ui/toolkit/RC_CreateDirectoryPath.h"

#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

void MakeOne(const std::string& prefix) {
    if (prefix.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directory(prefix, ignored);
}

} // namespace

void RC_CreateDirectoryPath(const char* path, bool keepLast) {
    if (path == nullptr) return;
    while (*path == ' ') ++path;
    std::string copy(path);
    for (char& c : copy) {
        if (c == '\\') c = '/';
    }
    std::size_t i = 0;
    if (copy.size() >= 2 && std::isalpha(static_cast<unsigned char>(copy[0])) && copy[1] == ':') {
        i = 2;
        if (i < copy.size() && IsSeparator(copy[i])) ++i;
    } else if (!copy.empty() && IsSeparator(copy[0])) {
        i = 1; // the root itself
    }
    for (; i < copy.size(); ++i) {
        if (IsSeparator(copy[i])) MakeOne(copy.substr(0, i));
    }
    if (!keepLast) MakeOne(copy);
}
