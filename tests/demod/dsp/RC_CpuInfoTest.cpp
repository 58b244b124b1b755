#include "demod/dsp/RC_Colour.h"
#include "demod/dsp/RC_CpuInfo.h"
#include "demod/dsp/RC_Routine.h"
#include "demod/dsp/RC_Runtime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// A fake processor: vendor, signature and feature bits set by each test.
struct FakeProcessor {
    const char* vendor = "GenuineIntel";
    std::uint32_t signature = 0;
    std::uint32_t edx = 0;
    bool brand = false;
    std::uint32_t maxLeaf = 1;
    std::uint32_t ecx = 0;
    std::uint32_t leaf7Ebx = 0;
    std::uint64_t savedState = 0;
    bool savedStateRead = false;
};
FakeProcessor g_fake;

std::uint64_t FakeSavedState() {
    g_fake.savedStateRead = true;
    return g_fake.savedState;
}

RC_CpuidResult FakeCpuid(std::uint32_t leaf) {
    RC_CpuidResult r{};
    auto word = [](const char* four) {
        std::uint32_t w = 0;
        std::memcpy(&w, four, 4);
        return w;
    };
    if (leaf == 0) {
        r.eax = g_fake.maxLeaf;
        r.ebx = word(g_fake.vendor);
        r.edx = word(g_fake.vendor + 4);
        r.ecx = word(g_fake.vendor + 8);
    } else if (leaf == 1) {
        r.eax = g_fake.signature;
        r.edx = g_fake.edx;
        r.ecx = g_fake.ecx;
    } else if (leaf == 7) {
        r.ebx = g_fake.leaf7Ebx;
    } else if (leaf == 0x80000000u) {
        r.eax = g_fake.brand ? 0x80000004u : 0x80000000u;
    } else if (leaf >= 0x80000002u && leaf <= 0x80000004u) {
        const char* text = "Fake processor brand text for the identification test..";
        r.eax = word(text + 16 * (leaf - 0x80000002u));
        r.ebx = word(text + 16 * (leaf - 0x80000002u) + 4);
        r.ecx = word(text + 16 * (leaf - 0x80000002u) + 8);
        r.edx = word(text + 16 * (leaf - 0x80000002u) + 12);
    }
    return r;
}

TEST(RC_CpuInfo, ProcessorCodesAndNames) {
    const struct {
        const char* vendor;
        std::uint32_t signature;
        std::uint32_t code;
        const char* name;
    } cases[] = {
        {"AuthenticAMD", 0x510, 0x20005001, "AMD K5"},
        {"AuthenticAMD", 0x6A0, 0x20007000, nullptr},
        {"AuthenticAMD", 0xF48, 0x20008000, nullptr},
        {"AuthenticAMD", 0x100F48, 0x20000000, nullptr}, // extended family: not the family-15 row
        {"GenuineIntel", 0x543, 0x10005000, "Intel Pentium"},
        {"GenuineIntel", 0x673, 0x10006003, "Intel PentiumIII"},
        {"GenuineIntel", 0x906EA, 0x10000000, "Intel CPU"},
        {"SomeoneElse!", 0x600, 0x50000, "Generic 586"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RC_ProcessorCode(c.vendor, c.signature), c.code) << c.vendor << " " << c.signature;
        if (c.name != nullptr) {
            EXPECT_STREQ(RC_ProcessorCodeName(c.code), c.name);
        }
    }
}

TEST(RC_CpuInfo, IdentificationReadsVendorFeaturesAndBrand) {
    g_fake = {"AuthenticAMD", 0x500, (1u << 9) | (1u << 23), false};
    RC_CpuInfo early = RC_IdentifyProcessor(FakeCpuid);
    EXPECT_STREQ(early.vendor, "AuthenticAMD");
    EXPECT_EQ(early.processorCode, 0x20005001u);
    EXPECT_EQ(early.featuresEdx, (1u << 13) | (1u << 23)) << "the misplaced bit 9 moves to bit 13";
    EXPECT_STREQ(early.brand, "AMD K5");
    EXPECT_TRUE(early.HasMmx());
    EXPECT_FALSE(early.HasSse2());

    g_fake = {"GenuineIntel", 0x906EA, (1u << 26) | (1u << 4), true};
    RC_CpuInfo modern = RC_IdentifyProcessor(FakeCpuid);
    EXPECT_TRUE(modern.HasSse2());
    EXPECT_TRUE(modern.HasTimestampCounter());
    EXPECT_EQ(std::strncmp(modern.brand, "Fake processor brand text", 25), 0);
}

