// The library against the real driver host, in-process on a fresh namespace: a receiver pulled
// out while open keeps its index and answers from its cache; plugged back in, it is reopened
// through the arrival notice and gets its settings again.

#include "api/ReceiverApi.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/host/RecordingTransport.h"
#include "tests/api/ApiFixture.h"
#include "tests/api/PeerProcess.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/Eventually.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace lxq::api::testing {
namespace {

using namespace lxq::host;

using lxq_test::Eventually;

class LibraryOnTheHost : public ::testing::Test {
protected:
    LibraryOnTheHost() {
        RegisterBuiltInKinds(kinds);
        kinds.Register("watched", [](const std::string& busId, std::string&) {
            auto transport = std::make_unique<RecordingTransport>(Variant::Usb, busId);
            return std::make_unique<ReceiverDevice>(std::move(transport));
        });
        EXPECT_TRUE(server.Start());
    }
    ~LibraryOnTheHost() override {
        api.reset();
        server.Stop();
        bus.RemoveAll();
    }
    void Plug() {
        std::string message;
        ASSERT_EQ(bus.Plug("watched", "rx1", message), 0u) << message;
    }
    driver::TuningState& Receiver() {
        return dynamic_cast<ReceiverDevice&>(bus.FindByBusId("rx1")->Driver()).State();
    }
    void LoadLibrary() {
        RadioLibrary::Options options;
        options.configPath = dir.File("LXQ745.INI");
        api = std::make_unique<ReceiverApi>(std::move(options));
    }

    plat::sys::test::ScopedChannelNamespace ns{"road-api"};
    plat::sys::testing::TempFolder dir;
    DeviceKinds kinds;
    Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    ChannelServer server{bus};
    std::unique_ptr<ReceiverApi> api;
};

TEST_F(LibraryOnTheHost, UnplugAndReplugKeepTheIndexAndRestoreTheSettings) {
    Plug();
    LoadLibrary();
    RadioLibrary& lib = api->Library();
    RadioControl& c = api->Control();
    const int i = lib.OpenRadioDevice(0);
    ASSERT_EQ(i, 1);
    ASSERT_EQ(c.SetPower(i, 1), 1);
    ASSERT_EQ(c.SetFrequency(i, 145'500'000), 1);
    ASSERT_EQ(c.SetAtten(i, 1), 1);
    ASSERT_EQ(c.SetIfGain(i, 60), 1);
    EXPECT_EQ(Receiver().frequency, 145'500'000u);

    ASSERT_EQ(bus.Unplug("rx1"), 0u);
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard device(lib.Local(i).deviceLock); // the handler writes the mark under it
        return lib.Slot(i).disconnected == 1;
    }));
    EXPECT_EQ(c.IsDeviceConnected(i), 0);
    EXPECT_EQ(c.GetFrequency(i), 145'500'000u) << "the index answers from the cache";
    EXPECT_EQ(c.GetAtten(i), 1);

    Plug(); // the same receiver returns with everything forgotten
    ASSERT_TRUE(Eventually([&] {
        auto table = lib.LockTable(); // the handler holds the slot until it has re-applied
        return !lib.Local(i).unplugged.load() && !lib.Local(i).opening; // the slot's mark is the device lock's
    }));
    EXPECT_EQ(c.IsDeviceConnected(i), 1);
    EXPECT_EQ(Read(lib.Slot(i).simulated), 0u);
    EXPECT_EQ(Read(lib.Table().openCount[i - 1]), 1);
    EXPECT_TRUE(Receiver().powered);
    EXPECT_EQ(Receiver().frequency, 145'500'000u);
    EXPECT_EQ(Receiver().ifGain, 60);
    EXPECT_EQ(c.GetFrequency(i), 145'500'000u);
    EXPECT_EQ(c.SetFrequency(i, 146'000'000), 1);
    EXPECT_EQ(Receiver().frequency, 146'000'000u);
    EXPECT_EQ(lib.CloseRadioDevice(i), 1);
}

TEST_F(LibraryOnTheHost, AHostThatRestartsGivesTheHolderItsReceiverBackWithItsSettings) {
    Plug();
    LoadLibrary();
    RadioLibrary& lib = api->Library();
    RadioControl& c = api->Control();
    const int i = lib.OpenRadioDevice(0);
    ASSERT_EQ(i, 1);
    ASSERT_EQ(c.SetPower(i, 1), 1);
    ASSERT_EQ(c.SetFrequency(i, 145'500'000), 1);
    ASSERT_EQ(c.SetIfGain(i, 60), 1);

    server.Stop();   // the host goes away...
    bus.RemoveAll(); // ...and what it knew of its receiver with it
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard device(lib.Local(i).deviceLock);
        return lib.Slot(i).disconnected == 1;
    })) << "a lost host is a removal of its receivers";
    EXPECT_EQ(c.IsDeviceConnected(i), 0);
    EXPECT_EQ(c.GetFrequency(i), 145'500'000u) << "the index answers from the cache";

    Plug();
    ChannelServer again{bus}; // the host is back and finds the receiver again
    ASSERT_TRUE(again.Start());
    ASSERT_TRUE(Eventually([&] {
        auto table = lib.LockTable();
        return !lib.Local(i).unplugged.load() && !lib.Local(i).opening; // the slot's mark is the device lock's
    })) << "the returning receiver arrives again";
    EXPECT_EQ(c.IsDeviceConnected(i), 1);
    EXPECT_TRUE(Receiver().powered);
    EXPECT_EQ(Receiver().frequency, 145'500'000u) << "the holder's settings are applied again";
    EXPECT_EQ(Receiver().ifGain, 60);
    EXPECT_EQ(c.SetFrequency(i, 146'000'000), 1);
    EXPECT_EQ(Receiver().frequency, 146'000'000u);
    EXPECT_EQ(lib.CloseRadioDevice(i), 1);
    api.reset();
    again.Stop();
}

TEST_F(LibraryOnTheHost, AReceiverBelongsToOneProcessUntilItsOwnerDies) {
    Plug();
    LoadLibrary();
    RadioLibrary& lib = api->Library();
    Peer peer;
    EXPECT_EQ(peer.Ask("opendev 0"), 1) << "the other process takes the receiver";
    EXPECT_EQ(peer.Ask("list"), 1) << "its own receiver is listed to it";
    EXPECT_EQ(lib.ListRadios(nullptr, 0, 42), 0) << "another's receiver is not listed";
    EXPECT_EQ(lib.OpenRadioDevice(0), 0);
    EXPECT_EQ(lib.OpenRadioDevice(1), 0);
    const std::string serial(lib.Slot(1).eeprom.serial, 8);
    EXPECT_EQ(lib.Open(serial.c_str()), 0) << "nor by its serial number " << serial;
    peer.Kill();
    // The host closes the dead process's handle; then the slot and the device are free.
    ASSERT_TRUE(Eventually([&] { return lib.OpenRadioDevice(0) == 1; }));
    EXPECT_EQ(Read(lib.Table().ownerProcess[0]), lib.ProcessId());
    EXPECT_EQ(lib.CloseRadioDevice(1), 1);
}

} // namespace
} // namespace lxq::api::testing
