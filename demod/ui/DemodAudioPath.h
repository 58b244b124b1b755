#pragma once
// The demodulator window's per-block state beyond the demodulator itself: the settings read each
// block, the four secondary squelch types, the wide-FM audio chain and the IF display buffer. It
// is a plain member of the window, built once; nothing in it is allocated per block.
//
// Owner: the audio thread, under the window's audio lock. `settings` is the audio thread's own copy
// of the hand-over record; it changes only when the hand-over is taken (DemodWindow::TakeSignalPath),
// at the start of a block or, while no block runs, by the user-interface thread holding the same
// lock. Only the IF display buffer is shared: its fill is atomic, the audio thread writes samples
// only while the fill is below the point count, and the window's 0x8003 handler reads them and
// then sets the fill back to 0. One 0x8003 message waits at a time (`ifDisplayPosted`, set by the
// audio thread as it posts, cleared by the handler): a user-interface thread that falls behind
// the blocks finds one display to show, not a queue that grows with every block.

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
        // Loud audio at full scale clips rather than wrapping round.
        wideFmFilter.SetSaturating(true);
    }

    AudioPathSettings settings;
    NoiseSquelch noise;
    VoiceSquelch voice;
    CtcssSquelch ctcss;
    DcsSquelch dcs;
    SquelchVerdict verdict; // of the block being handled
    std::uint32_t dcsHold = 0; // blocks the last DCS match keeps the squelch open
    // What the audio thread last took of the hand-over's event counters.
    std::uint32_t kindChanges = 0;
    std::uint32_t filterChanges = 0;
    std::uint32_t frequencyChanges = 0;
    std::uint32_t voiceRestarts = 0;
    bool loadTaps = false; // new taps to load at the next filter step
    // The squelch report as this thread fills it; copied to the window's under the hand-over lock.
    unsigned char report[28] = {};

    RC_FirFilter16 wideFmFilter;
    RC_Resampler wideFmResampler;

    // IF samples for the graph: filled here up to its point count, emptied by its 0x8003 handler.
    std::int16_t ifDisplay[kIfDisplayMax] = {};
    std::atomic<std::uint32_t> ifDisplayFill{0};
    std::atomic<bool> ifDisplayPosted{false};
    std::uint32_t ifDisplayPoints = 0;
    const RC_Window* ifGraph = nullptr;
};
