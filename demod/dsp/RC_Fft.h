#pragma once
// Power spectrum of a block of real 16-bit or 32-bit samples: the block is windowed, packed as
// N/2 complex values (even samples real, odd samples imaginary) in bit-reversed order, run
// through a complex radix-2 FFT of N/2 points and split into the spectrum of the real signal.
// Power of bin k (k < N/2) is |X[k]|^2, and a quarter of that for bin 0, so a constant input
// and a sinusoid of the same amplitude show the same power. Beside the FFT, a direct evaluation
// of a range of bins serves displays that need only a few.
//
// Storage: one heap block, grown only, holding the bit-reversal table, the work array, the
// power, imaginary and real halves, the twiddles and the window. Transforms allocate nothing.

#include "demod/dsp/FftKernels.h"
#include "demod/dsp/RC_Base.h"

#include <cstddef>
#include <cstdint>

enum RC_FftWindow : int {
    kRC_WindowRectangular = 0,
    kRC_WindowTriangular = 1,
    kRC_WindowHann = 2,
    kRC_WindowHamming = 3,
    kRC_WindowBlackman = 4,
};

class RC_Fft : public RC_Base {
public:
    explicit RC_Fft(RC_Routine routine = RC_DefaultRoutine());
    ~RC_Fft() override;

    // Rounds n up to a power of two from 4 to 2^30; a new size rebuilds the tables, clears the
    // spectrum and rebuilds the window (the old size stays when memory runs out).
    void SetSize(std::uint32_t n);
    // Rebuilds the window when the type changes; unknown types give the rectangular window.
    void SetWindow(int type);

    // The first min(count, N) samples, windowed; missing samples count as 0. Leave the power
    // spectrum, and the real and imaginary halves of twice the spectrum (bin 0: once).
    void Transform16(const std::int16_t* samples, std::uint32_t count);
    void Transform32(const std::int32_t* samples, std::uint32_t count);

    // Bins first..last (held below N/2) evaluated directly over the windowed samples in the work
    // array, with power re^2 + im^2. The 16-bit and 32-bit forms window count samples first.
    void DirectBins(std::uint32_t first, std::uint32_t last);
    void DirectBins16(const std::int16_t* samples, std::uint32_t count, std::uint32_t first, std::uint32_t last);
    void DirectBins32(const std::int32_t* samples, std::uint32_t count, std::uint32_t first, std::uint32_t last);

    std::uint32_t Size() const { return size_; }
    std::uint32_t HalfSize() const { return half_; }
    int WindowType() const { return windowType_; }
    RC_Routine Routine() const { return routine_; }
    const float* Power() const { return power_; }
    const float* RealPart() const { return real_; }
    const float* ImagPart() const { return imag_; }
    const float* WindowTable() const { return window_; }

protected:
    // Lays out storage for the current size and builds the bit-reversal and twiddle tables; the
    // spectrum is cleared. False when memory ran out (the old layout then stays).
    virtual bool Layout();
    virtual void BuildWindow();

private:
    template <typename Sample>
    void Pack(const Sample* samples, std::uint32_t count);
    template <typename Sample>
    void WindowInto(const Sample* samples, std::uint32_t count);
    void Split();

    std::uint32_t size_ = 0;
    RC_FftComplex* work_ = nullptr;
    float* power_ = nullptr;
    float* imag_ = nullptr;
    std::uint32_t half_ = 0;
    float* real_ = nullptr;
    void* storage_ = nullptr;
    std::uint32_t* bitReverse_ = nullptr;
    RC_Routine routine_;
    RC_FftButterfly butterfly_;
    std::size_t capacity_ = 0;
    RC_FftTwiddle* twiddles_ = nullptr;
    float* window_ = nullptr;
    int windowType_ = kRC_WindowRectangular;
};
