#include "crashreport/base/CommandLine.h"

#include "crashreport/sys/ProcessPaths.h"

#include <cctype>
#include <cstring>

namespace errvane {
namespace {

constexpr std::size_t kMaxArgument = 4095;

// Splits off the next argument: characters at or below the blank separate arguments, a double
// quote opens a part that runs to the next one and may hold blanks. Empty quoted arguments are
// skipped. Returns the position after the argument, nullptr when none is left.
const char* NextArgument(const char* p, TmyString& argument) {
    for (;;) {
        while (*p != 0 && static_cast<unsigned char>(*p) <= ' ') ++p;
        if (*p == 0) return nullptr;
        char text[kMaxArgument + 1];
        std::size_t length = 0;
        bool quoted = false;
        while (*p != 0 && (quoted || static_cast<unsigned char>(*p) > ' ')) {
            if (*p == '"')
                quoted = !quoted;
            else if (length < kMaxArgument)
                text[length++] = *p;
            ++p;
        }
        if (length == 0) continue;
        argument = TmyString(text, length);
        return p;
    }
}

}  // namespace

TmyString CommandLine::Text() {
    char buffer[8192];
    ProcessPaths::CommandLine(buffer, sizeof buffer);
    return TmyString(buffer);
}

TmyString CommandLine::Argument(const char* commandLine, int index) {
    if (index == 0) {
        char path[4096];
        ProcessPaths::Executable(path, sizeof path);
        return TmyString(path);
    }
    TmyString argument;
    const char* p = commandLine;
    for (int i = 0; i <= index; ++i) {
        p = NextArgument(p, argument);
        if (p == nullptr) return TmyString();
    }
    return argument;
}

TmyString CommandLine::Argument(int index) { return Argument(Text().Text(), index); }

std::uint32_t CommandLine::TraceFlags(const char* commandLine) {
    std::uint32_t flags = 0;
    for (int i = 1;; ++i) {
        const TmyString argument = Argument(commandLine, i);
        if (argument.Length() == 0) break;
        const TmyString lower = argument.Lower();
        if (lower == "/l") flags |= 1u;
        if (lower == "/ll") flags |= 3u;
    }
    return flags;
}

bool CommandLine::ThreadEndTraceOn(const char* commandLine) {
    for (const char* slash = std::strchr(commandLine, '/'); slash != nullptr; slash = std::strchr(slash + 1, '/')) {
        if (std::tolower(static_cast<unsigned char>(slash[1])) == 'l' && (slash[2] == 0 || slash[2] == ' ')) return true;
    }
    return false;
}

}  // namespace errvane
