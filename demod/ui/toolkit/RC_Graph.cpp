// The graph's life cycle, setters and style changes.

#include "demod/ui/toolkit/RC_Graph.h"

#include "demod/ui/toolkit/RC_GraphTooltip.h"

#include <algorithm>
#include <mutex>

namespace {

std::uint32_t RoundUpToPowerOfTwo(std::int32_t n) {
    std::uint32_t p = 1;
    while (p < static_cast<std::uint32_t>(std::max(n, 1)) && p < (1u << 30)) p <<= 1;
    return p;
}

} // namespace

RC_Graph::RC_Graph(RC_Window* parent, int x, int y, int width, int height)
    : RC_Window(parent, x, y, width, height, kWindowless) {
    SetBackgroundColour(0x000000);
    SetFrameColour(0x404040);
    SetFrameType(1);
    SetFrameWidth(2);
    traceColours_.assign(1, defaultTraceColour);
    for (int i = 0; i < kPaletteStops; ++i) {
        const auto v = static_cast<std::uint32_t>(255 * (kPaletteStops - 1 - i) / (kPaletteStops - 1));
        stops_[i] = v | v << 8 | v << 16;
    }
    RebuildPalette();
    SetPointCount(512);
    SetFlags(kHorizontalGrid | kVerticalGrid | kAxisLabels | kLevelLabels, 0);
}

RC_Graph::~RC_Graph() { DropTooltip(); }

void RC_Graph::Move(int x, int y, int width, int height, bool relayout) {
    if (x == X() && y == Y() && width == Width() && height == Height()) return;
    Request(kDirtyFrame | kDirtyPlot);
    RC_Window::Move(x, y, width, height, relayout);
}

void RC_Graph::SetStateFlags(std::uint32_t bits) {
    if ((bits & kDirtyGrid) != 0) bits |= kDirtyPlot;
    const std::uint32_t dirty = bits & kDirtyBits;
    if (dirty != 0) {
        const std::uint32_t newly = dirty & ~OrState(dirty);
        // New data changes the plot alone: only it is painted again, once it has been laid out
        // (the layout is the window's own thread's; from another thread the whole graph).
        const bool data = (newly & (kDirtyPlot | kDirtyRow)) != 0;
        if ((newly & kDirtyFrame) != 0 || (data && (!OnOwnThread() || plot_.IsEmpty())))
            RC_Window::Invalidate();
        else if (data)
            InvalidatePart(plot_);
    }
    if ((bits & ~kDirtyBits) != 0) RC_Window::SetStateFlags(bits & ~kDirtyBits);
}

void RC_Graph::Invalidate() {
    Request(kDirtyFrame | kDirtyPlot);
    RC_Window::Invalidate();
}

std::uint32_t RC_Graph::TakeDirty() {
    // One atomic AND: a request that lands after it sets its bits again for the next paint.
    return AndState(~kDirtyBits) & kDirtyBits;
}

void RC_Graph::ReallocateLocked() {
    const std::size_t traces = traceColours_.size();
    samples_.assign(static_cast<std::size_t>(points_) * (traces + 1), 0);
    history_.assign(static_cast<std::size_t>(points_ / 2) * traces, 0.0f);
    rowsFraction_.clear();
}

void RC_Graph::SetPointCount(std::int32_t n) {
    const std::uint32_t p = RoundUpToPowerOfTwo(n);
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (p == points_) return;
        points_ = p;
        ReallocateLocked();
    }
    Request(kDirtyPlot | kDirtyFrame | kDirtyHistory);
}

void RC_Graph::SetMinFrequency(double f) {
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (f < 0) f = 0;
        if (f >= rate_ / 2.0) f = 0.9 * rate_;
        if (f == minimum_) return;
        minimum_ = f;
        if (minimum_ >= maximum_) maximum_ = minimum_ + 0.1 * rate_;
    }
    if (mode_ != 0) Request(kDirtyPlot | kDirtyFrame);
}

void RC_Graph::SetMaxFrequency(double f) {
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (f == 0) f = 0.001;
        if (f == maximum_) return;
        maximum_ = f;
        if (maximum_ <= minimum_) minimum_ = maximum_ * 0.999;
    }
    if (mode_ != 0) Request(kDirtyPlot | kDirtyFrame);
}

void RC_Graph::SetCentreOffset(double offset) {
    if (offset == centreOffset_) return;
    centreOffset_ = offset;
    if (mode_ != 0) Request(kDirtyPlot | kDirtyFrame);
}

void RC_Graph::SetLabelStep(double step) {
    if (step == labelStep_) return;
    labelStep_ = step;
    Request(kDirtyGrid | kDirtyFrame);
}

void RC_Graph::SetLevel(float level) {
    level = std::clamp(level, 0.0f, 1.0f);
    if (level == level_) return;
    level_ = level;
    if (mode_ != 0) Request(kDirtyPlot | kDirtyFrame);
}

