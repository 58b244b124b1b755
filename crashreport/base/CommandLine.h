#pragma once
#include "crashreport/text/TmyString.h"

#include <cstdint>

namespace errvane {

// The host program's command line as the library reads it.
class CommandLine {
public:
    // The process's command line as one text.
    static TmyString Text();
    // Argument 0 is the program's file name; argument I (from 1) is the I-th argument of the text
    // after the program's own one; an empty text ends the list.
    static TmyString Argument(const char* commandLine, int index);
    static TmyString Argument(int index);
    // Trace flags from the options: "/l" (any case) sets bit 0, "/ll" bits 0 and 1.
    static std::uint32_t TraceFlags(const char* commandLine);
    // Whether the thread-end trace is on: a "/" directly followed by "l" (any case) that ends the
    // line or is followed by a blank.
    static bool ThreadEndTraceOn(const char* commandLine);
};

}  // namespace errvane
