#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/components/TIniFile.h"
#include "platform/components/TMemIniFile.h"

namespace plat::comp {
namespace {

namespace fsys = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
    IniFileTest() {
        folder = fsys::temp_directory_path() / ("lxq-ini-" + std::to_string(::getpid()));
        fsys::create_directories(folder);
        path = (folder / "LXQ745.ini").string();
    }
    ~IniFileTest() override { fsys::remove_all(folder); }
    void WriteFile(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string ReadFile() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fsys::path folder;
    std::string path;
};

TEST_F(IniFileTest, ReadsTypedValuesWithFallbacks) {
    WriteFile("; settings\r\n[Receiver-123]\r\nFreq = 7100000.5\r\nAGC=2\r\nPower=0\r\n"
              "Mask=0xFFFFFFFF\r\nBad=12abc\r\nName= Talvenor \r\n[Other]\r\nAGC=9\r\n");
    const TIniFile ini(path);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Receiver-123", "Freq", 0), 7100000.5);
    EXPECT_EQ(ini.ReadInteger("receiver-123", "agc", 0), 2) << "names compare without case";
    EXPECT_FALSE(ini.ReadBool("Receiver-123", "Power", true));
    EXPECT_EQ(ini.ReadInteger("Receiver-123", "Mask", 0), -1) << "hexadecimal is a bit pattern";
    EXPECT_EQ(ini.ReadInteger("Receiver-123", "Bad", 77), 77) << "malformed: the fallback";
    EXPECT_EQ(ini.ReadInteger("Receiver-123", "Missing", 5), 5);
    EXPECT_EQ(ini.ReadString("Receiver-123", "Name", ""), "Talvenor");
    EXPECT_EQ(ini.ReadInteger("Other", "AGC", 0), 9);
    EXPECT_TRUE(ini.ReadBool("Nowhere", "Power", true));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Receiver-123", "Other"}));
    EXPECT_EQ(ini.ReadSection("Other"), std::vector<std::string>{"AGC"});
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineOfTheFile) {
    WriteFile("; comment stays\r\n[ClockCalibration]\r\nPPM=3\r\n\r\n[Receiver-1]\r\nAGC=1\r\n");
    TIniFile ini(path);
    ASSERT_TRUE(ini.WriteInteger("RECEIVER-1", "agc", 3));
    ASSERT_TRUE(ini.WriteString("Receiver-1", "CalFile", "lxq745.cal"));
    ASSERT_TRUE(ini.WriteBool("ClockCalibration", "Enabled", true));
    ASSERT_TRUE(ini.WriteFloat("Scope-1", "Span", 2.5e6));
    EXPECT_EQ(ReadFile(),
              "; comment stays\r\n[ClockCalibration]\r\nPPM=3\r\nEnabled=1\r\n\r\n"
              "[Receiver-1]\r\nagc=3\r\nCalFile=lxq745.cal\r\n[Scope-1]\r\nSpan=2500000\r\n");
}

TEST_F(IniFileTest, SeesChangesAnotherWriterMadeMeanwhile) {
    TIniFile ours(path);
    TIniFile theirs(path);
    ASSERT_TRUE(ours.WriteInteger("Application-1", "Left", 10));
    ASSERT_TRUE(theirs.WriteInteger("ClockCalibration", "PPM", -4));
    ASSERT_TRUE(ours.WriteInteger("Application-1", "Top", 20));
    EXPECT_EQ(ours.ReadInteger("ClockCalibration", "PPM", 0), -4) << "not lost by our next write";
}

TEST_F(IniFileTest, EraseAndDeleteRemoveOnlyWhatTheyName) {
    WriteFile("[A]\nx=1\ny=2\n[B]\nz=3\n");
    TIniFile ini(path);
    ASSERT_TRUE(ini.DeleteKey("A", "x"));
    ASSERT_TRUE(ini.EraseSection("b"));
    EXPECT_FALSE(ini.ValueExists("A", "x"));
    EXPECT_TRUE(ini.ValueExists("A", "y"));
    EXPECT_FALSE(ini.SectionExists("B"));
}

TEST_F(IniFileTest, WritesThatCouldNotBeReadBackAreRefused) {
    WriteFile("[A]\r\nx=1\r\n");
    TIniFile ini(path);
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"A", "x", "1\r\n[Evil]\r\ny=2"}, // a value that would add a section
        {"A", "a=b", "1"},
        {"A", "", "1"},
        {"A", "[B]", "1"},
        {"A", "#x", "1"}, // a comment line
        {"A", " ;x", "1"},
        {"A]x", "k", "1"},
        {"A\nB", "k", "1"},
    };
    for (const Case& c : cases) EXPECT_FALSE(ini.WriteString(c.section, c.key, c.value)) << c.key;
    EXPECT_EQ(ReadFile(), "[A]\r\nx=1\r\n");
    EXPECT_FALSE(ini.SectionExists("Evil"));
}

TEST_F(IniFileTest, FailedWriteLeavesTheFileAsItWas) {
    WriteFile("[A]\r\nx=1\r\n");
    // A folder where the temporary copy would go: the write cannot even start.
    fsys::create_directory(path + ".tmp" + std::to_string(::getpid()));
    TIniFile ini(path);
    EXPECT_FALSE(ini.WriteInteger("A", "x", 2));
    EXPECT_EQ(ReadFile(), "[A]\r\nx=1\r\n");
}

TEST_F(IniFileTest, AnInMemoryFileWritesEverythingAtOnceOnUpdate) {
    WriteFile("[Other]\r\nKeep=1\r\n");
    TMemIniFile ini(path);
    EXPECT_TRUE(ini.WriteInteger("Receiver-1", "AGC", 3));
    EXPECT_TRUE(ini.WriteString("Other", "Name", "x"));
    EXPECT_EQ(ini.ReadInteger("Receiver-1", "AGC", 0), 3) << "reads see the changes";
    EXPECT_EQ(ReadFile(), "[Other]\r\nKeep=1\r\n") << "the file is untouched until the update";
    WriteFile("[Other]\r\nKeep=2\r\n"); // what another program wrote meanwhile is replaced
    EXPECT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadFile(), "[Other]\r\nKeep=1\r\nName=x\r\n[Receiver-1]\r\nAGC=3\r\n");
}

} // namespace
} // namespace plat::comp
