// The road through the real socket: an in-process host for one client, and the lxq745d program as
// another process where several processes must meet (ownership, held requests).

#include "driver/host/BuiltInKinds.h"
#include "driver/host/BusControlClient.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/host/RecordingTransport.h"
#include "platform/sys/DeviceChannel.h"

#include "tests/driver/host/ChildHost.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/support/ByValue.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

namespace lxq::host {
namespace {

namespace wire = plat::sys::wire;

using test::ChildHost;
using test::ProgramFolder;

// Opens the path from another process and returns the status it got.
std::uint32_t OpenFromAnotherProcess(const std::string& path) {
    const std::string text = test::RunToEnd({"lxq745_open_probe", path}).out;
    return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
}

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

std::uint32_t Call(plat::sys::DeviceHandle& handle, std::uint32_t code, std::vector<std::uint32_t> words,
                   std::uint64_t* bytes = nullptr, std::uint32_t outLength = 0) {
    std::uint64_t count = 0;
    const auto length = static_cast<std::uint32_t>(4 * words.size());
    const std::uint32_t status = handle.Control(code, words.data(), length, words.data(),
                                                outLength != 0 ? outLength : length, 0, &count);
    if (bytes != nullptr) *bytes = count;
    return status;
}

// ---- In-process host --------------------------------------------------------------------------

class InProcessHost : public ::testing::Test {
protected:
    InProcessHost() {
        RegisterBuiltInKinds(kinds);
        kinds.Register("watched", [this](const std::string& busId, std::string&) {
            auto owned = std::make_unique<RecordingTransport>(Variant::Usb, busId);
            transport = owned.get();
            owned->SetStreaming(true);
            return std::make_unique<ReceiverDevice>(std::move(owned));
        });
        EXPECT_TRUE(server.Start());
    }
    ~InProcessHost() override {
        server.Stop();
        bus.RemoveAll();
    }

    plat::sys::test::ScopedChannelNamespace ns{"road"};
    DeviceKinds kinds;
    Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    ChannelServer server{bus};
    RecordingTransport* transport = nullptr;
};

TEST_F(InProcessHost, ListingNoticesAndConnectionStateFollowTheBus) {
    EXPECT_TRUE(plat::sys::ListDeviceInterfaces().empty());
    std::mutex mutex;
    std::vector<std::string> heard;
    std::promise<void> threeHeard;
    plat::sys::DeviceNotifications notices;
    ASSERT_TRUE(notices.Start([&](plat::sys::DeviceEvent event, const std::string& path) {
        std::lock_guard lock(mutex);
        heard.push_back((event == plat::sys::DeviceEvent::Arrived ? "+" : "-") + path);
        if (heard.size() == 3) threeHeard.set_value();
    }));
    const std::string a = Command("plug test rx-a");
    const std::string b = Command("plug test-serial rx-b");
    EXPECT_EQ(plat::sys::ListDeviceInterfaces(), (std::vector<std::string>{a, b}));

    plat::sys::DeviceHandle handle;
    ASSERT_EQ(handle.Open(a), 0u);
    std::uint64_t connected = 0;
    ASSERT_EQ(handle.Control(IOCTL_LXQ745_IS_CONNECTED, nullptr, 0, nullptr, 0, 0, &connected), 0u);
    EXPECT_EQ(connected, 1u);
    Command("unplug rx-a");
    ASSERT_EQ(handle.Control(IOCTL_LXQ745_IS_CONNECTED, nullptr, 0, nullptr, 0, 0, &connected), 0u);
    EXPECT_EQ(connected, 0u) << "0 after surprise removal";
    EXPECT_EQ(Call(handle, IOCTL_LXQ745_SET_ATTEN, {1}), kStatusDeletePending);
    EXPECT_EQ(plat::sys::ListDeviceInterfaces(), std::vector<std::string>{b});
    EXPECT_EQ(handle.Open(a), wire::kStatusNoSuchDevice);

    threeHeard.get_future().wait();
    notices.Stop();
    EXPECT_EQ(heard, (std::vector<std::string>{"+" + a, "+" + b, "-" + a}));
    std::string reply;
    EXPECT_EQ(BusControlClient::Send("plug nonsense rx-c", reply), kStatusInvalidParameter);
    EXPECT_NE(reply.find("unknown kind"), std::string::npos) << reply;
}

TEST_F(InProcessHost, TheApiLibrarySetFrequencyReachesTheReceiver) {
    const std::string library = ProgramFolder() + "/liblxq745api.so";
    if (!std::filesystem::exists(library)) GTEST_SKIP() << "no API library in " << ProgramFolder();
    Command("plug watched rx1");
    // The library takes the receiver table and the device list when it is loaded, so it is
    // loaded after the host and the namespace are there.
    void* api = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(api, nullptr) << dlerror();
    auto openDevice = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "OpenRadioDevice"));
    auto setFrequency = reinterpret_cast<std::int32_t (*)(std::int32_t, std::uint32_t)>(dlsym(api, "SetFrequency"));
    auto getFrequency = reinterpret_cast<std::uint64_t (*)(std::int32_t)>(dlsym(api, "GetFrequency"));
    auto closeDevice = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "CloseRadioDevice"));
    auto setPower = reinterpret_cast<std::int32_t (*)(std::int32_t, std::int32_t)>(dlsym(api, "SetPower"));
    ASSERT_TRUE(openDevice && setFrequency && getFrequency && closeDevice && setPower);

    const std::int32_t index = openDevice(0);
    ASSERT_GE(index, 1);
    ASSERT_EQ(setPower(index, 1), 1);  // a receiver that is off takes no tuner state
    ASSERT_EQ(setFrequency(index, 433'920'000), 1);
    EXPECT_EQ(getFrequency(index), 433'920'000u);
    // The driver tuned for real: the receiver holds the words for the new frequency.
    const auto& state = dynamic_cast<ReceiverDevice&>(bus.FindByBusId("rx1")->Driver()).State();
    EXPECT_EQ(lxq_test::ByValue(state.frequency), 433'920'000u);
    EXPECT_EQ(lxq_test::ByValue(state.hwInfo.frequency), 433'920'000u);
    const TunerState held = transport->Receiver();
    EXPECT_EQ(std::memcmp(&held, &state.current, sizeof held), 0);
    EXPECT_EQ(closeDevice(index), 1);
    dlclose(api);
}

