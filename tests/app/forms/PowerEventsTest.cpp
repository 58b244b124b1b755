// The front panel when the computer sleeps and wakes, when its receiver stops answering, and when
// the driver host goes away and comes back.
// Sleep and wake come the way the platform delivers them (the host's notices turned into the
// power broadcast), not by calling the panel's handler. A receiver that hangs in the driver host
// must cost the panel's thread a bounded wait and show the disconnection notice.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <functional>
#include <mutex>
#include <thread>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TDiscForm.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "driver/host/BusControlClient.h"
#include "driver/host/RecordingTransport.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/components/TApplication.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DeviceChannel.h"
#include "platform/sys/SettingsStore.h"
#include "platform/win/WindowApi.h"
#include "tests/app/forms/FrontPanelFixture.h"
#include "tests/driver/host/ChildHost.h"
#include "tests/platform/sys/NoticeHost.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/Eventually.h"

extern char** environ;

namespace lxq {
namespace {

using namespace plat::comp;
using Wire = plat::sys::wire::NoticeEvent;

// Handles the panel's messages until `done` holds.
bool PumpUntil(const std::function<bool()>& done) {
    return lxq_test::Eventually([&] {
        Application().ProcessMessages();
        return done();
    });
}

class PowerEvents : public ::testing::Test {
protected:
    PowerEvents() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
        std::filesystem::current_path(dir.Path());
        Application().ResetTerminated();
    }
    ~PowerEvents() override {
        form.reset();
        std::filesystem::current_path(startFolder);
        unsetenv("XDG_DOCUMENTS_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }
    // The panel on the demonstration receiver ("Run in demo mode"), its boxes answered by `answer`.
    void StartOnTheDemonstrationReceiver() {
        form = std::make_unique<TQ7form>(nullptr, std::vector<std::string>{});
        form->ShowMessageBox = [](const std::string&, const std::string&, std::uint32_t) { return 1; };
        form->RunModal = [this](TCustomForm& f) {
            shown.push_back(f.ClassName());
            return answer(f);
        };
        form->DoCreate();
    }
    TModalResult RunTimer(TDiscForm& f, std::int64_t ms) {
        f.SetModalResult(mrNone);
        for (std::int64_t t = 0; t < ms && f.ModalResult() == mrNone; t += 10) {
            clock.AdvanceMs(10);
            Application().ProcessMessages();
        }
        return f.ModalResult();
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    plat::sys::test::ScopedChannelNamespace ns{"formpower"};
    plat::sys::testing::TempFolder dir;
    std::filesystem::path startFolder = std::filesystem::current_path();
    plat::sys::test::NoticeHost host;  // no receivers: the panel runs on the demonstration one
    std::vector<std::string> shown;
    std::function<TModalResult(TCustomForm&)> answer = [](TCustomForm&) { return mrOk; };
    std::unique_ptr<TQ7form> form;
};

TEST_F(PowerEvents, TheSystemsSleepAndWakeReachThePanelAsThePowerBroadcast) {
    ASSERT_TRUE(host.Listening());
    StartOnTheDemonstrationReceiver();
    ASSERT_FALSE(form->Quitting());
    ASSERT_NE(form->Q7->Handle(), 0);
    form->Q7->SetPower(1);
    shown.clear();
    // The API library listens for its receivers, the panel for the power broadcast (it asks the
    // host without waiting for it).
    ASSERT_TRUE(PumpUntil([&] { return host.Subscribers() == 2; }));

    host.Notify(Wire::SystemSleep);
    ASSERT_TRUE(PumpUntil([&] { return form->RestartList() != nullptr; })) << "the panel never heard of the sleep";
    EXPECT_EQ(form->Q7->Handle(), 0) << "the receiver is closed while the computer sleeps";
    EXPECT_TRUE(shown.empty());

    answer = [this](TCustomForm& f) {
        auto& notice = dynamic_cast<TDiscForm&>(f);
        EXPECT_TRUE(notice.ReopenBySerial) << "waking reopens by serial number";
        return RunTimer(notice, 1000);
    };
    host.Notify(Wire::SystemWake);
    ASSERT_TRUE(PumpUntil([&] {
        clock.AdvanceMs(10); // the wait for the driver after a wake
        return form->RestartList() == nullptr;
    })) << "the panel never heard of the wake";
    EXPECT_EQ(shown, std::vector<std::string>{"TDiscForm"});
    EXPECT_NE(form->Q7->Handle(), 0) << "reopened";
    EXPECT_EQ(form->Q7->GetPower(), 1) << "and powered as before the sleep";
}

// Closed while its receiver is closed for a sleep (a stop during the wake's wait, or "Close
// application" when the receiver does not come back), the panel knows no receiver: it writes no
// settings at all, none under an empty serial number.
TEST_F(PowerEvents, ClosingWhileTheReceiverSleepsWritesNoSettings) {
    for (const bool giveUp : {false, true}) {
        SCOPED_TRACE(giveUp ? "\"Close application\" at the wake" : "closed during the wake's wait");
        StartOnTheDemonstrationReceiver();
        const std::string ini = form->DataFolder() + "LXQ745.ini";
        std::filesystem::remove(ini);
        form->Perform(plat::win::WM_POWERBROADCAST, 4, 0); // sleep
        ASSERT_EQ(form->Q7->Handle(), 0);
        answer = [](TCustomForm&) { return mrCancel; };
        form->Perform(plat::win::WM_POWERBROADCAST, 7, 0); // wake
        if (giveUp) {
            clock.AdvanceMs(5000);
            ASSERT_TRUE(PumpUntil([&] { return !form->Visible(); })) << "the panel closes";
        } else {
            form->Close();
        }
        EXPECT_FALSE(form->Visible());
        EXPECT_FALSE(std::filesystem::exists(ini)) << std::ifstream(ini).rdbuf();
        form.reset();
    }
}

// A storm of sleeps and wakes, as a laptop's lid makes it: each wake waits for the driver on the
// panel's own loop, a wake that comes while the last one waits takes its place, and a sleep
// during the reopen lets the receiver go again; no wait and no reopen runs inside another. The
// receiver is reopened five seconds after the last wake, and a stop request then closes the panel
// in its usual time (the 300 ms its receiver is given to settle at every close).
TEST_F(PowerEvents, ASleepAndWakeStormNeverNestsAndAStopEndsThePanelInItsUsualTime) {
    StartOnTheDemonstrationReceiver();
    form->Q7->SetPower(1);
    shown.clear();
    int depth = 0, deepest = 0, reopens = 0;
    answer = [&](TCustomForm& f) {
        deepest = std::max(deepest, ++depth);
        auto& notice = dynamic_cast<TDiscForm&>(f);
        TModalResult result;
        if (++reopens == 1) {
            // The computer sleeps and wakes once more before the receiver is back.
            notice.SetModalResult(mrNone);
            form->Perform(plat::win::WM_POWERBROADCAST, 4, 0);
            form->Perform(plat::win::WM_POWERBROADCAST, 7, 0);
            result = notice.ModalResult();
        } else {
            result = RunTimer(notice, 1000);
        }
        --depth;
        return result;
    };
    const std::int64_t start = clock.NowMs();
    for (int cycle = 0; cycle < 20; ++cycle) {
        form->Perform(plat::win::WM_POWERBROADCAST, 4, 0);
        form->Perform(plat::win::WM_POWERBROADCAST, 7, 0);
        for (int ms = 0; ms < 1000; ms += 10) { // the next cycle a second later
            clock.AdvanceMs(10);
            Application().ProcessMessages();
        }
        ASSERT_TRUE(shown.empty()) << "a reopen " << clock.NowMs() - start << " ms into the storm";
        ASSERT_EQ(form->Q7->Handle(), 0);
    }
    const auto runFor = [&](int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.AdvanceMs(10);
            Application().ProcessMessages();
        }
    };
    runFor(4000); // five seconds after the last wake
    EXPECT_EQ(reopens, 1) << "the first reopen, ended by a sleep";
    EXPECT_EQ(form->Q7->Handle(), 0) << "the receiver let go for that sleep";
    EXPECT_NE(form->RestartList(), nullptr);
    runFor(5000); // and five seconds after its wake
    EXPECT_EQ(reopens, 2);
    EXPECT_EQ(deepest, 1) << "a reopen inside another";
    EXPECT_NE(form->Q7->Handle(), 0) << "the panel holds its receiver again";
    EXPECT_EQ(form->RestartList(), nullptr);
    EXPECT_EQ(form->Q7->GetPower(), 1);

    const std::int64_t stopped = clock.NowMs();
    Application().CancelModalLoops(); // what a stop signal does, then the close
    form->Close();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->Q7->Handle(), 0);
    EXPECT_LE(clock.NowMs() - stopped, 300) << "the stop waited for something";
    Application().ResumeModalLoops();
}

// The disconnection notice asks whether the receiver is back, and the sleep closes the receiver
// before the answer comes (the notice was up when the computer went to sleep). The wake's notice
// that reopens the receiver is ended by the open alone, not by that late answer; and the question
// is asked again of the receiver open now, so a later notice still ends when it is back.
TEST_F(PowerEvents, AnAnswerAskedBeforeTheSleepNeitherEndsTheWakesReopenNorStopsTheNextQuestion) {
    StartOnTheDemonstrationReceiver();
    ASSERT_NE(form->Q7->Handle(), 0);
    TDiscForm& notice = *form->DiscForm;
    notice.SetModalResult(mrNone);
    notice.Timer1Timer(&notice); // the question is on its way...
    form->Q7->Close();           // ...and the receiver is closed for the sleep before its answer
    notice.ReopenBySerial = true;
    notice.ReopenSerial = "ZZ999999"; // a receiver not there: the reopen keeps failing
    Application().ProcessMessages();
    EXPECT_EQ(notice.ModalResult(), mrNone) << "the reopen was ended by an answer about the receiver before";
    notice.Timer1Timer(&notice);
    EXPECT_EQ(notice.ModalResult(), mrNone);

    notice.ReopenBySerial = false;
    ASSERT_TRUE(form->Q7->Open(std::string())); // the demonstration receiver is back
    EXPECT_TRUE(PumpUntil([&] {
        notice.Timer1Timer(&notice);
        return notice.ModalResult() == mrOk;
    })) << "the notice never asked the receiver open now";
}

// A USB receiver that can be made to hang inside the driver host, as one did after a suspend:
// every request that reaches it then waits until the test lets it go.
class Gate {
public:
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            closed_ = false;
        }
        opened_.notify_all();
    }
    void Pass() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return !closed_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool closed_ = false;
};

