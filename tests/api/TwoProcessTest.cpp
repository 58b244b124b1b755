// Two processes sharing one receiver table: this test's process (the library's logic linked in)
// and a helper program that loads the exported library like any client.

#include "platform/sys/ObjectNamespace.h"
#include "tests/api/ApiFixture.h"
#include "tests/api/PeerProcess.h"

#include <unistd.h>

namespace lxq::api::testing {
namespace {

using TwoProcesses = ApiFixture;

TEST_F(TwoProcesses, BothSeeOneTableThatOnlyTheFirstInitialises) {
    Load();
    EXPECT_TRUE(Lib().InitialisedTable());
    ASSERT_EQ(Lib().Open(nullptr), 1);
    ASSERT_EQ(Ctl().SetFrequency(1, 7'000'000), 1);
    Peer peer;
    EXPECT_EQ(Read(Lib().Table().processCount), 2);
    EXPECT_EQ(peer.Ask("open -"), 2) << "the peer sees slot 1 taken";
    EXPECT_EQ(Ctl().GetFrequency(1), 7'000'000u) << "the peer did not wipe the table";
    EXPECT_EQ(Read(Lib().Table().ownerProcess[1]), static_cast<std::uint32_t>(peer.Pid()));
    EXPECT_EQ(peer.Ask("freq 2"), 0) << "a fresh demo slot";
    EXPECT_EQ(peer.Ask("setfreq 2 9000000"), 1);
    EXPECT_EQ(Read(Lib().Slot(2).frequency), 9'000'000u) << "one table";
    peer.Quit();
    EXPECT_EQ(Read(Lib().Table().processCount), 1);
    api.reset();
    for (const char* name : {"LXQ745API_Exclusion", "LXQ745APIMemFile"}) {
        const std::string lock = plat::sys::RuntimeFolder() + "/" +
                                 plat::sys::NamespacedObjectName(name) + ".lock";
        EXPECT_NE(access(lock.c_str(), F_OK), 0) << "the last process leaves no file: " << lock;
    }
}

TEST_F(TwoProcesses, AReceiverBelongsToOneProcessAtATime) {
    Load();
    ASSERT_EQ(Lib().Open(nullptr), 1);
    Peer peer;
    EXPECT_EQ(peer.Ask("opendev 1"), 0);
    EXPECT_EQ(peer.Ask("freq 1"), 0);
    EXPECT_EQ(peer.Ask("setfreq 1 9000000"), 0);
    EXPECT_EQ(peer.Ask("close 1"), 0);
    EXPECT_EQ(Read(Lib().Table().openCount[0]), 1) << "the peer's close changed nothing";
    ASSERT_EQ(Lib().CloseRadioDevice(1), 1);
    EXPECT_EQ(peer.Ask("open -"), 1);
    EXPECT_EQ(Lib().CloseRadioDevice(1), 0) << "now the peer's";
}

TEST_F(TwoProcesses, ProcessesThatEndFreeTheirSlots) {
    Load();
    {
        Peer peer;
        EXPECT_EQ(peer.Ask("open -"), 1);
        peer.Quit(); // a clean unload gives the demo slot back at once
        EXPECT_EQ(Read(Lib().Table().openCount[0]), 0);
    }
    Peer peer;
    EXPECT_EQ(peer.Ask("open -"), 1);
    EXPECT_EQ(peer.Ask("open -"), 2);
    peer.Kill(); // no unload at all
    EXPECT_EQ(Lib().Open(nullptr), 1) << "a dead owner's slot is free";
    EXPECT_EQ(Lib().Open(nullptr), 2);
}

TEST_F(TwoProcesses, TableLeftByDeadProcessesIsBuiltAfresh) {
    Peer peer;
    EXPECT_EQ(peer.Ask("open -"), 1);
    EXPECT_EQ(peer.Ask("setfreq 1 9000000"), 1);
    peer.Kill();
    Load();
    EXPECT_TRUE(Lib().InitialisedTable());
    EXPECT_EQ(Read(Lib().Table().processCount), 1);
    EXPECT_EQ(Read(Lib().Table().openCount[0]), 0);
    EXPECT_EQ(Read(Lib().Slot(1).frequency), 0u);
}

} // namespace
} // namespace lxq::api::testing
