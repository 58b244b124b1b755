// Processes that load the library while the driver host has a receiver that no longer answers:
// each wait on the host ends with a time-out, and no process waits on the host while it holds
// the shared table, so the others load and list meanwhile.

#include "platform/sys/DeviceChannel.h"
#include "tests/api/PeerProcess.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/support/Eventually.h"

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>

namespace lxq::api::testing {
namespace {

namespace sys = plat::sys;
namespace wire = plat::sys::wire;

// A host with one receiver that opens but never answers a request, as a receiver did after a
// suspend and resume.
class HungHost {
public:
    HungHost() {
        EXPECT_TRUE(listener_.Listen());
        acceptor_ = std::thread([this] {
            for (;;) {
                pid_t peer = 0;
                sys::ChannelSocket socket = listener_.Accept(&peer);
                if (!socket.Valid()) return;
                std::lock_guard lock(mutex_);
                live_.push_back(std::make_unique<sys::ChannelSocket>(std::move(socket)));
                sys::ChannelSocket* s = live_.back().get();
                workers_.emplace_back([this, s, peer] { Serve(*s, peer); });
            }
        });
    }
    ~HungHost() {
        listener_.Shutdown();
        acceptor_.join();
        {
            std::lock_guard lock(mutex_);
            for (auto& s : live_) s->Shutdown();
        }
        for (auto& t : workers_) t.join();
    }
    std::atomic<int> unanswered{0};
    std::atomic<pid_t> asker{0};  // the process that sent the latest request left unanswered

private:
    void Serve(sys::ChannelSocket& s, pid_t peer) {
        std::vector<std::uint8_t> buffer;
        while (s.Receive(buffer) >= static_cast<long>(sizeof(wire::WireHeader))) {
            wire::WireHeader header{};
            std::memcpy(&header, buffer.data(), sizeof header);
            const auto kind = static_cast<wire::Kind>(header.kind);
            if (kind == wire::Kind::Control) {
                asker = peer;
                ++unanswered;
                continue;
            }
            // A list is answered with one receiver's path after the head.
            static constexpr char path[] = "lxq745#hung";
            const std::size_t tail = kind == wire::Kind::List ? sizeof path : 0;
            std::vector<std::uint8_t> answer(sizeof(wire::AnswerMessage) + tail);
            const wire::AnswerMessage head{{static_cast<std::uint32_t>(wire::Kind::Answer), header.id}, 0, 0, 0};
            std::memcpy(answer.data(), &head, sizeof head);
            std::memcpy(answer.data() + sizeof head, path, tail);
            s.Send(answer.data(), answer.size());
        }
    }

    sys::ChannelListener listener_;
    std::thread acceptor_;
    std::mutex mutex_;
    std::list<std::unique_ptr<sys::ChannelSocket>> live_;
    std::list<std::thread> workers_;
};

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
    ~ScopedEnvironment() { unsetenv(name_); }

private:
    const char* name_;
};

TEST(HungHost, AProbeOfAHungReceiverEndsAndHoldsUpNoOtherProcess) {
    sys::test::ScopedChannelNamespace ns{"hung"};
    HungHost host;
    const ScopedEnvironment timeout("LXQ745_REQUEST_TIMEOUT_MS", "2000");
    // The first process builds the table and probes the receiver, which never answers.
    auto first = std::async(std::launch::async, [] { return std::make_unique<Peer>(); });
    ASSERT_TRUE(lxq_test::Eventually([&] { return host.unanswered.load() != 0; }))
        << "the first process never asked the receiver";

    // The first process is held still in the middle of its probe, so that however long the second
    // takes to start on a busy machine, it lists and opens while the probe goes on; what the first
    // holds meanwhile, the second must get by without.
    const pid_t probing = host.asker.load();
    ASSERT_GT(probing, 0);
    ::kill(probing, SIGSTOP);
    struct Resume {
        pid_t pid;
        ~Resume() { ::kill(pid, SIGCONT); }
    } resume{probing};
    auto meanwhile = std::async(std::launch::async, [] {
        auto second = std::make_unique<Peer>();
        const long long listed = second->Ask("list");
        const long long opened = second->Ask("open -");
        return std::make_tuple(std::move(second), listed, opened);
    });
    const bool gotBy = meanwhile.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    ::kill(probing, SIGCONT);
    ASSERT_TRUE(gotBy) << "the second process waited for the first, which waits on the host";
    auto [second, listed, opened] = meanwhile.get();
    EXPECT_EQ(listed, 0) << "the receiver being probed is not offered";
    EXPECT_EQ(opened, 2) << "a demonstration receiver opens meanwhile";

    const std::unique_ptr<Peer> prober = first.get(); // ready once the probe has given up
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(prober->Ask("opendev 0"), 0) << "a receiver that does not answer is not opened";
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(5));
    EXPECT_EQ(second->Ask("list"), 1) << "nor is it held by anyone afterwards";
}

} // namespace
} // namespace lxq::api::testing
