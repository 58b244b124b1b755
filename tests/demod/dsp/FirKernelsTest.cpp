#include "demod/dsp/FirKernels.h"
#include "demod/dsp/RC_FirFilter16.h"
#include "demod/dsp/RC_FirFilter32.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>
#include <vector>

namespace {

using dsptest::RandomSamples;

// Taps aligned and zero-padded as the filters lay them out.
struct AlignedTaps {
    explicit AlignedTaps(const std::vector<std::int16_t>& values)
        : storage((values.size() + kRC_FirTapPadding) + 8, 0) {
        auto address = reinterpret_cast<std::uintptr_t>(storage.data());
        data = storage.data() + ((16 - address % 16) % 16) / 2;
        std::copy(values.begin(), values.end(), data);
    }
    std::vector<std::int16_t> storage;
    std::int16_t* data;
};

// The vector forms of the three kernels, with their routine.
struct VectorKernels {
    RC_Routine routine;
    RC_FirKernel16 k16;
    RC_FirKernel16 k16Saturating;
    RC_FirKernel32 k32;
};

std::vector<VectorKernels> Vectors() {
    std::vector<VectorKernels> v;
    for (RC_Routine routine : dsptest::VectorRoutines()) {
        v.push_back({routine, RC_SelectFirKernel16(routine), RC_SelectFirKernel16Saturating(routine),
                     RC_SelectFirKernel32(routine)});
    }
    return v;
}

TEST(FirKernels, VectorRoutinesMatchTheScalarOnesForEveryLengthStepAndAlignment) {
    // Full-scale values include -32768 x -32768 pairs, where the multiply-add wraps.
    const std::vector<std::int16_t> history = RandomSamples(4096, 11);
    EXPECT_EQ(RC_SelectFirKernel32(RC_Routine::kSse2), RC_FirKernel32Sse2);
    EXPECT_EQ(RC_SelectFirKernel32(RC_Routine::kAvx2), RC_FirKernel32Avx2);
    for (const VectorKernels& v : Vectors()) {
        for (std::uint32_t length = 1; length <= 80; ++length) {
            AlignedTaps taps(RandomSamples(length, 100 + length));
            for (std::uint32_t step = 1; step <= 3; ++step) {
                for (std::uint32_t offset = 0; offset < 8; ++offset) {
                    const std::uint32_t outputs = 1 + (length * 7 + offset) % 37;
                    std::vector<std::int16_t> a16(outputs), b16(outputs), c16(outputs), d16(outputs);
                    std::vector<std::int32_t> a32(outputs), b32(outputs);
                    const std::int16_t* window = history.data() + 1 + offset; // odd addresses too
                    RC_FirKernel16Scalar(taps.data, length, window, outputs, step, a16.data());
                    v.k16(taps.data, length, window, outputs, step, b16.data());
                    RC_FirKernel16SaturatingScalar(taps.data, length, window, outputs, step, c16.data());
                    v.k16Saturating(taps.data, length, window, outputs, step, d16.data());
                    RC_FirKernel32Scalar(taps.data, length, window, outputs, step, a32.data());
                    v.k32(taps.data, length, window, outputs, step, b32.data());
                    const auto where = [&] {
                        return testing::Message() << "routine " << int(v.routine) << " length " << length
                                                  << " step " << step << " offset " << offset;
                    };
                    ASSERT_EQ(a16, b16) << where();
                    ASSERT_EQ(c16, d16) << where();
                    ASSERT_EQ(a32, b32) << where();
                }
            }
        }
    }
}

TEST(FirKernels, SumsWrapInsteadOfSaturating) {
    AlignedTaps taps(std::vector<std::int16_t>(4, -32768));
    const std::vector<std::int16_t> window(64, -32768);
    // Four products of 2^30 sum to 2^32: the 32-bit sum wraps to 0 in both routines.
    std::vector<RC_FirKernel32> k32{RC_FirKernel32Scalar};
    std::vector<RC_FirKernel16> k16{RC_FirKernel16Scalar};
    std::vector<RC_FirKernel16> k16Saturating{RC_FirKernel16SaturatingScalar};
    for (const VectorKernels& v : Vectors()) {
        k32.push_back(v.k32);
        k16.push_back(v.k16);
        k16Saturating.push_back(v.k16Saturating);
    }
    for (auto kernel : k32) {
        std::int32_t out = 1;
        kernel(taps.data, 4, window.data(), 1, 1, &out);
        EXPECT_EQ(out, 0);
    }
    // Two products: 2^31 wraps to -2^31; times two wraps to 0; shifted by 15 gives -65536,
    // whose low 16 bits are 0.
    for (auto kernel : k16) {
        std::int16_t out = 1;
        kernel(taps.data, 2, window.data(), 1, 1, &out);
        EXPECT_EQ(out, 0);
    }
    AlignedTaps one(std::vector<std::int16_t>{32767, 32767});
    const std::vector<std::int16_t> full(64, 32767);
    for (auto kernel : k16) {
        std::int16_t out = 0;
        kernel(one.data, 2, full.data(), 1, 1, &out);
        EXPECT_EQ(out, -4) << "65532 does not fit 16 bits and wraps";
    }
    // The saturating form holds the same sums at full scale, with the sign kept.
    const std::vector<std::int16_t> negative(64, -32767);
    for (auto kernel : k16Saturating) {
        std::int16_t out = 0;
        kernel(one.data, 2, full.data(), 1, 1, &out);
        EXPECT_EQ(out, 32767);
        kernel(one.data, 2, negative.data(), 1, 1, &out);
        EXPECT_EQ(out, -32767);
    }
}

// The saturating forms give the exact sum, held to full scale, for any taps: a loud signal clips
// instead of wrapping round. Taps whose magnitudes sum below 2 (every designed filter's) keep the
// vector routines' 32-bit sums; larger ones (a user's taps, or those of a filter that gains)
// take the 64-bit sums, and every routine agrees with a reference formed here.
TEST(FirKernels, SaturatingRoutinesHoldTheExactSumAtFullScale) {
    struct Saturating {
        RC_FirKernel16 k16;
        RC_FirKernel32 k32;
    };
    std::vector<Saturating> kernels{{RC_FirKernel16SaturatingScalar, RC_FirKernel32SaturatingScalar}};
    for (RC_Routine routine : dsptest::VectorRoutines())
        kernels.push_back({RC_SelectFirKernel16Saturating(routine), RC_SelectFirKernel32Saturating(routine)});
    EXPECT_EQ(RC_SelectFirKernel32Saturating(RC_Routine::kScalar), RC_FirKernel32SaturatingScalar);

    const struct {
        const char* what;
        std::int16_t tapLimit; // taps drawn from -limit..limit
        std::uint32_t length;
    } cases[] = {{"magnitudes summing below 2", 1200, 48}, {"magnitudes summing far beyond 2", 30000, 48},
                 {"one tap at full scale", 32767, 1}, {"long and gaining", 3000, 300}};
    // Full-scale samples of both signs, -32768 included, in runs long enough to pass full scale.
    std::vector<std::int16_t> history = RandomSamples(2048, 3);
    for (std::size_t k = 0; k < history.size(); ++k)
        if ((k / 64) % 2 == 0) history[k] = history[k] < 0 ? -32768 : 32767;
    for (const auto& c : cases) {
        AlignedTaps taps(RandomSamples(c.length, 40 + c.length, -c.tapLimit, c.tapLimit));
        constexpr std::uint32_t kOutputs = 500, kStep = 3;
        std::vector<std::int16_t> want16(kOutputs);
        std::vector<std::int32_t> want32(kOutputs);
        for (std::uint32_t i = 0; i < kOutputs; ++i) {
            std::int64_t sum = 0;
            for (std::uint32_t k = 0; k < c.length; ++k) sum += std::int64_t{taps.data[k]} * history[i * kStep + k];
            want16[i] = static_cast<std::int16_t>(std::clamp<std::int64_t>(sum >> 15, -32767, 32767));
            want32[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(sum * 2, -2147483647, 2147483647));
        }
        for (const Saturating& k : kernels) {
            std::vector<std::int16_t> got16(kOutputs);
            std::vector<std::int32_t> got32(kOutputs);
            k.k16(taps.data, c.length, history.data(), kOutputs, kStep, got16.data());
            k.k32(taps.data, c.length, history.data(), kOutputs, kStep, got32.data());
            EXPECT_EQ(got16, want16) << c.what;
            EXPECT_EQ(got32, want32) << c.what;
        }
    }
    // Four products of 2^30, whose 32-bit sum wraps to 0, are held at full scale.
    AlignedTaps negative(std::vector<std::int16_t>(4, -32768));
    const std::vector<std::int16_t> window(64, -32768);
    for (const Saturating& k : kernels) {
        std::int32_t out = 0;
        k.k32(negative.data, 4, window.data(), 1, 1, &out);
        EXPECT_EQ(out, 2147483647);
    }
}

template <typename Filter>
void ExpectRoutinesAgree(RC_Routine routine, std::uint32_t length, std::uint32_t block, std::uint32_t stride,
                         std::uint32_t step, bool saturating = false) {
    Filter scalar(RC_Routine::kScalar);
    Filter vector(routine);
    if constexpr (std::is_same_v<Filter, RC_FirFilter16>) {
        scalar.SetSaturating(saturating);
        vector.SetSaturating(saturating);
    }
    const std::vector<std::int16_t> taps = RandomSamples(length, length, -20000, 20000);
    std::vector<double> values(length);
    for (std::uint32_t k = 0; k < length; ++k) {
        values[k] = taps[k] / 32767.0;
    }
    for (Filter* f : {&scalar, &vector}) {
        f->SetBlockSize(block);
        f->LoadTaps(values.data(), length);
    }
    const std::vector<std::int16_t> input = RandomSamples(3000 * stride + 1, 5 + length);
    using Out = std::remove_pointer_t<decltype(scalar.Output())>;
    std::vector<Out> a(3000), b(3000);
    // Starting one sample in puts the interleaved input on an odd address.
    const std::uint32_t na = scalar.FilterStrided(a.data(), input.data() + 1, 3000 * stride, stride, step);
    const std::uint32_t nb = vector.FilterStrided(b.data(), input.data() + 1, 3000 * stride, stride, step);
    ASSERT_EQ(na, nb);
    ASSERT_EQ(na, 3000 / step);
    ASSERT_EQ(a, b) << "routine " << int(routine) << " length " << length << " block " << block << " stride "
                    << stride << " step " << step;
}

TEST(FirKernels, FiltersGiveTheSameOutputWithEitherRoutine) {
    for (RC_Routine routine : dsptest::VectorRoutines()) {
        for (std::uint32_t length : {3u, 31u, 33u, 127u, 255u, 511u}) {
            for (std::uint32_t block : {1u, 7u, 64u, 1024u}) {
                ExpectRoutinesAgree<RC_FirFilter16>(routine, length, block, 2, 1);
                ExpectRoutinesAgree<RC_FirFilter16>(routine, length, block, 1, 1, true);
                ExpectRoutinesAgree<RC_FirFilter32>(routine, length, block, 1, block >= 3 ? 3 : 1);
            }
        }
    }
}

} // namespace
