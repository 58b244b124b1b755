// The PCI transport under the device-control handler, against the simulated card: tuning reaches
// the card's registers and strobe, power, level and EEPROM take their register paths, the
// interrupt path wakes waiters, and a silent card fails requests instead of hanging them.

#include <gtest/gtest.h>

#include "driver/sim/PciCardSimulator.h"
#include "driver/transport/PciTransport.h"
#include "platform/sys/Clock.h"
#include "tests/driver/transport/DeviceRequests.h"

namespace lxq::transport {
namespace {

using test::Send;
using test::Tune;

class PciTransportTest : public ::testing::Test {
protected:
    PciTransportTest() {
        auto card = std::make_unique<sim::PciCardSimulator>(receiver);
        sim = card.get();
        auto owned = std::make_unique<PciTransport>(std::move(card));
        transport = owned.get();
        device = std::make_unique<host::ReceiverDevice>(std::move(owned));
    }

    void OpenAndPowerOn() {
        ASSERT_EQ(device->StartHardware(), kStatusSuccess);
        ASSERT_EQ(device->FirstOpen(), kStatusSuccess);
        ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_POWER, {1}, 4).status, kStatusSuccess);
        test::SelectReferenceAndIf2(*device);
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    sim::SimReceiver receiver{sim::SimVariant::Pci};
    sim::PciCardSimulator* sim = nullptr;
    PciTransport* transport = nullptr;
    std::unique_ptr<host::ReceiverDevice> device;
};

TEST_F(PciTransportTest, TuningReachesTheCardAndDecodesBackToTheFrequency) {
    OpenAndPowerOn();
    EXPECT_EQ(sim->Register(pcireg::kPower), 7);
    for (std::uint32_t hz : {7'100'000u, 145'500'000u, 1'296'000'000u}) {
        const auto answer = Tune(*device, hz);
        ASSERT_EQ(answer.status, kStatusSuccess) << hz;
        EXPECT_EQ(answer.Word(2), 1u) << hz;
        EXPECT_TRUE(receiver.IsTunedTo(hz)) << hz;
    }
    // A retune of the main synthesiser strobes the whole card.
    EXPECT_EQ(sim->Commands().back() & 15, 15);
}

TEST_F(PciTransportTest, OnlyChangedFieldsAreWrittenAndStrobedBySynthesiser) {
    OpenAndPowerOn();
    ASSERT_EQ(Tune(*device, 100'000'000).status, kStatusSuccess);
    const auto commands = sim->Commands().size();
    // The second LO alone touches words 8 and 12: the strobe names the second synthesiser only.
    ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_IF2_FREQUENCY, {10'700'000, 0, 1}, 12).status, kStatusSuccess);
    ASSERT_GT(sim->Commands().size(), commands);
    EXPECT_EQ(sim->Commands().back(), 9);
    // The same frequency again (once the jump bit of the first tune is gone) sends nothing.
    ASSERT_EQ(Tune(*device, 100'000'000).status, kStatusSuccess);
    const auto before = sim->Commands().size();
    ASSERT_EQ(Tune(*device, 100'000'000).status, kStatusSuccess);
    EXPECT_EQ(sim->Commands().size(), before);
}

TEST_F(PciTransportTest, LevelAttenuatorAndGainsReachTheRegisters) {
    OpenAndPowerOn();
    ASSERT_EQ(Tune(*device, 50'000'000).status, kStatusSuccess);
    receiver.SetDetector(157, 900); // a table point: -100.0 dBm with the simulated calibration
    const auto level = Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4);
    ASSERT_EQ(level.status, kStatusSuccess);
    EXPECT_EQ(static_cast<std::int32_t>(level.Word(0)), -1000);

    ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_ATTEN, {1}, 4).Word(0), 1u);
    EXPECT_EQ(receiver.Tuner().bandWord & kBandWordAttenuatorOff, 0);
    ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_ATTEN, {0}, 4).Word(0), 1u);
    EXPECT_NE(receiver.Tuner().bandWord & kBandWordAttenuatorOff, 0);

    ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_AGC, {0}, 4).status, kStatusSuccess);
    ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_IF_GAIN, {100}, 4).status, kStatusSuccess);
    EXPECT_EQ(receiver.Tuner().gain[1], 0); // full IF gain: byte 17 = 47 - 47
    EXPECT_EQ(receiver.Tuner().gain[0], 63);
}

