#pragma once
#include "crashreport/base/TmyObject.h"
#include "crashreport/text/TmyString.h"

namespace errvane {

class TmyBinaryTree;
class TmyFile;
class TmyProfiler;
class TmyStringList;

// The library's application object: created when the library loads, destroyed when it unloads.
// It reads the trace options, keeps the type registry, the trace log (with "/ll") and the
// profiler (with any trace option).
class TmyApplication : public TmyObject {
public:
    explicit TmyApplication(const char* commandLine);
    ~TmyApplication() override;

    TmyProfiler* Profiler() const { return profiler_; }
    bool LogOpen() const;

    // The trace log's path: <documents>/Talvenor/<program>.log.
    static TmyString LogPath();
    // Creates the folder and every missing folder above it; true when it is a folder afterwards.
    static bool CreateFolders(const char* path);

private:
    void OpenLog();
    void ReportRemainingMemory() const;

    TmyBinaryTree* registry_ = nullptr;
    TmyFile* log_ = nullptr;
    TmyProfiler* profiler_ = nullptr;
};

}  // namespace errvane
