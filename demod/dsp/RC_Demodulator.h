#pragma once
// The demodulator core: blocks of 16-bit IF samples in, 16-bit stereo audio out. One block
// passes a fixed chain: complex mixing to baseband with a table oscillator, decimating channel
// filters, IF AGC, a phase discriminator that also measures the carrier offset, a detector chosen
// by the reception kind, a DC blocker, interpolating audio filters (which skip the zeros stuffed
// between samples), an optional audio AGC, then gain, volume and saturation.
//
// Rates: fs in; fs' = fs / D after the channel filters; fs'' = fs' x U at the audio filters;
// n input samples give (n / D) x U / divisor frames. The owner keeps each block at most the
// block size, a multiple of D, with (n / D) x U a multiple of the divisor.
//
// The owner writes the public settings directly and calls UpdateFilters after changing the
// kind, the half bandwidth or the tone. Processing allocates nothing; the demodulator holds no
// lock and runs on one thread at a time.

#include "demod/dsp/RC_Agc.h"
#include "demod/dsp/RC_Base.h"
#include "demod/dsp/RC_DelayLine.h"
#include "demod/dsp/RC_FirFilter16.h"
#include "demod/dsp/RC_FirFilter32.h"
#include "demod/dsp/FixedPoint.h"
#include "demod/dsp/PhaseKernels.h"

#include <cstdint>

enum RC_ReceptionKind : std::uint8_t {
    kRC_KindAm = 0,
    kRC_KindSyncAm = 1,
    kRC_KindIsb = 2, // independent sidebands: lower on the left, upper on the right
    kRC_KindLsb = 3,
    kRC_KindUsb = 4,
    kRC_KindCw = 5,
    kRC_KindFm = 6,
};

class RC_Demodulator : public RC_Base {
public:
    using RawTapCallback = void (*)(void* user, RC_Demodulator* demodulator, std::uint32_t n,
                                    const std::int16_t* i, const std::int16_t* q);
    using ChannelTapCallback = void (*)(void* user, RC_Demodulator* demodulator, std::uint32_t n,
                                        const std::int32_t* i, const std::int32_t* q);

    explicit RC_Demodulator(RC_Routine routine = RC_DefaultRoutine());
    ~RC_Demodulator() override;

    // Rebuilds the oscillator table and every rate (unless unchanged and not forced); the mixer
    // restarts at phase 0. Rates below 4 Hz are raised to 4 Hz.
    void SetSampleRate(std::uint32_t fs, bool force = false);
    void SetBlockSize(std::uint32_t n, bool force = false);
    void SetDecimation(std::uint32_t d);
    void SetOutputDivisor(std::uint32_t v);
    void SetInterpolation(std::uint32_t u);
    void UpdateFilters();
    void SetAudioPassband(float low, float high);
    void SetAudioFilterLength(std::uint32_t n);
    void SetPostMixerFilterLength(std::uint32_t n);
    // Also delays I by half the Hilbert filter's length.
    void SetHilbertLength(std::uint32_t n);
    // Q15 taps for both audio filters in place of designed ones (multiplied by U), or null to
    // return to designed taps.
    void SetAudioFilterTaps(const std::int16_t* taps);

    // Signal buffers for display: 0 input (int16), 1/2 mixer I/Q (int16), 3/4 channel I/Q
    // (int32), 5 Hilbert output (int32), 6 delayed I (int32), 7 zero-stuffed audio (int16),
    // 8 left audio filter output (int32); null for any other index.
    void* GetTapBuffer(int index);

    // Demodulates every stride-th of count samples into interleaved stereo frames.
    void Process(const std::int16_t* input, std::int16_t* output, std::uint32_t count,
                 std::uint32_t stride);

    std::uint32_t SampleRate() const { return static_cast<std::uint32_t>(postI_.SampleRate()); }
    std::uint32_t BlockSize() const { return blockSize_; }
    std::uint32_t Decimation() const { return decimation_; }
    std::uint32_t Interpolation() const { return interpolation_; }
    std::uint32_t OutputDivisor() const { return outputDivisor_; }
    std::uint32_t HilbertLength() const { return hilbert_.Length(); }
    bool CustomTaps() const { return customTaps_; }
    // Frames that n input samples give.
    std::uint32_t OutputFrames(std::uint32_t n) const {
        return n / decimation_ * interpolation_ / outputDivisor_;
    }

    RC_FirFilter32& PostMixerI() { return postI_; }
    RC_FirFilter32& PostMixerQ() { return postQ_; }
    RC_FirFilter32& HilbertFilter() { return hilbert_; }
    RC_FirFilter16& NoiseFilter() { return noise_; }
    RC_FirFilter32& AudioLeft() { return audioL_; }
    RC_FirFilter32& AudioRight() { return audioR_; }
    RC_DelayLine& DelayLine() { return delay_; }

