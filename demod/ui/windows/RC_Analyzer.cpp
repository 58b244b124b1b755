#include "demod/ui/windows/RC_Analyzer.h"

#include "demod/ui/toolkit/RC_Cursor.h"
#include "platform/win/Win.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace gdi = plat::gdi;
namespace win = plat::win;

namespace {

constexpr double kPi = 3.14159265358979323846;

int Floor(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(std::floor(v));
}

} // namespace

RC_Analyzer::RC_Analyzer(RC_Window* parent, int x, int y, int width, int height)
    : RC_Window(parent, x, y, width, height, kWindowless) {
    fft_.SetWindow(kRC_WindowBlackman);
    SetBackgroundColour(0x000000);
    SetFrameColour(0x404040);
    SetFrameType(1);
    SetFrameWidth(2);
    OrState(kResponseStale);
}

RC_Analyzer::~RC_Analyzer() = default;

void RC_Analyzer::SetWidth(int width) {
    const int old = Width();
    RC_Window::SetWidth(width);
    if (Width() != old) MarkStale();
}

void RC_Analyzer::Move(int x, int y, int width, int height, bool relayout) {
    const int old = Width();
    RC_Window::Move(x, y, width, height, relayout);
    if (Width() != old) MarkStale();
}

void RC_Analyzer::SetFrameWidth(int width) {
    const int old = FrameWidth();
    RC_Window::SetFrameWidth(width);
    if (FrameWidth() != old && (State() & kConstructing) == 0) MarkStale();
}

void RC_Analyzer::SetStateFlags(std::uint32_t bits) {
    if ((bits & kResponseStale) != 0) {
        const bool was = (OrState(kResponseStale) & kResponseStale) != 0;
        if (!was) Invalidate();
    }
    if ((bits & ~kResponseStale) != 0) RC_Window::SetStateFlags(bits & ~kResponseStale);
}

void RC_Analyzer::ReadTaps32(std::int32_t* buffer) {
    if (buffer == nullptr || viewed_ == nullptr) return;
    std::fill(buffer, buffer + viewed_->Length(), 0);
}

void RC_Analyzer::ReadTaps16(std::int16_t* buffer) {
    if (buffer == nullptr || viewed_ == nullptr) return;
    std::fill(buffer, buffer + viewed_->Length(), static_cast<std::int16_t>(0));
}

float RC_Analyzer::Fs() const { return viewed_ != nullptr ? viewed_->SampleRate() : fallbackRate_; }

float RC_Analyzer::DisplayTop() const { return maxFrequency_ > 0.0f ? maxFrequency_ : Fs() / 2.0f; }

void RC_Analyzer::SetMaxFrequency(float hertz) {
    if (hertz == maxFrequency_) return;
    maxFrequency_ = hertz;
    Invalidate();
}

void RC_Analyzer::SetMode(int mode) {
    mode_ = mode;
    Invalidate();
}

void RC_Analyzer::SetSampleRate(float hertz) {
    if (viewed_ == nullptr || hertz == viewed_->SampleRate()) return;
    {
        std::lock_guard<RC_Lock> hold(dataLock_);
        viewed_->SetSampleRate(hertz);
    }
    MarkStale();
}

void RC_Analyzer::SetOption1(bool edgesShown) {
    if (static_cast<int>(edgesShown) == edgesShown_) return;
    edgesShown_ = edgesShown ? 1 : 0;
    Invalidate();
}

void RC_Analyzer::SetOption2(int margin) {
    if (margin == margin_) return;
    margin_ = margin;
    Invalidate();
}

void RC_Analyzer::SetOption3(bool responseShown) {
    if (static_cast<int>(responseShown) == responseShown_) return;
    responseShown_ = responseShown ? 1 : 0;
    Invalidate();
}

void RC_Analyzer::SetOption4(int edgeZone) {
    if (edgeZone == edgeZone_) return;
    edgeZone_ = edgeZone;
    Invalidate();
}

void RC_Analyzer::SetFilterApplied(bool applied) {
    {
        // The audio thread reads it while it adds samples, under the same lock.
        std::lock_guard<RC_Lock> hold(dataLock_);
        filterOff = applied ? 0 : 1;
    }
    SetOption1(applied);
    SetOption3(applied);
}

