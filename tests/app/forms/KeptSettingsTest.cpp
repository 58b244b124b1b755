// What the user sets on the front panel's scanner, spectrum scope and S-meter is there again at
// the next start: the panel is closed (which writes the settings file) and made anew from it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/receiver/TmyQ745.h"
#include "tests/app/forms/DemoPanel.h"

namespace lxq::test {
namespace {

class KeptSettings : public DemoPanel {
protected:
    void Restart() {
        form->Close();
        form.reset();
        StartPanel();
    }
    std::string SettingsPath() const { return dir.Path() + "/Talvenor/Q745/LXQ745.ini"; }
    void WriteSettings(const std::string& text) {
        std::filesystem::create_directories(dir.Path() + "/Talvenor/Q745");
        std::ofstream(SettingsPath()) << text;
    }
    // As a mouse click on a grouped button leaves it: down, and its handler run.
    static void Choose(TstSpeedButton* b, bool down = true) {
        b->SetDown(down);
        b->Click();
    }
    bool ScopeOpen() const {
        return form->stSpeedButton24->Down() && form->ClientHeight() > form->stPanel1->Height() &&
               form->SweepPanel->Enabled() == (form->Q7->GetPower() != 0);
    }
};

TEST_F(KeptSettings, AFirstStartHasTheScopeClosedOnItsDefaultRange) {
    StartPanel();
    EXPECT_FALSE(form->stSpeedButton24->Down());
    EXPECT_EQ(form->ClientHeight(), form->stPanel1->Height()) << "nothing of the scope shows";
    EXPECT_FALSE(form->SweepPanel->Enabled());
    EXPECT_EQ(form->SweepPanel->Height(), 200);
    EXPECT_EQ(form->myFrequencyEdit3->Value(), 500'000);
    EXPECT_EQ(form->myFrequencyEdit4->Value(), 1'800'000);
    EXPECT_EQ(form->myFrequencyEdit5->Value(), 10'000);
    EXPECT_EQ(form->myFreqGraph1->Start(), 500'000);
    EXPECT_EQ(form->myFreqGraph1->Stop(), 1'800'000);
    EXPECT_EQ(form->myFreqGraph1->Step(), 10'000);
    EXPECT_TRUE(form->stSpeedButton34->Down() && form->stSpeedButton35->Down() && form->stSpeedButton36->Down());
    EXPECT_TRUE(form->stSpeedButton10->Down()) << "Search";
    EXPECT_TRUE(form->stSpeedButton16->Down()) << "dBm";
    EXPECT_TRUE(form->mySMeter->ShowDBM());
}

TEST_F(KeptSettings, ScannerScopeAndMeterChoicesOutliveTheRun) {
    StartPanel();
    Choose(form->stSpeedButton21); // Range
    form->LayOutScope(true, 260);
    form->myFrequencyEdit3->SetValue(144'000'000);
    form->myFrequencyEdit4->SetValue(146'000'000);
    form->myFrequencyEdit5->SetValue(12'500);
    form->stSpeedButton52->SetDown(true); // Hits
    form->stSpeedButton33->SetDown(true); // Continuous
    form->stSpeedButton34->SetDown(false);
    form->stSpeedButton36->SetDown(false);
    Choose(form->stSpeedButton18); // µV
    Choose(form->stSpeedButton39); // p-p
    Restart();

    EXPECT_TRUE(form->stSpeedButton21->Down());
    EXPECT_FALSE(form->stSpeedButton10->Down());
    EXPECT_EQ(form->ScanDirection(), 0);
    EXPECT_TRUE(ScopeOpen());
    EXPECT_EQ(form->SweepPanel->Height(), 260);
    EXPECT_EQ(form->ClientHeight(), form->stPanel1->Height() + 260);
    EXPECT_EQ(form->myFrequencyEdit3->Value(), 144'000'000);
    EXPECT_EQ(form->myFrequencyEdit4->Value(), 146'000'000);
    EXPECT_EQ(form->myFrequencyEdit5->Value(), 12'500);
    EXPECT_EQ(form->myFreqGraph1->Start(), 144'000'000);
    EXPECT_EQ(form->myFreqGraph1->Step(), 12'500);
    EXPECT_TRUE(form->stSpeedButton52->Down());
    EXPECT_EQ(form->myFreqGraph1->GraphType(), TmyGraphType::myGraphHistogramRelative) << "Hits applied";
    EXPECT_TRUE(form->stSpeedButton33->Down());
    EXPECT_FALSE(form->stSpeedButton34->Down());
    EXPECT_TRUE(form->stSpeedButton35->Down());
    EXPECT_FALSE(form->stSpeedButton36->Down());
    EXPECT_TRUE(form->stSpeedButton18->Down());
    EXPECT_TRUE(form->stSpeedButton39->Down());
    EXPECT_TRUE(form->mySMeter->ShowUV());
    EXPECT_TRUE(form->mySMeter->ShowPP());
    EXPECT_FALSE(form->mySMeter->ShowDBM());

    // And back: the scope closed, "Memory", "S-units".
    Choose(form->stSpeedButton3);
    form->LayOutScope(false, 260);
    Choose(form->stSpeedButton39, false);
    Choose(form->stSpeedButton17);
    Restart();
    EXPECT_TRUE(form->stSpeedButton3->Down());
    EXPECT_FALSE(form->stSpeedButton24->Down());
    EXPECT_EQ(form->ClientHeight(), form->stPanel1->Height());
    EXPECT_EQ(form->SweepPanel->Height(), 260) << "the height waits for the next opening";
    EXPECT_TRUE(form->stSpeedButton17->Down());
    EXPECT_TRUE(form->mySMeter->ShowSUnits());
    EXPECT_FALSE(form->mySMeter->ShowPP());
}

TEST_F(KeptSettings, ValuesWrittenByHandAreUsedAndStrayOnesLeaveTheButtons) {
    const std::string serial = "**DEMO**";
    struct Case {
        const char* text;
        std::function<void(TQ7form&)> check;
    } cases[] = {
        {"[Scope-%]\r\nVisible=1\r\nHeight=100\r\nStart=7000000\r\nStop=7200000\r\nStep=5000\r\n",
         [](TQ7form& f) {
             EXPECT_TRUE(f.stSpeedButton24->Down());
             EXPECT_EQ(f.SweepPanel->Height(), 170);
             EXPECT_EQ(f.ClientHeight(), f.stPanel1->Height() + 170);
             EXPECT_EQ(f.myFrequencyEdit3->Value(), 7'000'000);
             EXPECT_EQ(f.myFreqGraph1->Stop(), 7'200'000);
             EXPECT_EQ(f.myFrequencyEdit5->Value(), 5'000);
         }},
        {"[Scanner-%]\r\nMode=2\r\n[S-Meter-%]\r\nUnit=1\r\n",
         [](TQ7form& f) {
             EXPECT_TRUE(f.stSpeedButton3->Down());
             EXPECT_TRUE(f.stSpeedButton17->Down());
             EXPECT_TRUE(f.mySMeter->ShowSUnits());
         }},
        {"[Scanner-%]\r\nMode=7\r\n[S-Meter-%]\r\nUnit=-1\r\n",
         [](TQ7form& f) {
             EXPECT_TRUE(f.stSpeedButton10->Down()) << "as the panel made it";
             EXPECT_TRUE(f.stSpeedButton16->Down());
         }},
        {"[Scope-%]\r\nShowMin=0\r\nShowDiff=0\r\nHits=1\r\nContinuous=1\r\n",
         [](TQ7form& f) {
             EXPECT_FALSE(f.stSpeedButton34->Down());
             EXPECT_FALSE(f.stSpeedButton36->Down());
             EXPECT_TRUE(f.stSpeedButton52->Down());
             EXPECT_TRUE(f.stSpeedButton33->Down());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        for (std::size_t at; (at = text.find('%')) != std::string::npos;) text.replace(at, 1, serial);
        WriteSettings(text);
        StartPanel();
        ASSERT_EQ(form->Q7->GetSerialNum(), serial);
        c.check(*form);
        form.reset();
    }
}

} // namespace
} // namespace lxq::test
