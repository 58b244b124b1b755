#pragma once
// Recovers the bits of a binary signal at a known bit rate from the signs of its samples. A
// countdown to the next bit centre runs one sample at a time; each zero crossing pulls the
// timing towards the crossing lying half a bit after a centre, by the fraction `gain`, so the
// slicer follows a transmitter whose clock is a little off.

#include <cstdint>

class RC_BitSlicer {
public:
    using BitCallback = void (*)(void* user, int bit);

    RC_BitSlicer() = default;
    virtual ~RC_BitSlicer() = default;

    // Slices n samples, calling the callback once per recovered bit (1 for a sample >= 0).
    void Process(const std::int16_t* samples, std::uint32_t n);

    void SetCallback(BitCallback callback, void* user) {
        callback_ = callback;
        user_ = user;
    }

    std::int16_t previous = 0; // sign source of the last sample
    double timing = 0.0;       // position of the last bit centre, in samples from now
    double countdown = 0.0;    // samples to the next bit centre
    double bitRate = 1000.0;
    double gain = 0.01;        // fraction of the timing error corrected per crossing
    double coefficient = 0.0008; // kept with the settings; the slicing does not use it
    double sampleRate = 44100.0;

private:
    BitCallback callback_ = nullptr;
    void* user_ = nullptr;
};
