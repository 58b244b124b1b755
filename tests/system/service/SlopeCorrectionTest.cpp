// The IF slope correction in the panel, with "/d" on the command line (this test program is run
// with it) so that the demodulator shows its slope knobs and the "IF spectrum slope
// compensation" panel. The simulated USB receiver's IF is white noise: a flat band.

#include "tests/system/FrontPanelRig.h"
#include "tests/system/PluginWindows.h"
#include "tests/system/ScreenText.h"

#include "platform/sys/CommandLine.h"

#include <array>
#include <cmath>
#include <vector>

namespace lxq::systemtest {
namespace {

namespace win = plat::win;
using Knobs = std::array<int, 11>;

constexpr std::uint32_t kGuard = 0x6B3E;
constexpr const char* kPanelTitle = "IF spectrum slope compensation";
constexpr const char* kFlatBand = "noise -60\n";
// Rows of the panel's buttons.
constexpr int kHideRow = 26, kAutomaticRow = 48, kUpdateRow = 92, kInvertRow = 128;

class SlopeCorrection : public FrontPanelSystem {
protected:
    // The slope record of the receiver's EEPROM, through the API library as a service tool
    // writes it, before the panel takes the receiver.
    void StoreKnobs(const Knobs& knobs) {
        ApiLibrary api;
        auto open = api.Get<std::int32_t(std::int32_t)>("OpenRadioDevice");
        auto close = api.Get<std::int32_t(std::int32_t)>("CloseRadioDevice");
        auto write = api.Get<std::int32_t(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t, const void*)>(
            "Q7WriteEEPROM");
        const std::int32_t index = open(0);
        ASSERT_GE(index, 1);
        unsigned char record[13];
        std::uint16_t sum = 0;
        for (int k = 0; k < 11; ++k) {
            record[k] = static_cast<unsigned char>(knobs[static_cast<std::size_t>(k)] + 128);
            sum = static_cast<std::uint16_t>(sum + record[k]);
        }
        record[11] = static_cast<unsigned char>(sum & 0xFF);
        record[12] = static_cast<unsigned char>(sum >> 8);
        ASSERT_EQ(write(index, kGuard, 216, 13, record), 1);
        close(index);
    }
    // The knobs the EEPROM holds, once the panel has let the receiver go.
    Knobs StoredKnobs() {
        form.reset();
        ApiLibrary api;
        auto open = api.Get<std::int32_t(std::int32_t)>("OpenRadioDevice");
        auto close = api.Get<std::int32_t(std::int32_t)>("CloseRadioDevice");
        auto read = api.Get<std::int32_t(std::int32_t, void*)>("Q7GetEEP");
        const std::int32_t index = open(0);
        EXPECT_GE(index, 1);
        unsigned char eeprom[256] = {};
        read(index, eeprom);
        close(index);
        Knobs knobs{};
        for (int k = 0; k < 11; ++k) knobs[static_cast<std::size_t>(k)] = eeprom[216 + k] - 128;
        return knobs;
    }

    void StartWithKnobs(const Knobs& knobs) {
        ASSERT_TRUE(plat::sys::ProgramHasArgument("/d")) << "run with the service switch";
        knobs_ = knobs;
        Start("usb", kFlatBand);
        panel_ = WindowTitled(form->EmbeddedDemodulator(), kPanelTitle);
        ASSERT_NE(panel_, 0u) << "the service panel is shown";
    }
    void HostReady() override { StoreKnobs(knobs_); }
    void Press(int row) {
        ClickAt(panel_, 100, row + 9);
        Run(20);
    }
    // Whether a panel button is enabled: its caption is drawn in the enabled text colour.
    bool Enabled(int row) {
        const auto picture = ClientPicture(panel_);
        if (!picture) return false;
        for (int y = row + 3; y < row + 15; ++y)
            for (int x = 10; x < 200; ++x)
                if ((picture->GetPixel(x, y) & 0xFFFFFF) == 0x00FF00) return true;
        return false;
    }

