// The scene file: what each line means, and that a bad line is refused with its number.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "driver/sim/BandScene.h"

namespace lxq::sim {
namespace {

TEST(BandScene, GoodLinesGiveTheirStations) {
    std::string error;
    const auto scene = BandScene::Parse(R"(# a comment line
noise -115.5   # and a comment after a statement

station 1000000 -53 am
station 14200000 -73 usb tone=1200 name=ssb
station 7050000 -80 lsb tone=800
station 145500000 -70 fm ctcss=88.5
station 145550000 -75 fm dcs=023i deviation=3000
station 98000000 -40 fm
station 98100000 -40 fm deviation=50000
station 3500000 -90 am depth=0.8 tone=400
station 10144000 -85	cw
)", &error);
    ASSERT_TRUE(scene) << error;
    EXPECT_DOUBLE_EQ(scene->noiseDbm, -115.5);
    ASSERT_EQ(scene->stations.size(), 9u);
    const auto& s = scene->stations;
    EXPECT_EQ(s[0].modulation, Modulation::Am);
    EXPECT_DOUBLE_EQ(s[0].depth, 0.5);
    EXPECT_DOUBLE_EQ(s[0].toneHz, 1000.0);
    EXPECT_EQ(s[1].name, "ssb");
    EXPECT_DOUBLE_EQ(s[1].SignalHz(), 14'201'200.0); // the sideband sits a tone above
    EXPECT_DOUBLE_EQ(s[2].SignalHz(), 7'049'200.0);  // or below
    EXPECT_DOUBLE_EQ(s[3].ctcssHz, 88.5);
    EXPECT_DOUBLE_EQ(s[3].deviationHz, 2500.0);
    EXPECT_EQ(s[4].dcsCode, 023); // octal
    EXPECT_TRUE(s[4].dcsInverted);
    EXPECT_DOUBLE_EQ(s[4].deviationHz, 3000.0);
    EXPECT_DOUBLE_EQ(s[5].deviationHz, 75000.0); // broadcast FM
    EXPECT_DOUBLE_EQ(s[6].deviationHz, 50000.0);
    EXPECT_DOUBLE_EQ(s[7].depth, 0.8);
    EXPECT_EQ(s[8].modulation, Modulation::Cw);
}

TEST(BandScene, AnEmptyFileIsTheNoiseAlone) {
    const auto scene = BandScene::Parse("# nothing here\n\n");
    ASSERT_TRUE(scene);
    EXPECT_DOUBLE_EQ(scene->noiseDbm, BandScene::kDefaultNoiseDbm);
    EXPECT_TRUE(scene->stations.empty());
}

TEST(BandScene, ABadLineIsRefusedWithItsNumber) {
    struct Case {
        const char* line;
        const char* says;
    };
    const Case cases[] = {
        {"nois -120", "neither noise nor station"},
        {"noise", "noise takes one level"},
        {"noise -120 -110", "noise takes one level"},
        {"noise loud", "not a number"},
        {"station 1000000 -60", "FREQ_HZ LEVEL_DBM MOD"},
        {"station 1000000 -60 xm", "modulation \"xm\""},
        {"station 1e6x -60 am", "not a number"},
        {"station 1000000.5 -60 am", "whole number"},
        {"station 0 -60 am", "outside"},
        {"station 1000000 strong am", "not a number"},
        {"station 1000000 -60 am depth=1.5", "outside 0..1"},
        {"station 1000000 -60 am tone=0", "outside"},
        {"station 1000000 -60 am tone", "not key=value"},
        {"station 1000000 -60 am colour=red", "unknown key"},
        {"station 1000000 -60 am tone=400 tone=500", "twice"},
        {"station 1000000 -60 fm depth=0.3", "depth is for am"},
        {"station 1000000 -60 am deviation=5000", "deviation is for fm"},
        {"station 145500000 -60 usb ctcss=88.5", "ctcss is for fm"},
        {"station 145500000 -60 fm dcs=028", "octal"},
        {"station 145500000 -60 fm dcs=23", "octal"},
        {"station 145500000 -60 fm dcs=023x", "octal"},
        {"station 145500000 -60 fm ctcss=88.5 dcs=023", "not both"},
        {"station 145500000 -60 fm name=", "name is empty"},
    };
    for (const Case& c : cases) {
        std::string error;
        // Good lines before and after: the bad one is the third.
        const std::string text = "station 2000000 -90 cw\n# fine so far\n" + std::string(c.line) + "\nstation 1000000 -60 am\n";
        EXPECT_FALSE(BandScene::Parse(text, &error)) << c.line;
        EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << c.line << " -> " << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.line << " -> " << error;
    }
    std::string error;
    EXPECT_FALSE(BandScene::Parse("noise -120\nnoise -110\n", &error));
    EXPECT_EQ(error, "line 2: the noise is given twice");
}

TEST(BandScene, FilesAreReadWholeOrRefusedWithTheirName) {
    const auto folder = std::filesystem::temp_directory_path() / ("bandscene-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string good = (folder / "good.scene").string(), bad = (folder / "bad.scene").string();
    std::ofstream(good) << "noise -100\nstation 1000000 -60 am\n";
    std::ofstream(bad) << "station 1000000 -60 am\r\nstation 2000000\n";
    std::string error;
    const auto scene = BandScene::Load(good, &error);
    ASSERT_TRUE(scene) << error;
    EXPECT_EQ(scene->stations.size(), 1u);
    EXPECT_FALSE(BandScene::Load(bad, &error));
    EXPECT_EQ(error.rfind(bad + ": line 2: ", 0), 0u) << error;
    EXPECT_FALSE(BandScene::Load((folder / "none.scene").string(), &error));
    EXPECT_EQ(error, (folder / "none.scene").string() + ": cannot be read");
    std::filesystem::remove_all(folder);
}

TEST(BandScene, TheDefaultSceneHasWhatAUserLooksFor) {
    const BandScene& scene = BandScene::Default();
    EXPECT_DOUBLE_EQ(scene.noiseDbm, -120.0);
    auto has = [&](auto predicate) {
        return std::count_if(scene.stations.begin(), scene.stations.end(), predicate);
    };
    // Where a fresh front panel starts.
    EXPECT_EQ(has([](const SceneStation& s) { return s.frequencyHz == 1'000'000 && s.modulation == Modulation::Am; }), 1);
    EXPECT_GE(has([](const SceneStation& s) {
                  return s.modulation == Modulation::Fm && s.frequencyHz >= 88'000'000 && s.frequencyHz <= 108'000'000 &&
                         s.deviationHz == 75000.0;
              }), 2);
    EXPECT_EQ(has([](const SceneStation& s) {
                  return (s.modulation == Modulation::Usb || s.modulation == Modulation::Lsb) &&
                         s.frequencyHz >= 14'000'000 && s.frequencyHz <= 14'350'000;
              }), 1);
    EXPECT_EQ(has([](const SceneStation& s) { return s.modulation == Modulation::Cw; }), 1);
    const auto narrowFm = [](const SceneStation& s) {
        return s.modulation == Modulation::Fm && s.frequencyHz >= 144'000'000 && s.frequencyHz <= 146'000'000;
    };
    EXPECT_EQ(has([&](const SceneStation& s) { return narrowFm(s) && s.ctcssHz > 0.0; }), 2);
    EXPECT_EQ(has([&](const SceneStation& s) { return narrowFm(s) && s.dcsCode >= 0; }), 1);
    double ctcss[2] = {}, *next = ctcss;
    for (const auto& s : scene.stations)
        if (narrowFm(s) && s.ctcssHz > 0.0) *next++ = s.ctcssHz;
    EXPECT_NE(ctcss[0], ctcss[1]);
}

} // namespace
} // namespace lxq::sim
