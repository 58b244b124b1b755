// The plug-in's files on a user's disk as they may be: linked elsewhere or to a device, made
// read-only, or grown far beyond what a settings file holds. Only a plain file is ever written,
// a read-only one is read all the same, a huge one is not read, and each refusal is said.

#include "demod/ui/DemodConfig.h"
#include "demod/ui/toolkit/RC_ConfigFile.h"
#include "platform/sys/SettingsStore.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/platform/sys/SaveTargets.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;
using plat::sys::testing::CapturedDebugOutput;
using plat::sys::testing::PlacedTarget;

class DemodFiles : public ::testing::Test {
protected:
    DemodFiles() { fs::create_directories(fs::path(UserSettingsFile()).parent_path()); }
    demod_test::ScopedUserFolders folders;
    plat::audio::testing::AudioFolder aside;
    CapturedDebugOutput debug{aside.File("debug.txt")};
    const std::uint32_t key = ReceiverKey("00000000");
};

TEST_F(DemodFiles, EverySaveWritesOnlyAPlainFileAndSaysWhyItLeftAnythingElse) {
    const struct Save {
        const char* what;
        std::function<std::string()> path;
        std::function<bool(std::uint32_t)> save;
    } saves[] = {
        {"demodulator settings", UserSettingsFile,
         [](std::uint32_t key) {
             DemodSettings s;
             SetDefaultSettings(s);
             return SaveDemodSettings(s, key);
         }},
        {"sound card settings", UserSoundCardFile,
         [](std::uint32_t key) {
             SoundCardSettings s{};
             return SaveSoundCardSettings(s, key);
         }},
        {"settings store", [] { return plat::sys::SettingsStore().Path(); },
         [](std::uint32_t) { return plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", "/x"); }},
    };
    for (const Save& save : saves) {
        for (const auto& c : plat::sys::testing::kSaveCases) {
            SCOPED_TRACE(std::string(save.what) + " in " + c.name);
            const std::string path = save.path();
            fs::create_directories(fs::path(path).parent_path());
            fs::remove_all(path);
            fs::remove_all(aside.File("ends"));
            const PlacedTarget target(c.found, path, aside.File("ends"));
            debug.Take();
            EXPECT_EQ(save.save(key), c.replaced);
            const std::string said = debug.Take();
            if (c.replaced) {
                EXPECT_TRUE(target.Replaced());
            } else {
                EXPECT_TRUE(target.LeftAsItWas());
                EXPECT_NE(said.find(path), std::string::npos) << said;
                EXPECT_NE(said.find("not saved"), std::string::npos) << said;
            }
            fs::remove_all(path);
        }
    }
}

TEST_F(DemodFiles, AReadOnlySettingsFileIsReadAndAFailedSaveSaysSo) {
    const std::string path = UserSettingsFile();
    DemodSettings mine;
    SetDefaultSettings(mine);
    mine.volume = 25;
    mine.cwTone = 650;
    ASSERT_TRUE(SaveDemodSettings(mine, key));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const std::string before = PlacedTarget::Slurp(path);

    DemodSettings read;
    LoadDemodSettings(read, key);
    EXPECT_EQ(read.volume, 25u) << "the user's settings, not the defaults";
    EXPECT_EQ(read.cwTone, 650u);

    read.cwTone = 700;
    debug.Take();
    EXPECT_FALSE(SaveDemodSettings(read, key));
    const std::string said = debug.Take();
    EXPECT_NE(said.find(path + " is read-only"), std::string::npos) << said;
    EXPECT_NE(said.find("settings were not saved to " + path), std::string::npos) << said;
    EXPECT_EQ(PlacedTarget::Slurp(path), before) << "the file is as it was";
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(DemodFiles, AFileFarLargerThanSettingsIsNeitherReadNorWrittenOver) {
    const std::string path = UserSettingsFile();
    // 1.5 GB without writing them: a file with a hole.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    constexpr off_t kSize = off_t{1'500'000'000};
    ASSERT_EQ(::ftruncate(fd, kSize), 0);
    ::close(fd);

    const auto started = std::chrono::steady_clock::now();
    DemodSettings read;
    LoadDemodSettings(read, key);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500)) << "not read through";
    DemodSettings defaults;
    SetDefaultSettings(defaults);
    EXPECT_EQ(read.volume, defaults.volume);
    const std::string said = debug.Take();
    EXPECT_NE(said.find(path + " is larger than a configuration file can be"), std::string::npos) << said;

    EXPECT_FALSE(SaveDemodSettings(read, key));
    EXPECT_EQ(fs::file_size(path), static_cast<std::uintmax_t>(kSize)) << "left as it is";
    EXPECT_NE(debug.Take().find("not saved to " + path), std::string::npos);
}

} // namespace
