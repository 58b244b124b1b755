#pragma once
// The spectrum graph: values per frequency step over a 64-bit frequency range cut into equal
// steps, drawn as lines, bars or hit histograms with scales, grid, a marker and a cursor that
// follows the mouse. Zoom widens the virtual plot; a 64-bit scroll bar pans it. The graph never
// talks to the receiver: its owner feeds values and reacts to OnVisiTune.
//
// Data and ranges live in TmyFreqGraph2.cpp, layout and drawing in TmyFreqGraph2Draw.cpp, the
// cursor and read-out in TmyFreqGraph2Cursor.cpp, the graph file and printing in
// TmyFreqGraph2File.cpp.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/controls/TmyGraphLine2.h"
#include "app/controls/TmyImage.h"
#include "app/controls/TmyScrollBar.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TWinControl.h"

namespace lxq {

enum class TmyGraphType { myGraphNormal = 0, myGraphBar = 1, myGraphHistogramAbsolute = 2,
                          myGraphHistogramRelative = 3 };

using TVisiTuneEvent = std::function<void(plat::comp::TObject* sender, std::int64_t freq,
                                          plat::comp::TShiftState shift)>;

class TmyFreqGraph2 : public plat::comp::TWinControl {
public:
    explicit TmyFreqGraph2(plat::comp::TComponent* owner);
    ~TmyFreqGraph2() override;
    const char* ClassName() const override { return "TmyFreqGraph2"; }

    // --- properties ---
    int Zoom() const { return zoom_; }
    void SetZoom(int z);
    int TopLabelSpace() const { return topLabelSpace_; }
    void SetTopLabelSpace(int v) { topLabelSpace_ = v; }
    int ScrollBarSize() const { return scrollBar_->Height(); }
    void SetScrollBarSize(int v);
    void SetScrollBarColor(TColor v) { scrollBar_->SetBackColor(v); }
    void SetScrollBarBtnColor(TColor v) { scrollBar_->SetButtonColor(v); }
    void SetScrollBarColorArrow(TColor v) { scrollBar_->SetColorArrow(v); }
    void SetScrollBarColorDisabled(TColor v) { scrollBar_->SetColorDisabled(v); }
    void SetScrollBarColorArrowDisabled(TColor v) { scrollBar_->SetColorDisabledArrow(v); }
    void SetScrollBarBevel(int v) { scrollBar_->SetBevel(v); }
    TColor ColorFreq() const { return colorFreq_; }
    void SetColorFreq(TColor v) { colorFreq_ = v; }
    bool ShowAlterScale() const { return showAlterScale_; }
    void SetShowAlterScale(bool v);
    TColor ColorBackground() const { return colorBackground_; }
    void SetColorBackground(TColor v);
    TColor ColorGrid() const { return colorGrid_; }
    void SetColorGrid(TColor v);
    TColor ColorCursor() const { return colorCursor_; }
    void SetColorCursor(TColor v) { colorCursor_ = v; }
    TColor ColorAxes() const { return colorAxes_; }
    void SetColorAxes(TColor v);
    bool ShowGrid() const { return showGrid_; }
    void SetShowGrid(bool v);
    bool VisiTune() const { return visiTune_; }
    void SetVisiTune(bool v) { visiTune_ = v; }
    bool ShowTopLabel() const { return showTopLabel_; }
    void SetShowTopLabel(bool v) { showTopLabel_ = v; }
    plat::comp::TFont& Font() { return image_->GetCanvas().Font(); }
    void SetFont(const plat::comp::TFont& font);
    std::int64_t Start() const { return start_; }
    void SetStart(std::int64_t v) { SetRange(v, stop_, step_); }
    std::int64_t Stop() const { return stop_; }
    void SetStop(std::int64_t v) { SetRange(start_, v, step_); }
    std::int64_t Step() const { return step_; }
    void SetStep(std::int64_t v) { SetRange(start_, stop_, v); }
    // The frequency at the middle of the view.
    std::int64_t Position() const { return Pix2Freq(plotW_ / 2, true); }
    void SetPos(std::int64_t freq);
    double Min() const { return min_; }
    void SetMin(double v);
    double Max() const { return max_; }
    void SetMax(double v);
    double AltMin() const { return altMin_; }
    void SetAltMin(double v);
    double AltMax() const { return altMax_; }
    void SetAltMax(double v);
    double BarMin() const { return barMin_; }
    void SetBarMin(double v);
    double BarMax() const { return barMax_; }
    void SetBarMax(double v);
    TColor AltColor() const { return altColor_; }
    void SetAltColor(TColor v);
    TmyGraphType GraphType() const { return graphType_; }
    void SetGraphType(TmyGraphType type);
    const std::string& LegendX() const { return legendX_; }
    void SetLegendX(const std::string& v);
    const std::string& LegendY() const { return legendY_; }
    void SetLegendY(const std::string& v);
    const std::string& FreqLabel() const { return freqLabel_; }
    void SetFreqLabel(const std::string& v) { freqLabel_ = v; }
    bool ShowYlegend() const { return showYlegend_; }
    void SetShowYlegend(bool v);
    bool ShowMarker() const { return showMarker_; }
    void SetShowMarker(bool v);
    bool DeltaMode() const { return deltaMode_; }
    void SetDeltaMode(bool v);
    TColor MarkerColor() const { return markerColor_; }
    void SetMarkerColor(TColor v);
    bool MarkerZoom() const { return markerZoom_; }
    void SetMarkerZoom(bool v);
    std::int64_t MarkerFreq() const { return markerFreq_; }
    void SetMarkerFreq(std::int64_t freq);

