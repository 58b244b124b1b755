// The graph's painting: spectrum, spectrogram and scope into the off-screen bitmap, then the
// texts (labels, header, read-outs) onto the window around and over it.

#include "demod/ui/toolkit/RC_Graph.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace gdi = plat::gdi;

namespace {

constexpr int kPaletteBarSpace = 15;
constexpr int kPaletteBarWidth = 10;

int Truncate(double v) {
    if (!(v > -2147483647.0)) return -2147483647;
    if (v > 2147483647.0) return 2147483647;
    return static_cast<int>(v);
}

} // namespace

std::uint32_t RC_Graph::Ink(std::uint32_t colour) const {
    if (!paintedEnabled_) colour = RC_BlendColour(BackgroundColour(), colour, 2, 1);
    return RC_SwapRedBlue(colour);
}

void RC_Graph::ShownBins(std::uint32_t& lo, std::uint32_t& hi) const {
    const double perHz = static_cast<double>(points_ - 1) / rate_;
    const std::uint32_t half = points_ / 2;
    lo = static_cast<std::uint32_t>(std::clamp(Truncate(perHz * minimum_), 0, static_cast<int>(half) - 1));
    hi = static_cast<std::uint32_t>(std::max(Truncate(perHz * maximum_), 0));
    hi = std::min({hi, half - 1, lo + half - 1});
    hi = std::max(hi, lo); // a span narrower than one bin still shows one
}

int RC_Graph::XOfValue(double value) const {
    return plot_.left + Truncate((plot_.Width() - 1) * (value - minimum_) / (maximum_ - minimum_));
}

double RC_Graph::ValueOfX(int x) const {
    const int w = std::max(plot_.Width() - 1, 1);
    return minimum_ + (maximum_ - minimum_) * (x - plot_.left) / w;
}

void RC_Graph::Layout() {
    gdi::Rect plot = ContentRect();
    const std::uint32_t style = FlagsA();
    if ((style & kAxisLabels) != 0) plot.bottom -= TextHeight("0");
    if (mode_ != 0 && (style & kLevelLabels) != 0) plot.left += TextWidth("-100dB") + 4;
    if (mode_ == 2 && (style & kPaletteBar) != 0) plot.left += kPaletteBarSpace;
    if (plot.right < plot.left) plot.right = plot.left;
    if (plot.bottom < plot.top) plot.bottom = plot.top;
    plot_ = plot;
}

void RC_Graph::ComputeSpectrum(int trace, std::uint32_t lo, std::uint32_t hi, std::vector<int>& heights) {
    const std::uint32_t n = points_;
    const std::size_t traces = traceColours_.size();
    std::int32_t* work = samples_.data() + static_cast<std::size_t>(n) * traces;
    for (std::uint32_t i = 0; i < n; ++i) work[i] = samples_[i * traces + static_cast<std::size_t>(trace)];
    fft_.SetSize(n);
    const bool direct = n / 12 >= hi - lo + 1;
    if (direct) {
        fft_.DirectBins32(work, n, lo, hi);
    } else {
        fft_.Transform32(work, n);
    }
    const std::uint32_t half = n / 2;
    // Power is scaled so that a full-scale sinusoid reads 0 dB; bins a direct evaluation did not
    // compute read 0.
    const double fullScale = std::ldexp(1.0, std::clamp(sampleBits, 1, 31)) - 1.0;
    const double k = 4.0 / (fullScale * n);
    const auto scale = static_cast<float>(k * k);
    power_.assign(half, 0.0f);
    const float* raw = fft_.Power();
    for (std::uint32_t i = direct ? lo : 0; i <= (direct ? hi : half - 1); ++i) power_[i] = raw[i] * scale;
    const float* power = power_.data();
    if (onRawSpectrum) onRawSpectrum.fn(onRawSpectrum.user, this, power, half);
    const bool linear = (FlagsA() & kLinear) != 0;
    const bool averaged = (FlagsB() & kAveraging) != 0;
    float* stored = history_.data() + static_cast<std::size_t>(half) * static_cast<std::size_t>(trace);
    for (std::uint32_t i = lo; i <= hi; ++i) {
        const float value = linear ? power[i] : 10.0f * std::log10(power[i] + 1e-30f);
        stored[i] = averaged ? (1.0f - averaging) * stored[i] + averaging * value : value;
    }
    // The owner may change what is drawn (a display correction), never what is averaged next time.
    shown_.assign(stored, stored + half);
    if (onDbSpectrum) onDbSpectrum.fn(onDbSpectrum.user, this, shown_.data(), half);
    const int h = plot_.Height();
    heights.resize(hi - lo + 1);
    for (std::uint32_t i = lo; i <= hi; ++i) {
        const float v = shown_[i];
        const double t = linear ? (v - linearBottom) / static_cast<double>(linearTop - linearBottom)
                                : 1.0 - v / static_cast<double>(dbRange);
        heights[i - lo] = std::max(Truncate(h * t), 0);
    }
    if ((FlagsB() & kSmoothing) != 0 && heights.size() > 2) {
        const double a = std::exp(-2.0 * 3.14159265358979323846 * smoothingFrequency / rate_);
        for (std::size_t i = 1; i < heights.size(); ++i) heights[i] = Truncate(a * heights[i - 1] + (1 - a) * heights[i]);
        for (std::size_t i = heights.size() - 1; i-- > 0;) heights[i] = Truncate(a * heights[i + 1] + (1 - a) * heights[i]);
    }
}