void RC_Analyzer::ResizeHistory(std::uint32_t entries) {
    std::lock_guard<RC_Lock> hold(dataLock_);
    if (entries <= historySize_) return;
    history_.assign(2 * static_cast<std::size_t>(entries), 0);
    historySize_ = entries;
}

void RC_Analyzer::AddSamples(std::int16_t* output, const std::int16_t* input, std::uint32_t count, std::uint32_t stride) {
    if (input == nullptr || stride == 0) return;
    const std::uint32_t n = count / stride;
    std::lock_guard<RC_Lock> hold(dataLock_);
    const std::uint32_t h = std::min(fft_.Size(), historySize_);
    std::int16_t* inputHistory = history_.data();
    std::int16_t* filteredHistory = history_.data() + historySize_;
    auto append = [h](std::int16_t* hist, std::uint32_t added, auto at) {
        // Moves the history `added` entries towards its start and puts the newest at its end.
        const std::uint32_t keep = added < h ? h - added : 0;
        if (keep != 0) std::copy(hist + (h - keep), hist + h, hist);
        const std::uint32_t take = std::min(added, h);
        for (std::uint32_t i = 0; i < take; ++i) hist[keep + i] = at(added - take + i);
    };
    const bool repaint = repaintDivisor <= 0 || blocks_ % static_cast<std::uint32_t>(repaintDivisor) == 0;
    if ((mode_ == 1 || filterOff != 0) && h != 0) {
        append(inputHistory, n, [&](std::uint32_t i) { return input[static_cast<std::size_t>(i) * stride]; });
        fft_.Transform16(inputHistory, h);
        if (repaint) Invalidate();
    }
    if (filterOff == 0) {
        static thread_local std::vector<std::int16_t> scratch;
        std::int16_t* dest = output;
        if (dest == nullptr) {
            scratch.resize(n);
            dest = scratch.data();
        }
        const std::uint32_t made = FilterBlock(dest, input, count, stride);
        if (mode_ == 2 && h != 0) {
            append(filteredHistory, std::min(made, n), [&](std::uint32_t i) { return dest[i]; });
            fft_.Transform16(filteredHistory, h);
            if (repaint) Invalidate();
        }
    } else if (output != nullptr) {
        for (std::uint32_t i = 0; i < n; ++i) output[i] = input[static_cast<std::size_t>(i) * stride];
    }
    ++blocks_;
}

void RC_Analyzer::ComputeResponse(int points) {
    if (points <= 0 || viewed_ == nullptr) {
        response_.clear();
        return;
    }
    const std::uint32_t length = viewed_->Length();
    std::vector<std::int32_t> taps(length);
    ReadTaps32(taps.data());
    const std::uint32_t keep = tapBits >= 32 ? 0xFFFFFFFFu : tapBits <= 0 ? 0u : ~((1u << (32 - tapBits)) - 1u);
    std::vector<double> t(length);
    for (std::uint32_t j = 0; j < length; ++j) {
        t[j] = static_cast<std::int32_t>(static_cast<std::uint32_t>(taps[j]) & keep) * std::ldexp(1.0, -31);
    }
    response_.assign(static_cast<std::size_t>(points), 0.0f);
    for (int i = 0; i < points; ++i) {
        const double w = kPi * i / points;
        double re = 0, im = 0;
        for (std::uint32_t j = 0; j < length; ++j) {
            re += t[j] * std::cos(j * w);
            im += t[j] * std::sin(j * w);
        }
        response_[static_cast<std::size_t>(i)] = static_cast<float>(std::sqrt(re * re + im * im));
    }
}

RC_Colour RC_Analyzer::Dim(RC_Colour c) const {
    if (!EnabledChain()) c = RC_BlendColour(BackgroundColour(), c, 2, 1);
    return RC_SwapRedBlue(c);
}

