#pragma once
// Software automatic gain control: one record and one gain law for the three stages of the
// demodulator (16-bit input, complex channel signal, 32-bit audio). The owner fills every field;
// gain and envelope carry over from block to block.
//
// Per sample: target = reference / envelope; a gain above the target falls by the fraction
// `attack` of the distance, otherwise it rises by the fraction `decay`; the output is the input
// times the new gain, saturated symmetrically.

#include <cstdint>

struct RC_Agc {
    double gain;
    double envelope;          // in sample units, at least 1
    double attack;            // fraction of the distance per sample while the gain must fall
    double decay;             // fraction of the distance per sample while the gain may rise
    double envelopeBandwidth; // Hz, for the 16-bit and 32-bit stages
    double reference;         // level the output is regulated to
    double sampleRate;        // Hz

    // Every stride-th of count samples in place; the envelope follows |x| with the weight
    // exp(-2 pi bandwidth / rate) on the new sample.
    void Process16(std::int16_t* samples, std::uint32_t count, std::uint32_t stride);
    void Process32(std::int32_t* samples, std::uint32_t count, std::uint32_t stride);
    // I and Q in place; the envelope is the instantaneous magnitude (not smoothed, not stored).
    void ProcessIQ(std::int32_t* i, std::int32_t* q, std::uint32_t count);
};
