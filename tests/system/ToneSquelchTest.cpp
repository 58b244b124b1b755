// The tone squelches end to end: the panel's CTCSS and DCS squelch set to a station's tone or
// code lets it through to the loudspeaker; a station with another tone or code stays shut.

#include "app/controls/TstAlignEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstSpeedButton.h"
#include "tests/system/FrontPanelRig.h"
#include "tests/system/ToneAnalysis.h"

#include <cmath>

namespace lxq::systemtest {
namespace {

struct Case {
    const char* name;
    bool dcs;            // the DCS squelch, else CTCSS
    std::int64_t tuneHz; // which of the two stations
    bool open;           // whether the loudspeaker plays it
};

// Two FM stations with the same audio: the first carries tone 88.5 Hz or code 023, the second
// tone 100.0 Hz or code 047. The squelch asks for 88.5 Hz or 023.
const Case kCases[] = {
    {"CtcssOpensOnItsTone", false, 145'000'000, true},
    {"CtcssStaysShutOnAnotherTone", false, 145'100'000, false},
    {"DcsOpensOnItsCode", true, 145'000'000, true},
    {"DcsStaysShutOnAnotherCode", true, 145'100'000, false},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ToneSquelch : public FrontPanelSystem, public ::testing::WithParamInterface<Case> {};

double Rms(const std::vector<std::int16_t>& x) {
    double sum = 0;
    for (auto v : x) sum += static_cast<double>(v) * v;
    return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

TEST_P(ToneSquelch, TheLoudspeakerFollowsTheSquelch) {
    const Case& c = GetParam();
    Start("pci", c.dcs ? "noise -130\n"
                         "station 145000000 -80 fm tone=1000 deviation=2500 dcs=023\n"
                         "station 145100000 -80 fm tone=1000 deviation=2500 dcs=047\n"
                       : "noise -130\n"
                         "station 145000000 -80 fm tone=1000 deviation=2500 ctcss=88.5\n"
                         "station 145100000 -80 fm tone=1000 deviation=2500 ctcss=100.0\n");
    Mode("FMN");
    Tune(c.tuneHz);
    int still = 0;
    if (c.dcs) {
        form->stAlignEdit2->SetTag(5); // code 023
        form->myUpDown17Direction(form->myUpDown17, still);
        form->stSpeedButton45->SetDown(true);
        form->stSpeedButton45->Click();
    } else {
        form->stAlignEdit1->SetTag(10); // 88.5 Hz
        form->myUpDown16Direction(form->myUpDown16, still);
        ASSERT_EQ(form->stAlignEdit1->Text(), "88.5");
        form->stSpeedButton44->SetDown(true);
        form->stSpeedButton44->Click();
    }
    Run(2000);
    const auto played = Played();
    ASSERT_GT(played.size(), 24000u);
    const std::vector<std::int16_t> heard(played.end() - 24000, played.end());
    if (c.open) {
        EXPECT_GT(Rms(heard), 1000.0);
        EXPECT_NEAR(FitTone(heard, 48000, 200, 4000).hz, 1000.0, 1.0);
    } else {
        EXPECT_LT(Rms(heard), 30.0) << "the squelch stays shut";
    }
}

INSTANTIATE_TEST_SUITE_P(Squelch, ToneSquelch, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
} // namespace lxq::systemtest
