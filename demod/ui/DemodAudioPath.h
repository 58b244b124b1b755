#pragma once
// The demodulator window's per-block state beyond the demodulator itself: the settings read each
// block, the four secondary squelch types, the wide-FM audio chain and the IF display buffer. It
// is a plain member of the window, built once; nothing in it is allocated per block.

#include "demod/dsp/RC_FirFilter16.h"
#include "demod/dsp/RC_Resampler.h"
#include "demod/ui/AudioPathSettings.h"
#include "demod/ui/CtcssSquelch.h"
#include "demod/ui/DcsSquelch.h"
#include "demod/ui/NoiseSquelch.h"
#include "demod/ui/SquelchVerdict.h"
#include "demod/ui/VoiceSquelch.h"

#include <atomic>
#include <cstdint>

class RC_Window;

struct DemodAudioPath {
    static constexpr std::uint32_t kIfDisplayMax = 8192;

    DemodAudioPath() {
        // The receiver demodulates wide FM itself and, over USB, delivers it at 64000 Hz.
        constexpr std::uint32_t kPrototype = 127;
        constexpr double kTolerance = 0.0025;
        wideFmResampler.SetRates(kPrototype, 64000.0, 48000.0, kTolerance);
        wideFmResampler.SetBlockSize(512);
    }

    AudioPathSettings settings;
    NoiseSquelch noise;
    VoiceSquelch voice;
    CtcssSquelch ctcss;
    DcsSquelch dcs;
    SquelchVerdict verdict; // of the block being handled
    std::atomic<bool> restartVoice{false}; // a new frequency: the voice collection starts over

    RC_FirFilter16 wideFmFilter;
    RC_Resampler wideFmResampler;

    // IF samples for the graph: filled here up to its point count, emptied by its 0x8003 handler.
    std::int16_t ifDisplay[kIfDisplayMax] = {};
    std::atomic<std::uint32_t> ifDisplayFill{0};
    std::uint32_t ifDisplayPoints = 0;
    const RC_Window* ifGraph = nullptr;
};
