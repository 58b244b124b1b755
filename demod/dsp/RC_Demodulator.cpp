// RC_Demodulator: construction and settings. The per-block chain is in RC_DemodulatorProcess.cpp.

#include "demod/dsp/RC_Demodulator.h"

#include "demod/dsp/FixedPoint.h"
#include "demod/dsp/RC_Heap.h"

#include <cmath>
#include <numbers>

namespace {

RC_Agc DefaultAgc() { return RC_Agc{1.0, 30000.0, 0.0001, 0.0001, 200.0, 30000.0, 44100.0}; }

constexpr float kNoiseCutoff = 5000.0f;
constexpr std::uint32_t kMinimumRate = 4;

} // namespace

RC_Demodulator::RC_Demodulator(RC_Routine routine)
    : postI_(routine), postQ_(routine), hilbert_(routine), noise_(routine), audioL_(routine),
      audioR_(routine), phaseSteps_(RC_SelectPhaseKernel(routine)) {
    fmAgc = DefaultAgc();
    ifAgc = DefaultAgc();
    outputAgc = DefaultAgc();
    outputAgc.reference = 600000000.0;
    postI_.SetType(kRC_FirLowPass);
    postQ_.SetType(kRC_FirLowPass);
    hilbert_.SetType(kRC_FirHilbert);
    noise_.SetType(kRC_FirHighPass);
    noise_.SetLowCutoff(kNoiseCutoff);
    audioL_.SetType(kRC_FirLowPass);
    audioR_.SetType(kRC_FirLowPass);
    // A strong station or a loud setting takes a filter's sum past full scale: it is held there
    // (the tone clips) instead of wrapping round to the other sign (the tone turns to noise).
    postI_.SetSaturating(true);
    postQ_.SetSaturating(true);
    hilbert_.SetSaturating(true);
    noise_.SetSaturating(true);
    audioL_.SetSaturating(true);
    audioR_.SetSaturating(true);
    SetAudioPassband(0.0f, 3000.0f);
    SetBlockSize(1024, true);
    delay_.SetDelay(hilbert_.Length() / 2);
    loopPhase = 0.0;
    loopFrequency = 0.0;
    loopError = 0.0;
    UpdateFilters();
    SetSampleRate(44100, true);
}

RC_Demodulator::~RC_Demodulator() {
    RC_Free(work_);
    RC_Free(oscillator_);
}

void RC_Demodulator::SetSampleRate(std::uint32_t fs, bool force) {
    if (fs < kMinimumRate) {
        fs = kMinimumRate; // the oscillator table needs an entry for every step the mixer takes
    }
    if (!force && fs == SampleRate()) {
        return;
    }
    void* table = oscillator_;
    if (!RC_GrowBlock(table, oscillatorCapacity_, std::size_t{fs} * sizeof(OscillatorEntry))) {
        return; // keeps the old rate and table
    }
    oscillator_ = static_cast<OscillatorEntry*>(table);
    for (std::uint32_t k = 0; k < fs; ++k) {
        const double angle = 2.0 * std::numbers::pi * k / fs;
        oscillator_[k] = {static_cast<float>(std::cos(angle)), static_cast<float>(-std::sin(angle))};
    }
    oscillatorIndex_ = 0;
    if (toneIndex_ >= fs) {
        toneIndex_ = 0;
    }
    postI_.SetSampleRate(static_cast<float>(fs));
    postQ_.SetSampleRate(static_cast<float>(fs));
    ApplyRates();
}

void RC_Demodulator::ApplyRates() {
    const std::uint32_t fs = SampleRate();
    const std::uint32_t channelRate = fs / decimation_;
    const std::uint32_t audioRate = channelRate * interpolation_;
    fmAgc.sampleRate = fs;
    ifAgc.sampleRate = channelRate;
    noise_.SetSampleRate(static_cast<float>(channelRate));
    outputAgc.sampleRate = audioRate;
    audioL_.SetSampleRate(static_cast<float>(audioRate));
    audioR_.SetSampleRate(static_cast<float>(audioRate));
}

void RC_Demodulator::SetBlockSize(std::uint32_t n, bool force) {
    if (n < 1) {
        n = 1;
    }
    if (!force && n == blockSize_) {
        return;
    }
    // The int16 input block, then on 64-byte boundaries the int32 detector block and the
    // right-hand path of independent sidebands.
    const std::size_t inputBytes = (std::size_t{n} * sizeof(std::int16_t) + 63) / 64 * 64;
    const std::size_t blockBytes = (std::size_t{n} * sizeof(std::int32_t) + 63) / 64 * 64;
    void* grown = RC_Realloc(work_, inputBytes + 2 * blockBytes);
    if (grown == nullptr) {
        return;
    }
    work_ = grown;
    blockSize_ = n;
    detector_ = reinterpret_cast<std::int32_t*>(static_cast<std::byte*>(work_) + inputBytes);
    rightPath_ = reinterpret_cast<std::int32_t*>(static_cast<std::byte*>(work_) + inputBytes + blockBytes);
    const std::uint32_t channelBlock = n / decimation_;
    postI_.SetBlockSize(n);
    postQ_.SetBlockSize(n);
    hilbert_.SetBlockSize(channelBlock);
    delay_.SetBlockSize(channelBlock);
    noise_.SetBlockSize(channelBlock);
    audioL_.SetBlockSize(channelBlock * interpolation_);
    audioR_.SetBlockSize(channelBlock * interpolation_);
    audioL_.SetZeroStuffing(interpolation_);
    audioR_.SetZeroStuffing(interpolation_);
}

