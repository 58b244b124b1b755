// The serial transport against the simulated serial receiver: the handshake in order, tuning
// confirmed field by field, failure answers that read as failures, the not-responding state and
// recovery (silence, DSR drop, answers that never end), and the command queue's treatment of a
// command sent again while its earlier frame is on the wire.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "driver/sim/SerialReceiverSimulator.h"
#include "driver/transport/SerialTransport.h"
#include "platform/sys/Clock.h"
#include "tests/driver/transport/DeviceRequests.h"
#include "tests/support/Eventually.h"

namespace lxq::transport {
namespace {

using lxq_test::Eventually;
using test::Send;
using test::Tune;
namespace cmd = serialcmd;

SerialTimings QuickTimings() {
    SerialTimings t;
    t.query = 200 * plat::sys::kNsPerMs; // a silent receiver is noticed quickly
    t.eepromDump = 400 * plat::sys::kNsPerMs;
    t.dtrPulse = 0;
    return t;
}

class SerialTransportTest : public ::testing::Test {
protected:
    explicit SerialTransportTest(SerialTimings timings = QuickTimings()) {
        auto port = std::make_unique<sim::SerialReceiverSimulator>(receiver);
        sim = port.get();
        auto owned = std::make_unique<SerialTransport>(std::move(port), timings);
        transport = owned.get();
        device = std::make_unique<host::ReceiverDevice>(std::move(owned));
    }
    ~SerialTransportTest() override { device->LastClose(); }

    void OpenAndPowerOn() {
        ASSERT_EQ(device->FirstOpen(), kStatusSuccess);
        ASSERT_EQ(Send(*device, IOCTL_LXQ745_SET_POWER, {1}, 4).status, kStatusSuccess);
        test::SelectReferenceAndIf2(*device);
    }

    int Count(std::uint8_t command) const {
        const auto c = sim->Commands();
        return static_cast<int>(std::count(c.begin(), c.end(), command));
    }

    sim::SimReceiver receiver{sim::SimVariant::Serial};
    sim::SerialReceiverSimulator* sim = nullptr;
    SerialTransport* transport = nullptr;
    std::unique_ptr<host::ReceiverDevice> device;
};

TEST_F(SerialTransportTest, HandshakeRunsInOrderThenTheEepromAndStateAreRead) {
    ASSERT_EQ(device->FirstOpen(), kStatusSuccess);
    EXPECT_EQ(sim->Handshakes(), 1);
    EXPECT_EQ(sim->Line(), (LineSettings{38400, 8, false, 1}));
    const auto commands = sim->Commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(commands[0], kSerialSpeedChange);
    EXPECT_EQ(commands[1], cmd::kSetPower); // the receiver learns its power state first
    EXPECT_EQ(commands[2], cmd::kEepromDump);
    EXPECT_EQ(std::string(device->State().image.modelId, 8), "Q7SERv16");
    EXPECT_TRUE(transport->Responding());
}

TEST_F(SerialTransportTest, TuningIsConfirmedFieldByFieldAndDecodesBack) {
    OpenAndPowerOn();
    EXPECT_TRUE(receiver.Powered());
    for (std::uint32_t hz : {3'500'000u, 145'000'000u, 900'000'000u}) {
        const auto answer = Tune(*device, hz);
        ASSERT_EQ(answer.status, kStatusSuccess) << hz;
        EXPECT_EQ(answer.Word(2), 1u) << hz;
        EXPECT_TRUE(receiver.IsTunedTo(hz)) << hz;
    }
    receiver.SetDetector(157, 900);
    const auto level = Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4);
    ASSERT_EQ(level.status, kStatusSuccess);
    EXPECT_EQ(static_cast<std::int32_t>(level.Word(0)), -1000);
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_SET_ATTEN, {1}, 4).Word(0), 1u);
    EXPECT_EQ(receiver.Tuner().bandWord & kBandWordAttenuatorOff, 0);
}

