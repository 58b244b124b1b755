// Finding and opening receivers by serial number against the real driver host with simulated
// receivers: two programs started at the same moment each open their own receiver, however their
// loads (one of which finds the table new and asks every receiver) interleave; and simulated
// receivers of one kind have serial numbers of their own, so the one asked for is the one opened.

#include "api/ReceiverApi.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "driver/sim/SimRegistry.h"
#include "tests/api/PeerProcess.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>

namespace lxq::api::testing {
namespace {

using namespace lxq::host;

class ReceiversOnTheHost : public ::testing::Test {
protected:
    ReceiversOnTheHost() {
        RegisterBuiltInKinds(kinds);
        EXPECT_TRUE(server.Start());
    }
    ~ReceiversOnTheHost() override {
        server.Stop();
        bus.RemoveAll();
    }
    void Plug(const char* kind, const char* busId) {
        std::string message;
        ASSERT_EQ(bus.Plug(kind, busId, message), 0u) << message;
    }

    plat::sys::test::ScopedChannelNamespace ns{"road-open"};
    plat::sys::testing::TempFolder dir;
    DeviceKinds kinds;
    Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    ChannelServer server{bus};
};

TEST_F(ReceiversOnTheHost, SimulatedReceiversOfOneKindHaveSerialNumbersOfTheirOwn) {
    Plug("sim-usb", "rx1");
    Plug("sim-usb", "rx2");
    Plug("sim-usb", "rx3");
    auto serial = [](const char* busId) { return std::string(sim::SimRegistry::Find(busId).receiver->Image().serial, 8); };
    EXPECT_EQ(serial("rx1"), "SIMU0001") << "the first keeps the number scripts know";
    EXPECT_EQ(serial("rx2"), "SIMU0002");
    EXPECT_EQ(serial("rx3"), "SIMU0003");
    ASSERT_EQ(bus.Unplug("rx2"), 0u);
    Plug("sim-usb", "rx4");
    EXPECT_EQ(serial("rx4"), "SIMU0002") << "the free number";
    ASSERT_EQ(bus.Unplug("rx4"), 0u);
    Plug("sim-usb", "rx2");
    EXPECT_EQ(serial("rx2"), "SIMU0002") << "a receiver plugged again keeps its number";

    RadioLibrary::Options options;
    options.configPath = dir.File("LXQ745.INI");
    ReceiverApi api(std::move(options));
    const std::int32_t i = api.Library().Open("SIMU0003");
    ASSERT_NE(i, 0);
    ASSERT_EQ(api.Control().SetPower(i, 1), 1);
    ASSERT_EQ(api.Control().SetFrequency(i, 145'500'000), 1);
    EXPECT_TRUE(sim::SimRegistry::Find("rx3").receiver->IsTunedTo(145'500'000)) << "the receiver asked for";
    EXPECT_FALSE(sim::SimRegistry::Find("rx1").receiver->IsTunedTo(145'500'000));
    api.Library().CloseRadioDevice(i);
}

TEST_F(ReceiversOnTheHost, TwoProgramsStartedTogetherEachOpenTheirOwnReceiver) {
    Plug("sim-usb", "rx1");
    Plug("sim-serial", "rx2");
    Plug("sim-usb", "rx3");
    constexpr int kTrials = 20;
    int bothOpened = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        // Each program opens its receiver as soon as it has loaded the library, as a front panel
        // given a serial number does; the last to quit takes the table with it, so every trial
        // starts with a load that finds the table new.
        auto start = [](const char* serial) {
            return std::async(std::launch::async, [serial] {
                auto peer = std::make_unique<Peer>();
                const long long index = peer->Ask(std::string("open ") + serial);
                return std::make_pair(std::move(peer), index);
            });
        };
        auto usb = start("SIMU0001");
        auto serial = start("SIMS0001");
        auto [usbPeer, usbIndex] = usb.get();
        auto [serialPeer, serialIndex] = serial.get();
        EXPECT_GT(usbIndex, 0) << "trial " << trial;
        EXPECT_GT(serialIndex, 0) << "trial " << trial;
        EXPECT_NE(usbIndex, serialIndex);
        bothOpened += usbIndex > 0 && serialIndex > 0 && usbIndex != serialIndex;
        usbPeer->Quit();
        serialPeer->Quit();
    }
    EXPECT_EQ(bothOpened, kTrials);
}

} // namespace
} // namespace lxq::api::testing
