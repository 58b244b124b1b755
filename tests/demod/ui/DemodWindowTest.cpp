// One demodulator instance against a recording host and the stand-in receiver library: what it
// asks and announces at start, how it takes each host notification, and how it closes.

#include "demod/ui/DemodInstances.h"
#include "demod/ui/DemodWindow.h"
#include "demod/ui/ModeTable.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"
#include "tests/support/ByValue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace demod_test;
using toolkit_test::Pump;

constexpr std::uint32_t kReceiver = 7;

class DemodWindowTest : public ::testing::Test {
protected:
    DemodWindowTest() {
        ResetApi();
        ResetHost();
    }
    ~DemodWindowTest() override {
        delete window_;
        Pump();
    }
    DemodWindow* Start(const std::vector<unsigned char>& caps = Caps()) {
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_,
                                  DemodWindow::InterfaceOf(reinterpret_cast<const char*>(caps.data() + 44)),
                                  FAKE_API_PATH);
        return window_;
    }
    int Notify(std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData = 0, void* data = nullptr) {
        return window_->Notify(kReceiver, code, dwParam, cbData, data);
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig audio_;
    std::uint32_t mask_ = 0;
    DemodWindow* window_ = nullptr;
};

TEST_F(DemodWindowTest, WithoutAnswersFromTheHostEverySettingReadsAsSet) {
    Host().settings.clear(); // every query answers 0x80000000
    Start();
    EXPECT_EQ(window_->Power(), 0x80000000u);
    EXPECT_EQ(window_->ScanMode(), 0x80000000u);
    EXPECT_FALSE(window_->IsEnabled());
}

TEST_F(DemodWindowTest, StartAsksTheHostInOrderAndAnnouncesElevenModes) {
    Host().settings[KVR_NOTIFY_FREQUENCY] = static_cast<std::int32_t>(0x80000000u | 1000);
    Host().settings[KVR_NOTIFY_AFC] = 1;
    Start();
    ASSERT_TRUE(window_->Started());
    EXPECT_EQ(mask_, 0xFFFF14F5u);

    std::vector<std::uint32_t> asked;
    for (const HostCall& c : Host().Of(KVR_CB_GET_SETTING)) asked.push_back(c.dwParam);
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{0xD04, 0xB02, 0x800, 0x100, 0xF00, 0xB01}));
    EXPECT_EQ(Host().Of(KVR_CB_GET_SETTING).back().cbData, 28u);
    EXPECT_EQ(window_->Power(), 1u);
    EXPECT_EQ(window_->Afc(), 1u);
    EXPECT_EQ(window_->Frequency(), 10000);
    EXPECT_EQ(Host().Of(KVR_CMD_VOLUME).at(0).dwParam, 10u);
    for (const HostCall& c : Host().calls) EXPECT_EQ(c.instance, 0) << "nothing carries the handle before the start";

    const auto caps = Host().Of(KVR_CB_SET_CAPABILITIES);
    ASSERT_EQ(caps.size(), 1u);
    const HostCall& own = caps[0];
    EXPECT_EQ(own.cbData, 400u + 11 * 28);
    EXPECT_EQ(own.Field(0), static_cast<std::int32_t>(own.cbData));
    EXPECT_EQ(own.Field(228), 11);
    const std::int32_t table = own.Field(236);
    for (int i = 0; i < kModeCount; ++i) {
        EXPECT_EQ(own.Field(table + 28 * i), static_cast<std::int32_t>(ModeTable[i].hostCode));
        EXPECT_EQ(own.Field(table + 28 * i + 12), 20000);
    }
    EXPECT_EQ(own.Field(192) & 0x40040, 0x40040);
    EXPECT_EQ(own.Field(276), 31);
}

TEST_F(DemodWindowTest, AReceiverThatDoesNotOpenStartsOnlyAsDemonstration) {
    Api().openResult = 0;
    EXPECT_FALSE(Start()->Started());
    delete window_;
    window_ = nullptr;
    EXPECT_TRUE(Start(Caps("Talvenor Communications", "Q7USBv2-demo"))->Started());
    EXPECT_TRUE(window_->IsDemonstration());
}

