#include "demod/dsp/RC_CpuInfo.h"

#include "demod/dsp/RC_Text.h"

#include <cpuid.h>
#include <cstring>

namespace {

struct CodeRow {
    const char* vendor;
    std::uint32_t mask;
    std::uint32_t value;
    std::uint32_t code;
};

// The rows that tell processors apart; each vendor ends with a catch-all row (mask 0).
constexpr CodeRow kCodeRows[] = {
    {"AuthenticAMD", 0xFF0, 0x500, 0x20005001},
    {"AuthenticAMD", 0xFF0, 0x510, 0x20005001},
    {"AuthenticAMD", 0xFF0, 0x520, 0x20005001},
    {"AuthenticAMD", 0xFF0, 0x530, 0x20005001},
    {"AuthenticAMD", 0xF00, 0x600, 0x20007000},
    {"AuthenticAMD", 0xFF00F00, 0xF00, 0x20008000},
    {"AuthenticAMD", 0, 0, 0x20000000},
    {"GenuineIntel", 0xF00, 0x500, 0x10005000},
    {"GenuineIntel", 0xFF0, 0x670, 0x10006003},
    {"GenuineIntel", 0, 0, 0x10000000},
    {"CyrixInstead", 0, 0, 0x30000000},
    {"CentaurHauls", 0, 0, 0x40000000},
    {"RiseRiseRise", 0, 0, 0x50000000},
    {"NexGenDriven", 0, 0, 0x60000000},
    {"GenuineTMx86", 0, 0, 0x70000000},
    {"UMC UMC UMC ", 0, 0, 0x80000000},
};

struct NameRow {
    std::uint32_t code;
    const char* name;
};

constexpr NameRow kNameRows[] = {
    {0x50000, "Generic 586"},
    {0x10000000, "Intel CPU"},
    {0x10005000, "Intel Pentium"},
    {0x10006003, "Intel PentiumIII"},
    {0x20005001, "AMD K5"},
};

constexpr std::uint32_t kUnknownVendorCode = 0x50000;

void CopyRegister(char* to, std::uint32_t value) { std::memcpy(to, &value, 4); }

} // namespace

RC_CpuidResult RC_ReadCpuid(std::uint32_t leaf) {
    RC_CpuidResult r{};
    __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

std::uint64_t RC_ReadSavedState() {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (std::uint64_t{high} << 32) | low;
}

std::uint32_t RC_ProcessorCode(const char* vendor, std::uint32_t signature) {
    for (const CodeRow& row : kCodeRows) {
        if (RC_StrCmp(row.vendor, vendor) == 0 && (signature & row.mask) == row.value) {
            return row.code;
        }
    }
    return kUnknownVendorCode;
}

const char* RC_ProcessorCodeName(std::uint32_t code) {
    for (const NameRow& row : kNameRows) {
        if (row.code == code) {
            return row.name;
        }
    }
    return nullptr;
}

RC_CpuInfo RC_IdentifyProcessor(RC_CpuidSource source, RC_SavedStateSource savedState) {
    RC_CpuInfo info;
    const RC_CpuidResult leaf0 = source(0);
    CopyRegister(info.vendor, leaf0.ebx);
    CopyRegister(info.vendor + 4, leaf0.edx);
    CopyRegister(info.vendor + 8, leaf0.ecx);
    info.vendor[12] = '\0';
    if (leaf0.eax >= 1) {
        const RC_CpuidResult leaf1 = source(1);
        info.signature = leaf1.eax;
        info.featuresEdx = leaf1.edx;
        info.featuresEcx = leaf1.ecx;
        // OSXSAVE: the system enabled XGETBV, which otherwise faults.
        if ((leaf1.ecx & (1u << 27)) != 0) {
            info.savedState = savedState();
        }
    }
    if (leaf0.eax >= 7) {
        info.structuredFeatures = source(7).ebx;
    }
    const std::uint32_t extendedMax = source(0x80000000u).eax;
    if (extendedMax >= 0x80000001u) {
        info.extendedFeatures = source(0x80000001u).edx;
    }
    if (extendedMax >= 0x80000004u) {
        for (std::uint32_t i = 0; i < 3; ++i) {
            const RC_CpuidResult part = source(0x80000002u + i);
            CopyRegister(info.brand + 16 * i, part.eax);
            CopyRegister(info.brand + 16 * i + 4, part.ebx);
            CopyRegister(info.brand + 16 * i + 8, part.ecx);
            CopyRegister(info.brand + 16 * i + 12, part.edx);
        }
        info.brand[48] = '\0';
    }
    info.processorCode = RC_ProcessorCode(info.vendor, info.signature);
    // Early parts of this family report the global-pages bit where the system-call bit belongs.
    const bool modelZero = ((info.signature >> 4) & 0xF) == 0;
    if (info.processorCode == 0x20005001 && modelZero && (info.featuresEdx & (1u << 9)) != 0) {
        info.featuresEdx = (info.featuresEdx & ~(1u << 9)) | (1u << 13);
    }
    if (info.brand[0] == '\0') {
        const char* name = RC_ProcessorCodeName(info.processorCode);
        RC_StrNCopy(info.brand, name != nullptr ? name : info.vendor, sizeof info.brand);
    }
    return info;
}
