#include "crashreport/report/SystemSummary.h"

#include "crashreport/base/ReportHeap.h"
#include "crashreport/sys/Processor.h"
#include "crashreport/sys/ProcFile.h"
#include "crashreport/sys/SystemFacts.h"
#include "crashreport/text/ReportTexts.h"
#include "crashreport/text/TmyStringList.h"

#include <cstring>
#include <ctime>

namespace errvane {
namespace {

// A buffer from the library heap for the larger system files.
class TextBuffer {
public:
    explicit TextBuffer(std::size_t size) : size_(size), text_(static_cast<char*>(ReportHeap::Allocate(size))) {}
    ~TextBuffer() { ReportHeap::Release(text_); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    bool Read(const char* path) { return text_ != nullptr && ProcFile::Read(path, text_, size_) >= 0; }
    const char* Text() const { return text_; }

private:
    std::size_t size_;
    char* text_;
};

void ReportOs(TmyStringList& list) {
    SystemFacts::Kernel kernel;
    list.Add("OS details:");
    if (!SystemFacts::ReadKernel(&kernel)) return;
    list.Add("\tVersion: " + TmyString::Decimal(kernel.major) + "." + TmyString::Decimal(kernel.minor) + "." +
             TmyString::Decimal(kernel.build));
    char name[256];
    SystemFacts::DistributionName(name, sizeof name);
    list.Add(TmyString("\tOS type=") + name + " " + kernel.version);
}

void ReportProcessor(TmyStringList& list) {
    SystemFacts::Kernel kernel;
    list.Add("Processor details:");
    if (SystemFacts::ReadKernel(&kernel)) list.Add(TmyString("\tarchitecture: x86 (") + kernel.machine + ")");
    list.Add("\tnumber of processors: " + TmyString::Decimal(SystemFacts::ProcessorCount()));
    list.Add("\tprocessor level: " + TmyString::Decimal(Processor::Family()));
    list.Add("\tprocessor revision: " + TmyString::Hex(Processor::ModelStepping(), 4));
    list.Add("\tpage size: " + TmyString::Decimal(static_cast<std::int64_t>(SystemFacts::PageSize())));
    char brand[49];
    Processor::BrandText(brand);
    list.Add("\t" + TmyString(brand).Trimmed());
    // A constant-rate counter needs no warm-up run to wake the processor from power saving first.
    if (!Processor::HasInvariantTimestamp()) Processor::MeasureMHz(1000);
    const std::uint64_t mhz = Processor::MeasureMHz(100);
    if (mhz != 0) list.Add("\tSpeed: " + TmyString::Unsigned(mhz) + " MHz");
}

void ReportDisks(TmyStringList& list) {
    list.Add("Disks:");
    TextBuffer mounts(256 * 1024);
    if (!mounts.Read("/proc/self/mounts")) return;
    SystemFacts::ForEachDisk(mounts.Text(), [&](const char* mountPoint, const char* type, std::uint64_t freeBytes,
                                                std::uint64_t totalBytes) {
        list.Add(TmyString("\t") + mountPoint + " [" + type + "] : " + SizeText(freeBytes) + "/" + SizeText(totalBytes));
    });
}

void ReportMemory(TmyStringList& list) {
    list.Add("Memory:");
    char meminfo[8192];
    if (ProcFile::Read("/proc/meminfo", meminfo, sizeof meminfo) < 0) return;
    unsigned long long available = 0, total = 0, swapTotal = 0, swapFree = 0;
    if (ProcFile::FindNumber(meminfo, "MemAvailable", &available) || ProcFile::FindNumber(meminfo, "MemFree", &available))
        list.Add("\tfree: " + SizeText(available * 1024));
    if (ProcFile::FindNumber(meminfo, "MemTotal", &total)) list.Add("\ttotal: " + SizeText(total * 1024));
    if (ProcFile::FindNumber(meminfo, "SwapTotal", &swapTotal) && ProcFile::FindNumber(meminfo, "SwapFree", &swapFree))
        list.Add("\tswap: " + SizeText(swapTotal > swapFree ? (swapTotal - swapFree) * 1024 : 0));
}

void ReportProcessTimes(TmyStringList& list) {
    SystemFacts::ProcessTimes times;
    if (!SystemFacts::ReadProcessTimes(&times)) return;
    list.Add("\tStart time: " + DateTimeText(static_cast<std::time_t>(times.startEpochSeconds)));
    list.Add("\tRun time: " + DurationText(times.runMs));
    list.Add("\tKernel time: " + DurationText(times.kernelMs));
    list.Add("\tUser time: " + DurationText(times.userMs));
}

void ReportProcessMemory(TmyStringList& list) {
    char status[8192];
    if (ProcFile::Read("/proc/self/status", status, sizeof status) < 0) return;
    unsigned long long rss = 0, peakRss = 0, size = 0, peakSize = 0;
    if (!ProcFile::FindNumber(status, "VmRSS", &rss) || !ProcFile::FindNumber(status, "VmHWM", &peakRss) ||
        !ProcFile::FindNumber(status, "VmSize", &size) || !ProcFile::FindNumber(status, "VmPeak", &peakSize))
        return;
    SystemFacts::ProcessTimes times;
    const bool haveFaults = SystemFacts::ReadProcessTimes(&times);
    list.Add("\tMemory: " + SizeText(rss * 1024) + ", peak=" + SizeText(peakRss * 1024));
    TmyString paged = "\tPaged: " + SizeText(size * 1024) + ", peak paged=" + SizeText(peakSize * 1024);
    if (haveFaults) paged += ", page faults=" + TmyString::Unsigned(times.pageFaults);
    list.Add(paged);
}

void ReportProcess(TmyStringList& list) {
    list.Add("Process summary");
    int nice = 0;
    if (SystemFacts::Nice(&nice)) list.Add("\tPriority: 0x" + TmyString::Hex(static_cast<std::uint32_t>(nice)));
    std::uint64_t processMask = 0, systemMask = 0;
    if (SystemFacts::Affinity(&processMask, &systemMask))
        list.Add("\tAfinity: 0x" + TmyString::Hex(processMask) + " / 0x" + TmyString::Hex(systemMask));
    const long handles = SystemFacts::OpenFileCount();
    if (handles >= 0) list.Add("\tHANDLE count: " + TmyString::Decimal(handles));
    char io[1024];
    unsigned long long reads = 0, readBytes = 0, writes = 0, writtenBytes = 0;
    if (ProcFile::Read("/proc/self/io", io, sizeof io) > 0 && ProcFile::FindNumber(io, "syscr", &reads) &&
        ProcFile::FindNumber(io, "rchar", &readBytes) && ProcFile::FindNumber(io, "syscw", &writes) &&
        ProcFile::FindNumber(io, "wchar", &writtenBytes))
        list.Add("\tIO: R=" + TmyString::Unsigned(reads) + " [" + SizeText(readBytes) + "] W=" +
                 TmyString::Unsigned(writes) + " [" + SizeText(writtenBytes) + "]");
    ReportProcessTimes(list);
    ReportProcessMemory(list);
}

}  // namespace

void ReportSystemSummary(TmyStringList& list) {
    ReportOs(list);
    ReportProcessor(list);
    ReportDisks(list);
    ReportMemory(list);
    list.Add("");
    list.Add(TmyString("Active code page ") + SystemFacts::CodeSetName());
    list.Add("");
    ReportProcess(list);
}

}  // namespace errvane
