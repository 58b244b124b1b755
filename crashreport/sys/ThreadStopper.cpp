#include "crashreport/sys/ThreadStopper.h"

#include "crashreport/base/ReportHeap.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/ThreadSnapshot.h"
#include "crashreport/sys/FaultSignals.h"
#include "crashreport/sys/Futex.h"
#include "crashreport/sys/SignalTranslator.h"
#include "crashreport/sys/TaskList.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <new>
#include <unistd.h>

namespace errvane {
namespace {

struct StopSlot {
    std::atomic<std::int32_t> stopped{0};
    ProcessorContext context;
};

constexpr std::uint64_t kStopWaitNs = 2000000000ull;
constexpr int kListingPasses = 4;

struct sigaction g_previous;
bool g_started = false;

void StopHandler(int, siginfo_t* info, void* ucontext) {
    auto* slot = static_cast<StopSlot*>(info->si_value.sival_ptr);
    if (info->si_code != SI_QUEUE || info->si_pid != getpid() || slot == nullptr) return;
    SignalTranslator::CaptureContext(ucontext, &slot->context);
    slot->stopped.store(1);
    Futex::WakeAll(slot->stopped);
    Futex::ParkForever();
}

}  // namespace

int ThreadStopper::Signal() { return SIGRTMAX - 3; }

bool ThreadStopper::Start() {
    if (g_started) return true;
    struct sigaction action{};
    action.sa_sigaction = StopHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    sigfillset(&action.sa_mask);
    g_started = sigaction(Signal(), &action, &g_previous) == 0;
    return g_started;
}

void ThreadStopper::Stop() {
    if (g_started) sigaction(Signal(), &g_previous, nullptr);
    g_started = false;
}

ThreadSnapshot* ThreadStopper::StopOthers(long self, long spare) {
    void* memory = ReportHeap::Allocate(sizeof(ThreadSnapshot));
    void* slotMemory = ReportHeap::Allocate(sizeof(StopSlot) * ThreadSnapshot::kCapacity);
    if (memory == nullptr || slotMemory == nullptr) return nullptr;
    auto* snapshot = new (memory) ThreadSnapshot();
    auto* slots = static_cast<StopSlot*>(slotMemory);
    for (std::size_t i = 0; i < ThreadSnapshot::kCapacity; ++i) new (&slots[i]) StopSlot();
    snapshot->callingThread = self;

    // Threads may start while others are being stopped: list again until no new one appears.
    long ids[ThreadSnapshot::kCapacity];
    bool signalled[ThreadSnapshot::kCapacity] = {};
    for (int pass = 0; pass < kListingPasses; ++pass) {
        const std::size_t listed = ListTaskIds(ids, ThreadSnapshot::kCapacity);
        bool added = false;
        for (std::size_t k = 0; k < listed; ++k) {
            if (ids[k] == spare) continue;
            bool known = false;
            for (std::size_t i = 0; i < snapshot->count && !known; ++i) known = snapshot->ids[i] == ids[k];
            if (known || snapshot->count == ThreadSnapshot::kCapacity) continue;
            const std::size_t index = snapshot->count++;
            snapshot->ids[index] = ids[k];
            added = true;
            if (ids[k] != self) signalled[index] = QueueSignalToThread(ids[k], Signal(), &slots[index]);
        }
        if (!added) break;
    }
    const std::uint64_t deadline = Futex::NowNs() + kStopWaitNs;
    for (std::size_t i = 0; i < snapshot->count; ++i) {
        if (!signalled[i]) continue;
        if (Futex::WaitUntilChanged(slots[i].stopped, 0, deadline)) snapshot->contexts[i] = &slots[i].context;
    }
    return snapshot;
}

}  // namespace errvane
