// A real receiver behind the fake device: the probe at load, the opening sequence, caching only
// on success, failed measurements, EEPROM write bounds.

#include "platform/sys/MessageBox.h"
#include "tests/api/ApiFixture.h"

#include <cstring>
#include <fstream>
#include <future>
#include <thread>

namespace lxq::api::testing {
namespace {

class RealReceiver : public OneReceiverFixture {
protected:
    int OpenIt() {
        const int i = Lib().Open("SN000001");
        EXPECT_EQ(i, 1);
        return i;
    }
};

TEST_F(RealReceiver, ProbeAtLoadFillsTheSlotAndTheListShowsIt) {
    device->frequency = 7'050'000;
    Load();
    const RadioSlot& slot = Lib().Slot(1);
    EXPECT_EQ(Read(slot.simulated), 0u);
    EXPECT_EQ(std::memcmp(slot.eeprom.serial, "SN000001", 8), 0);
    EXPECT_EQ(Read(slot.frequency), 7'050'000u);
    EXPECT_EQ(Read(slot.deviceHandle), kNoDeviceHandle) << "the probe closed it again";
    EXPECT_EQ(Read(Lib().Table().openCount[0]), 0);
    EXPECT_EQ(Read(Lib().Slot(2).simulated), 1u);

    std::uint8_t records[2 * 42];
    std::memset(records, 0xEE, sizeof records);
    EXPECT_EQ(Lib().ListRadios(records, 50, 42), 1);
    std::uint32_t size;
    std::memcpy(&size, records, 4);
    EXPECT_EQ(size, 196u) << "a listed record's size word reads 196";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(records + 4)), "SN000001");
    EXPECT_EQ(records[42], 0xEE);
    EXPECT_EQ(Lib().ListRadios(records, 10, 42), 1) << "counts what does not fit";
}

