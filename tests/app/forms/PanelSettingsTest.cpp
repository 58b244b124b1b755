#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/forms/BandList.h"
#include "app/forms/TPanelSettings.h"
#include "platform/components/TMemIniFile.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq {
namespace {

using plat::comp::TIniFile;
using plat::comp::TMemIniFile;

class PanelSettingsTest : public ::testing::Test {
protected:
    void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string Read() {
        std::stringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
    }
    TPanelSettings Load(const std::string& serial = "123") {
        return ReadPanelSettings(TIniFile(path), serial, "Q745 Standard");
    }
    plat::sys::testing::TempFolder dir;
    std::string path = dir.File("LXQ745.ini");
};

TEST_F(PanelSettingsTest, AMissingFileGivesTheDefaults) {
    const TPanelSettings s = Load();
    EXPECT_EQ(s.freq, 1000000.0);
    EXPECT_EQ(s.calFile, "lxq745.cal");
    EXPECT_TRUE(s.power);
    EXPECT_EQ(s.agc, 2);
    EXPECT_TRUE(s.preamp);
    EXPECT_EQ(s.ifGain, 10);
    EXPECT_EQ(s.led, 3);
    EXPECT_EQ(s.top, 100);
    EXPECT_EQ(s.demodulator, "Q745 Standard");
    EXPECT_EQ(s.step, 1000);
    EXPECT_EQ(s.incrBtns, 10);
    EXPECT_EQ(s.delayTimeMs, 5000);
    EXPECT_EQ(s.scanRate, 20);
    EXPECT_EQ(s.onLost, 2);
    EXPECT_EQ(s.scopeHeight, 200);
    EXPECT_EQ(s.sweepStop, 1800000);
    EXPECT_TRUE(s.showMin && s.showMax && s.showDiff);
    EXPECT_TRUE(s.exclusionsEnabled);
    for (int m = 0; m < kModeNameCount; ++m) {
        EXPECT_EQ(s.squelch[m].level, -120);
        EXPECT_EQ(s.squelch[m].noise, INT32_MIN);
        EXPECT_EQ(s.squelch[m].ctcss, 0x80000000u);
        EXPECT_EQ(s.squelch[m].dcs, INT32_MIN);
        EXPECT_EQ(s.activeSquelch[m], 1);
    }
}

TEST_F(PanelSettingsTest, ValuesOutsideTheirLimitsAreMended) {
    struct Case {
        const char* lines;
        std::function<bool(const TPanelSettings&)> check;
    };
    const Case cases[] = {
        {"[Scanner-123]\nScanRate=0\n", [](const TPanelSettings& s) { return s.scanRate == 20; }},
        {"[Scanner-123]\nDelayTime=3\n", [](const TPanelSettings& s) { return s.delayTimeMs == 3000; }},
        {"[Scanner-123]\nDelayTime=9999999\n", [](const TPanelSettings& s) { return s.delayTimeMs > 0; }},
        {"[Scope-123]\nHeight=100\n", [](const TPanelSettings& s) { return s.scopeHeight == 170; }},
        {"[Receiver-123]\nCalFile=\n", [](const TPanelSettings& s) { return s.calFile == "lxq745.cal"; }},
        {"[Receiver-123]\nPower=0\nAtten=7\n", [](const TPanelSettings& s) { return !s.power && s.atten; }},
        {"[Receiver-123]\nFreq=145500000.5\nDisplayOffset=-100\n",
         [](const TPanelSettings& s) { return s.freq == 145500000.5 && s.displayOffset == -100; }},
        {"[Receiver-999]\nAGC=0\n", [](const TPanelSettings& s) { return s.agc == 2; }},
        {"[Scanner-123]\nStopOnFound=5\n[Scope-123]\nVisible=2\n",
         [](const TPanelSettings& s) { return s.stopOnFound && s.scopeVisible; }},
        {"[Mode USB 123]\nLevelSquelch=-90\nActiveSquelch=5\n[Mode  123]\nDCSSquelch=19\n",
         [](const TPanelSettings& s) {
             return s.squelch[5].level == -90 && s.activeSquelch[5] == 5 && s.squelch[20].dcs == 19 &&
                    s.squelch[4].level == -120;
         }},
    };
    for (const Case& c : cases) {
        Write(c.lines);
        EXPECT_TRUE(c.check(Load())) << c.lines;
    }
}

TEST_F(PanelSettingsTest, WrittenSettingsReadBackAndOtherSectionsSurvive) {
    Write("[ClockCalibration]\nRefClk=1234\n; note\n");
    TPanelSettings s;
    s.freq = 7100000;
    s.calFile = "my.cal";
    s.atten = true;
    s.displayOffset = -455000;
    s.memSort = 4;
    s.left = 30;
    s.demodulator = "Other";
    s.memoryFile = "/tmp/x.45m";
    s.incrBtns = 1000;
    s.delayTimeMs = 7000;
    s.scanMode = 2;
    s.scopeVisible = true;
    s.scopeHeight = 300;
    s.hits = true;
    s.meterUnit = 3;
    s.exclusionsEnabled = false;
    s.squelch[19].ctcss = 88500;
    s.activeSquelch[19] = 5;
    TMemIniFile ini(path);
    ASSERT_TRUE(WritePanelSettings(ini, "**DEMO**", s));
    EXPECT_EQ(Read(), "[ClockCalibration]\nRefClk=1234\n; note\n") << "nothing written before UpdateFile";
    ASSERT_TRUE(ini.UpdateFile());
    const std::string text = Read();
    EXPECT_NE(text.find("RefClk=1234"), std::string::npos);
    EXPECT_NE(text.find("[Mode APCO **DEMO**]"), std::string::npos);
    EXPECT_NE(text.find("[Mode  **DEMO**]"), std::string::npos) << "the empty 21st mode";
    EXPECT_NE(text.find("[S-Meter-**DEMO**]\r\nUnit=3"), std::string::npos);

    const TPanelSettings r = ReadPanelSettings(TIniFile(path), "**DEMO**", "Q745 Standard");
    EXPECT_EQ(r.freq, 7100000);
    EXPECT_EQ(r.calFile, "my.cal");
    EXPECT_TRUE(r.atten);
    EXPECT_EQ(r.displayOffset, -455000);
    EXPECT_EQ(r.memSort, 4);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.demodulator, "Other");
    EXPECT_EQ(r.memoryFile, "/tmp/x.45m");
    EXPECT_EQ(r.incrBtns, 1000);
    EXPECT_EQ(r.delayTimeMs, 7000);
    EXPECT_EQ(r.scanMode, 2);
    EXPECT_TRUE(r.scopeVisible);
    EXPECT_EQ(r.scopeHeight, 300);
    EXPECT_TRUE(r.hits);
    EXPECT_EQ(r.meterUnit, 3);
    EXPECT_FALSE(r.exclusionsEnabled);
    EXPECT_EQ(r.squelch[19].ctcss, 88500u);
    EXPECT_EQ(r.activeSquelch[19], 5);
}

