// The spectrum sweep plots a strong station at its level, as the S-meter reads it: with the
// preamplifier on (the panel's default) stations above the library's raw scale go on rising in
// the plot instead of all ending at its top.

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
    EXPECT_NEAR(graph.GetSampleIndex(0, 4), -30.0, 2.0);
    EXPECT_NEAR(graph.GetSampleIndex(0, 12), -20.0, 2.0);
    EXPECT_NEAR(graph.GetSampleIndex(0, 19), -10.0, 2.0);
    EXPECT_LT(graph.GetSampleIndex(0, 8), -100.0) << "the noise between them";
}

} // namespace
} // namespace lxq::systemtest
