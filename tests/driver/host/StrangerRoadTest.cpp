// Another user of the machine (nobody) against the user's own programs: the driver host, the
// control program and the API library, each a process of its own as a user runs them. The
// stranger takes what it can of the user's names first: the host's address, the sound card's,
// the receiver table and the lock files, in the places the user's programs look for them and in
// the places they used to. Every program either goes on with the user's own host, or refuses the
// stranger and says why; none talks to the stranger, maps its memory or waits on its lock.

#include "driver/host/VirtualCardServer.h"
#include "platform/audio/VirtualCardChannel.h"
#include "platform/sys/DeviceChannel.h"
#include "platform/sys/ObjectNamespace.h"
#include "platform/sys/SharedMemory.h"

#include "tests/driver/host/ChildHost.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/StrangerProcess.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace lxq::host {
namespace {

using plat::sys::test::StrangerProcess;
using test::ChildHost;
using test::Ran;
using test::RunToEnd;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Stranger : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = plat::sys::test::NoStranger(); !why.empty()) GTEST_SKIP() << why;
        ASSERT_FALSE(shared.Path().empty());
    }
    void TearDown() override {
        for (const std::string& name : sections) shm_unlink(name.c_str());
    }

    // The API library in a fresh process: how many receivers it lists, what it said, and how
    // long loading and listing took.
    struct Listing {
        int count = -1;
        std::string said;
        std::chrono::milliseconds took{};
    };
    Listing ListThroughTheLibrary() {
        const auto started = std::chrono::steady_clock::now();
        const Ran ran = RunToEnd({"lxq745_list_probe", test::ProgramFolder() + "/liblxq745api.so"});
        Listing listing;
        listing.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        listing.said = ran.err;
        if (ran.status == 0 && !ran.out.empty()) listing.count = std::stoi(ran.out);
        return listing;
    }
    // Puts a socket or file the stranger made (in the shared folder) at `to`, as if the stranger
    // had got there: only root can, which is what the clients' own checks are for.
    static void Move(const std::string& from, const std::string& to) {
        ASSERT_EQ(rename(from.c_str(), to.c_str()), 0) << from << " -> " << to << ": " << std::strerror(errno);
    }
    std::string HostAddress() const { return shared.UserFolder() + "/" + plat::sys::DeviceChannelName(); }
    std::string CardAddress() const { return HostAddress() + ".vsc"; }

    plat::sys::test::ScopedChannelNamespace ns{"stranger"};
    plat::sys::test::SharedTemporaryFolder shared;
    std::vector<std::string> sections;  // shared memory the stranger made, removed afterwards
};

// The user's fallback runtime folder made by the stranger first, with a socket listening at the
// host's address in it: nothing of the user's goes there, and every program says so.
TEST_F(Stranger, AFolderTakenFirstIsRefusedByEveryProgramWithTheReason) {
    const std::string folder = shared.UserFolder(), socket = HostAddress();
    StrangerProcess stranger([&] {
        return StrangerProcess::MakeFolder(folder.c_str(), 0777) && StrangerProcess::Listen(socket.c_str());
    });
    ASSERT_TRUE(stranger.Ready());

    const Ran host = RunToEnd({"lxq745d", "--device", "test:rx"});
    EXPECT_EQ(host.status, 1);
    EXPECT_TRUE(Contains(host.err, "is taken")) << host.err;
    EXPECT_TRUE(Contains(host.err, folder + " belongs to another user (uid 65534)")) << host.err;

    const Ran ctl = RunToEnd({"lxq745ctl", "list"});
    EXPECT_EQ(ctl.status, 2);
    EXPECT_TRUE(Contains(ctl.err, "refused: the address \"" + socket + "\" is taken")) << ctl.err;

    const Listing listing = ListThroughTheLibrary();
    EXPECT_EQ(listing.count, 0);
    EXPECT_TRUE(Contains(listing.said, folder + " belongs to another user (uid 65534)")) << listing.said;

    struct stat info{};
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, plat::sys::test::kStrangerUid) << "the stranger's folder is left as it was";
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().string(), socket) << "nothing of the user's in it";
}

