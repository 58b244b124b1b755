// The service window without a receiver: the scanning constants by interface, the register
// labels, the EEPROM listing and the cut of a band's filter table.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/controls/TmyIntEdit.h"
#include "app/forms/BandFilterCut.h"
#include "app/forms/EepromListing.h"
#include "app/forms/FilterMap.h"
#include "app/forms/RegisterNames.h"
#include "app/forms/TDebugForm.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TPageControl.h"
#include "platform/components/TTabSheet.h"

namespace lxq {
namespace {

class ServiceForm : public ::testing::Test {
protected:
    ServiceForm() { RecordMainThread(); }
    TmyQ745 rx{nullptr};
    TDebugForm form{nullptr, &rx};
};

TEST_F(ServiceForm, EachInterfaceRowStartsWithItsDefaults) {
    const ScanConstants c = form.Constants();
    struct Row {
        const InterfaceTimings& row;
        std::int32_t sweepFast, band, minRssi;
    } rows[] = {{c.ser, 3, 0, 100}, {c.usb, 3, 20, 100}, {c.pci, 7, 0, 180}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.sweepFast * 1000 + r.minRssi);
        EXPECT_EQ(r.row.scanFast, 3);
        EXPECT_EQ(r.row.scanSlow, 20);
        EXPECT_EQ(r.row.sweepFast, r.sweepFast);
        EXPECT_EQ(r.row.sweepSlow, 20);
        EXPECT_EQ(r.row.sweepBand, r.band) << "only the USB row has the 70-150 MHz edit";
        EXPECT_EQ(r.row.sweepMaxRssi, 1000);
        EXPECT_EQ(r.row.sweepMinRssi, r.minRssi);
        EXPECT_EQ(r.row.sweepAgcStep, 35);
    }
    EXPECT_EQ(c.maxRssi, 1000);
    EXPECT_EQ(c.rescanThreshold, 10);
    EXPECT_EQ(form.Timing[TDebugForm::kRowSER].sweep70to150, nullptr);
}

TEST_F(ServiceForm, TheScanningEditsKeepTheirRangesAndTheValuesReachTheStart) {
    auto& usb = form.Timing[TDebugForm::kRowUSB];
    usb.sweepFast->SetValue(500); // 1..99
    usb.sweepSlow->SetValue(5);   // 10..255
    usb.sweep70to150->SetValue(40);
    form.RescanThreshold->SetValue(151); // 1..150
    ScanTimings t;
    PickScanTimings("LX-Q745 USB", form.Constants(), t);
    EXPECT_EQ(t.sweepFast, 99);
    EXPECT_EQ(t.sweepSlow, 10);
    EXPECT_EQ(t.bandFast, 40);
    EXPECT_EQ(form.Constants().rescanThreshold, 150);
    PickScanTimings("LX-Q745 SER", form.Constants(), t);
    EXPECT_EQ(t.sweepFast, 3) << "rows are separate";
    EXPECT_EQ(t.bandFast, 3) << "elsewhere the band takes the sweep's own settle";
}

TEST_F(ServiceForm, PagesAreInTheirOrderAndTheFirstThreeGetTheFullArea) {
    const char* captions[] = {"PIC registers", "EEPROM", "Tuneable Filters", "RefClock Calibration",
                              "Misc", "S-Meter calibration", "Scanning", "Pre-selector"};
    ASSERT_EQ(form.PageControl1->PageCount(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(form.PageControl1->Pages(i)->Caption(), captions[i]);
    EXPECT_EQ(form.Caption(), "Service");
    // A click on a tab changes the page and then raises the change.
    auto choose = [&](int page) {
        form.PageControl1->SetActivePageIndex(page);
        form.PageControl1Change(form.PageControl1);
        return form.ClientHeight();
    };
    const int tall = choose(2);
    EXPECT_LT(choose(4), tall); // "Misc": a few controls
    EXPECT_EQ(choose(0), tall);
    EXPECT_EQ(choose(1), tall);
}

TEST(RegisterLabels, FourColumnsOfSixteenWithAGapAfterEveryFourthRow) {
    struct Case {
        int i, x, y;
    } cases[] = {{0, 10, 10}, {3, 10, 70}, {4, 10, 110}, {15, 10, 370}, {16, 130, 10}, {63, 370, 370}};
    for (const Case& c : cases) {
        const auto p = RegisterLabelPosition(c.i);
        EXPECT_EQ(p.x, c.x) << c.i;
        EXPECT_EQ(p.y, c.y) << c.i;
    }
    EXPECT_EQ(RegisterText(0, 0x3F), "VERSION: 3F");
    EXPECT_EQ(RegisterText(26, 5), "FMW_CONTROL: 05");
    EXPECT_EQ(RegisterText(35, 0xA0), ": A0");
    EXPECT_EQ(RegisterText(63, 0xFF), "IF2_DDS4: FF");
}

EepromImage SampleImage() {
    EepromImage image{};
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        image[at] = static_cast<std::uint8_t>(v);
        image[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    put16(64, 2);
    image[66] = 3; // bands
    image[67] = 1; // synthesiser ranges
    for (int i = 0; i < 8; ++i) put32(88 + 4 * i, 1000u * (i + 1));
    put32(120, 77);
    put32(124, 88);
    put32(72, 1'800'000'000);
    for (int i = 0; i < 8; ++i) image[184 + i] = static_cast<std::uint8_t>(0xA0 + i);
    std::memcpy(&image[192], "Q745USB ", 8);
    std::memcpy(&image[200], "1234\0\0\0\0", 8);
    image[238] = 7;
    image[239] = 9;
    put16(246, static_cast<std::uint16_t>(-850));
    put16(250, 650);
    return image;
}

std::vector<std::string> Between(const std::vector<std::string>& lines, const std::string& from,
                                 const std::string& to) {
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& l : lines) {
        if (l.rfind(to, 0) == 0) break;
        if (in) out.push_back(l);
        if (l.rfind(from, 0) == 0) in = true;
    }
    return out;
}

TEST(EepromListing, CountsListOneRowMoreThanTheyNameAndNeverReadPastTheirTables) {
    EepromImage image = SampleImage();
    std::vector<std::string> lines = EepromListing(image);
    EXPECT_EQ(lines.front(), "Table layout version: 2");
    EXPECT_EQ(Between(lines, "NumBands: 3", "NumVCO"),
              (std::vector<std::string>{"   Band #0: 1000", "   Band #1: 2000", "   Band #2: 3000",
                                        "   Band #3: 4000"}));
    EXPECT_EQ(Between(lines, "NumVCO: 1", "Min freq"), (std::vector<std::string>{"   VCO #0: 77", "   VCO #1: 88"}));

    image[66] = 200; // a damaged count: the band table holds eight edges
    image[67] = 255;
    lines = EepromListing(image);
    EXPECT_EQ(Between(lines, "NumBands: 200", "NumVCO").size(), 8u);
    EXPECT_EQ(Between(lines, "NumVCO: 255", "Min freq").size(), 16u);
}

TEST(EepromListing, FieldsAreShownInTheirOwnFormat) {
    const std::vector<std::string> lines = EepromListing(SampleImage());
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    for (const char* line : {"Max freq: 1800000000", "Default DAC values: A0 A1 A2 A3 A4 A5 A6 A7 ",
                             "Model name: Q745USB ", "Serial number: 1234", "Spare: 7 9",
                             "Drop level: -850", "RSSI ref: 650", "Ref DIV #3: 0", "P bits #0: 0",
                             "RSSI ref2: 0"})
        EXPECT_TRUE(has(line)) << line;
    EXPECT_EQ(lines.back(), "RSSI ref2: 0");
}

TEST(BandFilterCut, TheTableEndsAtTheCutWithTheValueInterpolatedThere) {
    using Nodes = std::array<FILTER_NODE, kFilterNodesPerBand>;
    const Nodes table = {{{100'000'000, 0}, {200'000'000, 20}, {300'000'000, 40}, {350'000'000, 60},
                          {380'000'000, 80}, {390'000'000, 90}, {500'000'000, 200}, {600'000'000, 255}}};
    Nodes cut = table;
    CutFilterTable(cut, 400'000'000);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(cut[i].hz, table[i].hz) << i;
    // 90 + (200 - 90) x 10 / 110 = 100 at 400 MHz; the nodes from the one before the cut on
    // sit 2 Hz apart below it.
    EXPECT_EQ(cut[7].hz, 400'000'000u);
    EXPECT_EQ(cut[6].hz, 399'999'998u);
    EXPECT_EQ(cut[5].hz, 399'999'996u);
    for (int i = 5; i < 8; ++i) EXPECT_EQ(cut[i].value, 100u) << i;
    for (int i = 1; i < 8; ++i) EXPECT_LT(cut[i - 1].hz, cut[i].hz) << i;

    Nodes low = table;
    for (auto& n : low) n.hz /= 2; // ends at 300 MHz: nothing to cut
    Nodes same = low;
    CutFilterTable(same, 400'000'000);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(same[i].hz, low[i].hz);
}

} // namespace
} // namespace lxq

namespace lxq {
namespace {

FilterMap SampleMap() {
    FilterMap m;
    for (std::size_t i = 0; i < m.nodes.size(); ++i)
        m.nodes[i] = {static_cast<std::uint32_t>(100'000'000 + 10'000'000 * i), static_cast<std::uint32_t>(30 * i)};
    m.SetSize(701, 256); // 100 kHz and one value step per pixel
    return m;
}

TEST(FilterMap, NodesAndPixelsMapBothWays) {
    const FilterMap m = SampleMap();
    EXPECT_EQ(m.X(100'000'000), 0);
    EXPECT_EQ(m.X(170'000'000), 700);
    EXPECT_EQ(m.X(135'000'000), 350);
    EXPECT_EQ(m.Y(0), 255);
    EXPECT_EQ(m.Y(255), 0);
    EXPECT_EQ(m.FrequencyAt(0), 100'000'000);
    EXPECT_EQ(m.FrequencyAt(354), 135'000'000) << "35.4 MHz rounds down";
    EXPECT_EQ(m.FrequencyAt(356), 136'000'000) << "35.6 MHz rounds up";
}

TEST(FilterMap, AtMost255PointsAreKept) {
    FilterMap m = SampleMap();
    for (int i = 0; i < 255; ++i) EXPECT_TRUE(m.AddPoint({1, 1}));
    EXPECT_FALSE(m.AddPoint({1, 1}));
    EXPECT_EQ(m.points.size(), 255u);
}

TEST(FilterMap, APressTakesANodeOrTheMarkerWithinFivePixels) {
    const FilterMap m = SampleMap();
    const FILTER_NODE marker{125'000'000, 200}; // x 250, y 55
    struct Case {
        int x, y;
        FilterMap::Drag::Kind kind;
        int node;
        bool frequency, value;
    } cases[] = {
        {100, 225, FilterMap::Drag::Kind::Node, 1, false, false},  // node 1 exactly
        {105, 230, FilterMap::Drag::Kind::Node, 1, false, false},  // five pixels off in both
        {106, 225, FilterMap::Drag::Kind::None, -1, false, false}, // six off
        {252, 150, FilterMap::Drag::Kind::Marker, -1, true, false},
        {400, 57, FilterMap::Drag::Kind::Marker, -1, false, true},
        {248, 53, FilterMap::Drag::Kind::Marker, -1, true, true},
    };
    for (const Case& c : cases) {
        const FilterMap::Drag d = m.Press(c.x, c.y, marker);
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.node, c.node);
        EXPECT_EQ(d.frequency, c.frequency);
        EXPECT_EQ(d.value, c.value);
    }
}

TEST(FilterMap, DraggedNodesKeepTheirPlaceInTheTable) {
    const FilterMap m = SampleMap();
    const FILTER_NODE marker{125'000'000, 200};
    struct Case {
        int node, toX, toY;
        std::uint32_t hz, value;
    } cases[] = {
        {1, 100, 215, 110'000'000, 40},  // up by ten values
        {1, 100, 0, 110'000'000, 255},   // limited to 255
        {2, 203, 195, 120'000'000, 60},  // 0.3 MHz: stays on the whole MHz
        {2, 230, 195, 123'000'000, 60},  // 3 MHz right
        {2, 400, 195, 129'000'000, 60},  // 1 MHz below the next node
        {2, 0, 195, 111'000'000, 60},    // 1 MHz above the previous node
        {0, 300, 255, 100'000'000, 0},   // the first node keeps its frequency
        {7, 0, 45, 170'000'000, 210},    // and so does the last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        const int x = m.X(m.nodes[c.node].hz), y = m.Y(m.nodes[c.node].value);
        const FilterMap::Drag d = m.Press(x, y, marker);
        ASSERT_EQ(d.node, c.node);
        const FILTER_NODE moved = m.Move(d, c.toX, c.toY);
        EXPECT_EQ(moved.hz, c.hz);
        EXPECT_EQ(moved.value, c.value);
    }
}

TEST(FilterMap, TheMarkerMovesWithinTheTable) {
    const FilterMap m = SampleMap();
    const FILTER_NODE marker{125'000'000, 200};
    const FilterMap::Drag both = m.Press(250, 55, marker);
    FILTER_NODE moved = m.Move(both, 300, 45);
    EXPECT_EQ(moved.hz, 130'000'000u);
    EXPECT_EQ(moved.value, 210u);
    moved = m.Move(both, -500, 55);
    EXPECT_EQ(moved.hz, 100'000'001u) << "above the first node";
    moved = m.Move(both, 5000, 55);
    EXPECT_EQ(moved.hz, 170'000'000u);
    const FilterMap::Drag valueOnly = m.Press(400, 55, marker);
    moved = m.Move(valueOnly, 600, 100);
    EXPECT_EQ(moved.hz, 125'000'000u);
    EXPECT_EQ(moved.value, 155u);
}

} // namespace
} // namespace lxq
