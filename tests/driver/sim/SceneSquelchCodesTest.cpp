// The sub-audible codes of the band are the ones the demodulator's decoder knows: the audio of a
// station with a DCS code, as the receiver's own FM demodulator gives it, yields that code with
// its polarity.

#include <gtest/gtest.h>

#include <vector>

#include "demod/dsp/RC_DcsDecoder.h"
#include "driver/sim/SceneIfSynthesizer.h"

namespace lxq::sim {
namespace {

TEST(SceneSquelchCodes, TheDemodulatorsDecoderFindsTheDcsCodeWithItsPolarity) {
    struct Case {
        const char* dcs;
        std::int32_t found; // as the decoder lists it: inverted codes + 512
    };
    for (const Case c : {Case{"023", 023}, Case{"023i", 023 + RC_DcsDecoder::kInverted}, Case{"754", 0754}}) {
        const BandScene scene = *BandScene::Parse(std::string("noise -130\nstation 98000000 -50 fm tone=1000 dcs=") + c.dcs + "\n");
        IfTuning tuning;
        tuning.tunedHz = 98'000'000;
        tuning.wideFm = true;
        tuning.bandwidthHz = kWideIfBandwidthHz;
        SceneIfSynthesizer synth(48000.0);
        RC_DcsDecoder decoder;
        decoder.SetSampleRate(48000.0f);
        std::vector<std::int16_t> block(1024);
        bool found = false, other = false;
        // Two seconds: a word lasts 171 ms.
        for (int k = 0; k < 94; ++k) {
            synth.Render(tuning, scene, block.data(), block.size());
            decoder.Process(block.data(), static_cast<std::uint32_t>(block.size()), 1);
            for (std::uint32_t i = 0; i < decoder.FoundCount(); ++i) {
                if (decoder.FoundCodes()[i] == c.found) found = true;
                else if (decoder.FoundCodes()[i] % RC_DcsDecoder::kInverted == c.found % RC_DcsDecoder::kInverted) other = true;
            }
            decoder.ClearFound();
        }
        EXPECT_TRUE(found) << c.dcs;
        EXPECT_FALSE(other) << c.dcs << ": found with the other polarity";
    }
}

} // namespace
} // namespace lxq::sim