bool RC_Demodulator::ChangeFactor(std::uint32_t& factor, std::uint32_t value) {
    value = value < 1 ? 1 : value;
    if (value == factor) {
        return false;
    }
    factor = value;
    SetBlockSize(blockSize_, true);
    SetSampleRate(SampleRate(), true);
    return true;
}

void RC_Demodulator::SetDecimation(std::uint32_t d) { ChangeFactor(decimation_, d); }

void RC_Demodulator::SetOutputDivisor(std::uint32_t v) { ChangeFactor(outputDivisor_, v); }

void RC_Demodulator::SetInterpolation(std::uint32_t u) {
    if (!ChangeFactor(interpolation_, u)) {
        return;
    }
    u = interpolation_;
    if (customTaps_) {
        audioL_.StoreGain(static_cast<float>(u));
        audioR_.StoreGain(static_cast<float>(u));
    } else if (kind != kRC_KindCw) {
        audioL_.SetGain(static_cast<float>(u));
        audioR_.SetGain(static_cast<float>(u));
    }
}

void RC_Demodulator::UpdateFilters() {
    postI_.SetHighCutoff(halfBandwidth);
    postQ_.SetHighCutoff(halfBandwidth);
    const float b = halfBandwidth;
    if (kind == kRC_KindCw) {
        for (RC_FirFilter32* f : {&audioL_, &audioR_}) {
            f->SetType(kRC_FirBandPass);
            f->SetGain(1.0f);
        }
        SetAudioPassband(static_cast<float>(tone) - b, static_cast<float>(tone) + b);
        return;
    }
    for (RC_FirFilter32* f : {&audioL_, &audioR_}) {
        f->SetType(kRC_FirLowPass);
        f->SetGain(static_cast<float>(interpolation_));
    }
    const bool sideband = kind == kRC_KindLsb || kind == kRC_KindUsb;
    SetAudioPassband(0.0f, sideband ? 2.0f * b : b);
}

void RC_Demodulator::SetAudioPassband(float low, float high) {
    if (customTaps_) {
        audioL_.StoreCutoffs(low, high);
        return;
    }
    for (RC_FirFilter32* f : {&audioL_, &audioR_}) {
        f->StoreCutoffs(0.0f, 0.0f);
        f->SetLowCutoff(low);
        f->SetHighCutoff(high);
    }
}

void RC_Demodulator::SetAudioFilterLength(std::uint32_t n) {
    audioL_.SetLength(n);
    audioR_.SetLength(n);
}

void RC_Demodulator::SetPostMixerFilterLength(std::uint32_t n) {
    postI_.SetLength(n);
    postQ_.SetLength(n);
}

void RC_Demodulator::SetHilbertLength(std::uint32_t n) {
    hilbert_.SetLength(n);
    delay_.SetDelay(hilbert_.Length() / 2);
}

void RC_Demodulator::SetAudioFilterTaps(const std::int16_t* taps) {
    if (taps == nullptr) {
        customTaps_ = false;
        UpdateFilters();
        return;
    }
    customTaps_ = true;
    // The first (left length) taps of both filters are scaled by the gain of the zero-stuffed
    // interpolation, U; a shorter right filter is scaled over its own taps only. A product
    // beyond the 16-bit range is held at full scale: a tap of 0.5 or more at U = 2 would
    // otherwise flip its sign and turn a low-pass into a high-pass.
    const std::uint32_t scaled = audioL_.Length();
    for (RC_FirFilter32* f : {&audioL_, &audioR_}) {
        f->LoadQ15Taps(taps);
        std::int16_t* t = f->Taps();
        const std::uint32_t count = scaled < f->Length() ? scaled : f->Length();
        for (std::uint32_t k = 0; k < count; ++k) {
            t[k] = RC_SaturateTo16(static_cast<double>(t[k]) * interpolation_);
        }
    }
}

void* RC_Demodulator::GetTapBuffer(int index) {
    switch (index) {
    case 0: return work_;
    case 1: return postI_.WritePosition();
    case 2: return postQ_.WritePosition();
    case 3: return postI_.Output();
    case 4: return postQ_.Output();
    case 5: return hilbert_.Output();
    case 6: return delay_.Output();
    case 7: return audioL_.WritePosition();
    case 8: return audioL_.Output();
    default: return nullptr;
    }
}
