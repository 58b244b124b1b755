#pragma once
// A bevelled panel that shows the current date and time, in UTC or local time, refreshed once a
// second. Each field has its own format choice; from them and the two separators the panel builds
// its format string once, and formats the clock with it on every tick.

#include <memory>
#include <string>

#include "app/controls/TimerWindow.h"
#include "app/controls/TstCustomPanel.h"

namespace lxq {

enum class TTimeSource { tsUTC, tsLocal };
enum class TDayFormat { dfNone, dfD, dfDD };
enum class TMonthFormat { mfNone, mfM, mfMM, mfMMM, mfMMMM };
enum class TYearFormat { yfNone, yfYY, yfYYYY };
enum class THourFormat { hfNone, hfH, hfHH };
enum class TMinuteFormat { nfNone, nfN, nfNN };
enum class TSecondFormat { sfNone, sfS, sfSS };
enum class TAMPMFormat { ampmfNone, ampmfAMPM, ampmfAP, ampmfDefault };
enum class TDayOfWeekFormat { dowfNone, dowfDDD, dowfDDDD };

class TstDateTimePanel : public TstCustomPanel {
public:
    explicit TstDateTimePanel(plat::comp::TComponent* owner);
    ~TstDateTimePanel() override;
    const char* ClassName() const override { return "TstDateTimePanel"; }

    const std::string& FormatStr() const { return formatStr_; }
    plat::comp::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(plat::comp::TAlignment v);
    int Indent() const { return indent_; }
    void SetIndent(int v);
    plat::comp::TTextLayout Layout() const { return layout_; }
    void SetLayout(plat::comp::TTextLayout v);
    TTimeSource TimeSource() const { return timeSource_; }
    void SetTimeSource(TTimeSource v);
    TDayFormat DayFormat() const { return dayFormat_; }
    void SetDayFormat(TDayFormat v);
    TMonthFormat MonthFormat() const { return monthFormat_; }
    void SetMonthFormat(TMonthFormat v);
    TYearFormat YearFormat() const { return yearFormat_; }
    void SetYearFormat(TYearFormat v);
    THourFormat HourFormat() const { return hourFormat_; }
    void SetHourFormat(THourFormat v);
    TMinuteFormat MinuteFormat() const { return minuteFormat_; }
    void SetMinuteFormat(TMinuteFormat v);
    TSecondFormat SecondFormat() const { return secondFormat_; }
    void SetSecondFormat(TSecondFormat v);
    TAMPMFormat AMPMFormat() const { return ampmFormat_; }
    void SetAMPMFormat(TAMPMFormat v);
    TDayOfWeekFormat DayOfWeekFormat() const { return dayOfWeekFormat_; }
    void SetDayOfWeekFormat(TDayOfWeekFormat v);
    bool Multiline() const { return multiline_; }
    void SetMultiline(bool v);
    const std::string& SeparatorTime() const { return separatorTime_; }
    // An empty separator becomes the locale's.
    void SetTimeSeparator(const std::string& v);
    const std::string& SeparatorDate() const { return separatorDate_; }
    void SetDateSeparator(const std::string& v);

    // The clock formatted with FormatStr.
    std::string GetDateTimeString() const;
    // Where the text goes: inside the bevel and the indent.
    plat::comp::TRect TextRect() const;

protected:
    void Paint() override;

private:
    void UpdateFormat();
    // The refresh tick.
    void WMTimer() { DrawDateTime(); }
    // Paints the text area, or marks it for painting when called outside a paint.
    void DrawDateTime();
    void PaintDateTime();
    template <typename E>
    void SetFormat(E& field, E v);

    static constexpr int kRefreshMs = 1000;
    std::unique_ptr<TimerWindow> timer_;
    std::string formatStr_;
    plat::comp::TAlignment alignment_ = plat::comp::TAlignment::taCenter;
    int indent_ = 0;
    plat::comp::TTextLayout layout_ = plat::comp::TTextLayout::tlCenter;
    TTimeSource timeSource_ = TTimeSource::tsLocal;
    TDayFormat dayFormat_ = TDayFormat::dfDD;
    TMonthFormat monthFormat_ = TMonthFormat::mfMM;
    TYearFormat yearFormat_ = TYearFormat::yfYYYY;
    THourFormat hourFormat_ = THourFormat::hfHH;
    TMinuteFormat minuteFormat_ = TMinuteFormat::nfNN;
    TSecondFormat secondFormat_ = TSecondFormat::sfSS;
    TAMPMFormat ampmFormat_ = TAMPMFormat::ampmfNone;
    TDayOfWeekFormat dayOfWeekFormat_ = TDayOfWeekFormat::dowfNone;
    bool multiline_ = true;
    std::string separatorTime_;
    std::string separatorDate_;
};

} // namespace lxq
