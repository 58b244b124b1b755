#include "app/controls/TmyFreqGraph2.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lxq {

using namespace plat::comp;

namespace {

constexpr std::int16_t kCountLimit = 32'766;

void CopyName(char (&out)[32], const std::string& text) {
    std::memset(out, 0, sizeof out);
    std::memcpy(out, text.data(), std::min<std::size_t>(text.size(), 31));
}

// Counts saturate instead of wrapping: a count reaching 32,767 stays at 32,766.
void Count(std::int16_t& c) {
    if (c < kCountLimit) ++c;
}

// A scale's lower bound stays below its upper: the other bound moves to one unit beyond. A bound
// that is not a finite number, or that leaves no finite span to the other, is refused: the scales
// are walked in grid steps from one bound to the other, and positions divide by the span.
void SetBounds(double& lo, double& hi, double newLo, double newHi) {
    if (!std::isfinite(newLo) || !std::isfinite(newHi) || !std::isfinite(newHi - newLo) || !(newHi > newLo))
        return;
    lo = newLo;
    hi = newHi;
}

void SetLowerBound(double& lo, double& hi, double v) { SetBounds(lo, hi, v, v >= hi ? v + 1 : hi); }

void SetUpperBound(double& lo, double& hi, double v) { SetBounds(lo, hi, v <= lo ? v - 1 : lo, v); }

} // namespace

TmyFreqGraph2::TmyFreqGraph2(TComponent* owner)
    : TWinControl(owner), plot_(std::make_unique<TBitmap>(1, 1, 32)) {
    SetDoubleBuffered(true);
    image_ = new TmyImage(this);
    image_->SetParent(this);
    scrollBar_ = new TmyScrollBar(this);
    scrollBar_->SetParent(this);
    scrollBar_->OnPositionChange = [this](TObject* sender) { ScrollBarMoved(sender); };
    image_->OnMouseMove = [this](TObject*, TShiftState shift, int x, int) { HandleMouse(x, shift); };
    image_->OnMouseDown = [this](TObject*, TMouseButton, TShiftState shift, int x, int) {
        HandleMouse(x, shift);
    };
    image_->OnMouseUp = [this](TObject*, TMouseButton, TShiftState shift, int x, int) {
        HandleMouse(x, shift);
    };
    image_->OnLeaveOver = [this](TObject*) { LeaveImage(); };
    plot_->Canvas().Brush().SetColor(clWhite);
    Font().SetColor(0x00FFFF);
    SetRange(88'000'000, 108'000'000, 1'000);
}

TmyFreqGraph2::~TmyFreqGraph2() {
    BeginDestroy();
    // The children outlive this object's members: they must not call back while they go.
    scrollBar_->OnPositionChange = nullptr;
    image_->OnMouseMove = nullptr;
    image_->OnMouseDown = nullptr;
    image_->OnMouseUp = nullptr;
    image_->OnLeaveOver = nullptr;
    lines_.clear();
}

void TmyFreqGraph2::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    TWinControl::SetBounds(left, top, width, height);
    if (resized && Width() != 0 && Height() != 0) StandUp();
}

// --- lines ---

int TmyFreqGraph2::AddGraphLine(const std::string& name, const std::string& unit, TColor colour,
                                TmyGraphLineType type) {
    auto make = [&](TmyGraphLineType t, const std::string& n, const std::string& u, bool shown) {
        auto line = std::make_unique<TmyGraphLine2>();
        line->colour = colour;
        line->lineType = t;
        line->capacity = static_cast<std::int32_t>(StepCount() + 1);
        line->samples.assign(static_cast<std::size_t>(line->capacity) + 1, 0);
        CopyName(line->name, n);
        CopyName(line->unit, u);
        line->shown = shown ? 1 : 0;
        lines_.push_back(std::move(line));
    };
    make(type, name, unit, true);
    if (type == TmyGraphLineType::hits) make(TmyGraphLineType::rounds, "", "", false);
    GetFontSizes();
    return 0;
}

