#include "crashreport/base/TmyApplication.h"

#include "crashreport/base/CommandLine.h"
#include "crashreport/base/TmyBinaryTree.h"
#include "crashreport/base/TmyFile.h"
#include "crashreport/base/TmyProfiler.h"
#include "crashreport/base/TmyTimeCounter.h"
#include "crashreport/base/TraceSink.h"
#include "crashreport/base/TypeRegistry.h"
#include "crashreport/sys/DebugOutput.h"
#include "crashreport/sys/MemoryMap.h"
#include "crashreport/sys/ProcessPaths.h"
#include "crashreport/text/TmyStringList.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace errvane {

TmyApplication::TmyApplication(const char* commandLine) {
    SetGlobalTraceFlags(CommandLine::TraceFlags(commandLine));
    SetTraceFlags(GlobalTraceFlags());
    registry_ = new TmyBinaryTree();
    TypeRegistry::Attach(registry_);
    RegisterType(kTypeApplication);
    {
        // Every class registers here, at load: inside the fault handler the registry is only read.
        TmyStringList lines(1, 1);
        TmyTimeCounter counter;
    }
    if ((TraceFlags() & kTraceLog) != 0) OpenLog();
    if (TraceFlags() != 0) profiler_ = new TmyProfiler();
}

TmyApplication::~TmyApplication() {
    delete profiler_;
    profiler_ = nullptr;
    if ((TraceFlags() & kTraceLog) != 0) ReportRemainingMemory();
    TmyBinaryTree* registry = TypeRegistry::Detach();
    if (TraceFlags() != 0 && registry != nullptr) {
        char line[128];
        std::snprintf(line, sizeof line, "Type IDs count: %zu [empty %zu, depth=%zu]\r\n", registry->Count(),
                      registry->InnerNodes(), registry->Depth());
        DebugOutput::Write(line);
    }
    delete registry;
    TraceSink::SetLogFile(nullptr);
    delete log_;
}

bool TmyApplication::LogOpen() const { return log_ != nullptr && log_->IsOpen(); }

TmyString TmyApplication::LogPath() {
    char documents[4096];
    ProcessPaths::DocumentsFolder(documents, sizeof documents);
    return TmyString(documents) + "/Talvenor/" + CommandLine::Argument(0).FileNamePart().WithoutExtension() + ".log";
}

bool TmyApplication::CreateFolders(const char* path) {
    const TmyString whole(path);
    for (std::size_t i = 1; i <= whole.Length(); ++i) {
        if (i == whole.Length() || whole[i] == '/') mkdir(whole.Sub(0, i).Text(), 0755);
    }
    struct stat info{};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

void TmyApplication::OpenLog() {
    const TmyString path = LogPath();
    const int slash = path.Find("/Talvenor/");
    if (slash < 0 || !CreateFolders(path.Sub(0, static_cast<std::size_t>(slash) + 9).Text())) {
        Trace(0, "File not opened, err=%d", errno);
        return;
    }
    log_ = new TmyFile(path.Text(), O_WRONLY | O_CREAT | O_TRUNC);
    if (log_->IsOpen()) {
        TraceSink::SetLogFile(log_);
    } else {
        delete log_;
        log_ = nullptr;
    }
}

void TmyApplication::ReportRemainingMemory() const {
    // Private writable memory that is still mapped: what the process allocated and kept.
    MemoryMap map;
    if (!map.Load()) return;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < map.Count(); ++i) {
        const MemoryRegion& region = map.At(i);
        const std::uint32_t wanted = MemoryRegion::kRead | MemoryRegion::kWrite | MemoryRegion::kPrivate;
        if ((region.access & wanted) != wanted || region.inode != 0) continue;
        const char* protection = (region.access & MemoryRegion::kExecute) != 0 ? ",EXEC_RW" : ",RW";
        char line[256];
        std::snprintf(line, sizeof line, "Allocated remains: %016llx-%016llX%s,COMMIT,PRIVATE [%016llx,%llukB%s]\r\n",
                      static_cast<unsigned long long>(region.start), static_cast<unsigned long long>(region.end),
                      protection, static_cast<unsigned long long>(region.start),
                      static_cast<unsigned long long>((region.end - region.start) / 1024), protection);
        DebugOutput::Write(line);
        total += region.end - region.start;
    }
    if (total != 0) {
        char line[64];
        std::snprintf(line, sizeof line, "TotalSize: %.3fMB\r\n\r\n", static_cast<double>(total) / (1024.0 * 1024.0));
        DebugOutput::Write(line);
    }
}

}  // namespace errvane
