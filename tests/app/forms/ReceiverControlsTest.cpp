// The front panel's receiver controls against the demonstration receiver of the API library (no
// driver host runs): the S-meter's scale, the squelch kept per mode, the CTCSS and DCS spinners,
// the AGC buttons, power, the meter's status lines, the refused-frequency hint and the display
// offset. Time is a fake clock.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstAlignEdit.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TOffsetForm.h"
#include "app/forms/TQ7form.h"
#include "tests/app/forms/DemoPanel.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplication.h"
#include "platform/components/THintWindow.h"
#include "platform/components/TIniFile.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"
#include "platform/win/ScreenApi.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq {
namespace {

using plat::comp::TCustomForm;
using plat::comp::TModalResult;

class ReceiverControls : public test::DemoPanel {
protected:
    void SetUp() override { StartPanel({}); }
    void Advance(std::int64_t ms, std::int64_t step = 10) {
        for (std::int64_t done = 0; done < ms; done += step) {
            clock.AdvanceMs(step);
            plat::comp::Application().ProcessMessages();
        }
    }
    TmyQ745& Q7() { return *form->Q7; }
    static void Click(TstSpeedButton* b) {
        b->SetDown(!b->Down());
        b->Click();
    }
    std::string Status(int index) {
        plat::comp::TFont font;
        std::string text;
        form->mySMeterDebugString(form->mySMeter, index, font, text);
        return text;
    }
};

TEST_F(ReceiverControls, TheMeterScaleFollowsModePreamplifierAndAttenuator) {
    ASSERT_TRUE(Q7().Demo());
    struct Case {
        int mode;
        bool preamp, atten;
        int ticks;
        double min, max;
    };
    const Case cases[] = {
        {3, true, false, 5, -110, -30}, {3, false, false, 5, -100, -20}, {3, true, true, 5, -90, -10},
        {3, false, true, 5, -80, 0},    {1, true, false, 6, -130, -30},  {1, true, true, 6, -110, -10},
        {1, false, false, 6, -120, -20}, {1, false, true, 6, -100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " preamp " << c.preamp << " atten " << c.atten);
        Q7().SetPreAmp(c.preamp);
        Q7().SetAtten(c.atten);
        Q7().SetMode(c.mode);
        ASSERT_EQ(Q7().GetPreAmp() != 0, c.preamp);
        EXPECT_EQ(form->mySMeter->NumBigTicks(), c.ticks);
        EXPECT_EQ(form->mySMeter->Min(), c.min);
        EXPECT_EQ(form->mySMeter->Max(), c.max);
        EXPECT_EQ(form->stSpeedButton41->Down(), c.preamp);
        EXPECT_EQ(form->stSpeedButton2->Down(), c.atten);
    }
}

TEST_F(ReceiverControls, ModesStartAt120DbmFromTheSettings) {
    EXPECT_EQ(form->myIntEdit3->Value(), -120) << "the start mode's level reaches panel and receiver";
    EXPECT_EQ(Q7().GetSquelch(), -120);
    for (int mode : {0, 5, 20}) {
        Q7().SetMode(mode);
        EXPECT_EQ(form->myIntEdit3->Value(), -120) << mode;
        EXPECT_EQ(Q7().GetSquelch(), -120) << mode;
    }
}

TEST_F(ReceiverControls, TheSettingsFileKeepsSquelchLevelsInDbm) {
    Q7().SetMode(1);
    form->myIntEdit3->SetValue(-100);
    form->WriteSettings();
    const plat::comp::TIniFile ini(form->DataFolder() + kSettingsFileName);
    EXPECT_EQ(ini.ReadInteger(ModeSection(1, Q7().GetSerialNum()), "LevelSquelch", 0), -100);
    EXPECT_EQ(Q7().KVRtoSQ(form->ModeSquelch(1).level), -100) << "the panel's own table stays in units";
    form->ReadSettings();
    EXPECT_EQ(Q7().KVRtoSQ(form->ModeSquelch(1).level), -100);
}

TEST_F(ReceiverControls, AModeWithoutALevelKeepsTheCurrentSquelchLevel) {
    Q7().SetMode(1);
    form->myIntEdit3->SetValue(-100);
    ASSERT_EQ(Q7().GetSquelch(), -100);
    form->ModeSquelch(4).level = kSquelchNotSet;
    Q7().SetMode(4);
    EXPECT_EQ(form->myIntEdit3->Value(), -100);
    EXPECT_EQ(Q7().KVRtoSQ(form->ModeSquelch(4).level), -100);
    EXPECT_EQ(Q7().GetSquelch(), -100) << "the receiver has the level the panel shows";
    form->myIntEdit3->SetValue(-70);
    Q7().SetMode(1);
    EXPECT_EQ(form->myIntEdit3->Value(), -100) << "each mode keeps its own";
    Q7().SetMode(4);
    EXPECT_EQ(form->myIntEdit3->Value(), -70);
}

TEST_F(ReceiverControls, NoiseAndVoiceValuesAreKeptPerModeAndIgnoredAboveModeTwenty) {
    Q7().SetMode(2);
    form->myIntEdit4->SetValue(40);
    form->myIntEdit5->SetValue(60);
    EXPECT_EQ(form->ModeSquelch(2).noise, 40);
    EXPECT_EQ(form->ModeSquelch(2).voice, 60u);
    EXPECT_EQ(Q7().SquelchSettings().noise, 40);
    EXPECT_EQ(Q7().SquelchSettings().voice, 60u);

    Q7().SetMode(21);
    const SQUELCH_SETTINGS receiver = Q7().SquelchSettings();
    const SQUELCH_SETTINGS mode2 = form->ModeSquelch(2);
    form->myIntEdit4->SetValue(10);
    form->myIntEdit5->SetValue(20);
    EXPECT_EQ(Q7().SquelchSettings().noise, receiver.noise);
    EXPECT_EQ(Q7().SquelchSettings().voice, receiver.voice);
    EXPECT_EQ(form->ModeSquelch(2).noise, mode2.noise);
}

TEST_F(ReceiverControls, SquelchTypeButtonsSetTheModesBitsAndFollowTheReceiver) {
    Q7().SetMode(1);
    Click(form->stSpeedButton44); // CTCSS
    EXPECT_EQ(Q7().SquelchTypes(), kSquelchLevel | kSquelchCtcss);
    EXPECT_EQ(form->ModeSquelchTypes(1), static_cast<std::int32_t>(kSquelchLevel | kSquelchCtcss));
    Click(form->stSpeedButton8); // Level off: the meter shows the squelch defeated
    EXPECT_EQ(Q7().SquelchTypes(), kSquelchCtcss);
    EXPECT_TRUE(form->mySMeter->Defeat());

    // A plug-in sets the types through the receiver: the buttons follow.
    Q7().SetSquelchSettings(Q7().SquelchSettings(), kSquelchLevel | kSquelchDcs);
    EXPECT_TRUE(form->stSpeedButton8->Down());
    EXPECT_TRUE(form->stSpeedButton45->Down());
    EXPECT_FALSE(form->stSpeedButton44->Down());
    EXPECT_FALSE(form->mySMeter->Defeat());
}

TEST_F(ReceiverControls, TheCtcssSpinnerStopsAtBothEndsOfTheToneTable) {
    Q7().SetMode(1);
    const struct {
        int from, step;
        const char* text;
        std::uint32_t tone;
    } cases[] = {{51, 1, "254.1", 254'100}, {0, -1, "62.5", 62'500}, {14, 1, "103.5", 103'500}, {0, 200, "254.1", 254'100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        form->stAlignEdit1->SetTag(c.from);
        int step = c.step;
        form->myUpDown16Direction(form->myUpDown16, step);
        EXPECT_EQ(form->stAlignEdit1->Text(), c.text);
        EXPECT_EQ(form->ModeSquelch(1).ctcss, c.tone);
        EXPECT_EQ(Q7().SquelchSettings().ctcss, c.tone);
    }
}

TEST_F(ReceiverControls, ReverseDcsShowsAMinusAndSendsTheNegatedCode) {
    Q7().SetMode(1);
    form->stAlignEdit2->SetTag(5); // 023
    int still = 0;
    form->myUpDown17Direction(form->myUpDown17, still);
    EXPECT_EQ(form->stAlignEdit2->Text(), "023");
    EXPECT_EQ(Q7().SquelchSettings().dcs, 19);
    Click(form->stSpeedButton46);
    EXPECT_EQ(form->stAlignEdit2->Text(), "-023");
    EXPECT_EQ(Q7().SquelchSettings().dcs, -19);
    int up = 200;
    form->myUpDown17Direction(form->myUpDown17, up);
    EXPECT_EQ(form->stAlignEdit2->Text(), "-754");

    // A code the receiver reports selects its table entry and the reverse button.
    SQUELCH_SETTINGS q = Q7().SquelchSettings();
    q.dcs = 0'155; // 0155 octal
    Q7().SetSquelchSettings(q, Q7().SquelchTypes());
    EXPECT_EQ(form->stAlignEdit2->Text(), "155");
    EXPECT_FALSE(form->stSpeedButton46->Down());
    q.dcs = 12345; // in no table: the display stays
    Q7().SetSquelchSettings(q, Q7().SquelchTypes());
    EXPECT_EQ(form->stAlignEdit2->Text(), "155");
}

TEST_F(ReceiverControls, AgcButtonsFollowTheReceiverAndUnknownValuesChangeNone) {
    const struct {
        std::int32_t agc;
        TstSpeedButton* TQ7form::*button;
    } cases[] = {{1, &TQ7form::stSpeedButton4}, {2, &TQ7form::stSpeedButton5}, {3, &TQ7form::stSpeedButton6},
                 {0, &TQ7form::stSpeedButton22}};
    for (const auto& c : cases) {
        Q7().SetAGC(c.agc);
        EXPECT_TRUE((form.get()->*c.button)->Down()) << c.agc;
    }
    Q7().SetAGC(7);
    EXPECT_TRUE(form->stSpeedButton22->Down());
    Click(form->stSpeedButton5);
    EXPECT_EQ(Q7().GetAGC(), 2);
    form->stSpeedButton4Click(nullptr); // from code without a button: nothing
    EXPECT_EQ(Q7().GetAGC(), 2);
}

TEST_F(ReceiverControls, PowerOffDisablesThePanelButNotThePowerButton) {
    Q7().SetPower(0);
    EXPECT_FALSE(form->stSpeedButton1->Down());
    EXPECT_TRUE(form->stSpeedButton1->Enabled());
    EXPECT_TRUE(form->stPanel1->Enabled());
    EXPECT_FALSE(form->stKnob1->Enabled());
    EXPECT_FALSE(form->mySMeter->Enabled());
    EXPECT_FALSE(form->myFrequencyEdit1->Enabled());
    Click(form->stSpeedButton1);
    EXPECT_EQ(Q7().GetPower(), 1);
    EXPECT_TRUE(form->stKnob1->Enabled());
    EXPECT_TRUE(form->mySMeter->Enabled());
}

TEST_F(ReceiverControls, PoweringOffStopsTheScanAndTheSweep) {
    Click(form->stSpeedButton30); // Start sweeping
    ASSERT_TRUE(form->Sweeping());
    ASSERT_NE(Q7().GetScanMode(), 0);
    Q7().SetPower(0);
    EXPECT_FALSE(form->Sweeping());
    EXPECT_EQ(Q7().GetScanMode(), 0);
    EXPECT_FALSE(form->SweepPanel->Enabled());

    Q7().SetPower(1);
    form->stSpeedButton20Click(form->stSpeedButton20); // Scan to the right
    ASSERT_EQ(form->ScannerState, 3);
    Q7().SetScanMode(2);
    Q7().SetPower(0);
    EXPECT_EQ(form->ScannerState, 0);
}

TEST_F(ReceiverControls, TheSpectrumPanelRollsOutAndInAgain) {
    const int panel = form->stPanel1->Height();
    ASSERT_FALSE(form->stSpeedButton24->Down()) << "a first start has the scope closed";
    ASSERT_EQ(form->ClientHeight(), panel);
    Click(form->stSpeedButton24); // show
    Advance(2000);
    const int full = form->ClientHeight();
    EXPECT_EQ(full, panel + form->SweepPanel->Height());
    EXPECT_TRUE(form->SweepPanel->Enabled());
    Click(form->stSpeedButton24); // hide
    EXPECT_FALSE(form->SweepPanel->Enabled());
    Advance(100);
    EXPECT_EQ(form->ClientHeight(), full - 50) << "5 px each 10 ms";
    Advance(2000);
    EXPECT_EQ(form->ClientHeight(), panel);
    EXPECT_FALSE(form->ScrollTimer->Enabled());
    Click(form->stSpeedButton24); // show
    Advance(2000);
    EXPECT_EQ(form->ClientHeight(), full);
    EXPECT_TRUE(form->SweepPanel->Enabled());
    EXPECT_FALSE(form->ScrollTimer->Enabled());
}

TEST_F(ReceiverControls, MeterUnitButtonsAndThePeakToPeakButton) {
    EXPECT_FALSE(form->stSpeedButton39->Enabled());
    Click(form->stSpeedButton18); // µV
    EXPECT_TRUE(form->stSpeedButton39->Enabled());
    EXPECT_TRUE(form->mySMeter->ShowUV());
    EXPECT_FALSE(form->mySMeter->ShowDBM());
    Click(form->stSpeedButton39);
    EXPECT_TRUE(form->mySMeter->ShowPP());
    Click(form->stSpeedButton17); // S-units
    EXPECT_FALSE(form->stSpeedButton39->Enabled());
    EXPECT_TRUE(form->mySMeter->ShowSUnits());
    EXPECT_FALSE(form->mySMeter->ShowUV());
}

// What the user sees of the "p-p" button: its caption's colours as drawn on the shown panel.
struct CaptionColours {
    int white = 0; // the caption of a usable button
    int grey = 0;  // the caption of a disabled one
    int light = 0; // any face or caption lighter than the grey (a light face reads as active)
};

CaptionColours ColoursOf(TQ7form& form, TstSpeedButton& button) {
    plat::comp::Application().ProcessMessages();
    const auto picture = plat::win::CaptureWindow(form.Handle());
    CaptionColours seen;
    if (!picture) return seen;
    const plat::comp::TPoint origin = button.ClientToScreen({0, 0});
    const plat::comp::TPoint windowOrigin{form.Left(), form.Top()};
    for (int y = 4; y < button.Height() - 4; ++y)
        for (int x = 4; x < button.Width() - 4; ++x) {
            const std::uint32_t c = picture->GetPixel(origin.x - windowOrigin.x + x, origin.y - windowOrigin.y + y);
            seen.white += c == 0xFFFFFFu;
            seen.grey += c == 0x808080u;
            const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            seen.light += r > 0x80 && g > 0x80 && b > 0x80;
        }
    return seen;
}

TEST_F(ReceiverControls, ThePeakToPeakButtonLooksDisabledUntilMicrovoltsAreChosen) {
    form->Show();
    const CaptionColours off = ColoursOf(*form, *form->stSpeedButton39);
    EXPECT_GT(off.grey, 0) << "a grey caption";
    EXPECT_EQ(off.light, 0) << "nothing of the disabled button may look lit";
    Click(form->stSpeedButton18); // µV
    const CaptionColours on = ColoursOf(*form, *form->stSpeedButton39);
    EXPECT_GT(on.white, 0) << "a usable button has a white caption";
    Click(form->stSpeedButton16); // dBm
    EXPECT_EQ(ColoursOf(*form, *form->stSpeedButton39).light, 0);
    form->Hide();
}

// Every button on the dark panel, however it was made (the knob's multipliers, store and recall,
// the scanner's), disabled: a dark face with a grey caption or glyph, never a light one.
TEST_F(ReceiverControls, EveryDisabledButtonOnThePanelIsDarkWithAGreyCaption) {
    form->Show();
    std::vector<TstSpeedButton*> buttons;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* b = dynamic_cast<TstSpeedButton*>(form->Components(i)); b && b->Showing() && b->Color() == 0x404040u) {
            // Those on the window as shown (the scope's panel below it is folded away).
            const auto corner = b->ClientToScreen({b->Width(), b->Height()});
            if (corner.x <= form->Left() + form->Width() && corner.y <= form->Top() + form->Height()) buttons.push_back(b);
        }
    ASSERT_GE(buttons.size(), 13u);
    int checked = 0;
    for (TstSpeedButton* b : buttons) {
        if (!b->Enabled()) continue;
        const bool down = b->Down();
        b->SetDown(false);
        b->SetEnabled(false);
        const CaptionColours seen = ColoursOf(*form, *b);
        EXPECT_EQ(seen.light, 0) << b->Hint() << " '" << b->Caption() << "' at " << b->Left() << "," << b->Top();
        EXPECT_EQ(seen.white, 0) << b->Hint() << " '" << b->Caption() << "'";
        b->SetEnabled(true);
        b->SetDown(down);
        ++checked;
    }
    EXPECT_GE(checked, 13);
    form->Hide();
}

// What shows of a field's client area on the panel: its lightest pixel and how many pixels are of
// a colour.
struct FieldPixels {
    int lightest = 0;          // the brightest channel of any pixel
    int grey = 0, lime = 0;    // pixels of the disabled and of the usable digits' colours
};

FieldPixels PixelsOf(TQ7form& form, plat::comp::TWinControl& field) {
    plat::comp::Application().ProcessMessages();
    const auto picture = plat::win::CaptureWindow(form.Handle());
    FieldPixels seen;
    if (!picture) return seen;
    const plat::comp::TPoint origin = field.ClientToScreen({0, 0});
    const auto grey = plat::comp::ColorToRGB(plat::comp::clGrayText);
    for (int y = 0; y < field.ClientHeight(); ++y)
        for (int x = 0; x < field.ClientWidth(); ++x) {
            const std::uint32_t c = picture->GetPixel(origin.x - form.Left() + x, origin.y - form.Top() + y);
            const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            seen.lightest = std::max({seen.lightest, r, g, b});
            seen.grey += c == grey;
            seen.lime += g == 0xFF && r < 0x40 && b < 0x40;
        }
    return seen;
}

TEST_F(ReceiverControls, ADisabledFieldStaysDarkWithGreyDigits) {
    // With the AGC on, "Manual IF gain" is disabled. A field covered in part (by the
    // demodulator's setup window, say) must not show as a blank light box.
    form->Show();
    Q7().SetIFGain(10);
    Click(form->stSpeedButton5); // AGC medium
    ASSERT_FALSE(form->myIntEdit2->Enabled());
    const FieldPixels disabled = PixelsOf(*form, *form->myIntEdit2);
    EXPECT_GT(disabled.grey, 0) << "its digits in grey";
    EXPECT_LE(disabled.lightest, 0x80) << "no light face: the panel's dark display colour";
    Click(form->stSpeedButton22); // AGC off
    ASSERT_TRUE(form->myIntEdit2->Enabled());
    const FieldPixels enabled = PixelsOf(*form, *form->myIntEdit2);
    EXPECT_GT(enabled.lime, 0) << "usable: lime digits";
    EXPECT_EQ(enabled.grey, 0);
    form->Hide();
}

TEST_F(ReceiverControls, StatusLinesOfTheMeter) {
    Q7().SetAtten(1);
    Q7().SetPreAmp(0);
    EXPECT_EQ(Status(0), "Atten on");
    EXPECT_EQ(Status(1), "Preamp off");
    EXPECT_EQ(Status(6), "") << "the demonstration receiver is never under range";
    EXPECT_EQ(form->mySMeter->NeedleColor(), 0xFFFFFFu);
    Q7().SetAtten(0);
    Q7().SetPreAmp(1);
    EXPECT_EQ(Status(0), "");
    EXPECT_EQ(Status(1), "");
    EXPECT_EQ(Status(5), "") << "raw values only with /r";
    form->mySMeter->SetEnabled(false);
    Q7().SetAtten(1);
    EXPECT_EQ(Status(0), "") << "nothing while the meter is off";
}

TEST_F(ReceiverControls, TheRefusedFrequencyHintStaysThreeSecondsAfterTheLastRefusal) {
    form->Q7BlockedFrequency(form->Q7, 5'000);
    Advance(2000);
    form->Q7BlockedFrequency(form->Q7, 6'000);
    EXPECT_EQ(form->FHint->Caption(), "Illegal frequency 6 kHz");
    EXPECT_EQ(form->FHint->Font().Size(), 14);
    Advance(2900);
    EXPECT_TRUE(form->FHint->Active());
    Advance(200);
    EXPECT_FALSE(form->FHint->Active());
}

TEST_F(ReceiverControls, TheDisplayOffsetDialogMovesTheShownFrequencyOnly) {
    // A downconverter in front: the demonstration receiver covers up to 1 GHz.
    Q7().SetFreq(900'000'000);
    ASSERT_EQ(Q7().GetFreq(), 900'000'000);
    const std::int64_t hardware = Q7().GetFreq() + Q7().DisplayOffset();
    TModalResult answer = plat::comp::mrCancel;
    form->RunModal = [&](TCustomForm& f) {
        auto& dialog = dynamic_cast<TOffsetForm&>(f);
        EXPECT_EQ(dialog.OffsetEdit->Value(), Q7().DisplayOffset());
        dialog.OffsetEdit->SetValue(-700'000'000);
        return answer;
    };
    form->Displayoffset1Click(nullptr);
    EXPECT_EQ(Q7().DisplayOffset(), 0) << "cancelled";
    answer = plat::comp::mrOk;
    form->Displayoffset1Click(nullptr);
    EXPECT_EQ(Q7().DisplayOffset(), -700'000'000);
    EXPECT_EQ(Q7().GetFreq(), 1'600'000'000);
    EXPECT_EQ(form->myFrequencyEdit1->Value(), 1'600'000'000);
    EXPECT_EQ(Q7().GetFreq() + Q7().DisplayOffset(), hardware);
}

TEST_F(ReceiverControls, ADisplayOffsetMovesTheShownFrequencyOnly) {
    Q7().SetFreq(100'000'000);
    const std::int64_t hardware = Q7().GetFreq() + Q7().DisplayOffset();
    form->ApplyDisplayOffset(-70'000'000);
    EXPECT_EQ(Q7().DisplayOffset(), -70'000'000);
    EXPECT_EQ(Q7().GetFreq(), 170'000'000);
    EXPECT_EQ(Q7().GetFreq() + Q7().DisplayOffset(), hardware);
}

} // namespace
} // namespace lxq