// Reading the receiver back asks for detector word a (command 137): as it comes, with the last b,
// it gives the level the receiver shows now, without a measurement of its own.
TEST_F(SerialTransportTest, TheDetectorWordReadBackGivesTheLevel) {
    OpenAndPowerOn();
    receiver.SetDetector(157, 900);
    ASSERT_EQ(static_cast<std::int32_t>(Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4).Word(0)), -1000);
    receiver.SetDetector(763, 900);  // another table point: -90.0 dBm
    const int measured = Count(cmd::kMeasure);
    ASSERT_EQ(Send(*device, IOCTL_LXQ745_GET_DEBUG, {}, 64).status, kStatusSuccess);
    const auto last = Send(*device, IOCTL_LXQ745_SET_FREQ_PIPELINED, {145'000'000, 0, kPipelinedNoWait << 16}, 12);
    ASSERT_EQ(last.status, kStatusSuccess);
    EXPECT_EQ(static_cast<std::int32_t>(last.Word(2)), -900);
    EXPECT_EQ(Count(cmd::kMeasure), measured) << "no measurement was taken for it";
}

// A setting asked for while the link comes up again (the receiver dropped DSR: a new handshake)
// waits for the link and is sent once it is up, rather than failing at once.
TEST_F(SerialTransportTest, ASettingAskedForWhileTheLinkComesUpIsSentOnceItIsUp) {
    OpenAndPowerOn();
    for (std::uint32_t round = 0; round < 10; ++round) {
        const std::uint32_t on = round % 2 == 0 ? 1 : 0;
        sim->DropDsr();
        const auto answer = Send(*device, IOCTL_LXQ745_SET_ATTEN, {on}, 4);
        EXPECT_EQ(answer.status, kStatusSuccess) << round;
        EXPECT_EQ(answer.Word(0), 1u) << round;
        ASSERT_TRUE(Eventually([&] { return !transport->IsBusy(); }));
        EXPECT_EQ((receiver.Tuner().bandWord & kBandWordAttenuatorOff) == 0, on == 1) << round;
    }
}

// After a handshake the link first tells the receiver what its owner held when the handshake
// ended; a command a request queued meanwhile carries what was asked since, and stands: the
// state sent after the handshake does not replace it with the value from before.
TEST(SerialLinkReady, TheStateSentAfterAHandshakeDoesNotReplaceACommandQueuedMeanwhile) {
    sim::SimReceiver receiver{sim::SimVariant::Serial};
    sim::SerialReceiverSimulator port(receiver);
    SerialTimings timings = QuickTimings();
    SerialLink link(port, timings);
    const std::uint8_t on = 1;
    const std::uint8_t before[2] = {0x00, 0x00}, asked[2] = {static_cast<std::uint8_t>(kBandWordAttenuatorOff), 0x00};
    int handshakes = 0;
    link.SetHandlers([](const SerialAnswer&) {}, [&] {
        if (handshakes++ == 0) return;
        link.Send(cmd::kSetPower, &on, 1);
        link.Send(cmd::kSetBand, before, 2); // the owner's state, taken before the request below
        link.Send(cmd::kCommit, nullptr, 0);
    });
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(link.StartReader());
    ASSERT_EQ(link.Query(cmd::kSetPower, &on, 1, timings.query), kStatusSuccess);

    // The receiver drops DSR and stays silent: the link is coming up again, and waits.
    port.SetSilent(true);
    port.DropDsr();
    ASSERT_TRUE(Eventually([&] { return !link.Responding(); })) << "the link saw the receiver go";
    link.Send(cmd::kSetBand, asked, 2); // a request's setting, waiting for the link
    link.Send(cmd::kCommit, nullptr, 0);
    port.SetSilent(false);
    ASSERT_TRUE(Eventually([&] { return handshakes == 2 && link.QueuedCommands() == 0; }));
    const std::uint16_t band = receiver.Tuner().bandWord; // a copy: the tuner record is packed
    EXPECT_EQ(band, kBandWordAttenuatorOff) << "the value from before the request won";
    link.StopReader();
    port.Close();
}

