#include "crashreport/report/ModulesSection.h"

#include "crashreport/sys/MemoryMap.h"
#include "crashreport/sys/SafeMemory.h"
#include "crashreport/text/TmyStringList.h"

#include <cstring>

namespace errvane {

namespace {
// The hexadecimal columns are 16 digits wide, so the name and path columns start 16 further right
// than with 32-bit addresses.
constexpr std::size_t kVersionColumn = 56;
constexpr std::size_t kPathColumn = 80;
}  // namespace

void ListProcessModules(TmyStringList& list) {
    const MemoryMap& map = MemoryMap::Current();
    for (std::size_t i = 0; i < map.Count(); i = map.ModuleEnd(i)) {
        const MemoryRegion& first = map.At(i);
        char magic[4];
        if (first.inode == 0 || first.path[0] != '/' || !SafeMemory::Read(first.start, magic, sizeof magic) ||
            std::memcmp(magic, "\x7f" "ELF", 4) != 0)
            continue;
        const std::uint64_t end = map.At(map.ModuleEnd(i) - 1).end;
        TmyString line = "\t" + TmyString::Hex(first.start, 16) + " - " + TmyString::Hex(end, 16) + "\t" +
                         TmyString(first.path).FileNamePart();
        // ELF files carry no version resource: the version field stays empty.
        line = line.Padded(kVersionColumn) + "\t";
        line = line.Padded(kPathColumn) + "\t[" + first.path + "]";
        list.Add(line);
    }
    list.Sort();
}

void ReportModules(TmyStringList& list) {
    TmyStringList modules(1024, 0x40000);
    ListProcessModules(modules);
    list.Add("Modules:");
    for (std::size_t i = 0; i < modules.Count(); ++i) list.Add(modules.Line(i));
    list.Add("");
}

}  // namespace errvane
