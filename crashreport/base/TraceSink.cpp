#include "crashreport/base/TraceSink.h"

#include "crashreport/base/TmyFile.h"
#include "crashreport/sys/DebugOutput.h"

#include <atomic>

namespace errvane {
namespace {
std::atomic<TmyFile*> g_logFile{nullptr};
}

void TraceSink::SetLogFile(TmyFile* file) { g_logFile.store(file); }

void TraceSink::Write(const char* line, std::size_t length, bool toDebugOutput) {
    if (toDebugOutput) DebugOutput::Write(line, length);
    if (TmyFile* file = g_logFile.load()) file->Write(line, length);
}

}  // namespace errvane
