// The computer's sleep and wake as the driver host relays them, each told once, and nothing else
// of what the host tells: the source neither waits for a host nor misses one that starts later.

#include "platform/sys/PowerBroadcastSource.h"

#include "tests/platform/sys/NoticeHost.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/support/Eventually.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <vector>

namespace plat::sys {
namespace {

using Event = PowerBroadcastSource::Event;

TEST(PowerBroadcastSource, HearsSleepAndWakeOnlyAndFindsAHostThatStartsLater) {
    test::ScopedChannelNamespace ns{"power"};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Event> heard;
    PowerBroadcastSource source;
    // No host is listening yet and none will be until Start has returned: a Start that waited for
    // one would never return. The bound only tells such a wait from a slow machine.
    auto starting = std::async(std::launch::async, [&] {
        source.Start(
            [&](Event e) {
                std::lock_guard lock(mutex);
                heard.push_back(e);
                changed.notify_all();
            },
            std::chrono::milliseconds(5));
    });
    ASSERT_EQ(starting.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "no host: no wait";

    test::NoticeHost host;
    ASSERT_TRUE(host.Listening());
    ASSERT_TRUE(lxq_test::Eventually([&] { return host.Subscribers() != 0; }));
    host.Notify(wire::NoticeEvent::SystemWake); // awake already: nothing to tell
    host.Notify(wire::NoticeEvent::Arrived, "dev#0");
    host.Notify(wire::NoticeEvent::SystemSleep);
    host.Notify(wire::NoticeEvent::SystemSleep); // the same sleep from the second source
    host.Notify(wire::NoticeEvent::Removed, "dev#0");
    host.Notify(wire::NoticeEvent::SystemWake);
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (std::vector<Event>{Event::Suspend, Event::Resume}));
    lock.unlock();
    source.Stop();
}

} // namespace
} // namespace plat::sys
