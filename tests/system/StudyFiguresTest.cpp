// The demodulator's study window in the panel: a clean 1 kHz tone, heard in USB from a carrier
// 1 kHz above the tuned frequency, reads a low distortion and a high SINAD, whether the receiver
// hands its IF over through the sound card (serial) or through its codec stream at 64 kHz (USB),
// where the demodulator plays at 48 kHz.

#include "tests/system/FrontPanelRig.h"
#include "tests/system/PluginWindows.h"
#include "tests/system/ScreenText.h"

namespace lxq::systemtest {
namespace {

namespace win = plat::win;

constexpr const char* kThdFormat = "%.2f";
constexpr const char* kSinadFormat = "%.1f";

struct Case {
    const char* name;
    const char* variant;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class StudyFigures : public FrontPanelSystem, public ::testing::WithParamInterface<Case> {
protected:
    // A figure in one of the study window's number fields (at x in its bottom row) on a picture of
    // its client area; none when it shows no number of that format.
    static std::optional<double> Figure(const plat::gdi::Bitmap& picture, int x, const char* unit, const char* format,
                                        double hi, double step) {
        const plat::gdi::FontDesc font; // the toolkit's -11 Arial
        // Inside the field's sunken frame.
        const Ink ink = InkOf(picture, {x + 3, 386 + 3, x + 60 - 3, 386 + 20 - 3}, InkWidth(unit, font));
        return ReadValue(ink, font, format, 0.0, hi, step);
    }
};

TEST_P(StudyFigures, ACleanToneReadsLowDistortionAndHighSinad) {
    Start(GetParam().variant, "noise -200\nstation 145001000 -50 carrier\n");
    Mode("USB");
    Tune(145'000'000);
    const win::Hwnd demod = form->EmbeddedDemodulator();
    ClickAt(demod, 265 + 25, 28 + 10); // "Setup"
    Run(50);
    const win::Hwnd setup = WindowTitled(demod, "Q745 Demodulator Setup");
    ASSERT_NE(setup, 0u);
    win::Rect r{};
    win::GetClientRect(setup, &r);
    // "View demodulator structure", at the bottom right of the mode pages.
    ClickAt(setup, 262 + (r.right - 266) - 126 + 60, 26 + 279 + 16);
    Run(50);
    const win::Hwnd study = WindowTitled(demod, "USB Demodulator Structure");
    ASSERT_NE(study, 0u);
    // The figures' possible texts are drawn before the measurement starts: under a sanitizer the
    // first reading would otherwise take all the time the test gives the figures.
    ValueCandidates(plat::gdi::FontDesc{}, kThdFormat, 0.0, 100.0, 0.01);
    ValueCandidates(plat::gdi::FontDesc{}, kSinadFormat, 0.0, 100.0, 0.1);
    ClickAt(study, 357 + 21, 386 + 10); // "THD"
    Run(20);
    ClickAt(study, 460 + 21, 386 + 10); // "SINAD"
    Run(20);

    // The kept figures settle within a second or two of audio. A look at the screen (a picture of
    // the whole window) costs the panel's thread far more than a message does: one picture serves
    // both figures, and between looks the panel handles what came meanwhile, the study's figures
    // among it.
    std::optional<double> thd, sinad;
    RunLooking(8000, 200, [&] {
        const auto picture = ClientPicture(study);
        if (!picture) return false;
        thd = Figure(*picture, 401, "%", kThdFormat, 100.0, 0.01);
        sinad = Figure(*picture, 504, "dB", kSinadFormat, 100.0, 0.1);
        return thd && sinad && *thd < 3.0 && *sinad > 40.0;
    });
    ASSERT_TRUE(thd.has_value()) << "the THD field shows a figure";
    ASSERT_TRUE(sinad.has_value()) << "the SINAD field shows a figure";
    EXPECT_LT(*thd, 3.0) << GetParam().variant;
    EXPECT_GT(*sinad, 40.0) << GetParam().variant;
}

INSTANTIATE_TEST_SUITE_P(Receivers, StudyFigures,
                         ::testing::Values(Case{"Usb", "usb"}, Case{"Serial", "serial"}),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
} // namespace lxq::systemtest
