#include "crashreport/sys/SignalTranslator.h"

#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/InstructionDecoder.h"
#include "crashreport/sys/SafeMemory.h"

#include <cstring>
#include <ucontext.h>

namespace errvane {
namespace {

// Trap numbers of the x86 exceptions the kernel stores with the context.
constexpr unsigned long kTrapDebug = 1;
constexpr unsigned long kTrapBreakpoint = 3;
constexpr unsigned long kTrapGeneralProtection = 13;
constexpr unsigned long kTrapPageFault = 14;
// Page-fault error code bits.
constexpr unsigned long kPageFaultWrite = 2;
constexpr unsigned long kPageFaultFetch = 16;
// How close below or above the stack pointer a fault counts as running out of stack.
constexpr std::uint64_t kStackSlack = 64 * 1024;

bool IsPrivilegedInstruction(std::uint64_t address) {
    unsigned char bytes[15];
    const std::size_t n = SafeMemory::ReadSome(address, bytes, sizeof bytes);
    DecodedInstruction instruction;
    return n > 0 && InstructionDecoder().Decode(bytes, n, address, &instruction) && instruction.privileged;
}

void SetAccessParameters(ExceptionRecord* record, std::uint64_t kind, std::uint64_t address) {
    record->parameterCount = 2;
    record->parameters[0] = kind;
    record->parameters[1] = address;
}

void TranslateSegv(const siginfo_t* info, const ProcessorContext& context, unsigned long trap, unsigned long error,
                   ExceptionRecord* record) {
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (info->si_code == SI_KERNEL && trap == kTrapGeneralProtection && IsPrivilegedInstruction(context.rip)) {
        record->code = kPrivilegedInstruction;
        return;
    }
    record->code = kAccessViolation;
    if (info->si_code == SI_KERNEL) {  // a general protection fault: no address is known
        SetAccessParameters(record, kAccessRead, ~0ull);
        return;
    }
    const std::uint64_t kind = trap == kTrapPageFault && (error & kPageFaultFetch) != 0 ? kAccessExecute
                               : trap == kTrapPageFault && (error & kPageFaultWrite) != 0 ? kAccessWrite
                                                                                           : kAccessRead;
    SetAccessParameters(record, kind, address);
    if (address + kStackSlack >= context.rsp && address <= context.rsp + kStackSlack) record->code = kStackOverflow;
}

std::uint32_t FloatingPointCode(int code) {
    switch (code) {
    case FPE_INTDIV: return kIntegerDivideByZero;
    case FPE_INTOVF: return kIntegerOverflow;
    case FPE_FLTDIV: return kFloatDivideByZero;
    case FPE_FLTOVF: return kFloatOverflow;
    case FPE_FLTUND: return kFloatUnderflow;
    case FPE_FLTRES: return kFloatInexactResult;
    case FPE_FLTSUB: return kArrayBoundsExceeded;
    default: return kFloatInvalidOperation;
    }
}

}  // namespace

void SignalTranslator::CaptureContext(const void* ucontext, ProcessorContext* context) {
    const auto* uc = static_cast<const ucontext_t*>(ucontext);
    const greg_t* r = uc->uc_mcontext.gregs;
    std::memset(context, 0, sizeof *context);
    context->flags = kContextFull;
    context->rax = static_cast<std::uint64_t>(r[REG_RAX]);
    context->rbx = static_cast<std::uint64_t>(r[REG_RBX]);
    context->rcx = static_cast<std::uint64_t>(r[REG_RCX]);
    context->rdx = static_cast<std::uint64_t>(r[REG_RDX]);
    context->rsi = static_cast<std::uint64_t>(r[REG_RSI]);
    context->rdi = static_cast<std::uint64_t>(r[REG_RDI]);
    context->r8 = static_cast<std::uint64_t>(r[REG_R8]);
    context->r9 = static_cast<std::uint64_t>(r[REG_R9]);
    context->r10 = static_cast<std::uint64_t>(r[REG_R10]);
    context->r11 = static_cast<std::uint64_t>(r[REG_R11]);
    context->r12 = static_cast<std::uint64_t>(r[REG_R12]);
    context->r13 = static_cast<std::uint64_t>(r[REG_R13]);
    context->r14 = static_cast<std::uint64_t>(r[REG_R14]);
    context->r15 = static_cast<std::uint64_t>(r[REG_R15]);
    context->rbp = static_cast<std::uint64_t>(r[REG_RBP]);
    context->rsp = static_cast<std::uint64_t>(r[REG_RSP]);
    context->rip = static_cast<std::uint64_t>(r[REG_RIP]);
    context->eflags = static_cast<std::uint32_t>(r[REG_EFL]);
    // cs, gs, fs and (on current kernels) ss share one word.
    const std::uint64_t selectors = static_cast<std::uint64_t>(r[REG_CSGSFS]);
    context->cs = static_cast<std::uint16_t>(selectors);
    context->gs = static_cast<std::uint16_t>(selectors >> 16);
    context->fs = static_cast<std::uint16_t>(selectors >> 32);
    context->ss = static_cast<std::uint16_t>(selectors >> 48);
    // DS and ES are not saved with the signal; a handler runs with the values the thread had.
    std::uint16_t ds = 0, es = 0;
    asm volatile("mov %%ds, %0" : "=r"(ds));
    asm volatile("mov %%es, %0" : "=r"(es));
    context->ds = ds;
    context->es = es;
    if (uc->uc_mcontext.fpregs != nullptr)
        std::memcpy(context->fxsave, uc->uc_mcontext.fpregs, sizeof context->fxsave);
    else
        context->flags &= ~static_cast<std::uint32_t>(kContextFloatingPoint | kContextExtended);
}

void SignalTranslator::Translate(int signal, const siginfo_t* info, const void* ucontext, ProcessorContext* context,
                                 ExceptionRecord* record) {
    CaptureContext(ucontext, context);
    const greg_t* r = static_cast<const ucontext_t*>(ucontext)->uc_mcontext.gregs;
    const unsigned long trap = static_cast<unsigned long>(r[REG_TRAPNO]);
    const unsigned long error = static_cast<unsigned long>(r[REG_ERR]);
    std::memset(record, 0, sizeof *record);
    switch (signal) {
    case SIGSEGV: TranslateSegv(info, *context, trap, error, record); break;
    case SIGBUS:
        record->code = info->si_code == BUS_ADRALN ? kDatatypeMisalignment : kInPageError;
        if (record->code == kInPageError)
            SetAccessParameters(record, kAccessRead, reinterpret_cast<std::uintptr_t>(info->si_addr));
        break;
    case SIGFPE: record->code = FloatingPointCode(info->si_code); break;
    case SIGILL:
        record->code = info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG ? kPrivilegedInstruction
                                                                                  : kIllegalInstruction;
        break;
    case SIGTRAP:
        record->code = trap == kTrapDebug || info->si_code == TRAP_TRACE ? kSingleStep : kBreakpoint;
        if (record->code == kBreakpoint && trap == kTrapBreakpoint) {
            unsigned char previous = 0;
            if (SafeMemory::Read(context->rip - 1, &previous, 1) && previous == 0xCC) --context->rip;
        }
        break;
    default:
        // SIGABRT: the process gave up on itself (abort(), an exception nobody caught).
        record->code = kFatalAppExit;
        record->flags = kExceptionNoncontinuable;
        break;
    }
    record->address = context->rip;
}

}  // namespace errvane
