#pragma once
// The toolkit's signal display: a block of 32-bit samples (one or more interleaved traces) shown
// as a time-domain scope (mode 0), a power spectrum over a frequency span (mode 1) or a
// spectrogram through a colour palette (mode 2). The plot is rendered into an off-screen bitmap
// only when a dirty bit asks for it; markers, level lines and scope cursors can be dragged, and
// a hover callback can show a tooltip over the plot while a button is held.
//
// Owners load samples from message handlers, possibly on another thread: buffers and ranges are
// guarded by the graph's recursive lock, which painting holds too. Dirty bits live in the state
// word and change atomically, so a request arriving during a paint is not lost.

#include "demod/dsp/RC_Fft.h"
#include "demod/dsp/RC_Lock.h"
#include "demod/dsp/RC_String.h"
#include "demod/ui/toolkit/RC_Bitmap.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <cstdint>
#include <vector>

class RC_GraphTooltip;

class RC_Graph : public RC_Window {
public:
    // Dirty bits (state word).
    static constexpr std::uint32_t kDirtyRow = 0x800;       // a new spectrogram row
    static constexpr std::uint32_t kDirtyPlot = 0x1000;
    static constexpr std::uint32_t kDirtyFrame = 0x2000;    // frame, axes and labels
    static constexpr std::uint32_t kDirtyGrid = 0x4000;     // implies the plot
    static constexpr std::uint32_t kDirtyHistory = 0x8000;  // reset the spectrogram history
    static constexpr std::uint32_t kDirtyBits = 0xF800;
    // Style word bits.
    static constexpr std::uint32_t kHorizontalGrid = 0x800;
    static constexpr std::uint32_t kVerticalAxis = 0x1000;
    static constexpr std::uint32_t kVerticalGrid = 0x2000;
    static constexpr std::uint32_t kHorizontalAxis = 0x4000;
    static constexpr std::uint32_t kAxisLabels = 0x8000;
    static constexpr std::uint32_t kLevelLabels = 0x10000;
    static constexpr std::uint32_t kCursorNumbers = 0x20000;
    static constexpr std::uint32_t kThresholdLine = 0x300000;
    static constexpr std::uint32_t kLinear = 0x400000;
    static constexpr std::uint32_t kLevelLine = 0x800000;
    static constexpr std::uint32_t kSignedLabels = 0x1000000;
    static constexpr std::uint32_t kPaletteReversed = 0x2000000;
    static constexpr std::uint32_t kPaletteInterpolated = 0x4000000;
    static constexpr std::uint32_t kPaletteBar = 0x8000000;
    static constexpr std::uint32_t kSpectrogramKind = 0x30000000;
    static constexpr std::uint32_t kHistoryFades = 0x40000000;
    static constexpr std::uint32_t kHistoryDirection = 0x80000000;
    // Flag word B bits.
    static constexpr std::uint32_t kAveraging = 0x1;
    static constexpr std::uint32_t kStackedPanes = 0x2;
    static constexpr std::uint32_t kSmoothing = 0x4;
    static constexpr std::uint32_t kMarkersFree = 0x8;
    static constexpr std::uint32_t kRightButtonDrags = 0x10;
    // Drag targets.
    static constexpr int kTargetNone = -1;
    static constexpr int kTargetLevel = -2;
    static constexpr int kTargetPaletteStop0 = -3; // down to -22 for stop 19
    static constexpr int kTargetDivider = -22;
    static constexpr int kTargetSplit0 = -23;      // and below

    static constexpr int kPaletteStops = 20;

    struct Marker {
        float x;
        std::uint32_t colour;
        std::uint32_t flags; // 1 shown, 2 value in the header, 4 numbered
    };
    struct Band {
        float from, to;
        std::int32_t pixelFrom, pixelTo;
        std::uint32_t colour, drawnColour;
    };
    struct LevelLine {
        float value;
        std::uint32_t colour;
        std::uint32_t reserved;
    };
    static_assert(sizeof(Marker) == 12 && sizeof(Band) == 24 && sizeof(LevelLine) == 12);

    using PowerFn = void (*)(void* user, RC_Graph* graph, const float* values, std::uint32_t count);
    using BandColourFn = std::uint32_t (*)(void* user, RC_Graph* graph, int trace, int band);
    using IndexFn = void (*)(void* user, RC_Graph* graph, int index);
    // A text from the plug-in heap (RC_Alloc), or null for none; the graph frees it.
    using HoverFn = char* (*)(void* user, RC_Graph* graph, double x, double y);

