#pragma once
// The settings the audio path reads every block: the software AGC's speed and time constants and,
// per mode index, its reference level, the filter lengths and the audio gain. Defaults as a new
// receiver gets them.

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

    std::uint32_t sagcSpeed = kSagcOff; // 0 off, 1 slow, 2 medium, 3 fast
    std::array<double, 3> sagcAttack{0.025, 0.015, 0.005}; // s, slow .. fast
    std::array<double, 3> sagcDecay{4.0, 2.0, 0.2};         // s, slow .. fast
    std::uint32_t hilbertLength = 511;
    std::array<AudioPathMode, kModes> modes = DefaultModes();

    static constexpr std::array<AudioPathMode, kModes> DefaultModes() {
        std::array<AudioPathMode, kModes> m{};
        // The sideband and synchronous modes (mode indexes 3 to 6) regulate to a lower level.
        for (int i = 3; i <= 6; ++i) m[static_cast<std::size_t>(i)].sagcReference = -15.0;
        return m;
    }
};