std::uint32_t RC_Graph::BandColourAt(int x, int trace) const {
    for (std::size_t b = 0; b < bands_.size(); ++b) {
        const Band& band = bands_[b];
        if (x >= band.pixelFrom && x <= band.pixelTo) {
            if (onBandColour) return onBandColour.fn(onBandColour.user, const_cast<RC_Graph*>(this), trace, static_cast<int>(b));
            return band.drawnColour;
        }
    }
    return traceColours_[static_cast<std::size_t>(trace)];
}

void RC_Graph::DrawGridAndAxes(int plotHeight, int hDivisions) {
    const std::uint32_t style = FlagsA();
    const int w = bitmap_.Width(), h = plotHeight;
    const std::uint32_t grid = Ink(gridColour);
    const int xd = std::max(xDivisions_, 1);
    if ((style & kVerticalGrid) != 0) {
        if (mode_ == 1 && labelStep_ > 0) {
            const std::uint32_t strong = Ink(RC_ScaleColour(gridColour, 2, 1));
            const double first = std::ceil((minimum_ + centreOffset_) / labelStep_) * labelStep_;
            int guard = 0;
            for (double v = first; v <= maximum_ + centreOffset_ && guard < 4096; v += labelStep_, ++guard) {
                const int x = XOfValue(v - centreOffset_) - plot_.left;
                const bool onMajor = std::fmod(std::fabs(v), labelStep_ * 10) < labelStep_ * 0.5;
                bitmap_.VLine(x, 0, h - 1, onMajor ? strong : grid);
            }
        } else {
            for (int i = 0; i <= xd; ++i) bitmap_.VLine(i * (w - 1) / xd, 0, h - 1, grid);
        }
    }
    if ((style & kHorizontalGrid) != 0 && hDivisions > 0) {
        for (int j = 0; j <= hDivisions; ++j) bitmap_.HLine(0, w - 1, j * (h - 1) / hDivisions, grid);
    }
    const int yd = std::max(yDivisions, 1);
    if ((style & kHorizontalAxis) != 0) {
        const int row = mode_ == 1 ? h - 1 : std::clamp(xAxisAt, 0, yd) * (h - 1) / yd;
        bitmap_.HLine(0, w - 1, row, grid);
        const int subs = std::max(xSubTicks, 1);
        for (int i = 0; i <= xd * subs; ++i) {
            const int x = i * (w - 1) / (xd * subs);
            const bool division = i % subs == 0;
            if (division && (style & kVerticalGrid) != 0) continue;
            const int reach = division ? 2 * xTick : xTick;
            bitmap_.VLine(x, row - reach, row + reach, grid);
        }
    }
    if ((style & kVerticalAxis) != 0) {
        const int column = std::clamp(yAxisAt, 0, xd) * (w - 1) / xd;
        bitmap_.VLine(column, 0, h - 1, grid);
        const int subs = std::max(ySubTicks, 1);
        for (int j = 0; j <= yd * subs; ++j) {
            const int y = j * (h - 1) / (yd * subs);
            const bool division = j % subs == 0;
            if (division && (style & kHorizontalGrid) != 0) continue;
            const int reach = division ? 2 * yTick : yTick;
            bitmap_.HLine(column - reach, column + reach, y, grid);
        }
    }
}

