#include "crashreport/report/ExceptionSection.h"

#include "crashreport/report/AddressText.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/sys/SafeMemory.h"
#include "crashreport/text/TmyStringList.h"

namespace errvane {

TmyString ExceptionCodeName(std::uint32_t code) {
    struct Name {
        std::uint32_t code;
        const char* name;
    };
    static const Name kNames[] = {
        {kAccessViolation, "EXCEPTION_ACCESS_VIOLATION"},
        {kDatatypeMisalignment, "EXCEPTION_DATATYPE_MISALIGNMENT"},
        {kBreakpoint, "EXCEPTION_BREAKPOINT"},
        {kSingleStep, "EXCEPTION_SINGLE_STEP"},
        {kArrayBoundsExceeded, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
        {kFloatDenormalOperand, "EXCEPTION_FLT_DENORMAL_OPERAND"},
        {kFloatDivideByZero, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
        {kFloatInexactResult, "EXCEPTION_FLT_INEXACT_RESULT"},
        {kFloatInvalidOperation, "EXCEPTION_FLT_INVALID_OPERATION"},
        {kFloatOverflow, "EXCEPTION_FLT_OVERFLOW"},
        {kFloatStackCheck, "EXCEPTION_FLT_STACK_CHECK"},
        {kFloatUnderflow, "EXCEPTION_FLT_UNDERFLOW"},
        {kIntegerDivideByZero, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
        {kIntegerOverflow, "EXCEPTION_INT_OVERFLOW"},
        {kPrivilegedInstruction, "EXCEPTION_PRIV_INSTRUCTION"},
        {kInPageError, "EXCEPTION_IN_PAGE_ERROR"},
        {kIllegalInstruction, "EXCEPTION_ILLEGAL_INSTRUCTION"},
        {kNoncontinuableException, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
        {kStackOverflow, "EXCEPTION_STACK_OVERFLOW"},
        {kInvalidDisposition, "EXCEPTION_INVALID_DISPOSITION"},
    };
    for (const Name& name : kNames)
        if (name.code == code) return name.name;
    return TmyString::Unsigned(code);
}

void ReportExceptionRecord(TmyStringList& list, const ExceptionRecord* record) {
    // The chain is read through SafeMemory: a caller of CreateReport may pass anything. A chain
    // that loops is cut after a generous number of records.
    ExceptionRecord copy;
    std::uint64_t at = reinterpret_cast<std::uintptr_t>(record);
    for (int depth = 0; at != 0 && depth < 64 && SafeMemory::Read(at, &copy, sizeof copy); ++depth) {
        if (depth > 0) list.Add("Associated exception follows:");
        list.Add(ExceptionCodeName(copy.code) + (copy.flags != 0 ? " Non continuable" : " Continuable"));
        list.Add("Address: 0x" + TmyString::Hex(copy.address, 16) + " " + AddressText(copy.address));
        if (copy.parameterCount > 0) {
            TmyString parameters = "Params:";
            const std::uint32_t count = copy.parameterCount < kMaximumParameters ? copy.parameterCount : kMaximumParameters;
            for (std::uint32_t i = 0; i < count; ++i) parameters += " 0x" + TmyString::Hex(copy.parameters[i]);
            list.Add(parameters);
        }
        at = reinterpret_cast<std::uintptr_t>(copy.nested);
    }
}

}  // namespace errvane
