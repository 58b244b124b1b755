#include "demod/ui/windows/RC_FilterView.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {
constexpr double kPi = 3.14159265358979323846;
} // namespace

RC_FilterView::RC_FilterView(RC_Window* parent, int x, int y, int width, int height)
    : RC_Analyzer(parent, x, y, width, height) {
    fft_.SetSize(kFftSize);
    ResizeHistory(fft_.Size());
    SetViewedFilter(&filter_);
    // The filter makes every length odd, so one below its length keeps it and still lays out the
    // work array and runs the design.
    SetLength(filter_.Length() - 1);
}

RC_FilterView::~RC_FilterView() { SetViewedFilter(nullptr); }

void RC_FilterView::SetFftSize(std::uint32_t n) {
    std::lock_guard<RC_Lock> hold(dataLock_);
    fft_.SetSize(n);
    ResizeHistory(fft_.Size());
}

void RC_FilterView::ReadTaps32(std::int32_t* buffer) {
    if (buffer == nullptr) return;
    const std::int16_t* taps = filter_.Taps();
    for (std::uint32_t i = 0; i < filter_.Length(); ++i) {
        buffer[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(taps[i])) << 16);
    }
}

void RC_FilterView::ReadTaps16(std::int16_t* buffer) {
    if (buffer == nullptr) return;
    std::copy(filter_.Taps(), filter_.Taps() + filter_.Length(), buffer);
}

std::uint32_t RC_FilterView::FilterBlock(std::int16_t* output, const std::int16_t* input, std::uint32_t count,
                                         std::uint32_t stride) {
    return filter_.FilterStrided(output, input, count, stride, 1);
}

void RC_FilterView::SetLength(std::uint32_t taps) {
    {
        std::lock_guard<RC_Lock> hold(dataLock_);
        if (taps == filter_.Length()) return;
        filter_.SetLength(taps);
        const std::uint32_t l = filter_.Length();
        work_.assign(((l + 1) / 2 + l) + 2, 0.0f);
    }
    SetDeemphasis(deemphasisSlope_);
}

void RC_FilterView::SetHighCutoff(float hertz) {
    if (hertz == filter_.HighCutoff()) return;
    {
        std::lock_guard<RC_Lock> hold(dataLock_);
        filter_.SetHighCutoff(hertz);
    }
    SetDeemphasis(deemphasisSlope_);
}

void RC_FilterView::SetLowCutoff(float hertz) {
    if (hertz == filter_.LowCutoff()) return;
    {
        std::lock_guard<RC_Lock> hold(dataLock_);
        filter_.SetLowCutoff(hertz);
    }
    SetDeemphasis(deemphasisSlope_);
}

void RC_FilterView::SetType(int type) {
    if (type == filter_.Type()) return;
    {
        std::lock_guard<RC_Lock> hold(dataLock_);
        filter_.SetType(type);
    }
    SetDeemphasis(deemphasisSlope_);
}

void RC_FilterView::SetDeemphasis(double s) {
    {
        std::lock_guard<RC_Lock> hold(dataLock_);
        deemphasisSlope_ = s;
        const int type = filter_.Type();
        const std::uint32_t length = filter_.Length();
        const double fs = filter_.SampleRate(), fl = filter_.LowCutoff(), fh = filter_.HighCutoff();
        if (s == 0.0) {
            deemphasisScale_ = deemphasisTop_ = 1.0f;
            filter_.SetType(0); // forces the filter's own design
            filter_.SetType(type);
        } else {
            const double b = std::pow(10.0, s * 0.05);
            double f = (type == 1 || fl == 0) ? 1.0 : 2.0 * fl;
            double e = 1.0;
            while (f < fh) {
                f *= 2;
                e *= b;
            }
            e *= 2 - b - 2 * fh * (1 - b) / f; // the design gain at fh
            double d = 1.0;
            if (e > 1) {
                d = 1 / e;
                e = 1;
            }
            deemphasisScale_ = static_cast<float>(d);
            deemphasisTop_ = static_cast<float>(e);
            if ((type == 1 || type == 3) && length >= 3) {
                const std::uint32_t m = (length + 1) / 2;
                work_.assign(static_cast<std::size_t>(length) + 1 + m + 1, 0.0f);
                float* taps = work_.data();
                float* points = work_.data() + length + 1;
                double g = (type == 1 || fl == 0) ? 1.0 : fl, gain = d;
                for (int guard = 0; g < fh && guard < 64; ++guard) {
                    for (std::uint32_t k = 0; k <= m; ++k) {
                        const double freq = k * fs / (2.0 * m);
                        if (freq >= g && freq < 2 * g && freq < fh) points[k] = static_cast<float>(gain * (2 - b - freq * (1 - b) / g));
                    }
                    g *= 2;
                    gain *= b;
                }
                points[0] *= 0.5f;
                points[m] *= 0.5f;
                for (std::uint32_t k = 0; k <= m; ++k) points[k] /= static_cast<float>(m);
                if (cosineLength_ != length) {
                    cosines_.resize(length - 1);
                    for (std::uint32_t i = 0; i + 1 < length; ++i) cosines_[i] = static_cast<float>(std::cos(2 * kPi * i / (length - 1)));
                    cosineLength_ = length;
                }
                // Frequency sampling with a Blackman window.
                const std::int64_t n = (length - 1) / 2;
                const std::int64_t period = length - 1;
                for (std::uint32_t j = 0; j < length; ++j) {
                    double sum = 0;
                    for (std::int64_t k = 0; k <= n; ++k) {
                        const std::int64_t index = ((k * (static_cast<std::int64_t>(j) - n)) % period + period) % period;
                        sum += points[k] * cosines_[static_cast<std::size_t>(index)];
                    }
                    const double window = 0.42 - 0.5 * std::cos(2 * kPi * j / (length - 1)) + 0.08 * std::cos(4 * kPi * j / (length - 1));
                    taps[j] = static_cast<float>(window * sum);
                }
                filter_.LoadFloatTaps(taps, length);
            }
        }
    }
    MarkStale();
}
