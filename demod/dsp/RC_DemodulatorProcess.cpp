// RC_Demodulator: the per-block chain.

#include "demod/dsp/RC_Demodulator.h"

#include "demod/dsp/FixedPoint.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr std::int16_t kOverloadLevel = 32000;
// The channel rate whose FM audio level is the reference (48 kHz in, decimated by 2).
constexpr double kFmReferenceChannelRate = 24000.0;
// Discriminator scale: a phase step of one full turn spans the 32-bit range (-2^31 / 2 pi).
constexpr double kPhaseToSample = -341782637.4699059;
// Synchronous-AM loop: frequency and phase gains, and the frequency range it may follow.
constexpr double kLoopFrequencyGain = 0.000025;
constexpr double kLoopPhaseGain = 0.01;
constexpr double kLoopRangeHz = 15.0;
// Error that moves the loop off its unstable balance point: the largest R S / V can be.
constexpr double kLoopUnstick = 0.5;

} // namespace

void RC_Demodulator::Process(const std::int16_t* input, std::int16_t* output, std::uint32_t count,
                             std::uint32_t stride) {
    if (input == nullptr || output == nullptr || stride == 0 || work_ == nullptr) {
        return;
    }
    // Blocks longer than the buffers are taken a block at a time.
    std::uint32_t remaining = count / stride;
    while (remaining > 0) {
        const std::uint32_t n = remaining < blockSize_ ? remaining : blockSize_;
        ProcessBlock(input, output, n, stride);
        input += static_cast<std::size_t>(n) * stride;
        output += 2 * static_cast<std::size_t>(OutputFrames(n));
        remaining -= n;
    }
}

void RC_Demodulator::ProcessBlock(const std::int16_t* input, std::int16_t* output, std::uint32_t n,
                                  std::uint32_t stride) {
    auto* x = static_cast<std::int16_t*>(work_);
    overload = false;
    for (std::uint32_t k = 0; k < n; ++k) {
        x[k] = input[static_cast<std::size_t>(k) * stride];
        if (x[k] > kOverloadLevel || x[k] < -kOverloadLevel) {
            overload = true;
        }
    }
    if (agcOn && kind == kRC_KindFm) {
        fmAgc.reference = std::pow(10.0, agcLevel * 0.05) * 32767.0;
        fmAgc.Process16(x, n, 1);
    }
    Mix(x, n);
    if (rawTap != nullptr) {
        rawTap(rawTapUser, this, n, postI_.WritePosition(), postQ_.WritePosition());
    }
    postI_.Filter(nullptr, n, decimation_);
    postQ_.Filter(nullptr, n, decimation_);
    const std::uint32_t channelCount = n / decimation_;
    std::int32_t* i = postI_.Output();
    std::int32_t* q = postQ_.Output();
    // The channel rate of the per-block arithmetic is the float quotient (not the integer
    // rate the filters were given).
    const float channelRate = postI_.SampleRate() / static_cast<float>(decimation_);
    if (channelTap != nullptr) {
        channelTap(channelTapUser, this, channelCount, i, q);
    }
    if (agcOn && kind != kRC_KindFm) {
        ifAgc.reference = std::pow(10.0, agcLevel * 0.1) * 2147483647.0;
        ifAgc.ProcessIQ(i, q, channelCount);
    }
    Discriminate(i, q, channelCount, channelRate);
    if (kind == kRC_KindIsb) {
        ProcessIndependentSidebands(i, q, channelCount, channelRate, output);
        return;
    }
    double kindGain = Detect(i, q, channelCount, channelRate);

    // Without the output AGC the whole gain is known before the audio filters: it is applied where
    // the detector's output is narrowed to 16 bits, so that a weak signal keeps its precision
    // (narrowed at IF scale, a 100-step carrier would lose some 10 dB of SINAD). The output scale
    // is the same either way.
    // The CW band-pass has gain 1 instead of U: its interpolation gain is applied after it, so
    // that the samples narrowed here clip where the output does (applied here, loud CW would be
    // held at a U-th of full scale).
    double gain = 1.0;
    double afterFilter = 1.0;
    if (!outputAgcOn) {
        gain = kindGain * audioGain * volume;
        afterFilter = kind == kRC_KindCw ? interpolation_ : 1u;
    }
    const std::uint32_t stuffed = channelCount * interpolation_;
    BlockDcAndStuff(detector_, channelCount, channelRate, leftDc_, audioL_.WritePosition(), gain);
    audioL_.FilterStuffed(nullptr, stuffed, outputDivisor_);
    const std::uint32_t frames = stuffed / outputDivisor_;
    std::int32_t* y = audioL_.Output();
    if (outputAgcOn) {
        outputAgc.Process32(y, frames, 1);
    }
    // Rounded: a weak station without the AGC leaves here only a few steps loud.
    const double factor = (outputAgcOn ? volume : afterFilter) / 65536.0;
    for (std::uint32_t j = 0; j < frames; ++j) {
        const std::int16_t v = RC_RoundAndSaturateTo16(factor * y[j]);
        output[2 * j] = v;
        output[2 * j + 1] = v;
    }
}

