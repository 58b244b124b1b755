#pragma once
// The demodulator's settings records as they are kept per receiver in the configuration files:
// the demodulator settings (2504 bytes, one 144-byte block per mode index) and the sound-card
// choices (160 bytes). Little-endian, fixed layout: the files are shared between versions.

#include <cstddef>
#include <cstdint>

struct DemodModeBlock {
    double presets[10];               // IF bandwidth presets, Hz
    double sagcReference;             // dB
    std::uint32_t postMixerLength;
    std::uint32_t reserved1;
    double halfBandwidth;             // Hz
    std::uint32_t audioFilterLength;
    std::uint32_t reserved2;
    double audioGain;
    std::int32_t bandPass;            // 1 band-pass, 0 low-pass
    float lowCutoff;                  // Hz
    float highCutoff;                 // Hz
    float deemphasis;                 // dB/octave
    std::int32_t afFilter;            // "AF Filter" on
    std::uint32_t noiseSquelchLength;
};
static_assert(sizeof(DemodModeBlock) == 144);
static_assert(offsetof(DemodModeBlock, sagcReference) == 80);
static_assert(offsetof(DemodModeBlock, postMixerLength) == 88);
static_assert(offsetof(DemodModeBlock, halfBandwidth) == 96);
static_assert(offsetof(DemodModeBlock, audioFilterLength) == 104);
static_assert(offsetof(DemodModeBlock, audioGain) == 112);
static_assert(offsetof(DemodModeBlock, bandPass) == 120);
static_assert(offsetof(DemodModeBlock, deemphasis) == 132);
static_assert(offsetof(DemodModeBlock, noiseSquelchLength) == 140);

struct DemodSettings {
    std::uint32_t inputLevel;         // mixer volume 0..65535
    std::uint32_t rate44100;          // 44100 Hz sampling instead of 48000
    std::int32_t modeIndex;
    std::uint32_t reserved1;
    DemodModeBlock modes[16];         // room for 16 mode indices; 0..10 are used, the rest kept as read
    std::uint32_t hilbertLength;
    std::uint32_t cwTone;             // Hz
    std::uint32_t sagcSpeed;          // 0 off, 1 slow, 2 medium, 3 fast
    std::uint32_t reserved2;
    double sagcAttack[3];             // s: slow, medium, fast
    double sagcDecay[3];              // s
    std::uint32_t reserved3;
    float studyTone;                  // Hz: the study window's marker
    std::uint32_t inputChannel;       // 0 reversed, 1 plain
    std::uint32_t volume;             // 0..31
    std::uint32_t mute;
    std::uint32_t secondaryOutput;    // 0 none, 1 IF, 2 audio
    unsigned char reserved4[96];
};
static_assert(sizeof(DemodSettings) == 2504);
static_assert(offsetof(DemodSettings, modes) == 16);
static_assert(offsetof(DemodSettings, hilbertLength) == 2320);
static_assert(offsetof(DemodSettings, sagcAttack) == 2336);
static_assert(offsetof(DemodSettings, sagcDecay) == 2360);
static_assert(offsetof(DemodSettings, studyTone) == 2388);
static_assert(offsetof(DemodSettings, secondaryOutput) == 2404);

struct SoundCardSettings {
    char waveIn[64];
    char mixerLine[64];
    char waveOut[32];
};
static_assert(sizeof(SoundCardSettings) == 160);
static_assert(offsetof(SoundCardSettings, mixerLine) == 64);
static_assert(offsetof(SoundCardSettings, waveOut) == 128);

// The defaults of every field; reserved bytes zero.
void SetDefaultSettings(DemodSettings& s);
// The defaults of one mode index's block.
void SetDefaultModeBlock(DemodModeBlock& b, int modeIndex);
