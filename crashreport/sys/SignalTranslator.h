#pragma once
#include <csignal>

namespace errvane {

struct ExceptionRecord;
struct ProcessorContext;

// Turns what the kernel delivers with a signal into the report's records.
class SignalTranslator {
public:
    // The interrupted thread's registers, FXSAVE area and segment selectors.
    static void CaptureContext(const void* ucontext, ProcessorContext* context);
    // The context and the exception record of a fault signal: the code from the signal, its
    // si_code and the trap number, the faulting address and the parameters. A breakpoint is
    // reported at the breakpoint instruction, not after it.
    static void Translate(int signal, const siginfo_t* info, const void* ucontext, ProcessorContext* context,
                          ExceptionRecord* record);
};

}  // namespace errvane