class HangingTransport final : public host::RecordingTransport {
public:
    HangingTransport(const std::string& serial, Gate& gate) : RecordingTransport(host::Variant::Usb, serial), gate_(gate) {
        SetStreaming(true);
    }
    host::PushOutcome Push(const TunerState& state, driver::FieldMask fields, bool waitPush, bool forceAll,
                           bool powered) override {
        gate_.Pass();
        return RecordingTransport::Push(state, fields, waitPush, forceAll, powered);
    }
    NtStatus Measure(std::uint32_t flags, std::uint16_t& a, std::uint16_t& b, bool& fresh) override {
        gate_.Pass();
        return RecordingTransport::Measure(flags, a, b, fresh);
    }
    NtStatus ReadLockStatus(bool again, std::uint8_t& status) override {
        gate_.Pass();
        return RecordingTransport::ReadLockStatus(again, status);
    }

private:
    Gate& gate_;
};

class HangingReceiver : public FrontPanel {
protected:
    HangingReceiver() {
        plat::sys::SetRequestTimeout(std::chrono::milliseconds(300));
        kinds.Register("hanging", [this](const std::string& busId, std::string&) {
            return std::make_unique<host::ReceiverDevice>(std::make_unique<HangingTransport>(busId, gate));
        });
    }
    ~HangingReceiver() override {
        ClosePanel();
        gate.Open(); // the host can stop only once its receiver lets go
        plat::sys::SetRequestTimeout(oldTimeout);
    }
    std::chrono::milliseconds oldTimeout = plat::sys::RequestTimeout();
    Gate gate;
};

