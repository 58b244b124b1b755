// The panel's changes as the running demodulator hears of them: the panel broadcasts them through
// its plug-in host to the plug-in it loaded, and the demodulator's window follows. Powering the
// receiver off from the panel greys the demodulator out; powering it on brings it back.

#include "tests/system/FrontPanelRig.h"

namespace lxq::systemtest {
namespace {

TEST_F(FrontPanelSystem, ThePanelsPowerReachesTheRunningDemodulator) {
    Start("usb", "noise -125\nstation 1000000 -60 am tone=1000\n");
    const plat::win::Hwnd demodulator = form->EmbeddedDemodulator();
    ASSERT_TRUE(plat::win::IsWindowEnabled(demodulator)) << "the receiver is on as the panel starts";
    for (const std::int32_t power : {0, 1, 0, 1}) {
        form->Q7->SetPower(power);
        Run(50);
        EXPECT_EQ(plat::win::IsWindowEnabled(demodulator), power != 0) << "power " << power;
    }
}

} // namespace
} // namespace lxq::systemtest
