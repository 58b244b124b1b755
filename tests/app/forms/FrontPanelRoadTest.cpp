// Road test of the front panel: the driver host runs in-process on a fresh namespace with one
// receiver; the main form starts headless, binds the API library by name, opens the receiver,
// and a frequency typed on the keyboard reaches the receiver while its level comes back to the
// panel. Time is a fake clock: the timers run as it is advanced.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "api/Lxq745Api.h"
#include "app/controls/FloatText.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/receiver/TmyQ745.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "driver/host/ReceiverDevice.h"
#include "platform/components/TApplication.h"
#include "platform/components/THintWindow.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/TMessageForm.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Module.h"
#include "platform/sys/NamedMutex.h"
#include "platform/sys/SettingsStore.h"
#include "tests/app/receiver/plugin/TestPluginState.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/ScreenApi.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/app/forms/FrontPanelFixture.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

using namespace lxq::host;
namespace win = plat::win;


TEST_F(FrontPanel, ATypedFrequencyReachesTheReceiverAndTheLevelComesBack) {
    StartHost();
    StartPanel({"/sd"}); // no demodulator plug-in here, so no message about it
    ASSERT_FALSE(form->Quitting());
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    ASSERT_FALSE(form->Q7->Demo()) << "the host's receiver, not the demonstration one";
    const std::string serial = form->Q7->GetSerialNum();
    EXPECT_EQ(form->Caption(), "Talvenor Q745" + form->Q7->GetInterfaceChar() + " - #" + serial);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->myFrequencyEdit1->Value(), form->Q7->GetFreq());
    EXPECT_EQ(form->FrontpanelLED1->Visible(), form->Q7->GetInterfaceChar() == "e") << "USB and serial receivers have the LED";

    ASSERT_NE(win::SetFocus(form->myFrequencyEdit1->Handle()), 0u);
    Type("145.5\n");
    EXPECT_EQ(form->myFrequencyEdit1->Value(), 145'500'000);
    EXPECT_EQ(form->Q7->GetFreq(), 145'500'000);
    EXPECT_EQ(HostFrequency(), 145'500'000u) << "the driver's tuner state holds it";
    auto api = plat::sys::Module::Load("lxq745api.dll");
    ASSERT_TRUE(api);
    auto getFrequency = reinterpret_cast<decltype(&::GetFrequency)>(api->Symbol("GetFrequency"));
    EXPECT_EQ(getFrequency(form->Q7->Handle()), 145'500'000u);

    // The level the receiver reports shows at once, then at most every 200 ms; the last one
    // read always arrives. Polled every 20 ms here so that levels come faster than shown. The
    // scale is opened wide so that no level is clamped to its ends.
    form->Q7->SetTimerInterval(1);
    form->mySMeter->SetMin(-1000);
    form->mySMeter->SetMax(1000);
    form->mySMeter->SetPosition(-999);
    std::vector<std::int64_t> shownAt;
    double shown = form->mySMeter->Position();
    for (int ms = 0; ms < 1000; ++ms) {
        Advance(1);
        if (form->mySMeter->Position() == shown) continue;
        shown = form->mySMeter->Position();
        EXPECT_EQ(shown, form->Q7->SignalLevel());
        shownAt.push_back(clock.NowMs());
    }
    ASSERT_GE(shownAt.size(), 1u);
    for (std::size_t i = 1; i < shownAt.size(); ++i) EXPECT_GT(shownAt[i] - shownAt[i - 1], 200);
    EXPECT_EQ(form->mySMeter->Position(), form->Q7->SignalLevel());

    std::filesystem::create_directories(LXQ_SCREENSHOT_DIR);
    const std::string png = std::string(LXQ_SCREENSHOT_DIR) + "/main-form.png";
    ASSERT_TRUE(win::SaveScreenshot(png, form->Handle()));
    EXPECT_GT(std::filesystem::file_size(png), 1000u);

    form->Close();
    EXPECT_EQ(form->Q7->Handle(), 0) << "closed after powering down";
    EXPECT_FALSE(form->Visible());
}

