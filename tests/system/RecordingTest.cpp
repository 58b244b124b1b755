// What the loudspeaker of the file sound card records stays recorded when the demodulator starts
// again, as it does after every sleep and wake.

#include "app/receiver/TmyKVRserver.h"
#include "tests/system/FrontPanelRig.h"

namespace lxq::systemtest {
namespace {

using Recording = FrontPanelSystem;

TEST_F(Recording, TheLoudspeakersFileKeepsEverySecondAcrossDemodulatorRestarts) {
    Start("usb", "noise -125\nstation 1000000 -60 am tone=1000 depth=0.5\n");
    const auto started = std::chrono::steady_clock::now();
    Run(1000);
    for (int restart = 0; restart < 2; ++restart) {
        form->KVR->StopPlugin("Q745 Professional");
        plat::comp::Application().ProcessMessages();
        ASSERT_TRUE(form->StartDemodulator("Q745 Professional"));
        Run(1000);
    }
    const double ran = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const auto played = Played();
    // Each start plays from its first block to its last: all three runs together, less what
    // the starts themselves take.
    EXPECT_GT(played.size() / 48000.0, 0.8 * 3.0) << "of " << ran << " s";
    EXPECT_LE(played.size() / 48000.0, ran + 0.5);
}

} // namespace
} // namespace lxq::systemtest