TEST_F(DemodWindowTest, InterfaceKindComesFromTheProductName) {
    const struct {
        const char* product;
        DemodWindow::Interface kind;
    } cases[] = {{"Q7USBv1", DemodWindow::kUsb}, {"Q7SERv3", DemodWindow::kSerial}, {"Q7PCIv1", DemodWindow::kPci},
                 {"Q7USB", DemodWindow::kPci},   {"q7usbv1", DemodWindow::kPci},   {"", DemodWindow::kPci}};
    for (const auto& c : cases) EXPECT_EQ(DemodWindow::InterfaceOf(c.product), c.kind) << c.product;
}

TEST_F(DemodWindowTest, NotificationsOfAnotherReceiverAreLeftToOthers) {
    Start();
    EXPECT_EQ(window_->Notify(kReceiver + 1, KVR_NOTIFY_VOLUME, 31, 0, nullptr), 0);
    EXPECT_EQ(window_->Volume(), 10u);
    EXPECT_EQ(Notify(0x1234, 0), 1) << "unknown codes are taken and ignored";
}

TEST_F(DemodWindowTest, FrequencyIsUnpackedToHertz) {
    Start();
    const struct {
        std::uint32_t packed;
        std::int64_t hz;
    } cases[] = {{0x80000001u, 10}, {0xFFFFFFFFu, 21474836470}, {0x80000000u, 0}, {12345678, 12345678}};
    for (const auto& c : cases) {
        Notify(KVR_NOTIFY_FREQUENCY, c.packed);
        EXPECT_EQ(window_->Frequency(), c.hz) << std::hex << c.packed;
    }
}

TEST_F(DemodWindowTest, HostBandwidthBelowTheModesLimitIsApplied) {
    Start();
    const struct {
        int button;
        std::int32_t hz;
        double half;
    } cases[] = {
        {0, 20000, 4500},  // AM: exactly the limit is ignored
        {0, 19990, 9995},  // just below is taken
        {4, 10000, 1150},  // USB limit is 10000
        {4, 3000, 1500},   // USB below it
        {0, 0, 0},         // no bandwidth at all: ignored
        {0, -5, 0},        // nor a negative one
    };
    for (const auto& c : cases) {
        window_->OnModeButton(c.button, false);
        const double before = window_->HalfBandwidth();
        Notify(KVR_NOTIFY_BANDWIDTH, static_cast<std::uint32_t>(c.hz));
        if (c.hz < 1) EXPECT_EQ(window_->HalfBandwidth(), before);
        else EXPECT_EQ(window_->HalfBandwidth(), c.half) << c.button << " " << c.hz;
    }
    EXPECT_TRUE(Host().Of(KVR_CMD_MODE).empty()) << "host-driven changes send no mode command";
}

TEST_F(DemodWindowTest, WideFmModeIsRefusedWithoutTheReceiversCapability) {
    ResetApi(false);
    Start();
    EXPECT_EQ(Notify(KVR_NOTIFY_MODE, 3), 0);
    EXPECT_EQ(window_->ModeIndex(), 0);
    EXPECT_EQ(Notify(KVR_NOTIFY_MODE, 5), 1);
    EXPECT_EQ(window_->ModeIndex(), kModeUsb);
    EXPECT_EQ(Host().Of(KVR_CMD_BANDWIDTH).back().dwParam, 2300u);
    EXPECT_EQ(Notify(KVR_NOTIFY_MODE, 99), 1) << "an unknown host mode is taken and ignored";
}

TEST_F(DemodWindowTest, WideFmModeIsTakenWithTheCapability) {
    Start();
    EXPECT_EQ(Notify(KVR_NOTIFY_MODE, 3), 1);
    EXPECT_EQ(window_->ModeIndex(), kModeFmw);
}

// A receiver whose wide-FM switch is answered only when the test says so, and the order in which
// the switch and the close reached it.
struct SlowWideFmReceiver {
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    std::atomic<bool> gaveUp{false}; // the switch on waited out its bound without an answer
    std::mutex lock;
    std::vector<std::string> calls;

