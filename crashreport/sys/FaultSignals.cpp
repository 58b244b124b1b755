#include "crashreport/sys/FaultSignals.h"

#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

namespace errvane {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction g_previous[kSignalCount];
bool g_installed = false;

}  // namespace

bool FaultSignals::Install(Handler handler) {
    if (g_installed) return true;
    struct sigaction action{};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // Everything but the faults themselves waits while a report is made; a fault inside the
    // handler still reaches it (and then ends in the default action).
    sigfillset(&action.sa_mask);
    for (int signal : kSignals) sigdelset(&action.sa_mask, signal);
    for (int i = 0; i < kSignalCount; ++i) {
        if (sigaction(kSignals[i], &action, &g_previous[i]) != 0) {
            while (--i >= 0) sigaction(kSignals[i], &g_previous[i], nullptr);
            return false;
        }
    }
    g_installed = true;
    return true;
}

void FaultSignals::Restore() {
    if (!g_installed) return;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    g_installed = false;
}

void FaultSignals::RestoreDefault(int signal) {
    struct sigaction action{};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
}

bool QueueSignalToThread(long threadId, int signal, void* value) {
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    info.si_signo = signal;
    info.si_code = SI_QUEUE;
    info.si_pid = getpid();
    info.si_uid = getuid();
    info.si_value.sival_ptr = value;
    return syscall(SYS_rt_tgsigqueueinfo, getpid(), threadId, signal, &info) == 0;
}

}  // namespace errvane