void RC_Analyzer::DrawSpectrum(int plotHeight) {
    const std::uint32_t h = fft_.Size();
    const float fs = Fs(), top = DisplayTop();
    if (h < 4 || fs <= 0 || top <= 0) return;
    const int w = bitmap_.Width();
    const std::uint32_t last = std::min(static_cast<std::uint32_t>(std::floor(h * top / fs)), h / 2 - 1);
    const int bottom = bitmap_.Height() - 1;
    const float* power = fft_.Power();
    auto yOf = [&](double amplitude) {
        if (!(amplitude > 0.0001)) return bottom;
        return std::min(margin_ - Floor(std::log10(amplitude) * plotHeight / 4) - 2, bottom);
    };
    const RC_Colour colour = Dim(spectrumColour);
    const int left = margin_ - 1, span = std::max(w - 2 * margin_ + 1, 1);
    int px = left, py = yOf(std::sqrt(power[0]) * 4.0 / (h * 65535.0));
    for (std::uint32_t k = 1; k <= last; ++k) {
        const int x = left + static_cast<int>(static_cast<std::uint64_t>(k) * static_cast<std::uint64_t>(span) / std::max(last, 1u));
        const int y = yOf(std::sqrt(power[k]) * 4.0 / (h * 65535.0));
        for (int cx = px; cx < x || (cx == x && k == last); ++cx) {
            const int cy = x == px ? y : py + (y - py) * (cx - px) / (x - px);
            bitmap_.VLine(cx, std::max(cy, margin_ - 1), bottom, colour);
        }
        px = x, py = y;
    }
}

void RC_Analyzer::DrawResponse(int plotHeight) {
    const float fs = Fs(), top = DisplayTop();
    if (response_.empty() || top <= 0) return;
    const int bottom = bitmap_.Height() - 1;
    const RC_Colour colour = Dim(responseColour);
    auto yOf = [&](double m) {
        if (!(m > 0.0001)) return bottom;
        return std::clamp(margin_ - Floor(std::log10(m) * plotHeight / 4) - 2, margin_ - 1, bottom);
    };
    int px = 0, py = 0;
    for (std::size_t i = 0; i < response_.size(); ++i) {
        const int x = Floor((margin_ - 1 + static_cast<double>(i) * columnsPerPoint) * (fs / 2.0) / top);
        const int y = yOf(response_[i]);
        if (i != 0) bitmap_.DrawLine(px, py, x, y, colour);
        px = x, py = y;
    }
}

void RC_Analyzer::DrawEdges() {
    if (viewed_ == nullptr) return;
    const int w = bitmap_.Width(), h = bitmap_.Height();
    const float top = DisplayTop();
    const int type = viewed_->Type();
    const float fl = viewed_->LowCutoff(), fh = viewed_->HighCutoff();
    const int plotWidth = w - margin_;
    auto xOf = [&](double f) { return std::clamp(margin_ / 2 + Floor(plotWidth * f / top), margin_ - 1, w - margin_); };
    const int xl = xOf(fl), xh = xOf(fh);
    const RC_Colour colour = Dim(edgeColour);
    const int rings = std::max(margin_, 1);
    for (int r = 0; r < rings; ++r) {
        const int t = margin_ - 1 - r, b = h - 1;
        const int l = xl - r, hh = xh + r;      // edges moved into the stop band
        const int lIn = xl + r, hIn = xh - r;   // for the band-stop, inwards
        auto topChain = [&](int from, int to, double f0) {
            if (deemphasisSlope_ == 0.0) {
                bitmap_.HLine(from, to, t, colour);
                return;
            }
            // One straight line per octave, each falling by the slope.
            double att = -20.0 * std::log10(std::max(deemphasisScale_, 1e-6f));
            double g = std::max(f0, 1.0);
            int x0 = from;
            while (g < fh) {
                const double end = std::min(2 * g, static_cast<double>(fh));
                const double next = att - deemphasisSlope_ * std::log2(end / g);
                const int x1 = end >= fh ? to : xOf(end);
                const int y0 = std::min(t + Floor(att * (h - 1) / 80), b), y1 = std::min(t + Floor(next * (h - 1) / 80), b);
                bitmap_.DrawLine(x0, y0, x1, y1, colour);
                x0 = x1, att = next, g *= 2;
            }
        };
        switch (type) {
        case 1:
            topChain(0, hh, 1.0);
            bitmap_.VLine(hh, t, b, colour);
            bitmap_.HLine(hh, w - 1, b, colour);
            break;
        case 2:
            bitmap_.HLine(0, l, b, colour);
            bitmap_.VLine(l, t, b, colour);
            bitmap_.HLine(l, w - 1, t, colour);
            break;
        case 3:
            bitmap_.HLine(0, l, b, colour);
            bitmap_.VLine(l, t, b, colour);
            topChain(l, hh, fl > 0 ? fl : 1.0);
            bitmap_.VLine(hh, t, b, colour);
            bitmap_.HLine(hh, w - 1, b, colour);
            break;
        case 4:
            bitmap_.HLine(0, lIn, t, colour);
            bitmap_.VLine(lIn, t, b, colour);
            bitmap_.HLine(lIn, hIn, b, colour);
            bitmap_.VLine(hIn, t, b, colour);
            bitmap_.HLine(hIn, w - 1, t, colour);
            break;
        default:
            break;
        }
    }
}

