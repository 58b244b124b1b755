// Load and unload of the crash-report library, and its one export.
#include "crashreport/base/CommandLine.h"
#include "crashreport/base/ReportHeap.h"
#include "crashreport/base/TmyApplication.h"
#include "crashreport/filter/ReportFilter.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/sys/AltStacks.h"
#include "crashreport/sys/FaultSignals.h"
#include "crashreport/sys/MessageThread.h"
#include "crashreport/sys/ThreadCreationHook.h"
#include "crashreport/sys/ThreadStopper.h"

#include <ctime>

namespace {

// Room for the strings of one report: address space only until used.
constexpr std::size_t kArenaBytes = 256u * 1024 * 1024;

errvane::TmyApplication* g_application = nullptr;

__attribute__((constructor)) void LoadLibrary() {
    using namespace errvane;
    ReportHeap::ReserveArena(kArenaBytes);
    tzset();  // local time inside the fault handler must not read the zone files
    const TmyString commandLine = CommandLine::Text();
    g_application = new TmyApplication(commandLine.Text());
    AltStacks::Start(CommandLine::ThreadEndTraceOn(commandLine.Lower().Text()));
    ThreadStopper::Start();
    MessageThread::Start();
    FaultSignals::Install(HandleFaultSignal);
    ThreadCreationHook::Install();
    ArmReportFilter(true);
}

__attribute__((destructor)) void UnloadLibrary() {
    using namespace errvane;
    ArmReportFilter(false);
    ThreadCreationHook::Remove();
    FaultSignals::Restore();
    MessageThread::Stop();
    ThreadStopper::Stop();
    AltStacks::Stop();
    delete g_application;
    g_application = nullptr;
    ReportHeap::FreeArena();
}

}  // namespace

// Runs the report for the given exception and context; does not return when a report is made.
extern "C" __attribute__((visibility("default"))) int CreateReport(errvane::ExceptionPointers* pointers) {
    return errvane::ReportUnhandledException(pointers);
}