    // The IF graph's trace as drawn: per column of the plot, the height of its topmost trace
    // pixel above the plot's bottom, with the span's first and last columns.
    struct Trace {
        std::vector<int> heights; // per column from the plot's left
        int bottom = 0;
        // Mean height over a span in Hz (the plot shows 2000 to 22000 Hz).
        double Mean(double fromHz, double toHz) const {
            const int n = static_cast<int>(heights.size());
            const int a = static_cast<int>((fromHz - 2000.0) / 20000.0 * (n - 1));
            const int b = static_cast<int>((toHz - 2000.0) / 20000.0 * (n - 1));
            double sum = 0;
            for (int x = a; x <= b; ++x) sum += heights[static_cast<std::size_t>(x)];
            return sum / (b - a + 1);
        }
    };
    Trace TraceNow() {
        Trace t;
        const auto picture = ClientPicture(form->EmbeddedDemodulator());
        if (!picture) return t;
        // The graph sits at 4, 52, 312 x 164; its trace is white, yellow inside the passband.
        auto isTrace = [&](int x, int y) {
            const std::uint32_t c = picture->GetPixel(x, y);
            return (c & 0xFF) > 200 && ((c >> 8) & 0xFF) > 200;
        };
        int left = -1, right = -1, bottom = 0;
        for (int x = 6; x < 314; ++x)
            for (int y = 54; y < 214; ++y)
                if (isTrace(x, y)) {
                    if (left < 0) left = x;
                    right = x;
                    bottom = std::max(bottom, y);
                }
        if (left < 0) return t;
        t.bottom = bottom;
        for (int x = left; x <= right; ++x) {
            int h = 0;
            for (int y = 54; y <= bottom; ++y)
                if (isTrace(x, y)) {
                    h = bottom - y;
                    break;
                }
            t.heights.push_back(h);
        }
        return t;
    }
    // Height difference between two spans, averaged over a number of paints made after the call
    // (each a trace unlike the one before): the correction is applied as the graph paints, and a
    // loaded machine may not have painted for a while after a button was pressed.
    double Tilt(double upperHz, double lowerHz) {
        std::vector<int> last = TraceNow().heights;
        double sum = 0;
        constexpr int kPaints = 12;
        for (int i = 0; i < kPaints; ++i) {
            Trace fresh;
            const bool painted = Eventually([&] {
                Run(20);
                fresh = TraceNow();
                return fresh.heights.size() >= 100 && fresh.heights != last;
            });
            if (!painted) return 0;
            last = fresh.heights;
            sum += fresh.Mean(upperHz - 500, upperHz + 500) - fresh.Mean(lowerHz - 500, lowerHz + 500);
        }
        return sum / kPaints;
    }

    Knobs knobs_{};
    win::Hwnd panel_ = 0;
};

// Knob 6 (14 kHz) raises what is drawn at 14 kHz; with the spectrum inverted the knobs are read
// the other way round and it raises 10 kHz instead.
TEST_F(SlopeCorrection, TheCorrectionIsMirroredOnlyWhileTheSpectrumIsInverted) {
    StartWithKnobs({0, 0, 0, 0, 0, 0, 15, 0, 0, 0, 0});
    Press(kHideRow); // the plain spectrum; the correction still applies
    ASSERT_TRUE(Eventually([&] { return Run(20), TraceNow().heights.size() > 100; })) << "a trace is drawn";
    const double upright = Tilt(14000, 10000);
    EXPECT_GT(upright, 8.0) << "14 kHz stands above 10 kHz";
    Press(kInvertRow);
    const double inverted = Tilt(14000, 10000);
    EXPECT_LT(inverted, -8.0) << "inverted, 10 kHz stands above 14 kHz";
}

// The graph refreshes bins 63..703 of its 1024 for 2..22 kHz. The correction must touch those
// only: a bin it corrects but the graph leaves alone takes the correction again at every paint,
// and the figures and an automatic correction read that bin at 22 kHz.
TEST_F(SlopeCorrection, AfterManyPaintsTheFiguresAndAnAutomaticCorrectionSeeTheBandAsItIs) {
    StartWithKnobs({15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 15});
    Run(2500); // some hundred paints with the knobs at both ends up by 15 dB
    const plat::gdi::FontDesc font;
    std::optional<double> ripple;
    Run(3000, [&] {
        const auto picture = ClientPicture(panel_);
        ripple = ReadValue(InkOf(*picture, {4, 186, 212, 200}), font, "Maximum ripple: %.2fdB", 0.0, 100.0, 0.01);
        return ripple.has_value();
    });
    ASSERT_TRUE(ripple.has_value()) << "\"Maximum ripple\" shows a figure below 100 dB";
    EXPECT_LT(*ripple, 16.0) << "the band is flat but for the knobs' 15 dB";

    ASSERT_TRUE(Enabled(kUpdateRow));
    Press(kAutomaticRow);
    EXPECT_FALSE(Enabled(kUpdateRow)) << "the buttons wait for the run to end";
    ASSERT_TRUE(Eventually([&] { return Run(50), Enabled(kUpdateRow); })) << "the run ends once the average settles";
    Press(kUpdateRow);
    const Knobs stored = StoredKnobs();
    for (int k = 0; k < 11; ++k)
        EXPECT_LE(std::abs(stored[static_cast<std::size_t>(k)]), 2) << "knob " << k << ": a flat band needs none";
}

} // namespace
} // namespace lxq::systemtest
