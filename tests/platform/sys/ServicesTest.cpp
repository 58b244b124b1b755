// Folders, module names, settings store, debug output and the message-box hook.

#include "platform/sys/Clock.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/KnownFolders.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Module.h"
#include "platform/sys/PerformanceCounter.h"
#include "platform/sys/SettingsStore.h"

#include "tests/platform/sys/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace plat::sys {
namespace {

TEST(KnownFolders, DocumentsAndConfigFollowTheEnvironment) {
    setenv("XDG_DOCUMENTS_DIR", "/x/Docs/", 1);
    EXPECT_EQ(DocumentsFolder(), "/x/Docs");
    unsetenv("XDG_DOCUMENTS_DIR");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DocumentsFolder(), "/home/u/Documents");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigFolder(), "/home/u/.config");
    EXPECT_FALSE(ProgramFolder().empty());
}

TEST(Module, SystemNamesMapToSharedObjects) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"lxq745api.dll", "liblxq745api.so"}, {"LXQ745API.DLL", "liblxq745api.so"},
                 {"dbmtable.dll", "libdbmtable.so"},   {"ErrVane.dll", "libErrVane.so"},
                 {"Q745DemodPro.kvr", "Q745DemodPro.kvr"}, {"/a/b.dll", "/a/b.dll"}};
    for (const auto& c : cases) EXPECT_EQ(MapModuleName(c.in), c.out) << c.in;
    EXPECT_EQ(Module::Load("no-such-module.dll"), nullptr);
    auto libc = Module::Load("libc.so.6");
    ASSERT_TRUE(libc);
    EXPECT_NE(libc->Symbol("strlen"), nullptr);
    EXPECT_EQ(libc->Symbol("no_such_symbol_here"), nullptr);
}

TEST(SettingsStore, ValuesSurviveInTheirFileAndFoldersAreCreated) {
    testing::TempFolder dir;
    SettingsStore store(dir.File("a/b/settings.ini"));
    EXPECT_FALSE(store.ReadString("Software\\KVR", "SearchPath"));
    ASSERT_TRUE(store.WriteString("Software\\KVR", "SearchPath", "/opt/plugins"));
    ASSERT_TRUE(store.WriteInt("Software\\KVR", "Count", 3));
    SettingsStore again(dir.File("a/b/settings.ini"));
    EXPECT_EQ(again.ReadString("software\\kvr", "searchpath"), "/opt/plugins");
    EXPECT_EQ(again.ReadInt("Software\\KVR", "Count"), 3u);
}

TEST(DebugOutput, GoesToTheNamedFileOneLineEach) {
    testing::TempFolder dir;
    setenv("LXQ745_DEBUG_OUTPUT", dir.File("dbg.txt").c_str(), 1);
    OutputDebugText("first");
    OutputDebugText("second\n");
    unsetenv("LXQ745_DEBUG_OUTPUT");
    std::ifstream in(dir.File("dbg.txt"));
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "first\nsecond\n");
}

int g_lastStyle = 0;
int RecordingBox(std::uint32_t, std::string_view, std::string_view, std::uint32_t style) {
    g_lastStyle = static_cast<int>(style);
    return kIdCancel;
}

TEST(MessageBox, HookReplacesTheDefaultAndCanBeRemoved) {
    EXPECT_EQ(SetMessageBoxHook(RecordingBox), nullptr);
    EXPECT_EQ(ShowMessageBox(0, "t", "c", kMbIconWarning | kMbOkCancel), kIdCancel);
    EXPECT_EQ(g_lastStyle, 0x31);
    EXPECT_EQ(SetMessageBoxHook(nullptr), RecordingBox);
    EXPECT_EQ(ShowMessageBox(0, "text to stderr", "caption", kMbOk), kIdOk);
}

TEST(PerformanceCounter, FollowsTheActiveClock) {
    FakeClock fake;
    ScopedClock use(fake);
    const auto a = PerformanceCounter();
    fake.AdvanceMs(3);
    EXPECT_EQ(PerformanceCounter() - a, 3 * PerformanceFrequency() / 1000);
}

} // namespace
} // namespace plat::sys
