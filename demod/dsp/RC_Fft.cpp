#include "demod/dsp/RC_Fft.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/StorageAlign.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr std::uint32_t kLargest = 1u << 30;

std::uint32_t PowerOfTwoAtLeast(std::uint32_t n) {
    if (n <= 4) {
        return 4;
    }
    if (n >= kLargest) {
        return kLargest;
    }
    std::uint32_t size = 4;
    while (size < n) {
        size *= 2;
    }
    return size;
}

double WindowValue(int type, std::uint32_t k, std::uint32_t n) {
    const double a = 2.0 * std::numbers::pi * k / n;
    switch (type) {
    case kRC_WindowTriangular:
        return static_cast<double>(k) / (n / 2);
    case kRC_WindowHann:
        return 1.0 - std::cos(a);
    case kRC_WindowHamming:
        return 0.54 - 0.46 * std::cos(a);
    case kRC_WindowBlackman:
        return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2.0 * a);
    default:
        return 1.0;
    }
}

} // namespace

RC_Fft::RC_Fft(RC_Routine routine) : routine_(routine), butterfly_(RC_SelectFftButterfly(routine)) {
    SetSize(512);
}

RC_Fft::~RC_Fft() { RC_Free(storage_); }

void RC_Fft::SetSize(std::uint32_t n) {
    if (RC_ChangeLayout(size_, PowerOfTwoAtLeast(n), [this] { return Layout(); })) {
        BuildWindow();
    }
}

void RC_Fft::SetWindow(int type) {
    if (type != windowType_) {
        windowType_ = type;
        BuildWindow();
    }
}

bool RC_Fft::Layout() {
    const std::size_t half = size_ / 2;
    const std::size_t floats = RC_AlignStorage(half * sizeof(float));
    const std::size_t complexes = RC_AlignStorage(half * sizeof(RC_FftComplex));
    const std::size_t indices = RC_AlignStorage(half * sizeof(std::uint32_t));
    const std::size_t windowBytes = RC_AlignStorage(std::size_t{size_} * sizeof(float));
    const std::size_t needed = indices + 2 * complexes + 3 * floats + windowBytes;
    if (!RC_GrowBlock(storage_, capacity_, needed)) {
        return false;
    }
    auto* at = static_cast<std::byte*>(storage_);
    const auto take = [&at](std::size_t bytes) {
        std::byte* p = at;
        at += bytes;
        return p;
    };
    half_ = static_cast<std::uint32_t>(half);
    bitReverse_ = reinterpret_cast<std::uint32_t*>(take(indices));
    work_ = reinterpret_cast<RC_FftComplex*>(take(complexes));
    power_ = reinterpret_cast<float*>(take(floats));
    imag_ = reinterpret_cast<float*>(take(floats));
    real_ = reinterpret_cast<float*>(take(floats));
    twiddles_ = reinterpret_cast<RC_FftTwiddle*>(take(complexes));
    window_ = reinterpret_cast<float*>(take(windowBytes));

    std::uint32_t bits = 0;
    while ((1u << bits) < half_) {
        ++bits;
    }
    for (std::uint32_t j = 0; j < half_; ++j) {
        std::uint32_t reversed = 0;
        for (std::uint32_t b = 0; b < bits; ++b) {
            reversed |= ((j >> b) & 1u) << (bits - 1 - b);
        }
        bitReverse_[j] = reversed;
    }
    for (std::uint32_t k = 0; k < half_; ++k) {
        const double a = 2.0 * std::numbers::pi * k / size_;
        twiddles_[k] = {static_cast<float>(-std::sin(a)), static_cast<float>(std::cos(a))};
    }
    std::memset(work_, 0, half * sizeof(RC_FftComplex));
    std::memset(power_, 0, half * sizeof(float));
    std::memset(imag_, 0, half * sizeof(float));
    std::memset(real_, 0, half * sizeof(float));
    return true;
}

