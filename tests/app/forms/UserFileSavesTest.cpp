// What closing the panel saves, whatever stands under its files' names: the settings, the memory
// file, the scan ranges, the auto-stepping and the exclusion lists are saved over plain files
// (through links to them, which stay links) and over nothing else; what is left, the debug
// output names with the reason.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "app/forms/TQ7form.h"
#include "tests/app/forms/FrontPanelFixture.h"
#include "tests/platform/sys/SaveTargets.h"

namespace lxq {
namespace {

namespace fs = std::filesystem;
using plat::sys::testing::CapturedDebugOutput;
using plat::sys::testing::PlacedTarget;

class PanelSaves : public FrontPanel {
protected:
    std::string Folder() {
        const std::string folder = dir.Path() + "/Talvenor/Q745/";
        fs::create_directories(folder);
        return folder;
    }
    void Start() {
        MakePanel({"/sd"}); // no demodulator plug-in here
        form->Q7->SetCalFile(dir.File("lxq745.cal"));
        form->ExecuteDialog = [](plat::comp::TOpenDialog&) { return false; }; // "save as" is cancelled
        form->DoCreate();
        ASSERT_FALSE(form->Quitting());
    }
    CapturedDebugOutput debug{dir.File("debug.txt")};
};

TEST_F(PanelSaves, ClosingSavesOnlyOverPlainFilesAndNamesWhatItLeft) {
    const char* const files[] = {"LXQ745.ini", "Q7memory.45m", "ranges.45r", "autostep.45s", "exclusions.45e"};
    for (const auto& c : plat::sys::testing::kSaveCases) {
        SCOPED_TRACE(c.name);
        const std::string folder = Folder();
        std::vector<PlacedTarget> targets;
        for (const char* file : files) targets.emplace_back(c.found, folder + file, dir.File("ends"));
        Start();
        debug.Take();
        form->Close();
        ClosePanel();
        const std::string said = debug.Take();
        for (const PlacedTarget& target : targets) {
            SCOPED_TRACE(target.Path());
            if (c.replaced) {
                EXPECT_TRUE(target.Replaced());
            } else {
                EXPECT_TRUE(target.LeftAsItWas());
                EXPECT_NE(said.find(target.Path()), std::string::npos) << said;
            }
        }
        boxes.clear();
        fs::remove_all(folder);
        fs::remove_all(dir.File("ends"));
    }
}

// The ranges were read as empty from an endless device and saved over it at the close, as the
// other lists never were.
TEST_F(PanelSaves, ListsLinkedToAnEndlessDeviceAreNeitherReadNorSavedOver) {
    if (geteuid() != 0) GTEST_SKIP() << "a device node of the test's own is made as root only";
    const std::string folder = Folder();
    fs::create_directories(dir.File("ends"));
    const std::string zero = dir.File("ends/zero");
    ASSERT_EQ(mknod(zero.c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);
    struct stat before {};
    ASSERT_EQ(lstat(zero.c_str(), &before), 0);
    const char* const lists[] = {"ranges.45r", "autostep.45s", "exclusions.45e"};
    for (const char* list : lists) fs::create_symlink(zero, folder + list);
    Start();
    debug.Take();
    form->Close();
    ClosePanel();
    const std::string said = debug.Take();
    struct stat after {};
    ASSERT_EQ(lstat(zero.c_str(), &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode) && after.st_ino == before.st_ino && after.st_rdev == before.st_rdev)
        << "the device is still there";
    for (const char* list : lists) {
        EXPECT_EQ(fs::read_symlink(folder + list), zero) << list;
        EXPECT_NE(said.find(folder + list), std::string::npos) << list << ": " << said;
    }
}

} // namespace
} // namespace lxq
