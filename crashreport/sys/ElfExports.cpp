#include "crashreport/sys/ElfExports.h"

#include "crashreport/base/ReportHeap.h"
#include "crashreport/sys/SafeMemory.h"

#include <algorithm>
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

struct Export {
    std::uint64_t address;
    std::uint32_t index;  // position in the symbol table: the first of equal addresses wins
    std::uint32_t name;
};

struct Table {
    std::uint64_t base = 0;
    bool valid = false;
    DynamicInfo info;
    Export* exports = nullptr;
    std::size_t count = 0;
};

constexpr std::size_t kTables = 128;
Table g_tables[kTables];
std::size_t g_tableCount = 0;

// Loaders relocate the pointers of the dynamic section in place on x86-64, but not in every
// image (the vDSO): a value below the bias is still an offset.
std::uint64_t Relocated(std::uint64_t value, std::uint64_t bias) { return value < bias ? value + bias : value; }

// The GNU hash table gives no count: the highest symbol index is at the end of the longest chain.
std::uint64_t CountFromGnuHash(std::uint64_t table) {
    std::uint32_t header[4];
    if (!SafeMemory::Read(table, header, sizeof header)) return 0;
    const std::uint32_t buckets = header[0], offset = header[1], bloomWords = header[2];
    const std::uint64_t bucketTable = table + 16 + static_cast<std::uint64_t>(bloomWords) * 8;
    auto* values = static_cast<std::uint32_t*>(ReportHeap::Allocate(std::size_t{buckets} * 4 + 4));
    if (values == nullptr || !SafeMemory::Read(bucketTable, values, std::size_t{buckets} * 4)) {
        ReportHeap::Release(values);
        return 0;
    }
    std::uint32_t last = 0;
    for (std::uint32_t i = 0; i < buckets; ++i) last = std::max(last, values[i]);
    ReportHeap::Release(values);
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
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum > 64)
        return false;
    Elf64_Phdr programs[64];
    if (!SafeMemory::Read(base + header.e_phoff, programs, header.e_phnum * sizeof(Elf64_Phdr))) return false;
    std::uint64_t dynamicAddress = 0, dynamicSize = 0, lowestLoad = ~0ull;
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        if (programs[i].p_type == PT_DYNAMIC) {
            dynamicAddress = programs[i].p_vaddr;
            dynamicSize = programs[i].p_memsz;
        }
        if (programs[i].p_type == PT_LOAD) lowestLoad = std::min(lowestLoad, programs[i].p_vaddr);
    }
    if (dynamicAddress == 0 || lowestLoad == ~0ull) return false;
    info->bias = header.e_type == ET_DYN ? base - (lowestLoad & ~0xFFFull) : 0;
    Elf64_Dyn entries[128];
    const std::size_t count = SafeMemory::ReadSome(info->bias + dynamicAddress, entries,
                                                   std::min<std::uint64_t>(dynamicSize, sizeof entries)) / sizeof(Elf64_Dyn);
    std::uint64_t hash = 0, gnuHash = 0;
    for (std::size_t i = 0; i < count && entries[i].d_tag != DT_NULL; ++i) {
        const Elf64_Dyn& entry = entries[i];
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

void BuildTable(Table* table) {
    if (!ReadDynamicInfo(table->base, &table->info) || table->info.symbolCount > 0x1000000) return;
    const DynamicInfo& info = table->info;
    table->exports = static_cast<Export*>(ReportHeap::Allocate(info.symbolCount * sizeof(Export)));
    if (table->exports == nullptr) return;
    constexpr std::size_t kBatch = 256;
    Elf64_Sym batch[kBatch];
    for (std::uint64_t first = 0; first < info.symbolCount; first += kBatch) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(info.symbolCount - first, kBatch));
        if (!SafeMemory::Read(info.symbols + first * sizeof(Elf64_Sym), batch, count * sizeof(Elf64_Sym))) break;
        for (std::size_t i = 0; i < count; ++i)
            if (IsExportedFunction(batch[i]))
                table->exports[table->count++] =
                    Export{info.bias + batch[i].st_value, static_cast<std::uint32_t>(first + i), batch[i].st_name};
    }
    std::sort(table->exports, table->exports + table->count, [](const Export& a, const Export& b) {
        return a.address != b.address ? a.address < b.address : a.index < b.index;
    });
    table->valid = table->count > 0;
}

const Table* TableOf(std::uint64_t base) {
    for (std::size_t i = 0; i < g_tableCount; ++i)
        if (g_tables[i].base == base) return &g_tables[i];
    if (g_tableCount == kTables) return nullptr;
    Table* table = &g_tables[g_tableCount++];
    *table = Table{};
    table->base = base;
    BuildTable(table);
    return table;
}

}  // namespace

bool ElfExports::FindNearest(std::uint64_t base, std::uint64_t address, Nearest* nearest) {
    const Table* table = TableOf(base);
    if (table == nullptr || !table->valid) return false;
    const Export* end = table->exports + table->count;
    // The first export above the address, then back to the first of the equal ones before it.
    const Export* begin = table->exports;
    const Export* above = std::upper_bound(begin, end, address,
                                           [](std::uint64_t value, const Export& e) { return value < e.address; });
    if (above == table->exports) return false;
    const Export* best = above - 1;
    while (best > table->exports && (best - 1)->address == best->address) --best;
    nearest->start = best->address;
    nearest->name[0] = 0;
    if (table->info.stringSize == 0 || best->name < table->info.stringSize) {
        const std::size_t n = SafeMemory::ReadSome(table->info.strings + best->name, nearest->name, sizeof nearest->name - 1);
        nearest->name[n] = 0;
    }
    return true;
}

void ElfExports::ClearCache() {
    for (std::size_t i = 0; i < g_tableCount; ++i) ReportHeap::Release(g_tables[i].exports);
    g_tableCount = 0;
}

}  // namespace errvane