TEST_F(PanelSettingsTest, NoDemodulatorNameKeepsTheSavedOne) {
    Write("[Application-1]\nDemodulator=Saved one\n");
    TPanelSettings s;
    s.demodulator.clear();
    TMemIniFile ini(path);
    ASSERT_TRUE(WritePanelSettings(ini, "1", s));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(Load("1").demodulator, "Saved one");
}

TEST(BandListTest, LinesBecomeBands) {
    const std::vector<TBand> bands = ParseBands(
        "Start,Stop,Name\r\n"
        "87.5,108,\"FM broadcast\"\r\n"
        "abc,2,Broken\n"
        "118,137,Air, civil\n"
        "144,146,\"\n"
        "430.0125,440\n");
    ASSERT_EQ(bands.size(), 5u);
    EXPECT_EQ(bands[0].start, 87'500'000);
    EXPECT_EQ(bands[0].stop, 108'000'000);
    EXPECT_EQ(bands[0].name, "FM broadcast");
    EXPECT_EQ(bands[1].start, 0);
    EXPECT_EQ(bands[1].stop, 0);
    EXPECT_EQ(bands[1].name, "Broken");
    EXPECT_EQ(bands[2].name, "Air, civil") << "everything after the second comma";
    EXPECT_EQ(bands[3].name, "\"") << "a single character keeps its quote";
    EXPECT_EQ(bands[4].start, 430'012'500);
    EXPECT_EQ(bands[4].name, "");
    EXPECT_TRUE(ParseBands("").empty());
    EXPECT_TRUE(ReadBandFile("/no/such/bands.csv").empty());
}

} // namespace
} // namespace lxq