// The stranger on the abstract address the host used to listen on, and in a runtime folder named
// by XDG_RUNTIME_DIR that is not the user's: the user's programs pass it by and go on with
// their own host.
TEST_F(Stranger, AStrangerOnTheOldAddressOrInAForeignRuntimeFolderIsPassedBy) {
    const std::string abstractHost = "@" + plat::sys::DeviceChannelName(), abstractCard = abstractHost + ".vsc";
    const std::string foreign = shared.Path() + "/foreign";
    const std::string foreignHost = foreign + "/" + plat::sys::DeviceChannelName(), foreignCard = foreignHost + ".vsc";
    StrangerProcess stranger([&] {
        return StrangerProcess::Listen(abstractHost.c_str()) && StrangerProcess::Listen(abstractCard.c_str()) &&
               StrangerProcess::MakeFolder(foreign.c_str(), 0700) && StrangerProcess::Listen(foreignHost.c_str()) &&
               StrangerProcess::Listen(foreignCard.c_str());
    });
    ASSERT_TRUE(stranger.Ready());
    setenv("XDG_RUNTIME_DIR", foreign.c_str(), 1);

    // A simulated serial receiver: its IF comes through the host's sound card.
    ChildHost host(std::vector<std::string>{"lxq745d", "--simulate", "serial", "--device", "test:rx"});
    EXPECT_EQ(plat::sys::DeviceChannelAddress(), HostAddress()) << "the user's own folder, not the foreign one";
    const Ran ctl = RunToEnd({"lxq745ctl", "list"});
    EXPECT_EQ(ctl.status, 0) << ctl.err;
    EXPECT_TRUE(Contains(ctl.out, "rx started")) << ctl.out;
    const Listing listing = ListThroughTheLibrary();
    EXPECT_EQ(listing.count, 2) << listing.said;
    EXPECT_EQ(plat::audio::VirtualCardInterfaces(), std::vector<std::string>{VirtualCardServer::InterfacePath()})
        << "the host's own sound card";
    ASSERT_TRUE(host.Stop());
    EXPECT_FALSE(Contains(host.Log(), "no virtual sound card")) << host.Log();
}

// A stranger's socket found at the user's own address (only root could have put it there): every
// client refuses it with the reason, sending it nothing, and the host says its address is taken.
TEST_F(Stranger, AStrangersSocketAtTheUsersAddressIsRefusedByEveryClient) {
    const std::string hostBait = shared.Path() + "/host", cardBait = shared.Path() + "/card";
    StrangerProcess stranger([&] {
        return StrangerProcess::Listen(hostBait.c_str()) && StrangerProcess::Listen(cardBait.c_str());
    });
    ASSERT_TRUE(stranger.Ready());
    ASSERT_EQ(plat::sys::RuntimeFolder(), shared.UserFolder());  // made, the user's own
    const std::string debug = shared.Path() + "/debug.txt";
    setenv("LXQ745_DEBUG_OUTPUT", debug.c_str(), 1);

    // The sound card's address first, with the user's host on its own: the host serves its
    // receivers and says the card's address is taken; the audio layer refuses the card.
    Move(cardBait, CardAddress());
    {
        ChildHost host("test:rx");
        EXPECT_TRUE(plat::audio::VirtualCardInterfaces().empty());
        plat::audio::VirtualCardHandle card;
        EXPECT_NE(card.Open(VirtualCardServer::InterfacePath()), 0u);
        EXPECT_EQ(ListThroughTheLibrary().count, 1) << "the receivers are served all the same";
        ASSERT_TRUE(host.Stop());
        EXPECT_TRUE(Contains(host.Log(), "no virtual sound card: the address \"" + CardAddress() +
                                             "\" is served by another user (uid 65534"))
            << host.Log();
    }
    std::ifstream said(debug);
    const std::string audioSaid{std::istreambuf_iterator<char>(said), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(Contains(audioSaid, "\"" + CardAddress() + "\" is served by another user (uid 65534")) << audioSaid;
    unsetenv("LXQ745_DEBUG_OUTPUT");

    // Then the host's address.
    Move(hostBait, HostAddress());
    const Ran host = RunToEnd({"lxq745d", "--device", "test:rx"});
    EXPECT_EQ(host.status, 1);
    EXPECT_TRUE(Contains(host.err, "the address \"" + HostAddress() + "\" is served by another user (uid 65534"))
        << host.err;
    const Ran ctl = RunToEnd({"lxq745ctl", "list"});
    EXPECT_EQ(ctl.status, 2);
    EXPECT_TRUE(Contains(ctl.err, "refused: \"" + HostAddress() + "\" is served by another user (uid 65534")) << ctl.err;
    const Listing listing = ListThroughTheLibrary();
    EXPECT_EQ(listing.count, 0);
    EXPECT_TRUE(Contains(listing.said, "is served by another user (uid 65534")) << listing.said;
    EXPECT_TRUE(plat::sys::ListDeviceInterfaces().empty());
    EXPECT_FALSE(stranger.HeardAnything()) << "not a byte went to the stranger";
}

// The receiver table under the user's name, made first by the stranger (closed to the user, or
// open to everyone), or left by the user in a shape this release does not use: the library
// refuses it with the reason, never maps it, and the host serves on.
TEST_F(Stranger, AReceiverTableThatIsNotTheUsersOwnIsRefusedAndNeverMapped) {
    ChildHost host("test:rx");
    ASSERT_EQ(ListThroughTheLibrary().count, 1) << "the user's own table, made afresh";
    const std::string path = plat::sys::SharedMemory::PathOf("LXQ745APIMemFile");
    const std::string name = path.substr(std::strlen("/dev/shm"));
    EXPECT_TRUE(Contains(name, ".u" + std::to_string(geteuid()) + ".")) << "the name carries the user: " << name;
    sections.push_back(name);

    struct Case {
        const char* what;
        bool stranger;
        mode_t mode;
        off_t size;
        std::string reason;
    };
    const Case cases[] = {
        {"the stranger's, closed to the user", true, 0600, 4096, "belongs to another user (uid 65534)"},
        {"the stranger's, open to everyone", true, 0666, 4096, "belongs to another user (uid 65534)"},
        {"the user's, open to others", false, 0644, 0, "is open to other users (mode 0644)"},
        {"the user's, of another size", false, 0600, 4096, "holds 4096 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shm_unlink(name.c_str());
        std::optional<StrangerProcess> stranger;
        if (c.stranger) {
            stranger.emplace([&] { return StrangerProcess::MakeSharedMemory(name.c_str(), c.mode, c.size); });
            ASSERT_TRUE(stranger->Ready());
        } else {
            const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, c.mode);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(fchmod(fd, c.mode), 0);
            ASSERT_EQ(ftruncate(fd, c.size), 0);
            close(fd);
        }
        const Listing listing = ListThroughTheLibrary();
        EXPECT_EQ(listing.count, 0);
        EXPECT_TRUE(Contains(listing.said, "receiver table is not used: " + path + " " + c.reason)) << listing.said;
        struct stat info{};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_size, c.size) << "left as it was";
    }
    shm_unlink(name.c_str());
    const Ran ctl = RunToEnd({"lxq745ctl", "list"});
    EXPECT_TRUE(Contains(ctl.out, "rx started")) << "the host serves on: " << ctl.err;
    EXPECT_EQ(ListThroughTheLibrary().count, 1) << "and the user's own table works again";
}