    // Settings and results the owner reads and writes directly.
    RC_Agc outputAgc{};
    RC_Agc ifAgc{};
    RC_Agc fmAgc{};
    RawTapCallback rawTap = nullptr;
    void* rawTapUser = nullptr;
    ChannelTapCallback channelTap = nullptr;
    void* channelTapUser = nullptr;
    std::int32_t ifCentre = 11025; // Hz
    std::uint8_t kind = kRC_KindAm;
    float halfBandwidth = 3000.0f; // Hz
    std::uint32_t tone = 800;      // Hz: CW pitch, or the sideband offset in LSB and USB
    bool overload = false;         // a sample of the last block beyond +-32000
    bool agcOn = false;
    bool noiseSquelchOn = false;
    bool outputAgcOn = false;
    float afcFrequency = 0.0f; // Hz, measured carrier offset
    float agcLevel = -10.0f;   // dB
    std::int32_t noiseLevel = 0;
    float dcCorner = 5.0f; // Hz
    float audioGain = 1.0f;
    float volume = 0.5f;
    // Synchronous-AM loop: phase, frequency (radians per sample) and last error; the owner
    // clears them when the kind changes.
    double loopPhase = 0.0;
    double loopFrequency = 0.0;
    double loopError = 0.0;

private:
    struct OscillatorEntry {
        float cos;
        float minusSin;
    };
    // Rounding to 16 bits with the error of the last two samples fed back: the error's spectrum
    // is shaped by (1 - z^-1)^2, small near 0 Hz and large near half the rate. Values and errors
    // are fixed point with 30 fraction bits, and the loop carries the rounding error alone (the
    // fraction the floor drops), never what saturation clips: the chain from sample to sample
    // is then four integer steps (in double, with the clipping fed back, it cost more than the
    // rest of the mixer), and the error stays within half a step whatever comes in.
    struct ShapedRounding {
        static constexpr int kFraction = 30;
        static constexpr std::int64_t kOne = std::int64_t{1} << kFraction;
        std::int64_t e1 = 0; // output minus value of the last sample, then of the one before
        std::int64_t e2 = 0;
        // The nearest value to v (halves rounded up), held to the 16-bit range.
        std::int16_t Narrow(std::int64_t v) {
            // The value with the errors fed back, plus half a step: its floor is the nearest.
            const std::int64_t biased = v + kOne / 2 + e2 - 2 * e1;
            e2 = e1;
            e1 = kOne / 2 - (biased & (kOne - 1));
            const std::int64_t y = biased >> kFraction;
            return static_cast<std::int16_t>(y > 32767 ? 32767 : (y < -32768 ? -32768 : y));
        }
    };
    struct MixerShaping {
        ShapedRounding i;
        ShapedRounding q;
    };
    struct DcBlocker {
        std::int32_t previousInput = 0;
        std::int32_t previousOutput = 0;
    };

    void ProcessBlock(const std::int16_t* input, std::int16_t* output, std::uint32_t n,
                      std::uint32_t stride);
    void Mix(const std::int16_t* x, std::uint32_t n);
    void Discriminate(const std::int32_t* i, const std::int32_t* q, std::uint32_t n, double rate);
    // Detector of every kind but independent sidebands; returns the kind's gain.
    double Detect(const std::int32_t* i, const std::int32_t* q, std::uint32_t n, double rate);
    void SynchronousLoop(const std::int32_t* i, const std::int32_t* q, std::uint32_t n, double rate);
    void ShiftByTone(const std::int32_t* i, const std::int32_t* q, std::uint32_t n, double sign);
    void MeasureNoise(std::uint32_t n, double rate);
    void ProcessIndependentSidebands(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                                     double rate, std::int16_t* output);
    // DC blocker into every U-th sample of an audio filter's cleared write area, times `gain`.
    void BlockDcAndStuff(const std::int32_t* d, std::uint32_t n, double rate, DcBlocker& state,
                         std::int16_t* to, double gain = 1.0);
    void ApplyRates();
    // Stores a decimation, interpolation or divisor (at least 1) and rebuilds blocks and rates;
    // false when unchanged.
    bool ChangeFactor(std::uint32_t& factor, std::uint32_t value);
    std::uint32_t TableLength() const { return static_cast<std::uint32_t>(postI_.SampleRate()); }

    RC_DelayLine delay_;
    bool customTaps_ = false;
    std::uint32_t outputDivisor_ = 1;
    std::uint32_t interpolation_ = 2;
    std::uint32_t blockSize_ = 0;
    std::uint32_t decimation_ = 2;
    RC_FirFilter32 postI_;
    RC_FirFilter32 postQ_;
    RC_FirFilter32 hilbert_;
    RC_FirFilter16 noise_;
    std::int32_t* detector_ = nullptr;
    std::int32_t* rightPath_ = nullptr;
    RC_FirFilter32 audioL_;
    RC_FirFilter32 audioR_;
    RC_PhaseKernel phaseSteps_;
    void* work_ = nullptr;
    OscillatorEntry* oscillator_ = nullptr;
    std::size_t oscillatorCapacity_ = 0; // in bytes
    std::uint32_t oscillatorIndex_ = 0;
    std::uint32_t toneIndex_ = 0;
    std::int32_t previousI_ = 0;
    std::int32_t previousQ_ = 0;
    MixerShaping shaping_;
    DcBlocker leftDc_;
    DcBlocker rightDc_;
};
