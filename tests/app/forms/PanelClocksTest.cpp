// The front panel's clocks: UTC and local time side by side, each the time over the date, moving
// on with the clock.

#include "app/controls/TstDateTimePanel.h"
#include "app/controls/TstPanel.h"
#include "platform/sys/WallClock.h"
#include "tests/app/forms/FrontPanelFixture.h"

#include <cstdlib>
#include <ctime>

namespace lxq {
namespace {

using plat::comp::TControl;
using plat::comp::TWinControl;

// The process's time zone for a test: two hours east of UTC, without summer time.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone) {
        if (const char* tz = std::getenv("TZ")) old_ = tz, had_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        if (had_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::string old_;
    bool had_ = false;
};

TEST_F(FrontPanel, TheClocksShowUtcAndLocalTimeSideBySide) {
    ScopedZone zone("XST-2");
    // 2026-12-10 14:05:09.250 UTC.
    plat::sys::ScopedWallClock wall{1'796'911'509'250};
    StartPanel();
    TstDateTimePanel* utc = form->stDateTimePanel1;
    TstDateTimePanel* local = form->stDateTimePanel2;
    ASSERT_TRUE(utc && local);
    EXPECT_EQ(utc->GetDateTimeString(), "14:05:09\r\n10 Dec 2026");
    EXPECT_EQ(local->GetDateTimeString(), "16:05:09\r\n10 Dec 2026");
    Advance(1000, 100);
    EXPECT_EQ(utc->GetDateTimeString(), "14:05:10\r\n10 Dec 2026") << "moving on with the clock";

    // Side by side on the panel, whole, and over no other control.
    EXPECT_EQ(utc->Top(), local->Top());
    EXPECT_LE(utc->Left() + utc->Width(), local->Left());
    TWinControl* panel = utc->Parent();
    ASSERT_EQ(panel, local->Parent());
    for (TstDateTimePanel* clock : {utc, local}) {
        EXPECT_TRUE(clock->Visible());
        EXPECT_LE(clock->Left() + clock->Width(), panel->ClientWidth());
        EXPECT_LE(clock->Top() + clock->Height(), panel->ClientHeight());
        for (int i = 0; i < panel->ControlCount(); ++i) {
            TControl* other = panel->Controls(i);
            if (other == utc || other == local || !other->Visible()) continue;
            EXPECT_TRUE(other->BoundsRect().Intersect(clock->BoundsRect()).IsEmpty())
                << other->ClassName() << " at " << other->Left() << "," << other->Top();
        }
    }
}

} // namespace
} // namespace lxq