// The lock files: a stranger holding the exclusion lock where the old fallback put it (the shared
// temporary folder) holds nobody up; one found in the user's folder (only root could have put it there),
// as a file or as a link to a file, is refused at once, never waited on.
TEST_F(Stranger, LockFilesThatAreNotTheUsersOwnAreNeitherUsedNorWaitedOn) {
    ChildHost host("test:rx");
    const std::string lockName = plat::sys::NamespacedObjectName("LXQ745API_Exclusion") + ".lock";
    const std::string oldPlace = shared.Path() + "/" + lockName, bait = shared.Path() + "/bait.lock";
    const std::string mine = plat::sys::RuntimeFolder() + "/" + lockName;
    StrangerProcess stranger([&] {
        return StrangerProcess::HoldLockFile(oldPlace.c_str(), 0600) && StrangerProcess::HoldLockFile(bait.c_str(), 0644);
    });
    ASSERT_TRUE(stranger.Ready());

    Listing listing = ListThroughTheLibrary();
    EXPECT_EQ(listing.count, 1) << "the lock at the old place is not the user's: " << listing.said;

    struct Case {
        const char* what;
        bool link;
        std::string reason;
    };
    const Case cases[] = {
        {"the stranger's file, locked", false, mine + " belongs to another user (uid 65534)"},
        {"a link to it", true, mine + " is a link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unlink(mine.c_str());
        if (c.link) ASSERT_EQ(symlink(bait.c_str(), mine.c_str()), 0);
        else ASSERT_EQ(link(bait.c_str(), mine.c_str()), 0);
        listing = ListThroughTheLibrary();
        EXPECT_EQ(listing.count, 0);
        EXPECT_LT(listing.took, std::chrono::seconds(3)) << "refused at once, not waited on";
        EXPECT_TRUE(Contains(listing.said, c.reason)) << listing.said;
        EXPECT_TRUE(Contains(listing.said, "no receiver is available")) << listing.said;
    }
    unlink(mine.c_str());
    EXPECT_EQ(ListThroughTheLibrary().count, 1) << "the user's own lock works again";
}

} // namespace
} // namespace lxq::host
