#include "crashreport/report/AddressText.h"

#include "crashreport/sys/ElfExports.h"
#include "crashreport/sys/MemoryMap.h"

namespace errvane {

std::uint64_t AddressToModule(std::uint64_t address, std::uint64_t* base, std::uint64_t* offset, const char** path) {
    ModuleSpan span;
    if (!MemoryMap::Current().ModuleOf(address, &span) || span.base == 0) return 0;
    *base = span.base;
    *offset = address - span.base;
    if (path != nullptr) *path = span.path;
    return span.size;
}

TmyString AddressText(std::uint64_t address) {
    std::uint64_t base = 0, offset = 0;
    const char* path = "";
    const std::uint64_t size = AddressToModule(address, &base, &offset, &path);
    if (size == 0) return TmyString();
    TmyString text = TmyString(path).FileNamePart() + "\t0x" + TmyString::Hex(base) + "+0x" + TmyString::Hex(offset);
    ElfExports::Nearest nearest;
    if (size >= offset && ElfExports::FindNearest(base, address, &nearest) && nearest.name[0] != 0) {
        text += "\t";
        text += nearest.name;
        if (address > nearest.start) text += "+0x" + TmyString::Hex(address - nearest.start);
    }
    return text;
}

TmyString AddressTextShort(std::uint64_t address) { return AddressText(address).Replaced('\t', ' '); }

}  // namespace errvane
