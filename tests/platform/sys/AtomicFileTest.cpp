// Whole-file writes that survive a crash and go through symbolic links, and reads bounded by the
// size a file can really have.

#include "platform/sys/AtomicFile.h"
#include "platform/sys/ProfileFile.h"
#include "platform/sys/SettingsStore.h"

#include "tests/platform/sys/TempFolder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace plat::sys {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(AtomicFile, WritesThroughLinksToTheFileTheyNameAndTheLinksStay) {
    testing::TempFolder dir;
    fs::create_directory(dir.File("real"));
    Write(dir.File("real/memory.45m"), "old");
    // An absolute link to a relative one, as a user's setup may have them.
    fs::create_symlink("real/memory.45m", dir.File("relative.45m"));
    fs::create_symlink(dir.File("relative.45m"), dir.File("absolute.45m"));
    for (const char* name : {"absolute.45m", "relative.45m"}) {
        SCOPED_TRACE(name);
        const std::string text = std::string("new through ") + name;
        ASSERT_TRUE(WriteFileAtomically(dir.File(name), text));
        EXPECT_EQ(Slurp(dir.File("real/memory.45m")), text) << "the real file has the new content";
        EXPECT_TRUE(fs::is_symlink(dir.File("absolute.45m")));
        EXPECT_TRUE(fs::is_symlink(dir.File("relative.45m")));
    }
    // A link whose file is not there is not followed: nothing is made where it points.
    fs::create_symlink("real/later.45m", dir.File("later.45m"));
    std::string why;
    EXPECT_FALSE(WriteFileAtomically(dir.File("later.45m"), "first", &why));
    EXPECT_EQ(why, dir.File("later.45m") + " (a link to " + dir.File("real/later.45m") +
                       ") points at nothing; a file is not made there; not saved");
    EXPECT_FALSE(fs::exists(dir.File("real/later.45m")));
    EXPECT_TRUE(fs::is_symlink(dir.File("later.45m")));
    // A loop of links is refused, not followed for ever.
    fs::create_symlink("loop-b", dir.File("loop-a"));
    fs::create_symlink("loop-a", dir.File("loop-b"));
    EXPECT_FALSE(WriteFileAtomically(dir.File("loop-a"), "x"));
    // Settings go through the same writer.
    fs::create_symlink("real/settings.ini", dir.File("settings.ini"));
    Write(dir.File("real/settings.ini"), "[Keep]\nk=1\n");
    ASSERT_TRUE(ProfileFile(dir.File("settings.ini")).WriteString("S", "n", "2"));
    EXPECT_EQ(Slurp(dir.File("real/settings.ini")), "[Keep]\nk=1\n[S]\nn=2\n");
    EXPECT_TRUE(fs::is_symlink(dir.File("settings.ini")));
}

TEST(AtomicFile, KeepsThePermissionsOfTheFileItReplaces) {
    testing::TempFolder dir;
    Write(dir.File("private.ini"), "x");
    ASSERT_EQ(chmod(dir.File("private.ini").c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileAtomically(dir.File("private.ini"), "y"));
    EXPECT_EQ(fs::status(dir.File("private.ini")).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(AtomicFile, AWriterKilledMidWriteLeavesNothingBehindTheNextWrite) {
    testing::TempFolder dir;
    const std::string file = dir.File("Q7memory.45m");
    Write(file, "old");
    // Real writers, killed while their temporary file is there.
    std::vector<std::string> leftovers;
    for (int k = 0; k < 3; ++k) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            const std::string temp = file + ".tmp" + std::to_string(getpid());
            std::ofstream(temp) << std::string(1 << 20, 'x');
            (void)!write(ready[1], "k", 1);
            pause();
            _exit(0);
        }
        char c;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        close(ready[1]);
        leftovers.push_back(file + ".tmp" + std::to_string(child));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    // One of a writer that still runs is its own.
    const std::string live = file + ".tmp" + std::to_string(getppid());
    Write(live, "busy");
    Write(dir.File("Q7memory.45m.tmpnotes"), "not ours");
    ASSERT_TRUE(WriteFileAtomically(file, "new"));
    EXPECT_EQ(Slurp(file), "new");
    for (const std::string& leftover : leftovers) EXPECT_FALSE(fs::exists(leftover)) << leftover;
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(dir.File("Q7memory.45m.tmpnotes")));
}

TEST(AtomicFile, ReadsStopAtTheBoundTheirFileKindCanHave) {
    testing::TempFolder dir;
    Write(dir.File("exact"), std::string(100, 'a'));
    Write(dir.File("over"), std::string(101, 'a'));
    fs::create_symlink("/dev/zero", dir.File("endless"));
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    struct Case {
        const char* name;
        ReadOutcome outcome;
        std::size_t bytes;
    };
    const Case cases[] = {
        {"exact", ReadOutcome::Read, 100},   {"over", ReadOutcome::TooLarge, 0},
        {"endless", ReadOutcome::TooLarge, 0}, {"absent", ReadOutcome::Missing, 0},
        {"pipe", ReadOutcome::Read, 0}, // nobody writes: empty, and no wait for a writer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto started = std::chrono::steady_clock::now();
        const FileRead read = ReadFileWithin(dir.File(c.name), 100);
        EXPECT_EQ(read.outcome, c.outcome);
        EXPECT_EQ(read.bytes.size(), c.bytes);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    }
}

TEST(AtomicFile, AProfileFileTooLargeToReadIsNeverWrittenOver) {
    testing::TempFolder dir;
    const std::string big = "[S]\nk=1\n" + std::string(kProfileFileLimit, ';') + "\n";
    Write(dir.File("big.ini"), big);
    ProfileFile file(dir.File("big.ini"));
    EXPECT_FALSE(file.ReadString("S", "k"));
    EXPECT_FALSE(file.WriteString("S", "n", "2")) << "a write would replace it by one line";
    EXPECT_EQ(Slurp(dir.File("big.ini")), big);

    fs::create_symlink("/dev/zero", dir.File("settings.ini"));
    SettingsStore store(dir.File("settings.ini"));
    EXPECT_FALSE(store.ReadString("Software\\KVR", "SearchPath"));
    EXPECT_FALSE(store.WriteString("Software\\KVR", "SearchPath", "x"));
    EXPECT_TRUE(fs::is_symlink(dir.File("settings.ini")));
}

} // namespace
} // namespace plat::sys