void TmyFreqGraph2::ClearGraph() {
    lines_.clear();
    std::fill(columnCache_.begin(), columnCache_.end(), std::int16_t{0x7FFF});
    std::fill(hitsCache_.begin(), hitsCache_.end(), std::int16_t{0x7FFF});
    lastDenseScroll_ = -1;
    maxHits_ = 1;
    roundBits_.clear();
    roundBitsAllocated_ = false;
    AddHitRound();
    DrawGrid();
}

int TmyFreqGraph2::ClearGraphLine(int i) {
    if (!ValidLine(i)) return -1;
    Line(i).filled = 0;
    DrawGrid();
    return 0;
}

int TmyFreqGraph2::ChangeSample(int i, int index, double value, bool scroll) {
    if (!ValidLine(i)) return -1;
    TmyGraphLine2& line = Line(i);
    if (index < 0 || index > line.filled) index = line.filled;
    if (index > line.capacity) return -2;
    double lo = min_, hi = max_;
    switch (line.lineType) {
    case TmyGraphLineType::normal: break;
    case TmyGraphLineType::alternate: lo = altMin_, hi = altMax_; break;
    default: lo = barMin_, hi = barMax_; break;
    }
    if (std::isnan(value)) value = lo;
    value = std::clamp(value, lo, hi);
    // Scales that reach past 16 bits are cut at their edge; 0x7FFF stays the caches' empty mark.
    value = std::clamp(std::round(value), -32'768.0, 32'766.0);
    line.samples[static_cast<std::size_t>(index)] = static_cast<std::int16_t>(value);
    ForgetColumn(i, index);
    if (index == line.filled) ++line.filled;
    if (scroll && (graphType_ == TmyGraphType::myGraphNormal ||
                   graphType_ == TmyGraphType::myGraphBar)) {
        FollowStep(index);
    }
    return 0;
}

int TmyFreqGraph2::SetSample(int i, std::int64_t freq, double value, bool scroll) {
    const std::int64_t n = StepOf(freq);
    // A frequency below Start or far beyond Stop is no step of this line.
    if (n < 0 || n > INT32_MAX) return ValidLine(i) ? -2 : -1;
    return ChangeSample(i, static_cast<int>(n), value, scroll);
}

double TmyFreqGraph2::GetSample(int i, std::int64_t freq) const {
    if (!ValidLine(i) || freq < start_) return min_ - 1;
    const std::int64_t n = StepOf(freq);
    const TmyGraphLine2& line = Line(i);
    if (n < 0 || n >= line.filled) return min_ - 1;
    return line.samples[static_cast<std::size_t>(n)];
}

int TmyFreqGraph2::GetLineLen(int i) const { return ValidLine(i) ? Line(i).filled : 0; }
int TmyFreqGraph2::GetLineTotalLen(int i) const { return ValidLine(i) ? Line(i).capacity : 0; }
int TmyFreqGraph2::GetLinePos(int i) const { return ValidLine(i) ? Line(i).position : 0; }

int TmyFreqGraph2::SetLinePos(int i, int value) {
    if (!ValidLine(i)) return 0;
    Line(i).position = value;
    return value;
}

bool TmyFreqGraph2::GetShowLine(int i) const { return ValidLine(i) && Line(i).shown != 0; }

void TmyFreqGraph2::SetShowLine(int i, bool shown) {
    if (!ValidLine(i)) return;
    Line(i).shown = shown ? 1 : 0;
    DrawGrid();
}

TColor TmyFreqGraph2::GetLineColor(int i) const { return ValidLine(i) ? Line(i).colour : 0; }

void TmyFreqGraph2::SetLineColor(int i, TColor colour) {
    if (!ValidLine(i)) return;
    Line(i).colour = colour;
    DrawGrid();
}

// --- range and marker ---

std::int64_t TmyFreqGraph2::RangeSteps(std::int64_t start, std::int64_t stop, std::int64_t step) {
    if (start >= stop || step < 1) return 0;
    if (start < -kFrequencyLimit || stop > kFrequencyLimit) return 0;
    std::int64_t n = (stop - start) / step; // below 2^63: both ends are within 2^62
    if (n > kMaxSteps) return 0;
    if (n == 0) n = 1;
    // The cut range ends at start + n x step, which must be within the limit too.
    if (static_cast<__int128>(start) + static_cast<__int128>(n) * step > kFrequencyLimit) return 0;
    return n;
}

