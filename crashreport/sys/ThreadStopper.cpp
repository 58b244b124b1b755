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

// A thread that can take the stop signal stops as soon as the scheduler runs it, which on a busy
// machine may take a while: it is waited for in slices, as long as it lives and does not block
// the signal, up to a limit for one that is stuck in the kernel.
constexpr std::uint64_t kStopSliceNs = 100000000ull;
constexpr std::uint64_t kStopLimitNs = 10000000000ull;
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
    const std::uint64_t limit = Futex::NowNs() + kStopLimitNs;
    for (std::size_t i = 0; i < snapshot->count; ++i) {
        if (!signalled[i]) continue;
        // A thread inside the stop handler blocks every signal too: it gets one slice more to
        // report itself stopped.
        for (bool last = false;;) {
            const std::uint64_t now = Futex::NowNs();
            const std::uint64_t slice = now + kStopSliceNs < limit ? now + kStopSliceNs : limit;
            if (Futex::WaitUntilChanged(slots[i].stopped, 0, slice)) {
                snapshot->contexts[i] = &slots[i].context;
                break;
            }
            if (last || slice >= limit) break;
            last = !TaskTakesSignal(snapshot->ids[i], Signal());
        }
    }
    return snapshot;
}

}  // namespace errvane