TEST_F(PciTransportTest, InterruptWakesTheServiceEventAndCauseFourIsAnswered) {
    OpenAndPowerOn();
    ASSERT_TRUE(transport->InterruptConnected());
    ASSERT_TRUE(transport->Mailbox().UsesInterrupt()); // "Q7PCIv15"
    EXPECT_EQ(sim->InterruptWindow(kPciControlWord), 0x88000000u);
    EXPECT_EQ(sim->Register(pcireg::kInterruptEnable), 7);

    transport->Mailbox().ServiceEvent().Reset();
    const int claimed = sim->InterruptsClaimed();
    ASSERT_EQ(Tune(*device, 30'000'000).status, kStatusSuccess);
    transport->DrainDeferred();
    EXPECT_GT(sim->InterruptsClaimed(), claimed);
    EXPECT_TRUE(transport->Mailbox().ServiceEvent().IsSet());
    EXPECT_EQ(sim->InterruptWindow(kPciInterruptStatus), 0u); // acknowledged by writing it back

    sim->RaiseInterrupt(4);
    transport->DrainDeferred();
    EXPECT_EQ(sim->Register(pcireg::kInterruptEnable), 4);
    EXPECT_EQ(sim->Register(pcireg::kInterruptCause), 0);
}

TEST_F(PciTransportTest, InterruptRoutineDeclinesWhatIsNotTheCards) {
    OpenAndPowerOn();
    EXPECT_FALSE(transport->ServiceInterrupt()); // status 0: another device's interrupt
    EXPECT_EQ(sim->InterruptWindow(kPciInterruptMask), 0xFFFFFFFFu);
}

TEST_F(PciTransportTest, SilentCardFailsInsteadOfHanging) {
    OpenAndPowerOn();
    ASSERT_EQ(Tune(*device, 30'000'000).status, kStatusSuccess);
    sim->SetSilent(true);
    const auto tune = Tune(*device, 40'000'000);
    EXPECT_EQ(tune.status, kStatusDeviceBusy); // the lock read finds no card
    EXPECT_EQ(tune.Word(2), 0u);               // and nothing was confirmed
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4).status, kStatusDeviceBusy);
    sim->SetSilent(false);
    // The unconfirmed fields go out again with the next tune.
    ASSERT_EQ(Tune(*device, 40'000'000).status, kStatusSuccess);
    EXPECT_TRUE(receiver.IsTunedTo(40'000'000));
}

// The lock status register is read only once the card has finished what it was asked: a card that
// stays busy fails the lock wait instead of answering with a status from before.
TEST_F(PciTransportTest, TheLockWaitChecksThatTheCardAnswersFirst) {
    OpenAndPowerOn();
    ASSERT_EQ(Tune(*device, 30'000'000).status, kStatusSuccess);
    sim->SetBusyReads(1'000'000);
    EXPECT_EQ(Tune(*device, 40'000'000).status, kStatusDeviceBusy);
    sim->SetBusyReads(3);  // busy a moment, then done
    EXPECT_EQ(Tune(*device, 40'000'000).status, kStatusSuccess);
    EXPECT_TRUE(receiver.IsTunedTo(40'000'000));
}