std::int64_t TmyFreqGraph2::StepOf(std::int64_t freq) const {
    const __int128 n = (static_cast<__int128>(freq) - start_) / step_;
    return n > INT64_MAX ? INT64_MAX : n < INT64_MIN ? INT64_MIN : static_cast<std::int64_t>(n);
}

bool TmyFreqGraph2::SetRange(std::int64_t start, std::int64_t stop, std::int64_t step) {
    if (start == start_ && stop == stop_ && step == step_) return true;
    const std::int64_t n = RangeSteps(start, stop, step);
    if (n == 0) return false;
    step_ = step;
    start_ = start;
    stop_ = start + n * step;
    markerFreq_ = start_ + StepOf(std::clamp(markerFreq_, start_, stop_)) * step_;
    ClearGraph();
    SetZoom(1);
    return true;
}

void TmyFreqGraph2::SetMarkerFreq(std::int64_t freq) {
    // Held to the range first: a step number of a far frequency times the step leaves 64 bits.
    freq = start_ + StepOf(std::clamp(freq, start_, stop_)) * step_;
    if (freq == markerFreq_) return;
    markerFreq_ = freq;
    DrawGrid();
}

// --- hit statistics ---

void TmyFreqGraph2::AddHitRound() {
    // One bit per step index a line can hold (capacity + 1 values).
    if (!roundBitsAllocated_) {
        roundBits_.assign(static_cast<std::size_t>((StepCount() + 2 + 7) / 8), 0);
        roundBitsAllocated_ = true;
    } else {
        std::fill(roundBits_.begin(), roundBits_.end(), std::uint8_t{0});
    }
}

bool TmyFreqGraph2::RoundHit(int n) const {
    if (n < 0 || static_cast<std::size_t>(n / 8) >= roundBits_.size()) return false;
    return (roundBits_[static_cast<std::size_t>(n / 8)] >> (n % 8) & 1) != 0;
}

int TmyFreqGraph2::AddHit(int i, int n, bool hit, bool scroll) {
    // The rounds line must follow its hits line.
    if (!ValidLine(i) || !ValidLine(i + 1)) return -1;
    TmyGraphLine2& hits = Line(i);
    TmyGraphLine2& rounds = Line(i + 1);
    if (n < 0 || n > hits.filled) n = hits.filled;
    if (n > hits.capacity || n > rounds.capacity) return -2;
    const auto at = static_cast<std::size_t>(n);
    Count(rounds.samples[at]);
    if (hit) Count(hits.samples[at]);
    maxHits_ = std::max<int>(maxHits_, hits.samples[at]);
    if (n == hits.filled) ++hits.filled;
    if (hit) {
        if (!roundBitsAllocated_) AddHitRound();
        if (at / 8 < roundBits_.size()) roundBits_[at / 8] |= static_cast<std::uint8_t>(1u << (n % 8));
    }
    ForgetColumn(i, n);
    if (scroll && (graphType_ == TmyGraphType::myGraphHistogramAbsolute ||
                   graphType_ == TmyGraphType::myGraphHistogramRelative)) {
        FollowStep(n);
    }
    return 0;
}

int TmyFreqGraph2::AddHitFreq(int i, std::int64_t freq, bool hit, bool scroll) {
    const std::int64_t n = StepOf(freq);
    if (n < 0 || n > INT32_MAX) return ValidLine(i) && ValidLine(i + 1) ? -2 : -1;
    return AddHit(i, static_cast<int>(n), hit, scroll);
}

double TmyFreqGraph2::GetHitsVal(int i, int n) const {
    if (!ValidLine(i) || !ValidLine(i + 1)) return 0;
    const TmyGraphLine2& hits = Line(i);
    if (n < 0 || n > hits.capacity || n > Line(i + 1).capacity) return 0;
    const auto at = static_cast<std::size_t>(n);
    const double h = std::max<std::int16_t>(hits.samples[at], 0);
    double d = graphType_ == TmyGraphType::myGraphHistogramRelative
                   ? maxHits_
                   : std::max<std::int16_t>(Line(i + 1).samples[at], 0);
    if (d == 0) d = 1;
    return std::min(h, d) / d;
}

