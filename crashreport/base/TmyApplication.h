#pragma once
#include "crashreport/base/TmyObject.h"
#include "crashreport/text/TmyString.h"

namespace errvane {

class ThunkArea;
class TmyBinaryTree;
class TmyFile;
class TmyProfiler;
class TmyStringList;

// The library's application object: created when the library loads, destroyed when it unloads.
// It reads the trace options, keeps the type registry, the trace log (with "/ll"), the
// profiler (with any trace option), and the thunk area and window class of the components.
class TmyApplication : public TmyObject {
public:
    explicit TmyApplication(const char* commandLine);
    ~TmyApplication() override;

    TmyProfiler* Profiler() const { return profiler_; }
    bool LogOpen() const;
    ThunkArea* Thunks() const { return thunks_; }
    bool ClassRegistered() const { return classRegistered_; }

    // The trace log's path: <documents>/Talvenor/<program>.log.
    static TmyString LogPath();
    // Creates the folder and every missing folder above it; true when it is a folder afterwards.
    static bool CreateFolders(const char* path);

private:
    void OpenLog();
    void ReportRemainingMemory() const;
    void RegisterComponentClass();
    void UnregisterComponentClass();
    // Traces and frees every slot whose component was never destroyed.
    void ReleaseUndeletedThunks();

    TmyBinaryTree* registry_ = nullptr;
    TmyFile* log_ = nullptr;
    TmyProfiler* profiler_ = nullptr;
    ThunkArea* thunks_ = nullptr;
    bool classRegistered_ = false;
};

}  // namespace errvane