// A pipelined scan over a card that stopped answering: each request reports the failed check, and
// from the fourth failed check in a row on the card is tuned regardless.
TEST_F(PciTransportTest, APipelinedScanTunesOnAfterFourChecksFindTheCardSilent) {
    OpenAndPowerOn();
    ASSERT_EQ(Tune(*device, 30'000'000).status, kStatusSuccess);
    sim->SetBusyReads(1'000'000);
    const std::uint32_t frequencies[] = {31'000'000, 32'000'000, 33'000'000, 34'000'000, 35'000'000};
    for (std::size_t i = 0; i < std::size(frequencies); ++i) {
        const auto answer = Send(*device, IOCTL_LXQ745_SET_FREQ_PIPELINED, {frequencies[i], 0, 0}, 12);
        EXPECT_EQ(answer.status, kStatusDeviceBusy) << i;
        // Tuned from the request whose check was the fourth to fail.
        EXPECT_EQ(device->State().frequency, i < 3 ? 30'000'000u : frequencies[i]) << i;
    }
    sim->SetBusyReads(0);
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_SET_FREQ_PIPELINED, {36'000'000, 0, 0}, 12).status, kStatusSuccess);
    EXPECT_EQ(device->State().frequency, 36'000'000u);
}

// New gains change what the card is doing: a wait for the card to finish is woken.
TEST_F(PciTransportTest, ApplyingGainsWakesTheServiceEvent) {
    OpenAndPowerOn();
    ASSERT_TRUE(transport->Mailbox().UsesInterrupt());
    for (std::uint32_t mode : {0u, 2u}) {
        transport->Mailbox().ServiceEvent().Reset();
        ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_AGC, {mode}, 4).status, kStatusSuccess);
        EXPECT_TRUE(transport->Mailbox().ServiceEvent().IsSet()) << mode;
    }
}

TEST_F(PciTransportTest, LockThatNeverComesTimesOutAfterOneSecond) {
    OpenAndPowerOn();
    receiver.SetLock(sim::LockMode::Never);
    const auto start = clock.Now();
    EXPECT_EQ(Tune(*device, 60'000'000).status, kStatusDeviceBusy);
    EXPECT_GE(clock.Now() - start, plat::sys::kNsPerSecond);
    receiver.SetLock(sim::LockMode::AfterReads, 3);
    EXPECT_EQ(Tune(*device, 61'000'000).status, kStatusSuccess);
}

TEST_F(PciTransportTest, EepromWritesGoThroughTheAddressAndDataRegisters) {
    OpenAndPowerOn();
    const std::uint8_t write[] = {kEepromIf1ManualGainOffset, 0x2A};
    auto request = host::IoRequest::Control(IOCTL_LXQ745_WRITE_EEPROM, write, 2, 0, 0, [](host::IoRequest&) {});
    ASSERT_EQ(device->HandleDeviceControl(*request), kStatusSuccess);
    request->Complete(kStatusSuccess);
    EXPECT_EQ(receiver.EepromByte(kEepromIf1ManualGainOffset), 0x2A);
    EXPECT_EQ(device->State().image.if1ManualGain, 0x2A);
}

TEST_F(PciTransportTest, ImagesReadThroughTheMailboxAreRepairedAndExtended) {
    receiver.SetImage(sim::MakeImage(sim::SimVariant::Pci, sim::ImageKind::BadCalibration));
    OpenAndPowerOn();
    EXPECT_EQ(device->State().image.agcStart, 877);      // the six words replaced together
    EXPECT_EQ(device->State().image.rssiReference2, 650); // replaced on its own
    EXPECT_EQ(receiver.Image().agcStart, 2000);           // the receiver's own EEPROM untouched

    receiver.SetImage(sim::MakeImage(sim::SimVariant::Pci, sim::ImageKind::OldBandEdge));
    ASSERT_EQ(device->FirstOpen(), kStatusSuccess);
    test::SelectReferenceAndIf2(*device);
    EXPECT_EQ(device->State().image.bandEdges[5], 400'000'000u);
    ASSERT_EQ(Tune(*device, 350'000'000).status, kStatusSuccess);
    EXPECT_EQ(device->State().hwInfo.band, 5);
    EXPECT_TRUE(receiver.IsTunedTo(350'000'000));
}

TEST_F(PciTransportTest, CardWithoutMemoryWindowsDoesNotStart) {
    sim->SetWindowsPresent(false);
    EXPECT_NE(device->StartHardware(), kStatusSuccess);
}

} // namespace
} // namespace lxq::transport
