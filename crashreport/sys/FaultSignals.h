#pragma once
#include <csignal>

namespace errvane {

// The fault signals the library reports: SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP and SIGABRT.
class FaultSignals {
public:
    using Handler = void (*)(int, siginfo_t*, void*);
    // Installs the handler for every fault signal, to run on the thread's alternate stack, and
    // keeps the actions it replaces.
    static bool Install(Handler handler);
    // Puts the kept actions back.
    static void Restore();
    // The system's default action for one signal: a fault that comes again then ends the process.
    static void RestoreDefault(int signal);
};

// Sends a signal with a pointer to one thread of the own process (rt_tgsigqueueinfo).
bool QueueSignalToThread(long threadId, int signal, void* value);

}  // namespace errvane
