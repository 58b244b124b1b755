// Removal and arrival: an open receiver keeps its index and cache while away and gets its
// settings back when it returns; slots whose device left for good become demonstration slots.

#include "tests/api/ApiFixture.h"

#include <cstring>

namespace lxq::api::testing {
namespace {

using Reconnection = OneReceiverFixture;

TEST_F(Reconnection, UnpluggedReceiverAnswersFromCacheAndGetsItsSettingsBack) {
    Load();
    const int i = Lib().Open("SN000001");
    ASSERT_EQ(i, 1);
    RadioControl& c = Ctl();
    ASSERT_EQ(c.SetFrequency(i, 21'000'000), 1);
    ASSERT_EQ(c.SetAtten(i, 1), 1);
    ASSERT_EQ(c.SetAgc(i, 4), 1);
    ASSERT_EQ(c.SetIfGain(i, 77), 1);
    ASSERT_EQ(c.SetRfAmp(i, 0), 1);
    ASSERT_EQ(c.SetFmw(i, 1), 1);

    // The notice may spell the path in another case.
    api->DeviceChanges().OnRemoved("/DEV/LXQ745/0");
    EXPECT_EQ(c.IsDeviceConnected(i), 0);
    EXPECT_EQ(c.GetFrequency(i), 21'000'000u) << "index stays valid";
    EXPECT_EQ(c.SetAgc(i, 4), 1) << "unchanged AGC answers even while away";
    EXPECT_EQ(Read(Lib().Slot(i).simulated), 1u);
    EXPECT_EQ(std::memcmp(Lib().Slot(i).eeprom.serial, "SN000001", 8), 0) << "cache kept";

    // The receiver comes back having forgotten everything.
    device->frequency = 0;
    device->atten = 0;
    device->agc = 0;
    device->ifGain = 0;
    device->rfAmp = 1;
    device->fmWide = 0;
    device->log.clear();
    api->DeviceChanges().OnArrived(kPath);
    EXPECT_EQ(c.IsDeviceConnected(i), 1);
    EXPECT_EQ(Read(Lib().Slot(i).simulated), 0u);
    EXPECT_EQ(Read(Lib().Table().openCount[i - 1]), 1);
    EXPECT_EQ(device->frequency, 21'000'000u);
    EXPECT_EQ(device->atten, 1u);
    EXPECT_EQ(device->agc, 4u);
    EXPECT_EQ(device->ifGain, 77u);
    EXPECT_EQ(device->rfAmp, 0u);
    EXPECT_EQ(device->fmWide, 1u);
    EXPECT_EQ(device->Count(IOCTL_LXQ745_GET_FREQUENCY), 0u) << "no read-back over the cache";
    EXPECT_EQ(c.GetFrequency(i), 21'000'000u);
}

TEST_F(Reconnection, ClosingWhileAwayFreesTheSlotAsADemoReceiver) {
    Load();
    const int i = Lib().Open("SN000001");
    api->DeviceChanges().OnRemoved(kPath);
    EXPECT_EQ(Lib().CloseRadioDevice(i), 1);
    const RadioSlot& slot = Lib().Slot(i);
    EXPECT_EQ(Read(slot.disconnected), 0u);
    EXPECT_EQ(Read(slot.simulated), 1u);
    EXPECT_EQ(Read(slot.devicePath[0]), '\0');
    EXPECT_EQ(std::memcmp(slot.eeprom.serial, "**DEMO**", 8), 0) << "no stale serial";
    EXPECT_EQ(Lib().Open("SN000001"), 0) << "an open by serial cannot pick the stale slot";
    EXPECT_EQ(Lib().Open(nullptr), i);
}

TEST_F(Reconnection, RemovedFreeReceiverBecomesADemoSlotAndANewArrivalTakesAFreeSlot) {
    auto second = AddDevice("/dev/lxq745/1");
    std::memcpy(second->eeprom.serial, "SN000002", 8);
    Load();
    EXPECT_EQ(Read(Lib().Slot(2).simulated), 0u);
    api->DeviceChanges().OnRemoved("/dev/lxq745/1");
    EXPECT_EQ(Read(Lib().Slot(2).simulated), 1u);
    EXPECT_EQ(std::memcmp(Lib().Slot(2).eeprom.serial, "**DEMO**", 8), 0);

    auto third = AddDevice("/dev/lxq745/7");
    std::memcpy(third->eeprom.serial, "SN000007", 8);
    api->DeviceChanges().OnArrived("/dev/lxq745/7");
    EXPECT_EQ(Read(Lib().Slot(2).simulated), 0u) << "first free simulated slot";
    EXPECT_EQ(std::memcmp(Lib().Slot(2).eeprom.serial, "SN000007", 8), 0) << "probed";
    EXPECT_EQ(Lib().ListRadios(nullptr, 0, 42), 2);
    EXPECT_EQ(Lib().Open("SN000007"), 2);
}

TEST_F(Reconnection, AReceiverArrivingWhileTheLibraryLoadsIsNotMissed) {
    auto late = std::make_shared<FakeReceiverState>();
    std::memcpy(late->eeprom.serial, "SN000009", 8);
    RadioLibrary::Options options;
    auto fake = std::make_unique<FakeProvider>();
    fake->devices["/dev/lxq745/0"] = device;
    fake->order = {"/dev/lxq745/0"};
    fake->devices["/dev/lxq745/9"] = late;
    fake->lateDevice = "/dev/lxq745/9"; // after enumeration, before notices were heard
    options.devices = std::move(fake);
    options.configPath = dir.File("LXQ745.INI");
    ReceiverApi lateApi(std::move(options));
    EXPECT_EQ(lateApi.Library().ListRadios(nullptr, 0, 42), 2);
    EXPECT_EQ(std::memcmp(lateApi.Library().Slot(2).eeprom.serial, "SN000009", 8), 0);
    EXPECT_EQ(std::memcmp(lateApi.Library().Slot(1).eeprom.serial, "SN000001", 8), 0)
        << "a known receiver keeps its slot";
}

TEST_F(Reconnection, RemovalStopsARunningScanWithoutDeadlock) {
    Load();
    const int i = Lib().Open("SN000001");
    std::vector<std::uint32_t> list(100000, 10'000'000);
    // Paused at once after its first step, the scan holds no lock; removal must still end it.
    ASSERT_EQ(api->Scanner().Start(i, list.data(), static_cast<std::uint32_t>(list.size()), 1000,
                                   1'000'000, 0, 0x400),
              1);
    api->Scanner().Pause(i);
    api->DeviceChanges().OnRemoved(kPath);
    EXPECT_FALSE(Lib().Local(i).scanActive.load());
    EXPECT_EQ(Read(Lib().Slot(i).scanRunning), 0u);
}

} // namespace
} // namespace lxq::api::testing