    TVisiTuneEvent OnVisiTune;

    // --- lines and samples ---
    int AddGraphLine(const std::string& name, const std::string& unit, TColor colour,
                     TmyGraphLineType type);
    void ClearGraph();
    int ClearGraphLine(int i);
    int ChangeSample(int i, int index, double value, bool scroll);
    int AddSample(int i, double value, bool scroll) { return ChangeSample(i, -1, value, scroll); }
    int SetSample(int i, std::int64_t freq, double value, bool scroll);
    double GetSample(int i, std::int64_t freq) const;
    double GetSampleIndex(int i, int n) const { return GetSample(i, GetFreq(n)); }
    std::int64_t GetFreq(std::int64_t n) const { return start_ + n * step_; }
    int GetLinesCount() const { return static_cast<int>(lines_.size()); }
    int GetLineLen(int i) const;
    int GetLineTotalLen(int i) const;
    int GetLinePos(int i) const;
    int SetLinePos(int i, int value);
    bool GetShowLine(int i) const;
    void SetShowLine(int i, bool shown);
    TColor GetLineColor(int i) const;
    void SetLineColor(int i, TColor colour);
    // False, and the graph as it was, for a range it cannot draw or hold (RangeSteps).
    bool SetRange(std::int64_t start, std::int64_t stop, std::int64_t step);
    // The most steps a range is cut into: one more value than the sweep ever asks for (its most
    // points), at two bytes each per line.
    static constexpr std::int64_t kMaxSteps = 500'000'000 - 1;
    // Frequencies the graph draws lie within +-2^62 Hz: the grid steps, labels and pixel sums
    // past the ends of a range stay inside 64 bits.
    static constexpr std::int64_t kFrequencyLimit = std::int64_t{1} << 62;
    // The number of steps SetRange cuts the range into (at least 1: a range shorter than its step
    // is one step long), or 0 when the range cannot be drawn or held.
    static std::int64_t RangeSteps(std::int64_t start, std::int64_t stop, std::int64_t step);

    // --- hit statistics ---
    void AddHitRound();
    int AddHit(int i, int n, bool hit, bool scroll);
    int AddHitFreq(int i, std::int64_t freq, bool hit, bool scroll);
    double GetHitsVal(int i, int n) const;
    int GetVisibleLocalMax(int i, int n) const;
    int MaxHits() const { return maxHits_; }
    bool RoundHit(int n) const;

    // --- layout, mapping and drawing ---
    void StandUp();
    void GetFontSizes();
    void DrawGrid();
    int Freq2Pix(std::int64_t freq) const;
    std::int64_t Pix2Freq(int x, bool centre) const;
    int Index2Pix(std::int64_t n, bool centre) const;
    int GetY(double value, bool alternate) const;
    int GetYbar(double value) const;
    int GetYHits(double fraction) const;
    void SetDisplayTo(std::int64_t freq) { SetPos(freq); }
    void DrawTopLabel(std::int64_t freq);
    void SetBounds(int left, int top, int width, int height) override;

    // Plot geometry as last laid out (image coordinates).
    int PlotLeft() const { return leftMargin_; }
    int PlotTop() const { return top_; }
    int PlotWidth() const { return plotW_; }
    int PlotHeight() const { return plotH_; }
    std::int64_t ScrollPosition() const { return scrollPos_; }
    std::int64_t FreqGridStep() const { return freqGrid_; }
    double ValueGridStep() const { return valueGrid_; }
    int DenseColumnsComputed() const { return denseComputed_; }
    std::int64_t CursorFreq() const { return cursorFreq_; }
    TmyImage& Image() { return *image_; }
    TmyScrollBar& ScrollBar() { return *scrollBar_; }

