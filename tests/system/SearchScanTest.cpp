// The search scan over the band: it stops on the first station above the squelch level, and when
// that station goes off the air (the host is given another scene) it moves on to the next.

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "tests/system/FrontPanelRig.h"

#include <fstream>
#include <sstream>

namespace lxq::systemtest {
namespace {

constexpr int kHolding = 2;

TEST_F(FrontPanelSystem, ASearchScanStopsOnAStationAndMovesOnWhenItGoes) {
    Start("pci", "noise -125\n"
                 "station 145100000 -95 carrier\n" // under the squelch: passed by
                 "station 145150000 -70 carrier\n"
                 "station 145250000 -70 carrier\n", {"/l"});
    Tune(145'000'000);
    form->myFrequencyEdit2->SetValue(25'000);
    form->Q7->SetSquelch(-90);
    form->stSpeedButton20Click(form->stSpeedButton20);
    Run(5000, [this] { return form->ScannerState == kHolding; });
    ASSERT_EQ(form->ScannerState, kHolding) << "the scan stops";
    EXPECT_EQ(form->Q7->GetFreq(), 145'150'000) << "on the first station above the squelch";

    // The station goes off the air: the scan goes on at once, not after its delay time.
    const std::string without = Scratch("without.scene");
    std::ofstream(without) << "noise -125\nstation 145250000 -70 carrier\n";
    ASSERT_EQ(Control({"scene", without}), 0);
    const auto gone = std::chrono::steady_clock::now();
    Run(5000, [this] { return form->ScannerState == kHolding && form->Q7->GetFreq() != 145'150'000; });
    EXPECT_EQ(form->ScannerState, kHolding) << "scanning at " << form->Q7->GetFreq() << " after "
                                            << (std::chrono::steady_clock::now() - gone).count() / 1000000 << " ms";
    EXPECT_EQ(form->Q7->GetFreq(), 145'250'000) << "on the next station";
    EXPECT_LT(std::chrono::steady_clock::now() - gone, std::chrono::milliseconds(form->Settings().delayTimeMs));
    form->stSpeedButton7Click(form->stSpeedButton7);
    EXPECT_EQ(form->ScannerState, 0);
    if (HasFailure()) {
        std::stringstream log;
        log << std::ifstream(form->DebugLogFile()).rdbuf();
        std::printf("%s\n", log.str().substr(log.str().size() > 6000 ? log.str().size() - 6000 : 0).c_str());
    }
}

} // namespace
} // namespace lxq::systemtest
