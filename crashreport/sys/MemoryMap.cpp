#include "crashreport/sys/MemoryMap.h"

#include "crashreport/base/ReportHeap.h"
#include "crashreport/sys/ElfExports.h"
#include "crashreport/sys/ProcFile.h"

#include <cstring>

namespace errvane {
namespace {

std::uint64_t ParseHex(const char*& p) {
    std::uint64_t value = 0;
    for (;; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') value = value << 4 | static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') value = value << 4 | static_cast<unsigned>(c - 'a' + 10);
        else break;
    }
    return value;
}

std::uint64_t ParseDecimal(const char*& p) {
    std::uint64_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + static_cast<unsigned>(*p++ - '0');
    return value;
}

void SkipBlanks(const char*& p) {
    while (*p == ' ' || *p == '\t') ++p;
}

void SkipField(const char*& p) {
    while (*p != 0 && *p != ' ' && *p != '\n') ++p;
    SkipBlanks(p);
}

MemoryMap g_current;
bool g_currentLoaded = false;

}  // namespace

MemoryMap::~MemoryMap() { Clear(); }

void MemoryMap::Clear() {
    ReportHeap::Release(text_);
    ReportHeap::Release(regions_);
    text_ = nullptr;
    regions_ = nullptr;
    count_ = 0;
    textSize_ = 0;
}

bool MemoryMap::Load() {
    Clear();
    // The file's size is not known ahead: grow the buffer until the whole text fits.
    for (std::size_t size = 64 * 1024; size <= 64 * 1024 * 1024; size *= 4) {
        text_ = static_cast<char*>(ReportHeap::Allocate(size));
        if (text_ == nullptr) return false;
        const long n = ProcFile::Read("/proc/self/maps", text_, size);
        if (n < 0) {
            Clear();
            return false;
        }
        if (static_cast<std::size_t>(n) + 1 < size) {
            textSize_ = static_cast<std::size_t>(n);
            break;
        }
        ReportHeap::Release(text_);
        text_ = nullptr;
    }
    if (text_ == nullptr) return false;
    std::size_t lines = 0;
    for (const char* p = text_; *p != 0; ++p)
        if (*p == '\n') ++lines;
    regions_ = static_cast<MemoryRegion*>(ReportHeap::Allocate((lines + 1) * sizeof(MemoryRegion)));
    if (regions_ == nullptr) return false;
    char* line = text_;
    while (*line != 0) {
        char* next = std::strchr(line, '\n');
        if (next != nullptr) *next = 0;
        const char* p = line;
        MemoryRegion region{};
        region.start = ParseHex(p);
        if (*p == '-') ++p;
        region.end = ParseHex(p);
        SkipBlanks(p);
        if (p[0] == 'r') region.access |= MemoryRegion::kRead;
        if (p[0] != 0 && p[1] == 'w') region.access |= MemoryRegion::kWrite;
        if (p[0] != 0 && p[1] != 0 && p[2] == 'x') region.access |= MemoryRegion::kExecute;
        if (p[0] != 0 && p[1] != 0 && p[2] != 0 && p[3] == 'p') region.access |= MemoryRegion::kPrivate;
        SkipField(p);
        region.fileOffset = ParseHex(p);
        SkipBlanks(p);
        SkipField(p);  // device
        region.inode = ParseDecimal(p);
        SkipBlanks(p);
        region.path = p;
        if (region.end > region.start) regions_[count_++] = region;
        if (next == nullptr) break;
        line = next + 1;
    }
    return true;
}

const MemoryRegion* MemoryMap::Find(std::uint64_t address) const {
    std::size_t low = 0, high = count_;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (address < regions_[middle].start) high = middle;
        else if (address >= regions_[middle].end) low = middle + 1;
        else return &regions_[middle];
    }
    return nullptr;
}

bool MemoryMap::SameFile(std::size_t a, std::size_t b) const {
    return regions_[a].inode != 0 && regions_[a].inode == regions_[b].inode &&
           std::strcmp(regions_[a].path, regions_[b].path) == 0;
}

std::size_t MemoryMap::ModuleEnd(std::size_t index) const {
    std::size_t last = index;
    while (last + 1 < count_ && SameFile(index, last + 1)) ++last;
    return last + 1;
}

bool MemoryMap::ModuleOf(std::uint64_t address, ModuleSpan* span) const {
    const MemoryRegion* region = Find(address);
    if (region == nullptr) return false;
    std::size_t first = static_cast<std::size_t>(region - regions_);
    while (first > 0 && SameFile(first, first - 1)) --first;
    const std::size_t end = ModuleEnd(first);
    span->base = regions_[first].start;
    span->size = regions_[end - 1].end - span->base;
    span->path = regions_[first].path;
    return true;
}

MemoryMap& MemoryMap::Current() {
    if (!g_currentLoaded) Refresh();
    return g_current;
}

void MemoryMap::Refresh() {
    // Modules may have come and gone since the last snapshot.
    ElfExports::ClearCache();
    g_currentLoaded = g_current.Load();
}

}  // namespace errvane
