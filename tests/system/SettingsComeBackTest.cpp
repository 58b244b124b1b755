// A panel closed and started again comes back whole: the demodulator's mode is the panel's from
// the first moment (a sweep right after the start puts back that mode, not another), and the
// mode's squelch (level and tone) shows and is in force.

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/receiver/SquelchSettings.h"
#include "tests/system/FrontPanelRig.h"
#include "tests/system/ToneAnalysis.h"

namespace lxq::systemtest {
namespace {

constexpr std::int32_t kModeFmn = 2;
constexpr const char* kScene = "noise -125\nstation 145500000 -60 fm tone=1000 ctcss=88.5\n";

class SettingsComeBack : public FrontPanelSystem {
protected:
    // Narrow FM with a level squelch at -90 dBm and a CTCSS tone of 88.5 Hz, then the panel
    // closes as its window's close box closes it.
    void SetUpAndClose() {
        Start("usb", kScene);
        Mode("FMN");
        Tune(145'500'000);
        ASSERT_EQ(form->Q7->GetMode(), kModeFmn);
        SQUELCH_SETTINGS q = form->Q7->SquelchSettings();
        q.level = form->Q7->SQtoKVR(-90);
        q.ctcss = 88'500;
        form->Q7->SetSquelchSettings(q, kSquelchLevel | kSquelchCtcss);
        Run(100);
        form->Close();
        plat::comp::Application().ProcessMessages();
        form->KVR->StopAll();
        form.reset();
    }
    void ExpectNarrowFmWithItsSquelch(const char* when) {
        EXPECT_EQ(form->Q7->GetMode(), kModeFmn) << when;
        EXPECT_EQ(form->myIntEdit3->Value(), -90) << when << ": the squelch level shows";
        EXPECT_TRUE(form->stSpeedButton44->Down()) << when << ": CTCSS shows";
        EXPECT_EQ(form->Q7->SquelchSettings().ctcss, 88'500u) << when;
        EXPECT_EQ(form->Q7->SquelchTypes(), kSquelchLevel | kSquelchCtcss) << when;
    }
};

TEST_F(SettingsComeBack, TheModeAndItsSquelchAreInForceFromTheStartAndAfterASweep) {
    SetUpAndClose();
    Start("usb", kScene);
    ExpectNarrowFmWithItsSquelch("at start");

    form->LayOutScope(true, form->SweepPanel->Height());
    form->myFrequencyEdit3->SetValue(145'000'000);
    form->myFrequencyEdit4->SetValue(146'000'000);
    form->myFrequencyEdit5->SetValue(100'000);
    form->stSpeedButton30->SetDown(true);
    form->stSpeedButton30->Click();
    ASSERT_TRUE(form->Sweeping());
    Run(8000, [this] { return !form->Sweeping(); });
    ASSERT_FALSE(form->Sweeping());
    ExpectNarrowFmWithItsSquelch("after the sweep");
    // The demodulator plays the panel's mode: the station's tone comes through the squelch.
    Run(1500);
    const auto played = Played();
    ASSERT_GT(played.size(), 24000u);
    const std::vector<std::int16_t> heard(played.end() - 24000, played.end());
    EXPECT_NEAR(FitTone(heard, 48000, 300, 3000).hz, 1000, 5);
}

} // namespace
} // namespace lxq::systemtest
