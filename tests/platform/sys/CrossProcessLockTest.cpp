// Named mutex, presence and shared memory across processes: a forked child takes the object and
// is killed, and the kernel must hand the object on.

#include "platform/sys/NamedMutex.h"
#include "platform/sys/ObjectNamespace.h"
#include "platform/sys/SharedMemory.h"
#include "platform/sys/SharedPresence.h"

#include "tests/platform/sys/ScopedChannelNamespace.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace plat::sys {
namespace {

// Runs `body` in a forked child that then writes one byte and waits to be killed.
class Child {
public:
    template <typename F> explicit Child(F body) {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        pid_ = fork();
        if (pid_ == 0) {
            body();
            char c = 1;
            (void)!write(ready[1], &c, 1);
            for (;;) pause();
        }
        close(ready[1]);
        char c = 0;
        EXPECT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
    }
    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    ~Child() { Kill(); }

private:
    pid_t pid_ = -1;
};

TEST(NamedMutex, HolderDeathReleasesItToTheNextProcess) {
    test::ScopedChannelNamespace ns("mutex");
    Child child([] {
        auto* m = new NamedMutex("Exclusion"); // kept to the child's end
        m->Lock();
    });
    NamedMutex mine("Exclusion");
    ASSERT_TRUE(mine.Valid());
    EXPECT_FALSE(mine.TryLock());
    child.Kill();
    EXPECT_TRUE(mine.TryLock());
    mine.RemoveName();
    mine.Unlock();
}

TEST(NamedMutex, AWaiterOnARemovedNameTakesTheNewFile) {
    test::ScopedChannelNamespace ns("mutex");
    NamedMutex last("X");
    last.Lock();
    NamedMutex waiter("X"); // opened the file that is about to lose its name
    last.RemoveName();
    last.Unlock();
    waiter.Lock();
    NamedMutex newcomer("X"); // finds the name's new file
    EXPECT_FALSE(newcomer.TryLock()) << "both would hold the mutex at once";
    waiter.RemoveName();
    waiter.Unlock();
}

TEST(NamedMutex, IsRecursiveForItsThreadAndExcludesOtherThreads) {
    test::ScopedChannelNamespace ns("mutex");
    NamedMutex m("M");
    m.Lock();
    ASSERT_TRUE(m.TryLock());
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = m.TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    m.Unlock();
    m.Unlock();
    std::thread([&] {
        otherGotIt = m.TryLock();
        if (otherGotIt) m.Unlock();
    }).join();
    EXPECT_TRUE(otherGotIt);
    m.Lock();
    m.RemoveName();
    m.Unlock();
}

TEST(SharedPresence, FirstAndLastAreKnownEvenAfterACrash) {
    test::ScopedChannelNamespace ns("presence");
    {
        Child child([] { (new SharedPresence("Table"))->Join(); });
        SharedPresence a("Table");
        EXPECT_FALSE(a.Join()) << "the child is present";
        child.Kill();
        EXPECT_TRUE(a.Leave()) << "the dead child does not count";
    }
    SharedPresence a("Table"), b("Table");
    EXPECT_TRUE(a.Join());
    EXPECT_FALSE(b.Join());
    EXPECT_FALSE(a.Leave());
    EXPECT_TRUE(b.Leave());
    const std::string path = RuntimeFolder() + "/" + NamespacedObjectName("Table") + ".lock";
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "the last to leave removes the file";
}

TEST(SharedMemory, SecondOpenSeesTheSameZeroFilledBytes) {
    test::ScopedChannelNamespace ns("shm");
    bool created = false;
    auto a = SharedMemory::OpenOrCreate("Mem", 14885, created);
    ASSERT_TRUE(a);
    EXPECT_TRUE(created);
    EXPECT_EQ(a->Data()[14884], std::byte{0});
    a->Data()[100] = std::byte{0x5A};
    Child child([] {
        bool c = true;
        auto m = SharedMemory::OpenOrCreate("Mem", 14885, c);
        if (m && !c && m->Data()[100] == std::byte{0x5A}) m->Data()[101] = std::byte{1};
    });
    EXPECT_EQ(a->Data()[101], std::byte{1});
    SharedMemory::Remove("Mem");
    auto fresh = SharedMemory::OpenOrCreate("Mem", 16, created);
    EXPECT_TRUE(created);
    SharedMemory::Remove("Mem");
}

} // namespace
} // namespace plat::sys