void RC_Fft::BuildWindow() {
    if (window_ == nullptr) {
        return;
    }
    double sum = 0.0;
    for (std::uint32_t k = 0; k < half_; ++k) {
        const double v = WindowValue(windowType_, k, size_);
        sum += 2.0 * v;
        window_[k] = static_cast<float>(v);
        window_[size_ - 1 - k] = static_cast<float>(v);
    }
    // Mean 1, so a constant input gives the same bin-0 power under every window.
    const double scale = sum > 0.0 ? size_ / sum : 1.0;
    for (std::uint32_t k = 0; k < half_; ++k) {
        const auto v = static_cast<float>(window_[k] * scale);
        window_[k] = v;
        window_[size_ - 1 - k] = v;
    }
}

template <typename Sample>
void RC_Fft::Pack(const Sample* samples, std::uint32_t count) {
    count = samples == nullptr ? 0 : std::min(count, size_);
    for (std::uint32_t j = 0; j < half_; ++j) {
        const std::uint32_t even = 2 * j;
        const float re = even < count ? static_cast<float>(samples[even]) * window_[even] : 0.0f;
        const float im = even + 1 < count ? static_cast<float>(samples[even + 1]) * window_[even + 1] : 0.0f;
        work_[bitReverse_[j]] = {re, im};
    }
}

void RC_Fft::Split() {
    const RC_FftComplex* x = work_;
    real_[0] = x[0].re + x[0].im;
    imag_[0] = 0.0f;
    for (std::uint32_t j = 1; j < half_; ++j) {
        const RC_FftComplex a = x[j];
        const RC_FftComplex b = x[half_ - j];
        const float s = twiddles_[j].s;
        const float c = twiddles_[j].c;
        real_[j] = s * (a.re - b.re) + (a.re + b.re) + c * (b.im + a.im);
        imag_[j] = a.im - b.im + s * (b.im + a.im) - c * (a.re - b.re);
    }
    for (std::uint32_t k = 0; k < half_; ++k) {
        power_[k] = (real_[k] * real_[k] + imag_[k] * imag_[k]) * 0.25f;
    }
}

void RC_Fft::Transform16(const std::int16_t* samples, std::uint32_t count) {
    Pack(samples, count);
    butterfly_(work_, half_, twiddles_);
    Split();
}

void RC_Fft::Transform32(const std::int32_t* samples, std::uint32_t count) {
    Pack(samples, count);
    butterfly_(work_, half_, twiddles_);
    Split();
}

template <typename Sample>
void RC_Fft::WindowInto(const Sample* samples, std::uint32_t count) {
    count = samples == nullptr ? 0 : std::min(count, size_);
    float* data = &work_[0].re;
    for (std::uint32_t k = 0; k < size_; ++k) {
        data[k] = k < count ? static_cast<float>(samples[k]) * window_[k] : 0.0f;
    }
}

void RC_Fft::DirectBins(std::uint32_t first, std::uint32_t last) {
    last = std::min(last, half_ - 1);
    const float* data = &work_[0].re;
    for (std::uint32_t k = first; k <= last; ++k) {
        // The phasor turns by pi k / (N/2) per sample, by repeated multiplication.
        const double angle = -std::numbers::pi * k / half_;
        const double stepRe = std::cos(angle);
        const double stepIm = std::sin(angle);
        double pRe = 1.0;
        double pIm = 0.0;
        double re = 0.0;
        double im = 0.0;
        for (std::uint32_t n = 0; n < size_; ++n) {
            re += data[n] * pRe;
            im += data[n] * pIm;
            const double next = pRe * stepRe - pIm * stepIm;
            pIm = pRe * stepIm + pIm * stepRe;
            pRe = next;
        }
        real_[k] = static_cast<float>(re);
        imag_[k] = static_cast<float>(im);
        power_[k] = static_cast<float>(re * re + im * im);
    }
}

void RC_Fft::DirectBins16(const std::int16_t* samples, std::uint32_t count, std::uint32_t first,
                          std::uint32_t last) {
    WindowInto(samples, count);
    DirectBins(first, last);
}

void RC_Fft::DirectBins32(const std::int32_t* samples, std::uint32_t count, std::uint32_t first,
                          std::uint32_t last) {
    WindowInto(samples, count);
    DirectBins(first, last);
}
