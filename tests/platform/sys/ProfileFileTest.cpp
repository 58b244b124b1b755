#include "platform/sys/ProfileFile.h"

#include "tests/platform/sys/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace plat::sys {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

TEST(ProfileFile, NamesOfFileSectionAndKeyAreComparedWithoutCase) {
    testing::TempFolder dir;
    Write(dir.File("LXQ745.ini"), "[clockcalibration]\n  Ab12CD34 = 20000123\n");
    const ProfileFile file(dir.File("LXQ745.INI"));
    EXPECT_EQ(ProfileFile::ResolvePath(dir.File("LXQ745.INI")), dir.File("LXQ745.ini"));
    EXPECT_EQ(file.ReadString("ClockCalibration", "AB12cd34"), "20000123");
    EXPECT_EQ(file.ReadInt("CLOCKCALIBRATION", "ab12cd34", 7), 20000123u);
}

TEST(ProfileFile, ReadIntFallsBackOnlyForMissingKeys) {
    testing::TempFolder dir;
    Write(dir.File("a.ini"), "[S]\nhex=0x10\nbad=abc\nneg=-1\n");
    const ProfileFile file(dir.File("a.ini"));
    EXPECT_EQ(file.ReadInt("S", "hex", 5), 16u);
    EXPECT_EQ(file.ReadInt("S", "bad", 5), 0u);
    EXPECT_EQ(file.ReadInt("S", "neg", 5), 0xFFFFFFFFu);
    EXPECT_EQ(file.ReadInt("S", "missing", 5), 5u);
    EXPECT_EQ(file.ReadInt("Other", "hex", 5), 5u);
    EXPECT_EQ(ProfileFile(dir.File("none.ini")).ReadInt("S", "hex", 9), 9u);
}

TEST(ProfileFile, WriteKeepsEverythingElseAndTheExistingFileName) {
    testing::TempFolder dir;
    Write(dir.File("Settings.INI"),
          "; comment\n[Main]\nFreq=100\nMode=2\n\n[ClockCalibration]\nX=1\n[Tail]\nk=v\n");
    ProfileFile file(dir.File("settings.ini"));
    ASSERT_TRUE(file.WriteString("main", "MODE", "5"));
    ASSERT_TRUE(file.WriteString("clockcalibration", "Y", "2"));
    ASSERT_TRUE(file.WriteString("New", "a", "b"));
    EXPECT_EQ(Slurp(dir.File("Settings.INI")),
              "; comment\n[Main]\nFreq=100\nMODE=5\n\n[ClockCalibration]\nX=1\nY=2\n[Tail]\nk=v\n"
              "[New]\na=b\n");
    EXPECT_FALSE(std::ifstream(dir.File("settings.ini")).good()) << "no second file by case";
}

TEST(ProfileFile, WriteKeepsTheFileLineEndsAndRefusesLineBreaks) {
    testing::TempFolder dir;
    Write(dir.File("a.ini"), "[S]\r\nk=v\r\n");
    ProfileFile file(dir.File("a.ini"));
    ASSERT_TRUE(file.WriteString("S", "n", "1"));
    EXPECT_FALSE(file.WriteString("S", "n", "2\n[Evil]\nx=1"));
    EXPECT_FALSE(file.WriteString("S", "n\r\nx", "2"));
    EXPECT_EQ(Slurp(dir.File("a.ini")), "[S]\r\nk=v\r\nn=1\r\n");
}

TEST(ProfileFile, FailedWriteLeavesOldContent) {
    testing::TempFolder dir;
    ProfileFile file(dir.File("missing-folder/x.ini"));
    EXPECT_FALSE(file.WriteString("S", "k", "v"));
}

} // namespace
} // namespace plat::sys