TEST_F(RealReceiver, OpenRunsTheSequenceAndAppliesTheClockCalibrationFile) {
    // The program writes the file in its own spelling; the library must find it anyway.
    std::ofstream(dir.File("lxq745.ini")) << "[clockcalibration]\nSN000001=20000500\n";
    Load();
    device->log.clear();
    const int i = OpenIt();
    const std::vector<std::uint32_t> expected = {
        IOCTL_LXQ745_GET_VERSION,      IOCTL_LXQ745_READ_EEPROM,  IOCTL_LXQ745_SET_REF_CLOCK,
        IOCTL_LXQ745_SET_REF_CLOCK,    IOCTL_LXQ745_SET_IF2_FREQUENCY, IOCTL_LXQ745_GET_POWER,
        IOCTL_LXQ745_GET_FREQUENCY,    IOCTL_LXQ745_GET_ATTEN,    IOCTL_LXQ745_GET_RF_AMP,
        IOCTL_LXQ745_GET_AGC,          IOCTL_LXQ745_GET_IF_GAIN,  IOCTL_LXQ745_GET_IF2_FREQUENCY,
        IOCTL_LXQ745_GET_FMW};
    EXPECT_EQ(device->Log(), expected);
    ASSERT_GE(device->refClockRequests.size(), 2u);
    const RefClockRequest calibrated = device->refClockRequests[device->refClockRequests.size() - 2];
    EXPECT_EQ(calibrated.source, kRefSourceInternal);
    EXPECT_EQ(calibrated.hz, 20'000'500u);
    EXPECT_EQ(device->refClockRequests.back().hz, kRefClockKeepHz);
    EXPECT_EQ(Read(Lib().Slot(i).eeprom.refClockInternalHz), 20'000'500u);
    EXPECT_EQ(device->if2, 12'000u);
    EXPECT_EQ(Lib().OpenRadioDevice(0), 0) << "the only real receiver is open";
    EXPECT_EQ(Lib().OpenRadioDevice(i), i) << "a second open of one's own receiver counts";
    EXPECT_EQ(Lib().CloseRadioDevice(i), 1);
    EXPECT_EQ(Read(Lib().Slot(i).deviceHandle), static_cast<std::uint64_t>(i)) << "still open";
    EXPECT_EQ(Lib().CloseRadioDevice(i), 1);
    EXPECT_EQ(Read(Lib().Slot(i).deviceHandle), kNoDeviceHandle);
}

std::string g_boxText, g_boxCaption;
int RecordBox(std::uint32_t, std::string_view text, std::string_view caption, std::uint32_t) {
    g_boxText = text;
    g_boxCaption = caption;
    return plat::sys::kIdOk;
}

TEST_F(RealReceiver, DriverOfAnotherInterfaceVersionIsRefusedWithAWarning) {
    device->version = 8;
    auto previous = plat::sys::SetMessageBoxHook(RecordBox);
    Load();
    g_boxText.clear();
    EXPECT_EQ(Lib().OpenRadioDevice(1), 0);
    plat::sys::SetMessageBoxHook(previous);
    EXPECT_EQ(g_boxText, "Mismatched LXQ745 driver detected.\nPlease be sure both driver and API "
                         "are from the same release.");
    EXPECT_EQ(g_boxCaption, "LXQ745 API");
    EXPECT_EQ(Read(Lib().Table().openCount[0]), 0);
    EXPECT_EQ(Read(Lib().Slot(1).deviceHandle), kNoDeviceHandle);
}

TEST_F(RealReceiver, SetExportsCacheOnlyWhatTheDeviceConfirmed) {
    Load();
    const int i = OpenIt();
    RadioControl& c = Ctl();
    ASSERT_EQ(c.SetFrequency(i, 14'000'000), 1);
    EXPECT_EQ(device->frequency, 14'000'000u);
    const std::size_t sent = device->Count(IOCTL_LXQ745_SET_FREQUENCY);
    EXPECT_EQ(c.SetFrequency(i, 14'000'000), 1);
    EXPECT_EQ(device->Count(IOCTL_LXQ745_SET_FREQUENCY), sent) << "unchanged: nothing sent";

    device->okWord = 0; // the device takes the request but the setting did not reach hardware
    EXPECT_EQ(c.SetFrequency(i, 15'000'000), 0);
    EXPECT_EQ(c.GetFrequency(i), 14'000'000u);
    EXPECT_EQ(c.SetPower(i, 0), 0);
    EXPECT_EQ(c.GetPower(i), 1);
    EXPECT_EQ(c.SetAgc(i, 5), 0);
    EXPECT_EQ(c.GetAgc(i), 2);
    EXPECT_EQ(c.SetFmw(i, 1), 1) << "FM-wide has no output word: success is enough";
    device->okWord = 1;
    device->failing = {IOCTL_LXQ745_SET_ATTEN, IOCTL_LXQ745_SET_IF2_FREQUENCY};
    EXPECT_EQ(c.SetAtten(i, 1), 0);
    EXPECT_EQ(c.GetAtten(i), 0);
    EXPECT_EQ(c.SetIf2Frequency(i, 3'500), 0);
    EXPECT_EQ(c.GetIf2Frequency(i), 12'000) << "device's read-back";
    device->failing.clear();
    EXPECT_EQ(c.SetAtten(i, 1), 1);
    EXPECT_EQ(c.GetAtten(i), 1);
    EXPECT_EQ(c.SetAgc(i, 2), 1);
    const std::size_t agcSent = device->Count(IOCTL_LXQ745_SET_AGC);
    device->failing = {IOCTL_LXQ745_SET_AGC};
    EXPECT_EQ(c.SetAgc(i, 2), 1) << "unchanged AGC answers at once";
    EXPECT_EQ(device->Count(IOCTL_LXQ745_SET_AGC), agcSent + 0);
    EXPECT_EQ(c.IsSpectrumInverted(i), 1);
    EXPECT_EQ(c.IsDeviceConnected(i), 1);
}

TEST_F(RealReceiver, OpenReadsBackWhatOutlivesASessionAndCachesWhatTheReceiverHolds) {
    device->fmWide = 1; // left on by an earlier session
    Load();
    const int i = OpenIt();
    EXPECT_EQ(Ctl().GetFmw(i), 1);
    struct { std::int32_t asked, held; } gains[] = {{60, 60}, {100, 100}, {250, 100}, {0x1FF, 100}, {0x132, 50}};
    for (const auto& g : gains) {
        ASSERT_EQ(Ctl().SetIfGain(i, g.asked), 1);
        EXPECT_EQ(Read(device->ifGain), static_cast<std::uint32_t>(g.held)) << g.asked;
        EXPECT_EQ(Ctl().GetIfGain(i), g.held) << g.asked;
    }
}

TEST_F(RealReceiver, CacheExportsAnswerWhileARequestHoldsTheReceiver) {
    Load();
    const int i = OpenIt();
    ASSERT_EQ(Ctl().SetFrequency(i, 14'000'000), 1);
    ASSERT_EQ(Ctl().GetSignalStrengthDbm(i), -800);
    std::promise<void> held, release;
    std::thread longRequest([&] {
        std::lock_guard lock(Lib().Local(i).deviceLock);
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    // Each of these would wait for the release if it took the receiver's lock.
    EXPECT_EQ(Ctl().GetFrequency(i), 14'000'000u);
    EXPECT_EQ(Ctl().GetPower(i), 1);
    EXPECT_EQ(Ctl().GetAgc(i), 2);
    EXPECT_EQ(Ctl().GetAtten(i), 0);
    EXPECT_EQ(Ctl().GetIfGain(i), 50);
    EXPECT_EQ(Ctl().GetRfAmp(i), 1);
    EXPECT_EQ(Ctl().GetIf2Frequency(i), 12'000);
    EXPECT_EQ(Ctl().GetLastSsDbm(i), -800);
    EXPECT_STREQ(Ctl().GetPath2(i), kPath);
    std::uint8_t image[256];
    EXPECT_EQ(Ctl().GetEeprom(i, image), 1);
    release.set_value();
    longRequest.join();
}

TEST_F(RealReceiver, FirstFreeReceiverSkipsOneHeldOutsideTheTable) {
    auto second = AddDevice("/dev/lxq745/1");
    std::memcpy(second->eeprom.serial, "SN000002", 8);
    Load();
    // Held by a program that opened the device without the library: the device refuses.
    provider->refused.insert(kPath);
    EXPECT_EQ(Lib().OpenRadioDevice(0), 2);
    EXPECT_EQ(Read(Lib().Table().openCount[0]), 0) << "the refused one is left free";
    EXPECT_EQ(Lib().OpenRadioDevice(0), 0) << "no other free one";
}

TEST_F(RealReceiver, ConnectionStateNeverWaitsForABusyReceiver) {
    Load();
    const int i = OpenIt();
    std::promise<void> held, release;
    std::thread longRequest([&] {
        std::lock_guard lock(Lib().Local(i).deviceLock);
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    const std::size_t asked = device->Count(IOCTL_LXQ745_IS_CONNECTED);
    EXPECT_EQ(Ctl().IsDeviceConnected(i), 1) << "answered from the mark";
    // A removal marks the slot and this process's copy of the mark, which is what is read while
    // the device lock is held elsewhere.
    Lib().Slot(i).disconnected = 1;
    Lib().Local(i).unplugged.store(true);
    EXPECT_EQ(Ctl().IsDeviceConnected(i), 0);
    Lib().Slot(i).disconnected = 0;
    Lib().Local(i).unplugged.store(false);
    EXPECT_EQ(device->Count(IOCTL_LXQ745_IS_CONNECTED), asked);
    release.set_value();
    longRequest.join();
    EXPECT_EQ(Ctl().IsDeviceConnected(i), 1);
    EXPECT_EQ(device->Count(IOCTL_LXQ745_IS_CONNECTED), asked + 1) << "free: the device answers";
}

TEST_F(RealReceiver, AFailedMeasurementIsAFailureNotAFullScaleSignal) {
    Load();
    const int i = OpenIt();
    device->level = -700;
    EXPECT_EQ(Ctl().GetSignalStrengthDbm(i), -700);
    device->failing = {IOCTL_LXQ745_GET_SIGNAL_STRENGTH};
    EXPECT_EQ(Ctl().GetRawSignalStrength(i), -1);
    EXPECT_EQ(Ctl().GetSignalStrengthDbm(i), -1);
    EXPECT_EQ(Ctl().GetLastSsDbm(i), -700) << "the cache keeps the last real reading";
}

TEST_F(RealReceiver, FailedPipelinedMeasurementForcesTheNextTuning) {
    Load();
    const int i = OpenIt();
    ASSERT_EQ(Ctl().SetFrequency(i, 10'000'000), 1);
    ASSERT_EQ(Ctl().SetFreqPipelined(i, 10'000'000, 0, 20), 0);
    device->failing = {IOCTL_LXQ745_SET_FREQ_PIPELINED};
    EXPECT_EQ(Ctl().GetSSPipelined(i, nullptr, nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(Ctl().GetFrequency(i), 0u);
    device->failing.clear();
    const std::size_t sent = device->Count(IOCTL_LXQ745_SET_FREQUENCY);
    EXPECT_EQ(Ctl().SetFrequency(i, 10'000'000), 1);
    EXPECT_EQ(device->Count(IOCTL_LXQ745_SET_FREQUENCY), sent + 1);
}

TEST_F(RealReceiver, EepromWritesThatWouldWrapAreRefused) {
    Load();
    const int i = OpenIt();
    const std::uint32_t bandEdge0Before = device->eeprom.bandEdges[0];
    std::uint8_t data[16];
    std::memset(data, 0xAB, sizeof data);
    const struct {
        std::uint32_t guard, offset, count;
        int result;
    } cases[] = {{kCalibGuardWord, 250, 10, 0}, // would wrap onto the band plan
                 {kCalibGuardWord, 256, 1, 0},  {kCalibGuardWord, 0, 0, 0},
                 {0x3D9F, 10, 1, 0},            {kCalibGuardWord, 246, 10, 1},
                 {kCalibGuardWord, 255, 1, 1}};
    for (const auto& c : cases) {
        const std::size_t before = device->Count(IOCTL_LXQ745_WRITE_EEPROM);
        EXPECT_EQ(Ctl().WriteEeprom(i, c.guard, c.offset, c.count, data), c.result)
            << c.offset << "+" << c.count;
        EXPECT_EQ(device->Count(IOCTL_LXQ745_WRITE_EEPROM), before + (c.result ? 1 : 0));
    }
    EXPECT_EQ(Read(device->eeprom.bandEdges[0]), bandEdge0Before);
    std::uint8_t image[256];
    ASSERT_EQ(Ctl().GetEeprom(i, image), 1);
    EXPECT_EQ(image[246], 0xAB) << "the slot's copy was read back";
    EXPECT_EQ(image[255], 0xAB);
}

} // namespace
} // namespace lxq::api::testing
