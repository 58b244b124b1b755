#include "platform/sys/DeviceChannel.h"

#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/support/Eventually.h"

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <future>
#include <list>

namespace plat::sys {
namespace {

// Gives each test its own channel name, so tests never meet a real host or each other.

std::vector<std::uint8_t> Bytes(const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    return {p, p + length};
}

// A small stand-in for the driver host: two devices, one that echoes requests, and a subscriber
// list the test can notify. Control answers describe what arrived, so the test sees the wire.
class FakeHost {
public:
    FakeHost() {
        EXPECT_TRUE(listener_.Listen());
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
    ~FakeHost() {
        listener_.Shutdown();
        acceptor_.join();
        for (auto& s : live_) s->Shutdown();
        for (auto& t : workers_) t.join();
    }

    void Notify(wire::NoticeEvent event, const std::string& path) {
        wire::NoticeMessage notice{{static_cast<std::uint32_t>(wire::Kind::Notice), 0},
                                   static_cast<std::uint32_t>(event)};
        auto record = Bytes(&notice, sizeof notice);
        record.insert(record.end(), path.begin(), path.end());
        std::lock_guard lock(mutex_);
        for (auto* s : subscribers_) s->Send(record.data(), record.size());
    }
    std::future<void> SubscriberArrived() { return subscribed_.get_future(); }

    std::promise<void> lateAnswer;
    pid_t lastPeer = 0;
    std::atomic<int> cancels{0};
    std::atomic<int> unanswered{0};

private:
    void AcceptLoop() {
        for (;;) {
            pid_t peer = 0;
            ChannelSocket socket = listener_.Accept(&peer);
            if (!socket.Valid()) return;
            lastPeer = peer;
            std::lock_guard lock(mutex_);
            live_.push_back(std::make_unique<ChannelSocket>(std::move(socket)));
            ChannelSocket* s = live_.back().get();
            workers_.emplace_back([this, s] { Serve(*s); });
        }
    }

    void Answer(const ChannelSocket& s, std::uint32_t id, std::uint32_t status, std::uint64_t count,
                const std::vector<std::uint8_t>& out, int fd = -1) {
        wire::AnswerMessage answer{{static_cast<std::uint32_t>(wire::Kind::Answer), id}, status, 0,
                                   count};
        auto record = Bytes(&answer, sizeof answer);
        record.insert(record.end(), out.begin(), out.end());
        s.Send(record.data(), record.size(), fd);
    }

    void Serve(ChannelSocket& s) {
        std::vector<std::uint8_t> buffer;
        for (;;) {
            int fd = -1;
            if (s.Receive(buffer, &fd) <= 0) return;
            wire::WireHeader header{};
            std::memcpy(&header, buffer.data(), sizeof header);
            switch (static_cast<wire::Kind>(header.kind)) {
            case wire::Kind::List: {
                const char paths[] = "dev#0\0dev#1";
                Answer(s, header.id, 0, 0, Bytes(paths, sizeof paths));
                break;
            }
            case wire::Kind::Open: {
                const std::string path(buffer.begin() + sizeof header, buffer.end());
                Answer(s, header.id, path == "dev#0" ? 0 : wire::kStatusNoSuchDevice, 0, {});
                break;
            }
            case wire::Kind::Subscribe: {
                Answer(s, header.id, 0, 0, {});
                std::lock_guard lock(mutex_);
                subscribers_.push_back(&s);
                subscribed_.set_value();
                break;
            }
            case wire::Kind::Cancel: ++cancels; break;
            case wire::Kind::Control: {
                wire::ControlMessage request{};
                std::memcpy(&request, buffer.data(), sizeof request);
                if (request.code == 0xB10C) {  // never answered: the client must not hang
                    ++unanswered;
                    break;
                }
                if (request.code == 0x1A7E) {  // answered only when the test lets it
                    ++unanswered;
                    lateAnswer.get_future().wait();
                }
                // Output: the request's fields, then its input bytes; byte count = inPointer + 1.
                std::vector<std::uint8_t> out = Bytes(&request.code, 20);
                out.insert(out.end(), buffer.begin() + sizeof request, buffer.end());
                int reply = -1;
                if (fd >= 0) {  // answer a passed descriptor with a shared page holding 0x5A
                    reply = memfd_create("ring", MFD_CLOEXEC);
                    EXPECT_EQ(ftruncate(reply, 4096), 0);
                    auto* page = static_cast<std::uint8_t*>(
                        mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, reply, 0));
                    page[0] = 0x5A;
                    munmap(page, 4096);
                    const std::uint64_t one = 1;
                    EXPECT_EQ(write(fd, &one, sizeof one), 8);  // signal the client's event
                    close(fd);
                }
                Answer(s, header.id, 0x1234, request.inPointerValue + 1, out, reply);
                if (reply >= 0) close(reply);
                break;
            }
            default: break;
            }
        }
    }