TEST_F(HangingReceiver, ThePanelsCallsReturnAndTheDisconnectionNoticeAppears) {
    StartHost("hanging");
    StartPanel({"/sd"});
    ASSERT_FALSE(form->Quitting());
    ASSERT_FALSE(form->Q7->Demo());
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        return plat::comp::mrCancel; // "Close application"
    };

    gate.Close();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_NE(plat::win::SetFocus(form->myFrequencyEdit1->Handle()), 0u);
    Type("145.5\n"); // the next tuning step
    form->Q7->SetFreq(145'525'000);
    form->Q7->GetPower();
    form->Q7->IsConnected();
    Advance(1000, 10); // the panel's own timers run on
    // The requests wait on the worker; the first time-out tells the panel.
    lxq_test::Eventually([&] {
        plat::comp::Application().ProcessMessages();
        return !shown.empty();
    });
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(3)) << "one time-out, not one per call and never for good";
    EXPECT_EQ(shown, std::vector<std::string>{"TDiscForm"}) << "the receiver that stopped answering is shown as gone";
}

// The driver host goes away while the panel runs and comes back: the receiver is shown as gone,
// and the notice ends by itself once the host has found the receiver again.
TEST_F(FrontPanel, AHostThatRestartsEndsTheDisconnectionNoticeByItself) {
    StartHost();
    StartPanel({"/sd"});
    ASSERT_FALSE(form->Quitting());
    ASSERT_FALSE(form->Q7->Demo());
    form->Q7->SetFreq(145'500'000);
    ASSERT_EQ(HostFrequency(), 145'500'000u);
    std::unique_ptr<host::ChannelServer> again;
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        // The host is back, knowing nothing of the receiver's settings.
        std::string message;
        EXPECT_EQ(bus.Plug("test", "rx1", message), 0u) << message;
        again = std::make_unique<host::ChannelServer>(bus);
        EXPECT_TRUE(again->Start());
        f.SetModalResult(plat::comp::mrNone);
        EXPECT_TRUE(PumpUntil([&] {
            clock.AdvanceMs(10); // the notice's timer asks whether the receiver is back
            return f.ModalResult() != plat::comp::mrNone;
        }));
        return f.ModalResult();
    };
    server.Stop();   // the host goes away...
    bus.RemoveAll(); // ...and its receiver with it
    serving = false;
    ASSERT_TRUE(PumpUntil([&] {
        Advance(10, 10);
        return !shown.empty();
    })) << "the panel never showed the receiver as gone";
    EXPECT_EQ(shown, std::vector<std::string>{"TDiscForm"});
    EXPECT_EQ(form->DiscForm->ModalResult(), plat::comp::mrOk) << "ended by the receiver's return";
    EXPECT_EQ(HostFrequency(), 145'500'000u) << "the receiver has the panel's frequency again";
    form.reset();
    again->Stop();
}