// A receiver whose codec start shares memory the host's way: the client's event descriptor comes
// in with the request, a memory descriptor goes back with the answer.
class SharingTransport final : public RecordingTransport {
public:
    SharingTransport() : RecordingTransport(Variant::Usb) { SetStreaming(true); }
    bool HandleRequest(ReceiverDevice&, IoRequest& request, NtStatus& status) override {
        if (request.code != IOCTL_LXQ745_CODEC_START) return false;
        const std::uint64_t one = 1;
        status = request.passedFd >= 0 && write(request.passedFd, &one, sizeof one) == 8 ? kStatusSuccess
                                                                                     : kStatusInvalidParameter;
        request.replyFd = memfd_create("ring", MFD_CLOEXEC);
        EXPECT_EQ(ftruncate(request.replyFd, 64), 0);
        EXPECT_EQ(pwrite(request.replyFd, "ring", 4, 0), 4);
        request.bytes = 8;
        return true;
    }
};

TEST_F(InProcessHost, DescriptorsTravelWithRequestsAndAnswers) {
    kinds.Register("sharing", [](const std::string&, std::string&) {
        return std::make_unique<ReceiverDevice>(std::make_unique<SharingTransport>());
    });
    const std::string path = Command("plug sharing rx9");
    plat::sys::DeviceHandle handle;
    ASSERT_EQ(handle.Open(path), 0u);
    const int event = eventfd(0, EFD_CLOEXEC);
    CodecStartRequest request{};
    request.ringSize = kCodecRingSizeDefault;
    std::uint64_t address = 0, bytes = 0;
    int ring = -1;
    ASSERT_EQ(handle.Control(IOCTL_LXQ745_CODEC_START, &request, sizeof request, &address, 8, 0, &bytes, event, &ring), 0u);
    EXPECT_EQ(bytes, 8u);
    std::uint64_t signalled = 0;
    EXPECT_EQ(read(event, &signalled, sizeof signalled), 8);
    EXPECT_EQ(signalled, 1u);
    ASSERT_GE(ring, 0);
    char text[4] = {};
    EXPECT_EQ(pread(ring, text, 4, 0), 4);
    EXPECT_EQ(std::string(text, 4), "ring");
    close(ring);
    close(event);
}

