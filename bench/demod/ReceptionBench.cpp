// Reception quality and cost against a reference library: one IF, rendered by the simulators'
// synthesiser at several RF levels, is fed to our demodulator (set up as the plug-in's window sets
// it up) and to a chain of liquid-dsp blocks (mix down, decimate by 2, channel filter, then for AM
// an AGC and the DSB detector with carrier recovery, for FM the discriminator) with the same
// channel bandwidth. Both audio outputs are measured the same way: a 300-3000 Hz band, the 1 kHz
// tone fitted and taken out, SINAD = all / what is left.
//
// What keeps the comparison fair:
// - The measuring band-pass has the same response in hertz at every audio rate (its length grows
//   with the rate). With a fixed length, its skirt below 300 Hz widened with the rate and let some
//   of a detector's DC through as "noise".
// - liquid-dsp's AM detector is its DSB demodulator in the suppressed-carrier setting: a Costas
//   loop that locks on the carrier as well, with a flat audio response. The with-carrier setting
//   ends in a short DC-blocking FIR whose passband ripples by +-1.5 dB; the ripple scales with the
//   rate and put +1.5 dB on the 1 kHz tone at a 32 kHz channel rate (-0.5 dB at 24 kHz) while the
//   noise sees the band's average, a 2 dB swing in SINAD that has nothing to do with detection.
//   The Costas loop's gain follows the signal's power, so liquid-dsp's AGC sets the level first.
//
// Counters: sinad12_dbm, the RF level (at the detector) where each reaches 12 dB SINAD, at the
// plug-in's 48 kHz (serial, PCI) and 64 kHz (USB) input rates; worst_sinad_db, the lowest AM
// SINAD from -90 to -20 dBm at the antenna with the panel's defaults (preamplifier on, the
// receiver's AGC in mode 2), which the IF gain of the simulated receiver follows; and the cost
// of one 1,024-sample block for both, whose ratio is the CPU comparison.

#include "demod/dsp/RC_Demodulator.h"
#include "driver/sim/SceneIfSynthesizer.h"
#include "driver/sim/SceneLevel.h"

#include <benchmark/benchmark.h>

#include <complex>
#include <liquid/liquid.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using lxq::sim::BandScene;
using lxq::sim::IfTuning;
using lxq::sim::Modulation;
using lxq::sim::SceneIfSynthesizer;
using lxq::sim::SceneStation;

constexpr std::uint32_t kStationHz = 145'000'000;
constexpr double kIfCentreHz = 12'000.0;
constexpr double kToneHz = 1'000.0;
constexpr double kAmHalfBandwidth = 4'500.0; // the window's default AM and NFM channels
constexpr double kFmHalfBandwidth = 6'000.0;
constexpr double kDeviationHz = 2'500.0;
constexpr double kSeconds = 2.0;
constexpr double kPi = std::numbers::pi;

BandScene Scene(double levelDbm, bool fm, double noiseDbm) {
    BandScene scene;
    scene.noiseDbm = noiseDbm;
    SceneStation s;
    s.frequencyHz = kStationHz;
    s.levelDbm = levelDbm;
    s.modulation = fm ? Modulation::Fm : Modulation::Am;
    s.toneHz = kToneHz;
    s.depth = 0.5;
    s.deviationHz = kDeviationHz;
    scene.stations.push_back(s);
    return scene;
}

// The IF of a receiver tuned to the station, with the given antenna gains and gain bytes.
std::vector<std::int16_t> RecordIf(double rate, double levelDbm, bool fm, lxq::sim::SceneGains gains = {},
                                   const std::uint8_t (*gainBytes)[8] = nullptr,
                                   double noiseDbm = BandScene::kDefaultNoiseDbm) {
    const BandScene scene = Scene(levelDbm, fm, noiseDbm);
    IfTuning t;
    t.tunedHz = kStationHz;
    t.ifCentreHz = kIfCentreHz;
    t.gains = gains;
    if (gainBytes != nullptr)
        t.ifGainDb = lxq::sim::IfGainDb(*gainBytes, lxq::sim::SceneLevelDbm(scene, kStationHz, t.bandwidthHz, gains));
    SceneIfSynthesizer synth(rate);
    std::vector<std::int16_t> x(static_cast<std::size_t>(rate * kSeconds) / 1024 * 1024);
    synth.Render(t, scene, x.data(), x.size());
    return x;
}

