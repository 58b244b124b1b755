#include "crashreport/report/ThreadsSection.h"

#include "crashreport/base/TmyList.h"
#include "crashreport/report/AddressText.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/FrameChain.h"
#include "crashreport/report/ThreadSnapshot.h"
#include "crashreport/text/TmyStringList.h"

#include <cstring>

namespace errvane {

bool IsSystemLibraryText(const TmyString& text) {
    static const char* const kPrefixes[] = {"libc.", "libc-", "ld-linux", "ld-2.", "libpthread", "[vdso]"};
    const TmyString lower = text.Lower();
    for (const char* prefix : kPrefixes)
        if (std::strncmp(lower.Text(), prefix, std::strlen(prefix)) == 0) return true;
    return false;
}

namespace {

TmyString StoppedThreadText(const ProcessorContext& context) {
    // No pending-I/O query exists here: the field is always blank.
    TmyString line = "   " + AddressTextShort(context.rip);
    TmyDwordList returns(64, 0);
    WalkFrameChain(CallStackStart(context), nullptr, &returns);
    const std::size_t count = returns.Count();
    // The innermost return address in the program's own code: where the thread waits.
    long own = -1;
    for (std::size_t i = 0; i < count && own < 0; ++i)
        if (!IsSystemLibraryText(AddressTextShort(returns.At(i)))) own = static_cast<long>(i);
    // Where it started: the outermost frame outside the system libraries (thread entry code in the
    // C library sits outermost and is skipped).
    TmyString start = count > 0 ? AddressTextShort(returns.At(count - 1)) : TmyString();
    for (long i = static_cast<long>(count) - 2; i > own && IsSystemLibraryText(start); --i)
        start = AddressTextShort(returns.At(static_cast<std::size_t>(i)));
    if (own >= 0) {
        line += "\t" + AddressTextShort(returns.At(static_cast<std::size_t>(own)));
    } else if (IsSystemLibraryText(AddressTextShort(context.rip))) {
        // Waiting inside the C library with no usable frame chain: the innermost return address
        // into other code on the stack tells where.
        const std::uint64_t caller = FindOwnReturnAddress(context.rsp);
        if (caller != 0) line += "\t" + AddressTextShort(caller);
    }
    if (start.Length() > 0) line += "\tStarted: " + start;
    return line;
}

}  // namespace

void ReportThreads(TmyStringList& list, const ThreadSnapshot& snapshot) {
    list.Add("");
    list.Add("Threads: ");
    for (std::size_t i = 0; i < snapshot.count; ++i) {
        const long id = snapshot.ids[i];
        TmyString line = TmyString(id == snapshot.callingThread ? " *" : "  ") + TmyString::Hex(static_cast<unsigned long>(id)) + ": ";
        if (id != snapshot.callingThread) {
            if (snapshot.contexts[i] != nullptr)
                line += StoppedThreadText(*snapshot.contexts[i]);
            else
                line += "   ";
        }
        list.Add(line);
    }
}

}  // namespace errvane