    static SlowWideFmReceiver* current;
    static void OnCall(const FakeApiCall& call, std::int64_t value) {
        SlowWideFmReceiver& r = *current;
        std::string name;
        if (&call == &Api().setFmw) name = "wide FM " + std::to_string(value);
        else if (&call == &Api().close) name = "close";
        else return;
        if (name == "wide FM 1" && r.answered.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
            r.gaveUp = true;
        std::lock_guard hold(r.lock);
        r.calls.push_back(name);
    }
};
SlowWideFmReceiver* SlowWideFmReceiver::current = nullptr;

TEST_F(DemodWindowTest, TheWideFmSwitchWaitsForTheReceiverOffTheModeButtonsAndTheCloseComesAfterIt) {
    SlowWideFmReceiver receiver;
    SlowWideFmReceiver::current = &receiver;
    Api().onCall = &SlowWideFmReceiver::OnCall;
    Start();
    ASSERT_TRUE(window_->Started());
    window_->OnModeButton(ModeButtonOfIndex(kModeFmw), true);
    window_->OnModeButton(ModeButtonOfIndex(kModeFmn), true);
    EXPECT_FALSE(receiver.gaveUp) << "the mode button waited for the receiver";
    EXPECT_EQ(window_->ModeIndex(), kModeFmn) << "the window shows the user's choice at once";
    EXPECT_GE(window_->ReceiverRequestsPending(), 2u) << "both switches still to come";

    receiver.answer.set_value();
    delete window_;
    window_ = nullptr;
    Api().onCall = nullptr;
    std::lock_guard hold(receiver.lock);
    // The start's narrow setting, the user's two, and the close only after the last of them (the
    // close's own switch back to narrow finds it narrow already).
    EXPECT_EQ(receiver.calls, (std::vector<std::string>{"wide FM 0", "wide FM 1", "wide FM 0", "close"}));
}

TEST_F(DemodWindowTest, SquelchRecordSetsTheSecondaryTypesAndReportsTheChange) {
    Start();
    std::int32_t record[7] = {0, 40, 88500, 0, 0, 25, -19};
    EXPECT_EQ(Notify(KVR_NOTIFY_SQUELCH, 0x2 | 0x4 | 0x100 | 0x200, 27, record), 1);
    EXPECT_FALSE(window_->NoiseFlag()) << "a record of another size changes nothing";

    Notify(KVR_NOTIFY_SQUELCH, 0x2 | 0x4 | 0x100 | 0x200, 28, record);
    EXPECT_TRUE(window_->NoiseFlag());
    EXPECT_EQ(window_->NoiseThreshold(), 40);
    EXPECT_TRUE(window_->VoiceFlag());
    EXPECT_FLOAT_EQ(window_->VoiceLevel(), 0.25f);
    EXPECT_FLOAT_EQ(window_->CtcssTone(), 88.5f);
    EXPECT_TRUE(window_->DcsFlag());
    EXPECT_EQ(window_->DcsCode(), -19);

    Host().Clear();
    Pump();
    const auto info = Host().Of(KVR_CMD_SQUELCHED_INFO);
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].cbData, 28u);
    EXPECT_NE(info[0].instance, 0);
    EXPECT_EQ(window_->ReportPending(), 0);

    Notify(KVR_NOTIFY_SQUELCH, 0x2 | 0x4 | 0x100 | 0x200, 28, record);
    Pump();
    EXPECT_EQ(Host().Of(KVR_CMD_SQUELCHED_INFO).size(), 1u) << "no change, no report";
}

TEST_F(DemodWindowTest, ScanModeRestartsSettlingAndFrequencyReportsAtOnceWithoutSecondaryTypes) {
    Start();
    Notify(KVR_NOTIFY_SCAN_MODE, 1);
    EXPECT_FALSE(window_->IsEnabled());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(window_->SettlingCounter(i), 1u);

    Host().Clear();
    Notify(KVR_NOTIFY_FREQUENCY, 145000000);
    const auto info = Host().Of(KVR_CMD_SQUELCHED_INFO);
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].dwParam, 0u);
    EXPECT_EQ(info[0].cbData, 0u);

    std::int32_t record[7] = {0, 40, 0, 0, 0, 0, 0};
    Notify(KVR_NOTIFY_SQUELCH, 0x2, 28, record);
    Host().Clear();
    Notify(KVR_NOTIFY_FREQUENCY, 145000000);
    EXPECT_TRUE(Host().Of(KVR_CMD_SQUELCHED_INFO).empty()) << "the audio path reports when noise is judged";
    Pump();
    EXPECT_TRUE(Host().Of(KVR_CMD_SQUELCHED_INFO).empty()) << "no status report while scanning";

    Notify(KVR_NOTIFY_SCAN_MODE, 0);
    EXPECT_TRUE(window_->IsEnabled());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(window_->SettlingCounter(i), 0u);
}

