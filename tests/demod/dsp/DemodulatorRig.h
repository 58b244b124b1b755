#pragma once
// A demodulator set up as the plug-in's window sets it up (IF centre 12 kHz, decimation 2,
// interpolation 2, 511-tap channel and audio filters), fed with synthesised IF signals in blocks
// of 1,024 samples, collecting the stereo output.

#include "demod/dsp/RC_Demodulator.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace dsptest {

constexpr double kIfCentre = 12000.0;

struct Stereo {
    std::vector<double> left;
    std::vector<double> right;
};

class DemodulatorRig {
public:
    DemodulatorRig(std::uint8_t kind, float halfBandwidth, std::uint32_t rate = 48000,
                   RC_Routine routine = RC_DefaultRoutine())
        : demod_(routine), rate_(rate) {
        demod_.SetSampleRate(rate);
        demod_.ifCentre = static_cast<std::int32_t>(kIfCentre);
        demod_.kind = kind;
        demod_.halfBandwidth = halfBandwidth;
        demod_.tone = (kind == kRC_KindLsb || kind == kRC_KindUsb)
                          ? static_cast<std::uint32_t>(halfBandwidth)
                          : 800;
        demod_.SetPostMixerFilterLength(511);
        demod_.SetAudioFilterLength(511);
        demod_.SetHilbertLength(255);
        demod_.audioGain = 1.0f;
        demod_.volume = 1.0f;
        demod_.UpdateFilters();
    }

    RC_Demodulator& Demodulator() { return demod_; }
    double OutputRate() const {
        return static_cast<double>(rate_ / demod_.Decimation() * demod_.Interpolation() /
                                   demod_.OutputDivisor());
    }

    // Feeds `seconds` of signal(t) (full scale 1.0, scaled to 16 bits) in blocks; returns the
    // output. Time continues across calls.
    Stereo Run(const std::function<double(double)>& signal, double seconds,
               std::uint32_t block = 1024) {
        Stereo out;
        const auto blocks = static_cast<std::size_t>(seconds * rate_ / block);
        std::vector<std::int16_t> input(block);
        std::vector<std::int16_t> frames(2 * demod_.OutputFrames(block));
        for (std::size_t b = 0; b < blocks; ++b) {
            for (auto& x : input) {
                const double t = static_cast<double>(sample_++) / rate_;
                x = static_cast<std::int16_t>(std::lround(std::clamp(signal(t), -1.0, 1.0) * 32767.0));
            }
            demod_.Process(input.data(), frames.data(), block, 1);
            for (std::size_t j = 0; j < frames.size(); j += 2) {
                out.left.push_back(frames[j]);
                out.right.push_back(frames[j + 1]);
            }
        }
        return out;
    }

    // Feeds `seconds` of signal(t) in blocks of nextBlock() samples each (at most the
    // demodulator's block size, a multiple of D), calling afterBlock(n) after each block while
    // the demodulator's tap buffers still hold it.
    template <typename NextBlock, typename AfterBlock>
    void RunBlocks(const std::function<double(double)>& signal, double seconds, NextBlock nextBlock,
                   AfterBlock afterBlock) {
        const auto total = static_cast<std::uint64_t>(seconds * rate_);
        std::vector<std::int16_t> input(demod_.BlockSize());
        std::vector<std::int16_t> frames(2 * demod_.OutputFrames(demod_.BlockSize()));
        for (std::uint64_t done = 0; done < total;) {
            const std::uint32_t n = nextBlock();
            for (std::uint32_t k = 0; k < n; ++k) {
                const double t = static_cast<double>(sample_++) / rate_;
                input[k] = static_cast<std::int16_t>(std::lround(std::clamp(signal(t), -1.0, 1.0) * 32767.0));
            }
            demod_.Process(input.data(), frames.data(), n, 1);
            afterBlock(n);
            done += n;
        }
    }

private:
    RC_Demodulator demod_;
    std::uint32_t rate_;
    std::uint64_t sample_ = 0;
};

inline double Cosine(double f, double t, double phase = 0.0) {
    return std::cos(2.0 * kPi * f * t + phase);
}

// Gaussian noise with a fixed seed, as a signal component.
class Noise {
public:
    explicit Noise(double rms, std::uint32_t seed = 1234) : random_(seed), normal_(0.0, rms) {}
    double operator()() { return normal_(random_); }

private:
    std::mt19937 random_;
    std::normal_distribution<double> normal_;
};

} // namespace dsptest
