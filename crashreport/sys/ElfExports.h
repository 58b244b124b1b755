#pragma once
#include <cstddef>
#include <cstdint>

namespace errvane {

// The exported functions of a loaded ELF module, read from its dynamic symbol table in memory.
// Every read goes through SafeMemory, so a damaged module gives no answer rather than a fault. The
// first lookup in a module builds a table of its exports sorted by address (from the library
// heap); later lookups search it.
class ElfExports {
public:
    struct Nearest {
        std::uint64_t start;  // address of the export
        char name[256];       // empty when the symbol has no name
    };

    // The export with the greatest address not above `address` (the first of equal ones in the
    // symbol table).
    static bool FindNearest(std::uint64_t base, std::uint64_t address, Nearest* nearest);
    // Forgets every table: modules may have come and gone.
    static void ClearCache();
};

}  // namespace errvane