TEST_F(DemodWindowTest, VolumeMuteAndAudioFilterFollowTheHostWithoutCommands) {
    Start();
    Host().Clear();
    Notify(KVR_NOTIFY_VOLUME, 31);
    EXPECT_EQ(window_->Volume(), 31u);
    EXPECT_DOUBLE_EQ(window_->VolumeFactor(), 1.0);
    Notify(KVR_NOTIFY_MUTE, 1);
    EXPECT_TRUE(window_->Mute());
    std::int32_t filter[3] = {0, 2800, -60};
    Notify(KVR_NOTIFY_AUDIO_FILTER, 2, 12, filter);
    EXPECT_TRUE(window_->AfFilter());
    Notify(KVR_NOTIFY_AUDIO_FILTER, 1);
    EXPECT_TRUE(window_->AfFilter()) << "other values change nothing";
    Notify(KVR_NOTIFY_AUDIO_FILTER, 0);
    EXPECT_FALSE(window_->AfFilter());
    EXPECT_TRUE(Host().calls.empty());
}

TEST_F(DemodWindowTest, CapabilitiesNotificationReplacesTheKeptCopyOnlyWhenWhole) {
    Start();
    auto caps = Caps("Talvenor Communications", "Q7PCIv9", "ABC");
    Notify(KVR_NOTIFY_CAPABILITIES, 0, 100, caps.data());
    EXPECT_EQ(window_->Capabilities()[76], 0) << "a short block is not taken";
    Notify(KVR_NOTIFY_CAPABILITIES, 0, 400, caps.data());
    EXPECT_EQ(window_->Capabilities()[76], 'A');
}

TEST_F(DemodWindowTest, StatusTextNamesTheSecondaryTypesWithTheReportsValues) {
    Start();
    const struct {
        std::uint32_t flags;
        std::int32_t noise, tone, voice, dcs;
        const char* text;
    } cases[] = {
        {0, 0, 0, 0, 0, ""},
        {0x2, 37, 0, 0, 0, " Noise 37 % "},
        {0x2 | 0x100, 37, 0, 55, 0, " Voice 55 % "},
        {0x4, 0, 88500, 0, 0, " CTCSS 88.5 Hz "},
        {0x4, 0, 0, 0, 0, " CTCSS "},
        {0x200, 0, 0, 0, 19, " DCS +023 "},
        {0x200, 0, 0, 0, -19, " DCS -023 "},
        {0x200, 0, 0, 0, 512, " DCS "},
    };
    for (const auto& c : cases) {
        std::int32_t request[7] = {0, 50, 88500, 0, 0, 50, 19};
        Notify(KVR_NOTIFY_SQUELCH, c.flags, 28, request);
        std::int32_t report[7] = {0, c.noise, c.tone, 0, 0, c.voice, c.dcs};
        std::memcpy(window_->SquelchReport(), report, 28);
        EXPECT_EQ(window_->SquelchStatusText(), c.text) << c.flags;
    }
    Notify(KVR_NOTIFY_SCAN_MODE, 1);
    EXPECT_EQ(window_->SquelchStatusText(), "") << "hidden while scanning";
}

TEST_F(DemodWindowTest, CloseGivesTheHostItsCapabilitiesBackAndReportsClosedOnce) {
    Start();
    DemodInstances::Add(window_);
    Host().Clear();
    Notify(KVR_NOTIFY_CLOSE, 0);
    const auto caps = Host().Of(KVR_CB_SET_CAPABILITIES);
    ASSERT_EQ(caps.size(), 1u);
    EXPECT_EQ(caps[0].Field(228), 0);
    EXPECT_EQ(caps[0].Field(236), 0);
    EXPECT_EQ(caps[0].Field(192) & 0x40040, 0);
    Pump();
    window_ = nullptr; // deleted by its close
    const auto closed = Host().Of(KVR_CB_CLOSED);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(closed[0].data.data())), "Q745 Professional");
    EXPECT_EQ(closed[0].cbData, 18u);
    EXPECT_EQ(DemodInstances::Count(), 0u);
    EXPECT_FALSE(DemodInstances::Allocated());
}

