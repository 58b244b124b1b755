// The driver host against what clients can do to it, through the real socket: records that are
// empty, short, too long or of a method without a buffer; callers of another user; more
// connections than it serves; running out of descriptors; clients that never read; power events
// on every variant. Each ends with the host still answering.

#include "driver/host/BuiltInKinds.h"
#include "driver/host/BusControlClient.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/RepeatedLog.h"
#include "platform/sys/DeviceChannel.h"

#include "tests/driver/host/ChildHost.h"
#include "tests/support/Eventually.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/StrangerProcess.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

namespace lxq::host {
namespace {

namespace wire = plat::sys::wire;
using test::ChildHost;
using test::RunToEnd;

constexpr int kAnswerWaitMs = 5000;

// A client that speaks the wire records itself.
class RawClient {
public:
    RawClient() : socket_(plat::sys::ChannelSocket::Connect()) {}
    bool Connected() const { return socket_.Valid(); }
    int Fd() const { return socket_.Fd(); }

    bool SendBytes(const std::vector<std::uint8_t>& record) { return socket_.Send(record.data(), record.size()); }
    bool SendHeader(wire::Kind kind, std::uint32_t id, const std::string& tail = "") {
        const wire::WireHeader header{static_cast<std::uint32_t>(kind), id};
        std::vector<std::uint8_t> record(sizeof header + tail.size());
        std::memcpy(record.data(), &header, sizeof header);
        std::memcpy(record.data() + sizeof header, tail.data(), tail.size());
        return SendBytes(record);
    }
    bool SendControl(std::uint32_t id, std::uint32_t code, const std::vector<std::uint8_t>& in, std::uint32_t outLength) {
        wire::ControlMessage message{};
        message.header = {static_cast<std::uint32_t>(wire::Kind::Control), id};
        message.code = code;
        message.inLength = static_cast<std::uint32_t>(in.size());
        message.outLength = outLength;
        const auto* head = reinterpret_cast<const std::uint8_t*>(&message);
        std::vector<std::uint8_t> record(head, head + sizeof message);
        record.insert(record.end(), in.begin(), in.end());
        return SendBytes(record);
    }
    // The next record, waiting at most kAnswerWaitMs; empty when none came (or the host hung up).
    std::vector<std::uint8_t> Next(int waitMs = kAnswerWaitMs) {
        std::vector<std::uint8_t> record;
        pollfd ready{socket_.Fd(), POLLIN, 0};
        if (::poll(&ready, 1, waitMs) != 1) return record;
        if (socket_.Receive(record) <= 0) record.clear();
        return record;
    }
    // The status of the next answer, or ~0u when no answer came.
    std::uint32_t AnswerStatus(std::uint32_t id, std::uint64_t* count = nullptr) {
        const auto record = Next();
        if (record.size() < sizeof(wire::AnswerMessage)) return ~0u;
        wire::AnswerMessage answer{};
        std::memcpy(&answer, record.data(), sizeof answer);
        EXPECT_EQ(answer.header.id, id);
        if (count != nullptr) *count = answer.byteCount;
        return answer.status;
    }
    // True when the host ended the connection (after what was queued for it).
    bool HungUp() {
        for (;;) {
            pollfd ready{socket_.Fd(), POLLIN, 0};
            if (::poll(&ready, 1, kAnswerWaitMs) != 1) return false;
            std::vector<std::uint8_t> record;
            if (socket_.Receive(record) <= 0) return true;
        }
    }
    void Close() { socket_.Close(); }

private:
    plat::sys::ChannelSocket socket_;
};

std::string Command(const std::string& line) {
    std::string reply;
    EXPECT_TRUE(IsSuccess(BusControlClient::Send(line, reply))) << line << ": " << reply;
    return reply;
}

void WaitUntilHeld(int count) {
    const std::string wanted = "held=" + std::to_string(count);
    std::string reply;
    while (BusControlClient::Send("list", reply), reply.find(wanted) == std::string::npos) std::this_thread::yield();
}

// ---- Records that are not what they should be ---------------------------------------------------

TEST(HostDefence, MalformedRecordsAndMethodlessInputAreAnsweredAndTheHostServesOn) {
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    plat::sys::test::SharedTemporaryFolder shared;
    ChildHost host("test:rx");
    const std::string path = plat::sys::ListDeviceInterfaces().at(0);
    // Nobody else can enter the user's runtime folder, where the host listens: the host's own
    // check is reached only through a way in that root made. Here: a link to the host's socket
    // in the stranger's own runtime folder, and the socket open to everyone.
    const std::string strangers = shared.Path() + "/lxq745-65534";
    const std::string wayIn = strangers + "/" + plat::sys::DeviceChannelName();
    ASSERT_EQ(mkdir(strangers.c_str(), 0700), 0);
    ASSERT_EQ(chown(strangers.c_str(), 65534, 65534), 0);
    ASSERT_EQ(link(plat::sys::DeviceChannelAddress().c_str(), wayIn.c_str()), 0) << std::strerror(errno);
    ASSERT_EQ(chmod(wayIn.c_str(), 0666), 0);

    RawClient fresh;
    ASSERT_TRUE(fresh.Connected());
    EXPECT_TRUE(fresh.SendBytes({}));              // empty: nothing to answer, nothing dropped
    EXPECT_TRUE(fresh.SendBytes({1, 0, 0, 0}));    // shorter than a header
    EXPECT_TRUE(fresh.SendHeader(static_cast<wire::Kind>(99), 7));
    EXPECT_EQ(fresh.AnswerStatus(7), wire::kStatusInvalidParameter);
    EXPECT_TRUE(fresh.SendHeader(wire::Kind::BusCommand, 8, std::string(70'000, 'x')));  // beyond 64 KiB
    EXPECT_EQ(fresh.AnswerStatus(8), wire::kStatusInvalidParameter);
    EXPECT_TRUE(fresh.SendHeader(wire::Kind::List, 9));
    EXPECT_EQ(fresh.AnswerStatus(9), wire::kStatusSuccess) << "the connection survived all of it";

    RawClient handle;
    ASSERT_TRUE(handle.SendHeader(wire::Kind::Open, 1, path));
    ASSERT_EQ(handle.AnswerStatus(1), 0u);
    // Every code of a method without a system buffer, carrying input that has nowhere to go.
    std::uint32_t id = 100;
    const std::vector<std::uint8_t> junk(36, 0xA5);
    for (std::uint32_t function = 0xD00; function < 0x1000; ++function) {
        const std::uint32_t code = DeviceControlCode(function, kMethodNeither);
        if (code == IOCTL_LXQ745_SET_SYNTH_WORD1 || code == IOCTL_LXQ745_SET_SYNTH_WORD3) continue;  // 200 ms each
        ASSERT_TRUE(handle.SendControl(++id, code, junk, 36));
        ASSERT_NE(handle.AnswerStatus(id), ~0u) << std::hex << code;
    }
    // A control record cut short of its own fields, and one whose input is not the length it says.
    std::vector<std::uint8_t> cut(20, 0);
    const wire::WireHeader header{static_cast<std::uint32_t>(wire::Kind::Control), 5000};
    std::memcpy(cut.data(), &header, sizeof header);
    ASSERT_TRUE(handle.SendBytes(cut));
    EXPECT_EQ(handle.AnswerStatus(5000), wire::kStatusInvalidParameter);
    std::uint64_t version = 0;
    ASSERT_TRUE(handle.SendControl(5001, IOCTL_LXQ745_GET_VERSION, {}, 0));
    EXPECT_EQ(handle.AnswerStatus(5001, &version), 0u);
    EXPECT_EQ(version, 9u);
    EXPECT_EQ(plat::sys::ListDeviceInterfaces(), std::vector<std::string>{path});
}

// ---- Who may come in ---------------------------------------------------------------------------

TEST(HostDefence, CallersOfAnotherUserAreRefusedAtConnect) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run a client as another user (setpriv)";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no setpriv";
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    plat::sys::test::SharedTemporaryFolder shared;
    ChildHost host("test:rx");
    const std::string path = plat::sys::ListDeviceInterfaces().at(0);
    // Nobody else can enter the user's runtime folder, where the host listens: the host's own
    // check is reached only through a way in that root made. Here: a link to the host's socket
    // in the stranger's own runtime folder, and the socket open to everyone.
    const std::string strangers = shared.Path() + "/lxq745-65534";
    const std::string wayIn = strangers + "/" + plat::sys::DeviceChannelName();
    ASSERT_EQ(mkdir(strangers.c_str(), 0700), 0);
    ASSERT_EQ(chown(strangers.c_str(), 65534, 65534), 0);
    ASSERT_EQ(link(plat::sys::DeviceChannelAddress().c_str(), wayIn.c_str()), 0) << std::strerror(errno);
    ASSERT_EQ(chmod(wayIn.c_str(), 0666), 0);
    const std::vector<std::string> asNobody = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    auto run = [&](std::vector<std::string> tail) {
        std::vector<std::string> args = asNobody;
        tail[0] = test::ProgramFolder() + "/" + tail[0];
        args.insert(args.end(), tail.begin(), tail.end());
        return RunToEnd(args);
    };
    const auto probe = run({"lxq745ctl", "list"});
    if (probe.err.find("ermission denied") != std::string::npos || probe.status == 126 || probe.status == 127)
        GTEST_SKIP() << "the build cannot be run as nobody here: " << probe.err;

    for (const char* verb : {"unplug rx", "suspend rx", "plug serial tty"}) {
        std::vector<std::string> words = {"lxq745ctl"};
        std::istringstream in(verb);
        for (std::string word; in >> word;) words.push_back(word);
        const auto ran = run(words);
        EXPECT_EQ(ran.status, 1) << verb;
        EXPECT_NE(ran.err.find("admits only its own user and root"), std::string::npos) << verb << ": " << ran.err;
    }
    const auto opened = run({"lxq745_open_probe", path});
    EXPECT_NE(opened.out.substr(0, 8), "00000000") << "a stranger opens nothing";

    plat::sys::DeviceHandle mine;
    EXPECT_EQ(mine.Open(path), 0u) << "the receiver is still there, free and started";
    EXPECT_NE(Command("list").find("rx started open=1"), std::string::npos);
    mine.Close();
    ASSERT_TRUE(host.Stop());
    EXPECT_NE(host.Log().find("refused a connection from uid 65534"), std::string::npos) << host.Log();
}

class DefenceHost : public ::testing::Test {
protected:
    DefenceHost() { RegisterBuiltInKinds(kinds); }
    ~DefenceHost() override {
        server.Stop();
        bus.RemoveAll();
    }

    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    DeviceKinds kinds;
    Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    ChannelServer server{bus};
};

TEST_F(DefenceHost, ConnectionsBeyondTheCapAreRefusedClearlyAndServedOnceThereIsRoom) {
    server.SetConnectionLimit(8);
    ASSERT_TRUE(server.Start());
    std::vector<RawClient> idle(8);
    while (server.ConnectionCount() < 8) std::this_thread::yield();
    std::string reply;
    EXPECT_EQ(BusControlClient::Send("list", reply), kStatusInsufficientResources);
    EXPECT_EQ(reply, "the driver host has too many connections open");
    idle.pop_back();
    NtStatus status;
    while ((status = BusControlClient::Send("list", reply)) == kStatusInsufficientResources) std::this_thread::yield();
    EXPECT_EQ(status, kStatusSuccess) << reply;
}

TEST_F(DefenceHost, IdleConnectionsHoldNoThread) {
    ASSERT_TRUE(server.Start());
    auto threads = [] {
        std::size_t count = 0;
        for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
        return count;
    };
    const std::size_t before = threads();
    std::vector<RawClient> idle(200);
    while (server.ConnectionCount() < 200) std::this_thread::yield();
    EXPECT_EQ(threads(), before);
    EXPECT_EQ(Command("list"), "");
}

// Clients that each drive a receiver of their own at full speed are served by loops of their own
// at once, each request on the loop that read it and each client's answers in order; when the
// clients have gone, the spare loops end and one loop is left for the idle connections.
TEST_F(DefenceHost, BusyClientsAreServedInParallelAndSpareLoopsEndWhenIdle) {
    ASSERT_TRUE(server.Start());
    constexpr int kClients = 8;
    std::vector<std::string> paths;
    for (int c = 0; c < kClients; ++c) {
        std::string path;
        ASSERT_TRUE(IsSuccess(bus.Plug("test", "rx" + std::to_string(c), path))) << path;
        paths.push_back(path);
    }
    std::atomic<std::size_t> mostLoops{0};
    std::vector<std::thread> clients;
    std::atomic<int> wrong{0};
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            plat::sys::DeviceHandle handle;
            if (handle.Open(paths[static_cast<std::size_t>(c)]) != 0) {
                ++wrong;
                return;
            }
            std::uint64_t bytes = 0;
            std::uint32_t words[3] = {0, kRefSourceInternal, kRefClockKeepHz};
            handle.Control(IOCTL_LXQ745_SET_REF_CLOCK, words, 12, words, 12, 0, &bytes);
            std::uint32_t on = 1;
            handle.Control(IOCTL_LXQ745_SET_POWER, &on, 4, &on, 4, 0, &bytes);
            for (std::uint32_t i = 0; i < 300; ++i) {
                const std::uint32_t hz = 145'000'000 + (static_cast<std::uint32_t>(c) * 1000 + i) * 10;
                FreqRequest request{hz, 0, kFreqWaitPush};
                if (handle.Control(IOCTL_LXQ745_SET_FREQUENCY, &request, 12, &request, 12, 0, &bytes) != 0) ++wrong;
                if (handle.Control(IOCTL_LXQ745_GET_FREQUENCY, nullptr, 0, nullptr, 0, 0, &bytes) != 0 || bytes != hz)
                    ++wrong;
                mostLoops = std::max(mostLoops.load(), server.LoopCount());
            }
        });
    }
    for (auto& client : clients) client.join();
    EXPECT_EQ(wrong.load(), 0) << "every answer is its own request's, in order";
    EXPECT_GT(mostLoops.load(), 1u) << "busy clients get loops of their own";
    EXPECT_TRUE(lxq_test::Eventually([&] { return server.LoopCount() == 1; })) << "spare loops end when idle";
}

// A receiver that notes which thread served each request.
class ThreadNotingDriver final : public ReceiverDriver {
public:
    struct Served {
        std::mutex mutex;
        std::vector<std::thread::id> threads;
    };
    explicit ThreadNotingDriver(Served& served) : served_(served) {}
    Variant DeviceVariant() const override { return Variant::Usb; }
    NtStatus FirstOpen() override { return kStatusSuccess; }
    void LastClose() override {}
    NtStatus HandleDeviceControl(IoRequest&) override {
        std::lock_guard lock(served_.mutex);
        served_.threads.push_back(std::this_thread::get_id());
        return kStatusSuccess;
    }
    NtStatus StartHardware() override { return kStatusSuccess; }
    void StopHardware() override {}

private:
    Served& served_;
};

// Clients that pause between bursts of requests (panels polling a few times a second) find the
// loops that served their last bursts still waiting for them: each client's requests run on one
// loop throughout, as on a thread of its own, however they and the other loops wake. (A client
// that has asked only a few times, such as a program's probe, is given no such wait.)
TEST_F(DefenceHost, ClientsPausingBetweenBurstsKeepTheirLoopsThroughout) {
    constexpr int kClients = 4;
    std::vector<std::unique_ptr<ThreadNotingDriver::Served>> served;
    for (int c = 0; c < kClients; ++c) served.push_back(std::make_unique<ThreadNotingDriver::Served>());
    kinds.Register("noting", [&served](const std::string& busId, std::string&) {
        return std::make_unique<ThreadNotingDriver>(*served.at(static_cast<std::size_t>(busId.back() - '0')));
    });
    ASSERT_TRUE(server.Start());
    std::vector<std::string> paths(kClients);
    for (int c = 0; c < kClients; ++c)
        ASSERT_TRUE(IsSuccess(bus.Plug("noting", "rx" + std::to_string(c), paths[static_cast<std::size_t>(c)])));
    std::vector<RawClient> clients(kClients);
    for (int c = 0; c < kClients; ++c) {
        ASSERT_TRUE(clients[static_cast<std::size_t>(c)].SendHeader(wire::Kind::Open, 1, paths[static_cast<std::size_t>(c)]));
        ASSERT_EQ(clients[static_cast<std::size_t>(c)].AnswerStatus(1), 0u);
    }
    constexpr int kBursts = 5, kPerBurst = 70;  // more than a probe's few
    std::uint32_t id = 1;
    for (int burst = 0; burst < kBursts; ++burst) {
        // All at once after each pause: every request is sent before any answer is read.
        for (int k = 0; k < kPerBurst; ++k) {
            ++id;
            for (auto& client : clients) ASSERT_TRUE(client.SendControl(id, IOCTL_LXQ745_GET_VERSION, {}, 0));
            for (auto& client : clients) ASSERT_EQ(client.AnswerStatus(id), 0u);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (int c = 0; c < kClients; ++c) {
        ThreadNotingDriver::Served& mine = *served[static_cast<std::size_t>(c)];
        std::lock_guard lock(mine.mutex);
        ASSERT_EQ(mine.threads.size(), static_cast<std::size_t>(kBursts * kPerBurst));
        // From the end of the first burst on, when the client has asked often enough to be waited for.
        const std::size_t first = kPerBurst - 1;
        for (std::size_t k = first + 1; k < mine.threads.size(); ++k)
            ASSERT_EQ(mine.threads[k], mine.threads[first]) << "client " << c << ", request " << k;
    }
}

// A client that keeps asking, a little at a time, holds the only loop for as long as it goes on
// (the loop waits for its next request): a program that connects meanwhile (a power command, a
// panel opening its receiver) is still taken at once by a loop kept waiting for newcomers, even
// after every spare loop has had time to end for want of work.
TEST_F(DefenceHost, ANewcomerIsServedAtOnceWhileASteadyClientHoldsALoop) {
    ASSERT_TRUE(server.Start());
    std::string path;
    ASSERT_TRUE(IsSuccess(bus.Plug("test", "rx0", path))) << path;
    RawClient steady;
    ASSERT_TRUE(steady.SendHeader(wire::Kind::Open, 1, path));
    ASSERT_EQ(steady.AnswerStatus(1), 0u);
    std::uint32_t id = 1;
    auto ask = [&] {
        ++id;
        ASSERT_TRUE(steady.SendControl(id, IOCTL_LXQ745_GET_VERSION, {}, 0));
        ASSERT_EQ(steady.AnswerStatus(id), 0u);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    // Past the life of an idle spare loop.
    const auto idleLoopsEnded = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < idleLoopsEnded) ASSERT_NO_FATAL_FAILURE(ask());
    auto newcomer = std::async(std::launch::async, [] { return Command("list"); });
    // The steady client's own requests measure the wait: its loop gives it up for good only
    // after thousands of them, a waiting loop takes the newcomer within a few.
    constexpr int kFewHundred = 300;
    int askedMeanwhile = 0;
    while (newcomer.wait_for(std::chrono::seconds(0)) != std::future_status::ready && askedMeanwhile < kFewHundred) {
        ASSERT_NO_FATAL_FAILURE(ask());
        ++askedMeanwhile;
    }
    EXPECT_LT(askedMeanwhile, kFewHundred) << "the newcomer waited for the steady client's turn to end";
    EXPECT_NE(newcomer.get().find("rx0"), std::string::npos);
}

// A client that asked often, then pauses as a panel does between its polls, keeps its loop for
// the linger; the loop sleeps meanwhile instead of waking in steps to look, and the client's next
// request is served at once. The host's threads are this process's here: all of them together
// barely switch while the client is quiet (a loop waking every 2 ms would switch 50 times).
TEST_F(DefenceHost, ALoopLingeringWithAQuietClientSleepsUntilItAsks) {
    ASSERT_TRUE(server.Start());
    std::string path;
    ASSERT_TRUE(IsSuccess(bus.Plug("test", "rx", path))) << path;
    RawClient client;
    ASSERT_TRUE(client.SendHeader(wire::Kind::Open, 1, path));
    ASSERT_EQ(client.AnswerStatus(1), 0u);
    std::uint32_t id = 1;
    for (int k = 0; k < 100; ++k) {
        ASSERT_TRUE(client.SendControl(++id, IOCTL_LXQ745_GET_VERSION, {}, 0));
        ASSERT_EQ(client.AnswerStatus(id), 0u);
    }
    auto switches = [] {
        long total = 0;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream status(task.path() / "status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
        }
        return total;
    };
    const long before = switches();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // well within the linger
    const long quiet = switches() - before;
    EXPECT_LT(quiet, 10) << "context switches in 100 ms while the client was quiet";
    ASSERT_TRUE(client.SendControl(++id, IOCTL_LXQ745_GET_VERSION, {}, 0));
    EXPECT_EQ(client.AnswerStatus(id), 0u);
}

// Many clients that each pile up requests on a sleeping receiver: the host holds so many in all
// and refuses each one beyond, whichever connection it comes on; the requests they had answered
// at once before count for nothing, and those held still run when the receiver wakes. The
// clients are all of this process, which stands for many here: its share is the host's budget.
TEST_F(DefenceHost, RequestsHeldAcrossConnectionsAreCappedForTheWholeHost) {
    server.SetOutstandingLimits(ChannelServer::kMaxOutstanding, ChannelServer::kMaxOutstanding);
    ASSERT_TRUE(server.Start());
    std::string path;
    ASSERT_TRUE(IsSuccess(bus.Plug("test", "rx", path))) << path;
    constexpr std::size_t kPerConnection = ChannelServer::kMaxOutstandingPerConnection;
    constexpr std::size_t kFilling = ChannelServer::kMaxOutstanding / kPerConnection;
    std::vector<RawClient> clients(kFilling + 1);
    for (auto& client : clients) {
        ASSERT_TRUE(client.SendHeader(wire::Kind::Open, 1, path));
        ASSERT_EQ(client.AnswerStatus(1), 0u);
        for (std::uint32_t id = 2; id < 2 + 2 * kPerConnection; ++id) {
            ASSERT_TRUE(client.SendControl(id, IOCTL_LXQ745_GET_VERSION, {}, 0));
            ASSERT_EQ(client.AnswerStatus(id), 0u);
        }
    }
    Command("suspend rx");
    constexpr std::uint32_t kFirstHeld = 100;
    for (std::size_t c = 0; c < kFilling; ++c) {
        for (std::uint32_t k = 0; k < kPerConnection; ++k)
            ASSERT_TRUE(clients[c].SendControl(kFirstHeld + k, IOCTL_LXQ745_GET_FREQUENCY, {}, 0));
        WaitUntilHeld(static_cast<int>((c + 1) * kPerConnection));
    }
    RawClient& beyond = clients.back();
    for (std::uint32_t k = 0; k < kPerConnection; ++k)
        ASSERT_TRUE(beyond.SendControl(kFirstHeld + k, IOCTL_LXQ745_GET_FREQUENCY, {}, 0));
    for (std::uint32_t k = 0; k < kPerConnection; ++k)
        EXPECT_EQ(beyond.AnswerStatus(kFirstHeld + k), wire::kStatusTooManyRequests) << "request " << k;
    Command("resume rx");
    for (std::size_t c = 0; c < kFilling; ++c)
        for (std::uint32_t k = 0; k < kPerConnection; ++k)
            ASSERT_EQ(clients[c].AnswerStatus(kFirstHeld + k), 0u) << "client " << c << ", held request " << k;
}

// A script starts the host in the background, where SIGINT is ignored: the Ctrl-C meant for the
// program in front of it must leave the host serving until the script ends it.
TEST(HostDefence, AHostStartedWithSigintIgnoredOutlivesCtrlC) {
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    const std::string daemon = test::ProgramFolder() + "/lxq745d";
    ChildHost host({"/bin/sh", "-c", "trap '' INT && exec " + daemon + " --device test:rx"});
    kill(host.Pid(), SIGINT);
    // A host that took the signal has ended within half a second (it ends in a few milliseconds).
    const auto ended = [&] {
        std::ifstream stat("/proc/" + std::to_string(host.Pid()) + "/stat");
        std::string pid, name, state;
        stat >> pid >> name >> state;
        return !stat || state == "Z";
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (!ended() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
    EXPECT_FALSE(ended());
    EXPECT_EQ(Command("list").find("0 rx started"), 0u);
    ASSERT_TRUE(host.Stop()) << "SIGTERM still ends it cleanly";
}

// ---- Running out ---------------------------------------------------------------------------------

// The host's CPU time so far, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
}

TEST(HostDefence, OutOfDescriptorsTheHostWaitsAndServesAgain) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizers' runtime probes memory and symbolises through descriptors of its own; in a
    // host that has none left it reports faults that are not there (an "invalid vptr" on every
    // virtual call it checks) and cannot say where.
    GTEST_SKIP() << "a sanitizer's runtime cannot work in a process without descriptors";
#endif
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    const std::string daemon = test::ProgramFolder() + "/lxq745d";
    ChildHost host({"/bin/sh", "-c", "ulimit -n 32 && exec " + daemon + " --device test:rx"});
    std::vector<RawClient> hogs(48);  // more than the host can take
    // The sound card's listener waits behind them too: neither it nor the channel spins on a
    // listener it cannot accept from.
    std::vector<plat::sys::ChannelSocket> cardHogs;
    for (int i = 0; i < 16; ++i)
        cardHogs.push_back(plat::sys::ChannelSocket::ConnectTo(plat::sys::DeviceChannelAddress() + ".vsc",
                                                               std::chrono::milliseconds(100)));
    const long ticksBefore = CpuTicks(host.Pid());
    auto listing = std::async(std::launch::async, [] { return plat::sys::ListDeviceInterfaces(); });
    EXPECT_EQ(listing.wait_for(std::chrono::milliseconds(1000)), std::future_status::timeout)
        << "queued behind the hogs while the host has no descriptor for it";
    const long busy = CpuTicks(host.Pid()) - ticksBefore;
    EXPECT_LT(busy * 1000 / sysconf(_SC_CLK_TCK), 150) << "ms of CPU in a second of waiting for descriptors";
    hogs.clear();
    cardHogs.clear();
    ASSERT_EQ(listing.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(listing.get().size(), 1u);
    EXPECT_EQ(Command("list").find("0 rx started"), 0u);
    ASSERT_TRUE(host.Stop());
    const std::string log = host.Log();
    EXPECT_NE(log.find("out of descriptors"), std::string::npos) << log;
    // Ten times a second for a second, but written only a few times.
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = log.find("lxq745d: out of descriptors", at)) != std::string::npos; ++at) ++lines;
    EXPECT_LE(lines, RepeatedLog::kLinesPerWindow) << log;
}

// A subscriber that never reads must not hold up the bus: it is dropped once too much waits for it.
TEST(HostDefence, AClientThatNeverReadsIsDroppedAndStallsNoCommand) {
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    ChildHost host("test:rx");
    RawClient deaf;
    ASSERT_TRUE(deaf.SendHeader(wire::Kind::Subscribe, 1));
    ASSERT_EQ(deaf.AnswerStatus(1), 0u);
    auto noisy = std::async(std::launch::async, [] {
        for (int i = 0; i < 600; ++i) {
            std::string reply;
            if (!IsSuccess(BusControlClient::Send("plug test n", reply)) || !IsSuccess(BusControlClient::Send("unplug n", reply)))
                return false;
        }
        std::string reply;
        return IsSuccess(BusControlClient::Send("wake", reply));
    });
    ASSERT_EQ(noisy.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "a command was stalled";
    EXPECT_TRUE(noisy.get());
    EXPECT_TRUE(deaf.HungUp());
}

// ---- Settings right after opening ---------------------------------------------------------------

// Each open is a fresh process, as a program starting up; every setting is a change, so each one
// really goes to the receiver, and each must be confirmed and read back.
TEST(HostDefence, SettingsAskedRightAfterOpeningASerialReceiverAllTakeEffect) {
    const std::string library = test::ProgramFolder() + "/liblxq745api.so";
    if (access(library.c_str(), R_OK) != 0) GTEST_SKIP() << "no API library";
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    ChildHost host("sim-serial:rx");
    for (int open = 0; open < 20; ++open) {
        const std::string agc = open % 2 == 0 ? "2" : "1", atten = open % 2 == 0 ? "1" : "0";
        const auto ran = RunToEnd({"lxq745_settings_probe", library, agc, atten});
        EXPECT_EQ(ran.out, "1 1 " + agc + " " + atten + "\n") << "open " << open << ": " << ran.err;
    }
}

// ---- Power -------------------------------------------------------------------------------------

TEST(HostDefence, SleepAndWakeAreToldToSubscribersAroundTheDevices) {
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    ChildHost host("test-pci:rx");
    RawClient listener;
    ASSERT_TRUE(listener.SendHeader(wire::Kind::Subscribe, 1));
    ASSERT_EQ(listener.AnswerStatus(1), 0u);
    auto event = [&] {
        const auto record = listener.Next();
        wire::NoticeMessage notice{};
        if (record.size() != sizeof notice) return 0u;  // the notice carries no path
        std::memcpy(&notice, record.data(), sizeof notice);
        return notice.event;
    };
    const auto sleep = static_cast<std::uint32_t>(wire::NoticeEvent::SystemSleep);
    const auto wake = static_cast<std::uint32_t>(wire::NoticeEvent::SystemWake);

    Command("sleep");
    EXPECT_EQ(event(), sleep);
    Command("wake");
    EXPECT_EQ(event(), wake);

    // A client that closes its receiver when told lets the system sleep.
    const std::string path = plat::sys::ListDeviceInterfaces().at(0);
    plat::sys::DeviceHandle handle;
    ASSERT_EQ(handle.Open(path), 0u);
    auto closer = std::async(std::launch::async, [&] {
        const auto told = event();
        handle.Close();
        return told;
    });
    Command("sleep");
    EXPECT_EQ(closer.get(), sleep);
    Command("wake");
    EXPECT_EQ(event(), wake);

    // One that keeps it open: refused after the grace, and since the sleep was announced, the
    // system's staying at work is too.
    ASSERT_EQ(handle.Open(path), 0u);
    std::string reply;
    EXPECT_EQ(BusControlClient::Send("sleep", reply), kStatusDeviceBusy);
    EXPECT_EQ(event(), sleep);
    EXPECT_EQ(event(), wake);
}

// After a suspend and a resume, or a sleep and a wake, requests of every variant are answered.
TEST(HostDefence, EveryVariantAnswersAgainAfterSuspendAndSleep) {
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    ChildHost host({"lxq745d", "--device", "test:usb", "--device", "test-serial:serial", "--device", "test-pci:card"});
    const auto paths = plat::sys::ListDeviceInterfaces();
    ASSERT_EQ(paths.size(), 3u);
    const char* ids[] = {"usb", "serial", "card"};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(ids[i]);
        plat::sys::DeviceHandle handle;
        ASSERT_EQ(handle.Open(paths[i]), 0u);
        auto version = [&] {
            return std::async(std::launch::async, [&] {
                std::uint64_t value = 0;
                handle.Control(IOCTL_LXQ745_GET_VERSION, nullptr, 0, nullptr, 0, 0, &value);
                return value;
            });
        };
        Command(std::string("suspend ") + ids[i]);
        auto held = version();
        WaitUntilHeld(1);
        Command(std::string("resume ") + ids[i]);
        ASSERT_EQ(held.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_EQ(held.get(), 9u);
        auto again = version();
        ASSERT_EQ(again.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "nothing is held after it";
        EXPECT_EQ(again.get(), 9u);
        handle.Close();
        // Closing runs on the host's side; a card then also powers down.
        const std::string closed = std::to_string(i) + " " + ids[i] + (i == 2 ? " powered-down" : " started") + " open=0";
        while (Command("list").find(closed) == std::string::npos) std::this_thread::yield();
        Command("sleep");
        const std::string asleep = Command("list");
        EXPECT_NE(asleep.find(std::to_string(i) + " " + ids[i] + " asleep open=0"), std::string::npos) << asleep;
        Command("wake");
        EXPECT_EQ(Command("list").find(std::string(" ") + ids[i] + " asleep"), std::string::npos) << "awake again";
        ASSERT_EQ(handle.Open(paths[i]), 0u);
        auto awake = version();
        ASSERT_EQ(awake.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_EQ(awake.get(), 9u);
    }
}

} // namespace
} // namespace lxq::host

namespace lxq::host {
namespace {

// Programs started together, each opening the first free receiver through the API library: the
// first to load the library probes every receiver, holding them meanwhile, and the others wait
// for the probe instead of being refused. Three programs started together again and again, then
// sixteen at once for sixteen receivers: every one of them gets a receiver at its first open.
// A client that piles up requests on a sleeping receiver, where they wait: beyond a few, each is
// refused at once instead of held with its buffers, and those held still run when it wakes.
TEST(HostDefence, RequestsHeldForOneConnectionAreCapped) {
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    plat::sys::test::SharedTemporaryFolder shared;
    ChildHost host("test:rx");
    const std::string path = plat::sys::ListDeviceInterfaces().at(0);
    // Nobody else can enter the user's runtime folder, where the host listens: the host's own
    // check is reached only through a way in that root made. Here: a link to the host's socket
    // in the stranger's own runtime folder, and the socket open to everyone.
    const std::string strangers = shared.Path() + "/lxq745-65534";
    const std::string wayIn = strangers + "/" + plat::sys::DeviceChannelName();
    ASSERT_EQ(mkdir(strangers.c_str(), 0700), 0);
    ASSERT_EQ(chown(strangers.c_str(), 65534, 65534), 0);
    ASSERT_EQ(link(plat::sys::DeviceChannelAddress().c_str(), wayIn.c_str()), 0) << std::strerror(errno);
    ASSERT_EQ(chmod(wayIn.c_str(), 0666), 0);
    RawClient client;
    ASSERT_TRUE(client.SendHeader(wire::Kind::Open, 1, path));
    ASSERT_EQ(client.AnswerStatus(1), 0u);
    Command("suspend rx");
    constexpr std::uint32_t kSent = 64;
    for (std::uint32_t id = 2; id < 2 + kSent; ++id)
        ASSERT_TRUE(client.SendControl(id, IOCTL_LXQ745_GET_FREQUENCY, {}, 0));
    const std::size_t held = ChannelServer::kMaxOutstandingPerConnection;
    for (std::uint32_t k = 0; k < kSent - held; ++k)
        EXPECT_EQ(client.AnswerStatus(2 + held + k), wire::kStatusTooManyRequests) << "request " << k + held;
    WaitUntilHeld(static_cast<int>(held));
    Command("resume rx");
    for (std::uint32_t k = 0; k < held; ++k) EXPECT_EQ(client.AnswerStatus(2 + k), 0u) << "held request " << k;
}

// One program opens its receiver on 64 connections and piles up requests on each while the
// receiver is suspended: it holds its share of the host's budget and is refused beyond it with
// the limit's own status, while another program opens the other receiver through the API
// library and is served as if nothing were held.
TEST(HostDefence, AProgramHoldingItsShareLeavesTheOthersServed) {
    const std::string library = test::ProgramFolder() + "/liblxq745api.so";
    if (access(library.c_str(), R_OK) != 0) GTEST_SKIP() << "no API library";
    plat::sys::test::ScopedChannelNamespace ns{"defence"};
    ChildHost host({"lxq745d", "--device", "test:rx", "--device", "sim-serial:healthy"});
    std::string path;
    for (const auto& candidate : plat::sys::ListDeviceInterfaces())
        if (Command("list").find("rx started open=0 held=0 " + candidate) != std::string::npos) path = candidate;
    ASSERT_FALSE(path.empty()) << Command("list");
    constexpr std::size_t kConnections = 64, kPerConnection = ChannelServer::kMaxOutstandingPerConnection;
    constexpr std::size_t kHolding = ChannelServer::kMaxOutstandingPerProcess / kPerConnection;
    std::vector<RawClient> clients(kConnections);
    for (auto& client : clients) {
        ASSERT_TRUE(client.SendHeader(wire::Kind::Open, 1, path));
        ASSERT_EQ(client.AnswerStatus(1), 0u);
    }
    Command("suspend rx");
    constexpr std::uint32_t kFirstHeld = 100;
    for (std::size_t c = 0; c < kConnections; ++c) {
        for (std::uint32_t k = 0; k < kPerConnection; ++k)
            ASSERT_TRUE(clients[c].SendControl(kFirstHeld + k, IOCTL_LXQ745_GET_FREQUENCY, {}, 0));
        if (c < kHolding) {
            WaitUntilHeld(static_cast<int>((c + 1) * kPerConnection));
            continue;
        }
        for (std::uint32_t k = 0; k < kPerConnection; ++k)
            ASSERT_EQ(clients[c].AnswerStatus(kFirstHeld + k), wire::kStatusTooManyRequests)
                << "connection " << c << ", request " << k;
    }
    const auto other = RunToEnd({"lxq745_settings_probe", library, "2", "1"});
    EXPECT_EQ(other.out, "1 1 2 1\n") << other.err;
    EXPECT_EQ(other.err.find("Mismatched"), std::string::npos) << other.err;
    const std::string list = Command("list");
    EXPECT_NE(list.find("rx powered-down open=" + std::to_string(kConnections) +
                        " held=" + std::to_string(kHolding * kPerConnection)),
              std::string::npos)
        << "the share stays held meanwhile: " << list;
    Command("resume rx");
    for (std::size_t c = 0; c < kHolding; ++c)
        for (std::uint32_t k = 0; k < kPerConnection; ++k)
            ASSERT_EQ(clients[c].AnswerStatus(kFirstHeld + k), 0u) << "connection " << c << ", held request " << k;
}

// A host whose whole budget is taken refuses another program's first request too, with the
// limit's status: the API library's open fails without calling the driver one of another release.
TEST_F(DefenceHost, AProgramRefusedForTheHostsLimitIsNotToldOfAMismatchedDriver) {
    const std::string library = test::ProgramFolder() + "/liblxq745api.so";
    if (access(library.c_str(), R_OK) != 0) GTEST_SKIP() << "no API library";
    constexpr std::size_t kBudget = ChannelServer::kMaxOutstandingPerConnection;
    server.SetOutstandingLimits(kBudget, kBudget);
    ASSERT_TRUE(server.Start());
    std::string held, healthy;
    ASSERT_TRUE(IsSuccess(bus.Plug("test", "rx", held))) << held;
    ASSERT_TRUE(IsSuccess(bus.Plug("sim-serial", "healthy", healthy))) << healthy;
    RawClient client;
    ASSERT_TRUE(client.SendHeader(wire::Kind::Open, 1, held));
    ASSERT_EQ(client.AnswerStatus(1), 0u);
    Command("suspend rx");
    for (std::uint32_t k = 0; k < kBudget; ++k) ASSERT_TRUE(client.SendControl(2 + k, IOCTL_LXQ745_GET_FREQUENCY, {}, 0));
    WaitUntilHeld(static_cast<int>(kBudget));
    const auto refused = RunToEnd({"lxq745_settings_probe", library, "2", "1"});
    EXPECT_EQ(refused.status, 5) << "no receiver opened: " << refused.out << refused.err;
    EXPECT_EQ(refused.err.find("Mismatched"), std::string::npos) << refused.err;
    Command("resume rx");
    for (std::uint32_t k = 0; k < kBudget; ++k) EXPECT_EQ(client.AnswerStatus(2 + k), 0u) << "held request " << k;
    const auto served = RunToEnd({"lxq745_settings_probe", library, "2", "1"});
    EXPECT_EQ(served.out, "1 1 2 1\n") << served.err;
}

TEST(HostDefence, ProgramsStartedTogetherAreNotRefusedAReceiver) {
    const std::string library = test::ProgramFolder() + "/liblxq745api.so";
    if (access(library.c_str(), R_OK) != 0) GTEST_SKIP() << "no API library";
    plat::sys::test::ScopedChannelNamespace ns{"together"};
    std::vector<std::string> args{"lxq745d"};
    for (int i = 0; i < 16; ++i) {
        args.push_back("--device");
        args.push_back("test:rx" + std::to_string(i));
    }
    ChildHost host(args);
    auto startTogether = [&](int programs, const std::string& round) {
        std::vector<std::unique_ptr<lxq_test::ChildProgram>> started;
        for (int p = 0; p < programs; ++p) {
            lxq_test::ChildSetup setup;
            setup.args = {"lxq745_settings_probe", library, "1", "0"};
            setup.output = false;
            started.push_back(std::make_unique<lxq_test::ChildProgram>(std::move(setup)));
        }
        int refused = 0;
        for (auto& program : started)
            if (program->Wait() != 0) ++refused;  // 5: its open found no receiver
        EXPECT_EQ(refused, 0) << round << ": programs refused a receiver";
    };
    for (int round = 0; round < 5; ++round) startTogether(3, "three programs, round " + std::to_string(round));
    startTogether(16, "sixteen programs");
}

} // namespace
} // namespace lxq::host