// AVX2 is chosen only where the processor has AVX and AVX2 and the system saves the YMM state;
// XGETBV is asked only where the system enabled it (OSXSAVE), since it faults otherwise.
TEST(RC_CpuInfo, Avx2NeedsTheProcessorAndTheSystem) {
    constexpr std::uint32_t kSse2 = 1u << 26, kOsxsave = 1u << 27, kAvx = 1u << 28, kAvx2 = 1u << 5;
    const struct {
        std::uint32_t maxLeaf, ecx, leaf7Ebx;
        std::uint64_t savedState;
        bool avx2;
        RC_Routine routine;
    } cases[] = {
        {7, kOsxsave | kAvx, kAvx2, 0x7, true, RC_Routine::kAvx2},
        {7, kOsxsave | kAvx, kAvx2, 0xE7, true, RC_Routine::kAvx2}, // AVX-512 state as well
        {7, kOsxsave | kAvx, kAvx2, 0x3, false, RC_Routine::kSse2}, // YMM state not saved
        {7, kAvx, kAvx2, 0x7, false, RC_Routine::kSse2},            // no XGETBV
        {7, kOsxsave | kAvx, 0, 0x7, false, RC_Routine::kSse2},     // AVX without AVX2
        {7, kOsxsave, kAvx2, 0x7, false, RC_Routine::kSse2},        // AVX2 bit without AVX
        {6, kOsxsave | kAvx, kAvx2, 0x7, false, RC_Routine::kSse2}, // leaf 7 beyond the range
    };
    for (const auto& c : cases) {
        g_fake = {};
        g_fake.edx = kSse2;
        g_fake.maxLeaf = c.maxLeaf;
        g_fake.ecx = c.ecx;
        g_fake.leaf7Ebx = c.leaf7Ebx;
        g_fake.savedState = c.savedState;
        const RC_CpuInfo info = RC_IdentifyProcessor(FakeCpuid, FakeSavedState);
        EXPECT_EQ(info.HasAvx2(), c.avx2) << c.maxLeaf << " " << c.ecx << " " << c.leaf7Ebx << " " << c.savedState;
        EXPECT_EQ(RC_ChooseRoutine(info), c.routine);
        EXPECT_EQ(g_fake.savedStateRead, (c.ecx & kOsxsave) != 0);
    }
    g_fake = {};
    EXPECT_EQ(RC_ChooseRoutine(RC_IdentifyProcessor(FakeCpuid, FakeSavedState)), RC_Routine::kScalar);
}

TEST(RC_CpuInfo, TheRealProcessorRecordAndTimer) {
    const RC_CpuInfo& info = RC_InitRuntime();
    EXPECT_TRUE(info.HasSse2()) << "every x86-64 processor has SSE2";
    EXPECT_GT(info.timerRate, 1'000'000u);
    const std::uint64_t a = RC_ReadTimestamp();
    const std::uint64_t b = RC_ReadTimestamp();
    EXPECT_GE(b, a);
}

TEST(RC_Colour, BlendScaleSwapAndUnsetMarks) {
    EXPECT_EQ(RC_BlendColour(0x000000, 0xFF8040, 2, 1), 0x7F4020u);
    EXPECT_EQ(RC_BlendColour(0x102030, 0xFFFFFF, 1, 2), 0xFFFFFFu) << "held to 255";
    EXPECT_EQ(RC_BlendColour(0x808080, 0x000000, 1, 2), 0x000000u) << "held to 0";
    EXPECT_EQ(RC_BlendColour(0x123456, 0, 0, 1), 0x123456u);
    EXPECT_EQ(RC_ScaleColour(0x804020, 3, 2), 0xC06030u);
    EXPECT_EQ(RC_ScaleColour(0x804020, 4, 1), 0xFFFF80u);
    EXPECT_EQ(RC_ScaleColour(0x7F7F7F, 2000000000, 1), 0xFFFFFFu) << "no overflow";
    EXPECT_EQ(RC_SwapRedBlue(0x00112233), 0x00332211u);

    float f = std::numeric_limits<float>::quiet_NaN();
    RC_SetFloatIfUnset(f, 2.0f);
    RC_SetFloatIfUnset(f, 3.0f);
    EXPECT_EQ(f, 2.0f);
    double d = std::numeric_limits<double>::infinity();
    RC_SetDoubleIfUnset(d, 5.0);
    RC_SetDoubleIfUnset(d, 6.0);
    EXPECT_EQ(d, 5.0);
}

} // namespace