void RC_Analyzer::PaintContent() {
    RC_Window::PaintContent();
    gdi::Rect content = ContentRect();
    const int th = TextHeight("0");
    const int labelWidth = TextWidth("-80dB");
    std::lock_guard<RC_Lock> hold(dataLock_);
    Context()->SetTextColor(EnabledChain() ? spectrumColour : RC_BlendColour(BackgroundColour(), spectrumColour, 2, 1));
    SetBackgroundModeOfContext(1);
    if (dbLabels != 0) {
        const int divisions = std::max(dbDivisions, 1), step = std::max(dbLabelStep, 1);
        const int span = content.Height() - th - (frequencyLabels != 0 ? th : 0);
        for (int k = 0; k <= divisions; k += step) {
            text_.SetLength(0);
            text_.AppendFormat("%ddB", -(k * 80 / divisions));
            TextOut(content.left, content.top + k * span / divisions, text_.Text());
        }
        content.left += labelWidth;
    }
    if (frequencyLabels != 0) {
        text_.SetLength(0);
        text_.AppendFrequency(false, 0.0, false, 0);
        TextOut(content.left, content.bottom - th, text_.Text());
        text_.SetLength(0);
        text_.AppendFrequency(false, DisplayTop(), false, 0);
        TextOut(content.right - TextWidth(text_.Text()), content.bottom - th, text_.Text());
        content.bottom -= th;
    }
    plot_ = content;
    if ((AndState(~kResponseStale) & kResponseStale) != 0 || response_.empty()) {
        const int points = (ContentRect().Width() - 2 * margin_ - (dbLabels != 0 ? labelWidth : 0)) / std::max(columnsPerPoint, 1);
        ComputeResponse(points);
    }
    if (content.Width() <= 0 || content.Height() <= 0) return;
    bitmap_.SetSize(content.Width(), content.Height());
    bitmap_.Clear(Dim(BackgroundColour()));
    const int w = bitmap_.Width(), h = bitmap_.Height();
    const RC_Colour grid = Dim(gridColour);
    if (horizontalGrid != 0) {
        const int d = std::max(dbDivisions, 1);
        for (int k = 0; k <= d; ++k) bitmap_.HLine(margin_ - 1, w - 2 * margin_ + 1, margin_ + k * (h - 2 * margin_ + 1) / d - 1, grid);
    }
    if (verticalGrid != 0) {
        const int d = std::max(verticalDivisions, 1);
        for (int k = 0; k <= d; ++k) bitmap_.VLine(margin_ + k * (w - 2 * margin_ + 1) / d - 1, margin_ - 1, h - 2 * margin_ + 1, grid);
    }
    const int plotHeight = h - 2 * margin_;
    if (mode_ != 0) DrawSpectrum(plotHeight);
    if (responseShown_ != 0) DrawResponse(plotHeight);
    if (edgesShown_ != 0) DrawEdges();
    auto view = gdi::Bitmap::Wrap(bitmap_.Pixels(), w, h, 32, static_cast<int>(bitmap_.Stride()));
    if (view) Context()->DrawBitmap(content.left, content.top, *view);
}

