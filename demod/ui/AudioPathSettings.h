#pragma once
// Everything the audio path reads of the window's settings and of the host's notifications, as one
// record that the user-interface thread hands to the audio thread whole (DemodWindow's signal-path
// hand-over): the software AGC's speed and time constants and, per mode index, its reference
// level, the filter lengths and the audio gain; the mode and the demodulator's parameters of the
// moment; the audio filter's taps; the squelch types and the host's states. Events that must
// happen once (a new kind, new filter taps, a new frequency) travel as counters that the audio
// thread compares with the last ones it took. Defaults as a new receiver gets them.

#include <array>
#include <cstdint>

struct AudioPathMode {
    double sagcReference = -6.0; // dB
    std::uint32_t postMixerLength = 511;
    std::uint32_t audioFilterLength = 511;
    double audioGain = 7.0;
    std::uint32_t noiseFilterLength = 127;
};

struct AudioPathSettings {
    static constexpr int kModes = 11;
    static constexpr std::uint32_t kSagcOff = 0;
    static constexpr std::uint32_t kSagcFast = 3;
    static constexpr std::uint32_t kMaxTaps = 1024;

    std::uint32_t sagcSpeed = kSagcOff; // 0 off, 1 slow, 2 medium, 3 fast
    std::array<double, 3> sagcAttack{0.025, 0.015, 0.005}; // s, slow .. fast
    std::array<double, 3> sagcDecay{4.0, 2.0, 0.2};         // s, slow .. fast
    std::uint32_t hilbertLength = 511;
    std::array<AudioPathMode, kModes> modes = DefaultModes();

    // The mode and what the demodulator is set to for it.
    int modeIndex = 0;
    std::uint8_t kind = 0;
    std::uint32_t kindChanges = 0; // each one: the loop starts afresh and the filters are rebuilt
    std::uint32_t tone = 0;        // Hz: the CW tone, or the sideband's shift
    float halfBandwidth = 4500.0f;
    float audioGain = 7.0f;
    double volume = 10.0 / 31.0;
    std::uint32_t demodNoiseLength = 127; // the demodulator's own noise filter
    // The audio filter: on or off, and the taps the setup window designed (count 0: none).
    bool afFilter = false;
    std::uint32_t filterChanges = 1; // each one: the taps below are loaded again
    std::uint32_t tapCount = 0;
    std::array<std::int16_t, kMaxTaps> taps{};
    // The sound card and the slope panel.
    std::uint32_t inputChannel = 1;
    int secondaryOutput = 0; // 0 none, 1 the IF, 2 the audio
    bool invertSpectrum = false;
    bool mute = false;
    // The host's states, as its notifications left them.
    std::uint32_t power = 0;
    std::uint32_t scanMode = 0;
    std::uint32_t afc = 0;
    std::uint32_t squelched = 0;
    std::int64_t frequency = 0;
    std::uint32_t frequencyChanges = 0; // each one: the DCS hold ends
    std::uint32_t voiceRestarts = 0;    // each one: the voice detector collects afresh (a scan's retune)
    bool noiseFlag = false;
    std::int32_t noiseThreshold = 0;
    bool voiceFlag = false;
    float voiceLevel = 0.0f;
    float ctcssTone = 0.0f;
    bool dcsFlag = false;
    std::int32_t dcsCode = 0;

    bool AnySecondarySquelch() const { return noiseFlag || voiceFlag || ctcssTone != 0.0f || dcsFlag; }

    static constexpr std::array<AudioPathMode, kModes> DefaultModes() {
        std::array<AudioPathMode, kModes> m{};
        // The sideband and synchronous modes (mode indexes 3 to 6) regulate to a lower level.
        for (int i = 3; i <= 6; ++i) m[static_cast<std::size_t>(i)].sagcReference = -15.0;
        return m;
    }
};
