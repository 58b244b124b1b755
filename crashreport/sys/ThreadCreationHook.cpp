#include "crashreport/sys/ThreadCreationHook.h"

#include "crashreport/sys/AltStacks.h"

#include <cstdint>
#include <cstring>
#include <elf.h>
#include <link.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

namespace errvane {
namespace {

using CreateFunction = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

struct PatchedEntry {
    void** entry;
    void* original;
    bool readOnlyAfter;
};

constexpr std::size_t kMaxEntries = 256;
PatchedEntry g_entries[kMaxEntries];
std::size_t g_entryCount = 0;

int CreateThread(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*), void* argument) {
    void* (*routine)(void*) = start;
    void* routineArgument = argument;
    AltStacks::WrapStart(&routine, &routineArgument);
    const int result = pthread_create(thread, attributes, routine, routineArgument);
    if (result != 0 && routine != start) AltStacks::ReleaseUnstarted(routineArgument);
    return result;
}

bool WriteEntry(void** entry, void* value, bool readOnly) {
    const long page = sysconf(_SC_PAGESIZE);
    void* first = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(entry) & ~static_cast<std::uintptr_t>(page - 1));
    if (readOnly && mprotect(first, static_cast<std::size_t>(page), PROT_READ | PROT_WRITE) != 0) return false;
    __atomic_store_n(entry, value, __ATOMIC_SEQ_CST);
    if (readOnly) mprotect(first, static_cast<std::size_t>(page), PROT_READ);
    return true;
}

bool Contains(const dl_phdr_info* info, std::uintptr_t address, unsigned type) {
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
        if (segment.p_type == type && address >= start && address < start + segment.p_memsz) return true;
    }
    return false;
}

std::uintptr_t Relocated(std::uintptr_t value, std::uintptr_t bias) { return value < bias ? value + bias : value; }

void PatchTable(const dl_phdr_info* info, const ElfW(Rela)* table, std::size_t bytes, const ElfW(Sym)* symbols,
                const char* strings) {
    for (std::size_t i = 0; i < bytes / sizeof(ElfW(Rela)) && g_entryCount < kMaxEntries; ++i) {
        const ElfW(Rela)& relocation = table[i];
        const unsigned type = ELF64_R_TYPE(relocation.r_info);
        if (type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) continue;
        const ElfW(Sym)& symbol = symbols[ELF64_R_SYM(relocation.r_info)];
        if (std::strcmp(strings + symbol.st_name, "pthread_create") != 0) continue;
        void** entry = reinterpret_cast<void**>(info->dlpi_addr + relocation.r_offset);
        void* original = *entry;
        if (original == reinterpret_cast<void*>(&CreateThread)) continue;
        const bool readOnly = Contains(info, reinterpret_cast<std::uintptr_t>(entry), PT_GNU_RELRO);
        if (WriteEntry(entry, reinterpret_cast<void*>(&CreateThread), readOnly))
            g_entries[g_entryCount++] = PatchedEntry{entry, original, readOnly};
    }
}

int PatchModule(dl_phdr_info* info, std::size_t, void*) {
    // Not this library: its own call must reach the real function.
    if (Contains(info, reinterpret_cast<std::uintptr_t>(&CreateThread), PT_LOAD)) return 0;
    const ElfW(Dyn)* dynamic = nullptr;
    for (int i = 0; i < info->dlpi_phnum; ++i)
        if (info->dlpi_phdr[i].p_type == PT_DYNAMIC)
            dynamic = reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
    if (dynamic == nullptr || info->dlpi_name == nullptr || std::strncmp(info->dlpi_name, "linux-vdso", 10) == 0)
        return 0;
    std::uintptr_t symbols = 0, strings = 0, plt = 0, rela = 0;
    std::size_t pltBytes = 0, relaBytes = 0;
    for (const ElfW(Dyn)* d = dynamic; d->d_tag != DT_NULL; ++d) {
        switch (d->d_tag) {
        case DT_SYMTAB: symbols = Relocated(d->d_un.d_ptr, info->dlpi_addr); break;
        case DT_STRTAB: strings = Relocated(d->d_un.d_ptr, info->dlpi_addr); break;
        case DT_JMPREL: plt = Relocated(d->d_un.d_ptr, info->dlpi_addr); break;
        case DT_PLTRELSZ: pltBytes = d->d_un.d_val; break;
        case DT_RELA: rela = Relocated(d->d_un.d_ptr, info->dlpi_addr); break;
        case DT_RELASZ: relaBytes = d->d_un.d_val; break;
        default: break;
        }
    }
    if (symbols == 0 || strings == 0) return 0;
    const auto* symbolTable = reinterpret_cast<const ElfW(Sym)*>(symbols);
    const auto* stringTable = reinterpret_cast<const char*>(strings);
    if (plt != 0) PatchTable(info, reinterpret_cast<const ElfW(Rela)*>(plt), pltBytes, symbolTable, stringTable);
    if (rela != 0) PatchTable(info, reinterpret_cast<const ElfW(Rela)*>(rela), relaBytes, symbolTable, stringTable);
    return 0;
}

}  // namespace

void ThreadCreationHook::Install() { dl_iterate_phdr(PatchModule, nullptr); }

void ThreadCreationHook::Remove() {
    while (g_entryCount > 0) {
        const PatchedEntry& patched = g_entries[--g_entryCount];
        WriteEntry(patched.entry, patched.original, patched.readOnlyAfter);
    }
}

}  // namespace errvane
