#include "app/controls/TstDateTimePanel.h"

#include <array>

#include "app/controls/DateTimeText.h"
#include "app/controls/SolidBrush.h"
#include "app/controls/TstPanel.h"

namespace lxq {

using namespace plat::comp;
namespace dt = plat::gdi::dt;

namespace {

constexpr std::array<const char*, 3> kDay{"", "d", "dd"};
constexpr std::array<const char*, 5> kMonth{"", "m", "mm", "mmm", "mmmm"};
constexpr std::array<const char*, 3> kYear{"", "yy", "yyyy"};
constexpr std::array<const char*, 3> kHour{"", "h", "hh"};
constexpr std::array<const char*, 3> kMinute{"", "n", "nn"};
constexpr std::array<const char*, 3> kSecond{"", "s", "ss"};
constexpr std::array<const char*, 4> kAmPm{"", "am/pm", "a/p", "ampm"};
constexpr std::array<const char*, 3> kDayOfWeek{"", "ddd", "dddd"};

template <std::size_t N, typename E>
const char* Piece(const std::array<const char*, N>& pieces, E v) {
    return pieces[static_cast<std::size_t>(v)];
}

// The present pieces, each after the separator, with the first separator removed.
std::string Join(std::initializer_list<const char*> pieces, const std::string& separator) {
    std::string s;
    for (const char* p : pieces)
        if (*p) s += separator + p;
    return s.substr(std::min(s.size(), separator.size()));
}

unsigned AlignFlag(TAlignment a) {
    return a == TAlignment::taCenter ? dt::Center : a == TAlignment::taRightJustify ? dt::Right : dt::Left;
}

} // namespace

TstDateTimePanel::TstDateTimePanel(TComponent* owner)
    : TstCustomPanel(owner), separatorTime_(1, TimeSeparator()),
      separatorDate_(1, DateSeparator()) {
    UpdateFormat();
    // The refresh timer (id 1) runs on the active clock for the panel's whole life, window or
    // not, so a panel composed off screen keeps its time too.
    timer_ = std::make_unique<TimerWindow>([this](std::uintptr_t) { WMTimer(); });
    timer_->Start(1, kRefreshMs);
}

TstDateTimePanel::~TstDateTimePanel() = default;

void TstDateTimePanel::UpdateFormat() {
    const std::string time =
        Join({Piece(kHour, hourFormat_), Piece(kMinute, minuteFormat_), Piece(kSecond, secondFormat_)},
             separatorTime_) +
        Piece(kAmPm, ampmFormat_);
    const std::string date =
        Join({Piece(kDay, dayFormat_), Piece(kMonth, monthFormat_), Piece(kYear, yearFormat_)},
             separatorDate_);
    const std::string b = multiline_ ? "\r\n" : " ";
    std::string f;
    if (dayOfWeekFormat_ != TDayOfWeekFormat::dowfNone) f += b + Piece(kDayOfWeek, dayOfWeekFormat_);
    if (!time.empty()) f += b + time;
    if (!date.empty()) f += b + date;
    formatStr_ = f.substr(std::min(f.size(), b.size()));
    DrawDateTime();
}

std::string TstDateTimePanel::GetDateTimeString() const {
    return FormatDateTime(formatStr_, plat::sys::NowCivil(timeSource_ == TTimeSource::tsUTC));
}

TRect TstDateTimePanel::TextRect() const {
    const int n = AdjustBevel();
    const TRect r = ClientRect();
    return {r.left + n + indent_, r.top + n, r.right - n - indent_, r.bottom - n};
}

void TstDateTimePanel::DrawDateTime() {
    // Painting happens in Paint; a tick marks the text area only, the bevel stays.
    const TRect r = TextRect();
    if (!r.IsEmpty()) InvalidateRect(r);
}

void TstDateTimePanel::Paint() {
    TstCustomPanel::Paint();
    PaintDateTime();
}

void TstDateTimePanel::PaintDateTime() {
    TRect r = TextRect();
    if (r.IsEmpty()) return;
    TCanvas& c = Canvas();
    SetSolidBrush(c, Color());
    c.FillRect(r);
    c.Font().Assign(Font());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    const std::string text = GetDateTimeString();
    if (!multiline_) {
        c.DrawText(text, r, SingleLineFlags(alignment_, layout_, false));
        return;
    }
    const bool anyDate = dayFormat_ != TDayFormat::dfNone || monthFormat_ != TMonthFormat::mfNone ||
                         yearFormat_ != TYearFormat::yfNone;
    const bool anyTime = hourFormat_ != THourFormat::hfNone ||
                         minuteFormat_ != TMinuteFormat::nfNone ||
                         secondFormat_ != TSecondFormat::sfNone;
    const int lines = (dayOfWeekFormat_ != TDayOfWeekFormat::dowfNone ? 1 : 0) + (anyDate ? 1 : 0) +
                      (anyTime ? 1 : 0);
    c.TextExtent("0"); // selects the font for its metrics
    const plat::gdi::TextMetrics tm = c.Handle() ? c.Handle()->GetTextMetrics() : plat::gdi::TextMetrics{};
    const int block = lines * tm.height + std::max(0, lines - 1) * tm.externalLeading;
    if (layout_ == TTextLayout::tlCenter && block < r.Height())
        r.top += r.Height() / 2 - block / 2;
    else if (layout_ == TTextLayout::tlBottom)
        r.top = r.bottom - block;
    c.DrawText(text, r, AlignFlag(alignment_));
}

template <typename E>
void TstDateTimePanel::SetFormat(E& field, E v) {
    field = v;
    UpdateFormat();
}

void TstDateTimePanel::SetDayFormat(TDayFormat v) { SetFormat(dayFormat_, v); }
void TstDateTimePanel::SetMonthFormat(TMonthFormat v) { SetFormat(monthFormat_, v); }
void TstDateTimePanel::SetYearFormat(TYearFormat v) { SetFormat(yearFormat_, v); }
void TstDateTimePanel::SetHourFormat(THourFormat v) { SetFormat(hourFormat_, v); }
void TstDateTimePanel::SetMinuteFormat(TMinuteFormat v) { SetFormat(minuteFormat_, v); }
void TstDateTimePanel::SetSecondFormat(TSecondFormat v) { SetFormat(secondFormat_, v); }
void TstDateTimePanel::SetAMPMFormat(TAMPMFormat v) { SetFormat(ampmFormat_, v); }
void TstDateTimePanel::SetDayOfWeekFormat(TDayOfWeekFormat v) { SetFormat(dayOfWeekFormat_, v); }
void TstDateTimePanel::SetMultiline(bool v) { SetFormat(multiline_, v); }

void TstDateTimePanel::SetTimeSeparator(const std::string& v) {
    separatorTime_ = v.empty() ? std::string(1, TimeSeparator()) : v;
    UpdateFormat();
}

void TstDateTimePanel::SetDateSeparator(const std::string& v) {
    separatorDate_ = v.empty() ? std::string(1, DateSeparator()) : v;
    UpdateFormat();
}

void TstDateTimePanel::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    DrawDateTime();
}

void TstDateTimePanel::SetLayout(TTextLayout v) {
    if (v == layout_) return;
    layout_ = v;
    DrawDateTime();
}

void TstDateTimePanel::SetIndent(int v) {
    if (v == indent_) return;
    indent_ = v;
    Invalidate();
}

void TstDateTimePanel::SetTimeSource(TTimeSource v) {
    timeSource_ = v;
    DrawDateTime();
}

} // namespace lxq
