// The receiver component's state, change events, polling, plug-in commands and setting queries.

#include <thread>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/PackedFrequency.h"
#include "tests/app/receiver/ReceiverFixture.h"

namespace lxq::test {
namespace {

class CountingReceiver : public TmyReceiver {
public:
    using TmyReceiver::TmyReceiver;
    void UpdateNow() override {
        ++updates;
        TmyReceiver::UpdateNow();
    }
    int updates = 0;
};

class ReceiverTest : public ClockTest {
protected:
    ReceiverTest() { log.Attach(rx); }
    CountingReceiver rx{nullptr};
    NoticeLog log;
};

TEST_F(ReceiverTest, WritersStoreNotifyOnceAndIgnoreTheStoredValue) {
    struct Case {
        const char* what;
        std::function<void(int)> write;
        std::function<int()> read;
        std::int32_t code;
    };
    const Case cases[] = {
        {"Attenuator", [&](int v) { rx.SetAtten(v); }, [&] { return rx.GetAtten(); }, 0xC01},
        {"AGC", [&](int v) { rx.SetAGC(v); }, [&] { return rx.GetAGC(); }, 0xD01},
        {"SAGC", [&](int v) { rx.SetSAGC(v); }, [&] { return rx.GetSAGC(); }, 0xD08},
        {"IFGain", [&](int v) { rx.SetIFGain(v); }, [&] { return rx.GetIFGain(); }, 0xD02},
        {"Mute", [&](int v) { rx.SetMute(v); }, [&] { return rx.GetMute(); }, 0xE01},
        {"ScanMode", [&](int v) { rx.SetScanMode(v); }, [&] { return rx.GetScanMode(); }, 0xF00},
        {"Power", [&](int v) { rx.SetPower(v); }, [&] { return rx.GetPower(); }, 0x100},
        {"IFshift", [&](int v) { rx.SetIFshift(v); }, [&] { return rx.GetIFshift(); }, 0xD03},
        {"Bandwidth", [&](int v) { rx.SetBandwidth(v); }, [&] { return rx.GetBandwidth(); }, 0xD00},
        {"PreAmp", [&](int v) { rx.SetPreAmp(v); }, [&] { return rx.GetPreAmp(); }, 0xC02},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.Clear();
        c.write(3);
        c.write(3);
        EXPECT_EQ(c.read(), 3);
        ASSERT_EQ(log.Count(c.code), 1);
        EXPECT_EQ(log.Last(c.code)->dwParam, 3u);
    }
}

TEST_F(ReceiverTest, FrequencyChangeFiresEventPollsAndNotifiesPackedValue) {
    int events = 0;
    rx.OnFrequencyChanged = [&](plat::comp::TObject*) { ++events; };
    rx.SetFreq(2'000'000'010);
    rx.SetFreq(2'000'000'010);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(rx.updates, 1);
    ASSERT_EQ(log.Count(0x800), 1);
    EXPECT_EQ(log.Last(0x800)->dwParam, 0x8BEBC201u);
}

TEST_F(ReceiverTest, VolumeIsClampedBeforeItIsCompared) {
    rx.SetVolume(40);
    EXPECT_EQ(rx.GetVolume(), 31);
    EXPECT_EQ(log.Last(0xE00)->dwParam, 31u);
    rx.SetVolume(-5);
    EXPECT_EQ(rx.GetVolume(), 0);
    log.Clear();
    rx.SetVolume(-7); // clamps to the stored 0: nothing happens
    EXPECT_TRUE(log.notices.empty());
}

TEST_F(ReceiverTest, ModeIsAnnouncedEvenWhenUnchanged) {
    int events = 0;
    rx.OnModeChanged = [&](plat::comp::TObject*) { ++events; };
    rx.SetMode(0);
    rx.SetMode(0);
    EXPECT_EQ(events, 2);
    EXPECT_EQ(log.Count(0x900), 2);
}

TEST_F(ReceiverTest, ModeParametersAreLimitedTo21AndTerminated) {
    float params[25];
    for (int i = 0; i < 25; ++i) params[i] = static_cast<float>(i + 1);
    rx.NotifyReceiver(0x900, 4, 100, params);
    EXPECT_EQ(rx.GetMode(), 4);
    EXPECT_EQ(log.Last(0x900)->cbData, 84);
    std::uint8_t out[200];
    std::memset(out, 0xAA, sizeof out);
    EXPECT_EQ(rx.GetSettings(0x900, 200, out), 4);
    std::uint32_t terminator;
    std::memcpy(&terminator, out + 84, 4);
    EXPECT_EQ(terminator, kModeParamsTerminator);
    float last;
    std::memcpy(&last, out + 80, 4);
    EXPECT_EQ(last, 21.0f);
    EXPECT_EQ(out[88], 0xAA) << "88 bytes copied, no more";
}

TEST_F(ReceiverTest, SquelchRecordStartsUnsetAndTravelsWithItsTypes) {
    EXPECT_EQ(rx.SquelchSettings().level, kSquelchValueUnset);
    rx.SetSquelch(-100);
    EXPECT_EQ(rx.SquelchSettings().level, 30);
    EXPECT_EQ(rx.GetSquelch(), -100);
    const Notice* n = log.Last(0xB01);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->cbData, 28);
    EXPECT_EQ(n->dwParam, kSquelchLevel);

    std::uint8_t out[29];
    std::memset(out, 0x55, sizeof out);
    EXPECT_EQ(rx.GetSettings(0xB01, 29, out), 28);
    EXPECT_EQ(out[0], 0x55) << "an oversized query copies nothing";
    EXPECT_EQ(rx.GetSettings(0xB01, 28, out), static_cast<std::int32_t>(kSquelchLevel));
    EXPECT_EQ(rx.GetSettings(0xB01, 0, nullptr), 0) << "not defeated";
}

TEST_F(ReceiverTest, SquelchDefeatNotifiesTwiceAndOpensTheSquelch) {
    rx.SetAGC(1);
    rx.SetSquelch(-50); // above the -130 dBm the level starts from: squelched
    rx.SetSignalRaw(0);
    EXPECT_TRUE(rx.GetSquelched());
    log.Clear();
    rx.SetSquelchDefeat(true);
    EXPECT_TRUE(rx.GetSquelchDefeat());
    EXPECT_FALSE(rx.GetSquelched()) << "no type in force";
    std::vector<std::int32_t> b01;
    for (const auto& n : log.notices)
        if (n.uMsg == 0xB01) b01.push_back(n.cbData);
    EXPECT_EQ(b01, (std::vector<std::int32_t>{0, 28}));
}

TEST_F(ReceiverTest, NoiseAndPluginReportsDriveTheSquelchedState) {
    rx.SetAGC(0); // level condition met
    SQUELCH_SETTINGS s{};
    s.noise = 50;
    rx.SetSquelchSettings(s, kSquelchLevel | kSquelchNoise | 0x80000000u);
    EXPECT_EQ(rx.SquelchTypes(), kSquelchLevel | kSquelchNoise);
    EXPECT_TRUE(rx.GetSquelched()) << "noise condition not met yet";
    rx.NotifyReceiver(0xB01, 49, 0, nullptr);
    EXPECT_FALSE(rx.GetSquelched());
    rx.NotifyReceiver(0xB01, 50, 0, nullptr);
    EXPECT_TRUE(rx.GetSquelched());

    SQUELCH_SETTINGS shortRecord{};
    rx.NotifyReceiver(0xB00, kSquelchLevel, 8, &shortRecord); // too short to be a record
    EXPECT_EQ(rx.SquelchTypes(), kSquelchLevel | kSquelchNoise);
    EXPECT_EQ(rx.SquelchSettings().noise, 50);

    SQUELCH_SETTINGS report{};
    report.level = 77;
    rx.NotifyReceiver(0xB02, kSquelchNoise, sizeof report, &report);
    EXPECT_EQ(rx.SquelchReport().level, 77);
    EXPECT_FALSE(rx.GetSquelched());
    rx.NotifyReceiver(0xB02, 0, sizeof report, nullptr);
    EXPECT_EQ(rx.OpenConditions(), 0u);
    EXPECT_EQ(rx.SquelchReport().level, 77) << "a zero report leaves the stored one";
}

TEST_F(ReceiverTest, LevelFromPluginBecomesRawAndNotifications) {
    rx.NotifyReceiver(0xB03, static_cast<std::uint32_t>(-800), 0, nullptr); // -80.0 dBm
    EXPECT_DOUBLE_EQ(rx.SignalLevel(), -80.0);
    EXPECT_EQ(rx.SignalRaw(), 127); // (60 x 255 / 120) truncated
    EXPECT_EQ(log.Last(0xB00)->dwParam, 59u); // 127 x 120 / 255
    EXPECT_EQ(static_cast<std::int32_t>(log.Last(0xB05)->dwParam), -800);
    EXPECT_EQ(rx.GetSettings(0xB05, 0, nullptr), -800);
}

TEST_F(ReceiverTest, EchoedCommandsAreStoredAndAnswered) {
    std::uint8_t bytes[40];
    for (int i = 0; i < 40; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    rx.NotifyReceiver(0x1110, 9, 40, bytes);
    EXPECT_EQ(log.Last(0xE14)->cbData, 12);
    rx.NotifyReceiver(0x1115, 5, 0, nullptr);
    EXPECT_NE(log.Last(0xE19), nullptr);
    rx.NotifyReceiver(0x110E, 0, 16, bytes);
    std::uint8_t out[32] = {};
    EXPECT_EQ(rx.GetSettings(0xE14, 32, out), 9);
    EXPECT_EQ(out[11], 11);
    EXPECT_EQ(out[12], 0);
    EXPECT_EQ(rx.GetSettings(0xE19, 0, nullptr), 5);
    EXPECT_EQ(rx.GetSettings(0xE09, 16, out), 0);
    EXPECT_EQ(out[15], 15);
    EXPECT_EQ(rx.GetSettings(0xE09, 8, out), kvr::kNotHandled);
    EXPECT_EQ(rx.GetSettings(0x7777, 0, nullptr), kvr::kNotHandled);
}

TEST_F(ReceiverTest, AudioFilterDataIsKeptAndCopiedBack) {
    std::vector<std::uint8_t> big(20'000, 7);
    rx.NotifyReceiver(0x1106, 3, static_cast<std::uint32_t>(big.size()), big.data());
    EXPECT_EQ(log.Last(0xE06)->cbData, 10'240) << "at most the buffer";
    rx.SetAudioData(4, 20'000, big.data());
    std::vector<std::uint8_t> out(30'000, 0);
    EXPECT_EQ(rx.GetSettings(0xE06, 30'000, out.data()), 4);
    EXPECT_EQ(out[19'999], 7);
    EXPECT_EQ(out[20'000], 0);
}

TEST_F(ReceiverTest, PollsEveryIntervalPlusOneTicksUnlessScanningOrOff) {
    rx.SetPower(1);
    rx.SetTimerInterval(1);
    rx.Timer(true);
    Pump(1000, 100);
    EXPECT_EQ(rx.updates, 5) << "every 200 ms";
    rx.updates = 0;
    rx.SetScanMode(1);
    Pump(1000, 100);
    EXPECT_EQ(rx.updates, 0);
    rx.SetScanMode(0);
    rx.SetPower(0);
    Pump(1000, 100);
    EXPECT_EQ(rx.updates, 0);
    rx.Timer(false);
}

TEST_F(ReceiverTest, FrequencyFromAnotherThreadWaitsForTheMainThread) {
    rx.SetPower(0); // no polling in the way
    rx.Timer(true);
    std::thread other([&] {
        rx.NotifyReceiver(0x800, 145'000'000, 0, nullptr);
        rx.ApplyPendingFrequency(); // not the main thread: nothing
    });
    other.join();
    EXPECT_EQ(rx.GetFreq(), 0);
    EXPECT_EQ(rx.PendingFrequency(), 145'000'000);
    Pump(100, 100);
    EXPECT_EQ(rx.GetFreq(), 145'000'000);
    EXPECT_EQ(rx.PendingFrequency(), 0);
    rx.Timer(false);
}

TEST_F(ReceiverTest, AnyOtherCommandAppliesAPendingFrequencyFirst) {
    rx.NotifyReceiver(0x800, EncodeFreq32(3'000'000'000), 0, nullptr);
    rx.NotifyReceiver(0x1100, 5, 0, nullptr);
    EXPECT_EQ(rx.GetFreq(), 3'000'000'000);
    EXPECT_EQ(rx.GetVolume(), 5);
}

// Records which change notifiers ran: a derived class hooks into every change there.
class HookedReceiver : public TmyReceiver {
public:
    using TmyReceiver::TmyReceiver;
    std::vector<std::string> seen;
    void DoOnFrequencyChanged() override { Saw("Frequency"); }
    void DoOnModeChanged() override { Saw("Mode"); }
    void DoOnVolumeChanged() override { Saw("Volume"); }
    void DoOnMuteChanged() override { Saw("Mute"); }
    void DoOnAGCChanged() override { Saw("AGC"); }
    void DoOnAttenChanged() override { Saw("Atten"); }
    void DoOnIFGainChanged() override { Saw("IFGain"); }
    void DoOnPowerChanged() override { Saw("Power"); }
    void DoOnSignalChanged() override { Saw("Signal"); }
    void DoOnSquelchChanged() override { Saw("Squelch"); }
    void DoOnSquelchedChanged() override { Saw("Squelched"); }
    void DoOnScanModeChanged() override { Saw("ScanMode"); }
    void DoOnAfcChanged() override { Saw("Afc"); }
    void DoOnDefeatChanged() override { Saw("Defeat"); }
    void DoOnPreAmpChanged() override { Saw("PreAmp"); }
    void DoOnBandwidthChanged() override { Saw("Bandwidth"); }
    void DoOnIFShiftChanged() override { Saw("IFShift"); }

private:
    // Signal and squelched state follow many changes; only the first notifier of a change counts.
    void Saw(const char* what) {
        if (seen.empty()) seen.push_back(what);
    }
};

TEST_F(ClockTest, EveryChangeGoesThroughTheNotifierOfItsName) {
    struct Case {
        const char* expected;
        std::function<void(HookedReceiver&)> change;
    };
    const Case cases[] = {
        {"Frequency", [](HookedReceiver& r) { r.SetFreq(7'000'000); }},
        {"Mode", [](HookedReceiver& r) { r.SetMode(0); }},
        {"Atten", [](HookedReceiver& r) { r.SetAtten(1); }},
        {"Squelch", [](HookedReceiver& r) { r.SetSquelch(-100); }},
        {"AGC", [](HookedReceiver& r) { r.SetAGC(2); }},
        {"IFGain", [](HookedReceiver& r) { r.SetIFGain(20); }},
        {"Volume", [](HookedReceiver& r) { r.SetVolume(9); }},
        {"Mute", [](HookedReceiver& r) { r.SetMute(1); }},
        {"ScanMode", [](HookedReceiver& r) { r.SetScanMode(1); }},
        {"Power", [](HookedReceiver& r) { r.SetPower(1); }},
        {"Defeat", [](HookedReceiver& r) { r.SetSquelchDefeat(true); }},
        {"IFShift", [](HookedReceiver& r) { r.SetIFshift(3); }},
        {"Bandwidth", [](HookedReceiver& r) { r.SetBandwidth(6000); }},
        {"Afc", [](HookedReceiver& r) { r.SetAFC(true); }},
        {"PreAmp", [](HookedReceiver& r) { r.SetPreAmp(1); }},
        {"Signal", [](HookedReceiver& r) { r.SetSignalRaw(100); }},
        {"Signal", [](HookedReceiver& r) { r.NotifyReceiver(0xB03, static_cast<std::uint32_t>(-800), 0, nullptr); }},
        {"Squelched", [](HookedReceiver& r) { r.SetSquelched(true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        HookedReceiver rx{nullptr};
        int events = 0;
        // The events belong to the base notifiers: overridden, they no longer fire.
        rx.OnFrequencyChanged = rx.OnModeChanged = rx.OnSignalChanged = [&](plat::comp::TObject*) { ++events; };
        c.change(rx);
        ASSERT_EQ(rx.seen.size(), 1u);
        EXPECT_EQ(rx.seen[0], c.expected);
        EXPECT_EQ(events, 0);
    }
}

} // namespace
} // namespace lxq::test
