#pragma once
// A spectrum view with a filter's magnitude response on a dB grid: the live power spectrum of
// audio fed by the audio thread, the response of the viewed filter's taps, and the filter's
// ideal outline whose edges the user drags with the mouse. The filter itself, its sample
// histories and its design belong to the derived view (RC_FilterView).
//
// Threads: AddSamples, SetSampleRate, SetMode and the resizes run on the audio thread, painting
// and the mouse on the user-interface thread. The data lock keeps a resize from freeing the
// histories, the taps or the transform while a paint reads them; it is held only around those.

#include "demod/dsp/RC_Fft.h"
#include "demod/dsp/RC_FirFilter.h"
#include "demod/dsp/RC_Lock.h"
#include "demod/dsp/RC_String.h"
#include "demod/ui/toolkit/RC_Bitmap.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <cstdint>
#include <vector>

class RC_Analyzer : public RC_Window {
public:
    // State bit: the response must be computed again before it is drawn.
    static constexpr std::uint32_t kResponseStale = 0x800;
    // Drag states: hovering (negative) or dragging (positive) the high edge, low edge, band.
    enum : int { kIdle = 0, kHigh = 1, kLow = 2, kBand = 3 };

    RC_Analyzer(RC_Window* parent, int x, int y, int width, int height);
    ~RC_Analyzer() override;

    void SetWidth(int width) override;
    void Move(int x, int y, int width, int height, bool relayout) override;
    void SetStateFlags(std::uint32_t bits) override;
    void SetFrameWidth(int width) override;
    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;

    virtual void SetFftSize(std::uint32_t n) = 0;
    // The viewed filter's taps as Q31 (32-bit) or Q15 (16-bit) values, Length() of them.
    virtual void ReadTaps32(std::int32_t* buffer);
    virtual void ReadTaps16(std::int16_t* buffer);

    void SetMaxFrequency(float hertz);
    void SetMode(int mode);
    void SetSampleRate(float hertz);
    void SetOption1(bool edgesShown);
    void SetOption2(int margin);
    void SetOption3(bool responseShown);
    void SetOption4(int edgeZone);
    // Whether the viewed filter is applied to the audio: off, the audio passes unfiltered and
    // neither the filter's edges nor its response are drawn.
    void SetFilterApplied(bool applied);
    // Audio thread: count values of input, the channel's samples every stride values; output
    // (may be null) receives count / stride samples, filtered unless the filter is off.
    void AddSamples(std::int16_t* output, const std::int16_t* input, std::uint32_t count, std::uint32_t stride);

    // Plain fields the owners set directly.
    std::int32_t tapBits = 16;
    std::int32_t columnsPerPoint = 1;
    std::int32_t repaintDivisor = 1;
    std::int32_t filterOff = 0; // read by the audio thread under dataLock_: set it through SetFilterApplied
    RC_Colour gridColour = 0x008000;
    std::int32_t horizontalGrid = 1;
    std::int32_t dbDivisions = 4;
    std::int32_t dbLabelStep = 1;
    std::int32_t frequencyLabels = 1;
    std::int32_t dbLabels = 1;
    RC_Colour edgeColour = 0x0000FF;
    RC_Colour responseColour = 0xFFFF00;
    RC_Colour spectrumColour = 0xFFFFFF;
    std::int32_t verticalGrid = 1;
    std::int32_t verticalDivisions = 10;
    RC_Callback<RC_ActionFn> onHighEdge;
    RC_Callback<RC_ActionFn> onLowEdge;

    int Mode() const { return mode_; }
    int DragState() const { return dragState_; }
    int Margin() const { return margin_; }
    float MaxFrequency() const { return maxFrequency_; }
    float DisplayTop() const; // the upper display frequency, half the rate when 0
    RC_FirFilter* ViewedFilter() const { return viewed_; }
    const std::vector<float>& Response() const { return response_; }
    std::uint32_t BlockCount() const { return blocks_; }
    const RC_Fft& Transform() const { return fft_; }
    // The content rectangle of the last paint, less the label column and row.
    const plat::gdi::Rect& PlotRect() const { return plot_; }
    // Attenuation scale of the de-emphasis outline (1 without a slope).
    float DeemphasisScale() const { return deemphasisScale_; }
    float DeemphasisTop() const { return deemphasisTop_; }
    double DeemphasisSlope() const { return deemphasisSlope_; }

protected:
    void SetViewedFilter(RC_FirFilter* filter) { viewed_ = filter; }
    // The filter's audio path, run by the derived view when the filter is on.
    virtual std::uint32_t FilterBlock(std::int16_t* output, const std::int16_t* input, std::uint32_t count,
                                      std::uint32_t stride) = 0;
    // Edge setters of the derived view (the base has no filter to change).
    virtual void ApplyHighCutoff(float) {}
    virtual void ApplyLowCutoff(float) {}
    // The history block: input history then filtered history, each `historySize_` entries.
    void ResizeHistory(std::uint32_t entries);
    void MarkStale() { SetStateFlags(kResponseStale); }

    RC_Fft fft_;
    RC_Lock dataLock_;
    std::vector<float> cosines_; // cos(2 pi i / (L - 1)), rebuilt when L changes
    std::vector<float> work_;    // the taps as the design leaves them, then the design points
    std::vector<std::int16_t> history_;
    std::uint32_t historySize_ = 0;
    float deemphasisScale_ = 1.0f; // d
    float deemphasisTop_ = 1.0f;   // e
    double deemphasisSlope_ = 0.0;

private:
    void ComputeResponse(int points);
    void DrawSpectrum(int plotHeight);
    void DrawResponse(int plotHeight);
    void DrawEdges();
    float Fs() const;
    RC_Colour Dim(RC_Colour c) const;

    std::vector<float> response_;
    std::int32_t dragState_ = kIdle;
    std::int32_t anchorX_ = 0;
    float maxFrequency_ = 0.0f;
    std::int32_t mode_ = 0;
    RC_FirFilter* viewed_ = nullptr;
    RC_Bitmap bitmap_;
    RC_String text_;
    std::int32_t edgesShown_ = 1;
    std::int32_t margin_ = 2;
    std::int32_t responseShown_ = 1;
    std::int32_t edgeZone_ = 2;
    std::uint32_t blocks_ = 0;
    float fallbackRate_ = 48000.0f;
    plat::gdi::Rect plot_{};
};
