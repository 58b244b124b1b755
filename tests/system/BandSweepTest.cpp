// The spectrum sweep over a band of the scene: the panel's scope shows a peak at each station and
// the noise elsewhere. A strong station's level is taken as the S-meter takes it: with the
// preamplifier on (the panel's default) a station above the library's raw scale is measured at
// its level, and plots up to the top of the graph's scale (-30 dBm) instead of all of them at the
// raw scale's top less the preamplifier's gain.

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "tests/system/FrontPanelRig.h"

namespace lxq::systemtest {
namespace {

class BandSweep : public FrontPanelSystem {
protected:
    // One sweep from 145.0 to 145.6 MHz in 25 kHz steps on the scope, to its end.
    void SweepTheBand() {
        form->LayOutScope(true, form->SweepPanel->Height());
        form->myFrequencyEdit3->SetValue(145'000'000);
        form->myFrequencyEdit4->SetValue(145'600'000);
        form->myFrequencyEdit5->SetValue(25'000);
        form->stSpeedButton30->SetDown(true);
        form->stSpeedButton30->Click();
        ASSERT_TRUE(form->Sweeping()) << (boxes.empty() ? "" : boxes.back());
        Run(8000, [this] { return !form->Sweeping(); });
        ASSERT_FALSE(form->Sweeping()) << "the range is swept in time";
        ASSERT_EQ(form->SweepPoints, 25);
    }
};

TEST_F(BandSweep, ASweepShowsThreeStationsAsThreePeaks) {
    Start("pci", "noise -125\n"
                 "station 145100000 -70 carrier\n"
                 "station 145300000 -60 am\n"
                 "station 145475000 -80 fm\n");
    ASSERT_NO_FATAL_FAILURE(SweepTheBand());

    TmyFreqGraph2& graph = *form->myFreqGraph1;
    const std::map<int, double> stations = {{4, -70}, {12, -60}, {19, -80}};
    for (int k = 0; k < form->SweepPoints; ++k) {
        const double level = graph.GetSampleIndex(0, k);
        const auto station = stations.find(k);
        if (station != stations.end()) EXPECT_NEAR(level, station->second, 3.0) << "station at point " << k;
        else EXPECT_LT(level, -100.0) << "noise at point " << k;
    }
}

TEST_F(BandSweep, ASweepPlotsStationsAboveTheRawScaleAtTheirLevels) {
    Start("pci", "noise -120\n"
                 "station 145100000 -30 carrier\n"
                 "station 145300000 -20 carrier\n"
                 "station 145475000 -10 carrier\n");
    form->Q7->SetCalFile(BuildFolder() + "/lxq745.cal");
    ASSERT_NE(form->Q7->GetPreAmp(), 0) << "the panel's default";
    ASSERT_NO_FATAL_FAILURE(SweepTheBand());

    TmyFreqGraph2& graph = *form->myFreqGraph1;
    // The graph keeps its levels within its scale, which ends at -30 dBm.
    ASSERT_EQ(graph.Max(), -30.0);
    EXPECT_NEAR(graph.GetSampleIndex(0, 4), -30.0, 1.0);
    EXPECT_EQ(graph.GetSampleIndex(0, 12), -30.0) << "a -20 dBm station reaches the top";
    EXPECT_EQ(graph.GetSampleIndex(0, 19), -30.0) << "a -10 dBm station reaches the top";
    EXPECT_LT(graph.GetSampleIndex(0, 8), -100.0) << "the noise between them";
}

} // namespace
} // namespace lxq::systemtest