TEST_F(SerialTransportTest, FailureAnswersReadAsFailures) {
    OpenAndPowerOn();
    for (char terminator : {'!', '#'}) {
        sim->SetFailureAnswer(cmd::kSetWord4, terminator);
        const auto refused = Tune(*device, terminator == '!' ? 20'000'000 : 21'000'000);
        EXPECT_EQ(refused.Word(2), 0u) << terminator; // the fraction word never reached the receiver
        sim->SetFailureAnswer(cmd::kSetWord4, 0);

        sim->SetFailureAnswer(cmd::kSetPower, terminator);
        const auto power = Send(*device, IOCTL_LXQ745_SET_POWER, {1}, 4);
        EXPECT_NE(power.status, kStatusSuccess) << terminator;
        EXPECT_EQ(power.Word(0), 0u) << terminator;
        sim->SetFailureAnswer(cmd::kSetPower, 0);

        sim->SetFailureAnswer(cmd::kCommit, terminator);
        EXPECT_NE(Tune(*device, 22'000'000).status, kStatusSuccess) << terminator;
        sim->SetFailureAnswer(cmd::kCommit, 0);
    }
    // The refused field goes out again and the receiver ends where it was asked to be.
    const auto answer = Tune(*device, 23'000'000);
    EXPECT_EQ(answer.Word(2), 1u);
    EXPECT_TRUE(receiver.IsTunedTo(23'000'000));
}

TEST_F(SerialTransportTest, SilenceMakesThePortNotRespondingUntilTheNextHandshake) {
    OpenAndPowerOn();
    ASSERT_EQ(Tune(*device, 10'000'000).status, kStatusSuccess);
    sim->SetSilent(true);
    EXPECT_EQ(Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4).status, kStatusIoDeviceError);
    EXPECT_FALSE(transport->Responding());
    // While not responding every query fails at once, and never as success.
    EXPECT_EQ(transport->SetPower(true), kStatusIoDeviceError);
    EXPECT_EQ(transport->Link().Query(cmd::kReadPower, nullptr, 0, plat::sys::kNsPerSecond), kStatusIoDeviceError);

    const int before = Count(cmd::kSetWord0);
    sim->SetSilent(false);
    ASSERT_TRUE(Eventually([&] { return transport->Responding(); }));
    // The whole state is sent again once the receiver is back.
    ASSERT_TRUE(Eventually([&] { return Count(cmd::kSetWord0) > before && !transport->IsBusy(); }));
    EXPECT_TRUE(receiver.IsTunedTo(10'000'000));
    EXPECT_EQ(Tune(*device, 11'000'000).status, kStatusSuccess);
}

TEST_F(SerialTransportTest, DsrDropAndEndlessAnswersStartANewHandshake) {
    OpenAndPowerOn();
    sim->DropDsr();
    ASSERT_TRUE(Eventually([&] { return sim->Handshakes() == 2 && transport->Link().State() == ReaderState::Ready; }));
    ASSERT_TRUE(Eventually([&] { return !transport->IsBusy(); })); // the state sent again

    sim->SetOverlongAnswers(1);
    EXPECT_NE(Send(*device, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, {0x18}, 4).status, kStatusSuccess);
    ASSERT_TRUE(Eventually([&] { return sim->Handshakes() == 3 && transport->Link().State() == ReaderState::Ready; }));
    ASSERT_TRUE(Eventually([&] { return !transport->IsBusy(); }));
    EXPECT_EQ(Tune(*device, 12'000'000).status, kStatusSuccess);
}

class SerialHandshakeTest : public SerialTransportTest {
protected:
    static SerialTimings ShortReady() {
        SerialTimings t = QuickTimings();
        t.ready = 300 * plat::sys::kNsPerMs;
        t.announcement = 50 * plat::sys::kNsPerMs;
        return t;
    }
    SerialHandshakeTest() : SerialTransportTest(ShortReady()) {}
};

TEST_F(SerialHandshakeTest, BadAnnouncementChecksumFailsTheOpen) {
    sim->SetBadAnnouncementChecksum(true);
    EXPECT_EQ(device->FirstOpen(), kStatusIoDeviceError);
    EXPECT_TRUE(std::find(sim->Commands().begin(), sim->Commands().end(), kSerialSpeedChange) ==
                sim->Commands().end());
}

// The command queue on its own, with the answers captured as the reader hands them over.
class SerialLinkTest : public ::testing::Test {
protected:
    SerialLinkTest() {
        port.Open();
        link.SetHandlers(
            [this](const SerialAnswer& a) {
                std::lock_guard lock(mutex);
                answers.push_back(a);
            },
            nullptr);
        EXPECT_TRUE(link.StartReader());
        std::lock_guard lock(mutex);
        answers.clear(); // the handshake's own answer
    }
    std::vector<SerialAnswer> Answers() {
        std::lock_guard lock(mutex);
        return answers;
    }

