// The spectrum sweep takes a strong station's level as the S-meter does: with the preamplifier on
// (the panel's default) a station above the library's raw scale is measured at its level, and
// plots up to the top of the graph's scale (-30 dBm) instead of all of them at the raw scale's
// top less the preamplifier's gain.

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "tests/system/FrontPanelRig.h"

namespace lxq::systemtest {
namespace {

TEST_F(FrontPanelSystem, ASweepPlotsStationsAboveTheRawScaleAtTheirLevels) {
    Start("pci", "noise -120\n"
                 "station 145100000 -30 carrier\n"
                 "station 145300000 -20 carrier\n"
                 "station 145475000 -10 carrier\n");
    form->Q7->SetCalFile(BuildFolder() + "/lxq745.cal");
    ASSERT_NE(form->Q7->GetPreAmp(), 0) << "the panel's default";
    form->LayOutScope(true, form->SweepPanel->Height());
    form->myFrequencyEdit3->SetValue(145'000'000);
    form->myFrequencyEdit4->SetValue(145'600'000);
    form->myFrequencyEdit5->SetValue(25'000);
    form->stSpeedButton30->SetDown(true);
    form->stSpeedButton30->Click();
    ASSERT_TRUE(form->Sweeping()) << (boxes.empty() ? "" : boxes.back());
    Run(8000, [this] { return !form->Sweeping(); });
    ASSERT_FALSE(form->Sweeping()) << "the range is swept in time";

    TmyFreqGraph2& graph = *form->myFreqGraph1;
    ASSERT_EQ(form->SweepPoints, 25);
    // The graph keeps its levels within its scale, which ends at -30 dBm.
    ASSERT_EQ(graph.Max(), -30.0);
    EXPECT_NEAR(graph.GetSampleIndex(0, 4), -30.0, 1.0);
    EXPECT_EQ(graph.GetSampleIndex(0, 12), -30.0) << "a -20 dBm station reaches the top";
    EXPECT_EQ(graph.GetSampleIndex(0, 19), -30.0) << "a -10 dBm station reaches the top";
    EXPECT_LT(graph.GetSampleIndex(0, 8), -100.0) << "the noise between them";
}

} // namespace
} // namespace lxq::systemtest
