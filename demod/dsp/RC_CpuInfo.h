#pragma once
// The processor record the plug-in fills once: identity, feature bits and the rate of its fastest
// time counter. DSP objects read it at construction to choose their inner routines.

#include <cstdint>

struct RC_CpuInfo {
    std::uint64_t timerRate = 0;  // ticks of RC_ReadTimestamp per second
    std::uint32_t signature = 0;  // standard leaf 1, EAX
    std::uint32_t featuresEdx = 0; // standard leaf 1, EDX
    std::uint32_t featuresEcx = 0; // standard leaf 1, ECX
    std::uint32_t processorCode = 0;
    std::uint32_t extendedFeatures = 0; // extended leaf 0x80000001, EDX
    std::uint32_t structuredFeatures = 0; // standard leaf 7 (subleaf 0), EBX
    // The register state the system saves on a switch (XCR0); 0 where it offers no XGETBV.
    std::uint64_t savedState = 0;
    char vendor[13] = {};
    char brand[49] = {};

    bool HasTimestampCounter() const { return (featuresEdx & (1u << 4)) != 0; }
    bool HasMmx() const { return (featuresEdx & (1u << 23)) != 0; }
    bool HasSse() const { return (featuresEdx & (1u << 25)) != 0; }
    bool HasSse2() const { return (featuresEdx & (1u << 26)) != 0; }
    // AVX2 that may be used: the processor has it and the system saves the 256-bit registers
    // (XMM and YMM state, XCR0 bits 1 and 2) across thread switches.
    bool HasAvx2() const {
        const bool avx = (featuresEcx & (1u << 28)) != 0;
        return avx && (savedState & 6u) == 6u && (structuredFeatures & (1u << 5)) != 0;
    }
};

struct RC_CpuidResult {
    std::uint32_t eax, ebx, ecx, edx;
};
// One identification query (subleaf 0); tests pass a fake processor.
using RC_CpuidSource = RC_CpuidResult (*)(std::uint32_t leaf);
// The saved-state register XCR0, asked only where leaf 1 reports OSXSAVE; tests pass a fake.
using RC_SavedStateSource = std::uint64_t (*)();

// The real processor's answers.
RC_CpuidResult RC_ReadCpuid(std::uint32_t leaf);
std::uint64_t RC_ReadSavedState();

// Identity, features, processor code and brand text (the timer rate is left 0).
RC_CpuInfo RC_IdentifyProcessor(RC_CpuidSource source = RC_ReadCpuid,
                                RC_SavedStateSource savedState = RC_ReadSavedState);

// Processor code of a vendor text and signature: the first matching row of the identification
// table, 0x50000 for an unknown vendor.
std::uint32_t RC_ProcessorCode(const char* vendor, std::uint32_t signature);
// Name of a processor code, or null when the table has none.
const char* RC_ProcessorCodeName(std::uint32_t code);
