#include <gtest/gtest.h>

#include <string>

#include "app/controls/DateTimeText.h"
#include "app/controls/TstDateTimePanel.h"
#include "platform/sys/WallClock.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;

// 2026-12-10 (a Thursday) 14:05:09.250 UTC.
constexpr std::int64_t kMoment = 1'796'911'509'250;

TEST(DateTimeTextTest, FormatSpecifiers) {
    const plat::sys::CivilTime t = plat::sys::ToCivilTime(kMoment, true);
    ASSERT_EQ(t.year, 2026);
    ASSERT_EQ(t.hour, 14);
    ASSERT_EQ(t.dayOfWeek, 4);
    const std::pair<const char*, const char*> cases[] = {
        {"hh:nn:ss", "14:05:09"},
        {"h:n:s", "14:5:9"},
        {"d/m/yy", "10.12.26"},
        {"dd mmm yyyy", "10 Dec 2026"},
        {"dddd, mmmm d", "Thursday, December 10"},
        {"ddd", "Thu"},
        {"hh:nn:ssam/pm", "02:05:09pm"},
        {"hh:nn:ssAM/PM", "02:05:09PM"},
        {"h a/p", "2 p"},
        {"hh ampm", "02 PM"},
        {"ss.zzz", "09.250"},
        {"\"at\" hh 'h'", "at 14 h"},
        {"hh\r\ndd", "14\r\n10"},
    };
    for (const auto& [format, text] : cases) EXPECT_EQ(FormatDateTime(format, t), text) << format;
    plat::sys::CivilTime midnight = t;
    midnight.hour = 0;
    EXPECT_EQ(FormatDateTime("h am/pm", midnight), "12 am");
}

// Restores the separators a test changed.
struct SeparatorsGuard {
    char time = TimeSeparator();
    char date = DateSeparator();
    ~SeparatorsGuard() {
        SetTimeSeparator(time);
        SetDateSeparator(date);
    }
};

TEST(DateTimeTextTest, SeparatorsFollowTheLocaleSettings) {
    SeparatorsGuard guard;
    const plat::sys::CivilTime t = plat::sys::ToCivilTime(kMoment, true);
    SetDateSeparator('/');
    SetTimeSeparator('.');
    EXPECT_EQ(FormatDateTime("hh:nn dd/mm", t), "14.05 10/12");
}

class DateTimePanelTest : public testing::Test {
protected:
    DateTimePanelTest() {
        panel_ = new TstDateTimePanel(nullptr);
        panel_->SetParent(&parent_);
        panel_->SetBounds(0, 0, 200, 80);
        panel_->SetTimeSource(TTimeSource::tsUTC);
    }

    test::FakeTime time_;
    plat::sys::ScopedWallClock wall_{kMoment};
    TWinControl parent_{nullptr};
    TstDateTimePanel* panel_;
};

TEST_F(DateTimePanelTest, FormatStringFromTheFieldChoices) {
    EXPECT_EQ(panel_->FormatStr(), "hh:nn:ss\r\ndd.mm.yyyy");
    EXPECT_EQ(panel_->GetDateTimeString(), "14:05:09\r\n10.12.2026");

    panel_->SetHourFormat(THourFormat::hfNone);
    EXPECT_EQ(panel_->FormatStr(), "nn:ss\r\ndd.mm.yyyy") << "no leading separator";

    panel_->SetHourFormat(THourFormat::hfHH);
    panel_->SetMultiline(false);
    panel_->SetDayOfWeekFormat(TDayOfWeekFormat::dowfDDDD);
    EXPECT_EQ(panel_->FormatStr(), "dddd hh:nn:ss dd.mm.yyyy");
    EXPECT_EQ(panel_->GetDateTimeString(), "Thursday 14:05:09 10.12.2026");

    panel_->SetDayOfWeekFormat(TDayOfWeekFormat::dowfNone);
    panel_->SetAMPMFormat(TAMPMFormat::ampmfAMPM);
    EXPECT_EQ(panel_->FormatStr(), "hh:nn:ssam/pm dd.mm.yyyy");
    EXPECT_EQ(panel_->GetDateTimeString(), "02:05:09pm 10.12.2026");

    panel_->SetDayFormat(TDayFormat::dfNone);
    panel_->SetMonthFormat(TMonthFormat::mfNone);
    panel_->SetYearFormat(TYearFormat::yfNone);
    panel_->SetHourFormat(THourFormat::hfNone);
    panel_->SetMinuteFormat(TMinuteFormat::nfNone);
    panel_->SetSecondFormat(TSecondFormat::sfNone);
    panel_->SetAMPMFormat(TAMPMFormat::ampmfNone);
    EXPECT_EQ(panel_->FormatStr(), "");
    EXPECT_EQ(panel_->GetDateTimeString(), "");
}

TEST_F(DateTimePanelTest, TheMainWindowsTwoLines) {
    panel_->SetDateSeparator(" ");
    panel_->SetMonthFormat(TMonthFormat::mfMMM);
    EXPECT_EQ(panel_->GetDateTimeString(), "14:05:09\r\n10 Dec 2026");
    panel_->SetDateSeparator("");
    EXPECT_EQ(panel_->SeparatorDate(), ".") << "empty: the locale's separator";
    panel_->SetTimeSeparator("");
    EXPECT_EQ(panel_->SeparatorTime(), ":");
}

TEST_F(DateTimePanelTest, EachSecondRedrawsTheTextAreaOnly) {
    test::Render(*panel_);
    EXPECT_TRUE(panel_->UpdateRect().IsEmpty());
    time_.Advance(990);
    EXPECT_TRUE(panel_->UpdateRect().IsEmpty());
    time_.Advance(10);
    EXPECT_EQ(panel_->UpdateRect(), panel_->TextRect());
    EXPECT_EQ(panel_->GetDateTimeString(), "14:05:10\r\n10.12.2026") << "the clock moved on";
}

TEST_F(DateTimePanelTest, TwoLinesCentredInTheBevel) {
    panel_->Font().SetColor(clLime);
    panel_->SetBevelStyle(TBevelStyle::bsGradientInner);
    panel_->SetColor(clBlack);
    const auto bmp = test::Render(*panel_);
    int top = 80, bottom = -1, left = 200, right = -1;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x)
            if (test::PixelAt(*bmp, x, y) == clLime) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(bottom, 0) << "text was drawn";
    const int lineHeight = panel_->Font().TextExtent("0").cy;
    EXPECT_GT(bottom - top, lineHeight) << "two lines";
    EXPECT_NEAR((top + bottom) / 2.0, 40.0, lineHeight / 2.0);
    EXPECT_NEAR((left + right) / 2.0, 100.0, 4.0);
}

TEST_F(DateTimePanelTest, NoRoomDrawsNothing) {
    panel_->SetBounds(0, 0, 30, 40);
    panel_->SetIndent(10);
    EXPECT_TRUE(panel_->TextRect().IsEmpty());
    panel_->Font().SetColor(clLime);
    const auto bmp = test::Render(*panel_);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_NE(test::PixelAt(*bmp, x, y), clLime);
    time_.Advance(1000);
    EXPECT_TRUE(panel_->UpdateRect().IsEmpty());
}

} // namespace
} // namespace lxq