void RC_Graph::DrawTrace(const std::vector<int>& heights, int top, int height, int trace, std::uint32_t colour) {
    const int w = bitmap_.Width();
    const int bottom = top + height - 1;
    const std::size_t bins = heights.size();
    if (bins == 0 || w <= 0 || height <= 0) return;
    auto yOf = [&](int hgt) { return bottom - std::min(hgt, height - 1); };
    auto xOf = [&](std::size_t k) { return bins == 1 ? 0 : static_cast<int>(k * static_cast<std::size_t>(w - 1) / (bins - 1)); };
    const bool banded = !bands_.empty();
    auto colourAt = [&](int x) { return banded ? Ink(BandColourAt(x + plot_.left, trace)) : colour; };
    if (bins == 1) {
        const int y = yOf(heights[0]);
        if (traceStyle == 2) {
            bitmap_.FillRect(0, y, w - 1, bottom, colourAt(0));
        } else {
            bitmap_.HLine(0, w - 1, y, colourAt(0));
        }
        return;
    }
    for (std::size_t k = 1; k < bins; ++k) {
        const int x0 = xOf(k - 1), x1 = xOf(k);
        const int y0 = yOf(heights[k - 1]), y1 = yOf(heights[k]);
        switch (traceStyle) {
        case 0: // one pixel per column, the columns between bins interpolated
            for (int x = x0; x < x1 || (x == x1 && k + 1 == bins); ++x) {
                const int y = x1 == x0 ? y1 : y0 + (y1 - y0) * (x - x0) / (x1 - x0);
                bitmap_.SetPixel(x, y, colourAt(x));
            }
            break;
        case 2: // filled columns down to the baseline
            for (int x = x0; x < x1 || (x == x1 && k + 1 == bins); ++x) {
                const int y = x1 == x0 ? y1 : y0 + (y1 - y0) * (x - x0) / (x1 - x0);
                bitmap_.VLine(x, y, bottom, colourAt(x));
            }
            break;
        default: {
            const std::uint32_t c = banded ? (colourAt(x0) != colour ? colourAt(x0) : colourAt(x1)) : colour;
            bitmap_.DrawLine(x0, y0, x1, y1, c);
        }
        }
    }
}

void RC_Graph::DrawMarkersIntoBitmap() {
    if (mode_ == 0) return;
    for (const Marker& m : markers_) {
        if ((m.flags & 1u) == 0) continue;
        bitmap_.VLine(XOfValue(m.x) - plot_.left, 0, bitmap_.Height() - 1, Ink(m.colour));
    }
}

void RC_Graph::DrawLevelLineIntoBitmap() {
    if ((FlagsA() & kLevelLine) == 0 || mode_ == 0) return;
    const int h = bitmap_.Height();
    bitmap_.HLine(0, bitmap_.Width() - 1, Truncate((1.0f - level_) * static_cast<float>(h - 1)), Ink(markerColour));
}

void RC_Graph::RenderSpectrum(std::uint32_t dirty) {
    const int traces = TraceCount();
    const bool stacked = (FlagsB() & kStackedPanes) != 0;
    const int paneHeight = stacked ? bitmap_.Height() / traces : bitmap_.Height();
    std::uint32_t lo = 0, hi = 0;
    ShownBins(lo, hi);
    heights_.resize(static_cast<std::size_t>(traces));
    if ((dirty & kDirtyPlot) != 0) {
        const int full = plot_.Height();
        plot_.bottom = plot_.top + paneHeight; // heights are measured in one pane
        for (int t = 0; t < traces; ++t) ComputeSpectrum(t, lo, hi, heights_[static_cast<std::size_t>(t)]);
        plot_.bottom = plot_.top + full;
    }
    bitmap_.Clear(Ink(BackgroundColour()));
    for (Band& band : bands_) {
        band.pixelFrom = XOfValue(band.from);
        band.pixelTo = XOfValue(band.to);
        band.drawnColour = band.colour;
        bitmap_.FillRect(band.pixelFrom - plot_.left, 0, band.pixelTo - plot_.left, bitmap_.Height() - 1, Ink(band.colour));
    }
    DrawGridAndAxes(bitmap_.Height(), std::max(-dbRange / 10, 1));
    for (int t = 0; t < traces; ++t) {
        DrawTrace(heights_[static_cast<std::size_t>(t)], stacked ? t * paneHeight : 0, paneHeight, t,
                  Ink(traceColours_[static_cast<std::size_t>(t)]));
    }
    DrawMarkersIntoBitmap();
    DrawLevelLineIntoBitmap();
}