// ---- the measurement ----

// Taps of the measuring band-pass at `rate`: one per 60 Hz of rate (401 at 24 kHz), odd.
std::size_t BandPassLength(double rate) { return static_cast<std::size_t>(rate / 60.0) | 1u; }

std::vector<double> BandPass(const std::vector<double>& x, double rate) {
    const int kTaps = static_cast<int>(BandPassLength(rate));
    std::vector<double> h(kTaps);
    const int m = kTaps / 2;
    for (int k = 0; k < kTaps; ++k) {
        const double n = k - m;
        const auto sinc = [&](double f) { return n == 0 ? 2 * f / rate : std::sin(2 * kPi * f * n / rate) / (kPi * n); };
        const double w = 0.42 - 0.5 * std::cos(2 * kPi * k / (kTaps - 1)) + 0.08 * std::cos(4 * kPi * k / (kTaps - 1));
        h[k] = (sinc(3'000.0) - sinc(300.0)) * w;
    }
    std::vector<double> y(x.size() > h.size() ? x.size() - h.size() : 0);
    for (std::size_t i = 0; i < y.size(); ++i) {
        double sum = 0;
        for (int k = 0; k < kTaps; ++k) sum += h[k] * x[i + k];
        y[i] = sum;
    }
    return y;
}

// SINAD in dB of the last second of audio at `rate`.
double Sinad(const std::vector<double>& audio, double rate) {
    const auto second = static_cast<std::size_t>(rate);
    const std::vector<double> tail(audio.end() - static_cast<std::ptrdiff_t>(std::min(audio.size(), second + BandPassLength(rate))), audio.end());
    const std::vector<double> y = BandPass(tail, rate);
    double c = 0, s = 0, all = 0;
    for (std::size_t k = 0; k < y.size(); ++k) {
        c += y[k] * std::cos(2 * kPi * kToneHz * k / rate);
        s += y[k] * std::sin(2 * kPi * kToneHz * k / rate);
        all += y[k] * y[k];
    }
    c *= 2.0 / y.size();
    s *= 2.0 / y.size();
    double rest = 0;
    for (std::size_t k = 0; k < y.size(); ++k) {
        const double e = y[k] - c * std::cos(2 * kPi * kToneHz * k / rate) - s * std::sin(2 * kPi * kToneHz * k / rate);
        rest += e * e;
    }
    return rest > 0 ? 10 * std::log10(all / rest) : 200.0;
}

// ---- the two demodulators ----

struct Ours {
    RC_Demodulator d;
    Ours(double rate, bool fm) {
        const bool usb = rate > 50'000;
        d.SetBlockSize(1024);
        d.SetDecimation(2);
        d.SetInterpolation(usb ? 3 : 2);
        d.SetOutputDivisor(usb ? 2 : 1);
        d.ifCentre = static_cast<std::int32_t>(kIfCentreHz);
        d.SetSampleRate(static_cast<std::uint32_t>(rate));
        d.kind = fm ? kRC_KindFm : kRC_KindAm;
        d.halfBandwidth = static_cast<float>(fm ? kFmHalfBandwidth : kAmHalfBandwidth);
        d.SetPostMixerFilterLength(511);
        d.SetAudioFilterLength(511);
        d.audioGain = 7.0f;
        // The window's default volume (10 of 31); AM turned up to the top: without an AGC a weak
        // AM station plays as quietly as it comes in, and a listener turns it up.
        d.volume = fm ? 10.0f / 31.0f : 1.0f;
        d.UpdateFilters();
    }
    // Audio at 48 kHz.
    std::vector<double> Run(const std::vector<std::int16_t>& x) {
        std::vector<std::int16_t> out(2 * d.OutputFrames(1024));
        std::vector<double> audio;
        for (std::size_t at = 0; at + 1024 <= x.size(); at += 1024) {
            d.Process(x.data() + at, out.data(), 1024, 1);
            for (std::uint32_t j = 0; j < d.OutputFrames(1024); ++j) audio.push_back(out[2 * j]);
        }
        return audio;
    }
};

struct Liquid {
    nco_crcf nco;
    firdecim_crcf decimator;
    firfilt_crcf channel;
    agc_crcf agc = nullptr;
    bool agcStarted = false;
    ampmodem am = nullptr;
    freqdem fm = nullptr;
    std::vector<std::complex<float>> mixed, decimated;
    std::vector<float> audio;

    Liquid(double rate, bool isFm) {
        nco = nco_crcf_create(LIQUID_NCO);
        nco_crcf_set_frequency(nco, static_cast<float>(2 * kPi * kIfCentreHz / rate));
        decimator = firdecim_crcf_create_kaiser(2, 12, 60.0f);
        const double half = isFm ? kFmHalfBandwidth : kAmHalfBandwidth;
        channel = firfilt_crcf_create_kaiser(255, static_cast<float>(half / (rate / 2)), 60.0f, 0.0f);
        if (isFm) fm = freqdem_create(static_cast<float>(kDeviationHz / (rate / 2)));
        else {
            agc = agc_crcf_create();
            agc_crcf_set_bandwidth(agc, 1e-3f);
            am = ampmodem_create(0.5f, LIQUID_AMPMODEM_DSB, 1);
        }
    }
    ~Liquid() {
        nco_crcf_destroy(nco);
        firdecim_crcf_destroy(decimator);
        firfilt_crcf_destroy(channel);
        if (agc != nullptr) agc_crcf_destroy(agc);
        if (am != nullptr) ampmodem_destroy(am);
        if (fm != nullptr) freqdem_destroy(fm);
    }
    void Block(const std::int16_t* x, unsigned n) {
        mixed.resize(n);
        decimated.resize(n / 2);
        audio.resize(n / 2);
        for (unsigned k = 0; k < n; ++k) mixed[k] = {static_cast<float>(x[k]), 0.0f};
        nco_crcf_mix_block_down(nco, mixed.data(), mixed.data(), n);
        firdecim_crcf_execute_block(decimator, mixed.data(), n / 2, decimated.data());
        firfilt_crcf_execute_block(channel, decimated.data(), n / 2, decimated.data());
        if (am != nullptr) {
            // The AGC starts from the level of the first block instead of from unity gain.
            if (!agcStarted) agc_crcf_init(agc, decimated.data(), n / 2);
            agcStarted = true;
            agc_crcf_execute_block(agc, decimated.data(), n / 2, decimated.data());
            ampmodem_demodulate_block(am, decimated.data(), n / 2, audio.data());
        } else freqdem_demodulate_block(fm, decimated.data(), n / 2, audio.data());
    }
    // Audio at half the IF rate.
    std::vector<double> Run(const std::vector<std::int16_t>& x) {
        std::vector<double> out;
        for (std::size_t at = 0; at + 1024 <= x.size(); at += 1024) {
            Block(x.data() + at, 1024);
            out.insert(out.end(), audio.begin(), audio.end());
        }
        return out;
    }
};

double SinadOurs(double rate, double level, bool fm) {
    Ours ours(rate, fm);
    return Sinad(ours.Run(RecordIf(rate, level, fm)), 48'000.0);
}

double SinadLiquid(double rate, double level, bool fm) {
    Liquid liquid(rate, fm);
    return Sinad(liquid.Run(RecordIf(rate, level, fm)), rate / 2);
}

// The level where SINAD first reaches 12 dB, rising from the weakest level, placed between the
// two levels around it.
template <typename Measure>
double TwelveDbPoint(Measure measure) {
    double previousLevel = -140.0, previous = measure(previousLevel);
    for (double level = -139.0; level <= -80.0; level += 1.0) {
        const double sinad = measure(level);
        if (sinad >= 12.0) return previousLevel + (12.0 - previous) / (sinad - previous) * (level - previousLevel);
        previousLevel = level;
        previous = sinad;
    }
    return 0.0;
}

// range(0): 0 ours, 1 liquid-dsp; range(1): 0 AM, 1 FM; range(2): the input rate.
void Sensitivity(benchmark::State& state) {
    const bool liquid = state.range(0) != 0, fm = state.range(1) != 0;
    const double rate = static_cast<double>(state.range(2));
    double point = 0;
    for (auto _ : state)
        point = TwelveDbPoint([&](double level) { return liquid ? SinadLiquid(rate, level, fm) : SinadOurs(rate, level, fm); });
    state.counters["sinad12_dbm"] = point;
}
BENCHMARK(Sensitivity)
    ->ArgNames({"liquid", "fm", "rate"})
    ->ArgsProduct({{0, 1}, {0, 1}, {48'000, 64'000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The SINAD of a perfect AM detector (envelope above threshold, or synchronous) in the measuring
// band, fed the 16-bit IF. The scene's noise level is the noise power over the whole IF, 0 to
// rate / 2, so its density is noise - 10 log(rate / 2) dBm/Hz; the IF's rounding adds 1/12 of a
// step squared over the same band. The audio holds the in-phase noise of both sides of the
// carrier, 2 x density x 2,700 Hz, against a tone of (depth x carrier amplitude)^2 / 2. The gains
// in front (preamplifier, IF gain) raise carrier and noise alike.
double AmNoiseLimitDb(double levelDbm, double noiseDbm, double gainDb, double rate) {
    const double noiseRms = lxq::sim::kReferenceAmplitude *
                            std::pow(10.0, (noiseDbm + gainDb - lxq::sim::kReferenceLevelDbm) / 20.0) / std::sqrt(2.0);
    const double roundingDb = 10.0 * std::log10(1.0 + 1.0 / 12.0 / (noiseRms * noiseRms));
    return levelDbm - noiseDbm - roundingDb + 20.0 * std::log10(0.5) + 10.0 * std::log10(rate / (4.0 * 2'700.0));
}

// AM from -90 to -20 dBm at the antenna with the panel's defaults: the worst SINAD, over the
// default scene's noise floor (-120 dBm) and a quieter band (-130 dBm, as the system tests use);
// beside it, at that level, liquid-dsp's SINAD and the perfect detector's.
void StrongAndWeakAm(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const double noise = static_cast<double>(state.range(1));
    // AGC mode 2 as the driver programs it: byte 16 the EEPROM's set point, byte 17 the IF1 gain,
    // byte 19 full.
    static constexpr std::uint8_t kAgcMode2[8] = {40, 30, 0, 63, 0, 0, 0, 0};
    double worst = 1e9, worstLevel = 0;
    for (auto _ : state) {
        for (double level = -90.0; level <= -20.0; level += 5.0) {
            Ours ours(rate, false);
            const double sinad = Sinad(ours.Run(RecordIf(rate, level, false, {false, true}, &kAgcMode2, noise)), 48'000.0);
            if (sinad < worst) {
                worst = sinad;
                worstLevel = level;
            }
        }
    }
    Liquid liquid(rate, false);
    state.counters["worst_sinad_db"] = worst;
    state.counters["at_dbm"] = worstLevel;
    state.counters["liquid_db"] = Sinad(liquid.Run(RecordIf(rate, worstLevel, false, {false, true}, &kAgcMode2, noise)), rate / 2);
    const lxq::sim::SceneGains gains{false, true};
    const double gainDb = lxq::sim::WithGains(0.0, gains) +
                          lxq::sim::IfGainDb(kAgcMode2, lxq::sim::SceneLevelDbm(Scene(worstLevel, false, noise), kStationHz,
                                                                              IfTuning{}.bandwidthHz, gains));
    state.counters["limit_db"] = AmNoiseLimitDb(worstLevel, noise, gainDb, rate);
}
BENCHMARK(StrongAndWeakAm)
    ->ArgNames({"rate", "noise"})
    ->ArgsProduct({{48'000, 64'000}, {-120, -130}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The cost of one block of 1,024 IF samples.
void BlockCost(benchmark::State& state) {
    const bool liquid = state.range(0) != 0, fm = state.range(1) != 0;
    const std::vector<std::int16_t> x = RecordIf(48'000.0, -80.0, fm);
    Ours ours(48'000.0, fm);
    Liquid reference(48'000.0, fm);
    std::vector<std::int16_t> out(2 * ours.d.OutputFrames(1024));
    std::size_t at = 0;
    for (auto _ : state) {
        if (liquid) reference.Block(x.data() + at, 1024);
        else ours.d.Process(x.data() + at, out.data(), 1024, 1);
        benchmark::ClobberMemory();
        at = (at + 1024) % (x.size() - 1024 + 1) / 1024 * 1024;
    }
}
BENCHMARK(BlockCost)->ArgNames({"liquid", "fm"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

} // namespace
