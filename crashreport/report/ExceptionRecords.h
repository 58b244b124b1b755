#pragma once
#include <cstddef>
#include <cstdint>

namespace errvane {

// Exception codes the report names, and the one an abort is reported with (written as its number).
enum ExceptionCode : std::uint32_t {
    kAccessViolation = 0xC0000005,
    kDatatypeMisalignment = 0x80000002,
    kBreakpoint = 0x80000003,
    kSingleStep = 0x80000004,
    kArrayBoundsExceeded = 0xC000008C,
    kFloatDenormalOperand = 0xC000008D,
    kFloatDivideByZero = 0xC000008E,
    kFloatInexactResult = 0xC000008F,
    kFloatInvalidOperation = 0xC0000090,
    kFloatOverflow = 0xC0000091,
    kFloatStackCheck = 0xC0000092,
    kFloatUnderflow = 0xC0000093,
    kIntegerDivideByZero = 0xC0000094,
    kIntegerOverflow = 0xC0000095,
    kPrivilegedInstruction = 0xC0000096,
    kInPageError = 0xC0000006,
    kIllegalInstruction = 0xC000001D,
    kNoncontinuableException = 0xC0000025,
    kStackOverflow = 0xC00000FD,
    kInvalidDisposition = 0xC0000026,
    kFatalAppExit = 0x40000015,  // the process aborted itself (an uncaught C++ exception, abort())
};

constexpr std::uint32_t kExceptionNoncontinuable = 1;
constexpr std::uint32_t kMaximumParameters = 15;

// Access kinds in the first parameter of an access violation.
constexpr std::uint64_t kAccessRead = 0;
constexpr std::uint64_t kAccessWrite = 1;
constexpr std::uint64_t kAccessExecute = 8;

#pragma pack(push, 1)

// One exception, possibly chained to the one that caused it. Crosses the library boundary
// through CreateReport, so its layout is fixed.
struct ExceptionRecord {
    std::uint32_t code;
    std::uint32_t flags;
    ExceptionRecord* nested;
    std::uint64_t address;
    std::uint32_t parameterCount;
    std::uint32_t reserved;
    std::uint64_t parameters[kMaximumParameters];
};
static_assert(sizeof(ExceptionRecord) == 152);
static_assert(offsetof(ExceptionRecord, code) == 0);
static_assert(offsetof(ExceptionRecord, flags) == 4);
static_assert(offsetof(ExceptionRecord, nested) == 8);
static_assert(offsetof(ExceptionRecord, address) == 16);
static_assert(offsetof(ExceptionRecord, parameterCount) == 24);
static_assert(offsetof(ExceptionRecord, reserved) == 28);
static_assert(offsetof(ExceptionRecord, parameters) == 32);

// Which parts of a ProcessorContext hold values. The architecture bit is set in every context and
// selects nothing by itself.
enum ContextFlag : std::uint32_t {
    kContextArchitecture = 0x10000,
    kContextControl = 0x1,         // RBP, RSP, RIP, CS, SS, flags
    kContextInteger = 0x2,         // RAX to R15
    kContextSegments = 0x4,        // GS, FS, ES, DS
    kContextFloatingPoint = 0x8,   // the FXSAVE area's x87 part
    kContextDebugRegisters = 0x10, // never filled: user space cannot read them
    kContextExtended = 0x20,       // the whole FXSAVE area
    kContextFull = kContextArchitecture | kContextControl | kContextInteger | kContextSegments |
                   kContextFloatingPoint | kContextExtended,
};

// The x86-64 processor state of one thread.
struct ProcessorContext {
    std::uint32_t flags;
    std::uint32_t eflags;
    std::uint16_t cs, ds, es, fs, gs, ss;
    std::uint32_t reserved;
    std::uint64_t rax, rbx, rcx, rdx, rsi, rdi;
    std::uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
    std::uint64_t rbp, rsp, rip;
    std::uint8_t fxsave[512];  // FXSAVE layout: control word at 0, status at 2, tag at 4, ...
};
static_assert(sizeof(ProcessorContext) == 672);
static_assert(offsetof(ProcessorContext, flags) == 0);
static_assert(offsetof(ProcessorContext, eflags) == 4);
static_assert(offsetof(ProcessorContext, cs) == 8);
static_assert(offsetof(ProcessorContext, ds) == 10);
static_assert(offsetof(ProcessorContext, es) == 12);
static_assert(offsetof(ProcessorContext, fs) == 14);
static_assert(offsetof(ProcessorContext, gs) == 16);
static_assert(offsetof(ProcessorContext, ss) == 18);
static_assert(offsetof(ProcessorContext, reserved) == 20);
static_assert(offsetof(ProcessorContext, rax) == 24);
static_assert(offsetof(ProcessorContext, rdi) == 64);
static_assert(offsetof(ProcessorContext, r8) == 72);
static_assert(offsetof(ProcessorContext, r15) == 128);
static_assert(offsetof(ProcessorContext, rbp) == 136);
static_assert(offsetof(ProcessorContext, rsp) == 144);
static_assert(offsetof(ProcessorContext, rip) == 152);
static_assert(offsetof(ProcessorContext, fxsave) == 160);

// The argument of CreateReport.
struct ExceptionPointers {
    ExceptionRecord* record;
    ProcessorContext* context;
};
static_assert(sizeof(ExceptionPointers) == 16);
static_assert(offsetof(ExceptionPointers, record) == 0);
static_assert(offsetof(ExceptionPointers, context) == 8);

#pragma pack(pop)

}  // namespace errvane
