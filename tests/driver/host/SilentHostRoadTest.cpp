// A program that loads the API library while the user's driver host cannot answer: a host that
// is stopped (it still takes connections, and answers nothing until it is continued) is seen to
// be stopped and given up at once, not waited for a request time-out per record of the load, and
// so is its sound card; a host that was killed (its socket file
// left behind) costs nothing, and a new host takes its place.

#include "platform/audio/VirtualCardChannel.h"
#include "platform/sys/DeviceChannel.h"

#include "tests/driver/host/ChildHost.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <future>
#include <string>

namespace lxq::host {
namespace {

using test::ChildHost;
using test::Ran;
using test::RunToEnd;

// Loads the library in a fresh process and lists: the count, and how long it took.
std::pair<int, std::chrono::milliseconds> LoadAndList() {
    const auto started = std::chrono::steady_clock::now();
    const Ran ran = RunToEnd({"lxq745_list_probe", test::ProgramFolder() + "/liblxq745api.so"}, {"LXQ745_REQUEST_TIMEOUT_MS"});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return {ran.status == 0 && !ran.out.empty() ? std::stoi(ran.out) : -1, took};
}

TEST(SilentHost, AProgramStartsWithinAFewSecondsWhenTheHostDoesNotAnswer) {
    plat::sys::test::ScopedChannelNamespace ns{"silent"};
    std::chrono::milliseconds usual{};
    {
        ChildHost host("test:rx");
        // What loading and listing costs with a host that answers: the program's own start, which
        // a sanitizer's build or a busy machine makes long, is not what is measured here.
        const auto [listed, answered] = LoadAndList();
        ASSERT_EQ(listed, 1);
        usual = answered;
        kill(host.Pid(), SIGSTOP);
        // Meanwhile the audio layer looks for the host's sound card, as a program's list of
        // sound devices does.
        auto card = std::async(std::launch::async, [] {
            const auto looking = std::chrono::steady_clock::now();
            const bool found = !plat::audio::VirtualCardInterfaces().empty();
            return std::make_pair(found, std::chrono::steady_clock::now() - looking);
        });
        const auto [count, took] = LoadAndList();
        const auto [found, looked] = card.get();
        EXPECT_FALSE(found);
        EXPECT_LT(looked, std::chrono::milliseconds(2000)) << "the card given up, not waited for";
        const auto asking = std::chrono::steady_clock::now();
        const Ran ctl = RunToEnd({"lxq745ctl", "list"}, {"LXQ745_REQUEST_TIMEOUT_MS"});
        EXPECT_EQ(ctl.status, 3);
        EXPECT_NE(ctl.err.find("the driver host is stopped"), std::string::npos) << ctl.err;
        EXPECT_LT(std::chrono::steady_clock::now() - asking - usual, std::chrono::milliseconds(2000))
            << "the control program says so at once";
        kill(host.Pid(), SIGCONT);
        EXPECT_EQ(count, 0) << "no receiver of a host that does not answer";
        // The request time-out is 5 s: one list, one subscription and one more list waited out
        // would take three times that.
        EXPECT_LT(took - usual, std::chrono::milliseconds(2000)) << took.count() << " ms, usually " << usual.count();
        EXPECT_EQ(LoadAndList().first, 1) << "the host answers again";
    }
    {
        ChildHost host("test:rx");
        host.Kill();
        struct stat info{};
        ASSERT_EQ(stat(plat::sys::DeviceChannelAddress().c_str(), &info), 0) << "the dead host's socket is left";
        const auto [count, took] = LoadAndList();
        EXPECT_EQ(count, 0);
        EXPECT_LT(took - usual, std::chrono::milliseconds(1500)) << "nobody listens: refused at once";
    }
    ChildHost again("test:rx");  // takes the address over
    EXPECT_EQ(LoadAndList().first, 1);
}

} // namespace
} // namespace lxq::host