// The host answers an instance's first requests with notifications while the instance is still
// being built; they reach it, in order, once it is listed. A start that fails drops them.
TEST_F(DemodWindowTest, NotificationsDuringAStartReachTheNewInstanceOnceListed) {
    DemodInstances::BeginStart(kReceiver);
    DemodInstances::Dispatch(kReceiver, KVR_NOTIFY_VOLUME, 25, 0, nullptr);
    DemodInstances::AbandonStart();
    DemodInstances::BeginStart(kReceiver);
    DemodInstances::Dispatch(kReceiver, KVR_NOTIFY_VOLUME, 20, 0, nullptr);
    DemodInstances::Dispatch(kReceiver, KVR_NOTIFY_VOLUME, 22, 0, nullptr);
    std::uint32_t power = 0;
    DemodInstances::Dispatch(kReceiver, KVR_NOTIFY_POWER, power, sizeof power, &power);
    Start();
    ASSERT_TRUE(window_->Started());
    EXPECT_EQ(window_->Volume(), 10u) << "nothing is handed over before the instance is listed";
    ASSERT_TRUE(DemodInstances::FinishStart(window_));
    EXPECT_EQ(DemodInstances::Count(), 1u);
    EXPECT_EQ(window_->Volume(), 22u) << "the last of them, not the one of the failed start";
    EXPECT_EQ(window_->Power(), 0u);
    EXPECT_FALSE(window_->IsEnabled());
    DemodInstances::Dispatch(kReceiver, KVR_NOTIFY_VOLUME, 12, 0, nullptr);
    EXPECT_EQ(window_->Volume(), 12u) << "after the start, notifications go straight to it";
    DemodInstances::Remove(window_);
}

TEST_F(DemodWindowTest, NotificationGoesToTheNewestInstanceOfItsReceiverOnly) {
    ResetApi(false);
    auto caps = Caps();
    auto* older = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
    auto* newer = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
    auto* other = new DemodWindow(kReceiver + 1, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
    for (DemodWindow* w : {older, newer, other}) DemodInstances::Add(w);

    DemodInstances::Dispatch(kReceiver, KVR_NOTIFY_VOLUME, 20, 0, nullptr);
    EXPECT_EQ(newer->Volume(), 20u);
    EXPECT_EQ(older->Volume(), 10u);
    EXPECT_EQ(other->Volume(), 10u);
    // The newer one refuses wide FM, so the older one is offered it (and refuses too).
    DemodInstances::Dispatch(kReceiver, KVR_NOTIFY_MODE, 3, 0, nullptr);
    EXPECT_EQ(older->ModeIndex(), 0);

    delete newer;
    EXPECT_EQ(DemodInstances::Count(), 2u);
    delete older;
    delete other;
    EXPECT_FALSE(DemodInstances::Allocated());
    DemodInstances::Add(window_ = Start());
    EXPECT_TRUE(DemodInstances::Allocated()) << "a new start builds a new list";
    DemodInstances::Remove(window_);
}

} // namespace

namespace {

TEST(DemodWindowDefaultsTest, RestoreModeDefaultsUndoesTheHostsBandwidthAndFilter) {
    demod_test::ResetApi();
    demod_test::Host().Reset();
    demod_test::Host().settings = {{KVR_NOTIFY_POWER, 1}, {KVR_NOTIFY_SCAN_MODE, 0}};
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    demod_test::AudioRig rig;
    std::uint32_t mask = 0;
    auto caps = demod_test::Caps();
    auto* w = new DemodWindow(kReceiver, caps.data(), &demod_test::HostCallbackFn, &mask, DemodWindow::kPci, FAKE_API_PATH);
    w->Notify(kReceiver, KVR_NOTIFY_BANDWIDTH, 3000, 0, nullptr);
    std::int32_t filter[3] = {0, 2800, 0};
    w->Notify(kReceiver, KVR_NOTIFY_AUDIO_FILTER, 2, 12, filter);
    ASSERT_EQ(w->HalfBandwidth(), 1500);
    w->RestoreModeDefaults();
    EXPECT_EQ(w->HalfBandwidth(), 4500);
    EXPECT_FALSE(w->AfFilter());

    w->SetInputRate(44100);
    EXPECT_EQ(w->InputRate(), 44100u);
    EXPECT_EQ(lxq_test::ByValue(w->Wave().Format().samplesPerSec), 44100u);
    EXPECT_EQ(DemodWindow::IfBandColour(nullptr, nullptr, 0, 0), 0xFFFFu);
    EXPECT_EQ(DemodWindow::IfBandColour(nullptr, nullptr, 0, 3), 0xFFu);
    delete w;
    toolkit_test::Pump();
}

} // namespace