void RC_Graph::RenderSpectrogram(std::uint32_t dirty) {
    std::uint32_t lo = 0, hi = 0;
    ShownBins(lo, hi);
    const int w = bitmap_.Width(), h = bitmap_.Height();
    const int kind = static_cast<int>((FlagsA() & kSpectrogramKind) >> 28);
    if ((dirty & kDirtyHistory) != 0) rowsFraction_.clear();
    if ((dirty & (kDirtyRow | kDirtyPlot)) != 0) {
        heights_.resize(1);
        ComputeSpectrum(0, lo, hi, heights_[0]);
        if ((dirty & kDirtyRow) != 0) {
            std::vector<float> row(heights_[0].size());
            for (std::size_t i = 0; i < row.size(); ++i) row[i] = std::min(1.0f, static_cast<float>(heights_[0][i]) / std::max(h, 1));
            rowsFraction_.insert(rowsFraction_.begin(), std::move(row));
        }
    }
    const std::size_t keep = kind == 0 ? static_cast<std::size_t>(std::max(h, 1))
                                       : static_cast<std::size_t>(std::max(h / std::max(rowStep_ * depth3d_, 1), 1));
    if (rowsFraction_.size() > keep) rowsFraction_.resize(keep);
    const std::uint32_t background = Ink(BackgroundColour());
    bitmap_.Clear(background);
    auto paletteAt = [&](float f) {
        const std::uint32_t c = palette_[std::clamp(Truncate(255.0f * f), 0, 255)];
        return paintedEnabled_ ? c : RC_SwapRedBlue(RC_BlendColour(BackgroundColour(), RC_SwapRedBlue(c), 2, 1));
    };
    const bool reverse = (FlagsA() & kHistoryDirection) != 0;
    // A column shows the strongest of the bins it covers: with more bins than columns, a station
    // one bin wide would otherwise fall between two columns and vanish.
    auto columnValue = [w](const std::vector<float>& row, int x) {
        const std::size_t bins = row.size(), columns = static_cast<std::size_t>(std::max(w, 1));
        std::size_t from = static_cast<std::size_t>(x) * bins / columns;
        const std::size_t to = std::max(from + 1, static_cast<std::size_t>(x + 1) * bins / columns);
        float v = row[std::min(from, bins - 1)];
        for (; from < to && from < bins; ++from) v = std::max(v, row[from]);
        return v;
    };
    if (kind == 0) {
        for (std::size_t r = 0; r < rowsFraction_.size(); ++r) {
            const std::vector<float>& row = rowsFraction_[r];
            const int y = reverse ? h - 1 - static_cast<int>(r) : static_cast<int>(r);
            for (int x = 0; x < w && !row.empty(); ++x) bitmap_.SetPixel(x, y, paletteAt(columnValue(row, x)));
        }
    } else {
        // Older rows stand further back: shifted right by the step and up by the depth.
        const int rows = static_cast<int>(rowsFraction_.size());
        const int span = std::max(h - (rows - 1) * depth3d_, 1);
        for (int r = rows - 1; r >= 0; --r) {
            const std::vector<float>& row = rowsFraction_[static_cast<std::size_t>(r)];
            const int dx = (reverse ? -1 : 1) * r * step3dX_;
            const int base = h - 1 - r * depth3d_;
            const int fade = (FlagsA() & kHistoryFades) != 0 && rows > 1 ? 192 * r / (rows - 1) : 0;
            const std::size_t bins = row.size();
            int px = -1, py = 0;
            for (int x = 0; x < w && bins != 0; ++x) {
                const std::size_t k = bins == 1 ? 0 : static_cast<std::size_t>(x) * (bins - 1) / static_cast<std::size_t>(std::max(w - 1, 1));
                const int y = base - Truncate(row[k] * static_cast<float>(span - 1));
                std::uint32_t c = kind == 2 ? paletteAt(row[k]) : Ink(traceColours_[0]);
                if (fade != 0) c = RC_SwapRedBlue(RC_BlendColour(RC_SwapRedBlue(c), BackgroundColour(), 255, fade));
                if (kind == 2) {
                    bitmap_.VLine(x + dx, y, base, c);
                } else if (px >= 0) {
                    bitmap_.DrawLine(px + dx, py, x + dx, y, c);
                }
                px = x, py = y;
            }
        }
    }
    DrawGridAndAxes(h, std::max(yDivisions, 1));
    DrawMarkersIntoBitmap();
    DrawLevelLineIntoBitmap();
    for (int s = 0; s < splitCount_; ++s) bitmap_.HLine(0, w - 1, splits_[s], Ink(markerColour));
}

