// The front panel and its receiver: which receiver start-up opens (the dialogs answered by the
// test), the disconnection notice, and sleep and wake with plug-ins running. The API library runs
// without a driver host, so the receiver is the demonstration one. Time is a fake clock.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TstSpeedButton.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/forms/TDiscForm.h"
#include "app/forms/TOpenForm.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "app/controls/TstListBox.h"
#include "platform/components/TApplication.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Module.h"
#include "platform/sys/SettingsStore.h"
#include "platform/win/Messages.h"
#include "tests/app/receiver/plugin/TestPluginState.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq {
namespace {

using namespace plat::comp;

RADIO_INFO Info(const char* serial) {
    RADIO_INFO r{};
    r.size = sizeof r;
    std::memcpy(r.serial, serial, std::min(std::strlen(serial), sizeof r.serial - 1));
    return r;
}

class ReceiverChoice : public ::testing::Test {
protected:
    ReceiverChoice() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
        std::filesystem::current_path(dir.Path());
        Application().ResetTerminated();
    }
    ~ReceiverChoice() override {
        form.reset();
        std::filesystem::current_path(startFolder);
        unsetenv("XDG_DOCUMENTS_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }
    // Every dialog the panel shows is recorded and answered by `answer`.
    void MakePanel(std::vector<std::string> args = {}) {
        form = std::make_unique<TQ7form>(nullptr, std::move(args));
        form->ShowMessageBox = [](const std::string&, const std::string&, std::uint32_t) { return 1; };
        form->RunModal = [this](TCustomForm& f) {
            shown.push_back(f.ClassName());
            return answer(f);
        };
    }
    void StartDemoPanel(std::vector<std::string> args = {}) {
        answer = [](TCustomForm&) { return mrOk; }; // "Run in demo mode"
        MakePanel(std::move(args));
        form->DoCreate();
        ASSERT_FALSE(form->Quitting());
        shown.clear();
    }
    // Lets the notice's timer run until it ends the notice (at most `ms`).
    TModalResult RunTimer(TDiscForm& f, std::int64_t ms) {
        f.SetModalResult(mrNone);
        for (std::int64_t t = 0; t < ms && f.ModalResult() == mrNone; t += 10) {
            clock.AdvanceMs(10);
            form->Q7->FinishRequests(); // the question the timer asked has its answer
            Application().ProcessMessages();
        }
        return f.ModalResult();
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    plat::sys::test::ScopedChannelNamespace ns{"formrxchoice"};
    plat::sys::testing::TempFolder dir;
    std::filesystem::path startFolder = std::filesystem::current_path();
    std::vector<std::string> shown;
    std::function<TModalResult(TCustomForm&)> answer;
    std::unique_ptr<TQ7form> form;
};

TEST_F(ReceiverChoice, WithoutReceiversTheNoReceiverDialogDecides) {
    struct Case {
        const char* what;
        std::vector<TModalResult> answers;
        bool quitting;
        bool demo;
    };
    const Case cases[] = {
        {"demo mode", {mrOk}, false, true},
        {"cancel", {mrCancel}, true, false},
        {"try again twice, then demo", {mrYes, mrYes, mrOk}, false, true},
        {"try again, then cancel", {mrYes, mrCancel}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shown.clear();
        std::size_t next = 0;
        answer = [&](TCustomForm&) { return next < c.answers.size() ? c.answers[next++] : mrCancel; };
        MakePanel();
        form->DoCreate();
        EXPECT_EQ(shown, std::vector<std::string>(c.answers.size(), "TNoRecForm")) << "asked once per answer";
        EXPECT_EQ(form->Quitting(), c.quitting);
        EXPECT_EQ(form->Q7->Handle() != 0, c.demo) << "nothing is opened when quitting";
        form.reset();
        Application().ProcessMessages();
        Application().ResetTerminated();
    }
}

TEST_F(ReceiverChoice, ThePreferredSerialIsOpenedWithoutAsking) {
    StartDemoPanel({"/#B0000002"});
    const RADIO_INFO two[] = {Info("A0000001"), Info("B0000002")};
    int chosen = -5;
    form->Q7ChooseReceiver(form->Q7, two, 2, chosen);
    EXPECT_EQ(chosen, 1);
    EXPECT_TRUE(shown.empty());

    const RADIO_INFO one[] = {Info("C0000003")};
    form->Q7ChooseReceiver(form->Q7, one, 1, chosen);
    EXPECT_EQ(chosen, 0) << "a single receiver is simply taken";
    EXPECT_TRUE(shown.empty());
}

TEST_F(ReceiverChoice, AnUnknownSerialAsksWhichReceiver) {
    StartDemoPanel({"/#Z9999999"});
    const RADIO_INFO two[] = {Info("A0000001"), Info("B0000002")};
    answer = [](TCustomForm& f) {
        auto& open = dynamic_cast<TOpenForm&>(f);
        open.stListBox1->SetItemIndex(1);
        open.stSpeedButton1Click(nullptr);
        return open.ModalResult();
    };
    int chosen = -5;
    form->Q7ChooseReceiver(form->Q7, two, 2, chosen);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(shown, std::vector<std::string>{"TOpenForm"});
    EXPECT_FALSE(form->Quitting());

    answer = [](TCustomForm&) { return mrCancel; }; // "Exit"
    form->Q7ChooseReceiver(form->Q7, two, 2, chosen);
    EXPECT_EQ(chosen, -2) << "nothing opened";
    EXPECT_TRUE(form->Quitting());
}

TEST_F(ReceiverChoice, AReconnectedReceiverGetsThePanelsFrequencyBack) {
    StartDemoPanel();
    form->myFrequencyEdit1->SetValue(145'500'000);
    int nested = 0;
    answer = [&](TCustomForm& f) {
        EXPECT_EQ(&f, form->DiscForm);
        EXPECT_FALSE(form->mySMeter->Enabled());
        EXPECT_TRUE(form->DiscForm->Timer1->Enabled());
        form->ShowFrequency(7'000'000);
        form->Q7Disconnect(form->Q7); // a second notice while this one shows: none
        ++nested;
        return RunTimer(dynamic_cast<TDiscForm&>(f), 1000);
    };
    form->Q7Disconnect(form->Q7);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_TRUE(form->mySMeter->Enabled());
    EXPECT_FALSE(form->DiscForm->Timer1->Enabled());
    EXPECT_EQ(form->myFrequencyEdit1->Value(), 145'500'000);
    EXPECT_EQ(form->Q7->GetFreq(), 145'500'000);
}

// After a reconnection the receiver gets what the panel shows, one rule for every setting
// control: each shows here what the receiver does not hold (as after a request that went
// unanswered, or one carried out late), and the receiver holds it once the notice has ended.
TEST_F(ReceiverChoice, AReconnectedReceiverGetsWhatEverySettingControlShows) {
    StartDemoPanel();
    const auto receiverHas = [this](std::int32_t power, std::int32_t agc, std::int32_t atten, std::int32_t preamp,
                                    std::int32_t ifGain, std::int64_t hz) {
        form->Q7->SetPower(power);
        form->Q7->SetAGC(agc);
        form->Q7->SetAtten(atten);
        form->Q7->SetPreAmp(preamp);
        form->Q7->SetIFGain(ifGain);
        form->Q7->SetFreq(hz);
        form->Q7->FinishRequests();
        Application().ProcessMessages();
    };
    // The IF gain edit shows a value without sending it.
    const auto showIfGain = [this](std::int32_t v) {
        auto handler = form->myIntEdit2->OnValueChange;
        form->myIntEdit2->OnValueChange = nullptr;
        form->myIntEdit2->SetValue(v);
        form->myIntEdit2->OnValueChange = handler;
    };
    const struct {
        const char* control;
        std::function<void()> show;
        std::function<bool()> held;
    } cases[] = {
        {"frequency", [&] { form->ShowFrequency(7'100'000); }, [&] { return form->Q7->GetFreq() == 7'100'000; }},
        {"power", [&] { form->stSpeedButton1->SetDown(true); }, [&] { return form->Q7->GetPower() == 1; }},
        {"AGC", [&] { form->stSpeedButton6->SetDown(true); }, [&] { return form->Q7->GetAGC() == 3; }},
        {"attenuator", [&] { form->stSpeedButton2->SetDown(true); }, [&] { return form->Q7->GetAtten() == 1; }},
        {"preamplifier", [&] { form->stSpeedButton41->SetDown(true); }, [&] { return form->Q7->GetPreAmp() == 1; }},
        {"IF gain", [&] { showIfGain(40); }, [&] { return form->Q7->GetIFGain() == 40; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        receiverHas(0, 1, 0, 0, 10, 1'000'000);
        c.show();
        answer = [this](TCustomForm& f) { return RunTimer(dynamic_cast<TDiscForm&>(f), 1000); };
        form->Q7Disconnect(form->Q7);
        form->Q7->FinishRequests();
        Application().ProcessMessages();
        EXPECT_TRUE(c.held());
    }
}

TEST_F(ReceiverChoice, GivingUpOnTheReceiverClosesTheProgram) {
    StartDemoPanel();
    answer = [](TCustomForm&) { return mrCancel; }; // "Close application"
    form->Q7Disconnect(form->Q7);
    EXPECT_NE(form->Q7->Handle(), 0);
    Application().ProcessMessages();
    EXPECT_EQ(form->Q7->Handle(), 0) << "closed as at any close";
    EXPECT_FALSE(form->Visible());
}

TEST_F(ReceiverChoice, SleepStopsPlugInsByFallingTypeAndWakeStartsThemRising) {
    plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", LXQ_FORMS_POWER_PLUGIN_DIR);
    std::vector<std::string> journal;
    std::vector<std::unique_ptr<plat::sys::Module>> modules;
    // The panel outlives this test's body and stops the plug-ins later: by then they must no
    // longer write into the journal, which is gone.
    struct ForgetJournal {
        std::vector<TestPluginState*> states;
        ~ForgetJournal() {
            for (TestPluginState* s : states) s->journal = nullptr;
        }
    } forget;
    std::int32_t instance = 20;
    for (const char* file : {"type300", "type100", "type200"}) {
        modules.push_back(plat::sys::Module::Load(std::string(LXQ_FORMS_POWER_PLUGIN_DIR) + "/" + file + ".kvr"));
        ASSERT_TRUE(modules.back());
        TestPluginState& s = *reinterpret_cast<TestPluginStateProc>(modules.back()->Symbol("testPluginState"))();
        forget.states.push_back(&s);
        s.journal = &journal;
        s.startResult = ++instance;
    }
    StartDemoPanel();
    form->KVR->LoadPlugins();
    for (const char* name : {"Type 300", "Type 100", "Type 200"}) ASSERT_NE(form->KVR->StartPlugin(name), 0);
    journal.clear();
    form->Q7->SetPower(1);

    form->Perform(plat::win::WM_POWERBROADCAST, 4, 0);
    // Closing the receiver then unloads them (":done"); the close requests come first.
    ASSERT_GE(journal.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(journal.begin(), journal.begin() + 3),
              (std::vector<std::string>{"Type 300:close", "Type 200:close", "Type 100:close"}));
    ASSERT_NE(form->RestartList(), nullptr);
    EXPECT_EQ(*form->RestartList(), (std::vector<std::string>{"Type 100", "Type 200", "Type 300"}));
    EXPECT_EQ(form->Q7->Handle(), 0) << "closed while asleep";

    journal.clear();
    answer = [this](TCustomForm& f) {
        auto& notice = dynamic_cast<TDiscForm&>(f);
        EXPECT_TRUE(notice.ReopenBySerial);
        EXPECT_EQ(notice.ReopenSerial, "") << "the demonstration receiver reopens without a serial";
        return RunTimer(notice, 1000);
    };
    form->Perform(plat::win::WM_POWERBROADCAST, 7, 0);
    // The receiver's driver is given time first, on the panel's own loop.
    clock.AdvanceMs(4990);
    Application().ProcessMessages();
    EXPECT_TRUE(shown.empty()) << "reopened before the driver had its time";
    EXPECT_EQ(form->Q7->Handle(), 0);
    clock.AdvanceMs(10);
    Application().ProcessMessages();
    EXPECT_EQ(shown, std::vector<std::string>{"TDiscForm"});
    EXPECT_NE(form->Q7->Handle(), 0);
    EXPECT_EQ(form->Q7->GetPower(), 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"Type 100:start", "Type 200:start", "Type 300:start"}));
    EXPECT_EQ(form->RestartList(), nullptr);

    shown.clear();
    form->Perform(plat::win::WM_POWERBROADCAST, 7, 0);
    EXPECT_TRUE(shown.empty()) << "a wake without a sleep does nothing";
    form.reset();
}

} // namespace
} // namespace lxq
