#include "crashreport/sys/AltStacks.h"

#include "crashreport/sys/FaultSignals.h"
#include "crashreport/sys/Futex.h"
#include "crashreport/sys/TaskList.h"
#include "crashreport/sys/ThreadEndTrace.h"
#include "crashreport/sys/ThreadIdentity.h"

#include <atomic>
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>

namespace errvane {
namespace {

enum SlotState : std::int32_t { kFree = 0, kReserved = 1, kActive = 2 };

struct Slot {
    std::atomic<std::int32_t> state{kFree};
    std::atomic<std::int32_t> taken{0};
    void* stack = nullptr;
    AltStacks::StartRoutine start = nullptr;  // a thread created through WrapStart
    void* argument = nullptr;
};

constexpr std::size_t kSlots = 4096;
constexpr std::uint64_t kInstallWaitNs = 250000000ull;
// Keys below this number live in the thread descriptor itself: setting them never allocates, so
// it may be done inside a signal handler.
constexpr pthread_key_t kInlineKeys = 32;

Slot g_slots[kSlots];
pthread_key_t g_key;
bool g_haveKey = false;
bool g_traceThreadEnds = false;
bool g_started = false;
struct sigaction g_previous;

Slot* AcquireSlot() {
    for (Slot& slot : g_slots) {
        std::int32_t expected = kFree;
        if (!slot.state.compare_exchange_strong(expected, kReserved)) continue;
        if (slot.stack == nullptr) {
            // One guard page below the stack: a handler that overruns it faults instead of
            // writing into whatever lies below.
            void* area = mmap(nullptr, AltStacks::kStackBytes + 4096, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
            if (area == MAP_FAILED) {
                slot.state.store(kFree);
                return nullptr;
            }
            mprotect(area, 4096, PROT_NONE);
            slot.stack = static_cast<char*>(area) + 4096;
        }
        slot.taken.store(0);
        return &slot;
    }
    return nullptr;
}

// Runs on the thread that takes the slot. The key makes the slot free again when the thread ends.
void Adopt(Slot* slot, bool inSignalHandler) {
    stack_t stack{};
    stack.ss_sp = slot->stack;
    stack.ss_size = AltStacks::kStackBytes;
    if (sigaltstack(&stack, nullptr) != 0) {
        slot->state.store(kFree);
    } else {
        slot->state.store(kActive);
        if (g_haveKey && (!inSignalHandler || g_key < kInlineKeys)) pthread_setspecific(g_key, slot);
    }
    slot->taken.store(1);
    Futex::WakeAll(slot->taken);
}

// Returned in two registers (rax, rdx) to the start routine written in assembly.
struct StartCall {
    AltStacks::StartRoutine start;
    void* argument;
};

void InstallHandler(int, siginfo_t* info, void*) {
    auto* slot = static_cast<Slot*>(info->si_value.sival_ptr);
    if (info->si_code != SI_QUEUE || info->si_pid != getpid() || slot < g_slots || slot >= g_slots + kSlots) return;
    Adopt(slot, true);
}

void ThreadEnded(void* value) {
    auto* slot = static_cast<Slot*>(value);
    if (g_traceThreadEnds) WriteThreadEndTrace();
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    slot->state.store(kFree);
}

}  // namespace

// The start routine of a wrapped thread: takes the stack, then jumps to the thread's own routine,
// so that the thread never returns into this library (which may be unloaded by then).
extern "C" __attribute__((visibility("hidden"), used)) StartCall ErrVaneAdoptForStart(Slot* slot) {
    Adopt(slot, false);
    return StartCall{slot->start, slot->argument};
}

asm(R"(
    .text
    .p2align 4
    .type ErrVaneThreadStart, @function
ErrVaneThreadStart:
    endbr64
    push %rdi
    call ErrVaneAdoptForStart
    pop %rdi
    mov %rdx, %rdi
    jmp *%rax
    .size ErrVaneThreadStart, .-ErrVaneThreadStart
)");

extern "C" void* ErrVaneThreadStart(void*);

namespace {

template <typename Send>
void InstallWith(Send send) {
    Slot* slot = AcquireSlot();
    if (slot == nullptr) return;
    if (!send(slot)) {
        slot->state.store(kFree);
        return;
    }
    // A thread that blocks the signal takes it later or never; the slot stays reserved for it.
    Futex::WaitUntilChanged(slot->taken, 0, Futex::NowNs() + kInstallWaitNs);
}

}  // namespace

int AltStacks::Signal() { return SIGRTMAX - 4; }

bool AltStacks::Start(bool traceThreadEnds) {
    if (g_started) return true;
    g_traceThreadEnds = traceThreadEnds;
    g_haveKey = pthread_key_create(&g_key, ThreadEnded) == 0;
    struct sigaction action{};
    action.sa_sigaction = InstallHandler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigfillset(&action.sa_mask);
    if (sigaction(Signal(), &action, &g_previous) != 0) return false;
    g_started = true;
    if (Slot* own = AcquireSlot()) Adopt(own, false);
    long ids[4096];
    const std::size_t count = ListTaskIds(ids, 4096);
    const long self = ThreadIdentity::Current();
    for (std::size_t i = 0; i < count; ++i)
        if (ids[i] != self) InstallWith([&](Slot* slot) { return QueueSignalToThread(ids[i], Signal(), slot); });
    return true;
}

void AltStacks::Stop() {
    if (!g_started) return;
    if (g_haveKey) {
        // The calling thread gives its stack up now; the key goes, so no destructor of this
        // library runs on a thread ending later.
        if (void* own = pthread_getspecific(g_key)) {
            pthread_setspecific(g_key, nullptr);
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
            static_cast<Slot*>(own)->state.store(kFree);
        }
        pthread_key_delete(g_key);
        g_haveKey = false;
    }
    bool anyInUse = false, anyPending = false;
    for (Slot& slot : g_slots) {
        anyInUse = anyInUse || slot.state.load() != kFree;
        anyPending = anyPending || slot.state.load() == kReserved;
    }
    // A thread that blocked the signal may still take it later: by default a real-time signal
    // would end the process, so it is ignored instead.
    if (anyPending && g_previous.sa_handler == SIG_DFL && (g_previous.sa_flags & SA_SIGINFO) == 0) {
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        sigaction(Signal(), &ignore, nullptr);
    } else {
        sigaction(Signal(), &g_previous, nullptr);
    }
    if (!anyInUse) {
        for (Slot& slot : g_slots) {
            if (slot.stack == nullptr) continue;
            munmap(static_cast<char*>(slot.stack) - 4096, kStackBytes + 4096);
            slot.stack = nullptr;
        }
    }
    g_started = false;
}

void AltStacks::WrapStart(StartRoutine* start, void** argument) {
    if (!g_started) return;
    Slot* slot = AcquireSlot();
    if (slot == nullptr) return;
    slot->start = *start;
    slot->argument = *argument;
    *start = ErrVaneThreadStart;
    *argument = slot;
}

void AltStacks::ReleaseUnstarted(void* wrappedArgument) { static_cast<Slot*>(wrappedArgument)->state.store(kFree); }

}  // namespace errvane
