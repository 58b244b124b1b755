#include "demod/dsp/RC_CtcssDecoder.h"

#include <algorithm>
#include <cstring>

const float RC_CtcssDecoder::kTones[kToneCount] = {
    62.5f,  64.7f,  67.0f,  69.3f,  71.9f,  74.4f,  77.0f,  79.7f,  82.5f,  85.4f,  88.5f,
    91.5f,  94.8f,  97.4f,  100.0f, 103.5f, 107.2f, 110.9f, 114.8f, 118.8f, 123.0f, 127.3f,
    131.8f, 136.5f, 141.3f, 146.2f, 151.4f, 156.7f, 159.8f, 162.2f, 165.5f, 167.9f, 171.3f,
    173.8f, 177.3f, 179.9f, 183.5f, 186.2f, 189.9f, 192.8f, 196.6f, 199.5f, 203.5f, 206.5f,
    210.7f, 218.1f, 225.7f, 229.1f, 233.6f, 241.8f, 250.3f, 254.1f,
};

namespace {

constexpr float kAnalysisRate = 1378.0f;

} // namespace

RC_CtcssDecoder::RC_CtcssDecoder(RC_Routine routine) : RC_Fft(routine) {
    SetSize(kWindowLength);
    SetWindow(kRC_WindowBlackman);
    SetSampleRate(1000.0f);
}

void RC_CtcssDecoder::SetSampleRate(float fs) {
    if (fs == inputRate_) {
        return;
    }
    inputRate_ = fs;
    resampler_.SetRates(127, fs, kAnalysisRate, 0.001);
    resampledRate_ = static_cast<float>(resampler_.OutputRate(fs));
}

void RC_CtcssDecoder::Process(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride) {
    if (samples == nullptr || stride == 0 || count / stride == 0) {
        return; // nothing to take: the stream and its layout stay as they are
    }
    resampler_.SetBlockSize(count / stride);
    const std::uint32_t produced = resampler_.Process(nullptr, samples, count, stride);
    // The int32 buffer holds the last chunk, which is every output since the block size is the
    // block; more than a window of new samples keeps only the newest.
    const std::uint32_t d = std::min(resampler_.OutputCount(), kWindowLength);
    if (produced == 0) {
        return;
    }
    std::memmove(window_, window_ + d, (kWindowLength - d) * sizeof(std::int32_t));
    const std::int32_t* fresh = resampler_.Output() + (resampler_.OutputCount() - d);
    for (std::uint32_t k = 0; k < d; ++k) {
        // Held at full scale: a wrapped overshoot would spread over the whole spectrum.
        window_[kWindowLength - d + k] = std::clamp(fresh[k], -32767, 32767);
    }
    Transform32(window_, kWindowLength);
    result_ = DecideTone(Power(), HalfSize(), resampledRate_);
}

std::uint32_t RC_CtcssDecoder::ToneBin(float f, float rate) {
    return static_cast<std::uint32_t>(f * 1024.0f / rate + 0.5f);
}

std::int32_t RC_CtcssDecoder::DecideTone(const float* power, std::uint32_t bins, float r) {
    if (!(r > 0.0f) || power == nullptr || bins == 0) {
        return -1;
    }
    const std::uint32_t lowBin = ToneBin(kTones[0], r);
    const std::uint32_t highBin = std::min(ToneBin(kTones[kToneCount - 1], r), bins - 1);
    float total = 0.0f;
    float best = 0.0f;
    std::int32_t bestTone = -1;
    std::uint32_t tone = 0;
    for (std::uint32_t bin = lowBin; bin <= highBin; ++bin) {
        total += power[bin];
        // Tones that share a bin are each compared; the lower one wins a tie.
        for (; tone < kToneCount && ToneBin(kTones[tone], r) <= bin; ++tone) {
            if (ToneBin(kTones[tone], r) == bin && power[bin] > best) {
                best = power[bin];
                bestTone = static_cast<std::int32_t>(tone);
            }
        }
    }
    // A band without power (silence) names no tone.
    return (bestTone < 0 || best < 0.25f * total) ? -1 : bestTone;
}
