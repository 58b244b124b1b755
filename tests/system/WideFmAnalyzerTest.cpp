// The demodulator's audio analyzer in wide FM, in the panel on a USB receiver (whose codec runs
// at 64 kHz): it spans the audio band, and it draws the audio filter's edges and response only
// while "AF Filter" applies the filter.

#include "tests/system/FrontPanelRig.h"
#include "tests/system/PluginWindows.h"
#include "tests/system/ScreenText.h"

namespace lxq::systemtest {
namespace {

namespace win = plat::win;

class WideFmAnalyzer : public FrontPanelSystem {
protected:
    // Pixels of one colour (0x00BBGGRR) on the analyzer (4, 52, 312 x 164 in the window).
    int PixelsOf(std::uint32_t colour) {
        const auto picture = ClientPicture(form->EmbeddedDemodulator());
        if (!picture) return 0;
        int n = 0;
        for (int y = 54; y < 214; ++y)
            for (int x = 6; x < 314; ++x) n += (picture->GetPixel(x, y) & 0xFFFFFF) == colour ? 1 : 0;
        return n;
    }
    // The frequency label at the right end of the analyzer's bottom row.
    Ink TopFrequencyLabel() {
        const auto picture = ClientPicture(form->EmbeddedDemodulator());
        return picture ? InkOf(*picture, {4 + 312 - 56, 52 + 164 - 14, 4 + 312 - 2, 52 + 164 - 2}) : Ink{};
    }
    void ToggleAfFilter() {
        ClickAt(form->EmbeddedDemodulator(), 192 + 30, 230 + 10);
        Run(50);
    }
    bool AfFilterDown() {
        // A pressed toggle shows its caption in the text colour; a released one in half-tone.
        const auto picture = ClientPicture(form->EmbeddedDemodulator());
        for (int y = 233; y < 247; ++y)
            for (int x = 196; x < 248; ++x)
                if ((picture->GetPixel(x, y) & 0xFFFFFF) == 0x00FF00) return true;
        return false;
    }
};

TEST_F(WideFmAnalyzer, SpansTheAudioBandAndDrawsTheFilterOnlyWhileItIsApplied) {
    Start("usb", "noise -90\nstation 100000000 -50 fm tone=1000 deviation=75000\n");
    Tune(100'000'000);
    Mode("FMW");
    Run(200);
    const plat::gdi::FontDesc font;
    const Ink top = TopFrequencyLabel();
    EXPECT_LE(InkDistance(top, InkOfText("16kHz", font)), 3) << "the span ends at 16 kHz, the top of the audio band";

    constexpr std::uint32_t kEdge = 0x0000FF;     // red
    constexpr std::uint32_t kResponse = 0xFFFF00; // cyan
    if (!AfFilterDown()) ToggleAfFilter();
    ASSERT_TRUE(AfFilterDown());
    Run(200);
    EXPECT_GT(PixelsOf(kEdge), 20) << "the filter's edges with the filter applied";
    EXPECT_GT(PixelsOf(kResponse), 20) << "and its response";

    ToggleAfFilter();
    ASSERT_FALSE(AfFilterDown());
    Run(200);
    EXPECT_EQ(PixelsOf(kEdge), 0) << "no edges of a filter that is not applied";
    EXPECT_EQ(PixelsOf(kResponse), 0) << "nor its response";
}

} // namespace
} // namespace lxq::systemtest
