#pragma once
#include <csignal>

namespace errvane {

struct ExceptionPointers;

// The report flow: freezes the other threads, writes <documents>/Talvenor/<program>_except.log,
// names it in a message on a thread of its own and ends the process with exit code 0. Runs once
// per process: afterwards (or when not armed) it returns 0 at once.
int ReportUnhandledException(ExceptionPointers* pointers);

// Arms the filter (at load) and disarms it (at unload).
void ArmReportFilter(bool armed);

// The fault-signal handler: turns the signal into an exception record and a context and runs the
// report. A fault that comes while a report is being made parks its thread; on the reporting or
// message thread, or when the library is not armed, the default action takes over.
void HandleFaultSignal(int signal, siginfo_t* info, void* ucontext);

}  // namespace errvane
