// The demodulator's mode buttons as the user clicks them: the panel's receiver mode follows every
// click, whichever mode the demodulator played before. The first click is on the mode a fresh
// panel restores: the demodulator shows it down already, and the panel is in it from the start.

#include "tests/system/FrontPanelRig.h"

namespace lxq::systemtest {
namespace {

TEST_F(FrontPanelSystem, EveryModeButtonClickedIsThePanelsMode) {
    Start("usb", "noise -125\nstation 1000000 -60 am tone=1000\n");
    const struct {
        const char* caption;
        std::int32_t mode;
    } clicks[] = {{"AM", 1}, {"USB", 5}, {"AM", 1}, {"LSB", 4}, {"CW", 0}, {"AM", 1}, {"FMN", 2}, {"AM", 1}, {"USB", 5}};
    for (const auto& c : clicks) {
        Mode(c.caption);
        EXPECT_EQ(form->Q7->GetMode(), c.mode) << c.caption;
    }
}

} // namespace
} // namespace lxq::systemtest
