#include "crashreport/report/ContextSection.h"

#include "crashreport/report/AddressText.h"
#include "crashreport/report/CodeListing.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/FrameChain.h"
#include "crashreport/report/MemoryDump.h"
#include "crashreport/text/HexBytes.h"
#include "crashreport/text/TmyStringList.h"

#include <cstring>

namespace errvane {
namespace {

constexpr std::uint64_t kMaxLocalData = 2048;
constexpr std::uint64_t kRegisterDump = 512;

// Only the low bits select sections: the architecture bit is in every context.
bool Holds(const ProcessorContext& context, std::uint32_t part) { return (context.flags & part) != 0; }

TmyString Register(const char* label, std::uint64_t value, int digits) {
    return TmyString(label) + "=0x" + TmyString::Hex(value, digits);
}

std::uint16_t Word(const ProcessorContext& context, std::size_t offset) {
    std::uint16_t value;
    std::memcpy(&value, context.fxsave + offset, sizeof value);
    return value;
}

std::uint64_t Quad(const ProcessorContext& context, std::size_t offset) {
    std::uint64_t value;
    std::memcpy(&value, context.fxsave + offset, sizeof value);
    return value;
}

void ReportFloatingPoint(TmyStringList& list, const ProcessorContext& context) {
    // FXSAVE (64-bit form): FCW 0, FSW 2, abridged FTW 4, FOP 6, FIP 8, FDP 16; no selectors and
    // no NPX state exist in this form, so those fields read 0.
    list.Add(Register("FPU: Control", Word(context, 0), 8) + Register(" Status", Word(context, 2), 8) +
             Register(" Tag", context.fxsave[4], 0) + Register(" ErrOffset", Quad(context, 8), 0) +
             Register(" ErrSel", 0, 0) + Register(" DataOffset", Quad(context, 16), 0) + Register(" DataSel", 0, 0) +
             Register(" NpxState", 0, 0));
    // The eight x87 registers, ten significant bytes each, in their 16-byte slots from offset 32.
    TmyString registers = "FPU REGS: ";
    for (std::size_t i = 0; i < 8; ++i) registers += HexBytes(context.fxsave + 32 + 16 * i, 10) + " ";
    list.Add(registers);
}

void ReportExtended(TmyStringList& list, const ProcessorContext& context) {
    list.Add("");
    list.Add("Extended registers:");
    for (std::size_t line = 0; line < 16; ++line) {
        list.Add("\t" + GroupedHexBytes(context.fxsave + line * 32, 32));
    }
}

void ReportLastFrame(TmyStringList& list, const ProcessorContext& context) {
    const TmyString ruler = TmyString::Repeat('=', 98);
    list.Add(ruler);
    list.Add("The last stack frame:");
    list.Add("[0] " + TmyString::Hex(context.rip, 16) + " " + AddressTextShort(context.rip));
    const std::uint64_t span = context.rbp > context.rsp ? context.rbp - context.rsp : 0;
    ReportMemoryDump(list, "local data:", context.rsp, span > kMaxLocalData ? kMaxLocalData : span, true);
    list.Add("");
    list.Add("Disassembly:");
    ReportDisassembly(list, context.rip, context.rbp, 80, 20);
    list.Add(ruler);
    list.Add("The call stack:");
    list.Add("");
    ReportCallStack(list, CallStackStart(context));
}

}  // namespace

void ReportContext(TmyStringList& list, const ProcessorContext& context) {
    list.Add("");
    if (Holds(context, kContextFloatingPoint)) ReportFloatingPoint(list, context);
    list.Add("");
    if (Holds(context, kContextInteger)) {
        list.Add(Register("RAX", context.rax, 16) + "\t" + Register("RBX", context.rbx, 16) + "\t" +
                 Register("RCX", context.rcx, 16) + "\t" + Register("RDX", context.rdx, 16) + "\t" +
                 Register("RSI", context.rsi, 16) + "\t" + Register("RDI", context.rdi, 16));
        list.Add(Register("R8", context.r8, 16) + "\t" + Register("R9", context.r9, 16) + "\t" +
                 Register("R10", context.r10, 16) + "\t" + Register("R11", context.r11, 16) + "\t" +
                 Register("R12", context.r12, 16) + "\t" + Register("R13", context.r13, 16) + "\t" +
                 Register("R14", context.r14, 16) + "\t" + Register("R15", context.r15, 16));
    }
    if (Holds(context, kContextControl))
        list.Add(Register("RBP", context.rbp, 16) + "\t" + Register("RSP", context.rsp, 16) + "\t" +
                 Register("RIP", context.rip, 16) + "\t" + Register("ECS", context.cs, 8) + "\t" +
                 Register("ESS", context.ss, 8) + "\t" + Register("EFlags", context.eflags, 8));
    if (Holds(context, kContextSegments))
        list.Add(Register("GS", context.gs, 8) + "\t" + Register("FS", context.fs, 8) + "\t" +
                 Register("ES", context.es, 8) + "\t" + Register("DS", context.ds, 8));
    if (Holds(context, kContextExtended)) ReportExtended(list, context);
    list.Add("");
    if (Holds(context, kContextControl)) ReportLastFrame(list, context);
    if (Holds(context, kContextInteger)) {
        ReportMemoryDump(list, "RSI", context.rsi, kRegisterDump, false);
        const std::uint64_t apart = context.rdi > context.rsi ? context.rdi - context.rsi : context.rsi - context.rdi;
        if (apart > kRegisterDump) ReportMemoryDump(list, "RDI", context.rdi, kRegisterDump, false);
        ReportMemoryDump(list, "RAX", context.rax, kRegisterDump, false);
        ReportMemoryDump(list, "RBX", context.rbx, kRegisterDump, false);
        ReportMemoryDump(list, "RCX", context.rcx, kRegisterDump, false);
        ReportMemoryDump(list, "RDX", context.rdx, kRegisterDump, false);
    }
}

}  // namespace errvane