    RC_Graph(RC_Window* parent, int x, int y, int width, int height);
    ~RC_Graph() override;

    void Move(int x, int y, int width, int height, bool relayout) override;
    void SetStateFlags(std::uint32_t bits) override;
    void Invalidate() override;
    void PaintContent() override;
    // A new trace or spectrogram row: the plot alone (and what is drawn over it) is painted.
    plat::gdi::Rect PaintPart() override;
    // Whether DrawTexts puts anything on the plot itself (marker numbers, read-outs).
    bool TextsOnPlot() const;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;

    void SetPointCount(std::int32_t n);
    void SetMinFrequency(double f);
    void SetMaxFrequency(double f);
    void SetCentreOffset(double offset);
    void SetLabelStep(double step);
    void SetLevel(float level);
    void SetMarker(int index, float x, std::uint32_t colour, bool shown, bool header, bool numbered, bool repaint);
    void ClampMarkers();
    void SetMarkerCount(int n);
    void SetBand(int index, float a, float b, bool repaint);
    void SetBandCount(int n);
    void SetMode(int mode);
    void SetSampleRate(float rate);
    void SetScopeLevel(int index, float value);
    void SetScopeLevelCount(int n);
    void SetCursor(int index, float time);
    void SetCursorCount(int n);
    void SetThreshold(float value);
    void SetTraceColour(int index, std::uint32_t colour);
    void SetTraceCount(int n);
    void SetLabelCount(int divisions);
    void SetSplit(int index, std::int32_t y);
    void SetSamples(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride);
    void SetSamplesStereo(const std::int16_t* left, const std::int16_t* right, std::uint32_t count, std::uint32_t stride);
    void SetPaletteStop(int index, std::uint32_t colour);
    void RebuildPalette();

    // Plain settings the owners set directly.
    float averaging = 0.5f;
    std::int32_t sampleBits = 16;
    std::uint32_t gridColour = 0x8000;
    std::uint32_t labelColour = 0xff00;
    std::uint32_t markerColour = 0xff;
    std::uint32_t bandColour = 0x606060;
    std::int32_t dbRange = -100;
    std::int32_t yDivisions = 8, yTick = 2, ySubTicks = 5, yAxisAt = 0;
    std::int32_t xTick = 2, xSubTicks = 5, xAxisAt = 0;
    float linearTop = 1.0f, linearBottom = 0.0f;
    float scopeTop = 32767.0f, scopeBottom = -32768.0f;
    std::int32_t timeOffset = 0;
    float timeOrigin = 0.0f;
    float timePerDivision = 0.001f;
    std::int32_t traceStyle = 1;
    float smoothingFrequency = 1000.0f;
    std::uint32_t defaultTraceColour = 0xffffff;

    RC_Callback<PowerFn> onRawSpectrum;
    // The dB values about to be drawn (N/2; ShownBins() of them computed for this paint). They are
    // a copy kept for drawing only: the owner may correct them in place.
    RC_Callback<PowerFn> onDbSpectrum;
    RC_Callback<BandColourFn> onBandColour;
    RC_Callback<IndexFn> onMarkerDragged;
    RC_Callback<IndexFn> onLevelDragged;
    RC_Callback<HoverFn> onHover;