    sim::SimReceiver receiver{sim::SimVariant::Serial};
    sim::SerialReceiverSimulator port{receiver};
    SerialLink link{port, QuickTimings()};
    std::mutex mutex;
    std::vector<SerialAnswer> answers;
};

TEST_F(SerialLinkTest, ResendingTheCommandOnTheWireConfirmsEachValueWithItsOwnAnswer) {
    port.SetAnswerDelayed(cmd::kSetWord0, true);
    const std::uint8_t first[4] = {0, 0, 0, 1}, second[4] = {0, 0, 0, 2};
    link.Send(cmd::kSetWord0, first, 4); // on the wire, its answer held back
    link.Send(cmd::kSetWord0, second, 4); // queued a second time behind it
    port.SetAnswerDelayed(cmd::kSetWord0, false);
    port.ReleaseDelayed();
    ASSERT_TRUE(Eventually([&] { return Answers().size() == 2; }));
    const auto got = Answers();
    EXPECT_EQ(got[0].payload, std::vector<std::uint8_t>(first, first + 4));
    EXPECT_EQ(got[1].payload, std::vector<std::uint8_t>(second, second + 4));
}

// A command sent again while its earlier frame is on the wire: the earlier waiter is woken as
// replaced at once, and each frame is still confirmed by its own answer.
TEST_F(SerialLinkTest, SendingTheCommandOnTheWireAgainWakesItsWaiter) {
    port.SetAnswerDelayed(cmd::kSetWord0, true);
    const std::uint8_t first[4] = {0, 0, 0, 1}, second[4] = {0, 0, 0, 2};
    NtStatus earlier = kStatusPending;
    std::thread waiter([&] { earlier = link.Query(cmd::kSetWord0, first, 4, plat::sys::kNsPerSecond); });
    // A ready link writes the head as it is queued: once it is there, it is on the wire.
    ASSERT_TRUE(Eventually([&] { return link.CommandOutstanding(); }));
    link.Send(cmd::kSetWord0, second, 4);
    waiter.join();  // woken before any answer came
    EXPECT_EQ(earlier, kStatusCancelled);
    EXPECT_TRUE(Answers().empty());
    port.SetAnswerDelayed(cmd::kSetWord0, false);
    port.ReleaseDelayed();
    ASSERT_TRUE(Eventually([&] { return Answers().size() == 2; }));
    EXPECT_EQ(Answers()[0].payload, std::vector<std::uint8_t>(first, first + 4));
    EXPECT_EQ(Answers()[1].payload, std::vector<std::uint8_t>(second, second + 4));
}

TEST_F(SerialLinkTest, ANewerValueReplacesOneStillWaitingAndWakesItsWaiter) {
    port.SetAnswerDelayed(cmd::kSetWord0, true);
    const std::uint8_t head[4] = {0, 0, 0, 9}, older[1] = {20}, newer[1] = {40};
    link.Send(cmd::kSetWord0, head, 4);
    NtStatus supersededStatus = kStatusSuccess;
    std::thread waiter([&] { supersededStatus = link.Query(cmd::kSetDwell, older, 1, plat::sys::kNsPerSecond); });
    // The newer value must meet the query queued behind the head, not arrive before it.
    ASSERT_TRUE(Eventually([&] { return link.QueuedCommands() == 2; }));
    link.Send(cmd::kSetDwell, newer, 1);
    waiter.join();
    EXPECT_EQ(supersededStatus, kStatusCancelled);
    port.SetAnswerDelayed(cmd::kSetWord0, false);
    port.ReleaseDelayed();
    ASSERT_TRUE(Eventually([&] { return Answers().size() == 2; }));
    EXPECT_EQ(Answers()[1].command, cmd::kSetDwell);
    EXPECT_EQ(Answers()[1].payload, std::vector<std::uint8_t>(1, 40));
    EXPECT_EQ(receiver.Tuner().dwell, 40);
}

} // namespace
} // namespace lxq::transport
