#include "platform/sys/CommandLine.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace plat::sys {

std::vector<std::string> ProgramArguments() {
    // The kernel keeps the argument vector as zero-terminated strings, the program name first.
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t end = all.find('\0', start);
        const std::size_t stop = end == std::string::npos ? all.size() : end;
        args.emplace_back(all, start, stop - start);
        start = stop + 1;
    }
    if (!args.empty()) args.erase(args.begin());
    return args;
}

bool ProgramHasArgument(const std::string& text) {
    const auto args = ProgramArguments();
    return std::find(args.begin(), args.end(), text) != args.end();
}

} // namespace plat::sys