void RC_Demodulator::Mix(const std::int16_t* x, std::uint32_t n) {
    const std::uint32_t length = TableLength();
    std::int64_t step = ifCentre;
    // The half bandwidth truncated toward zero; a value beyond 32 bits is held rather than
    // converted out of range.
    if (kind == kRC_KindLsb) {
        step -= RC_SaturateTo32(halfBandwidth);
    } else if (kind == kRC_KindUsb) {
        step += RC_SaturateTo32(halfBandwidth);
    }
    // A step of any sign and size becomes its equivalent within one turn of the table.
    const auto tableStep = static_cast<std::uint32_t>(((step % length) + length) % length);
    std::uint32_t index = oscillatorIndex_ < length ? oscillatorIndex_ : 0;
    std::int16_t* toI = postI_.WritePosition();
    std::int16_t* toQ = postQ_.WritePosition();
    // The products are narrowed to 16 bits with their rounding error shaped (second order) away
    // from the channel, towards half the rate, where the channel filter takes it out: a weak
    // station a few steps above the IF's own noise keeps what the mixer would otherwise add.
    // The products are formed in float and taken to the rounding's fixed point exactly (a power
    // of two), bar the bits below 2^-30 of the smallest ones.
    constexpr float kToFixed = static_cast<float>(ShapedRounding::kOne);
    MixerShaping shaping = shaping_;
    for (std::uint32_t k = 0; k < n; ++k) {
        const OscillatorEntry& e = oscillator_[index];
        const auto sample = static_cast<float>(x[k]);
        toI[k] = shaping.i.Narrow(static_cast<std::int64_t>(sample * e.cos * kToFixed));
        toQ[k] = shaping.q.Narrow(static_cast<std::int64_t>(sample * e.minusSin * kToFixed));
        index += tableStep;
        if (index >= length) {
            index -= length;
        }
    }
    shaping_ = shaping;
    oscillatorIndex_ = index;
}

void RC_Demodulator::Discriminate(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                                  double rate) {
    // The phase step between two samples is the angle of x[k] * conj(x[k-1]): its imaginary part
    // over its real part. Taking the magnitude as the real part would give atan(sin(step))
    // instead, a third harmonic of about 12 % at 5 kHz deviation.
    phaseSteps_(i, q, n, previousI_, previousQ_, static_cast<float>(kPhaseToSample), detector_);
    if (n > 0) {
        previousI_ = i[n - 1];
        previousQ_ = q[n - 1];
    }
    // The carrier offset: the steps through a one-pole low-pass, p = (1 - m) a + m p, taken four
    // steps at a time so that the chain of dependent products is a quarter as long.
    const double m = std::exp(-4.0 * kPi / rate);
    const double m2 = m * m;
    const double m3 = m2 * m;
    const double m4 = m2 * m2;
    const double toStep = (1.0 - m) / kPhaseToSample;
    double p = afcFrequency * kTwoPi / rate;
    std::uint32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        const double s = m3 * detector_[k] + m2 * detector_[k + 1] + m * detector_[k + 2] + detector_[k + 3];
        p = m4 * p + toStep * s;
    }
    for (; k < n; ++k) {
        p = toStep * detector_[k] + m * p;
    }
    afcFrequency = static_cast<float>(p * rate / kTwoPi);
}

double RC_Demodulator::Detect(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                              double rate) {
    switch (kind) {
    case kRC_KindAm:
        for (std::uint32_t k = 0; k < n; ++k) {
            const double re = i[k];
            const double im = q[k];
            detector_[k] = RC_SaturateTo32(std::sqrt(re * re + im * im) * 0.7071067811865476);
        }
        return 2.0;
    case kRC_KindSyncAm:
        SynchronousLoop(i, q, n, rate);
        return 1.0;
    case kRC_KindLsb:
        ShiftByTone(i, q, n, -1.0);
        return 1.0;
    case kRC_KindUsb:
    case kRC_KindCw:
        ShiftByTone(i, q, n, 1.0);
        return 1.0;
    case kRC_KindFm:
        if (noiseSquelchOn) {
            MeasureNoise(n, rate);
        }
        // The discriminator gives the phase step per sample, so a faster channel would play the
        // same deviation quieter: the audio is the deviation's, as on a 24 kHz channel.
        return rate / kFmReferenceChannelRate;
    default:
        return 1.0; // an unknown kind plays the discriminator's output
    }
}

