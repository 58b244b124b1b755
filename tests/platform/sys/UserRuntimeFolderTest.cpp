// The user's runtime folder, where the channel sockets and lock files live: XDG_RUNTIME_DIR only
// when nobody else can enter it, else a folder of the user's own under TMPDIR, made 0700. One
// that is open to others, a link or no folder at all is refused with the reason, and so is a
// socket address too long for a socket.

#include "platform/sys/DeviceChannel.h"
#include "platform/sys/LockFile.h"
#include "platform/sys/UserRuntimeFolder.h"

#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/StrangerProcess.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace plat::sys {
namespace {

TEST(UserRuntimeFolder, OnlyAFolderOfTheUsersOwnThatNobodyElseCanEnterIsUsed) {
    test::SharedTemporaryFolder shared;
    ASSERT_FALSE(shared.Path().empty());
    const std::string fallback = shared.UserFolder(), runtime = shared.Path() + "/runtime";
    const std::string elsewhere = shared.Path() + "/elsewhere";
    struct Case {
        const char* what;
        std::function<void()> make;
        std::string folder;  // the folder used
        std::string reason;  // empty: usable
    };
    const Case cases[] = {
        {"a private XDG_RUNTIME_DIR", [&] { mkdir(runtime.c_str(), 0700); }, runtime, ""},
        {"an XDG_RUNTIME_DIR open to others", [&] { mkdir(runtime.c_str(), 0755); chmod(runtime.c_str(), 0755); },
         fallback, ""},
        {"no XDG_RUNTIME_DIR folder", [] {}, fallback, ""},
        {"a fallback open to others", [&] { mkdir(fallback.c_str(), 0755); chmod(fallback.c_str(), 0755); },
         fallback, fallback + " is open to other users (mode 0755)"},
        {"a fallback that is a link", [&] { mkdir(elsewhere.c_str(), 0700); symlink(elsewhere.c_str(), fallback.c_str()); },
         fallback, fallback + " is a link, not a folder"},
        {"a fallback that is a file", [&] { close(creat(fallback.c_str(), 0600)); }, fallback,
         fallback + " is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unlink(fallback.c_str());
        rmdir(fallback.c_str());
        rmdir(runtime.c_str());
        rmdir(elsewhere.c_str());
        c.make();
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        std::string refusal = "unset";
        EXPECT_EQ(UserRuntimeFolder(&refusal), c.folder);
        EXPECT_EQ(refusal.substr(0, c.reason.size()), c.reason);
        EXPECT_EQ(refusal.empty(), c.reason.empty()) << refusal;
        struct stat info{};
        if (c.reason.empty()) {
            ASSERT_EQ(lstat(c.folder.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0700u);
        }
        // What lives in it follows: a lock file there is made, or refused with the same reason.
        test::ScopedChannelNamespace ns{"folder"};
        const LockFile lock("Probe");
        EXPECT_EQ(lock.Valid(), c.reason.empty()) << lock.Refusal();
        if (c.reason.empty()) {
            EXPECT_EQ(lock.Path().rfind(c.folder + "/", 0), 0u) << lock.Path();
            ASSERT_EQ(stat(lock.Path().c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0600u);
            unlink(lock.Path().c_str());
        }
    }
}

TEST(UserRuntimeFolder, AnAddressLongerThanASocketsIsRefusedWithTheReason) {
    test::SharedTemporaryFolder shared;
    test::ScopedChannelNamespace ns{std::string(100, 'n').c_str()};
    std::string refusal;
    EXPECT_EQ(ChannelPath(DeviceChannelName(), &refusal), "");
    EXPECT_NE(refusal.find("is longer than a socket's address can be (107 bytes)"), std::string::npos) << refusal;
    EXPECT_EQ(ListenOnChannel(DeviceChannelName(), 1, false, &refusal), -1);
    EXPECT_NE(refusal.find("is longer than"), std::string::npos) << refusal;
    EXPECT_FALSE(ChannelSocket::Connect(std::chrono::milliseconds(100), &refusal).Valid());
    EXPECT_NE(refusal.find("is longer than"), std::string::npos) << refusal;
}

} // namespace
} // namespace plat::sys