// The driver host as its own process, as a user runs it: `lxq745d --simulate usb`.
class HostProcess {
public:
    // What `lxq745ctl` would send, sent on another thread: the host waits for the panel to close
    // its receiver before the computer sleeps, and the panel does that on this test's thread.
    std::future<std::uint32_t> Command(const std::string& command) {
        return std::async(std::launch::async, [command] {
            std::string reply;
            return host::BusControlClient::Send(command, reply);
        });
    }

private:
    host::test::ChildHost process_{std::vector<std::string>{"lxq745d", "--simulate", "usb"}};
};

class SleepWithAHost : public FrontPanel {
protected:
    SleepWithAHost() { setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1); }
    ~SleepWithAHost() override {
        ClosePanel();
        unsetenv("XDG_CONFIG_HOME");
    }
    // Handles the panel's messages, its timers running on, until the host has answered.
    std::uint32_t Await(std::future<std::uint32_t>& reply) {
        EXPECT_TRUE(PumpUntil([&] {
            clock.AdvanceMs(10);
            return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        }));
        return reply.get();
    }
    HostProcess host;
};

TEST_F(SleepWithAHost, SleepClosesTheReceiverAndStopsThePlugInsAndWakeReopensItBySerial) {
    plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", LXQ_FORMS_POWER_PLUGIN_DIR);
    StartPanel({"/sd"});
    ASSERT_FALSE(form->Quitting());
    ASSERT_FALSE(form->Q7->Demo()) << "the host's receiver";
    const std::string serial = form->Q7->GetSerialNum();
    form->Q7->SetPower(1);
    form->KVR->LoadPlugins();
    for (const char* name : {"Type 200", "Type 100"}) ASSERT_NE(form->KVR->StartPlugin(name), 0);
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        auto& notice = dynamic_cast<TDiscForm&>(f);
        EXPECT_TRUE(notice.ReopenBySerial);
        EXPECT_EQ(notice.ReopenSerial, serial);
        f.SetModalResult(plat::comp::mrNone);
        EXPECT_TRUE(PumpUntil([&] {
            clock.AdvanceMs(10); // the notice tries to open the receiver every 100 ms
            return f.ModalResult() != plat::comp::mrNone;
        }));
        return f.ModalResult();
    };
    ASSERT_TRUE(PumpUntil([&] { return form->HearsHostPowerEvents(); }));

    auto slept = host.Command("sleep");
    EXPECT_EQ(Await(slept), 0u) << "the computer sleeps";
    ASSERT_NE(form->RestartList(), nullptr) << "the panel heard of it";
    EXPECT_EQ(form->Q7->Handle(), 0) << "and closed its receiver first";
    // Stopped, and unloaded with the receiver they served: no instance either way.
    EXPECT_LE(form->KVR->PluginInstance("Type 100"), 0);
    EXPECT_LE(form->KVR->PluginInstance("Type 200"), 0);
    EXPECT_TRUE(shown.empty());

    auto woke = host.Command("wake");
    EXPECT_EQ(Await(woke), 0u);
    ASSERT_TRUE(PumpUntil([&] {
        clock.AdvanceMs(10);
        return form->RestartList() == nullptr;
    })) << "the panel never heard of the wake";
    EXPECT_EQ(shown, std::vector<std::string>{"TDiscForm"});
    ASSERT_NE(form->Q7->Handle(), 0) << "reopened";
    EXPECT_FALSE(form->Q7->Demo());
    EXPECT_EQ(form->Q7->GetSerialNum(), serial) << "the same receiver, by its serial number";
    EXPECT_EQ(form->Q7->GetPower(), 1);
    EXPECT_GT(form->KVR->PluginInstance("Type 100"), 0) << "the plug-ins run again";
    EXPECT_GT(form->KVR->PluginInstance("Type 200"), 0);
}

