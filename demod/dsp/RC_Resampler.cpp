#include "demod/dsp/RC_Resampler.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/StorageAlign.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Q31 value of a designed tap, truncated toward zero and held to the symmetric range.
std::int32_t TapToQ31(double v) {
    if (!(v > -1.0)) {
        return std::isnan(v) ? 0 : -2147483647;
    }
    if (v >= 1.0) {
        return 2147483647;
    }
    return static_cast<std::int32_t>(v * 2147483647.0);
}

std::int32_t SaturateSum(std::int64_t v) {
    return v > 2147483647 ? 2147483647 : (v < -2147483647 ? -2147483647 : static_cast<std::int32_t>(v));
}

double RateError(double input, double output, std::uint32_t l, std::uint32_t m) {
    return std::fabs(output * m / (static_cast<double>(l) * input) - 1.0);
}

// Windows of more taps than this are not designed (they could not be stored anyway).
constexpr std::uint64_t kLongestPrototype = 1u << 24;

} // namespace

RC_Resampler::RC_Resampler() { Layout(); }

RC_Resampler::~RC_Resampler() { RC_Free(storage_); }

RC_Resampler::Geometry RC_Resampler::Measure(std::uint64_t window, std::uint32_t block) const {
    // One window of history may be carried, then a whole chunk; every output advances the
    // interpolated time by M, so a chunk gives at most (window + block) x L / M + 2 of them.
    Geometry g;
    const std::uint64_t sampleCount = window + block;
    const std::uint64_t outputCount = sampleCount * interpolation_ / decimation_ + 2;
    if (outputCount > UINT32_MAX / sizeof(std::int32_t)) {
        return g;
    }
    g.tapBytes = RC_AlignStorage(window * interpolation_ * sizeof(std::int32_t));
    g.sampleBytes = RC_AlignStorage(sampleCount * sizeof(std::int32_t));
    g.outputCount = static_cast<std::uint32_t>(outputCount);
    g.bytes = g.tapBytes + g.sampleBytes + outputCount * sizeof(std::int32_t);
    return g;
}

void RC_Resampler::Place(const Geometry& g) {
    auto* base = static_cast<std::byte*>(storage_);
    taps_ = reinterpret_cast<std::int32_t*>(base);
    samples_ = reinterpret_cast<std::int32_t*>(base + g.tapBytes);
    output_ = reinterpret_cast<std::int32_t*>(base + g.tapBytes + g.sampleBytes);
    outputCapacity_ = g.outputCount;
}

bool RC_Resampler::Layout() {
    const std::uint32_t l = interpolation_;
    const std::uint32_t groups = std::max<std::uint32_t>(1, (prototypeLength_ / l + 7) / 8);
    const std::uint64_t window = 8ull * groups;
    const std::uint64_t total = window * l;
    if (total > kLongestPrototype) {
        return false;
    }
    // Room for the largest block asked for so far, so that going back to it costs nothing.
    const std::uint32_t block = std::max(blockSize_, reservedBlock_);
    const Geometry g = Measure(window, block);
    if (g.bytes == 0) {
        return false;
    }
    auto* prototype = RC_AllocArray<double>(total - 1);
    if (prototype == nullptr) {
        return false;
    }
    if (!RC_GrowBlock(storage_, capacity_, g.bytes)) {
        RC_Free(prototype);
        return false;
    }
    groups_ = groups;
    Place(g);
    reservedBlock_ = block;
    outputCount_ = 0;

    // Blackman-windowed sinc of total - 1 taps (odd), normalised to unity gain at DC before the
    // interpolation; the output is multiplied by L again.
    const std::uint32_t taps = static_cast<std::uint32_t>(total - 1);
    const std::uint32_t centre = taps / 2;
    const double cutoff = 0.9 / std::max(l, decimation_);
    const double pi = std::numbers::pi;
    prototype[centre] = cutoff;
    double sum = cutoff;
    for (std::uint32_t i = 1; i <= centre; ++i) {
        const double a = pi * (1.0 - 2.0 * i / (total - 2.0));
        const double w = 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2.0 * a);
        const double v = std::sin(pi * cutoff * i) / (pi * i) * w;
        prototype[centre + i] = v;
        prototype[centre - i] = v;
        sum += 2.0 * v;
    }
    for (std::uint32_t k = 0; k < taps; ++k) {
        prototype[k] /= sum;
    }
    LoadTaps(prototype, taps);
    RC_Free(prototype);

    // The stream restarts from silence: a window less one sample of zeros, so the first new
    // sample already completes a window.
    kept_ = static_cast<std::uint32_t>(window - 1);
    std::memset(samples_, 0, kept_ * sizeof(std::int32_t));
    phase_ = 0;
    skip_ = 0;
    return true;
}

void RC_Resampler::LoadTaps(const double* taps, std::uint32_t count) {
    const std::uint32_t l = interpolation_;
    const std::uint32_t perPhase = TapsPerPhase();
    std::memset(taps_, 0, std::size_t{perPhase} * l * sizeof(std::int32_t));
    count = std::min(count, perPhase * l);
    for (std::uint32_t k = 0; k < count; ++k) {
        taps_[(k % l) * perPhase + k / l] = TapToQ31(taps[k]);
    }
}

void RC_Resampler::SetBlockSize(std::uint32_t n) {
    n = std::max<std::uint32_t>(n, 1);
    if (n != blockSize_ && Reserve(n)) {
        blockSize_ = n;
    }
}

