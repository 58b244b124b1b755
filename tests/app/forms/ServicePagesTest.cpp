// The service window's receiver pages on the real road: what they read from the stand-in
// receiver of the driver host, what they write through the receiver component, and the input
// they refuse.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyImage.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TDebugForm.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TListBox.h"
#include "platform/components/TTimer.h"
#include "platform/win/VirtualKeys.h"
#include "tests/app/forms/FrontPanelFixture.h"

namespace lxq {
namespace {

using namespace plat::comp;

class ServicePages : public FrontPanel {
protected:
    void SetUp() override {
        StartHost();
        StartPanel();
        ASSERT_FALSE(form->Q7->Demo());
        service = form->DebugForm;
        service->ShowEEPROMTable();
        Answers(); // the pages fill as the receiver answers
        boxes.clear();
    }
    bool Listed(const std::string& line) {
        for (int i = 0; i < service->EepromList->Items().Count(); ++i)
            if (service->EepromList->Items()[i] == line) return true;
        return false;
    }
    LX_Q7_EEPROM Image() {
        Answers();
        LX_Q7_EEPROM e{};
        EXPECT_TRUE(form->Q7->GetEEPROM(&e));
        return e;
    }
    TDebugForm* service = nullptr;
};

TEST_F(ServicePages, TheWindowShowsTheReceiversImageAndFillsTheEditsFromIt) {
    EXPECT_TRUE(service->Visible());
    EXPECT_TRUE(Listed("Model name: Q7TSTv10"));
    EXPECT_TRUE(Listed("NumBands: 7"));
    EXPECT_TRUE(Listed("   Band #7: 3024000000"));
    EXPECT_TRUE(Listed("IF1 freq: 1450000000"));
    EXPECT_EQ(service->StoredReferenceEdit->Value(), 40'000'000);
    EXPECT_EQ(service->NewReferenceEdit->Value(), 40'000'000);
    EXPECT_EQ(service->TestFrequencyEdit->Value(), 3'023'000'000);
    EXPECT_EQ(service->ErrorEdit->Value(), 0);
    EXPECT_EQ(service->IF1FrequencyEdit->Value(), 1'450'000'000);
    EXPECT_EQ(service->ManGainEdit->Value(), 30);
    EXPECT_EQ(service->RssiRefEdit->Value(), Image().rssiReference);
    const std::string first = service->RegisterLabels[0]->Caption();
    EXPECT_TRUE(first.rfind("VERSION: ", 0) == 0 || first == "Error retrieving PIC registers") << first;
}

TEST_F(ServicePages, OutOfRangeInputIsRefusedWithAMessageAndNothingIsWritten) {
    const LX_Q7_EEPROM before = Image();
    struct Case {
        std::function<void()> enter;
        TButton* button;
        std::string message;
    };
    const Case cases[] = {
        {[&] { service->ManGainEdit->SetText("64"); }, service->ManGainWriteButton,
         "Man Gain must be a whole number from 0 to 63; nothing was written."},
        {[&] { service->ManGainEdit->SetText("x"); }, service->ManGainWriteButton,
         "Man Gain must be a whole number from 0 to 63; nothing was written."},
        {[&] { service->RssiRefEdit->SetText("2"); }, service->SMeterWriteButton,
         "RSSI ref. must be a whole number from 3 to 1023; nothing was written."},
        {[&] { service->AgcStartEdit->SetText("70000"); }, service->SMeterWriteButton,
         "AGC start must be a whole number from 0 to 1023; nothing was written."},
        {[&] { service->NewReferenceEdit->SetValue(2'000'000'001); }, service->StoreNewReferenceButton,
         "New Reference must be from 1 Hz to 2000000000 Hz; nothing was written."},
        {[&] { service->IF1FrequencyEdit->SetValue(0); }, service->WriteEepromButton,
         "IF1 frequency must be from 1 Hz to 4294967295 Hz; nothing was written."},
        {[&] { service->PreselectorEdits[3]->SetValue(8'999); }, service->PreselectorWriteButton,
         "Pre-selector edge 4 must be from 9000 Hz to 3024000000 Hz; nothing was written."},
        {[&] { service->PreselectorEdits[7]->SetValue(3'024'000'001); }, service->PreselectorWriteButton,
         "Pre-selector edge 8 must be from 9000 Hz to 3024000000 Hz; nothing was written."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        service->RefreshPages();
        Answers();
        boxes.clear();
        c.enter();
        c.button->Click();
        Answers();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, "Service error");
        const LX_Q7_EEPROM after = Image();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    }
}

TEST_F(ServicePages, CalibrationWritesReachTheEepromAndTheListShowsThem) {
    service->ManGainEdit->SetText("12");
    service->ManGainWriteButton->Click();
    Answers();
    EXPECT_EQ(Image().if1ManualGain, 12);
    EXPECT_EQ(service->ManGainEdit->Value(), 12);

    service->AgcStartEdit->SetValue(900);
    service->AgcMidEdit->SetValue(600);
    service->AgcEndEdit->SetValue(300);
    service->DropLevelEdit->SetValue(-800);
    service->RssiRefEdit->SetValue(700);
    service->SMeterWriteButton->Click();
    Answers();
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    const LX_Q7_EEPROM e = Image();
    EXPECT_EQ(e.agcStart, 900);
    EXPECT_EQ(e.agcMid, 600);
    EXPECT_EQ(e.agcEnd, 300);
    EXPECT_EQ(e.dropLevel, -800);
    EXPECT_EQ(e.rssiReference, 700);
    EXPECT_TRUE(Listed("Drop level: -800"));
}

TEST_F(ServicePages, PreselectorDefaultsChangeNothingUntilWritten) {
    std::uint32_t before[8], after[8];
    ASSERT_TRUE(form->Q7->ReadBands(before));
    service->PreselectorDefaultsButton->Click();
    EXPECT_EQ(service->PreselectorEdits[1]->Value(), 1'800'000);
    ASSERT_TRUE(form->Q7->ReadBands(after));
    EXPECT_TRUE(std::equal(before, before + 8, after));
    service->PreselectorWriteButton->Click();
    Answers();
    ASSERT_TRUE(form->Q7->ReadBands(after));
    EXPECT_EQ(after[0], 9'000u);
    EXPECT_EQ(after[7], 1'800'000'000u);
}

TEST_F(ServicePages, WriteWithNothingChangedGivesTheReceiverItsOwnEdgesBack) {
    std::uint32_t before[8], after[8];
    ASSERT_TRUE(form->Q7->ReadBands(before));
    ASSERT_EQ(before[7], 3'024'000'000u) << "above the usual top of 1.8 GHz";
    EXPECT_EQ(service->PreselectorEdits[7]->Value(), 3'024'000'000);
    service->PreselectorWriteButton->Click();
    Answers();
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    ASSERT_TRUE(form->Q7->ReadBands(after));
    EXPECT_TRUE(std::equal(before, before + 8, after));
}

TEST_F(ServicePages, AutoCalibrateWritesOnlyAPlausibleReference) {
    const auto autoCalibrate = [&](std::int64_t test, std::int64_t pulledTo) {
        boxes.clear();
        service->TestFrequencyEdit->SetValue(test);
        service->AutoCalibrateButton->SetDown(true);
        service->AutoCalibrateButton->Click();
        if (service->AFCtimer->Enabled()) {
            form->Q7->SetFreq(pulledTo); // where the AFC left the receiver
            Advance(3'000, 10);
        }
        Answers();
        EXPECT_FALSE(service->AutoCalibrateButton->Down());
    };
    // Below the receiver's range: tuning would stop at 10 kHz and the 5 kHz taken for an error.
    autoCalibrate(5'000, 10'000);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Test Frequency must be from 10000 Hz to 3024000000 Hz; nothing was measured.");
    EXPECT_EQ(Image().refClockInternalHz, 40'000'000u);
    EXPECT_FALSE(form->Q7->GetAFC());

    // Pulled 5 MHz away: 3.4 % off is no clock error.
    autoCalibrate(145'000'000, 150'000'000);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The measured reference 38620690 Hz is too far from the stored 40000000 Hz; "
                             "nothing was written.");
    EXPECT_EQ(boxes[0].caption, "Service error");
    EXPECT_EQ(Image().refClockInternalHz, 40'000'000u);

    // 100 Hz at 145 MHz: written.
    autoCalibrate(145'000'000, 145'000'100);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(Image().refClockInternalHz, 40'000'000u - 27u);
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000);
}

TEST_F(ServicePages, ANewReferenceIsStoredAndTheReceiverTunedAwayAndBack) {
    // The stand-in receiver starts at 10 kHz: from there the receiver is tuned up.
    for (std::int64_t at : {10'000LL, 100'000'000LL}) {
        SCOPED_TRACE(at);
        form->Q7->SetFreq(at);
        std::vector<std::int64_t> tuned;
        const auto shown = form->Q7->OnFrequencyChanged;
        form->Q7->OnFrequencyChanged = [&](TObject* s) {
            tuned.push_back(form->Q7->GetFreq());
            shown(s);
        };
        service->TestFrequencyEdit->SetValue(145'000'000);
        service->NewReferenceEdit->SetValue(40'000'100);
        service->StoreNewReferenceButton->Click();
        Answers();
        form->Q7->OnFrequencyChanged = shown;
        EXPECT_EQ(Image().refClockInternalHz, 40'000'100u);
        const std::int64_t away = at == 10'000 ? 10'001 : at - 1;
        EXPECT_EQ(tuned, (std::vector<std::int64_t>{away, at}));
        EXPECT_EQ(service->TestFrequencyEdit->Value(), 145'000'000) << "kept over the refresh";
        EXPECT_EQ(service->StoredReferenceEdit->Value(), 40'000'100);
    }
}

TEST_F(ServicePages, FindErrorLetsTheAfcPullForThreeSecondsAndMeasuresTheOffset) {
    service->TestFrequencyEdit->SetValue(145'000'000);
    service->FindErrorButton->Click();
    EXPECT_FALSE(service->FindErrorButton->Enabled());
    EXPECT_TRUE(form->Q7->GetAFC());
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000);
    Advance(2'990, 10);
    EXPECT_FALSE(service->FindErrorButton->Enabled());
    Advance(20, 10);
    EXPECT_TRUE(service->FindErrorButton->Enabled());
    EXPECT_FALSE(form->Q7->GetAFC());
    EXPECT_FALSE(service->AFCtimer->Enabled());
    EXPECT_EQ(service->ErrorEdit->Value(), form->Q7->GetFreq() - 145'000'000);
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000);
}

TEST_F(ServicePages, EscapeClosesTheWindowAndThePreselectorChoosesItselfAgain) {
    form->Q7->SetFreq(300'000'000);
    const std::int32_t automatic = form->Q7->GetFilterValue();
    form->Q7->SetFilterValue((automatic & 0xFF) ^ 0x40);
    ASSERT_NE(form->Q7->GetFilterValue() & 0xFF, automatic & 0xFF);
    std::uint16_t key = plat::win::VK_ESCAPE;
    service->OnKeyDown(service, key, 0);
    EXPECT_FALSE(service->Visible());
    EXPECT_EQ(form->Q7->GetFilterValue() & 0xFF, automatic & 0xFF);
}

TEST_F(ServicePages, NewBandFiltersOnlyForTheOldRadio) {
    service->NewBandFiltersButton->Click();
    Answers();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "This isn't the old radio !");
    EXPECT_EQ(boxes[0].caption, "Service error");
}

} // namespace
} // namespace lxq

namespace lxq {
namespace {

TColor PlotPixel(TDebugForm& f, int x, int y) { return f.FilterPlot->Bitmap().Canvas().Handle()->GetPixel(x, y); }

TEST_F(ServicePages, TheFilterPageDrawsTheBandsTableAndTheReceiversPoint) {
    EXPECT_EQ(service->FilterBandLabel->Caption(), "Band #1 is not tuneable");
    EXPECT_EQ(service->ShownFilterMap(), nullptr);
    EXPECT_EQ(PlotPixel(*service, 100, 100), 0x000000);

    form->Q7->SetFreq(300'000'000);
    service->TuneFilterPage(300'000'000);
    Answers();
    EXPECT_EQ(service->FilterBandLabel->Caption(), "Band #6");
    const FilterMap* map = service->ShownFilterMap();
    ASSERT_NE(map, nullptr);
    FilterNodes table{};
    ASSERT_TRUE(form->Q7->GetFilterTable(6, table.data()));
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(map->nodes[i].hz, table[i].hz) << i;
    EXPECT_EQ(service->FilterLowLabel->Caption(), std::to_string(table[0].hz / 1'000'000) + "MHz");
    EXPECT_EQ(service->FilterHighLabel->Caption(), std::to_string(table[7].hz / 1'000'000) + "MHz");
    const FILTER_NODE marker = service->FilterMarker();
    EXPECT_EQ(marker.hz, 300'000'000u);
    EXPECT_EQ(marker.value, static_cast<std::uint32_t>(form->Q7->GetFilterValue() & 0xFF));
    EXPECT_EQ(PlotPixel(*service, map->X(table[3].hz), map->Y(table[3].value)), 0x00FF00);
    EXPECT_EQ(PlotPixel(*service, map->X(marker.hz), map->Y(marker.value)), 0x00FFFF);

    service->PlotPointButton->Click();
    Answers();
    ASSERT_EQ(map->points.size(), 1u);
    EXPECT_EQ(map->points[0].hz, 300'000'000u);
    service->ClearPointsButton->Click();
    Answers();
    EXPECT_TRUE(map->points.empty());
}

TEST_F(ServicePages, EditedNodesReachTheReceiverOnlyThroughSaveMap) {
    form->Q7->SetFreq(300'000'000);
    service->TuneFilterPage(300'000'000);
    Answers();
    const FilterMap& map = *service->ShownFilterMap();
    FilterNodes before{};
    ASSERT_TRUE(form->Q7->GetFilterTable(6, before.data()));
    const int x = map.X(before[4].hz), y = map.Y(before[4].value);
    service->FilterPlotMouseDown(service->FilterPlot, TMouseButton::mbLeft, ss::Left, x, y);
    service->FilterPlotMouseMove(service->FilterPlot, ss::Left, x, y - 20);
    service->FilterPlotMouseUp(service->FilterPlot, TMouseButton::mbLeft, 0, x, y - 20);
    EXPECT_GT(map.nodes[4].value, before[4].value);
    EXPECT_EQ(map.nodes[4].hz, before[4].hz);
    FilterNodes now{};
    ASSERT_TRUE(form->Q7->GetFilterTable(6, now.data()));
    EXPECT_EQ(now[4].value, before[4].value);
    service->SaveMapButton->Click();
    Answers();
    ASSERT_TRUE(form->Q7->GetFilterTable(6, now.data()));
    EXPECT_EQ(now[4].value, map.nodes[4].value);
}

TEST_F(ServicePages, AClickOnThePlotTunesToTheWholeMHzUnderIt) {
    form->Q7->SetFreq(300'000'000);
    service->TuneFilterPage(300'000'000);
    Answers();
    const FilterMap& map = *service->ShownFilterMap();
    const int x = map.X(500'300'000);
    service->FilterPlotMouseDown(service->FilterPlot, TMouseButton::mbLeft, ss::Left, x, 2);
    service->FilterPlotMouseUp(service->FilterPlot, TMouseButton::mbLeft, 0, x, 2);
    Answers();
    EXPECT_EQ(form->Q7->GetFreq() % 1'000'000, 0);
    EXPECT_NEAR(static_cast<double>(form->Q7->GetFreq()), 500'000'000.0, 2'000'000.0);
    EXPECT_EQ(service->FilterMarker().hz, static_cast<std::uint32_t>(form->Q7->GetFreq()));
}

} // namespace
} // namespace lxq