// The second IF asked for on the command line: the receiver woken from the sleep has the one of
// its opening again, and gets the asked one as at start-up.
TEST_F(SleepWithAHost, TheSecondIfOfTheCommandLineHoldsAcrossTheSleep) {
    StartPanel({"/sd", "/cc0.0125"});
    ASSERT_FALSE(form->Quitting());
    ASSERT_EQ(form->Q7->GetIF2Frequency(), 12'500);
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        f.SetModalResult(plat::comp::mrNone);
        EXPECT_TRUE(PumpUntil([&] {
            clock.AdvanceMs(10);
            return f.ModalResult() != plat::comp::mrNone;
        }));
        return f.ModalResult();
    };
    ASSERT_TRUE(PumpUntil([&] { return form->HearsHostPowerEvents(); }));
    auto slept = host.Command("sleep");
    EXPECT_EQ(Await(slept), 0u);
    auto woke = host.Command("wake");
    EXPECT_EQ(Await(woke), 0u);
    ASSERT_TRUE(PumpUntil([&] {
        clock.AdvanceMs(10);
        return form->RestartList() == nullptr;
    }));
    ASSERT_NE(form->Q7->Handle(), 0);
    EXPECT_EQ(form->Q7->GetIF2Frequency(), 12'500);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
}

} // namespace
} // namespace lxq