    ChannelListener listener_;
    std::thread acceptor_;
    std::mutex mutex_;
    std::list<std::unique_ptr<ChannelSocket>> live_;
    std::list<std::thread> workers_;
    std::vector<ChannelSocket*> subscribers_;
    std::promise<void> subscribed_;
};

TEST(DeviceChannel, WithoutHostNothingIsPresentAndNothingOpens) {
    test::ScopedChannelNamespace ns{"chtest"};
    EXPECT_TRUE(ListDeviceInterfaces().empty());
    DeviceHandle handle;
    EXPECT_EQ(handle.Open("dev#0"), wire::kStatusNoSuchDevice);
    std::uint64_t bytes = 7;
    EXPECT_EQ(handle.Control(1, nullptr, 0, nullptr, 0, 0, &bytes), wire::kStatusInvalidHandle);
    EXPECT_EQ(bytes, 0u);
    DeviceNotifications notices;
    EXPECT_FALSE(notices.Start([](DeviceEvent, const std::string&) {}));
    notices.Stop();  // must not wait for the retry period
}

TEST(DeviceChannel, ListsOpensAndCarriesRequestsBothWays) {
    test::ScopedChannelNamespace ns{"chtest"};
    FakeHost host;
    EXPECT_EQ(ListDeviceInterfaces(), (std::vector<std::string>{"dev#0", "dev#1"}));

    DeviceHandle handle;
    EXPECT_EQ(handle.Open("dev#9"), wire::kStatusNoSuchDevice);
    EXPECT_FALSE(handle.IsOpen());
    ASSERT_EQ(handle.Open("dev#0"), 0u);
    EXPECT_EQ(host.lastPeer, getpid());

    const std::uint8_t in[3] = {0xA1, 0xB2, 0xC3};
    std::uint8_t out[32];
    std::memset(out, 0xEE, sizeof out);
    std::uint64_t bytes = 0;
    ASSERT_EQ(handle.Control(0x223FE8, in, 3, out, 22, 0x1122334455ull, &bytes), 0x1234u);
    EXPECT_EQ(bytes, 0x1122334456ull);
    std::uint32_t fields[5];
    std::memcpy(fields, out, sizeof fields);
    EXPECT_EQ(fields[0], 0x223FE8u);  // code
    EXPECT_EQ(fields[1], 3u);         // input length
    EXPECT_EQ(fields[2], 22u);        // output length
    EXPECT_EQ(out[20], 0xA1);
    EXPECT_EQ(out[21], 0xB2);
    EXPECT_EQ(out[22], 0xEE) << "no more than the output length is copied";

    // A descriptor travels with the request and another comes back with the answer.
    const int event = eventfd(0, EFD_CLOEXEC);
    int ring = -1;
    ASSERT_EQ(handle.Control(0x223400, nullptr, 0, nullptr, 0, 0, &bytes, event, &ring), 0x1234u);
    std::uint64_t signalled = 0;
    EXPECT_EQ(read(event, &signalled, sizeof signalled), 8);
    EXPECT_EQ(signalled, 1u);
    ASSERT_GE(ring, 0);
    auto* page = static_cast<std::uint8_t*>(mmap(nullptr, 4096, PROT_READ, MAP_SHARED, ring, 0));
    ASSERT_NE(page, MAP_FAILED);
    EXPECT_EQ(page[0], 0x5A);
    munmap(page, 4096);
    close(ring);
    close(event);
}

TEST(DeviceChannel, CancelReachesHostAndCloseReleasesBlockedRequest) {
    test::ScopedChannelNamespace ns{"chtest"};
    FakeHost host;
    DeviceHandle handle;
    ASSERT_EQ(handle.Open("dev#0"), 0u);
    auto blocked = std::async(std::launch::async, [&] {
        std::uint64_t bytes = 0;
        return handle.Control(0xB10C, nullptr, 0, nullptr, 0, 0, &bytes);
    });
    while (host.unanswered.load() == 0) std::this_thread::yield();
    handle.CancelIo();  // must get through while the request blocks the handle
    while (host.cancels.load() == 0) std::this_thread::yield();
    handle.Close();
    EXPECT_EQ(blocked.get(), wire::kStatusNotConnected);
    EXPECT_FALSE(handle.IsOpen());
}

TEST(DeviceChannel, SubscribersHearArrivalAndRemovalInOrder) {
    test::ScopedChannelNamespace ns{"chtest"};
    FakeHost host;
    auto subscribed = host.SubscriberArrived();
    std::mutex mutex;
    std::vector<std::pair<DeviceEvent, std::string>> heard;
    std::promise<void> twoHeard;
    DeviceNotifications notices;
    ASSERT_TRUE(notices.Start([&](DeviceEvent event, const std::string& path) {
        std::lock_guard lock(mutex);
        heard.emplace_back(event, path);
        if (heard.size() == 2) twoHeard.set_value();
    }));
    subscribed.wait();
    host.Notify(wire::NoticeEvent::Arrived, "dev#1");
    host.Notify(wire::NoticeEvent::Removed, "dev#0");
    twoHeard.get_future().wait();
    notices.Stop();
    std::lock_guard lock(mutex);
    EXPECT_EQ(heard, (std::vector<std::pair<DeviceEvent, std::string>>{
                         {DeviceEvent::Arrived, "dev#1"}, {DeviceEvent::Removed, "dev#0"}}));
}

TEST(DeviceChannel, NoticesFindAHostThatStartsLaterAndHearWhatIsPresent) {
    test::ScopedChannelNamespace ns{"chtest"};
    std::promise<std::pair<DeviceEvent, std::string>> first;
    bool told = false;
    DeviceNotifications notices;
    ASSERT_FALSE(notices.Start(
        [&](DeviceEvent event, const std::string& path) {
            if (!told) first.set_value({event, path});
            told = true;
        },
        std::chrono::milliseconds(5)));
    // The fake host answers a replaying subscription with nothing; the notice it sends after the
    // subscription arrives stands for a present device.
    FakeHost host;
    host.SubscriberArrived().wait();
    host.Notify(wire::NoticeEvent::Arrived, "dev#0");
    EXPECT_EQ(first.get_future().get(), std::make_pair(DeviceEvent::Arrived, std::string("dev#0")));
    notices.Stop();
}

// Sets the request time-out for one test and puts the old one back.
class ShortTimeout {
public:
    explicit ShortTimeout(std::chrono::milliseconds timeout) : old_(RequestTimeout()) {
        SetRequestTimeout(timeout);
    }
    ~ShortTimeout() { SetRequestTimeout(old_); }

private:
    std::chrono::milliseconds old_;
};

TEST(DeviceChannel, AHostThatStopsAnsweringCostsOneTimeOutAndTheLateAnswerHeals) {
    test::ScopedChannelNamespace ns{"chtest"};
    FakeHost host;
    const ShortTimeout timeout(std::chrono::milliseconds(300));
    DeviceHandle handle;
    ASSERT_EQ(handle.Open("dev#0"), 0u);
    std::uint64_t bytes = 0;

    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(handle.Control(0x1A7E, nullptr, 0, nullptr, 0, 0, &bytes), kStatusRequestTimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
    // Until the host answers the stalled request, later ones fail at once instead of each
    // waiting out its own time-out.
    started = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(handle.Control(0x223FE8, nullptr, 0, nullptr, 0, 0, &bytes), kStatusRequestTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300)) << "less than one time-out for all five";

    host.lateAnswer.set_value();
    auto healed = [&] { return handle.Control(0x223FE8, nullptr, 0, nullptr, 0, 41, &bytes); };
    std::uint32_t status = kStatusRequestTimedOut;
    lxq_test::Eventually([&] { return (status = healed()) != kStatusRequestTimedOut; });
    EXPECT_EQ(status, 0x1234u) << "the late answer is taken, not mistaken for the new one";
    EXPECT_EQ(bytes, 42u);
}

TEST(DeviceChannel, ATimeOutShortenedAfterAnAnsweredRequestHoldsForTheNextOne) {
    test::ScopedChannelNamespace ns{"chtest"};
    FakeHost host;
    DeviceHandle handle;
    ASSERT_EQ(handle.Open("dev#0"), 0u);
    std::uint64_t bytes = 0;
    // The handle waits in its receive, with the time-out it had then set on the socket.
    ASSERT_EQ(handle.Control(0x223FE8, nullptr, 0, nullptr, 0, 0, &bytes), 0x1234u);
    const ShortTimeout timeout(std::chrono::milliseconds(200));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(handle.Control(0xB10C, nullptr, 0, nullptr, 0, 0, &bytes), kStatusRequestTimedOut);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_LT(waited, std::chrono::seconds(3)) << "the time-out of the earlier request held instead";
}

TEST(DeviceChannel, OpenAndListGiveUpOnAHostThatAcceptsButNeverAnswers) {
    test::ScopedChannelNamespace ns{"chtest"};
    ChannelListener silent;  // takes connections into its backlog and reads nothing
    ASSERT_TRUE(silent.Listen());
    const ShortTimeout timeout(std::chrono::milliseconds(100));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(ListDeviceInterfaces().empty());
    DeviceHandle handle;
    EXPECT_EQ(handle.Open("dev#0"), wire::kStatusNoSuchDevice);
    EXPECT_FALSE(handle.IsOpen());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(DeviceChannel, AHostThatGoesAwayTakesItsDevicesAndSleepAndWakeComeThrough) {
    test::ScopedChannelNamespace ns{"chtest"};
    auto host = std::make_unique<FakeHost>();
    auto subscribed = host->SubscriberArrived();
    std::mutex mutex;
    std::vector<std::pair<DeviceEvent, std::string>> heard;
    std::condition_variable changed;
    DeviceNotifications notices;
    ASSERT_TRUE(notices.Start(
        [&](DeviceEvent event, const std::string& path) {
            std::lock_guard lock(mutex);
            heard.emplace_back(event, path);
            changed.notify_all();
        },
        std::chrono::hours(1)));
    subscribed.wait();
    host->Notify(wire::NoticeEvent::SystemSleep, "");
    host->Notify(wire::NoticeEvent::SystemWake, "");
    host->Notify(wire::NoticeEvent::Arrived, "dev#2");
    host.reset();  // both present devices and the one that arrived are gone with it
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return heard.size() == 6; }));
    EXPECT_EQ(heard, (std::vector<std::pair<DeviceEvent, std::string>>{
                         {DeviceEvent::SystemSleep, ""},
                         {DeviceEvent::SystemWake, ""},
                         {DeviceEvent::Arrived, "dev#2"},
                         {DeviceEvent::Removed, "dev#0"},
                         {DeviceEvent::Removed, "dev#1"},
                         {DeviceEvent::Removed, "dev#2"}}));
    lock.unlock();
    notices.Stop();
}

} // namespace
} // namespace plat::sys
