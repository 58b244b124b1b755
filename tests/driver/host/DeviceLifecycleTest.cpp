// The kernel-services layer with a fake receiver driver: dispatch, holding and replay, ownership,
// removal and power, as the bus raises them.

#include "driver/host/Bus.h"
#include "driver/host/BusCommand.h"
#include "driver/host/Dispatcher.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <future>

namespace lxq::host {
namespace {

// Records what the layer asks of the driver; a request with code kGateCode blocks in the handler
// until the test opens the gate.
class FakeDriver final : public ReceiverDriver {
public:
    static constexpr std::uint32_t kGateCode = IOCTL_LXQ745_GET_LOCK;

    explicit FakeDriver(Variant variant) : variant_(variant) {}
    Variant DeviceVariant() const override { return variant_; }
    NtStatus FirstOpen() override { ++firstOpens; return kStatusSuccess; }
    void LastClose() override { ++lastCloses; }
    NtStatus HandleDeviceControl(IoRequest& request) override {
        if (request.code == kGateCode) {
            inHandler.set_value();
            gate.get_future().wait();
        }
        served.push_back(request.inPointerValue);
        request.bytes = request.inPointerValue;
        return kStatusSuccess;
    }
    NtStatus StartHardware() override { return failStarts-- > 0 ? kStatusUnsuccessful : kStatusSuccess; }
    void StopHardware() override { ++stops; }
    bool Responding() const override { return responding; }
    void CyclePort() override { ++portCycles; }

    int firstOpens = 0, lastCloses = 0, stops = 0, failStarts = 0, portCycles = 0;
    bool responding = true;
    std::vector<std::uint64_t> served;
    std::promise<void> inHandler, gate;

private:
    Variant variant_;
};

struct Completed {
    NtStatus status = kStatusPending;
    std::uint64_t bytes = 0;
};

class DeviceLifecycle : public ::testing::Test {
protected:
    // Plugs one fake receiver "rx"; the driver stays reachable through `driver`.
    NtStatus Plug(Variant variant, int failStarts = 0) {
        nextVariant_ = variant;
        nextFailStarts_ = failStarts;
        std::string message;
        const NtStatus status = bus.Plug("fake", "rx", message);
        device = bus.FindByBusId("rx");
        return status;
    }

    NtStatus Open(pid_t caller, std::uint64_t handle = 1) {
        auto request = std::make_shared<IoRequest>(RequestKind::Create, nullptr);
        request->caller = caller;
        request->handle = handle;
        Dispatcher::Dispatch(device, request);
        return request->Status();
    }
    void CloseHandle(std::uint64_t handle = 1) {
        for (RequestKind kind : {RequestKind::Cleanup, RequestKind::Close}) {
            auto request = std::make_shared<IoRequest>(kind, nullptr);
            request->handle = handle;
            Dispatcher::Dispatch(device, request);
        }
    }
    // Sends a device-control request whose argument (and answer) is `value`.
    std::shared_ptr<Completed> Control(std::uint64_t value, std::uint32_t code = IOCTL_LXQ745_GET_FREQUENCY,
                                       std::uint64_t handle = 1) {
        auto result = std::make_shared<Completed>();
        auto request = IoRequest::Control(code, nullptr, 0, 0, value, [result](IoRequest& done) {
            result->status = done.Status();
            result->bytes = done.Information();
        });
        request->handle = handle;
        Dispatcher::Dispatch(device, request);
        return result;
    }