void RC_Graph::SetMarker(int index, float x, std::uint32_t colour, bool shown, bool header, bool numbered, bool repaint) {
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (index < 0 || index >= MarkerCount()) return;
        if ((FlagsB() & kMarkersFree) == 0) x = std::clamp(x, static_cast<float>(minimum_), static_cast<float>(maximum_));
        Marker& m = markers_[static_cast<std::size_t>(index)];
        const Marker next{x, colour, (shown ? 1u : 0u) | (header ? 2u : 0u) | (numbered ? 4u : 0u)};
        if (m.x == next.x && m.colour == next.colour && m.flags == next.flags) return;
        m = next;
    }
    if (mode_ != 0 && repaint) Request(kDirtyFrame);
}

void RC_Graph::ClampMarkers() {
    if ((FlagsB() & kMarkersFree) != 0) return;
    std::lock_guard<RC_Lock> hold(lock_);
    for (Marker& m : markers_) m.x = std::clamp(m.x, static_cast<float>(minimum_), static_cast<float>(maximum_));
}

void RC_Graph::SetMarkerCount(int n) {
    n = std::max(n, 0);
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (n == MarkerCount()) return;
        markers_.resize(static_cast<std::size_t>(n), Marker{static_cast<float>(minimum_), markerColour, 7u});
    }
    if (mode_ != 0) Request(kDirtyFrame);
}

void RC_Graph::SetBand(int index, float a, float b, bool repaint) {
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (index < 0 || index >= static_cast<int>(bands_.size())) return;
        Band& band = bands_[static_cast<std::size_t>(index)];
        if (band.from == std::min(a, b) && band.to == std::max(a, b)) return;
        band.from = std::min(a, b);
        band.to = std::max(a, b);
    }
    if (mode_ == 1 && repaint) Request(kDirtyPlot);
}

void RC_Graph::SetBandCount(int n) {
    n = std::max(n, 0);
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (n == static_cast<int>(bands_.size())) return;
        bands_.resize(static_cast<std::size_t>(n), Band{0, 0, 0, 0, bandColour, bandColour});
    }
    if (mode_ == 1) Request(kDirtyPlot);
}

void RC_Graph::SetMode(int mode) {
    if (mode < 0 || mode > 2 || mode == mode_) return;
    mode_ = mode;
    if (mode == 0) Request(kDirtyPlot | kDirtyFrame | kDirtyGrid);
    if (mode == 2) Request(kDirtyPlot | kDirtyFrame | kDirtyHistory);
    if (mode == 1) RC_Window::Invalidate();
}

void RC_Graph::SetSampleRate(float rate) {
    rate = std::max(rate, 0.001f);
    if (rate == rate_) return;
    rate_ = rate;
    Request(kDirtyPlot | kDirtyFrame | kDirtyGrid);
}

void RC_Graph::SetScopeLevelCount(int n) {
    n = std::max(n, 0);
    std::lock_guard<RC_Lock> hold(lock_);
    levels_.resize(static_cast<std::size_t>(n), LevelLine{0.0f, markerColour, 0});
}

void RC_Graph::SetScopeLevel(int index, float value) {
    if (index < 0 || index >= static_cast<int>(levels_.size())) return;
    value = std::clamp(value, scopeBottom, scopeTop);
    if (levels_[static_cast<std::size_t>(index)].value == value) return;
    levels_[static_cast<std::size_t>(index)].value = value;
    if (mode_ == 0) Request(kDirtyFrame);
}

void RC_Graph::SetCursorCount(int n) {
    n = std::max(n, 0);
    std::lock_guard<RC_Lock> hold(lock_);
    cursors_.resize(static_cast<std::size_t>(n), 0.0f);
}

void RC_Graph::SetCursor(int index, float time) {
    if (index < 0 || index >= static_cast<int>(cursors_.size())) return;
    time = std::clamp(time, 0.0f, static_cast<float>(xDivisions_) * timePerDivision);
    if (cursors_[static_cast<std::size_t>(index)] == time) return;
    cursors_[static_cast<std::size_t>(index)] = time;
    if (mode_ == 0) Request(kDirtyFrame);
}

void RC_Graph::SetThreshold(float value) {
    value = std::clamp(value, scopeBottom, scopeTop);
    if (value == threshold_) return;
    threshold_ = value;
    if (mode_ == 0) Request(kDirtyPlot);
}

void RC_Graph::SetTraceColour(int index, std::uint32_t colour) {
    if (index < 0 || index >= TraceCount()) return;
    if (traceColours_[static_cast<std::size_t>(index)] == colour) return;
    traceColours_[static_cast<std::size_t>(index)] = colour;
    RC_Window::Invalidate();
    Request(kDirtyGrid);
}

void RC_Graph::SetTraceCount(int n) {
    n = std::max(n, 1);
    {
        std::lock_guard<RC_Lock> hold(lock_);
        if (n == TraceCount()) return;
        traceColours_.resize(static_cast<std::size_t>(n), defaultTraceColour);
        ReallocateLocked();
    }
    Request(kDirtyGrid | kDirtyHistory | kDirtyFrame);
}