void RC_Graph::RenderScope() {
    const int w = bitmap_.Width(), h = bitmap_.Height();
    bitmap_.Clear(Ink(BackgroundColour()));
    DrawGridAndAxes(h, std::max(yDivisions, 1));
    const double span = static_cast<double>(scopeTop) - scopeBottom;
    auto yOf = [&](double v) { return Truncate((scopeTop - v) * (h - 1) / span); };
    const double samplesShown = std::max(static_cast<double>(xDivisions_) * timePerDivision * rate_, 1.0);
    const std::size_t traces = traceColours_.size();
    for (std::size_t t = 0; t < traces; ++t) {
        const std::uint32_t colour = Ink(traceColours_[t]);
        int px = 0, py = 0;
        for (std::uint32_t i = static_cast<std::uint32_t>(std::max(timeOffset, 0)), k = 0; i < points_; ++i, ++k) {
            const int x = Truncate(k * (w - 1) / samplesShown);
            if (x >= w) break;
            const int y = yOf(samples_[i * traces + t]);
            if (k != 0) bitmap_.DrawLine(px, py, x, y, colour);
            px = x, py = y;
        }
    }
    for (const LevelLine& l : levels_) bitmap_.HLine(0, w - 1, yOf(l.value), Ink(l.colour));
    if ((FlagsA() & kThresholdLine) != 0) {
        const int y = yOf(threshold_);
        for (int i = 0; i < 5; ++i) bitmap_.VLine(i, y - (4 - i), y + (4 - i), Ink(markerColour));
    }
    for (float c : cursors_) {
        const int x = Truncate(c / (xDivisions_ * timePerDivision) * (w - 1));
        bitmap_.VLine(x, 0, h - 1, Ink(markerColour));
    }
}

void RC_Graph::PaintContent() {
    RC_Window::PaintContent();
    std::lock_guard<RC_Lock> hold(lock_);
    std::uint32_t dirty = TakeDirty();
    if (EnabledChain() != paintedEnabled_) {
        paintedEnabled_ = !paintedEnabled_;
        dirty |= kDirtyFrame | kDirtyPlot;
    }
    const gdi::Rect before = plot_;
    Layout();
    if (plot_.Width() <= 0 || plot_.Height() <= 0) return;
    if (bitmap_.Width() != plot_.Width() || bitmap_.Height() != plot_.Height() || before.Height() != plot_.Height()) {
        bitmap_.SetSize(plot_.Width(), plot_.Height());
        dirty |= kDirtyPlot | kDirtyFrame;
    }
    if ((dirty & (kDirtyPlot | kDirtyFrame | kDirtyGrid | kDirtyRow | kDirtyHistory)) != 0) {
        switch (mode_) {
        case 0: RenderScope(); break;
        case 1: RenderSpectrum(dirty); break;
        default: RenderSpectrogram(dirty); break;
        }
    }
    auto view = gdi::Bitmap::Wrap(bitmap_.Pixels(), bitmap_.Width(), bitmap_.Height(), 32, static_cast<int>(bitmap_.Stride()));
    if (view) Context()->DrawBitmap(plot_.left, plot_.top, *view);
    DrawTexts();
}