    // --- graph file and printing ---
    int SaveToFile(const std::string& fileName, const std::uint8_t (&callerBlock)[32]) const;
    int LoadFromFile(const std::string& fileName, std::uint8_t (&callerBlock)[32]);
    bool Print();

private:
    bool ValidLine(int i) const { return i >= 0 && i < GetLinesCount(); }
    TmyGraphLine2& Line(int i) { return *lines_[static_cast<std::size_t>(i)]; }
    const TmyGraphLine2& Line(int i) const { return *lines_[static_cast<std::size_t>(i)]; }
    std::int64_t StepCount() const { return (stop_ - start_) / step_; }
    // The step of any frequency, however far from the range (worked out in 128 bits, held to 64).
    std::int64_t StepOf(std::int64_t freq) const;
    // Virtual-plot pixel of a frequency or step (64-bit: the virtual plot is W x Zoom wide).
    std::int64_t FreqToVirtual(std::int64_t freq) const;
    std::int64_t IndexToVirtual(std::int64_t n, bool centre) const;
    void FollowStep(std::int64_t n);
    void ForgetColumn(int line, std::int64_t n);
    void ScrollTo(std::int64_t position);
    void ScrollBarMoved(plat::comp::TObject* sender);

    // Drawing pieces (TmyFreqGraph2Draw.cpp).
    bool DrawValueScale();
    void DrawFrequencyScale();
    bool DrawAltScale();
    void DrawData();
    void DrawSparseLines(plat::comp::TCanvas& c);
    void DrawDenseLines(plat::comp::TCanvas& c);
    void DrawBars(plat::comp::TCanvas& c, bool dense);
    void DrawMarker();
    void ShiftColumnCache(std::int64_t scrolled);
    int StepValuePercentOrBar(const TmyGraphLine2& line, int lineIndex, std::int64_t n) const;

    // Cursor (TmyFreqGraph2Cursor.cpp).
    void HandleMouse(int imageX, plat::comp::TShiftState shift);
    void LeaveImage();
    void DrawCursorLine(int x);

    TmyImage* image_ = nullptr;
    TmyScrollBar* scrollBar_ = nullptr;
    std::unique_ptr<plat::comp::TBitmap> plot_;
    std::vector<std::unique_ptr<TmyGraphLine2>> lines_;

    int zoom_ = 1;
    int topLabelSpace_ = 10;
    TColor colorFreq_ = 0xFFFF00;
    bool showAlterScale_ = false;
    TColor colorBackground_ = 0x000000;
    TColor colorGrid_ = 0x008000;
    TColor colorCursor_ = 0x0000FF;
    TColor colorAxes_ = 0xFFFFFF;
    bool showGrid_ = true;
    bool visiTune_ = true;
    bool showTopLabel_ = false;
    std::int64_t start_ = 0;
    std::int64_t stop_ = 0;
    std::int64_t step_ = 0;
    double min_ = -130, max_ = -30;
    double altMin_ = 0, altMax_ = 160;
    double barMin_ = -140, barMax_ = -20;
    TColor altColor_ = 0x800080;
    TmyGraphType graphType_ = TmyGraphType::myGraphNormal;
    std::string legendX_;
    std::string legendY_;
    std::string freqLabel_ = "Frequency";
    bool showYlegend_ = false;
    bool showMarker_ = false;
    bool deltaMode_ = false;
    TColor markerColor_ = 0xFF0000;
    bool markerZoom_ = false;
    std::int64_t markerFreq_ = 0;

    int maxHits_ = 1;
    std::vector<std::uint8_t> roundBits_;
    bool roundBitsAllocated_ = false;

    // Layout (GetFontSizes).
    int tick_ = 0, gap_ = 0;
    int leftMargin_ = 0, leftExtra_ = 0;
    int rightMargin_ = 0, rightExtra_ = 0;
    int altLabelsTop_ = 0; // top of the highest alternate-scale label
    int row_ = 0, top_ = 0, legendXWidth_ = 0;
    int plotW_ = 0, plotH_ = 0;
    std::int64_t freqGrid_ = 0;
    int labelDecimals_ = 0;
    int labelSpacing_ = 1;
    double valueGrid_ = 10, altGrid_ = 10;
    bool layingOut_ = false;
    // The range and zoom the layout (grid steps, label format) was made for.
    std::int64_t laidOutStart_ = 0, laidOutStop_ = 0, laidOutStep_ = 0;
    int laidOutZoom_ = 0;

    // View and caches.
    std::int64_t scrollPos_ = 0;
    std::int64_t lastDenseScroll_ = -1; // -1: unknown
    std::vector<std::int16_t> columnCache_; // per line and column: min, max
    std::vector<std::int16_t> hitsCache_;
    int cacheLines_ = -1, cacheW_ = -1;
    int denseComputed_ = 0;
    std::vector<plat::comp::TPoint> points_;

    // Cursor.
    int cursorX_ = -1;
    std::int64_t cursorFreq_ = -1;
    std::int64_t cursorIndex_ = -1;
};

} // namespace lxq