TEST(LateHost, SubscribersHearTheDevicesPresentWhenTheHostComesUp) {
    plat::sys::test::ScopedChannelNamespace ns{"late"};
    std::promise<std::string> arrived;
    bool told = false;
    plat::sys::DeviceNotifications notices;
    ASSERT_FALSE(notices.Start(
        [&](plat::sys::DeviceEvent event, const std::string& path) {
            if (event == plat::sys::DeviceEvent::Arrived && !told) arrived.set_value(path);
            told = true;
        },
        std::chrono::milliseconds(5)));
    DeviceKinds kinds;
    RegisterBuiltInKinds(kinds);
    Bus bus([&kinds](const std::string& k, const std::string& id, std::string& e) { return kinds.Make(k, id, e); });
    std::string path;
    ASSERT_EQ(bus.Plug("test", "early", path), kStatusSuccess);  // present before anyone listens
    ChannelServer server(bus);
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(arrived.get_future().get(), path);
    notices.Stop();
    server.Stop();
}

// ---- The host as another process --------------------------------------------------------------

class ChildProcessHost : public ::testing::Test {
protected:
    plat::sys::test::ScopedChannelNamespace ns{"road"};
    ChildHost host{"test-pci:card"};
    std::string path = plat::sys::ListDeviceInterfaces().at(0);
};

TEST_F(ChildProcessHost, OneProcessOwnsTheReceiver) {
    plat::sys::DeviceHandle first, second;
    ASSERT_EQ(first.Open(path), 0u);
    EXPECT_EQ(OpenFromAnotherProcess(path), kStatusDeviceBusy);
    EXPECT_EQ(second.Open(path), 0u) << "the owner may open again";
    first.Close();
    EXPECT_EQ(OpenFromAnotherProcess(path), kStatusDeviceBusy);
    second.Close();
    // Closing runs on the host's side of the connection; the next open waits for nothing else.
    std::uint32_t status;
    while ((status = OpenFromAnotherProcess(path)) == kStatusDeviceBusy) std::this_thread::yield();
    EXPECT_EQ(status, 0u);
}

TEST_F(ChildProcessHost, RemovalAndSleepAreRefusedWhileOpen) {
    plat::sys::DeviceHandle handle;
    ASSERT_EQ(handle.Open(path), 0u);
    std::string reply;
    EXPECT_EQ(BusControlClient::Send("eject card", reply), kStatusDeviceBusy) << reply;
    EXPECT_EQ(BusControlClient::Send("sleep", reply), kStatusDeviceBusy) << reply;
    std::uint64_t version = 0;
    EXPECT_EQ(handle.Control(IOCTL_LXQ745_GET_VERSION, nullptr, 0, nullptr, 0, 0, &version), 0u);
    EXPECT_EQ(version, 9u);
}

TEST_F(ChildProcessHost, HeldRequestsReplayInOrderCancelOrFailWithTheDevice) {
    plat::sys::DeviceHandle tuner, canceller;
    ASSERT_EQ(tuner.Open(path), 0u);
    ASSERT_EQ(canceller.Open(path), 0u);
    ASSERT_EQ(Call(tuner, IOCTL_LXQ745_SET_REF_CLOCK, {0, kRefSourceInternal, kRefClockKeepHz}), 0u);
    std::uint64_t connected = 0;

    Command("suspend card");
    ASSERT_EQ(tuner.Control(IOCTL_LXQ745_IS_CONNECTED, nullptr, 0, nullptr, 0, 0, &connected), 0u);
    EXPECT_EQ(connected, 1u) << "answered while powered down";
    auto first = std::async(std::launch::async, [&] { return Call(tuner, IOCTL_LXQ745_SET_FREQUENCY, {100'000'000, 0, 0}); });
    WaitUntilHeld(1);
    auto cancelled = std::async(std::launch::async, [&] { return Call(canceller, IOCTL_LXQ745_SET_ATTEN, {1}); });
    WaitUntilHeld(2);
    canceller.CancelIo();
    EXPECT_EQ(cancelled.get(), kStatusCancelled);
    Command("resume card");
    EXPECT_EQ(first.get(), 0u);
    std::uint64_t frequency = 0;
    ASSERT_EQ(tuner.Control(IOCTL_LXQ745_GET_FREQUENCY, nullptr, 0, nullptr, 0, 0, &frequency), 0u);
    EXPECT_EQ(frequency, 100'000'000u);

    Command("suspend card");
    auto orphan = std::async(std::launch::async, [&] { return Call(tuner, IOCTL_LXQ745_SET_FREQUENCY, {90'000'000, 0, 0}); });
    WaitUntilHeld(1);
    Command("unplug card");
    EXPECT_EQ(orphan.get(), kStatusDeletePending);
}

} // namespace
} // namespace lxq::host