gdi::Rect RC_Graph::PaintPart() {
    std::lock_guard<RC_Lock> hold(lock_);
    // Anything beyond the plot's data (frame, labels, the enabled look, the layout) is painted whole.
    if ((State() & kDirtyFrame) != 0 || EnabledChain() != paintedEnabled_ || plot_.IsEmpty() ||
        bitmap_.Width() != plot_.Width() || bitmap_.Height() != plot_.Height())
        return {};
    const std::uint32_t dirty = TakeDirty();
    switch (mode_) {
    case 0: RenderScope(); break;
    case 1: RenderSpectrum(dirty); break;
    default: RenderSpectrogram(dirty); break;
    }
    auto view = gdi::Bitmap::Wrap(bitmap_.Pixels(), bitmap_.Width(), bitmap_.Height(), 32, static_cast<int>(bitmap_.Stride()));
    if (view) Context()->DrawBitmap(plot_.left, plot_.top, *view);
    // The texts that stand on the plot, drawn again over it; those beside it are kept as they are.
    if (TextsOnPlot()) {
        Context()->IntersectClipRect(plot_);
        DrawTexts();
        Context()->SelectClipRegion(nullptr);
    }
    return plot_;
}

bool RC_Graph::TextsOnPlot() const {
    if (mode_ == 0) return true; // the scope's read-outs
    if ((FlagsA() & kLevelLine) != 0) return true;
    for (const Marker& m : markers_) {
        if ((m.flags & 2u) != 0) return true; // the header of values
        if ((m.flags & 1u) != 0 && (m.flags & 4u) != 0 && markers_.size() >= 2) return true; // its number
    }
    return false;
}

void RC_Graph::AppendValueLabel(RC_String& text, double value, bool withSign) const {
    text.AppendFrequency(withSign, value, false, 0);
}

void RC_Graph::AppendTimeLabel(RC_String& text, double value) const {
    // Cut towards zero to a hundredth of a division.
    const double unit = timePerDivision / 100.0;
    if (unit > 0) value = std::trunc(value / unit) * unit;
    text.AppendTime(value);
}

