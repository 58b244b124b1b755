#include "demod/dsp/RC_DcsDecoder.h"

#include <algorithm>
#include <array>
#include <bit>

const std::uint16_t RC_DcsDecoder::kCodes[kCodeCount] = {
    006, 007, 015, 017, 021, 023, 025, 026, 031, 032, 036, 043, 047, 050, 051, 053, 054, 065, 071,
    072, 073, 074, 0114, 0115, 0116, 0122, 0125, 0131, 0132, 0134, 0141, 0143, 0145, 0152, 0155,
    0156, 0162, 0165, 0172, 0174, 0205, 0212, 0214, 0223, 0225, 0226, 0243, 0244, 0245, 0246,
    0251, 0252, 0255, 0261, 0263, 0265, 0266, 0271, 0274, 0306, 0311, 0315, 0325, 0331, 0332,
    0343, 0346, 0351, 0356, 0364, 0365, 0371, 0411, 0412, 0413, 0423, 0431, 0432, 0445, 0446,
    0452, 0454, 0455, 0462, 0464, 0465, 0466, 0503, 0506, 0516, 0523, 0526, 0532, 0546, 0565,
    0606, 0612, 0624, 0627, 0631, 0632, 0654, 0662, 0664, 0703, 0712, 0723, 0731, 0732, 0734,
    0743, 0754,
};

namespace {

constexpr std::uint32_t kWordMask = 0x7FFFFF;
constexpr float kAnalysisRate = 2688.0f;
constexpr std::uint32_t kFilterLength = 255;
constexpr float kFilterCutoff = 300.0f;

// The code in bits 0..8, bit 11 set, and 11 parity bits above, each over a subset of the code.
std::uint32_t BuildWord(std::uint32_t code) {
    static constexpr std::uint32_t kMasks[11] = {0x9F,  0x13E, 0xE3,  0x1C6, 0x113, 0xB9,
                                                 0x1ED, 0x1DA, 0x1B4, 0x168, 0x4F};
    std::uint32_t w = code | 0x800;
    for (std::uint32_t j = 12; j <= 22; ++j) {
        w |= static_cast<std::uint32_t>(std::popcount(w & kMasks[j - 12]) & 1) << j;
    }
    return w ^ 0x63A000;
}

const std::array<std::uint32_t, RC_DcsDecoder::kCodeCount>& Words() {
    static const auto words = [] {
        std::array<std::uint32_t, RC_DcsDecoder::kCodeCount> w{};
        for (std::uint32_t i = 0; i < RC_DcsDecoder::kCodeCount; ++i) {
            w[i] = BuildWord(RC_DcsDecoder::kCodes[i]);
        }
        return w;
    }();
    return words;
}

void OnBit(void* user, int bit) { static_cast<RC_DcsDecoder*>(user)->ReceiveBit(bit); }

} // namespace

RC_DcsDecoder::RC_DcsDecoder(RC_Routine routine) : filter_(routine) {
    Words();
    filter_.SetType(kRC_FirLowPass);
    filter_.SetHighCutoff(kFilterCutoff);
    filter_.SetLength(kFilterLength);
    // A code at full scale overshoots after the resampler and again after this filter; wrapped,
    // each overshoot would become a spike of the opposite sign and a false zero crossing.
    filter_.SetSaturating(true);
    slicer_.bitRate = 134.4;
    slicer_.gain = 0.1;
    slicer_.coefficient = 0.0002;
    slicer_.SetCallback(OnBit, this);
    SetSampleRate(1000.0f);
}

std::uint32_t RC_DcsDecoder::CodeWord(std::uint32_t index) {
    return index < kCodeCount ? Words()[index] : 0;
}

void RC_DcsDecoder::SetSampleRate(float fs) {
    if (fs == inputRate_) {
        return;
    }
    inputRate_ = fs;
    SetRates(127, fs, kAnalysisRate, 0.001);
    resampledRate_ = static_cast<float>(OutputRate(fs));
    filter_.SetSampleRate(resampledRate_);
    slicer_.sampleRate = resampledRate_;
}

void RC_DcsDecoder::Process(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride) {
    if (samples == nullptr || stride == 0 || count / stride == 0) {
        return; // nothing to take: the stream and its layout stay as they are
    }
    SetBlockSize(count / stride);
    RC_Resampler::Process(nullptr, samples, count, stride);
    const std::uint32_t n = OutputCount();
    if (n == 0) {
        return;
    }
    if (filter_.BlockSize() < n) {
        filter_.SetBlockSize(n);
    }
    std::int16_t* to = filter_.WritePosition();
    const std::int32_t* resampled = Output();
    for (std::uint32_t k = 0; k < n; ++k) {
        to[k] = static_cast<std::int16_t>(std::clamp(resampled[k], -32767, 32767));
    }
    slicer_.Process(filter_.Filter(nullptr, n, 1), n);
}

void RC_DcsDecoder::AddFound(std::int32_t code, bool& firstOfBit) {
    if (firstOfBit) {
        foundCount_ = 0;
        firstOfBit = false;
    }
    for (std::uint32_t k = 0; k < foundCount_; ++k) {
        if (found_[k] == code) {
            return;
        }
    }
    if (foundCount_ < kMaxFound) {
        found_[foundCount_++] = code;
    }
}

void RC_DcsDecoder::ReceiveBit(int bit) {
    register_ = (register_ >> 1) | (static_cast<std::uint32_t>(bit != 0) << 22);
    const auto& words = Words();
    bool firstOfBit = true;
    std::uint32_t r = register_;
    for (std::uint32_t rotation = 0; rotation < 23; ++rotation) {
        bool matched = false;
        for (std::uint32_t i = 0; i < kCodeCount && !matched; ++i) {
            if (words[i] == r) {
                AddFound(kCodes[i], firstOfBit);
                matched = true;
            }
        }
        for (std::uint32_t i = 0; i < kCodeCount && !matched; ++i) {
            if ((words[i] ^ kWordMask) == r) {
                AddFound(kCodes[i] + kInverted, firstOfBit);
                matched = true;
            }
        }
        r = (r >> 1) | ((r & 1u) << 22);
    }
}
