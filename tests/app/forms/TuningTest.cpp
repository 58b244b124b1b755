// Tuning on the front panel beyond the frequency entry and the knob: the band and memory label
// with the memory number, stepping through the memory channels, the digit spinners, the
// automatic step, the wheel on the knob, the function keys and the tuning pad's key row.

#include <gtest/gtest.h>

#include <cstring>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TmyTuningPad.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/receiver/TmyQ745.h"
#include "platform/win/Messages.h"
#include "platform/win/PaintApi.h"
#include "platform/win/VirtualKeys.h"
#include "tests/app/forms/DemoPanel.h"

namespace lxq::test {
namespace {

namespace win = plat::win;

TMemoryRecord Named(std::int32_t number, std::int64_t hz, const char* callsign, const char* comments) {
    TMemoryRecord r = Channel(number, hz);
    std::strncpy(r.callsign, callsign, sizeof r.callsign - 1);
    std::strncpy(r.comments, comments, sizeof r.comments - 1);
    return r;
}

class Tuning : public DemoPanel {
protected:
    void Tune(std::int64_t hz) {
        form->myFrequencyEdit1->SetValue(hz);
        ASSERT_EQ(form->Q7->GetFreq(), hz);
    }
    std::int32_t Shown() const { return form->myIntEdit1->Value(); }
};

TEST_F(Tuning, TheLabelNamesTheChannelOnTheFrequencyElseTheBand) {
    StartPanel();
    form->Bands() = {{7'000'000, 7'200'000, "40m"}, {9'400'000, 9'900'000, "31m"}};
    Add(Named(4, 7'100'000, "DL1AB", "club station"));
    Add(Named(7, 9'500'000, "   ", " Relay "));
    Add(Named(9, 9'600'000, "", "  "));
    Add(Named(2, 9'600'000, "", ""));
    const struct {
        std::int64_t hz;
        const char* label;
        std::int32_t number;
    } cases[] = {
        {7'100'000, "DL1AB", 4},
        {9'500'000, " Relay ", 7}, // shown as stored
        {9'600'000, "31m", 2},     // blank names leave the band; the last channel wins
        {7'150'000, "40m", 0},
        {12'000'000, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hz);
        Tune(c.hz);
        EXPECT_EQ(form->myLabel16->Caption(), c.label);
        EXPECT_EQ(Shown(), c.number);
        EXPECT_EQ(form->Q7->GetFreq(), c.hz) << "showing the number recalls nothing";
    }
}

TEST_F(Tuning, MemoryStepsWalkTheNumbersInUseAndWrapAround) {
    StartPanel();
    Add(Channel(5, 5'000'000));
    Add(Channel(2, 2'000'000));
    Add(Channel(9, 9'000'000));
    form->myIntEdit1->SetValue(2); // typed: recalls channel 2
    EXPECT_EQ(form->Q7->GetFreq(), 2'000'000);
    const struct {
        const char* what;
        std::function<void()> press;
        std::int32_t number;
    } steps[] = {
        {"next", [&] { form->stSpeedButton14AutoRepeat(nullptr); }, 5},
        {"next", [&] { form->stSpeedButton14AutoRepeat(nullptr); }, 9},
        {"next wraps", [&] { form->stSpeedButton14AutoRepeat(nullptr); }, 2},
        {"previous wraps", [&] { form->stSpeedButton13AutoRepeat(nullptr); }, 9},
        {"ten right", [&] { form->stSpeedButton25AutoRepeat(nullptr); }, 2},
        {"ten left", [&] { form->stSpeedButton11AutoRepeat(nullptr); }, 9},
        {"spinner +11: ten, then one", [&] { int v = 11; form->myUpDown2Direction(form->myUpDown2, v); EXPECT_EQ(v, 0); }, 5},
        {"spinner -1", [&] { int v = -1; form->myUpDown2Direction(form->myUpDown2, v); }, 2},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.press();
        EXPECT_EQ(Shown(), s.number);
        EXPECT_EQ(form->Q7->GetFreq(), s.number * 1'000'000);
    }
}

TEST_F(Tuning, ASingleChannelHasNoNeighbourAndUnknownNumbersAreRefused) {
    StartPanel();
    Add(Channel(3, 3'000'000));
    form->myIntEdit1->SetValue(3);
    Tune(4'000'000);
    EXPECT_EQ(Shown(), 0);
    form->stSpeedButton14AutoRepeat(nullptr); // from "no channel" the first one is next
    EXPECT_EQ(Shown(), 3);
    EXPECT_EQ(form->Q7->GetFreq(), 3'000'000);
    form->stSpeedButton14AutoRepeat(nullptr);
    form->stSpeedButton11AutoRepeat(nullptr);
    EXPECT_EQ(form->Q7->GetFreq(), 3'000'000) << "nothing beyond the only channel";
    bool allow = true;
    form->myIntEdit1ValueChanging(form->myIntEdit1, 8, allow);
    EXPECT_FALSE(allow);
    form->myIntEdit1ValueChanging(form->myIntEdit1, 3, allow = true);
    EXPECT_TRUE(allow);
}

TEST_F(Tuning, DigitSpinnersAddTheirWeight) {
    StartPanel();
    Tune(100'000'000);
    TmyUpDown* spinners[] = {form->myUpDown5, form->myUpDown6, form->myUpDown7, form->myUpDown8, form->myUpDown9,
                             form->myUpDown10, form->myUpDown11, form->myUpDown12, form->myUpDown13};
    std::int64_t expected = 100'000'000;
    std::int64_t weight = 100'000'000;
    for (TmyUpDown* u : spinners) {
        u->UpHalf().OnAutoRepeat(&u->UpHalf()); // one press on the upper half
        expected += weight;
        weight /= 10;
    }
    EXPECT_EQ(form->Q7->GetFreq(), expected);
    EXPECT_EQ(expected, 211'111'111);
    int val = -3;
    form->myUpDown5Direction(form->myUpDown11, val); // 100 Hz digit
    EXPECT_EQ(form->Q7->GetFreq(), expected - 300);
}

TEST_F(Tuning, AutoTakesStepModeAndSquelchFromTheEntryHoldingTheFrequency) {
    StartPanel();
    TRangeRecord e{};
    e.lower = 144'000'000;
    e.upper = 146'000'000;
    e.step = 12'500;
    e.mode = 2;
    e.levelSquelch = 20;
    e.ctcss = 67'000;
    e.activeSquelch = static_cast<std::int32_t>(kSquelchLevel | kSquelchCtcss);
    form->AutoSteps() = {e};
    form->Q7->SetMode(5);
    form->myFrequencyEdit2->SetValue(1000);
    EXPECT_TRUE(form->myFrequencyEdit2->Enabled());

    form->stSpeedButton9->SetDown(true);
    form->stSpeedButton9->Click();
    EXPECT_FALSE(form->myFrequencyEdit2->Enabled()) << "the step is the list's while Auto is down";
    EXPECT_FALSE(form->myUpDown1->Enabled());
    Tune(145'000'000);
    EXPECT_EQ(form->myFrequencyEdit2->Value(), 12'500);
    EXPECT_EQ(form->Q7->GetMode(), 2);
    EXPECT_EQ(form->Q7->SquelchSettings().level, 20);
    EXPECT_EQ(form->Q7->SquelchSettings().ctcss, 67'000u);
    EXPECT_EQ(form->Q7->SquelchTypes(), kSquelchLevel | kSquelchCtcss);
    form->Q7->SetMode(5);
    Tune(146'000'000); // the upper end is outside: the current state stays
    EXPECT_EQ(form->myFrequencyEdit2->Value(), 12'500);
    EXPECT_EQ(form->Q7->GetMode(), 5);

    form->stSpeedButton9->SetDown(false);
    form->stSpeedButton9->Click();
    EXPECT_TRUE(form->myFrequencyEdit2->Enabled());
    Tune(145'000'000);
    EXPECT_EQ(form->Q7->GetMode(), 5) << "Auto up: nothing taken";
}

TEST_F(Tuning, TheMultiplierButtonsSayWhatTheyAre) {
    StartPanel();
    const struct {
        TstSpeedButton* button;
        const char* caption;
        const char* hint;
    } cases[] = {{form->stSpeedButton50, "x0.1", "Tuning knob step multiplier"},
                 {form->stSpeedButton47, "x1", "Tuning knob step multiplier"},
                 {form->stSpeedButton48, "x10", "Tuning knob step multiplier"},
                 {form->stSpeedButton49, "S", "Default tuning step"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.button->Caption(), c.caption);
        EXPECT_EQ(c.button->Hint(), c.hint) << c.caption;
        EXPECT_TRUE(c.button->ShowHint()) << c.caption;
    }
}

TEST_F(Tuning, TheWheelTurnsTheKnobOneStepPerNotch) {
    StartPanel();
    form->Q7->SetMode(1); // AM: 500 Hz a step with "x1"
    Tune(10'000'000);
    const struct {
        int delta;
        std::int64_t hz;
    } cases[] = {{240, 10'001'000}, {100, 10'001'000}, {-120, 10'000'500}, {-359, 9'999'500}};
    for (const auto& c : cases) {
        bool handled = false;
        form->stKnob1MouseWheel(form->stKnob1, 0, c.delta, 0, 0, handled);
        EXPECT_TRUE(handled);
        EXPECT_EQ(form->Q7->GetFreq(), c.hz) << c.delta;
    }
    // Bound to the knob: a wheel message over it tunes.
    form->stKnob1->Perform(win::WM_MOUSEWHEEL, static_cast<win::WParam>(win::WHEEL_DELTA) << 16, 0);
    EXPECT_EQ(form->Q7->GetFreq(), 10'000'000);
}

TEST_F(Tuning, FunctionKeysRecallTheirChannelsAndSAndRStoreAndRecall) {
    StartPanel();
    TMemoryRecord a = Channel(1, 1'000'000);
    a.hotkey = 3;
    TMemoryRecord b = Channel(2, 2'000'000);
    b.hotkey = 3;
    TMemoryRecord c = Channel(3, 3'000'000);
    c.hotkey = 10;
    Add(a);
    Add(b);
    Add(c);
    std::uint16_t key = win::VK_F1 + 2;
    form->FormKeyDown(form.get(), key, 0);
    EXPECT_EQ(form->Q7->GetFreq(), 2'000'000) << "both recalled, the last one stays";
    EXPECT_NE(key, 0);
    key = win::VK_F10;
    form->FormKeyDown(form.get(), key, 0);
    EXPECT_EQ(form->Q7->GetFreq(), 3'000'000);
    EXPECT_EQ(key, 0) << "F10 never reaches the menu bar";

    int stores = 0, recalls = 0;
    form->stSpeedButton12->OnClick = [&](TObject*) { ++stores; };
    form->stSpeedButton15->OnClick = [&](TObject*) { ++recalls; };
    for (char ch : std::string("sSrRx")) form->FormKeyPress(form.get(), ch);
    EXPECT_EQ(stores, 2);
    EXPECT_EQ(recalls, 2);
}

TEST_F(Tuning, TheTuningPadShowsOnlyItsKeyRow) {
    StartPanel();
    const TmyTuningPad& pad = *form->myTuningPad1;
    const auto region = win::GetWindowRgn(const_cast<TmyTuningPad&>(pad).Handle());
    ASSERT_TRUE(region);
    const int h = form->stPanel5->ClientHeight() - 2 * form->stPanel5->BevelWidth();
    EXPECT_EQ(region->Bounds().top, pad.Height() - h);
    EXPECT_EQ(region->Bounds().bottom, pad.Height());
    EXPECT_EQ(region->Bounds().right, pad.Width());
    EXPECT_EQ(pad.Top() + pad.Height(), form->stPanel5->BevelWidth() + h) << "its lowest part in the panel";
}

} // namespace
} // namespace lxq::test