void RC_Graph::SetLabelCount(int divisions) {
    divisions = std::max(divisions, 1);
    if (divisions == xDivisions_) return;
    xDivisions_ = divisions;
    const float limit = static_cast<float>(divisions) * timePerDivision;
    for (float& c : cursors_) c = std::min(c, limit);
    Request(kDirtyGrid);
}

void RC_Graph::SetSplit(int index, std::int32_t y) {
    if (index < 0 || index > 1) return;
    y = std::max(y, 0);
    if (splits_[index] == y) return;
    splits_[index] = y;
    splitCount_ = std::max(splitCount_, index + 1);
    if (mode_ == 2 && ((FlagsA() & kSpectrogramKind) >> 28) == 0) RC_Window::Invalidate();
}

void RC_Graph::SetSamples(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride) {
    if (samples == nullptr || stride == 0) return;
    const std::int16_t* traces[] = {samples};
    if (LoadTraces(traces, 1, count, stride)) Request(kDirtyPlot | kDirtyRow);
}

void RC_Graph::SetSamplesStereo(const std::int16_t* left, const std::int16_t* right, std::uint32_t count,
                                std::uint32_t stride) {
    if (left == nullptr || right == nullptr || stride == 0) return;
    const std::int16_t* traces[] = {left, right};
    if (LoadTraces(traces, 2, count, stride)) Request(kDirtyPlot | kDirtyRow);
}

bool RC_Graph::LoadTraces(const std::int16_t* const* sources, std::size_t count, std::uint32_t values, std::uint32_t stride) {
    std::lock_guard<RC_Lock> hold(lock_);
    const std::size_t traces = traceColours_.size();
    if (traces < count) return false;
    // The buffer is cleared first: a short block leaves zeros, not the previous block's tail.
    std::fill(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(points_ * traces), 0);
    const std::uint64_t n = std::min<std::uint64_t>(values, static_cast<std::uint64_t>(stride) * points_);
    std::size_t point = 0;
    for (std::uint64_t i = 0; i < n; i += stride, ++point) {
        for (std::size_t t = 0; t < count; ++t) samples_[point * traces + t] = sources[t][i];
    }
    return true;
}

void RC_Graph::SetPaletteStop(int index, std::uint32_t colour) {
    if (index < 0 || index >= kPaletteStops) return;
    stops_[index] = colour;
    RebuildPalette();
}

void RC_Graph::RebuildPalette() {
    const std::uint32_t style = FlagsA();
    const bool reversed = (style & kPaletteReversed) != 0;
    std::uint32_t from = stops_[0], to = stops_[kPaletteStops - 1];
    if (reversed) std::swap(from, to);
    for (int i = 0; i < 256; ++i) {
        RC_Colour c;
        if ((style & kPaletteInterpolated) != 0) {
            c = RC_BlendColour(from, to, 255, i);
        } else {
            const int stop = i / 13;
            c = stops_[reversed ? kPaletteStops - 1 - stop : stop];
        }
        palette_[i] = RC_SwapRedBlue(c);
    }
    if (mode_ == 2) Request(kDirtyFrame);
}

void RC_Graph::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t oldA = FlagsA(), oldB = FlagsB();
    RC_Window::OnFlagsChanged(a, b);
    const std::uint32_t ca = oldA ^ a, cb = oldB ^ b;
    if ((State() & kConstructing) != 0) return;
    std::uint32_t request = 0;
    if ((ca & 0xC7800) != 0) request |= kDirtyGrid;
    if ((ca & kSpectrogramKind) != 0) request |= kDirtyFrame | kDirtyHistory;
    if ((ca & 0x6C00000) != 0 || (cb & kStackedPanes) != 0 || (a & (kAxisLabels | kLevelLabels)) == 0) {
        request |= kDirtyFrame;
    }
    const bool kind3dLines = ((a & kSpectrogramKind) >> 28) == 1;
    const bool plotChange = (mode_ == 0 && (ca & 0x3C7800) != 0) ||
                            (mode_ == 1 && ((ca & 0xC07800) != 0 || (cb & (kAveraging | kSmoothing)) != 0)) ||
                            (mode_ == 2 && kind3dLines && (ca & 0xC0C00000) != 0) ||
                            (mode_ != 2 && (cb & kStackedPanes) != 0);
    if (plotChange) request |= kDirtyPlot;
    if ((ca & 0x36000000) != 0) RebuildPalette();
    if ((ca & kLinear) != 0 || ((cb & kAveraging) != 0 && (b & kAveraging) == 0)) {
        std::lock_guard<RC_Lock> hold(lock_);
        std::fill(history_.begin(), history_.end(), 0.0f);
        rowsFraction_.clear();
    }
    if (request != 0) Request(request);
    if ((ca & 0x36018000) != 0 || (mode_ != 0 && (ca & kSignedLabels) != 0) || (mode_ == 0 && (ca & kThresholdLine) != 0)) {
        RC_Window::Invalidate();
    }
}