bool RC_Resampler::Reserve(std::uint32_t block) {
    if (block <= reservedBlock_) {
        return true;
    }
    const Geometry g = Measure(TapsPerPhase(), block);
    void* grown = g.bytes != 0 ? RC_Alloc(g.bytes) : nullptr;
    if (grown == nullptr) {
        return false; // the old block size stays, and with it the stream
    }
    // Taps, carried history and the last outputs move over unchanged: the stream goes on.
    const std::int32_t* oldTaps = taps_;
    const std::int32_t* oldSamples = samples_;
    const std::int32_t* oldOutput = output_;
    void* old = storage_;
    storage_ = grown;
    capacity_ = g.bytes;
    Place(g);
    std::memcpy(taps_, oldTaps, std::size_t{TapsPerPhase()} * interpolation_ * sizeof(std::int32_t));
    std::memcpy(samples_, oldSamples, std::size_t{kept_} * sizeof(std::int32_t));
    std::memcpy(output_, oldOutput, std::size_t{outputCount_} * sizeof(std::int32_t));
    RC_Free(old);
    reservedBlock_ = block;
    return true;
}

std::uint32_t RC_Resampler::SetRates(std::uint32_t n, double input, double output, double tolerance) {
    if (!(input > 0.0) || !(output > 0.0)) {
        return 0;
    }
    const std::uint64_t wanted = std::uint64_t{n} * interpolation_;
    if (RateError(input, output, interpolation_, decimation_) <= tolerance && prototypeLength_ >= wanted) {
        return static_cast<std::uint32_t>(wanted);
    }
    std::uint32_t bestL = 1;
    std::uint32_t bestM = 1;
    double bestError = INFINITY;
    for (std::uint32_t l = 1; l <= kMaxInterpolation; ++l) {
        const double m = std::floor(input * l / output);
        if (m < 1.0 || m > UINT32_MAX) {
            continue;
        }
        const double error = RateError(input, output, l, static_cast<std::uint32_t>(m));
        if (error < bestError) {
            bestL = l;
            bestM = static_cast<std::uint32_t>(m);
            bestError = error;
        }
        if (error <= tolerance) {
            break;
        }
    }
    const std::uint32_t oldL = interpolation_;
    const std::uint32_t oldM = decimation_;
    const std::uint32_t oldLength = prototypeLength_;
    interpolation_ = bestL;
    decimation_ = bestM;
    prototypeLength_ = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(std::uint64_t{n} * bestL, 1, UINT32_MAX));
    if (!Layout()) {
        interpolation_ = oldL;
        decimation_ = oldM;
        prototypeLength_ = oldLength;
    }
    phase_ = 0;
    skip_ = 0;
    return 0;
}

std::uint32_t RC_Resampler::Process(std::int16_t* output, const std::int16_t* input, std::uint32_t count,
                                    std::uint32_t stride) {
    if (input == nullptr || stride == 0 || samples_ == nullptr) {
        return 0;
    }
    std::uint32_t remaining = count / stride;
    std::uint32_t produced = 0;
    while (remaining > 0) {
        const std::uint32_t chunk = std::min(remaining, blockSize_);
        std::int32_t* to = samples_ + kept_;
        for (std::uint32_t j = 0; j < chunk; ++j, input += stride) {
            to[j] = *input;
        }
        produced += RunChunk(output != nullptr ? output + produced : nullptr, chunk);
        remaining -= chunk;
    }
    return produced;
}

std::uint32_t RC_Resampler::RunChunk(std::int16_t* output, std::uint32_t chunk) {
    const std::uint32_t l = interpolation_;
    const std::uint32_t m = decimation_;
    const std::uint32_t window = TapsPerPhase();
    const std::uint64_t available = std::uint64_t{kept_} + chunk;
    std::uint64_t index = skip_;
    std::uint32_t phase = phase_;
    std::uint32_t n = 0;
    // With phase f the output lies f / L of a sample after the window start `index`; its taps
    // are those of phase (L - f) mod L, which for f > 0 line up with the window one sample on.
    while (n < outputCapacity_) {
        const std::uint64_t start = index + (phase != 0 ? 1 : 0);
        if (start + window > available) {
            break;
        }
        const std::int32_t* taps = PhaseTaps(phase != 0 ? l - phase : 0);
        const std::int32_t* x = samples_ + start;
        std::int64_t sum = 0;
        for (std::uint32_t k = 0; k < window; ++k) {
            sum += std::int64_t{taps[k]} * x[k];
        }
        const std::int32_t y = SaturateSum((sum >> 31) * l);
        output_[n] = y;
        if (output != nullptr) {
            output[n] = static_cast<std::int16_t>(y); // the low 16 bits
        }
        ++n;
        const std::uint64_t advanced = std::uint64_t{phase} + m;
        index += advanced / l;
        phase = static_cast<std::uint32_t>(advanced % l);
    }
    if (index <= available) {
        kept_ = static_cast<std::uint32_t>(available - index);
        std::memmove(samples_, samples_ + index, std::size_t{kept_} * sizeof(std::int32_t));
        skip_ = 0;
    } else {
        kept_ = 0;
        skip_ = static_cast<std::uint32_t>(index - available);
    }
    phase_ = phase;
    outputCount_ = n;
    return n;
}
