#include "crashreport/filter/ReportFilter.h"

#include "crashreport/base/ReportHeap.h"
#include "crashreport/base/CommandLine.h"
#include "crashreport/report/ContextSection.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/ExceptionSection.h"
#include "crashreport/report/ModulesSection.h"
#include "crashreport/report/SystemSummary.h"
#include "crashreport/report/ThreadSnapshot.h"
#include "crashreport/report/ThreadsSection.h"
#include "crashreport/sys/DebugOutput.h"
#include "crashreport/sys/FaultSignals.h"
#include "crashreport/sys/Futex.h"
#include "crashreport/sys/MemoryMap.h"
#include "crashreport/sys/MessageThread.h"
#include "crashreport/sys/ProcessPaths.h"
#include "crashreport/sys/SafeMemory.h"
#include "crashreport/sys/SignalTranslator.h"
#include "crashreport/sys/ThreadIdentity.h"
#include "crashreport/sys/ThreadStopper.h"
#include "crashreport/text/ReportTexts.h"
#include "crashreport/text/TmyStringList.h"

#include <atomic>
#include <ctime>
#include <unistd.h>

namespace errvane {
namespace {

std::atomic<std::int32_t> g_armed{0};
std::atomic<long> g_reportingThread{0};

constexpr std::size_t kInitialLines = 1024;
constexpr std::size_t kMaximumLines = 0x40000;

TmyString ReportPath() {
    char executable[4096], documents[4096];
    ProcessPaths::Executable(executable, sizeof executable);
    ProcessPaths::DocumentsFolder(documents, sizeof documents);
    return TmyString(documents) + "/Talvenor/" + TmyString(executable).FileNamePart().WithoutExtension() +
           "_except.log";
}

}  // namespace

void ArmReportFilter(bool armed) { g_armed.store(armed ? 1 : 0); }

int ReportUnhandledException(ExceptionPointers* pointers) {
    if (g_armed.exchange(0) == 0) return 0;
    const long self = ThreadIdentity::Current();
    g_reportingThread.store(self);
    DebugOutput::Write("errVane is called !\r\n");
    // From here on nothing may take the C heap's locks: a frozen thread may hold them.
    ReportHeap::UseArena();
    ThreadSnapshot* threads = ThreadStopper::StopOthers(self, MessageThread::Id());
    DebugOutput::Write("errVane has stopped threads!\r\n");

    const TmyString path = ReportPath();
    MemoryMap::Refresh();
    TmyStringList list(kInitialLines, kMaximumLines);
    list.Add(CommandLine::Text());
    list.Add(DateTimeText(std::time(nullptr)));
    ReportSystemSummary(list);
    ReportModules(list);
    // CreateReport's caller may pass anything: the records are copied with checked reads.
    ExceptionPointers given{nullptr, nullptr};
    if (pointers != nullptr) SafeMemory::Read(reinterpret_cast<std::uintptr_t>(pointers), &given, sizeof given);
    if (given.record != nullptr) ReportExceptionRecord(list, given.record);
    ProcessorContext context;
    if (given.context != nullptr &&
        SafeMemory::Read(reinterpret_cast<std::uintptr_t>(given.context), &context, sizeof context))
        ReportContext(list, context);
    if (threads != nullptr) ReportThreads(list, *threads);
    list.SaveToFile(path.Text(), false);

    const TmyString message = "The application has generated an exception.\nThe debug log has been written to\r\n\r\n" +
                              path + "\r\n\r\nThe process is terminated.";
    MessageThread::ShowAndWait(message.Text(), "Exception");
    DebugOutput::Write("errVane ExitProcess\r\n");
    // Nothing of the process runs on: its threads are frozen, possibly holding locks that exit
    // handlers would wait for.
    _exit(0);
}

void HandleFaultSignal(int signal, siginfo_t* info, void* ucontext) {
    ExceptionRecord record;
    ProcessorContext context;
    SignalTranslator::Translate(signal, info, ucontext, &context, &record);
    ExceptionPointers pointers{&record, &context};
    ReportUnhandledException(&pointers);
    // Not armed: a report is under way or done, or the library is unloading.
    const long self = ThreadIdentity::Current();
    const long reporting = g_reportingThread.load();
    if (reporting != 0 && self != reporting && self != MessageThread::Id()) Futex::ParkForever();
    FaultSignals::RestoreDefault(signal);
    // A fault comes again when its instruction runs again; a breakpoint (the thread would go on
    // after it) or a signal that was sent does not: send it once more to reach the default action.
    if (signal == SIGTRAP || info->si_code <= 0) raise(signal);
}

}  // namespace errvane
