#pragma once
#include <cstddef>
#include <cstdint>

namespace errvane {

// The exported functions of a loaded ELF module, read from its dynamic symbol table in memory.
// Every read goes through SafeMemory, so a damaged module gives no answer rather than a fault.
class ElfExports {
public:
    struct Nearest {
        std::uint64_t start;  // address of the export
        char name[256];       // empty when the symbol has no name
    };

    // True when the module at `base` is an ELF image with at least one exported function.
    static bool HasExports(std::uint64_t base);
    // The export with the greatest address not above `address` (the first of equal ones).
    static bool FindNearest(std::uint64_t base, std::uint64_t address, Nearest* nearest);
    // The address of the named export; 0 when the module does not export it.
    static std::uint64_t FindByName(std::uint64_t base, const char* name);
};

}  // namespace errvane
