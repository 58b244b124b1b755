// The spectrum graph's cursor, which follows the mouse over the plot and snaps to the strongest
// step under it, and the read-out above the plot.

#include <algorithm>
#include <cmath>

#include "app/controls/FloatText.h"
#include "app/controls/TmyFreqGraph2.h"

namespace lxq {

using namespace plat::comp;
namespace gdi = plat::gdi;

void TmyFreqGraph2::DrawCursorLine(int x) {
    ImageCanvas& c = image_->GetCanvas();
    c.Pen().SetStyle(gdi::PenStyle::Solid);
    c.Pen().SetMode(gdi::Rop2::XorPen);
    c.Pen().SetColor(colorCursor_);
    c.MoveTo(x, top_);
    c.LineTo(x, top_ + plotH_);
    c.Pen().SetMode(gdi::Rop2::CopyPen);
}

void TmyFreqGraph2::HandleMouse(int imageX, TShiftState shift) {
    const int x = imageX - leftMargin_;
    if (x < 0 || x >= plotW_) return;
    const std::int64_t i0 = StepOf(Pix2Freq(x, true));
    const std::int64_t i1 = StepOf(Pix2Freq(x + 1, true));
    // The reference line: the last one of the kind the graph type shows, or a normal line.
    int ref = -1;
    for (int i = GetLinesCount() - 1; i >= 0 && ref < 0; --i) {
        const TmyGraphLineType t = Line(i).lineType;
        if (t == TmyGraphLineType::normal ||
            (graphType_ == TmyGraphType::myGraphBar && t == TmyGraphLineType::bar) ||
            (graphType_ != TmyGraphType::myGraphNormal && graphType_ != TmyGraphType::myGraphBar &&
             t == TmyGraphLineType::hits)) {
            ref = i;
        }
    }
    std::int64_t step = i0;
    if (ref >= 0) {
        const TmyGraphLine2& line = Line(ref);
        int best = -30'000;
        for (std::int64_t n = std::max<std::int64_t>(i0, 0); n < i1 && n < line.filled; ++n) {
            const int v = line.samples[static_cast<std::size_t>(n)];
            if (v > best) best = v, step = n;
        }
    }
    cursorFreq_ = start_ + step * step_;
    cursorIndex_ = step;
    if (visiTune_) {
        if (cursorX_ != -1) DrawCursorLine(cursorX_);
        cursorX_ = leftMargin_ + Index2Pix(step, true);
        DrawCursorLine(cursorX_);
        DrawTopLabel(cursorFreq_);
    }
    if (OnVisiTune) OnVisiTune(this, cursorFreq_, shift);
}

void TmyFreqGraph2::LeaveImage() {
    if (!visiTune_ || cursorX_ == -1) return;
    DrawCursorLine(cursorX_);
    DrawTopLabel(-1);
    cursorX_ = -1;
    cursorFreq_ = -1;
    cursorIndex_ = -1;
}

void TmyFreqGraph2::DrawTopLabel(std::int64_t freq) {
    if (!image_ || plotW_ < 1 || plotH_ < 1) return;
    ImageCanvas& c = image_->GetCanvas();
    // The band over the plot only: the left margin holds the Y legend and the top value label,
    // and the alternate scale's top label reaches up into the band on the right.
    c.Brush().SetColor(colorBackground_);
    const int width = image_->Width();
    const bool altScale = graphType_ == TmyGraphType::myGraphNormal && showAlterScale_;
    const int plotRight = altScale ? std::min(width, leftMargin_ + plotW_ + 1) : width;
    c.FillRect({leftMargin_, 0, plotRight, top_});
    if (plotRight < width) c.FillRect({plotRight, 0, width, std::max(0, std::min(top_, altLabelsTop_))});
    if (!showTopLabel_) return;
    const bool given = freq != -1;
    const bool markerRow = showMarker_ && (given || !deltaMode_);
    int x = leftMargin_ + topLabelSpace_;
    const int columnW = (image_->Width() - x) / (GetLinesCount() + 1);
    const TColor textColour = c.Font().Color();
    c.Brush().SetStyle(TBrushStyle::bsClear);
    auto text = [&](int y, TColor colour, const std::string& s) {
        c.Font().SetColor(colour);
        c.TextOut(x, y, s);
    };
    if (given) text(0, colorFreq_, freqLabel_ + "=" + Freq2str(freq));
    if (markerRow) {
        text(row_, markerColor_,
             freqLabel_ + "=" + Freq2str(deltaMode_ ? freq - markerFreq_ : markerFreq_));
    }
    x += columnW;
    const std::int64_t i = given ? StepOf(freq) : -1;
    const std::int64_t m = StepOf(markerFreq_);
    for (int li = 0; li < GetLinesCount(); ++li) {
        const TmyGraphLine2& line = Line(li);
        const bool hits = line.lineType == TmyGraphLineType::hits;
        if (line.lineType == TmyGraphLineType::rounds) continue;
        if (hits && graphType_ == TmyGraphType::myGraphBar) continue;
        auto filled = [&](std::int64_t n) { return n >= 0 && n < line.filled; };
        auto value = [&](std::int64_t n) -> double {
            if (hits) return std::floor(GetHitsVal(li, static_cast<int>(n)) * 100 + 0.5);
            return line.samples[static_cast<std::size_t>(n)];
        };
        const std::string unit = std::string(" ") + line.unit;
        if (given) {
            std::string s = std::string(line.name) + "=";
            if (!filled(i)) {
                s += "?";
            } else {
                s += (hits ? FormatFloat(value(i), 0, 0) : FormatFloat(value(i), 1, 1)) + unit;
            }
            text(0, line.colour, s);
        }
        if (markerRow) {
            std::string s = std::string(line.name) + "=";
            const bool known = filled(m) && (filled(i) || (!given && !deltaMode_));
            if (!known) {
                s += "?";
            } else {
                s += FormatFloat(deltaMode_ ? value(i) - value(m) : value(m), 0, 0) + unit;
            }
            text(row_, markerColor_, s);
        }
        x += columnW;
    }
    c.Font().SetColor(textColour);
    c.Brush().SetColor(colorBackground_);
}

} // namespace lxq