int TmyFreqGraph2::GetVisibleLocalMax(int i, int n) const {
    if (!ValidLine(i)) return -1;
    const TmyGraphLine2& line = Line(i);
    if (n < 0 || n >= line.filled) return -1;
    const __int128 perColumn = static_cast<__int128>(zoom_) * plotW_ * step_;
    const std::int64_t g =
        perColumn > 0 ? static_cast<std::int64_t>((stop_ - start_) / perColumn) : 0;
    const std::int64_t from = std::max<std::int64_t>(0, n - g - 1);
    const std::int64_t to = std::min<std::int64_t>(n + g + 1, line.filled - 1);
    int best = n;
    for (std::int64_t k = from; k < to; ++k) {
        if (line.samples[static_cast<std::size_t>(k)] >= line.samples[static_cast<std::size_t>(best)])
            best = static_cast<int>(k);
    }
    return best;
}

// --- scales ---

void TmyFreqGraph2::SetMin(double v) {
    SetLowerBound(min_, max_, v);
    leftExtra_ = 0;
    GetFontSizes();
}

void TmyFreqGraph2::SetMax(double v) {
    SetUpperBound(min_, max_, v);
    leftExtra_ = 0;
    GetFontSizes();
}

void TmyFreqGraph2::SetAltMin(double v) {
    SetLowerBound(altMin_, altMax_, v);
    rightExtra_ = 0;
    GetFontSizes();
}

void TmyFreqGraph2::SetAltMax(double v) {
    SetUpperBound(altMin_, altMax_, v);
    rightExtra_ = 0;
    GetFontSizes();
}

void TmyFreqGraph2::SetBarMin(double v) {
    SetLowerBound(barMin_, barMax_, v);
    GetFontSizes();
}

void TmyFreqGraph2::SetBarMax(double v) {
    SetUpperBound(barMin_, barMax_, v);
    GetFontSizes();
}

// --- display setters ---

void TmyFreqGraph2::SetScrollBarSize(int v) {
    scrollBar_->SetHeight(v);
    StandUp();
}

void TmyFreqGraph2::SetShowAlterScale(bool v) { showAlterScale_ = v; GetFontSizes(); }
void TmyFreqGraph2::SetColorBackground(TColor v) { colorBackground_ = v; DrawGrid(); }
void TmyFreqGraph2::SetColorGrid(TColor v) { colorGrid_ = v; DrawGrid(); }
void TmyFreqGraph2::SetColorAxes(TColor v) { colorAxes_ = v; DrawGrid(); }
void TmyFreqGraph2::SetAltColor(TColor v) { altColor_ = v; DrawGrid(); }
void TmyFreqGraph2::SetMarkerColor(TColor v) { markerColor_ = v; DrawGrid(); }
void TmyFreqGraph2::SetLegendX(const std::string& v) { legendX_ = v; GetFontSizes(); }
void TmyFreqGraph2::SetLegendY(const std::string& v) { legendY_ = v; GetFontSizes(); }
void TmyFreqGraph2::SetShowYlegend(bool v) { showYlegend_ = v; GetFontSizes(); }
void TmyFreqGraph2::SetShowMarker(bool v) { showMarker_ = v; GetFontSizes(); }
void TmyFreqGraph2::SetGraphType(TmyGraphType type) { graphType_ = type; GetFontSizes(); }

void TmyFreqGraph2::SetShowGrid(bool v) {
    if (v == showGrid_) return;
    showGrid_ = v;
    DrawGrid();
}

void TmyFreqGraph2::SetDeltaMode(bool v) {
    deltaMode_ = v;
    DrawTopLabel(cursorFreq_);
}

void TmyFreqGraph2::SetFont(const TFont& font) {
    Font().Assign(font);
    GetFontSizes();
}

} // namespace lxq