void RC_Demodulator::SynchronousLoop(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                                     double rate) {
    const double range = kTwoPi * kLoopRangeHz / rate;
    double phase = loopPhase;
    double frequency = loopFrequency;
    double error = loopError;
    for (std::uint32_t k = 0; k < n; ++k) {
        const double re = i[k];
        const double im = q[k];
        const double c = std::cos(phase);
        const double s = std::sin(phase);
        const double r = re * c - im * s;
        const double quadrature = re * s + im * c;
        detector_[k] = RC_SaturateTo32(quadrature * 1.4142135623730951);
        const double power = r * r + quadrature * quadrature;
        if (power > 0.0) {
            error = r * quadrature / power;
            // All of the carrier on the in-phase axis is the detector's other balance point:
            // unstable, but a noiseless carrier (one exactly at a quarter of the rate mixes
            // without rounding) would hold the loop there for good, with silent audio. Any
            // push off it leads to lock; take the strongest the detector itself can give.
            if (quadrature == 0.0 && r != 0.0) {
                error = kLoopUnstick;
            }
        }
        frequency += kLoopFrequencyGain * error;
        frequency = frequency > range ? range : (frequency < -range ? -range : frequency);
        phase += frequency + kLoopPhaseGain * error;
        if (phase >= kPi) {
            phase -= kTwoPi;
        } else if (phase <= -kPi) {
            phase += kTwoPi;
        }
    }
    loopPhase = phase;
    loopFrequency = frequency;
    loopError = error;
}

void RC_Demodulator::ShiftByTone(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                                 double sign) {
    const std::uint32_t length = TableLength();
    const auto step = static_cast<std::uint32_t>((std::uint64_t{tone} * decimation_) % length);
    std::uint32_t index = toneIndex_ < length ? toneIndex_ : 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        const OscillatorEntry& e = oscillator_[index];
        detector_[k] = RC_SaturateTo32(static_cast<double>(i[k]) * e.cos +
                                       sign * static_cast<double>(q[k]) * e.minusSin);
        index += step;
        if (index >= length) {
            index -= length;
        }
    }
    toneIndex_ = index;
}

void RC_Demodulator::MeasureNoise(std::uint32_t n, double rate) {
    noise_.FilterStridedUpper(nullptr, detector_, n, 1, 1);
    const std::int16_t* y = noise_.Output();
    const double r = std::exp(-kTwoPi / rate);
    double level = noiseLevel;
    for (std::uint32_t k = 0; k < n; ++k) {
        level = (1.0 - r) * std::abs(static_cast<int>(y[k])) + r * level;
    }
    noiseLevel = static_cast<std::int32_t>(level);
}

void RC_Demodulator::BlockDcAndStuff(const std::int32_t* d, std::uint32_t n, double rate,
                                     DcBlocker& state, std::int16_t* to, double gain) {
    const double pole = std::exp(-kTwoPi * dcCorner / rate);
    const double scale = (1.0 + pole) / 2.0;
    std::memset(to, 0, static_cast<std::size_t>(n) * interpolation_ * sizeof(std::int16_t));
    double previousInput = state.previousInput;
    double previousOutput = state.previousOutput;
    for (std::uint32_t k = 0; k < n; ++k) {
        const double y = scale * (d[k] - previousInput) + pole * previousOutput;
        to[static_cast<std::size_t>(k) * interpolation_] = RC_RoundTo16(y * gain / 65536.0);
        previousInput = d[k];
        previousOutput = y;
    }
    state.previousInput = static_cast<std::int32_t>(previousInput);
    state.previousOutput = RC_SaturateTo32(previousOutput);
}

void RC_Demodulator::ProcessIndependentSidebands(const std::int32_t* i, const std::int32_t* q,
                                                 std::uint32_t n, double rate,
                                                 std::int16_t* output) {
    hilbert_.FilterStridedUpper(nullptr, q, n, 1, 1);
    const std::int32_t* h = hilbert_.Output();
    std::memcpy(delay_.InputPosition(), i, static_cast<std::size_t>(n) * sizeof(std::int32_t));
    const std::int32_t* delayed = delay_.Process(nullptr, n);
    // The sum and difference of two 32-bit signals are held to 32 bits rather than overflowing.
    std::int32_t* left = detector_;
    std::int32_t* right = rightPath_;
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::int64_t hk = h[k];
        left[k] = RC_SaturatingAdd32(hk, -std::int64_t{delayed[k]});
        right[k] = RC_SaturatingAdd32(std::int64_t{delayed[k]}, hk);
    }
    BlockDcAndStuff(left, n, rate, leftDc_, audioL_.WritePosition());
    BlockDcAndStuff(right, n, rate, rightDc_, audioR_.WritePosition());
    const std::uint32_t stuffed = n * interpolation_;
    audioL_.FilterStuffed(nullptr, stuffed, outputDivisor_);
    audioR_.FilterStuffed(nullptr, stuffed, outputDivisor_);
    const std::uint32_t frames = stuffed / outputDivisor_;
    const double factor = volume * audioGain / 65536.0;
    const std::int32_t* yl = audioL_.Output();
    const std::int32_t* yr = audioR_.Output();
    for (std::uint32_t j = 0; j < frames; ++j) {
        output[2 * j] = RC_RoundAndSaturateTo16(factor * yl[j]);
        output[2 * j + 1] = RC_RoundAndSaturateTo16(factor * yr[j]);
    }
}
