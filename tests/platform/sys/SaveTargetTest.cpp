// Every way the program saves a file (whole-file saves, settings and profile files, recordings,
// pictures) meets what a user's folder may hold under the file's name: only a plain file, under
// the name or at the end of a link, is ever replaced; anything else stays as it was and the save
// says why, in its answer and in the debug output.

#include "platform/audio/WavFile.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/PngFile.h"
#include "platform/sys/AtomicFile.h"
#include "platform/sys/ProfileFile.h"
#include "platform/sys/SettingsStore.h"

#include "tests/platform/sys/SaveTargets.h"
#include "tests/platform/sys/TempFolder.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace plat::sys {
namespace {

namespace fs = std::filesystem;
using testing::CapturedDebugOutput;
using testing::PlacedTarget;

bool SaveRecording(const std::string& path) {
    audio::WavWriter writer;
    const std::int16_t samples[4] = {1, 2, 3, 4};
    return writer.Open(path, audio::MakePcmFormat(1, 16, 8000)) && writer.Write(samples, sizeof samples) && writer.Close();
}

bool SavePicture(const std::string& path) {
    const auto bitmap = gdi::Bitmap::Create(4, 4, 24);
    return bitmap && gdi::SavePng(*bitmap, path);
}

TEST(SaveTargets, EverySaveReplacesOnlyAPlainFileAndSaysWhyItLeftAnythingElse) {
    testing::TempFolder dir;
    CapturedDebugOutput debug(dir.File("debug.txt"));
    const struct Save {
        const char* name;
        std::function<bool(const std::string&)> save;
    } saves[] = {
        {"Q7memory.45m", [](const std::string& p) { return WriteFileAtomically(p, "records"); }},
        {"LXQ745.ini", [](const std::string& p) { return ProfileFile(p).WriteString("S", "k", "1"); }},
        {"settings.ini", [](const std::string& p) { return SettingsStore(p).WriteString("Software\\KVR", "k", "v"); }},
        {"out.wav", SaveRecording},
        {"screen.png", SavePicture},
    };
    for (const Save& save : saves) {
        for (const auto& c : testing::kSaveCases) {
            SCOPED_TRACE(std::string(save.name) + " in " + c.name);
            const std::string path = dir.File(save.name);
            const PlacedTarget target(c.found, path, dir.File("ends"));
            debug.Take();
            const auto started = std::chrono::steady_clock::now();
            EXPECT_EQ(save.save(path), c.replaced);
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << "no wait on a pipe";
            const std::string said = debug.Take();
            if (c.replaced) {
                EXPECT_TRUE(target.Replaced());
            } else {
                EXPECT_TRUE(target.LeftAsItWas());
                EXPECT_NE(said.find(path), std::string::npos) << said;
                EXPECT_NE(said.find("not saved"), std::string::npos) << said;
            }
            // Nothing is left beside the file: no temporary of a save that was refused or done.
            for (const auto& entry : fs::directory_iterator(dir.Path()))
                EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
            fs::remove_all(path);
            fs::remove_all(dir.File("ends"));
        }
    }
}

TEST(SaveTargets, AReadOnlyFileIsNotReplacedAndTheReasonIsGiven) {
    testing::TempFolder dir;
    CapturedDebugOutput debug(dir.File("debug.txt"));
    const std::string path = dir.File("Q7memory.45m");
    const PlacedTarget target(testing::Found::File, path, dir.File("ends"), "kept");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    std::string why;
    EXPECT_FALSE(WriteFileAtomically(path, "new", &why));
    EXPECT_EQ(why, path + " is read-only; not saved");
    EXPECT_EQ(debug.Take(), why + "\n");
    EXPECT_EQ(PlacedTarget::Slurp(path), "kept");
    // Through a link the reason names both.
    fs::create_symlink(path, dir.File("linked.45m"));
    EXPECT_FALSE(WriteFileAtomically(dir.File("linked.45m"), "new", &why));
    EXPECT_EQ(why, dir.File("linked.45m") + " (a link to " + path + ") is read-only; not saved");
}

} // namespace
} // namespace plat::sys
