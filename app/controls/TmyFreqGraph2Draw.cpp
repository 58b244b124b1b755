// Layout, mapping between frequencies and pixels, zoom, scrolling and drawing of the spectrum
// graph. The plot is drawn on an off-screen bitmap cleared to black and ORed onto the image, so
// the grid and the scales show through it.

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/controls/FloatText.h"
#include "app/controls/TmyFreqGraph2.h"

namespace lxq {

using namespace plat::comp;
namespace gdi = plat::gdi;

namespace {

constexpr std::int16_t kEmpty = 0x7FFF;
constexpr TColor kHitColour = 0x0000FF;

int ClampToInt(__int128 v) {
    constexpr __int128 lo = std::numeric_limits<int>::min() / 2;
    constexpr __int128 hi = std::numeric_limits<int>::max() / 2;
    return static_cast<int>(std::clamp(v, lo, hi));
}

std::int64_t Pow10(int e) {
    std::int64_t g = 1;
    for (int i = 0; i < e; ++i) g *= 10;
    return g;
}

// Floor of a / b for b > 0, also for negative a.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}

std::string Whole(double v) { return FormatFloat(v, 0, 0); }

// The number of grid labels from lo to hi in steps of grid, none when the numbers make no scale.
int ScaleLabels(double lo, double hi, double grid, int plotH) {
    const double n = std::floor((hi - lo + 1e-9) / grid) + 1;
    if (!std::isfinite(n) || !(grid > 0) || n < 1) return 0;
    return static_cast<int>(std::min(n, static_cast<double>(plotH) + 1));
}

} // namespace

// --- mapping ---

std::int64_t TmyFreqGraph2::FreqToVirtual(std::int64_t freq) const {
    if (stop_ <= start_) return 0;
    const __int128 v = (static_cast<__int128>(freq) - start_) * plotW_ * zoom_ / (stop_ - start_);
    return static_cast<std::int64_t>(v);
}

std::int64_t TmyFreqGraph2::IndexToVirtual(std::int64_t n, bool centre) const {
    if (stop_ <= start_) return 0;
    __int128 v = static_cast<__int128>(n) * step_ * plotW_ * zoom_;
    if (centre) v += (stop_ - start_) / 2;
    return static_cast<std::int64_t>(v / (stop_ - start_));
}

int TmyFreqGraph2::Freq2Pix(std::int64_t freq) const {
    return ClampToInt(static_cast<__int128>(FreqToVirtual(freq)) - scrollPos_);
}

int TmyFreqGraph2::Index2Pix(std::int64_t n, bool centre) const {
    return ClampToInt(static_cast<__int128>(IndexToVirtual(n, centre)) - scrollPos_);
}

std::int64_t TmyFreqGraph2::Pix2Freq(int x, bool centre) const {
    const __int128 width = static_cast<__int128>(plotW_) * zoom_;
    if (width <= 0 || step_ < 1) return start_;
    __int128 v = (static_cast<__int128>(x) + scrollPos_) * (stop_ - start_) / width;
    if (centre) v += step_ / 2;
    return static_cast<std::int64_t>(start_ + v - v % step_);
}

int TmyFreqGraph2::GetY(double value, bool alternate) const {
    const double lo = alternate ? altMin_ : min_;
    const double hi = alternate ? altMax_ : max_;
    return top_ + plotH_ - static_cast<int>(std::lround((value - lo) / (hi - lo) * plotH_));
}

int TmyFreqGraph2::GetYbar(double value) const {
    return top_ + plotH_ -
           static_cast<int>(std::lround((value - barMin_) / (barMax_ - barMin_) * plotH_));
}

int TmyFreqGraph2::GetYHits(double fraction) const {
    return top_ + plotH_ - static_cast<int>(std::lround(plotH_ * fraction));
}

// --- layout ---

void TmyFreqGraph2::StandUp() {
    if (!image_ || !scrollBar_) return;
    const std::int64_t previous = scrollPos_;
    const int barHeight = scrollBar_->Height();
    scrollBar_->SetBounds(0, Height() - barHeight, Width(), barHeight);
    image_->SetBounds(0, 0, Width(), std::max(0, Height() - barHeight));
    GetFontSizes();
    ScrollTo(previous);
}

void TmyFreqGraph2::GetFontSizes() {
    if (!image_ || !scrollBar_) return;
    ImageCanvas& c = image_->GetCanvas();
    const int imageW = image_->Width();
    const int imageH = image_->Height();
    tick_ = c.TextHeight(Whole(max_)) / 2;
    gap_ = tick_ / 2;
    leftMargin_ = std::max(c.TextWidth(Whole(min_)), c.TextWidth(Whole(max_))) + tick_ + gap_;
    if (showYlegend_) leftMargin_ = std::max(leftMargin_, c.TextWidth(legendY_));
    leftMargin_ += leftExtra_;
    rightMargin_ = std::max(c.TextWidth(Whole(altMin_)), c.TextWidth(Whole(altMax_))) + tick_ +
                   gap_ + rightExtra_;
    const int textH = c.TextHeight("01234.56789");
    row_ = textH + tick_;
    top_ = showMarker_ ? textH * 5 / 2 : textH * 3 / 2;
    legendXWidth_ = legendX_.empty() ? 0 : c.TextWidth(legendX_);
    plotW_ = imageW - leftMargin_ - legendXWidth_;
    plotH_ = imageH - row_ - top_;
    if (graphType_ == TmyGraphType::myGraphNormal && showAlterScale_) plotW_ -= rightMargin_;
    plotW_ = std::max(plotW_, 0);
    if (plotH_ < 1 || plotW_ == 0 || step_ == 0 || Pix2Freq(0, true) == Pix2Freq(plotW_, true))
        return;

    // Frequency grid: as fine as the labels allow, on a 1-2-5 sequence.
    const std::int64_t span = Pix2Freq(plotW_, true) - Pix2Freq(0, true);
    auto spacingFor = [&](int decimals) {
        const int w = c.TextWidth(FormatFloat(static_cast<double>(stop_) * 1e-6, decimals, decimals));
        return std::max(1, w * 5 / 3);
    };
    std::int64_t g = Pow10(static_cast<int>(std::floor(std::log10(static_cast<double>(span)))));
    while (g >= 10) {
        labelDecimals_ = 6 - std::min(6, static_cast<int>(std::floor(std::log10(static_cast<double>(g)))));
        labelSpacing_ = spacingFor(labelDecimals_);
        if (span / g >= plotW_ / labelSpacing_) break;
        g /= 10;
    }
    g = std::max<std::int64_t>(g, 1);
    labelSpacing_ = std::max(labelSpacing_, 1);
    if (span / g > plotW_ / labelSpacing_) g *= 2;
    if (span / g > plotW_ / labelSpacing_) g = g * 5 / 2;
    if (span / g > plotW_ / labelSpacing_) g *= 2;
    int zeros = 0;
    for (std::int64_t v = g; zeros < 6 && v % 10 == 0; v /= 10) ++zeros;
    labelDecimals_ = 6 - zeros;
    labelSpacing_ = spacingFor(labelDecimals_);
    freqGrid_ = g;
    laidOutStart_ = start_;
    laidOutStop_ = stop_;
    laidOutStep_ = step_;
    laidOutZoom_ = zoom_;

    // Value grids: one line per text height at most, on a 1-2-5 sequence, 10 at the least.
    auto gridFor = [&](double range) {
        const int t = std::max(1, c.TextHeight("0"));
        double s = std::pow(10.0, std::floor(std::log10(t * range / plotH_)));
        for (double f : {2.0, 2.5, 2.0, 2.0, 2.5, 2.0}) {
            if (plotH_ / t < std::lround((range + s) / s)) s *= f;
        }
        return std::max(s, 10.0);
    };
    const double range = graphType_ == TmyGraphType::myGraphNormal ? max_ - min_
                         : graphType_ == TmyGraphType::myGraphBar  ? barMax_ - barMin_
                                                                   : 100.0;
    valueGrid_ = gridFor(range);
    altGrid_ = gridFor(altMax_ - altMin_);

    plot_->SetSize(plotW_, std::max(1, imageH));
    const int lines = GetLinesCount();
    if (lines != cacheLines_ || plotW_ != cacheW_) {
        columnCache_.assign(static_cast<std::size_t>(plotW_) * lines * 2, kEmpty);
        hitsCache_.assign(static_cast<std::size_t>(plotW_), kEmpty);
        cacheLines_ = lines;
        cacheW_ = plotW_;
    }
    std::fill(columnCache_.begin(), columnCache_.end(), kEmpty);
    std::fill(hitsCache_.begin(), hitsCache_.end(), kEmpty);
    points_.resize(static_cast<std::size_t>(plotW_) * 2);

    layingOut_ = true;
    scrollBar_->SetRange(0, static_cast<std::int64_t>(zoom_) * plotW_);
    scrollBar_->SetLength(plotW_);
    scrollPos_ = scrollBar_->Position();
    layingOut_ = false;
    lastDenseScroll_ = -1;
    DrawGrid();
}

// --- zoom and scrolling ---

void TmyFreqGraph2::SetZoom(int z) {
    z = std::max(z, 1);
    const std::int64_t steps = StepCount();
    if (steps / z < 10) z = static_cast<int>(std::max<std::int64_t>(steps / 10, 1));
    std::int64_t centre = Pix2Freq(plotW_ / 2, true);
    if (z == zoom_) return;
    zoom_ = z;
    GetFontSizes();
    if (markerZoom_) centre = markerFreq_;
    lastDenseScroll_ = -1;
    SetPos(centre);
}

void TmyFreqGraph2::SetPos(std::int64_t freq) {
    ScrollTo(FreqToVirtual(freq) - scrollBar_->Length() / 2);
}

void TmyFreqGraph2::SetMarkerZoom(bool v) {
    markerZoom_ = v;
    if (v && showMarker_) SetPos(markerFreq_);
}

void TmyFreqGraph2::ScrollTo(std::int64_t position) { scrollBar_->SetPosX(position); }

void TmyFreqGraph2::ScrollBarMoved(TObject*) {
    scrollPos_ = scrollBar_->Position();
    if (!layingOut_) DrawGrid();
}

void TmyFreqGraph2::FollowStep(std::int64_t n) {
    const std::int64_t highest = scrollBar_->Max() - scrollBar_->Length();
    const std::int64_t target = std::clamp<std::int64_t>(IndexToVirtual(n, false) - plotW_ / 2,
                                                         scrollBar_->Min(),
                                                         std::max(highest, scrollBar_->Min()));
    if (target == scrollPos_ || scrollBar_->Dragging()) {
        DrawGrid();
    } else {
        ScrollTo(target);
    }
    const bool visiTune = visiTune_;
    const bool topLabel = showTopLabel_;
    visiTune_ = true;
    showTopLabel_ = false;
    HandleMouse(leftMargin_ + Index2Pix(n, false), 0);
    visiTune_ = visiTune;
    showTopLabel_ = topLabel;
}

// --- full redraw ---

void TmyFreqGraph2::DrawGrid() {
    if (!image_ || !scrollBar_ || scrollBar_->Length() <= 0 || plotW_ < 1 || plotH_ < 1) return;
    if (start_ != laidOutStart_ || stop_ != laidOutStop_ || step_ != laidOutStep_ ||
        zoom_ != laidOutZoom_) {
        GetFontSizes(); // the grid of another range would not fit this one; ends in a redraw
        return;
    }
    markerFreq_ = std::clamp(markerFreq_, start_, stop_);
    ImageCanvas& c = image_->GetCanvas();
    const int imageW = image_->Width();
    const int imageH = image_->Height();
    const int left = leftMargin_;
    c.SetCopyMode(gdi::rop3::SrcCopy);
    c.Pen().SetMode(gdi::Rop2::CopyPen);
    c.Pen().SetWidth(1);
    c.Brush().SetColor(colorBackground_);
    c.FillRect({0, 0, imageW, imageH});
    c.Pen().SetStyle(gdi::PenStyle::Solid);
    c.Pen().SetColor(colorAxes_);
    c.MoveTo(left, top_);
    c.LineTo(left, top_ + plotH_);
    c.MoveTo(left, top_ + plotH_);
    c.LineTo(left + plotW_, top_ + plotH_);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    const TColor textColour = c.Font().Color();
    if (!legendX_.empty()) {
        c.Font().SetColor(colorAxes_);
        c.TextOut(left + plotW_, imageH - row_, legendX_);
    }
    if (showYlegend_) {
        c.Font().SetColor(colorAxes_);
        const bool histogram = graphType_ == TmyGraphType::myGraphHistogramAbsolute ||
                               graphType_ == TmyGraphType::myGraphHistogramRelative;
        const std::string legend = histogram ? std::string(" %") : legendY_;
        c.TextOut(0, top_ - 3 * c.TextHeight("0") / 2, legend);
    }
    c.Font().SetColor(textColour);
    if (!DrawValueScale()) return;
    DrawFrequencyScale();
    if (graphType_ == TmyGraphType::myGraphNormal && showAlterScale_ && !DrawAltScale()) return;
    cursorX_ = -1;
    if (!lines_.empty()) {
        if (!roundBitsAllocated_) AddHitRound();
        DrawData();
    }
    DrawTopLabel(-1);
}

bool TmyFreqGraph2::DrawValueScale() {
    ImageCanvas& c = image_->GetCanvas();
    const int left = leftMargin_;
    double lo = min_, hi = max_;
    if (graphType_ == TmyGraphType::myGraphBar) lo = barMin_, hi = barMax_;
    const bool histogram = graphType_ == TmyGraphType::myGraphHistogramAbsolute ||
                           graphType_ == TmyGraphType::myGraphHistogramRelative;
    if (histogram) lo = 0, hi = 100;
    auto yOf = [&](double v) {
        if (histogram) return top_ + plotH_ - static_cast<int>(std::lround(v * 0.01 * plotH_));
        return graphType_ == TmyGraphType::myGraphBar ? GetYbar(v) : GetY(v, false);
    };
    // At most one label per pixel row, whatever the bounds and grid came to.
    const int labels = ScaleLabels(lo, hi, valueGrid_, plotH_);
    for (int k = 0; k < labels; ++k) {
        const double v = lo + k * valueGrid_;
        const int y = yOf(v);
        const std::string label = Whole(v);
        const gdi::Size size = c.TextExtent(label);
        if (size.cx > leftMargin_ - tick_) {
            leftExtra_ += 5;
            GetFontSizes();
            return false;
        }
        c.Pen().SetStyle(gdi::PenStyle::Solid);
        c.Pen().SetColor(colorAxes_);
        c.MoveTo(left, y);
        c.LineTo(left - tick_, y);
        c.TextOut(std::max(0, left - tick_ - gap_ - size.cx), y - size.cy / 2, label);
        if (showGrid_ && k > 0) {
            c.Pen().SetStyle(gdi::PenStyle::Dot);
            c.Pen().SetColor(colorGrid_);
            c.MoveTo(left + 1, y);
            c.LineTo(left + plotW_, y);
        }
    }
    c.Pen().SetStyle(gdi::PenStyle::Solid);
    return true;
}

void TmyFreqGraph2::DrawFrequencyScale() {
    ImageCanvas& c = image_->GetCanvas();
    const int left = leftMargin_;
    const int bottom = top_ + plotH_;
    const std::int64_t first = Pix2Freq(0, true);
    const std::int64_t last = Pix2Freq(plotW_, true);
    const std::int64_t g = std::max<std::int64_t>(freqGrid_, 1);
    // In 128 bits: the grid step past the last label may leave the 64-bit range.
    for (__int128 next = static_cast<__int128>(FloorDiv(first, g)) * g; next <= last; next += g) {
        if (next < first) continue;
        const auto f = static_cast<std::int64_t>(next);
        const int x = Freq2Pix(f);
        if (x >= plotW_) break;
        if (x < 0) continue;
        c.Pen().SetStyle(gdi::PenStyle::Solid);
        c.Pen().SetColor(colorAxes_);
        c.MoveTo(left + x, bottom);
        c.LineTo(left + x, bottom + tick_);
        const std::string label =
            FormatFloat(static_cast<double>(f) * 1e-6, labelDecimals_, labelDecimals_);
        const int w = c.TextWidth(label);
        int lx = left + x - w / 2;
        if (lx + w > left + plotW_) lx = left + plotW_ - w;
        c.TextOut(lx, bottom + tick_, label);
        if (showGrid_ && x > 0) {
            c.Pen().SetStyle(gdi::PenStyle::Dot);
            c.Pen().SetColor(colorGrid_);
            c.MoveTo(left + x, top_);
            c.LineTo(left + x, bottom);
        }
    }
    c.Pen().SetStyle(gdi::PenStyle::Solid);
}

bool TmyFreqGraph2::DrawAltScale() {
    ImageCanvas& c = image_->GetCanvas();
    const int right = leftMargin_ + plotW_;
    const TColor textColour = c.Font().Color();
    c.Pen().SetColor(altColor_);
    c.Font().SetColor(altColor_);
    c.MoveTo(right, top_);
    c.LineTo(right, top_ + plotH_);
    bool fits = true;
    altLabelsTop_ = top_;
    const int labels = ScaleLabels(altMin_, altMax_, altGrid_, plotH_);
    for (int k = 0; k < labels; ++k) {
        const double v = altMin_ + k * altGrid_;
        const int y = GetY(v, true);
        const std::string label = Whole(v);
        const gdi::Size size = c.TextExtent(label);
        if (size.cx > rightMargin_ - tick_) {
            fits = false;
            break;
        }
        c.MoveTo(right, y);
        c.LineTo(right + tick_, y);
        c.TextOut(right + tick_ + gap_, y - size.cy / 2, label);
        altLabelsTop_ = std::min(altLabelsTop_, y - size.cy / 2);
    }
    c.Font().SetColor(textColour);
    if (!fits) {
        rightExtra_ += 5;
        GetFontSizes();
    }
    return fits;
}

// --- data ---

void TmyFreqGraph2::ForgetColumn(int line, std::int64_t n) {
    if (lastDenseScroll_ < 0 || cacheW_ <= 0 || line >= cacheLines_) return;
    // A step on a column boundary belongs to both columns.
    const std::int64_t x = IndexToVirtual(n, false) - lastDenseScroll_;
    for (std::int64_t c = x - 1; c <= x; ++c) {
        if (c < 0 || c >= cacheW_) continue;
        const std::size_t at = (static_cast<std::size_t>(line) * cacheW_ + c) * 2;
        columnCache_[at] = kEmpty;
        columnCache_[at + 1] = kEmpty;
    }
}

void TmyFreqGraph2::ShiftColumnCache(std::int64_t scrolled) {
    if (scrolled == 0) return;
    const std::int64_t w = cacheW_;
    if (lastDenseScroll_ < 0 || scrolled <= -w || scrolled >= w) {
        std::fill(columnCache_.begin(), columnCache_.end(), kEmpty);
        return;
    }
    for (int line = 0; line < cacheLines_; ++line) {
        std::int16_t* row = columnCache_.data() + static_cast<std::size_t>(line) * w * 2;
        if (scrolled > 0) {
            std::copy(row + scrolled * 2, row + w * 2, row);
            std::fill(row + (w - scrolled) * 2, row + w * 2, kEmpty);
        } else {
            std::copy_backward(row, row + (w + scrolled) * 2, row + w * 2);
            std::fill(row, row - scrolled * 2, kEmpty);
        }
    }
}

void TmyFreqGraph2::DrawData() {
    TCanvas& pc = plot_->Canvas();
    pc.Brush().SetColor(0);
    pc.FillRect({0, 0, plot_->Width(), plot_->Height()});
    const std::int64_t inView = Pix2Freq(plotW_, false) / step_ - Pix2Freq(0, false) / step_;
    if (graphType_ == TmyGraphType::myGraphNormal) {
        if (inView > 2 * static_cast<std::int64_t>(plotW_)) {
            DrawDenseLines(pc);
        } else {
            DrawSparseLines(pc);
        }
    } else {
        DrawBars(pc, inView > plotW_);
    }
    ImageCanvas& c = image_->GetCanvas();
    c.SetCopyMode(gdi::rop3::SrcPaint);
    c.Draw(leftMargin_, 0, *plot_);
    c.SetCopyMode(gdi::rop3::SrcCopy);
    DrawMarker();
}

void TmyFreqGraph2::DrawSparseLines(TCanvas& pc) {
    const std::int64_t first = StepOf(Pix2Freq(0, false));
    const std::int64_t lastInView = StepOf(Pix2Freq(plotW_, false)) + 1;
    std::vector<TPoint> points;
    for (const auto& line : lines_) {
        if (!line->shown) continue;
        const bool alternate = line->lineType == TmyGraphLineType::alternate;
        if (line->lineType != TmyGraphLineType::normal && !alternate) continue;
        const std::int64_t last = std::min<std::int64_t>(lastInView, line->filled - 1);
        if (first > last) continue;
        points.clear();
        for (std::int64_t n = std::max<std::int64_t>(first, 0); n <= last; ++n) {
            points.push_back({Index2Pix(n, true),
                              GetY(line->samples[static_cast<std::size_t>(n)], alternate)});
        }
        pc.Pen().SetColor(line->colour);
        pc.Polyline(points);
    }
}

void TmyFreqGraph2::DrawDenseLines(TCanvas& pc) {
    ShiftColumnCache(lastDenseScroll_ < 0 ? plotW_ : scrollPos_ - lastDenseScroll_);
    lastDenseScroll_ = scrollPos_;
    // The step range of every column is the same for all lines.
    std::vector<std::int64_t> fromStep(static_cast<std::size_t>(plotW_) + 1);
    for (int x = 0; x <= plotW_; ++x) fromStep[static_cast<std::size_t>(x)] = StepOf(Pix2Freq(x, false));
    gdi::DC& dc = *pc.Handle();
    std::vector<int> counts;
    for (int li = 0; li < GetLinesCount(); ++li) {
        const TmyGraphLine2& line = Line(li);
        const bool alternate = line.lineType == TmyGraphLineType::alternate;
        if (!line.shown || (line.lineType != TmyGraphLineType::normal && !alternate)) continue;
        std::int16_t* cache = columnCache_.data() + static_cast<std::size_t>(li) * plotW_ * 2;
        std::size_t used = 0;
        for (int x = 0; x < plotW_; ++x) {
            const std::int64_t i0 = fromStep[static_cast<std::size_t>(x)];
            if (i0 > line.filled - 1) break;
            const std::int64_t i1 = std::min<std::int64_t>(fromStep[static_cast<std::size_t>(x) + 1],
                                                           line.filled - 1);
            std::int16_t& lo = cache[2 * x];
            std::int16_t& hi = cache[2 * x + 1];
            if (lo == kEmpty) {
                ++denseComputed_;
                lo = std::numeric_limits<std::int16_t>::max() - 1;
                hi = std::numeric_limits<std::int16_t>::min();
                for (std::int64_t n = std::max<std::int64_t>(i0, 0); n <= i1; ++n) {
                    const std::int16_t v = line.samples[static_cast<std::size_t>(n)];
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            }
            points_[used++] = {x, GetY(hi, alternate)};
            points_[used++] = {x, GetY(lo, alternate) + 1};
        }
        if (used == 0) continue;
        counts.assign(used / 2, 2);
        dc.SelectPen(gdi::Pen{gdi::PenStyle::Solid, 1, ColorToRGB(line.colour)});
        dc.SetRop2(gdi::Rop2::CopyPen);
        dc.PolyPolyline(std::span<const TPoint>(points_.data(), used), counts);
    }
}

int TmyFreqGraph2::StepValuePercentOrBar(const TmyGraphLine2& line, int lineIndex,
                                         std::int64_t n) const {
    if (line.lineType == TmyGraphLineType::bar) return line.samples[static_cast<std::size_t>(n)];
    return static_cast<int>(std::floor(GetHitsVal(lineIndex, static_cast<int>(n)) * 100 + 0.5));
}

void TmyFreqGraph2::DrawBars(TCanvas& pc, bool dense) {
    const bool bars = graphType_ == TmyGraphType::myGraphBar;
    const TmyGraphLineType wanted = bars ? TmyGraphLineType::bar : TmyGraphLineType::hits;
    const int base = bars ? GetYbar(barMin_) : GetYHits(0);
    auto yOf = [&](int v) { return bars ? GetYbar(v) : GetYHits(v * 0.01); };
    auto bar = [&](int x, int width, int v, std::int64_t n, TColor colour) {
        const int y = yOf(v);
        pc.Brush().SetColor(RoundHit(static_cast<int>(n)) ? kHitColour : colour);
        const int l = x - width / 2;
        pc.FillRect({l, std::min(y, base), l + width, std::max(y, base)});
    };
    const std::int64_t first = std::max<std::int64_t>(StepOf(Pix2Freq(0, false)), 0);
    const std::int64_t lastInView = StepOf(Pix2Freq(plotW_, false)) + 1;
    for (int li = 0; li < GetLinesCount(); ++li) {
        const TmyGraphLine2& line = Line(li);
        if (!line.shown || line.lineType != wanted) continue;
        const std::int64_t last = std::min<std::int64_t>(lastInView, line.filled - 1);
        if (!dense) {
            const int width = std::max(1, std::min(20, Index2Pix(1, true) - Index2Pix(0, true)) / 2);
            for (std::int64_t n = first; n <= last; ++n) {
                bar(Index2Pix(n, true), width, StepValuePercentOrBar(line, li, n), n, line.colour);
            }
            continue;
        }
        for (int x = 0; x < plotW_; ++x) {
            const std::int64_t i0 = std::max<std::int64_t>(StepOf(Pix2Freq(x, false)), 0);
            if (i0 > line.filled - 1) break;
            const std::int64_t i1 = std::min<std::int64_t>(StepOf(Pix2Freq(x + 1, false)), line.filled - 1);
            std::int64_t best = i0;
            int bestValue = StepValuePercentOrBar(line, li, i0);
            for (std::int64_t n = i0 + 1; n <= i1; ++n) {
                const int v = StepValuePercentOrBar(line, li, n);
                if (v > bestValue) best = n, bestValue = v;
            }
            hitsCache_[static_cast<std::size_t>(x)] = static_cast<std::int16_t>(bestValue);
            bar(x, 1, bestValue, best, line.colour);
        }
    }
}

void TmyFreqGraph2::DrawMarker() {
    if (!showMarker_) return;
    const int x = Freq2Pix(markerFreq_) + leftMargin_;
    if (x < leftMargin_ || x > leftMargin_ + plotW_) return;
    ImageCanvas& c = image_->GetCanvas();
    c.Pen().SetStyle(gdi::PenStyle::Solid);
    c.Pen().SetMode(gdi::Rop2::XorPen);
    c.Pen().SetColor(markerColor_);
    c.MoveTo(x, top_);
    c.LineTo(x, top_ + plotH_);
    c.Pen().SetMode(gdi::Rop2::CopyPen);
}

} // namespace lxq
