#include "crashreport/report/FrameChain.h"

#include "crashreport/base/TmyList.h"
#include "crashreport/report/AddressText.h"
#include "crashreport/report/CodeListing.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/MemoryDump.h"
#include "crashreport/report/ThreadsSection.h"
#include "crashreport/sys/MemoryMap.h"
#include "crashreport/sys/SafeMemory.h"
#include "crashreport/text/TmyStringList.h"

namespace errvane {

namespace {
constexpr std::uint64_t kMaxLocalData = 2048;
constexpr std::size_t kRoomForThreads = 8192;

std::uint64_t LocalSpan(std::uint64_t from, std::uint64_t to) {
    if (to <= from) return 0;
    return to - from > kMaxLocalData ? kMaxLocalData : to - from;
}
}  // namespace

void WalkFrameChain(std::uint64_t framePointer, TmyDwordList* frames, TmyDwordList* returnAddresses) {
    if (frames != nullptr) frames->Truncate(0);
    if (returnAddresses != nullptr) returnAddresses->Truncate(0);
    std::uint64_t previous = 0;
    std::uint64_t frame[2];
    while (framePointer % 8 == 0 && framePointer > previous && SafeMemory::Read(framePointer, frame, sizeof frame) &&
           MemoryMap::Current().Find(frame[1]) != nullptr) {
        if (frames != nullptr && frames->Add(framePointer) < 0) break;
        if (returnAddresses != nullptr && returnAddresses->Add(frame[1]) < 0) break;
        previous = framePointer;
        framePointer = frame[0];
    }
}

namespace {
constexpr std::uint64_t kScanBytes = 64 * 1024;
constexpr std::uint64_t kChunk = 4096;

bool IsReturnAddress(const MemoryMap& map, std::uint64_t address) {
    const MemoryRegion* code = map.Find(address);
    return code != nullptr && (code->access & MemoryRegion::kExecute) != 0 && FindCallSite(address) != 0;
}
}  // namespace

std::uint64_t FindOwnReturnAddress(std::uint64_t stackPointer) {
    const MemoryMap& map = MemoryMap::Current();
    std::uint64_t words[kChunk / 8];
    for (std::uint64_t at = stackPointer & ~7ull; at < (stackPointer & ~7ull) + kScanBytes; at += kChunk) {
        const std::size_t got = SafeMemory::ReadSome(at, words, sizeof words) / 8;
        for (std::size_t i = 0; i < got; ++i)
            if (IsReturnAddress(map, words[i]) && !IsSystemLibraryText(AddressTextShort(words[i]))) return words[i];
        if (got < kChunk / 8) break;
    }
    return 0;
}

std::uint64_t FindFrameRecord(std::uint64_t stackPointer) {
    const MemoryMap& map = MemoryMap::Current();
    std::uint64_t words[kChunk / 8 + 2];
    std::uint64_t single = 0;  // the innermost record heading a chain of one frame only
    for (std::uint64_t at = stackPointer & ~7ull; at < (stackPointer & ~7ull) + kScanBytes; at += kChunk) {
        const std::size_t got = SafeMemory::ReadSome(at, words, sizeof words) / 8;
        if (got < 2) break;
        for (std::size_t i = 0; i + 1 < got && i < kChunk / 8; ++i) {
            const std::uint64_t record = at + i * 8, saved = words[i], returnAddress = words[i + 1];
            if (saved <= record || saved - record > 1024 * 1024 || saved % 8 != 0) continue;
            if (!IsReturnAddress(map, returnAddress)) continue;
            TmyDwordList frames(4, 0);
            WalkFrameChain(record, &frames, nullptr);
            if (frames.Count() >= 2) return record;
            if (frames.Count() == 1 && single == 0) single = record;
        }
    }
    return single;
}

std::uint64_t CallStackStart(const ProcessorContext& context) {
    if (!IsSystemLibraryText(AddressTextShort(context.rip))) return context.rbp;
    const std::uint64_t record = FindFrameRecord(context.rsp);
    return record != 0 ? record : context.rbp;
}

void ReportCallStack(TmyStringList& list, std::uint64_t framePointer) {
    TmyDwordList frames(256, 0);
    WalkFrameChain(framePointer, &frames, nullptr);
    // A runaway chain (deep recursion) must not crowd out what follows it in the report: the
    // blocks stop while there is still room for a line per thread, and a line says how many
    // frames were left out.
    std::size_t i = 0;
    for (; i < frames.Count() && list.Room() > kRoomForThreads; ++i)
        ReportStackFrame(list, frames.At(i), static_cast<int>(i + 1));
    if (i < frames.Count())
        list.Add(TmyString::Unsigned(frames.Count() - i) + " further frames left out");
}

void ReportStackFrame(TmyStringList& list, std::uint64_t framePointer, int index) {
    std::uint64_t frame[2] = {0, 0};
    SafeMemory::Read(framePointer, frame, sizeof frame);
    const std::uint64_t saved = frame[0], returnAddress = frame[1];
    std::uint64_t callSite = FindCallSite(returnAddress);
    if (callSite == 0) callSite = returnAddress;
    list.Add("[" + TmyString::Decimal(index) + "] " + TmyString::Hex(callSite, 16) + " = " + AddressTextShort(callSite));
    ReportMemoryDump(list, "local data:", framePointer, LocalSpan(framePointer, saved), true);
    list.Add("");
    list.Add("Last code:");
    ReportDisassembly(list, callSite, saved, 30, 5);
    list.Add(TmyString::Repeat('-', 80));
    list.Add("");
}

}  // namespace errvane