namespace lxq {
namespace {

// The panel as a user runs it: the real demodulator embedded, a sound card of files, the host as
// its own process hearing the built-in band (the AM station at 1 MHz, -53 dBm), and the
// calibration file the build ships for the simulators.
class WakeWithTheDemodulator : public SleepWithAHost {
protected:
    WakeWithTheDemodulator() {
        backend->AddDevice(plat::audio::Direction::Playback, "Speakers", dir.File("out.wav"));
        std::filesystem::copy_file(DEMOD_PLUGIN_PATH, plugins.File("Q745DemodPro.kvr"));
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", plugins.Path());
        std::filesystem::remove(dir.File("lxq745.cal")); // the shipped one, found beside the program
    }
    ~WakeWithTheDemodulator() override {
        // The test's answers to dialogs may hold its body's locals, gone when an ASSERT ended it;
        // stopping the plug-ins may still raise a dialog.
        if (form) {
            form->RunModal = DefaultAnswer;
            form->KVR->StopAll();
        }
        ClosePanel();
    }
    void Start() {
        MakePanel({});
        form->Q7->SetCalFile(dir.File("lxq745.cal"));
        // The demodulator hands the host every block of IF it takes from the receiver's codec,
        // on the codec thread from its start on: the hook is in place before the panel starts it.
        auto chained = form->KVR->OnCallback.Bound();
        form->KVR->OnCallback = [this, chained](plat::comp::TObject* s, const std::string& name, std::uint32_t code,
                                                std::uint32_t kind, std::uint32_t size, void* block,
                                                std::int32_t& result) {
            constexpr std::uint32_t kAudioBlock = 0x110A, kIfInput = 0, kHead = 16;
            // The station's carrier, attenuated, peaks near 700; the noise between stations
            // stays below 100.
            constexpr int kStationPeak = 300;
            if (code == kAudioBlock && kind == kIfInput && size > kHead) {
                std::vector<std::int16_t> samples((size - kHead) / 2);
                std::memcpy(samples.data(), static_cast<const char*>(block) + kHead, samples.size() * 2);
                int peak = 0;
                for (std::int16_t v : samples) peak = std::max(peak, std::abs(static_cast<int>(v)));
                if (peak > kStationPeak) ++heardIf;
            }
            if (chained) chained(s, name, code, kind, size, block, result);
        };
        form->DoCreate();
        ASSERT_FALSE(form->Quitting());
        ASSERT_FALSE(form->Q7->Demo());
        ASSERT_NE(form->EmbeddedDemodulator(), 0u) << "the demodulator runs";
        form->RunModal = [this](plat::comp::TCustomForm& f) {
            f.SetModalResult(plat::comp::mrNone);
            EXPECT_TRUE(PumpUntil([&] {
                clock.AdvanceMs(10); // the notice tries to open the receiver every 100 ms
                return f.ModalResult() != plat::comp::mrNone;
            }));
            return f.ModalResult();
        };
        ASSERT_TRUE(PumpUntil([&] { return form->HearsHostPowerEvents(); }));
    }
    void SleepAndWake() {
        auto slept = host.Command("sleep");
        EXPECT_EQ(Await(slept), 0u);
        ASSERT_EQ(form->Q7->Handle(), 0) << "closed for the sleep";
        auto woke = host.Command("wake");
        EXPECT_EQ(Await(woke), 0u);
        ASSERT_TRUE(PumpUntil([&] {
            clock.AdvanceMs(10);
            return form->RestartList() == nullptr;
        })) << "the panel never heard of the wake";
        ASSERT_NE(form->Q7->Handle(), 0) << "reopened";
    }
    // What the S-meter shows once it has settled: the panel's timers run on the fake clock, the
    // receiver measures in real time.
    double MeterNear(double dbm) {
        PumpUntil([&] {
            Advance(10, 10);
            return std::abs(form->mySMeter->Position() - dbm) < 2.0;
        });
        return form->mySMeter->Position();
    }
    bool HearsIf() {
        heardIf = 0;
        return PumpUntil([&] {
            Advance(10, 10);
            return heardIf >= 10;
        });
    }
    static void Press(TstSpeedButton* b, bool down) {
        b->SetDown(down);
        b->Click();
    }
    // The controls a user reads the receiver's state from.
    std::string Face() {
        const auto on = [](bool b) { return b ? "on" : "off"; };
        const auto button = [&](const char* caption, TstSpeedButton* b) {
            return std::string(caption) + (b->Down() ? " down" : " up") + (b->Enabled() ? "" : " (disabled)") + "; ";
        };
        std::string agc = "none";
        for (auto [caption, b] : {std::pair{"Off", form->stSpeedButton22}, std::pair{"Slow", form->stSpeedButton4},
                                  std::pair{"Med", form->stSpeedButton5}, std::pair{"Fast", form->stSpeedButton6}})
            if (b->Down()) agc = caption;
        return std::string("meter ") + on(form->mySMeter->Enabled()) + "; " + button("dBm", form->stSpeedButton16) +
               button("S-units", form->stSpeedButton17) + button("µV", form->stSpeedButton18) +
               button("Level", form->stSpeedButton8) + "squelch edit " + on(form->myIntEdit3->Enabled()) +
               "; manual IF gain " + on(form->myIntEdit2->Enabled()) + "; AGC " + agc + "; " +
               button("Atten", form->stSpeedButton2) + button("Preamp", form->stSpeedButton41);
    }

