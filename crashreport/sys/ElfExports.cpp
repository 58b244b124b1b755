#include "crashreport/sys/ElfExports.h"

#include "crashreport/sys/SafeMemory.h"

#include <cstring>
#include <elf.h>

namespace errvane {
namespace {

struct DynamicInfo {
    std::uint64_t bias = 0;
    std::uint64_t symbols = 0;
    std::uint64_t strings = 0;
    std::uint64_t stringSize = 0;
    std::uint64_t symbolCount = 0;
};

// Loaders relocate the pointers of the dynamic section in place on x86-64, but not in every
// image (the vDSO): a value below the bias is still an offset.
std::uint64_t Relocated(std::uint64_t value, std::uint64_t bias) { return value < bias ? value + bias : value; }

std::uint64_t CountFromGnuHash(std::uint64_t table) {
    std::uint32_t header[4];
    if (!SafeMemory::Read(table, header, sizeof header)) return 0;
    const std::uint32_t buckets = header[0], offset = header[1], bloomWords = header[2];
    const std::uint64_t bucketTable = table + 16 + static_cast<std::uint64_t>(bloomWords) * 8;
    std::uint32_t last = 0;
    for (std::uint32_t i = 0; i < buckets; ++i) {
        std::uint32_t bucket = 0;
        if (!SafeMemory::Read(bucketTable + i * 4ull, &bucket, 4)) return 0;
        if (bucket > last) last = bucket;
    }
    if (last < offset) return offset;
    const std::uint64_t chains = bucketTable + buckets * 4ull;
    for (std::uint32_t guard = 0; guard < 0x1000000; ++guard, ++last) {
        std::uint32_t hash = 0;
        if (!SafeMemory::Read(chains + (last - offset) * 4ull, &hash, 4)) return 0;
        if ((hash & 1u) != 0) return static_cast<std::uint64_t>(last) + 1;
    }
    return 0;
}

bool ReadDynamicInfo(std::uint64_t base, DynamicInfo* info) {
    Elf64_Ehdr header;
    if (!SafeMemory::Read(base, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr))
        return false;
    std::uint64_t dynamicAddress = 0, lowestLoad = ~0ull;
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr program;
        if (!SafeMemory::Read(base + header.e_phoff + i * sizeof program, &program, sizeof program)) return false;
        if (program.p_type == PT_DYNAMIC) dynamicAddress = program.p_vaddr;
        if (program.p_type == PT_LOAD && program.p_vaddr < lowestLoad) lowestLoad = program.p_vaddr;
    }
    if (dynamicAddress == 0 || lowestLoad == ~0ull) return false;
    info->bias = header.e_type == ET_DYN ? base - (lowestLoad & ~0xFFFull) : 0;
    std::uint64_t hash = 0, gnuHash = 0;
    for (std::uint64_t at = info->bias + dynamicAddress;; at += sizeof(Elf64_Dyn)) {
        Elf64_Dyn entry;
        if (!SafeMemory::Read(at, &entry, sizeof entry)) return false;
        if (entry.d_tag == DT_NULL) break;
        switch (entry.d_tag) {
        case DT_SYMTAB: info->symbols = Relocated(entry.d_un.d_ptr, info->bias); break;
        case DT_STRTAB: info->strings = Relocated(entry.d_un.d_ptr, info->bias); break;
        case DT_STRSZ: info->stringSize = entry.d_un.d_val; break;
        case DT_HASH: hash = Relocated(entry.d_un.d_ptr, info->bias); break;
        case DT_GNU_HASH: gnuHash = Relocated(entry.d_un.d_ptr, info->bias); break;
        default: break;
        }
    }
    if (info->symbols == 0 || info->strings == 0) return false;
    std::uint32_t hashHeader[2];
    if (hash != 0 && SafeMemory::Read(hash, hashHeader, sizeof hashHeader))
        info->symbolCount = hashHeader[1];
    else if (gnuHash != 0)
        info->symbolCount = CountFromGnuHash(gnuHash);
    return info->symbolCount > 0;
}

bool IsExportedFunction(const Elf64_Sym& symbol) {
    const unsigned type = ELF64_ST_TYPE(symbol.st_info), binding = ELF64_ST_BIND(symbol.st_info);
    return (type == STT_FUNC || type == STT_GNU_IFUNC) && (binding == STB_GLOBAL || binding == STB_WEAK) &&
           symbol.st_shndx != SHN_UNDEF && symbol.st_value != 0;
}

// Calls visit(symbol, index) for every exported function; stops when visit returns false.
template <typename Visit>
void ForEachExport(const DynamicInfo& info, Visit visit) {
    constexpr std::size_t kBatch = 64;
    Elf64_Sym batch[kBatch];
    for (std::uint64_t first = 0; first < info.symbolCount; first += kBatch) {
        const std::size_t count = static_cast<std::size_t>(
            info.symbolCount - first < kBatch ? info.symbolCount - first : kBatch);
        if (!SafeMemory::Read(info.symbols + first * sizeof(Elf64_Sym), batch, count * sizeof(Elf64_Sym))) return;
        for (std::size_t i = 0; i < count; ++i)
            if (IsExportedFunction(batch[i]) && !visit(batch[i])) return;
    }
}

void ReadName(const DynamicInfo& info, std::uint32_t offset, char (&name)[256]) {
    name[0] = 0;
    if (info.stringSize != 0 && offset >= info.stringSize) return;
    const std::size_t n = SafeMemory::ReadSome(info.strings + offset, name, sizeof name - 1);
    name[n] = 0;
}

}  // namespace

bool ElfExports::HasExports(std::uint64_t base) {
    DynamicInfo info;
    if (!ReadDynamicInfo(base, &info)) return false;
    bool found = false;
    ForEachExport(info, [&](const Elf64_Sym&) { return !(found = true); });
    return found;
}

bool ElfExports::FindNearest(std::uint64_t base, std::uint64_t address, Nearest* nearest) {
    DynamicInfo info;
    if (!ReadDynamicInfo(base, &info)) return false;
    bool found = false;
    std::uint64_t best = 0;
    std::uint32_t bestName = 0;
    ForEachExport(info, [&](const Elf64_Sym& symbol) {
        const std::uint64_t start = info.bias + symbol.st_value;
        if (start <= address && (!found || start > best)) {
            found = true;
            best = start;
            bestName = symbol.st_name;
        }
        return true;
    });
    if (!found) return false;
    nearest->start = best;
    ReadName(info, bestName, nearest->name);
    return true;
}

std::uint64_t ElfExports::FindByName(std::uint64_t base, const char* name) {
    DynamicInfo info;
    if (!ReadDynamicInfo(base, &info)) return 0;
    std::uint64_t address = 0;
    char text[256];
    ForEachExport(info, [&](const Elf64_Sym& symbol) {
        ReadName(info, symbol.st_name, text);
        if (std::strcmp(text, name) != 0) return true;
        address = info.bias + symbol.st_value;
        return false;
    });
    return address;
}

}  // namespace errvane
