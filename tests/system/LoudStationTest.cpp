// A loud station played loud: the loudspeaker gives its tone clipped, as loud as it goes, and
// never the noise an overflowing audio filter would make of it. The audio gain is the user's,
// kept in the demodulator's settings file between sessions.

#include "tests/system/FrontPanelRig.h"
#include "tests/system/ToneAnalysis.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace lxq::systemtest {
namespace {

class LoudStation : public FrontPanelSystem {
protected:
    // The settings file the demodulator wrote as it closed, with the AM audio gain changed as
    // the setup window would change it. The file holds the one receiver's record: its key (4
    // bytes), its length (4 bytes) and the settings, whose AM block starts at 16 and keeps the
    // audio gain (a double) at 112 of it.
    void SetAmAudioGain(double gain) {
        const std::string path = Scratch("Talvenor/Q745/Demod_Config.dat");
        std::vector<char> bytes;
        {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        constexpr std::size_t kGainAt = 8 + 16 + 112;
        ASSERT_GE(bytes.size(), kGainAt + sizeof(double)) << path;
        double stored = 0;
        std::memcpy(&stored, bytes.data() + kGainAt, sizeof stored);
        ASSERT_EQ(stored, 7.0) << "the default gain, where the record keeps it";
        std::memcpy(bytes.data() + kGainAt, &gain, sizeof gain);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }
};

TEST_F(LoudStation, AnAmStationAtMinus30DbmWithAudioGain60PlaysItsToneClipped) {
    const std::string scene = "noise -130\nstation 145000000 -30 am tone=1000 depth=0.5\n";
    // A first session leaves the settings file; the user then sets the AM audio gain to 60.
    Start("pci", scene);
    form->KVR->StopAll();
    plat::comp::Application().ProcessMessages();
    SetAmAudioGain(60.0);

    Start("pci", scene);
    Mode("AM");
    Tune(145'000'000);
    Run(1500);
    const auto played = Played();
    ASSERT_GT(played.size(), 24000u);
    const std::vector<std::int16_t> heard(played.end() - 24000, played.end());
    const auto [lowest, highest] = std::minmax_element(heard.begin(), heard.end());
    EXPECT_GE(std::max(-int{*lowest}, int{*highest}), 32000) << "played at full scale";
    const ToneFit fit = FitTone(heard, 48000, 200, 4000);
    EXPECT_NEAR(fit.hz, 1000.0, 1.0);
    EXPECT_GE(fit.sinadDb, 20.0) << "the tone, clipped";
}

} // namespace
} // namespace lxq::systemtest