    std::shared_ptr<plat::audio::FileAudioBackend> backend = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend audio{backend};
    plat::sys::testing::TempFolder plugins;
    std::atomic<int> heardIf{0}; // counted on the codec thread
};

TEST_F(WakeWithTheDemodulator, ThePanelComesBackAsTheUserLeftIt) {
    Start();
    Press(form->stSpeedButton17, true); // the user reads the meter in S-units
    Press(form->stSpeedButton2, true);  // and has the attenuator on
    EXPECT_NEAR(MeterNear(-53), -53, 2.0) << "the AM station";
    ASSERT_TRUE(HearsIf()) << "the codec streams to the demodulator";
    const std::string before = Face();
    const std::int32_t agc = form->Q7->GetAGC();
    ASSERT_NE(agc, 0);

    SleepAndWake();
    EXPECT_EQ(Face(), before);
    EXPECT_EQ(form->Q7->GetAGC(), agc) << "the receiver itself, not only its buttons";
    EXPECT_EQ(form->Q7->GetAtten(), 1);
    EXPECT_NEAR(MeterNear(-53), -53, 2.0) << "the meter reads the station again";
    EXPECT_TRUE(HearsIf()) << "the codec streams to the demodulator again";
}

// The mode and its squelch (level and tone) are in force after a wake as before it, on the panel
// and at the demodulator started again.
TEST_F(WakeWithTheDemodulator, TheModeAndItsSquelchComeBackWithTheWake) {
    Start();
    form->Q7->SetMode(2); // FMN, as the demodulator's button sets it
    SQUELCH_SETTINGS q = form->Q7->SquelchSettings();
    q.level = form->Q7->SQtoKVR(-90);
    q.ctcss = 88'500;
    form->Q7->SetSquelchSettings(q, kSquelchLevel | kSquelchCtcss);
    Advance(10, 10);

    SleepAndWake();
    EXPECT_EQ(form->Q7->GetMode(), 2);
    EXPECT_EQ(form->myIntEdit3->Value(), -90) << "the level shows";
    EXPECT_TRUE(form->stSpeedButton44->Down()) << "CTCSS shows";
    EXPECT_EQ(form->Q7->SquelchSettings().ctcss, 88'500u);
    EXPECT_EQ(form->Q7->SquelchTypes(), kSquelchLevel | kSquelchCtcss);
}

// Each wake finds the receiver with its own defaults; what the user had set comes back each time.
TEST_F(WakeWithTheDemodulator, TheReceiverWakesWithTheSettingsItHad) {
    Start();
    struct Case {
        std::int64_t hz;
        TstSpeedButton* TQ7form::*agc;
        bool attenuator, preamp;
        std::int32_t ifGain; // with AGC off
        double dbm;          // with AGC on
    };
    const Case cases[] = {
        {14'100'000, &TQ7form::stSpeedButton4, false, true, 0, -85.0}, // the beacon, AGC Slow
        {1'000'000, &TQ7form::stSpeedButton6, true, false, 0, -53.0},  // the AM station, AGC Fast
        {145'525'000, &TQ7form::stSpeedButton22, false, true, 40, 0},  // AGC off, manual IF gain
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz);
        form->Q7->SetFreq(c.hz);
        Press(form.get()->*c.agc, true);
        Press(form->stSpeedButton2, c.attenuator);
        Press(form->stSpeedButton41, c.preamp);
        if (c.ifGain != 0) form->myIntEdit2->SetValue(c.ifGain);
        const std::string before = Face();

        SleepAndWake();
        EXPECT_EQ(Face(), before);
        EXPECT_EQ(form->Q7->GetFreq(), c.hz);
        EXPECT_EQ(form->Q7->GetAGC(), (form.get()->*c.agc)->Tag());
        EXPECT_EQ(form->Q7->GetAtten(), c.attenuator ? 1 : 0);
        EXPECT_EQ(form->Q7->GetPreAmp(), c.preamp ? 1 : 0);
        if (c.ifGain != 0) EXPECT_EQ(form->Q7->GetIFGain(), c.ifGain);
        else EXPECT_NEAR(MeterNear(c.dbm), c.dbm, 2.0);
    }
}

// A receiver behind a converter: the panel shows the device's frequencies 10 MHz up. The receiver
// woken from the sleep reports its limits as device frequencies again; the panel's stay shifted.
TEST_F(WakeWithTheDemodulator, ADisplayOffsetHoldsAcrossTheSleep) {
    Start();
    form->Q7->SetDispOffset(-10'000'000);
    form->Q7->SetFreq(11'000'000); // the AM station at 1 MHz
    EXPECT_NEAR(MeterNear(-53), -53, 2.0);
    const TQ7Facilities& limits = form->Q7->Q7Facilities();
    const std::int64_t lowest = limits.MinFrequency, highest = limits.MaxFrequency;
    ASSERT_EQ(lowest % 1000, 0) << "a whole kHz, as the capability ranges hold it";
    const std::uint32_t lowKHz = form->Q7->RadioDevCaps().Ranges()[0].lowKHz;

    SleepAndWake();
    EXPECT_EQ(limits.MinFrequency, lowest);
    EXPECT_EQ(limits.MaxFrequency, highest);
    EXPECT_EQ(form->Q7->RadioDevCaps().Ranges()[0].lowKHz, lowKHz);
    EXPECT_EQ(form->Q7->GetFreq(), 11'000'000);
    EXPECT_NEAR(MeterNear(-53), -53, 2.0) << "still the station at 1 MHz";
    form->Q7->SetFreq(lowest);
    EXPECT_EQ(form->Q7->GetFreq(), lowest) << "the lowest shown frequency still tunes";
}

// The receiver stops answering while the demodulator streams from it (suspended in the host,
// which holds its requests): the panel shows it as gone once the first request has waited the
// whole time-out, not only at its next signal poll, and the notice ends by itself once the
// receiver answers again. The panel's timers follow real time here, as the time-out does.
class SuspendWithTheDemodulator : public WakeWithTheDemodulator {
protected:
    SuspendWithTheDemodulator() { plat::sys::SetRequestTimeout(kTimeout); }
    ~SuspendWithTheDemodulator() override {
        // The test's answers to dialogs may hold its body's locals, gone when an ASSERT ended it;
        // stopping the plug-ins may still raise a dialog.
        if (form) {
            form->RunModal = DefaultAnswer;
            form->KVR->StopAll();
        }
        ClosePanel();
        plat::sys::SetRequestTimeout(oldTimeout);
    }
    bool PumpInRealTime(const std::function<bool()>& done) {
        auto last = std::chrono::steady_clock::now();
        return PumpUntil([&] {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - last);
            if (ms.count() > 0) {
                clock.AdvanceMs(ms.count());
                last += ms;
            }
            return done();
        });
    }
    static constexpr std::chrono::milliseconds kTimeout{500};
    std::chrono::milliseconds oldTimeout = plat::sys::RequestTimeout();
};

TEST_F(SuspendWithTheDemodulator, TheNoticeComesAfterOneTimeOutAndGoesOnResume) {
    using Clock = std::chrono::steady_clock;
    Start();
    ASSERT_TRUE(HearsIf()) << "the codec streams to the demodulator";
    std::vector<std::string> shown;
    Clock::time_point suspended;
    Clock::duration noticeAfter{}, closedAfter{};
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        noticeAfter = Clock::now() - suspended;
        auto resumed = host.Command("resume sim-usb0");
        EXPECT_EQ(resumed.get(), 0u);
        const auto resumedAt = Clock::now();
        f.SetModalResult(plat::comp::mrNone);
        EXPECT_TRUE(PumpInRealTime([&] { return f.ModalResult() != plat::comp::mrNone; }));
        closedAfter = Clock::now() - resumedAt;
        return f.ModalResult();
    };
    auto suspend = host.Command("suspend sim-usb0");
    ASSERT_EQ(suspend.get(), 0u);
    suspended = Clock::now();
    ASSERT_TRUE(PumpInRealTime([&] { return !shown.empty(); })) << "the receiver was never shown as gone";
    EXPECT_GE(noticeAfter, kTimeout - std::chrono::milliseconds(200))
        << "a request still within its time-out is no sign of a gone receiver";
    EXPECT_LT(noticeAfter, kTimeout + std::chrono::seconds(1)) << "one time-out, not the next signal poll";
    EXPECT_LT(closedAfter, std::chrono::seconds(2)) << "the notice ends once the receiver answers";
    EXPECT_EQ(shown, std::vector<std::string>{"TDiscForm"});
    EXPECT_EQ(form->DiscForm->ModalResult(), plat::comp::mrOk) << "ended by the receiver's return";
    EXPECT_TRUE(form->Q7->IsConnected());
    EXPECT_TRUE(HearsIf()) << "the demodulator hears the receiver again";
}

} // namespace
} // namespace lxq
