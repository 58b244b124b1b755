#include "demod/dsp/RC_FirFilter.h"

#include "demod/dsp/FirKernels.h"
#include "demod/dsp/RC_Heap.h"

#include <cstring>

namespace {

constexpr std::size_t kAlign = 64;

std::size_t AlignUp(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

std::uint32_t RoundUp(std::uint32_t n, std::uint32_t multiple) {
    return (n + multiple - 1) / multiple * multiple;
}

// Longest filter laid out and designed; a longer request keeps the current length (its padded
// tap count would not fit 32 bits near the top of the range).
constexpr std::uint32_t kLongestDesign = 1u << 20;

} // namespace

RC_FirFilter::RC_FirFilter(const Format& format) : format_(format) {}

RC_FirFilter::~RC_FirFilter() { RC_Free(storage_); }

void RC_FirFilter::Initialise() {
    if (Layout()) {
        Design();
    }
}

bool RC_FirFilter::Layout() {
    if (length_ > kLongestDesign) {
        return false;
    }
    const std::uint32_t paddedLength = RoundUp(length_, format_.tapMultiple);
    const std::size_t tapBytes = AlignUp(paddedLength * format_.tapBytes);
    const std::size_t outputBytes =
        AlignUp(std::size_t{RoundUp(blockSize_, format_.outputMultiple)} * format_.outputBytes);
    const std::size_t historySamples = std::size_t{length_} - 1 + blockSize_ + kRC_FirHistorySlack;
    const std::size_t historyBytes = AlignUp(historySamples * format_.historyBytes);
    // The polyphase form of a zero-stuffed input: each phase holds every U-th tap, and each
    // window reads its phase's padded length from the compact history.
    const std::uint32_t u = stuffing_ > 1 && stuffing_ <= kLargestStuffing ? stuffing_ : 1;
    const std::uint32_t phaseLength = u > 1 ? RoundUp((length_ + u - 1) / u, format_.tapMultiple) : 0;
    const std::size_t phaseBytes = u > 1 ? AlignUp(std::size_t{u} * phaseLength * format_.tapBytes) : 0;
    const std::size_t compactSamples =
        u > 1 ? (std::size_t{length_} - 1 + blockSize_ + u - 1) / u + phaseLength + kRC_FirHistorySlack : 0;
    const std::size_t compactBytes = AlignUp(compactSamples * format_.historyBytes);
    const std::size_t phaseOutputBytes = u > 1 ? outputBytes : 0;
    const std::size_t needed =
        tapBytes + outputBytes + historyBytes + phaseBytes + compactBytes + phaseOutputBytes;
    // The taps lie at the start of the storage and keep their place in every layout, so a
    // grown block takes the old bytes along: a new block size keeps the taps in use.
    if (storage_ == nullptr || needed > capacity_) {
        void* grown = RC_Realloc(storage_, needed);
        if (grown == nullptr) {
            return false;
        }
        storage_ = grown;
        capacity_ = needed;
    }
    auto* base = static_cast<std::byte*>(storage_);
    paddedLength_ = paddedLength;
    taps_ = base;
    output_ = base + tapBytes;
    history_ = base + tapBytes + outputBytes;
    std::memset(history_, 0, historySamples * format_.historyBytes);
    phaseLength_ = phaseLength;
    if (u > 1) {
        std::byte* stuffed = base + tapBytes + outputBytes + historyBytes;
        phaseTaps_ = stuffed;
        compactHistory_ = stuffed + phaseBytes;
        phaseOutput_ = stuffed + phaseBytes + compactBytes;
        // A window may read past the compact samples of a run (into taps that are zero): those
        // reads find initialised memory.
        std::memset(compactHistory_, 0, compactBytes);
    } else {
        phaseTaps_ = nullptr;
        compactHistory_ = nullptr;
        phaseOutput_ = nullptr;
    }
    return true;
}

void RC_FirFilter::Design() {
    if (taps_ == nullptr) {
        return;
    }
    // Design scratch in the plug-in heap: designs run only when a setting changes.
    auto* designed = RC_AllocArray<double>(length_);
    if (designed == nullptr) {
        return;
    }
    RC_DesignFir({type_, length_, sampleRate_, highCutoff_, lowCutoff_, gain_}, designed);
    std::memset(taps_, 0, paddedLength_ * format_.tapBytes);
    ConvertTaps(designed, length_);
    RC_Free(designed);
}

bool RC_FirFilter::ApplyLength(std::uint32_t n) {
    const std::uint32_t length = n < 3 ? 3 : (n | 1u);
    return RC_ChangeLayout(length_, length, [this] { return Layout(); });
}

void RC_FirFilter::SetBlockSize(std::uint32_t n) {
    RC_ChangeLayout(blockSize_, n < 1 ? 1u : n, [this] { return Layout(); });
}

void RC_FirFilter::SetZeroStuffing(std::uint32_t u) {
    RC_ChangeLayout(stuffing_, u < 1 ? 1u : u, [this] { return Layout(); });
}

void RC_FirFilter::SetLength(std::uint32_t n) {
    if (ApplyLength(n)) {
        Design();
    }
}

void RC_FirFilter::SetHighCutoff(float f) {
    const float half = sampleRate_ / 2.0f;
    f = f < 2.0f ? 2.0f : (f > half ? half : f);
    if (f == highCutoff_) {
        return;
    }
    highCutoff_ = f;
    if (f <= lowCutoff_) {
        lowCutoff_ = f - 1.0f;
    }
    Design();
}

void RC_FirFilter::SetLowCutoff(float f) {
    const float half = sampleRate_ / 2.0f;
    if (f < 1.0f) {
        f = 1.0f;
    }
    if (f >= half) {
        f = half - 1.0f;
    }
    if (f == lowCutoff_) {
        return;
    }
    lowCutoff_ = f;
    if (f >= highCutoff_) {
        highCutoff_ = f + 1.0f;
    }
    Design();
}

void RC_FirFilter::SetType(int type) {
    if (type == type_) {
        return;
    }
    type_ = type;
    Design();
}

void RC_FirFilter::SetSampleRate(float fs) {
    if (fs < 4.0f) {
        fs = 4.0f;
    }
    if (fs == sampleRate_) {
        return;
    }
    sampleRate_ = fs;
    if (fs < 2.0f * highCutoff_) {
        highCutoff_ = fs / 2.0f;
        if (fs / 2.0f <= lowCutoff_) {
            lowCutoff_ = fs / 2.0f - 1.0f;
        }
    }
    Design();
}

void RC_FirFilter::SetGain(float g) {
    if (g == gain_) {
        return;
    }
    gain_ = g;
    Design();
}

void RC_FirFilter::LoadTaps(const double* values, std::uint32_t count) {
    ApplyLength(count);
    if (taps_ == nullptr) {
        return;
    }
    std::memset(taps_, 0, paddedLength_ * format_.tapBytes);
    if (values != nullptr) {
        ConvertTaps(values, count < length_ ? count : length_);
    }
}

void RC_FirFilter::LoadFloatTaps(const float* values, std::uint32_t count) {
    ApplyLength(count);
    if (taps_ == nullptr) {
        return;
    }
    std::memset(taps_, 0, paddedLength_ * format_.tapBytes);
    if (values != nullptr) {
        ConvertFloatTaps(values, count < length_ ? count : length_);
    }
}

void RC_FirFilter::StoreCutoffs(float low, float high) {
    lowCutoff_ = low;
    highCutoff_ = high;
}

std::uint32_t RC_FirFilter::PrepareRun(std::uint32_t& count, std::uint32_t& step) const {
    if (count == 0 || count > blockSize_) {
        count = blockSize_;
    }
    if (step == 0) {
        step = 1;
    }
    return history_ != nullptr ? count / step : 0;
}

std::uint32_t RC_FirFilter::ChunkFor(std::uint32_t step) const {
    if (step == 0 || step > blockSize_) {
        return blockSize_;
    }
    return blockSize_ / step * step;
}

void RC_FirFilter::KeepHistory(std::uint32_t consumed) {
    auto* history = static_cast<std::byte*>(history_);
    std::memmove(history, history + std::size_t{consumed} * format_.historyBytes,
                 std::size_t{length_ - 1} * format_.historyBytes);
}