    // Read-outs.
    std::uint32_t PointCount() const { return points_; }
    int TraceCount() const { return static_cast<int>(traceColours_.size()); }
    int Mode() const { return mode_; }
    double MinFrequency() const { return minimum_; }
    double MaxFrequency() const { return maximum_; }
    float Level() const { return level_; }
    float SampleRate() const { return rate_; }
    float Threshold() const { return threshold_; }
    int DragTarget() const { return target_; }
    int MarkerCount() const { return static_cast<int>(markers_.size()); }
    const Marker& MarkerAt(int i) const { return markers_[static_cast<std::size_t>(i)]; }
    const Band& BandAt(int i) const { return bands_[static_cast<std::size_t>(i)]; }
    float CursorAt(int i) const { return cursors_[static_cast<std::size_t>(i)]; }
    float ScopeLevelAt(int i) const { return levels_[static_cast<std::size_t>(i)].value; }
    int LabelCount() const { return xDivisions_; }
    const std::int32_t* Samples() const { return samples_.data(); }
    const float* History() const { return history_.data(); }
    std::uint32_t PaletteEntry(int i) const { return palette_[static_cast<std::size_t>(i)]; }
    std::uint32_t PaletteStop(int i) const { return stops_[static_cast<std::size_t>(i)]; }
    std::int32_t SplitAt(int i) const { return splits_[i]; }
    const RC_GraphTooltip* Tooltip() const { return tooltip_; }
    // The plot rectangle the last paint used (window coordinates).
    const plat::gdi::Rect& PlotRect() const { return plot_; }
    // Bins lo..hi shown for the current range and point count.
    void ShownBins(std::uint32_t& lo, std::uint32_t& hi) const;
    // x pixel of a value in the current range, and back.
    int XOfValue(double value) const;
    double ValueOfX(int x) const;

protected:
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override;

private:
    void Request(std::uint32_t bits) { SetStateFlags(bits); }
    // Takes the dirty bits for this paint: cleared by compare-and-exchange so a request arriving
    // meanwhile stays set.
    std::uint32_t TakeDirty();
    void ReallocateLocked();
    // Copies every stride-th of `values` samples of each source into traces 0.. of the buffer;
    // false when the graph has fewer traces than sources.
    bool LoadTraces(const std::int16_t* const* sources, std::size_t count, std::uint32_t values, std::uint32_t stride);
    std::uint32_t Ink(std::uint32_t colour) const; // 0x00BBGGRR to bitmap order, dimmed when disabled
    void Layout();
    void ComputeSpectrum(int trace, std::uint32_t lo, std::uint32_t hi, std::vector<int>& heights);
    void RenderSpectrum(std::uint32_t dirty);
    void RenderSpectrogram(std::uint32_t dirty);
    void RenderScope();
    void DrawGridAndAxes(int plotHeight, int hDivisions);
    void DrawTrace(const std::vector<int>& heights, int top, int height, int trace, std::uint32_t colour);
    void DrawMarkersIntoBitmap();
    void DrawLevelLineIntoBitmap();
    void DrawTexts();
    std::uint32_t BandColourAt(int x, int trace) const;
    int HitTarget(int x, int y) const;
    void DragTo(int x, int y);
    void Hover(int x, int y, bool held);
    void DropTooltip();
    void AppendValueLabel(RC_String& text, double value, bool withSign) const;
    void AppendTimeLabel(RC_String& text, double value) const;

    RC_Bitmap bitmap_;
    RC_Fft fft_;
    RC_Lock lock_;
    float level_ = 0.0f;
    std::vector<std::int32_t> samples_; // N x (traces + 1): the last N are the transform's work space
    std::uint32_t points_ = 0;
    int target_ = kTargetNone;
    std::vector<float> history_;        // N/2 per trace
    std::vector<float> shown_;          // N/2: one trace's dB values as they are drawn
    double minimum_ = 0.0, maximum_ = 5512.0, centreOffset_ = 0.0, labelStep_ = 0.0;
    std::vector<Marker> markers_;
    std::vector<Band> bands_;
    bool paintedEnabled_ = true;
    float rate_ = 11025.0f;
    int mode_ = 0;
    int rightHeld_ = 0;
    std::vector<LevelLine> levels_;
    std::vector<float> cursors_;
    RC_GraphTooltip* tooltip_ = nullptr;
    int hoverX_ = -1, hoverY_ = -1;
    std::vector<std::uint32_t> traceColours_;
    float threshold_ = 0.0f;
    std::int32_t xDivisions_ = 16;
    std::int32_t step3dX_ = 6, depth3d_ = 12, rowStep_ = 1, rowCount_ = 1;
    std::uint32_t stops_[kPaletteStops] = {};
    std::uint32_t palette_[256] = {};
    std::int32_t splitCount_ = 0;
    std::int32_t splits_[4] = {};
    std::int32_t dividerX_ = 0;
    RC_String text1_, text2_;
    plat::gdi::Rect plot_{};
    std::vector<float> power_; // the scaled power spectrum of the trace being transformed
    std::vector<std::vector<int>> heights_; // per trace: heights of the shown bins at the last transform
    std::vector<std::vector<float>> rowsFraction_; // spectrogram rows, newest first, 0..1 per shown bin
};