TEST_F(FrontPanel, TheSettledFrequencyIsReported250MillisecondsAfterTheLastChange) {
    StartHost();
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    Advance(300);
    ASSERT_FALSE(form->FreqTimer->Enabled());
    const std::int64_t start = form->Q7->GetFreq();
    form->stKnob1UpDown(nullptr, true, 0);
    EXPECT_TRUE(form->FreqTimer->Enabled());
    Advance(200);
    form->stKnob1UpDown(nullptr, true, 0);
    Advance(249);
    EXPECT_TRUE(form->FreqTimer->Enabled()) << "restarted by the second step";
    Advance(2);
    EXPECT_FALSE(form->FreqTimer->Enabled());
    EXPECT_EQ(form->Q7->GetFreq(), start + 2 * KnobStepHz(form->Q7->GetMode(), 0, KnobMultiplier::One, 0));
    EXPECT_EQ(static_cast<std::int64_t>(HostFrequency()), form->Q7->GetFreq());
}

TEST_F(FrontPanel, TheSettledFrequencyGoesToTheDemodulatorTwice) {
    plat::sys::testing::TempFolder config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", LXQ_FORMS_PLUGIN_DIR);
    auto module = plat::sys::Module::Load(std::string(LXQ_FORMS_PLUGIN_DIR) + "/demodulator.kvr");
    ASSERT_TRUE(module);
    TestPluginState& demod = *reinterpret_cast<TestPluginStateProc>(module->Symbol("testPluginState"))();
    StartHost();
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    form->KVR->LoadPlugins();
    ASSERT_GT(form->KVR->StartPlugin("Q745 Demodulator"), 0);
    Advance(300);
    form->myFrequencyEdit1->SetValue(145'500'000);
    demod.calls.clear();
    Advance(249);
    EXPECT_EQ(demod.Count(0x800), 0) << "not before 250 ms";
    Advance(2);
    std::vector<std::uint32_t> reported;
    for (const auto& c : demod.calls)
        if (c.uMsg == 0x800) reported.push_back(c.dwParam);
    EXPECT_EQ(reported, (std::vector<std::uint32_t>{145'500'000u | 0x80000000u, 145'500'000u}));
    form->KVR->StopAll();
    form.reset();
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(FrontPanel, KnobStepsOf8333KeepThe25kHzRaster) {
    StartHost();
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    form->myFrequencyEdit1->SetValue(100'000'000);
    form->myFrequencyEdit2->SetValue(8333);
    form->stSpeedButton49->SetDown(true); // "S": the knob turns by the step
    form->stSpeedButton49->Click();
    for (int i = 0; i < 3; ++i) form->stKnob1UpDown(nullptr, true, 0);
    EXPECT_EQ(form->Q7->GetFreq(), 100'025'000);
    EXPECT_EQ(HostFrequency(), 100'025'000u);
    form->stKnob1UpDown(nullptr, false, 0);
    EXPECT_EQ(form->Q7->GetFreq(), 100'016'667);
}

TEST_F(FrontPanel, ADigitTypedOnTheKnobStartsAFrequencyEntry) {
    StartHost();
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    ASSERT_NE(win::SetFocus(form->stKnob1->Handle()), 0u);
    Type("7.05\n");
    EXPECT_EQ(form->Q7->GetFreq(), 7'050'000);
    EXPECT_EQ(HostFrequency(), 7'050'000u);
    EXPECT_EQ(win::GetFocus(), form->stKnob1->Handle()) << "the knob has the keys again";
}

TEST_F(FrontPanel, KeysOnTheKnobTuneByTheStepAndTurnIt) {
    StartHost();
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    form->myFrequencyEdit1->SetValue(100'000'000);
    form->myFrequencyEdit2->SetValue(1000);
    ASSERT_NE(win::SetFocus(form->stKnob1->Handle()), 0u);
    Press(win::VK_PRIOR);
    EXPECT_EQ(form->Q7->GetFreq(), 100'001'000);
    win::InjectKey(win::VK_SHIFT, true);
    Press(win::VK_NEXT);
    win::InjectKey(win::VK_SHIFT, false);
    EXPECT_EQ(form->Q7->GetFreq(), 99'991'000) << "Shift: ten steps";
    win::InjectKey(win::VK_CONTROL, true);
    Press(win::VK_PRIOR);
    win::InjectKey(win::VK_CONTROL, false);
    EXPECT_EQ(form->Q7->GetFreq(), 100'091'000) << "Ctrl: a hundred steps";
    EXPECT_EQ(HostFrequency(), 100'091'000u);
    const double angle = form->stKnob1->Angle();
    Press(win::VK_UP);
    EXPECT_EQ(form->Q7->GetFreq(), 100'091'000 + KnobStepHz(form->Q7->GetMode(), 0, KnobMultiplier::One, 0));
    EXPECT_NE(form->stKnob1->Angle(), angle) << "the knob turned";
    const std::int32_t volume = form->Q7->GetVolume();
    Press(win::VK_RIGHT);
    EXPECT_EQ(form->Q7->GetVolume(), volume + 1);
}

TEST_F(FrontPanel, ARefusedFrequencyIsNamedForThreeSeconds) {
    StartHost();
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    const std::int64_t tuned = form->Q7->GetFreq();
    // The entry keeps to the receiver's limits, so what was typed lies within them.
    const std::int64_t typed = tuned + 5'000;
    form->ShowFrequency(typed);
    form->Q7BlockedFrequency(form->Q7, 5'000);
    EXPECT_TRUE(form->FHint->Active());
    EXPECT_EQ(form->FHint->Caption(), "Illegal frequency 5 kHz");
    Advance(2990, 10);
    EXPECT_TRUE(form->FHint->Active());
    EXPECT_EQ(form->myFrequencyEdit1->Value(), typed) << "the entry stays while the hint shows";
    Advance(20, 10);
    EXPECT_FALSE(form->FHint->Active());
    EXPECT_EQ(form->myFrequencyEdit1->Value(), tuned) << "then the receiver's frequency again";
    EXPECT_EQ(form->Q7->GetFreq(), tuned);
}

TEST_F(FrontPanel, ShiftAndAltShowTheirMultiplierWhileHeldAndCtrlLocksTheButtons) {
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    form->stSpeedButton49->SetDown(true); // "S" chosen
    form->stSpeedButton49->Click();
    ASSERT_TRUE(form->stSpeedButton49->Down());
    ASSERT_NE(win::SetFocus(form->stKnob1->Handle()), 0u);
    const auto key = [](std::uint32_t vk, bool down) {
        win::InjectKey(vk, down);
        plat::comp::Application().ProcessMessages();
    };
    key(win::VK_SHIFT, true);
    EXPECT_TRUE(form->stSpeedButton48->Down());
    EXPECT_EQ(form->CurrentMultiplier(), KnobMultiplier::Ten);
    key(win::VK_SHIFT, false);
    EXPECT_TRUE(form->stSpeedButton49->Down()) << "the chosen one comes back";
    key(win::VK_MENU, true);
    EXPECT_EQ(form->CurrentMultiplier(), KnobMultiplier::Tenth);
    key(win::VK_MENU, false);
    EXPECT_EQ(form->CurrentMultiplier(), KnobMultiplier::TuningStep);
    key(win::VK_CONTROL, true);
    EXPECT_FALSE(form->stPanel4->Enabled());
    key(win::VK_CONTROL, false);
    EXPECT_TRUE(form->stPanel4->Enabled());
}

TEST_F(FrontPanel, WithoutAHostTheDemonstrationReceiverRunsAndTheLogIsWritten) {
    // The debug output (standard error unless a file is named for it) beside the log file.
    const std::string output = dir.File("debug-output.txt");
    setenv("LXQ745_DEBUG_OUTPUT", output.c_str(), 1);
    StartPanel({"/L"});
    unsetenv("LXQ745_DEBUG_OUTPUT");
    ASSERT_FALSE(form->Quitting());
    EXPECT_TRUE(form->Q7->Demo());
    EXPECT_EQ(form->Caption(), "Talvenor Q745 - **DEMO**");
    EXPECT_EQ(form->DebugLevel(), 2);
    const std::string log = form->DataFolder() + "Debug-DEMO.log";
    EXPECT_EQ(form->DebugLogFile(), log);
    EXPECT_EQ(form->DataFolder(), dir.Path() + "/Talvenor/Q745/");
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    EXPECT_NE(text.str().find(": Panel is ready\n"), std::string::npos) << text.str();
    // The log file holds the lines; the debug output does not repeat them.
    std::stringstream repeated;
    repeated << std::ifstream(output).rdbuf();
    EXPECT_EQ(repeated.str().find("Panel is ready"), std::string::npos) << repeated.str();
}

TEST_F(FrontPanel, WithTheDebugSwitchAloneTheLinesGoToTheDebugOutput) {
    const std::string output = dir.File("debug-output.txt");
    setenv("LXQ745_DEBUG_OUTPUT", output.c_str(), 1);
    StartPanel({"/g"});
    unsetenv("LXQ745_DEBUG_OUTPUT");
    EXPECT_EQ(form->DebugLevel(), 1);
    EXPECT_TRUE(form->DebugLogFile().empty()) << "no log file";
    std::stringstream text;
    text << std::ifstream(output).rdbuf();
    EXPECT_NE(text.str().find("**DEMO**: Panel is ready"), std::string::npos) << text.str();
}

TEST_F(FrontPanel, AMissingCalibrationFileIsReportedAndStartUpGoesOn) {
    MakePanel({"/sd"});
    std::filesystem::create_directories(dir.Path() + "/Talvenor/Q745");
    std::ofstream(dir.Path() + "/Talvenor/Q745/LXQ745.ini") << "[Receiver-**DEMO**]\r\nCalFile=absent.cal\r\n";
    form->DoCreate();
    EXPECT_FALSE(form->Quitting());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The Calibration file is missing.\nThe S-meter will not be accurate.");
    EXPECT_EQ(boxes[0].caption, "Talvenor Q745");
    EXPECT_TRUE(form->DemodulatorName().empty()) << "/sd";
}

// The close box and a stop signal alike (which first cancels whatever box or menu shows): the
// refused close leaves the panel working, its boxes and menus opening as before.
TEST_F(FrontPanel, AClosingRefusedWhileAPlugInHoldsTheHost) {
    StartPanel();
    form->KVR->SetDisabled(0x2);
    for (const bool stopSignal : {false, true}) {
        SCOPED_TRACE(stopSignal ? "a stop signal" : "the close box");
        if (stopSignal) plat::comp::Application().CancelModalLoops();
        form->Close();
        EXPECT_TRUE(form->Visible());
        EXPECT_NE(form->Q7->Handle(), 0);
        EXPECT_FALSE(plat::comp::Application().ModalLoopsCancelled());
        // A box that its user closes with the next message it gets.
        win::PostMessage(form->Handle(), win::WM_NULL, 0, 0);
        int asked = 0;
        EXPECT_TRUE(plat::comp::Application().RunModal([&] { return ++asked > 1; })) << "a box opens";
        EXPECT_GT(asked, 1) << "and runs until its user closes it";
    }
    form->KVR->SetDisabled(0);
    form->Close();
    EXPECT_EQ(form->Q7->Handle(), 0);
}

} // namespace
} // namespace lxq

