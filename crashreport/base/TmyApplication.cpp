#include "crashreport/base/TmyApplication.h"

#include "crashreport/base/CommandLine.h"
#include "crashreport/base/ThunkArea.h"
#include "crashreport/base/TmyComponent.h"
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
#include "platform/win/CursorApi.h"
#include "platform/win/Styles.h"
#include "platform/win/SysColors.h"
#include "platform/win/WindowApi.h"

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
    thunks_ = new ThunkArea();
    RegisterComponentClass();
    if (TraceFlags() != 0) profiler_ = new TmyProfiler();
}

TmyApplication::~TmyApplication() {
    delete profiler_;
    profiler_ = nullptr;
    if ((TraceFlags() & kTraceLog) != 0) ReportRemainingMemory();
    UnregisterComponentClass();
    ReleaseUndeletedThunks();
    const std::int32_t maxThunk = thunks_->MaxIndex();
    delete thunks_;
    thunks_ = nullptr;
    TmyBinaryTree* registry = TypeRegistry::Detach();
    if (TraceFlags() != 0 && registry != nullptr) {
        char line[128];
        std::snprintf(line, sizeof line, "Type IDs count: %zu [empty %zu, depth=%zu]\r\n", registry->Count(),
                      registry->InnerNodes(), registry->Depth());
        DebugOutput::Write(line);
    }
    if (TraceFlags() != 0) {
        char line[64];
        std::snprintf(line, sizeof line, "Max. thunk index: %d / %d\r\n", maxThunk,
                      static_cast<int>(ThunkArea::kSlots));
        DebugOutput::Write(line);
    }
    delete registry;
    TraceSink::SetLogFile(nullptr);
    delete log_;
}

void TmyApplication::RegisterComponentClass() {
    plat::win::WindowClass cls;
    cls.name = kComponentClass;
    cls.proc = &ThunkArea::Entry;
    cls.cursor = plat::win::LoadCursor(plat::win::IDC_ARROW);
    cls.background = plat::win::COLOR_WINDOW + 1;
    classRegistered_ = thunks_->IsValid() && plat::win::RegisterClass(cls);
}

void TmyApplication::UnregisterComponentClass() {
    if (!classRegistered_) return;
    classRegistered_ = false;
    // The window system keeps no error code: a class that is gone already is the one failure.
    if (!plat::win::UnregisterClass(kComponentClass)) Trace(0, "Class failed to unregister, err=%d\r\n", ENOENT);
}

void TmyApplication::ReleaseUndeletedThunks() {
    for (std::int32_t slot = 0; slot < static_cast<std::int32_t>(ThunkArea::kSlots); ++slot) {
        TmyComponent* component = thunks_->Component(slot);
        if (component == nullptr) continue;
        Trace(0, "Undeleted thunk control: %p [%d]", static_cast<void*>(component), slot);
        // Its window, if any, outlives this library's code: it falls back to the default handling.
        const plat::win::Hwnd window = component->Window();
        if (window != 0 && plat::win::GetWindowLongPtr(window, plat::win::GWLP_WNDPROC) ==
                               reinterpret_cast<plat::win::LParam>(thunks_->Procedure(slot))) {
            plat::win::SetWindowLongPtr(window, plat::win::GWLP_WNDPROC,
                                        reinterpret_cast<plat::win::LParam>(&plat::win::DefWindowProc));
        }
        thunks_->Release(slot, component);
    }
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
