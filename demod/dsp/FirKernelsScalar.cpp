#include "demod/dsp/FirKernels.h"

namespace {

// The product of two 16-bit values always fits 32 bits; only the sum can wrap, so it is kept in
// an unsigned accumulator where wrapping is defined.
inline std::uint32_t Dot(const std::int16_t* taps, const std::int16_t* window, std::uint32_t length) {
    std::uint32_t sum = 0;
    for (std::uint32_t k = 0; k < length; ++k) {
        sum += static_cast<std::uint32_t>(std::int32_t{taps[k]} * std::int32_t{window[k]});
    }
    return sum;
}

// The exact sum: each product fits 32 bits, a sum of fewer than 2^32 of them fits 64.
inline std::int64_t WideDot(const std::int16_t* taps, const std::int16_t* window, std::uint32_t length) {
    std::int64_t sum = 0;
    for (std::uint32_t k = 0; k < length; ++k) {
        sum += std::int32_t{taps[k]} * std::int32_t{window[k]};
    }
    return sum;
}

} // namespace

void RC_FirKernel16Scalar(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                          std::uint32_t outputs, std::uint32_t step, std::int16_t* out) {
    for (std::uint32_t i = 0; i < outputs; ++i) {
        out[i] = RC_FirStore16(Dot(taps, history + static_cast<std::size_t>(i) * step, length));
    }
}

void RC_FirKernel16SaturatingScalar(const std::int16_t* taps, std::uint32_t length,
                                    const std::int16_t* history, std::uint32_t outputs,
                                    std::uint32_t step, std::int16_t* out) {
    if (!RC_FirSumFits32(taps, length, history, outputs, step)) {
        RC_FirKernel16SaturatingWide(taps, length, history, outputs, step, out);
        return;
    }
    for (std::uint32_t i = 0; i < outputs; ++i) {
        out[i] = RC_FirStore16Saturating(Dot(taps, history + static_cast<std::size_t>(i) * step, length));
    }
}

void RC_FirKernel32Scalar(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                          std::uint32_t outputs, std::uint32_t step, std::int32_t* out) {
    for (std::uint32_t i = 0; i < outputs; ++i) {
        out[i] = RC_FirStore32(Dot(taps, history + static_cast<std::size_t>(i) * step, length));
    }
}

void RC_FirKernel32SaturatingScalar(const std::int16_t* taps, std::uint32_t length,
                                    const std::int16_t* history, std::uint32_t outputs,
                                    std::uint32_t step, std::int32_t* out) {
    if (!RC_FirSumFits32(taps, length, history, outputs, step)) {
        RC_FirKernel32SaturatingWide(taps, length, history, outputs, step, out);
        return;
    }
    for (std::uint32_t i = 0; i < outputs; ++i) {
        out[i] = RC_FirStore32Saturating(Dot(taps, history + static_cast<std::size_t>(i) * step, length));
    }
}

void RC_FirKernel16SaturatingWide(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int16_t* out) {
    for (std::uint32_t i = 0; i < outputs; ++i) {
        out[i] = RC_FirStoreWide16Saturating(WideDot(taps, history + static_cast<std::size_t>(i) * step, length));
    }
}

void RC_FirKernel32SaturatingWide(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int32_t* out) {
    for (std::uint32_t i = 0; i < outputs; ++i) {
        out[i] = RC_FirStoreWide32Saturating(WideDot(taps, history + static_cast<std::size_t>(i) * step, length));
    }
}

void RC_FirKernelFloat(const float* taps, std::uint32_t length, const float* history,
                       std::uint32_t outputs, std::uint32_t step, float* out) {
    for (std::uint32_t i = 0; i < outputs; ++i) {
        const float* window = history + static_cast<std::size_t>(i) * step;
        float sum = 0.0f;
        for (std::uint32_t k = 0; k < length; ++k) {
            sum += taps[k] * window[k];
        }
        out[i] = sum;
    }
}

RC_FirKernel16 RC_SelectFirKernel16(RC_Routine routine) {
    switch (routine) {
    case RC_Routine::kAvx2: return RC_FirKernel16Avx2;
    case RC_Routine::kSse2: return RC_FirKernel16Sse2;
    default: return RC_FirKernel16Scalar;
    }
}

RC_FirKernel16 RC_SelectFirKernel16Saturating(RC_Routine routine) {
    switch (routine) {
    case RC_Routine::kAvx2: return RC_FirKernel16SaturatingAvx2;
    case RC_Routine::kSse2: return RC_FirKernel16SaturatingSse2;
    default: return RC_FirKernel16SaturatingScalar;
    }
}

RC_FirKernel32 RC_SelectFirKernel32(RC_Routine routine) {
    switch (routine) {
    case RC_Routine::kAvx2: return RC_FirKernel32Avx2;
    case RC_Routine::kSse2: return RC_FirKernel32Sse2;
    default: return RC_FirKernel32Scalar;
    }
}

RC_FirKernel32 RC_SelectFirKernel32Saturating(RC_Routine routine) {
    switch (routine) {
    case RC_Routine::kAvx2: return RC_FirKernel32SaturatingAvx2;
    case RC_Routine::kSse2: return RC_FirKernel32SaturatingSse2;
    default: return RC_FirKernel32SaturatingScalar;
    }
}
