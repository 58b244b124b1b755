// The spectrum sweep over a band of the scene: the panel's scope shows a peak at each station and
// the noise elsewhere.

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "tests/system/FrontPanelRig.h"

namespace lxq::systemtest {
namespace {

TEST_F(FrontPanelSystem, ASweepShowsThreeStationsAsThreePeaks) {
    Start("pci", "noise -125\n"
                 "station 145100000 -70 carrier\n"
                 "station 145300000 -60 am\n"
                 "station 145475000 -80 fm\n");
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
    const std::map<int, double> stations = {{4, -70}, {12, -60}, {19, -80}};
    for (int k = 0; k < form->SweepPoints; ++k) {
        const double level = graph.GetSampleIndex(0, k);
        const auto station = stations.find(k);
        if (station != stations.end()) EXPECT_NEAR(level, station->second, 3.0) << "station at point " << k;
        else EXPECT_LT(level, -100.0) << "noise at point " << k;
    }
}

} // namespace
} // namespace lxq::systemtest