    FakeDriver* driver = nullptr;
    Bus bus{[this](const std::string&, const std::string&, std::string&) {
        auto fake = std::make_unique<FakeDriver>(nextVariant_);
        fake->failStarts = nextFailStarts_;
        driver = fake.get();
        return fake;
    }};
    DevicePtr device;

private:
    Variant nextVariant_ = Variant::Usb;
    int nextFailStarts_ = 0;
};

TEST_F(DeviceLifecycle, ConnectionQueryIsAnsweredInEveryStateAndZeroOnceGone) {
    ASSERT_FALSE(IsSuccess(Plug(Variant::Pci, 1)));  // added, start failed: not started
    EXPECT_EQ(Control(0, IOCTL_LXQ745_IS_CONNECTED)->bytes, 1u);
    ASSERT_EQ(Bus::SendPnp(device, PnpMinor::Start), kStatusSuccess);
    ASSERT_EQ(bus.SetDevicePower("rx", kD3), kStatusSuccess);
    EXPECT_EQ(device->DevicePower(), kD3);
    auto connected = Control(0, IOCTL_LXQ745_IS_CONNECTED);
    EXPECT_EQ(connected->status, kStatusSuccess);
    EXPECT_EQ(connected->bytes, 1u);
    driver->responding = false;
    EXPECT_EQ(Control(0, IOCTL_LXQ745_IS_CONNECTED)->bytes, 0u);
    driver->responding = true;
    Bus::SendPnp(device, PnpMinor::SurpriseRemoval);
    connected = Control(0, IOCTL_LXQ745_IS_CONNECTED);
    EXPECT_EQ(connected->status, kStatusSuccess);
    EXPECT_EQ(connected->bytes, 0u);
    EXPECT_EQ(Control(5)->status, kStatusDeletePending);
    EXPECT_TRUE(driver->served.empty());
}

TEST_F(DeviceLifecycle, HeldRequestsReplayInOrderWhenTheDeviceStarts) {
    ASSERT_FALSE(IsSuccess(Plug(Variant::Usb, 1)));
    EXPECT_TRUE(bus.PresentPaths().empty()) << "an unstarted device has no interface";
    auto first = Control(1), second = Control(2), third = Control(3);
    EXPECT_EQ(first->status, kStatusPending);
    EXPECT_EQ(device->Pending().Size(), 3u);
    EXPECT_EQ(device->Counter().InFlight(), 0) << "held requests are not in flight";
    ASSERT_EQ(Bus::SendPnp(device, PnpMinor::Start), kStatusSuccess);
    EXPECT_EQ(driver->served, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(third->status, kStatusSuccess);
    EXPECT_EQ(third->bytes, 3u);
    EXPECT_EQ(bus.PresentPaths(), std::vector<std::string>{device->Path()});
}

// An issuer that sends request after request carries each in the same object: the next one is
// as fresh as a new request (pending, not cancelled, its own input in the buffer, no descriptor
// of the last), is counted in flight and out again like any, and is held and replayed alike.
TEST_F(DeviceLifecycle, ARequestObjectUsedAgainCarriesItsNextRequestAsANewOneWould) {
    ASSERT_EQ(Plug(Variant::Pci), kStatusSuccess);
    std::vector<std::pair<NtStatus, std::uint64_t>> answers;
    const std::uint32_t first[3] = {11, 12, 13};
    auto request = IoRequest::Control(IOCTL_LXQ745_SET_FREQUENCY, first, 12, 12, 1, [&](IoRequest& done) {
        answers.emplace_back(done.Status(), done.Information());
    });
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    request->passedFd = pipeFds[0];
    request->MarkCancelled();  // asked too late: the request is answered already
    Dispatcher::Dispatch(device, request);
    ASSERT_EQ(answers.size(), 1u);

    const std::uint32_t next[1] = {21};
    request->ReuseForControl(IOCTL_LXQ745_SET_FREQUENCY, next, 4, 12, 2);
    EXPECT_EQ(::fcntl(pipeFds[0], F_GETFD), -1) << "the last request's descriptor is closed";
    ::close(pipeFds[1]);
    EXPECT_EQ(request->passedFd, -1);
    EXPECT_FALSE(request->IsCompleted());
    EXPECT_FALSE(request->IsCancelled());
    EXPECT_EQ(request->Status(), kStatusPending);
    EXPECT_EQ(request->Information(), 0u);
    EXPECT_EQ(request->buffer, (std::vector<std::uint8_t>{21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(request->Kind(), RequestKind::DeviceControl);
    EXPECT_EQ(request->inPointerValue, 2u);

    ASSERT_EQ(bus.SetDevicePower("rx", kD3), kStatusSuccess);
    Dispatcher::Dispatch(device, request);
    EXPECT_EQ(answers.size(), 1u) << "held while the receiver is down";
    EXPECT_EQ(device->Counter().InFlight(), 0) << "a held request is not in flight";
    ASSERT_EQ(bus.SetDevicePower("rx", kD0), kStatusSuccess);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1], std::make_pair(kStatusSuccess, std::uint64_t{2}));
    EXPECT_EQ(driver->served, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(device->Counter().InFlight(), 0) << "each request was counted out once";
    EXPECT_EQ(device->Counter().Count(), 1);
}

TEST_F(DeviceLifecycle, SuspendedCardHoldsRequestsUntilD0AndCancelsOrFailsThemOtherwise) {
    ASSERT_EQ(Plug(Variant::Pci), kStatusSuccess);
    ASSERT_EQ(Open(100), kStatusSuccess);
    ASSERT_EQ(bus.SetDevicePower("rx", kD3), kStatusSuccess);
    auto first = Control(1), second = Control(2);
    auto cancelled = Control(3, IOCTL_LXQ745_GET_FREQUENCY, 2);
    CloseHandle(2);  // cleanup of another handle cancels only its own held request
    EXPECT_EQ(cancelled->status, kStatusCancelled);
    EXPECT_EQ(first->status, kStatusPending);
    ASSERT_EQ(bus.SetDevicePower("rx", kD0), kStatusSuccess);
    EXPECT_EQ(driver->served, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(second->status, kStatusSuccess);

    // Held again, then the card is pulled: the removal fails what it still holds.
    ASSERT_EQ(bus.SetDevicePower("rx", kD3), kStatusSuccess);
    auto orphan = Control(4);
    EXPECT_EQ(orphan->status, kStatusPending);
    ASSERT_EQ(bus.Unplug("rx"), kStatusSuccess);
    EXPECT_EQ(orphan->status, kStatusDeletePending);
    EXPECT_EQ(Open(100), kStatusDeletePending);
}

// A suspend or a system sleep must end for every variant: the requests that came meanwhile are
// held and replayed once the receiver is back, never left waiting.
TEST_F(DeviceLifecycle, EveryVariantHoldsRequestsWhileDownAndReplaysThemWhenBack) {
    for (Variant variant : {Variant::Usb, Variant::Serial, Variant::Pci}) {
        SCOPED_TRACE(static_cast<int>(variant));
        ASSERT_EQ(Plug(variant), kStatusSuccess);
        ASSERT_EQ(Open(100), kStatusSuccess);
        ASSERT_EQ(bus.SetDevicePower("rx", kD3), kStatusSuccess);
        auto suspended = Control(1);
        EXPECT_EQ(suspended->status, kStatusPending);
        ASSERT_EQ(bus.SetDevicePower("rx", kD0), kStatusSuccess);
        EXPECT_EQ(suspended->status, kStatusSuccess);
        EXPECT_EQ(Control(2)->status, kStatusSuccess) << "nothing is held after the resume";

        CloseHandle();
        ASSERT_EQ(bus.Sleep(), kStatusSuccess);
        auto asleep = Control(3);
        EXPECT_EQ(asleep->status, kStatusPending);
        ASSERT_EQ(bus.Wake(), kStatusSuccess);
        EXPECT_EQ(asleep->status, kStatusSuccess);
        EXPECT_EQ(Control(4)->status, kStatusSuccess);
        EXPECT_EQ(driver->served, (std::vector<std::uint64_t>{1, 2, 3, 4}));
        EXPECT_EQ(driver->portCycles, variant == Variant::Usb ? 1 : 0) << "a USB port is cycled on wake";
        ASSERT_EQ(bus.Unplug("rx"), kStatusSuccess);
    }
}

TEST_F(DeviceLifecycle, TheCapabilitiesRecordIsKeptFromTheStart) {
    for (Variant variant : {Variant::Usb, Variant::Serial, Variant::Pci}) {
        ASSERT_EQ(Plug(variant), kStatusSuccess);
        const DeviceCapabilities& c = device->capabilities;
        EXPECT_EQ(c.size, 64u);
        EXPECT_EQ(c.version, 1u);
        EXPECT_EQ(c.address, 0xFFFFFFFFu);
        EXPECT_EQ(c.uiNumber, 0xFFFFFFFFu);
        const bool removable = variant != Variant::Pci;
        EXPECT_EQ((c.flags & kCapabilityRemovable) != 0, removable);
        EXPECT_EQ((c.flags & kCapabilitySurpriseRemovalOk) != 0, removable);
        EXPECT_EQ(c.deviceState[kSystemWorking], static_cast<std::uint32_t>(kD0));
        EXPECT_EQ(c.deviceState[kSystemSleeping], static_cast<std::uint32_t>(kD3));
        ASSERT_EQ(bus.Unplug("rx"), kStatusSuccess);
    }
}

TEST_F(DeviceLifecycle, OneProcessOwnsTheDeviceUntilItsLastClose) {
    ASSERT_EQ(Plug(Variant::Usb), kStatusSuccess);
    EXPECT_EQ(Open(100, 1), kStatusSuccess);
    EXPECT_EQ(Open(200, 2), kStatusDeviceBusy);
    EXPECT_EQ(Open(100, 3), kStatusSuccess) << "the owner may open again";
    EXPECT_EQ(driver->firstOpens, 1);
    CloseHandle(1);
    EXPECT_EQ(Open(200, 4), kStatusDeviceBusy);
    CloseHandle(3);
    EXPECT_EQ(driver->lastCloses, 1);
    EXPECT_EQ(Open(200, 5), kStatusSuccess);
    EXPECT_EQ(device->owner, 200);
}

// "sleep" refused says which receiver is held open and by which process, not a bare status.
TEST_F(DeviceLifecycle, ARefusedSleepNamesTheReceiverHeldOpenAndItsProcess) {
    ASSERT_EQ(Plug(Variant::Usb), kStatusSuccess);
    ASSERT_EQ(Open(getpid()), kStatusSuccess);
    std::string name;
    std::getline(std::ifstream("/proc/self/comm"), name);
    std::string reply;
    EXPECT_EQ(BusCommand::Run(bus, "sleep", reply), kStatusDeviceBusy);
    EXPECT_EQ(reply, "sleep refused: \"rx\" (" + device->Path() + ") is held open by process " +
                         std::to_string(getpid()) + " (" + name + ") (status 0x80000011)");
    CloseHandle();
    EXPECT_EQ(BusCommand::Run(bus, "sleep", reply), kStatusSuccess);
    EXPECT_EQ(reply, "ok");
    EXPECT_EQ(BusCommand::Run(bus, "wake", reply), kStatusSuccess);
}

TEST_F(DeviceLifecycle, RemovalAndSleepAreRefusedWhileOpenOrBusy) {
    ASSERT_EQ(Plug(Variant::Pci), kStatusSuccess);
    ASSERT_EQ(Open(100), kStatusSuccess);
    EXPECT_EQ(bus.Eject("rx"), kStatusDeviceBusy);
    EXPECT_EQ(bus.Sleep(), kStatusDeviceBusy);
    EXPECT_EQ(Control(7)->status, kStatusSuccess) << "a refused query leaves the device working";
    CloseHandle();

    // A request still in the handler keeps the receiver busy.
    auto inHandler = driver->inHandler.get_future();
    auto busy = std::async(std::launch::async, [&] { return Control(8, FakeDriver::kGateCode); });
    inHandler.wait();
    EXPECT_EQ(Bus::SendPnp(device, PnpMinor::QueryRemove), kStatusDeviceBusy);
    EXPECT_EQ(Bus::SendPower(device, PowerMinor::QueryPower, PowerType::System, kSystemSleeping),
              kStatusDeviceBusy);
    driver->gate.set_value();
    EXPECT_EQ(busy.get()->status, kStatusSuccess);

    EXPECT_EQ(bus.Sleep(), kStatusSuccess);
    EXPECT_EQ(Control(9)->status, kStatusPending) << "held while the system sleeps";
    EXPECT_EQ(bus.Wake(), kStatusSuccess);
    EXPECT_EQ(driver->served.back(), 9u);
}

TEST_F(DeviceLifecycle, RemovalCountsTheOwnReferenceOnceAndStopsOnce) {
    ASSERT_EQ(Plug(Variant::Usb), kStatusSuccess);
    ASSERT_EQ(Bus::SendPnp(device, PnpMinor::QueryRemove), kStatusSuccess);
    EXPECT_EQ(Control(1)->status, kStatusPending) << "held while removal is pending";
    ASSERT_EQ(Bus::SendPnp(device, PnpMinor::CancelRemove), kStatusSuccess);
    EXPECT_EQ(driver->served, std::vector<std::uint64_t>{1});
    EXPECT_EQ(device->Counter().Count(), 1) << "the own reference is back after a cancelled removal";

    ASSERT_EQ(bus.Eject("rx"), kStatusSuccess);
    EXPECT_EQ(device->Counter().Count(), 0);
    EXPECT_EQ(driver->stops, 1);
    EXPECT_TRUE(bus.PresentPaths().empty());
    EXPECT_EQ(bus.FindByBusId("rx"), nullptr);

    ASSERT_EQ(Plug(Variant::Usb), kStatusSuccess);
    ASSERT_EQ(Open(100), kStatusSuccess);
    ASSERT_EQ(bus.Unplug("rx"), kStatusSuccess);  // surprise removal, then removal
    EXPECT_EQ(driver->stops, 1);
    EXPECT_EQ(device->Counter().Count(), 0);
    EXPECT_EQ(Control(2)->status, kStatusDeletePending);
    CloseHandle();
    EXPECT_EQ(device->Counter().Count(), 0);
}

TEST_F(DeviceLifecycle, SubscribersHearArrivalAndRemovalAndListingFollowsDeviceNumbers) {
    std::vector<std::pair<bool, std::string>> heard;
    const int id = bus.Subscribe([&](Bus::Event event, const std::string& path) { heard.emplace_back(event == Bus::Event::Arrived, path); }, false);
    std::string message;
    ASSERT_EQ(bus.Plug("fake", "b", message), kStatusSuccess);
    ASSERT_EQ(bus.Plug("fake", "a", message), kStatusSuccess);
    const std::string b = bus.FindByBusId("b")->Path(), a = bus.FindByBusId("a")->Path();
    EXPECT_EQ(bus.PresentPaths(), (std::vector<std::string>{b, a}));
    EXPECT_EQ(bus.Plug("fake", "a", message), kStatusInvalidParameter) << message;
    EXPECT_EQ(bus.Plug("fake", "bad id", message), kStatusInvalidParameter) << message;
    ASSERT_EQ(bus.Unplug("b"), kStatusSuccess);
    ASSERT_EQ(bus.Plug("fake", "c", message), kStatusSuccess);
    EXPECT_EQ(bus.FindByBusId("c")->Number(), 0) << "the lowest free number is taken again";
    EXPECT_EQ(bus.PresentPaths().front(), bus.FindByBusId("c")->Path());
    EXPECT_NE(bus.Find(a), nullptr);
    bus.Unsubscribe(id);
    const std::vector<std::pair<bool, std::string>> expected{
        {true, b}, {true, a}, {false, b}, {true, bus.FindByBusId("c")->Path()}};
    EXPECT_EQ(heard, expected);
}

} // namespace
} // namespace lxq::host