void RC_Analyzer::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    const gdi::Rect& p = plot_;
    const bool inside = x >= p.left && x < p.right && y >= p.top && y < p.bottom;
    if (edgesShown_ == 0 || viewed_ == nullptr || kind > kLeftUp) {
        RC_Window::MouseEvent(kind, keys, x, y);
        return;
    }
    const int w = std::max(p.right - p.left - 1, 1);
    const float top = DisplayTop();
    const float fl = viewed_->LowCutoff(), fh = viewed_->HighCutoff();
    const int type = viewed_->Type();
    const int xh = p.left + Floor(w * static_cast<double>(fh) / top);
    const int xl = p.left + Floor(w * static_cast<double>(fl) / top);
    const float pointer = static_cast<float>(top * (x - p.left) / w);
    const auto resize = RC_GetSharedCursors().spinnerHorizontal.Handle();
    const auto band = RC_GetSharedCursors().resizeHorizontal.Handle();
    auto fire = [this](RC_Callback<RC_ActionFn>& cb) {
        if (cb) cb.fn(cb.user, this);
    };
    bool handled = false;
    if (inside) {
        if (kind == kMouseMove) {
            const bool highType = type == 1 || type == 3 || type == 4;
            const bool lowType = type == 2 || type == 3 || type == 4;
            const bool bandType = type == 3 || type == 4;
            const bool nearTop = type == 3 ? y - p.top <= margin_ : p.bottom - 1 - y <= margin_;
            if (highType && (dragState_ == kIdle || dragState_ == -kHigh) && std::abs(x - xh) <= margin_) {
                SetStateFlags(kCapture);
                dragState_ = -kHigh;
                SetCursorShape(resize);
                handled = true;
            } else if (highType && dragState_ == kHigh) {
                ApplyHighCutoff(pointer);
                fire(onHighEdge);
                SetCursorShape(resize);
                handled = true;
            } else if (lowType && (dragState_ == kIdle || dragState_ == -kLow) && std::abs(x - xl) <= margin_) {
                SetStateFlags(kCapture);
                dragState_ = -kLow;
                SetCursorShape(resize);
                handled = true;
            } else if (lowType && dragState_ == kLow) {
                ApplyLowCutoff(pointer);
                fire(onLowEdge);
                SetCursorShape(resize);
                handled = true;
            } else if (bandType && (dragState_ == kIdle || dragState_ == -kBand) && x >= xl + margin_ && x <= xh - margin_ && nearTop) {
                SetStateFlags(kCapture);
                dragState_ = -kBand;
                anchorX_ = x;
                SetCursorShape(band);
                handled = true;
            } else if (bandType && dragState_ == kBand) {
                const float width = fh - fl;
                float low = std::max(fl + top * static_cast<float>(x - anchorX_) / static_cast<float>(w), 1.0f);
                if (low + width > top) low = std::max(top - width, 1.0f); // pushed against the top
                ApplyLowCutoff(low);
                ApplyHighCutoff(low + width);
                fire(onLowEdge);
                fire(onHighEdge);
                SetCursorShape(band);
                anchorX_ = x;
                handled = true;
            }
        } else if (kind == kLeftDown) {
            if (dragState_ < 0) {
                dragState_ = -dragState_;
                handled = true;
            } else if (dragState_ == kIdle && mode_ != 0) {
                const int zone = edgeZone_;
                bool stop = false;
                if ((type == 1 || type == 3) && x > xh + zone) stop = true;
                if ((type == 2 || type == 3) && x < xl - zone) stop = true;
                if (type == 4 && x > xl + zone && x < xh - zone) stop = true;
                SetMode(stop ? 1 : 2);
                handled = true;
            }
        } else if (kind == kLeftUp && dragState_ > 0) {
            dragState_ = -dragState_;
            handled = true;
        }
    }
    if (!handled && dragState_ != kIdle && (keys & win::MK_LBUTTON) == 0 && !(kind == kLeftDown)) {
        SetCursorShape(win::LoadCursor(win::IDC_ARROW));
        ClearStateFlags(kCapture);
        dragState_ = kIdle;
    }
}