namespace lxq {
namespace {

TMemoryRecord StoredChannel(std::int32_t number, std::int64_t hz) {
    TMemoryRecord r = NewMemoryRecord();
    r.number = number;
    r.frequency = hz;
    r.checksum = MemoryChecksum(r);
    return r;
}

TEST_F(FrontPanel, SettingsAndMemoriesOutliveTheRun) {
    StartPanel();
    ASSERT_FALSE(form->Quitting());
    const std::string folder = form->DataFolder();
    EXPECT_EQ(form->MemoryFileName(), folder + "Q7memory.45m");
    ASSERT_NE(form->MemoriesByFrequency(), nullptr);
    form->Memories().push_back(std::make_unique<TMemoryRecord>(StoredChannel(2, 7'100'000)));
    form->Memories().push_back(std::make_unique<TMemoryRecord>(StoredChannel(1, 145'500'000)));
    form->RebuildSortedMemories();
    EXPECT_EQ(lxq_test::ByValue(form->Memories()[0]->number), 1) << "sorted by number";
    form->Q7->SetFreq(98'300'000);
    form->myFrequencyEdit2->SetValue(12'500);
    form->stSpeedButton48->SetDown(true);
    form->stSpeedButton49Click(form->stSpeedButton48);
    form->Close();
    EXPECT_EQ(std::filesystem::file_size(folder + "Q7memory.45m"), 200u);
    std::stringstream ini;
    ini << std::ifstream(folder + "LXQ745.ini").rdbuf();
    EXPECT_NE(ini.str().find("[Receiver-**DEMO**]\r\nFreq=98300000\r\n"), std::string::npos) << ini.str();
    EXPECT_NE(ini.str().find("Step=12500\r\n"), std::string::npos);
    EXPECT_NE(ini.str().find("IncrBtns=100\r\n"), std::string::npos);
    EXPECT_NE(ini.str().find("Demodulator=Q745 Standard\r\n"), std::string::npos);

    form.reset();
    StartPanel({"/sd"});
    EXPECT_EQ(form->Q7->GetFreq(), 98'300'000);
    EXPECT_EQ(form->myFrequencyEdit2->Value(), 12'500);
    EXPECT_TRUE(form->stSpeedButton48->Down());
    ASSERT_EQ(form->Memories().size(), 2u);
    EXPECT_EQ(lxq_test::ByValue(form->MemoriesByFrequency()->front()->frequency), 7'100'000);
    form->Close();
    std::stringstream again;
    again << std::ifstream(folder + "LXQ745.ini").rdbuf();
    EXPECT_NE(again.str().find("Demodulator=Q745 Standard\r\n"), std::string::npos) << "kept through /sd";
}

TEST_F(FrontPanel, ADamagedMemoryFileIsReportedAndKept) {
    const std::string folder = dir.Path() + "/Talvenor/Q745/";
    std::filesystem::create_directories(folder);
    TMemoryRecord good = StoredChannel(1, 1'000'000);
    TMemoryRecord bad = StoredChannel(2, 2'000'000);
    bad.frequency = 3'000'000; // the checksum no longer matches
    std::string bytes(reinterpret_cast<const char*>(&good), sizeof good);
    bytes.append(reinterpret_cast<const char*>(&bad), sizeof bad);
    std::ofstream(folder + "Q7memory.45m", std::ios::binary) << bytes;
    StartPanel();
    ASSERT_EQ(form->Memories().size(), 1u);
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes[0].text.find("1 damaged memory record in "), std::string::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(" was skipped."), std::string::npos) << boxes[0].text;
    std::stringstream kept;
    kept << std::ifstream(folder + "Q7memory.45m.damaged", std::ios::binary).rdbuf();
    EXPECT_EQ(kept.str(), bytes) << "the file as it was";
}

TEST_F(FrontPanel, TheMemoryFileMenuAsksBeforeItReplacesOrClears) {
    StartPanel();
    form->Memories().push_back(std::make_unique<TMemoryRecord>(StoredChannel(1, 1'000'000)));
    std::ofstream(dir.File("taken.45m")) << "";
    std::vector<std::string> answers = {"taken", "fresh"};
    std::vector<std::string> questions;
    form->AskText = [&](const std::string&, const std::string& prompt, std::string& value) {
        questions.push_back(prompt);
        if (answers.empty()) return false;
        value = answers.front();
        answers.erase(answers.begin());
        return true;
    };
    int yes = 0; // answers No unless told otherwise
    form->ShowMessageBox = [&](const std::string& t, const std::string&, std::uint32_t) {
        questions.push_back(t);
        return yes-- > 0 ? plat::comp::IDYES : plat::comp::IDNO;
    };
    const std::string old = form->MemoryFileName();
    form->New1Click(nullptr);
    EXPECT_EQ(questions, (std::vector<std::string>{"Enter the name of new memory file", "Overwrite existing file ?",
                                                   "Enter the name of new memory file"}));
    EXPECT_EQ(form->MemoryFileName(), "fresh.45m");
    EXPECT_TRUE(form->Memories().empty());
    EXPECT_EQ(std::filesystem::file_size(old), 100u) << "the old list went to the old file";

    form->Memories().push_back(std::make_unique<TMemoryRecord>(StoredChannel(1, 1'000'000)));
    questions.clear();
    form->Clear1Click(nullptr);
    EXPECT_EQ(questions, (std::vector<std::string>{"Delete all frequencies ?"}));
    EXPECT_EQ(form->Memories().size(), 1u) << "No keeps the channels";
    yes = 1;
    form->Clear1Click(nullptr);
    EXPECT_TRUE(form->Memories().empty());
}

TEST_F(FrontPanel, SettingsWaitAMinuteForAnotherWriterAndThenGiveUp) {
    StartPanel();
    const std::string ini = form->DataFolder() + "LXQ745.ini";
    std::error_code ignored;
    std::filesystem::remove(ini, ignored);
    plat::sys::NamedMutex held("Q745INIFILE"); // another program instance is writing
    held.Lock();
    const std::int64_t before = clock.NowMs();
    form->WriteSettings();
    EXPECT_GE(clock.NowMs() - before, 60000);
    EXPECT_FALSE(std::filesystem::exists(ini)) << "nothing written without the mutex";
    held.Unlock();
    form->WriteSettings();
    EXPECT_TRUE(std::filesystem::exists(ini));
}

TEST_F(FrontPanel, SpreadsheetFilesThatCannotBeUsedAreNamed) {
    StartPanel();
    boxes.clear();
    form->ImportCSV(dir.File("absent.csv"));
    form->ExportCSV(dir.File("no/folder/out.csv"));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Unable to open the CSV file !");
    EXPECT_EQ(boxes[1].text, "Unable to create the CSV file !");
    EXPECT_EQ(boxes[1].caption, "Talvenor Q745");
}

} // namespace
} // namespace lxq
