#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/sys/SignalTranslator.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <ucontext.h>

#include <cstring>

using namespace errvane;

namespace {

struct Case {
    const char* what;
    int signal;
    int code;
    unsigned long trap;
    unsigned long error;
    std::uint64_t faultAddress;  // relative to the stack pointer when nearStack
    bool nearStack;
    std::uint32_t expected;
    std::uint32_t parameters;
    std::uint64_t kind;
};

// Code the translator may look at: a privileged instruction (hlt) and a breakpoint (int3)
// followed by a nop, so that RIP can point after the int3.
class Translation : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        code_ = static_cast<unsigned char*>(mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(code_, MAP_FAILED);
        code_[0] = 0xf4;  // hlt
        code_[1] = 0xcc;  // int3
        code_[2] = 0x90;
    }
    void TearDown() override { munmap(code_, 4096); }
    unsigned char* code_ = nullptr;
};

}  // namespace

TEST_P(Translation, GivesTheExceptionTheSignalStandsFor) {
    const Case& c = GetParam();
    ucontext_t uc;
    std::memset(&uc, 0, sizeof uc);
    const std::uint64_t stackPointer = 0x7ff000001000ull;
    uc.uc_mcontext.gregs[REG_RSP] = static_cast<greg_t>(stackPointer);
    uc.uc_mcontext.gregs[REG_RIP] = static_cast<greg_t>(reinterpret_cast<std::uintptr_t>(code_ + (c.signal == SIGTRAP ? 2 : 0)));
    uc.uc_mcontext.gregs[REG_TRAPNO] = static_cast<greg_t>(c.trap);
    uc.uc_mcontext.gregs[REG_ERR] = static_cast<greg_t>(c.error);
    uc.uc_mcontext.gregs[REG_CSGSFS] = 0x002b000000000033;
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    info.si_signo = c.signal;
    info.si_code = c.code;
    const std::uint64_t address = c.nearStack ? stackPointer + c.faultAddress : c.faultAddress;
    info.si_addr = reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));

    ProcessorContext context;
    ExceptionRecord record;
    SignalTranslator::Translate(c.signal, &info, &uc, &context, &record);
    EXPECT_EQ(record.code, c.expected);
    EXPECT_EQ(record.parameterCount, c.parameters);
    if (c.parameters == 2) {
        EXPECT_EQ(record.parameters[0], c.kind);
        EXPECT_EQ(record.parameters[1], c.code == SI_KERNEL ? ~0ull : address);
    }
    EXPECT_EQ(record.address, context.rip);
    EXPECT_EQ(record.flags, c.signal == SIGABRT ? kExceptionNoncontinuable : 0u);
    EXPECT_EQ(context.cs, 0x33);
    EXPECT_EQ(context.ss, 0x2b);
    EXPECT_EQ(context.flags & kContextFloatingPoint, 0u) << "no FXSAVE area was given";
    if (c.signal == SIGTRAP && c.expected == kBreakpoint) {
        EXPECT_EQ(context.rip, reinterpret_cast<std::uintptr_t>(code_ + 1)) << "reported at the int3";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, Translation,
    testing::Values(
        Case{"read", SIGSEGV, SEGV_MAPERR, 14, 4, 0x10, false, kAccessViolation, 2, kAccessRead},
        Case{"write", SIGSEGV, SEGV_ACCERR, 14, 6, 0x1000, false, kAccessViolation, 2, kAccessWrite},
        Case{"execute", SIGSEGV, SEGV_ACCERR, 14, 0x14, 0x2000, false, kAccessViolation, 2, kAccessExecute},
        Case{"stack", SIGSEGV, SEGV_ACCERR, 14, 6, static_cast<std::uint64_t>(-8), true, kStackOverflow, 2, kAccessWrite},
        Case{"protection", SIGSEGV, SI_KERNEL, 13, 0, 0, false, kPrivilegedInstruction, 0, 0},
        Case{"misaligned", SIGBUS, BUS_ADRALN, 17, 0, 0x1001, false, kDatatypeMisalignment, 0, 0},
        Case{"paging", SIGBUS, BUS_ADRERR, 14, 4, 0x3000, false, kInPageError, 2, kAccessRead},
        Case{"divide", SIGFPE, FPE_INTDIV, 0, 0, 0, false, kIntegerDivideByZero, 0, 0},
        Case{"overflow", SIGFPE, FPE_FLTOVF, 19, 0, 0, false, kFloatOverflow, 0, 0},
        Case{"undefined", SIGILL, ILL_ILLOPN, 6, 0, 0, false, kIllegalInstruction, 0, 0},
        Case{"privileged", SIGILL, ILL_PRVOPC, 13, 0, 0, false, kPrivilegedInstruction, 0, 0},
        Case{"breakpoint", SIGTRAP, SI_KERNEL, 3, 0, 0, false, kBreakpoint, 0, 0},
        Case{"step", SIGTRAP, TRAP_TRACE, 1, 0, 0, false, kSingleStep, 0, 0},
        Case{"abort", SIGABRT, SI_TKILL, 0, 0, 0, false, kFatalAppExit, 0, 0}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.what); });

TEST_F(Translation, AProtectionFaultOnOrdinaryCodeIsAnAccessViolation) {
    code_[0] = 0x90;  // nop: the fault came from a bad address, not a privileged instruction
    ucontext_t uc;
    std::memset(&uc, 0, sizeof uc);
    uc.uc_mcontext.gregs[REG_RIP] = static_cast<greg_t>(reinterpret_cast<std::uintptr_t>(code_));
    uc.uc_mcontext.gregs[REG_TRAPNO] = 13;
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    info.si_code = SI_KERNEL;
    ProcessorContext context;
    ExceptionRecord record;
    SignalTranslator::Translate(SIGSEGV, &info, &uc, &context, &record);
    EXPECT_EQ(record.code, kAccessViolation);
    EXPECT_EQ(record.parameters[1], ~0ull);
}