void RC_Graph::DrawTexts() {
    const std::uint32_t style = FlagsA();
    const RC_Colour ink = paintedEnabled_ ? labelColour : RC_BlendColour(BackgroundColour(), labelColour, 2, 1);
    Context()->SetTextColor(ink);
    SetBackgroundModeOfContext(1);
    const int th = TextHeight("0");
    const gdi::Rect content = ContentRect();
    const int h = plot_.Height();
    RC_String& text = text1_;
    if (mode_ != 0 && (style & kLevelLabels) != 0) {
        const int steps = std::max(-dbRange / 20, 1);
        for (int j = 0; j <= steps; ++j) {
            text.SetLength(0);
            if ((style & kLinear) != 0) {
                text.AppendFormat("%.4lf", static_cast<double>(linearTop) - (linearTop - linearBottom) * j / steps);
            } else {
                text.AppendFormat("%ddB", dbRange * j / steps);
            }
            const int y = plot_.top + j * (h - 1) / steps - th / 2;
            const int right = plot_.left - 2 - ((mode_ == 2 && (style & kPaletteBar) != 0) ? kPaletteBarSpace : 0);
            TextOut(right - TextWidth(text.Text()), std::clamp(y, content.top, std::max(content.top, plot_.bottom - th)), text.Text());
        }
    }
    if ((style & kAxisLabels) != 0) {
        const int y = plot_.bottom;
        auto put = [&](int x, int align) { // 0 left, 1 centre, 2 right
            const int w = TextWidth(text.Text());
            x = align == 0 ? x : align == 1 ? x - w / 2 : x - w;
            TextOut(std::clamp(x, content.left, std::max(content.left, content.right - w)), y, text.Text());
        };
        const bool withSign = (style & kSignedLabels) != 0;
        if (mode_ == 0) {
            const double start = timeOffset / static_cast<double>(rate_) + timeOrigin;
            text.SetLength(0);
            AppendTimeLabel(text, start);
            put(plot_.left, 0);
            text.SetLength(0);
            AppendTimeLabel(text, start + xDivisions_ * static_cast<double>(timePerDivision));
            put(plot_.right, 2);
        } else if (labelStep_ > 0 && !(markers_.size() > 0 && (style & kCursorNumbers) != 0)) {
            const double first = std::ceil((minimum_ + centreOffset_) / labelStep_) * labelStep_;
            int lastRight = -100000;
            for (double v = first; v <= maximum_ + centreOffset_ + 1e-9; v += labelStep_) {
                text.SetLength(0);
                AppendValueLabel(text, v, withSign);
                const int x = XOfValue(v - centreOffset_) - TextWidth(text.Text()) / 2;
                if (x <= lastRight + 4) continue; // no overlapping labels
                put(x, 0);
                lastRight = x + TextWidth(text.Text());
            }
        } else {
            text.SetLength(0);
            AppendValueLabel(text, minimum_ + centreOffset_, withSign);
            put(plot_.left, 0);
            text.SetLength(0);
            AppendValueLabel(text, maximum_ + centreOffset_, withSign);
            put(plot_.right, 2);
            if (markers_.empty() && -centreOffset_ > minimum_ && -centreOffset_ < maximum_) {
                text.Assign("0");
                put(XOfValue(-centreOffset_), 1);
            }
        }
    }
    if (mode_ != 0) {
        // Marker numbers at the top of their lines and the header of values at the top right.
        RC_String& header = text2_;
        header.SetLength(0);
        for (std::size_t i = 0; i < markers_.size(); ++i) {
            const Marker& m = markers_[i];
            if ((m.flags & 1u) != 0 && (m.flags & 4u) != 0 && markers_.size() >= 2) {
                text.SetLength(0);
                text.AppendFormat("%d", static_cast<int>(i + 1));
                TextOut(XOfValue(m.x) + 2, plot_.top, text.Text());
            }
            if ((m.flags & 2u) != 0) {
                if (header.Length() != 0) header.Append(", ");
                header.AppendFormat("%d=", static_cast<int>(i + 1));
                AppendValueLabel(header, m.x + centreOffset_, (style & kSignedLabels) != 0);
            }
        }
        if (header.Length() != 0) TextOut(plot_.right - TextWidth(header.Text()) - 2, plot_.top, header.Text());
        if ((style & kLevelLine) != 0) {
            text.SetLength(0);
            text.AppendFormat("%.lfdB", static_cast<double>(dbRange) * (1.0 - level_));
            const int y = plot_.top + Truncate((1.0f - level_) * static_cast<float>(h - 1));
            TextOut(plot_.right - TextWidth(text.Text()) - 2, std::max(plot_.top, y - th), text.Text());
        }
        if (mode_ == 2 && (style & kPaletteBar) != 0) {
            const int left = plot_.left - 14;
            for (int i = 0; i < kPaletteStops; ++i) {
                const int t = plot_.top + h * i / kPaletteStops, b = plot_.top + h * (i + 1) / kPaletteStops;
                const RC_Colour c = paintedEnabled_ ? stops_[i] : RC_BlendColour(BackgroundColour(), stops_[i], 2, 1);
                FillRect({left, t, left + kPaletteBarWidth, b}, c);
            }
        }
        return;
    }
    // Scope read-outs.
    if (!cursors_.empty()) {
        const int w = plot_.Width();
        if ((style & kCursorNumbers) != 0 && cursors_.size() >= 2) {
            for (std::size_t i = 0; i < 2; ++i) {
                text.SetLength(0);
                text.AppendFormat("%d", static_cast<int>(i + 1));
                TextOut(plot_.left + Truncate(cursors_[i] / (xDivisions_ * timePerDivision) * (w - 1)) + 2, plot_.top, text.Text());
            }
        }
        RC_String& readout = text2_;
        readout.Assign("1=");
        AppendTimeLabel(readout, timeOrigin + cursors_[0]);
        if (cursors_.size() >= 2) {
            readout.Append(", 2=");
            AppendTimeLabel(readout, timeOrigin + cursors_[1]);
            readout.Append(", 2-1=");
            AppendTimeLabel(readout, static_cast<double>(cursors_[1]) - cursors_[0]);
        }
        TextOut(plot_.right - TextWidth(readout.Text()) - 2, plot_.top, readout.Text());
    }
}
