// The demodulator's settings records on disk: the receiver key, the values mended after reading,
// which file wins, and what is written back.

#include "demod/ui/DemodConfig.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/toolkit/RC_ConfigFile.h"
#include "demod/ui/toolkit/RC_CreateDirectoryPath.h"
#include "platform/sys/SettingsStore.h"
#include "tests/demod/ui/DemodTestKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <limits>

namespace {

TEST(ReceiverKeyTest, DigitsOfTheSerialLessTheBias) {
    const struct {
        const char* serial;
        std::uint32_t key;
    } cases[] = {
        {"00000000", 0xFE400000u},
        {"0000000012", 0xFE400000u},  // only the first eight characters count
        {"00000001", 0xFE400001u},
        {"1", 0x10000000u - 0x34F33330u}, // a short serial: missing characters are 0; 0x31 x 16^7 wraps
        {"", 0u - 0x34F33330u},
        {"\xff", 0xF0000000u - 0x34F33330u}, // characters are signed bytes: 0xFF is -1, x 16^7
    };
    for (const auto& c : cases) EXPECT_EQ(ReceiverKey(c.serial), c.key) << c.serial;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(MendSettingsTest, ValuesThatCannotBeUsedAreReplaced) {
    const struct {
        const char* what;
        std::function<void(DemodSettings&)> damage;
        std::function<bool(const DemodSettings&)> mended;
    } cases[] = {
        {"Hilbert 300", [](DemodSettings& s) { s.hilbertLength = 300; }, [](const DemodSettings& s) { return s.hilbertLength == 511; }},
        {"Hilbert 255 stays", [](DemodSettings& s) { s.hilbertLength = 255; }, [](const DemodSettings& s) { return s.hilbertLength == 255; }},
        {"preset 25000", [](DemodSettings& s) { s.modes[0].presets[3] = 25000; }, [](const DemodSettings& s) { return s.modes[0].presets[3] == 20000; }},
        {"preset NaN", [](DemodSettings& s) { s.modes[7].presets[0] = kNaN; }, [](const DemodSettings& s) { return s.modes[7].presets[0] == 20; }},
        {"half bandwidth 12000", [](DemodSettings& s) { s.modes[2].halfBandwidth = 12000; }, [](const DemodSettings& s) { return s.modes[2].halfBandwidth == 10000; }},
        {"half bandwidth infinite", [](DemodSettings& s) { s.modes[kModeUsb].halfBandwidth = kInf; }, [](const DemodSettings& s) { return s.modes[kModeUsb].halfBandwidth == 1150; }},
        {"SAGC speed 4", [](DemodSettings& s) { s.sagcSpeed = 4; }, [](const DemodSettings& s) { return s.sagcSpeed == 0; }},
        {"SAGC speed 3 stays", [](DemodSettings& s) { s.sagcSpeed = 3; }, [](const DemodSettings& s) { return s.sagcSpeed == 3; }},
        {"input channel 2", [](DemodSettings& s) { s.inputChannel = 2; }, [](const DemodSettings& s) { return s.inputChannel == 1; }},
        {"input channel 0 stays", [](DemodSettings& s) { s.inputChannel = 0; }, [](const DemodSettings& s) { return s.inputChannel == 0; }},
        {"audio gain NaN", [](DemodSettings& s) { s.modes[4].audioGain = -kNaN; }, [](const DemodSettings& s) { return s.modes[4].audioGain == 7; }},
        {"large finite gain stays", [](DemodSettings& s) { s.modes[4].audioGain = 1e300; }, [](const DemodSettings& s) { return s.modes[4].audioGain == 1e300; }},
        {"de-emphasis NaN", [](DemodSettings& s) { s.modes[kModeFmn].deemphasis = std::nanf(""); }, [](const DemodSettings& s) { return s.modes[kModeFmn].deemphasis == -6.0f; }},
        {"filter 512", [](DemodSettings& s) { s.modes[1].audioFilterLength = 512; }, [](const DemodSettings& s) { return s.modes[1].audioFilterLength == 511; }},
        {"noise filter 256", [](DemodSettings& s) { s.modes[8].noiseSquelchLength = 256; }, [](const DemodSettings& s) { return s.modes[8].noiseSquelchLength == 127; }},
        {"SAGC decay infinite", [](DemodSettings& s) { s.sagcDecay[2] = kInf; }, [](const DemodSettings& s) { return s.sagcDecay[2] == 0.2; }},
        {"study tone NaN", [](DemodSettings& s) { s.studyTone = std::nanf(""); }, [](const DemodSettings& s) { return s.studyTone == 12000.0f; }},
        {"mode index 57", [](DemodSettings& s) { s.modeIndex = 57; }, [](const DemodSettings& s) { return s.modeIndex == 0; }},
        {"mode index -1", [](DemodSettings& s) { s.modeIndex = -1; }, [](const DemodSettings& s) { return s.modeIndex == 0; }},
        {"volume 99", [](DemodSettings& s) { s.volume = 99; }, [](const DemodSettings& s) { return s.volume == 10; }},
        {"secondary output 3", [](DemodSettings& s) { s.secondaryOutput = 3; }, [](const DemodSettings& s) { return s.secondaryOutput == 0; }},
    };
    for (const auto& c : cases) {
        DemodSettings s;
        SetDefaultSettings(s);
        c.damage(s);
        MendSettings(s);
        EXPECT_TRUE(c.mended(s)) << c.what;
    }
}

class DemodConfigTest : public ::testing::Test {
protected:
    DemodConfigTest() {
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", plugins.File(""));
    }
    static void Write(const std::string& path, const void* record, std::uint32_t size, std::uint32_t key) {
        RC_CreateDirectoryPath(path.c_str(), true);
        ASSERT_EQ(ConfigWriteRecord(path.c_str(), record, size, &key, 4), 1);
    }
    demod_test::ScopedUserFolders folders;
    plat::audio::testing::AudioFolder plugins;
};

TEST_F(DemodConfigTest, TheUsersRecordOverridesThePluginFoldersAndOnlyItIsWritten) {
    const std::uint32_t key = ReceiverKey("00000000");
    DemodSettings shipped, user;
    SetDefaultSettings(shipped);
    shipped.cwTone = 600;
    shipped.volume = 20;
    SetDefaultSettings(user);
    user.volume = 25;
    user.hilbertLength = 300; // damaged in the user's file
    Write(PluginFolderSettingsFile(), &shipped, sizeof shipped, key);
    Write(UserSettingsFile(), &user, sizeof user, key);
    DemodSettings other;
    SetDefaultSettings(other);
    other.volume = 1;
    Write(UserSettingsFile(), &other, sizeof other, key + 1); // another receiver's record

    DemodSettings s;
    LoadDemodSettings(s, key);
    EXPECT_EQ(s.volume, 25u);
    EXPECT_EQ(s.cwTone, 800u) << "the user's whole record wins";
    EXPECT_EQ(s.hilbertLength, 511u) << "mended after reading";

    std::remove(UserSettingsFile().c_str());
    LoadDemodSettings(s, key);
    EXPECT_EQ(s.cwTone, 600u) << "the plug-in folder's record without one of the user's";

    s.cwTone = 700;
    ASSERT_TRUE(SaveDemodSettings(s, key));
    DemodSettings back;
    LoadDemodSettings(back, key);
    EXPECT_EQ(back.cwTone, 700u);
    LoadDemodSettings(back, key + 2);
    EXPECT_EQ(back.cwTone, 800u) << "an unknown receiver gets the defaults";
    DemodSettings untouched{};
    ASSERT_EQ(ConfigReadRecord(PluginFolderSettingsFile().c_str(), &untouched, sizeof untouched, &key, 4), 1);
    EXPECT_EQ(untouched.cwTone, 600u);
}

TEST_F(DemodConfigTest, ASoundCardRecordWithoutOutputNameTakesTheInputName) {
    const std::uint32_t key = 5;
    SoundCardSettings card{};
    std::strcpy(card.waveIn, "Line In");
    std::strcpy(card.mixerLine, "Line");
    Write(UserSoundCardFile(), &card, sizeof card, key);
    SoundCardSettings s;
    LoadSoundCardSettings(s, key);
    EXPECT_STREQ(s.waveIn, "Line In");
    EXPECT_STREQ(s.mixerLine, "Line");
    EXPECT_STREQ(s.waveOut, "Line In");
    LoadSoundCardSettings(s, key + 1);
    EXPECT_STREQ(s.waveIn, "") << "nothing stored: zero";
}

std::vector<char> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file whose last record lost its tail would refuse every later write: the user's settings
// would never be saved again. The whole records stay, the damaged file is kept beside it, and
// the settings are saved.
TEST_F(DemodConfigTest, ARecordCutShortNoLongerStopsTheSettingsFromBeingSaved) {
    const std::uint32_t key = ReceiverKey("00000000");
    DemodSettings other;
    SetDefaultSettings(other);
    other.volume = 3;
    Write(UserSettingsFile(), &other, sizeof other, key + 1);
    DemodSettings mine;
    SetDefaultSettings(mine);
    Write(UserSettingsFile(), &mine, sizeof mine, key + 2);
    const std::vector<char> whole = Bytes(UserSettingsFile());
    std::filesystem::resize_file(UserSettingsFile(), whole.size() - 100); // the second record cut short
    const std::vector<char> damaged = Bytes(UserSettingsFile());
    ASSERT_EQ(ConfigWriteRecord(UserSettingsFile().c_str(), &mine, sizeof mine, &key, 4), 0)
        << "the file format refuses the write";

    mine.cwTone = 650;
    ASSERT_TRUE(SaveDemodSettings(mine, key));
    DemodSettings back;
    LoadDemodSettings(back, key);
    EXPECT_EQ(back.cwTone, 650u) << "saved";
    LoadDemodSettings(back, key + 1);
    EXPECT_EQ(back.volume, 3u) << "the whole record of another receiver is kept";
    EXPECT_EQ(Bytes(UserSettingsFile()).size(), 2 * (8 + sizeof mine)) << "the cut record is gone";
    EXPECT_EQ(Bytes(UserSettingsFile() + ".damaged"), damaged) << "the damaged file is kept as it was";

    mine.cwTone = 660;
    ASSERT_TRUE(SaveDemodSettings(mine, key)) << "and later writes go through";
}

// What a save reports as saved is what the next load brings back, whatever older record lies in
// the file behind the receiver's own: a second one of the same receiver, or one cut short.
TEST_F(DemodConfigTest, ASavedRecordReadsBackWhateverLiesBehindItsOldOne) {
    const std::uint32_t key = ReceiverKey("00000000");
    DemodSettings older;
    SetDefaultSettings(older);
    older.cwTone = 600;
    const std::uint32_t shortLength = 100; // an older version's shorter record of the receiver
    const struct {
        const char* what;
        std::uint32_t behindKey;
        std::uint32_t cutBy;
    } cases[] = {{"a second record of the receiver", key, 0}, {"another receiver's record cut short", key + 1, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(UserSettingsFile());
        std::filesystem::remove(UserSettingsFile() + ".damaged");
        Write(UserSettingsFile(), &older, shortLength, key);
        std::vector<char> file = Bytes(UserSettingsFile());
        const char* behindKey = reinterpret_cast<const char*>(&c.behindKey);
        const auto length = static_cast<std::uint32_t>(sizeof older);
        file.insert(file.end(), behindKey, behindKey + 4);
        file.insert(file.end(), reinterpret_cast<const char*>(&length), reinterpret_cast<const char*>(&length) + 4);
        file.insert(file.end(), reinterpret_cast<const char*>(&older), reinterpret_cast<const char*>(&older) + sizeof older - c.cutBy);
        std::ofstream(UserSettingsFile(), std::ios::binary | std::ios::trunc).write(file.data(), static_cast<std::streamsize>(file.size()));

        DemodSettings mine;
        SetDefaultSettings(mine);
        mine.cwTone = 700;
        ASSERT_TRUE(SaveDemodSettings(mine, key));
        DemodSettings back;
        LoadDemodSettings(back, key);
        EXPECT_EQ(back.cwTone, 700u) << "the saved record, not an older one";
    }
}

TEST(ConfigRepairFileTest, AWholeOrMissingFileIsLeftAlone) {
    plat::audio::testing::AudioFolder folder;
    const std::string path = folder.File("whole.dat"), copy = folder.File("whole.dat.damaged");
    EXPECT_EQ(ConfigRepairFile(path.c_str(), 4, copy.c_str()), 0) << "missing";
    const std::uint32_t key = 1, data = 7;
    ASSERT_EQ(ConfigWriteRecord(path.c_str(), &data, sizeof data, &key, 4), 1);
    EXPECT_EQ(ConfigRepairFile(path.c_str(), 4, copy.c_str()), 0) << "whole";
    EXPECT_FALSE(std::filesystem::exists(copy));
    std::filesystem::resize_file(path, 6); // only part of the first header
    EXPECT_EQ(ConfigRepairFile(path.c_str(), 4, copy.c_str()), 1);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(std::filesystem::file_size(copy), 6u);
}

} // namespace
