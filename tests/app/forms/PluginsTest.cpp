// The plug-in side of the front panel, headless on the demonstration receiver: plug-ins land in
// their menus, menu clicks start and stop them, the demodulator is embedded (the real plug-in)
// or refused with its message, and the panel answers the memory and memory-file requests that a
// plug-in sends through the host.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <memory>
#include <sstream>

#include "app/controls/TmyTuningPad.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstSpeedButton.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstAlignEdit.h"
#include "app/controls/TstPanel.h"
#include "app/forms/MEMORYENTRY.h"
#include "app/forms/TMemoryRecord.h"
#include "app/receiver/RADIODEVCAPS.h"
#include "app/forms/SystemMessageBoxes.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/PackedFrequency.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TQ7Facilities.h"
#include "app/receiver/TmyQ745.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/components/Graphics.h"
#include "platform/components/TApplication.h"
#include "platform/components/TForm.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TMenuItem.h"
#include "platform/sys/Clock.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Module.h"
#include "platform/sys/SettingsStore.h"
#include "platform/win/InputApi.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
#include "tests/app/receiver/plugin/TestPluginState.h"
#include "tests/platform/audio/AudioTestKit.h"
#include "tests/platform/components/UiTest.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

namespace win = plat::win;
using plat::comp::TMenuItem;

struct Box {
    std::string text, caption;
};

class PluginSide : public ::testing::Test {
protected:
    PluginSide() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        std::filesystem::current_path(dir.Path());
        plat::comp::Application().ResetTerminated();
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", plugins.Path());
        // A sound card of files with an empty line input, for the real demodulator.
        plat::audio::testing::WriteWav(dir.File("in.wav"), plat::audio::MakePcmFormat(2, 16, 48000), {});
        backend->AddDevice(plat::audio::Direction::Capture, "Line In", dir.File("in.wav"));
        backend->AddDevice(plat::audio::Direction::Playback, "Speakers", dir.File("out.wav"));
    }
    ~PluginSide() override {
        if (form) form->KVR->StopAll();
        form.reset();
        std::filesystem::current_path(startFolder);
        unsetenv("XDG_DOCUMENTS_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }
    // Puts a test plug-in built for these tests into the plug-in folder.
    void AddPlugin(const std::string& file) {
        std::filesystem::copy_file(std::string(LXQ_FORMS_MENU_PLUGIN_DIR) + "/" + file + ".kvr",
                                   plugins.File(file + ".kvr"));
    }
    void AddDemodulator() { std::filesystem::copy_file(DEMOD_PLUGIN_PATH, plugins.File("Q745DemodPro.kvr")); }
    // The state of a test plug-in in the folder (the library is the one the host loaded).
    TestPluginState& State(const std::string& file) {
        modules.push_back(plat::sys::Module::Load(plugins.File(file + ".kvr")));
        return *reinterpret_cast<TestPluginStateProc>(modules.back()->Symbol("testPluginState"))();
    }
    void StartPanel(std::vector<std::string> args = {"/sd"}) {
        form = std::make_unique<TQ7form>(nullptr, std::move(args));
        form->ShowMessageBox = [this](const std::string& t, const std::string& c, std::uint32_t) {
            boxes.push_back({t, c});
            return 1;
        };
        form->ExecuteDialog = [](plat::comp::TOpenDialog&) { return false; };
        // Without a receiver the panel runs on the demonstration receiver ("Run in demo mode").
        form->RunModal = [](plat::comp::TCustomForm& f) {
            return std::string(f.ClassName()) == "TNoRecForm" ? plat::comp::mrOk : f.ShowModal();
        };
        form->Q7->SetCalFile(dir.File("absent.cal"));
        form->DoCreate();
        ASSERT_FALSE(form->Quitting());
        // The missing calibration file is not what these tests look at.
        boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                                   [](const Box& b) { return b.text.find("Calibration") != std::string::npos; }),
                    boxes.end());
    }
    TMenuItem* Menu(const std::string& caption) { return form->PluginMenu(caption); }
    TMenuItem* Item(const std::string& menu, const std::string& caption) { return Menu(menu)->Find(caption); }
    void Pump() { plat::comp::Application().ProcessMessages(); }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    plat::sys::testing::TempFolder dir, config, plugins;
    std::filesystem::path startFolder = std::filesystem::current_path();
    std::shared_ptr<plat::audio::FileAudioBackend> backend = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend audio{backend};
    std::vector<std::unique_ptr<plat::sys::Module>> modules;
    std::vector<Box> boxes;
    std::unique_ptr<TQ7form> form;
};

TEST_F(PluginSide, EachPluginLandsInTheMenuOfItsKind) {
    for (const char* f : {"menu_plain", "menu_trunk", "menu_digital", "menu_decoder", "menu_listed", "menu_embedded",
                          "menu_finder", "menu_beyond", "menu_hidden", "menu_auto"})
        AddPlugin(f);
    StartPanel();
    const struct {
        const char* name;
        const char* menu;
        bool radio;
    } cases[] = {
        {"Plain", "Plu&gins", false},      {"Trunk", "&Trunking", false},    {"Digital", "D&igital suite", false},
        {"Decoder", "D&ecoders", false},   {"Listed", "De&modulators", false}, {"Embedded", "De&modulators", true},
        {"Finder", "&DF", false},          {"Beyond", "Plu&gins", false},    {"Auto", "Plu&gins", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMenuItem* item = Item(c.menu, c.name);
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(Menu(c.menu)->Visible());
        EXPECT_EQ(item->RadioItem(), c.radio);
        EXPECT_EQ(item->GroupIndex(), c.radio ? 1 : 0);
        EXPECT_EQ(item->Tag(), c.radio ? 1 : 0);
    }
    for (const char* menu : {"Plu&gins", "&Trunking", "De&modulators", "DS&P", "&DF", "D&ecoders", "D&igital suite"})
        EXPECT_EQ(Menu(menu)->Find("Hidden"), nullptr) << menu;
    EXPECT_FALSE(Menu("DS&P")->Visible()) << "no plug-in of its own kind";
    EXPECT_GT(form->KVR->PluginInstance("Auto"), 0) << "started right after loading";
    EXPECT_TRUE(Item("Plu&gins", "Auto")->Checked());
    EXPECT_FALSE(Item("Plu&gins", "Plain")->Checked());
}

TEST_F(PluginSide, AMenuClickStartsAPluginAndTheNextStopsIt) {
    AddPlugin("menu_plain");
    StartPanel();
    TMenuItem* item = Item("Plu&gins", "Plain");
    ASSERT_NE(item, nullptr);
    item->Click();
    EXPECT_TRUE(item->Checked());
    EXPECT_GT(form->KVR->PluginInstance("Plain"), 0);
    item->Click();
    Pump();
    EXPECT_FALSE(item->Checked());
    EXPECT_EQ(form->KVR->PluginInstance("Plain"), kvr::kNotRunning);
}

TEST_F(PluginSide, ADemodulatorThatCannotBeEmbeddedIsRefusedWithItsMessage) {
    AddPlugin("menu_embedded");
    StartPanel();
    TestPluginState& demod = State("menu_embedded");
    plat::comp::TForm wide(nullptr);
    wide.SetClientSize(331, 276);
    const struct {
        const char* name;
        std::int32_t startResult;
        std::string message;
    } cases[] = {
        {"Nobody", 0, "The demodulator failed to start."},
        {"Embedded", -1, "The demodulator failed to start."},
        {"Embedded", 7, "The demodulator is not a window: 00000007"},
        {"Embedded", static_cast<std::int32_t>(wide.Handle()),
         "The selected demodulator is not suitable for this type of receiver"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        boxes.clear();
        demod.startResult = c.startResult;
        EXPECT_FALSE(form->StartDemodulator(c.name));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, "LXQ745 error");
        EXPECT_EQ(form->DemodulatorName(), c.name);
        form->KVR->StopPlugin("Embedded"); // the not-a-window case stays running
        Pump();
    }
    EXPECT_EQ(form->KVR->PluginInstance("Embedded"), kvr::kNotRunning) << "the too wide one is stopped";
    EXPECT_EQ(win::GetParent(wide.Handle()), 0u) << "and not taken in";
}

TEST_F(PluginSide, TheRealDemodulatorIsEmbeddedInTheDemodulatorPanel) {
    AddDemodulator();
    AddPlugin("menu_embedded");
    StartPanel();
    TMenuItem* pro = Item("De&modulators", "Q745 Professional");
    ASSERT_NE(pro, nullptr);
    EXPECT_TRUE(pro->RadioItem());

    ASSERT_TRUE(form->StartDemodulator("Q745 Professional")) << (boxes.empty() ? "" : boxes[0].text);
    EXPECT_TRUE(boxes.empty());
    const win::Hwnd demod = form->EmbeddedDemodulator();
    ASSERT_TRUE(win::IsWindow(demod));
    EXPECT_EQ(win::GetParent(demod), form->DemodPanel->Handle());
    const auto style = static_cast<std::uint32_t>(win::GetWindowLongPtr(demod, win::GWL_STYLE));
    EXPECT_TRUE(style & win::WS_CHILD);
    EXPECT_FALSE(style & win::WS_POPUP);
    EXPECT_TRUE(win::IsWindowVisible(demod));
    win::Rect r{};
    win::GetWindowRect(demod, &r);
    win::Point at{r.left, r.top};
    win::ScreenToClient(form->DemodPanel->Handle(), &at);
    const int b = form->DemodPanel->BevelWidth();
    EXPECT_EQ(at.x, b);
    EXPECT_EQ(at.y, b);
    EXPECT_EQ(r.right - r.left, form->DemodPanel->Width() - 2 * b);
    EXPECT_EQ(r.bottom - r.top, form->DemodPanel->Height() - 2 * b);
    EXPECT_TRUE(pro->Checked());
    win::SetFocus(demod);
    EXPECT_EQ(win::GetFocus(), form->Handle()) << "the embedded window hands the keyboard to the panel";
    Pump();
    std::filesystem::create_directories(LXQ_SCREENSHOT_DIR);
    EXPECT_TRUE(win::SaveScreenshot(std::string(LXQ_SCREENSHOT_DIR) + "/main-form-demodulator.png", form->Handle()));

    // Another demodulator that is no window: the previous one comes back.
    State("menu_embedded").startResult = 7;
    Item("De&modulators", "Embedded")->Click();
    Pump();
    ASSERT_EQ(boxes.size(), 1u) << boxes[1].text;
    EXPECT_EQ(form->DemodulatorName(), "Q745 Professional");
    EXPECT_TRUE(pro->Checked());
    EXPECT_TRUE(win::IsWindow(form->EmbeddedDemodulator()));
    EXPECT_EQ(win::GetParent(form->EmbeddedDemodulator()), form->DemodPanel->Handle());

    form->KVR->StopPlugin("Q745 Professional");
    Pump();
    EXPECT_EQ(form->EmbeddedDemodulator(), 0u);
    EXPECT_FALSE(pro->Checked());
    EXPECT_TRUE(win::GetChildWindows(form->DemodPanel->Handle()).empty());
}

// The receiver's modes are what the memory and range dialogs offer: the demodulator brings its
// own while it runs and must leave the receiver's behind when it stops, over more than one start.
TEST_F(PluginSide, TheReceiverKeepsItsModesWhenTheDemodulatorStops) {
    AddDemodulator();
    StartPanel();
    auto modes = [this] {
        const TQ7Facilities& f = form->Q7->Q7Facilities();
        std::vector<std::int32_t> ids;
        for (int i = 0; i < f.ModesCount; ++i) ids.push_back(f.GetMode(i));
        return ids;
    };
    const std::vector<std::int32_t> own = modes();
    ASSERT_FALSE(own.empty());
    for (int start = 0; start < 2; ++start) {
        ASSERT_TRUE(form->StartDemodulator("Q745 Professional")) << (boxes.empty() ? "" : boxes[0].text);
        Pump();
        EXPECT_NE(modes(), own) << "the demodulator's modes, in its order, while it runs";
        form->KVR->StopPlugin("Q745 Professional");
        Pump();
        EXPECT_EQ(modes(), own) << "after stop " << start;
        const auto* caps = static_cast<const unsigned char*>(form->KVR->GetRadioDevCaps());
        ASSERT_NE(caps, nullptr);
        std::uint32_t count = 0;
        std::memcpy(&count, caps + 228, 4);
        EXPECT_EQ(count, own.size()) << "the block the next plug-in gets";
    }
}

// A machine without a sound card: the demodulator cannot play, and the user is told so in a box
// of the program's own, not on a terminal nobody reads.
TEST_F(PluginSide, ADemodulatorWithoutASoundCardSaysSoInABox) {
    auto silent = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend noCard{silent};
    InstallSystemMessageBoxes();
    std::vector<std::string> captions;
    plat::comp::test::ModalScript script;
    for (int box = 0; box < 2; ++box) // one for the line input, one for the output
        script.Then([&](plat::comp::TCustomForm& f) {
            captions.push_back(std::string(f.ClassName()) + ": " + f.Caption());
            f.SetModalResult(plat::comp::mrOk);
            script.Again();
        });
    AddDemodulator();
    StartPanel({}); // a first start runs the demodulator found
    for (int i = 0; i < 100 && !script.Done(); ++i) Pump();
    plat::sys::SetMessageBoxHook(nullptr);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "TMessageForm: RC_AudioWave Wave-out Error"), captions.end())
        << testing::PrintToString(captions);
}

// --- memory requests -----------------------------------------------------------------------------

class MemoryRequests : public PluginSide {
protected:
    void SetUp() override {
        AddPlugin("menu_plain");
        StartPanel();
        ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
        plugin = &State("menu_plain");
    }
    static MEMORYENTRY Entry(std::int64_t hz, const char* callsign = "", const char* comments = "") {
        MEMORYENTRY e{};
        e.size = kMemoryEntryBytes;
        e.frequency = EncodeFreq32(hz);
        e.mode = 2;
        e.squelchLevel = 40;
        e.groups = 0x8001;
        e.flags = 0x5;
        std::strncpy(e.callsign, callsign, sizeof e.callsign - 1);
        std::strncpy(e.comments, comments, sizeof e.comments - 1);
        return e;
    }
    std::int32_t Call(std::uint32_t code, std::uint32_t param, void* entry = nullptr) {
        return plugin->Call(code, param, 0, entry);
    }
    std::vector<std::int32_t> Numbers() {
        std::vector<std::int32_t> n;
        for (const auto& m : form->Memories()) n.push_back(m->number);
        return n;
    }
    TestPluginState* plugin = nullptr;
};

TEST_F(MemoryRequests, AStoredEntryReadsBackAndTheListStaysInNumberOrder) {
    MEMORYENTRY a = Entry(145'500'000, "CALLSIGN-TOO-LONG", "a comment");
    MEMORYENTRY b = Entry(3'000'000'000);
    EXPECT_EQ(Call(0x4101, 20, &a), 0);
    EXPECT_EQ(Call(0x4101, 5, &b), 0);
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{5, 20}));
    EXPECT_EQ(Call(0x4103, 0), 2);

    const TMemoryRecord& stored = *form->Memories()[1];
    EXPECT_EQ(lxq_test::ByValue(stored.frequency), 145'500'000);
    EXPECT_EQ(lxq_test::ByValue(stored.levelSquelch), form->Q7->KVRtoSQ(40));
    EXPECT_EQ(lxq_test::ByValue(stored.flags), 0x5u) << "a plug-in's store takes the whole word";
    EXPECT_STREQ(stored.callsign, "CALLSIGN-TO") << "at most 11 characters";
    EXPECT_EQ(lxq_test::ByValue(form->Memories()[0]->frequency), 3'000'000'000);

    MEMORYENTRY read{};
    read.size = kMemoryEntryBytes;
    std::memset(read.comments, 'x', sizeof read.comments - 1);
    EXPECT_EQ(Call(0x4102, 20, &read), 0);
    EXPECT_EQ(lxq_test::ByValue(read.frequency), a.frequency);
    EXPECT_EQ(lxq_test::ByValue(read.mode), 2);
    EXPECT_EQ(lxq_test::ByValue(read.squelchLevel), 40);
    EXPECT_EQ(lxq_test::ByValue(read.groups), 0x8001u);
    EXPECT_EQ(lxq_test::ByValue(read.flags), 0x1u) << "only the lock-out bit goes out";
    EXPECT_STREQ(read.callsign, "CALLSIGN-TO");
    EXPECT_STREQ(read.comments, "a comment") << "the rest of the entry is cleared";

    // The walk from the start: 5, 20, then the end.
    MEMORYENTRY walk{};
    walk.size = kMemoryEntryBytes;
    EXPECT_EQ(Call(0x4104, static_cast<std::uint32_t>(-1), &walk), 5);
    EXPECT_EQ(lxq_test::ByValue(walk.frequency), b.frequency);
    EXPECT_EQ(Call(0x4104, 5, &walk), 20);
    EXPECT_EQ(Call(0x4104, 20, &walk), -1);

    // Store again over 20: updated in place; store without an entry deletes.
    MEMORYENTRY c = Entry(7'000'000);
    EXPECT_EQ(Call(0x4101, 20, &c), 0);
    EXPECT_EQ(lxq_test::ByValue(form->Memories()[1]->frequency), 7'000'000);
    EXPECT_EQ(Call(0x4101, 5), 0);
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{20}));

    EXPECT_EQ(Call(0x4100, 20), 0);
    EXPECT_EQ(form->Q7->GetFreq(), 7'000'000) << "recalled";
}

TEST_F(MemoryRequests, RequestsWithWrongSizesOrNumbersChangeNothing) {
    MEMORYENTRY good = Entry(145'500'000);
    ASSERT_EQ(Call(0x4101, 1, &good), 0);
    MEMORYENTRY shortEntry = Entry(7'000'000);
    shortEntry.size = 463;
    const struct {
        std::uint32_t code, param;
        void* entry;
    } cases[] = {
        {0x4101, 10000, &good}, {0x4101, 0, &good}, {0x4101, 2, &shortEntry}, {0x4101, 1, &shortEntry},
        {0x4101, 99, nullptr},  {0x4102, 99, &good}, {0x4102, 1, &shortEntry}, {0x4100, 99, nullptr},
        {0x4104, 99, &good},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " " << std::dec << c.param);
        EXPECT_EQ(Call(c.code, c.param, c.entry), kvr::kNotHandled);
        ASSERT_EQ(Numbers(), (std::vector<std::int32_t>{1}));
        EXPECT_EQ(lxq_test::ByValue(form->Memories()[0]->frequency), 145'500'000);
    }
    EXPECT_EQ(lxq_test::ByValue(shortEntry.frequency), EncodeFreq32(7'000'000)) << "a short entry is not written";
}

TEST_F(MemoryRequests, TheWalkOverAnEmptyListEndsAtOnce) {
    form->Memories().clear();
    EXPECT_EQ(Call(0x4103, 0), 0);
    EXPECT_EQ(Call(0x4104, static_cast<std::uint32_t>(-1)), -1);
}

TEST_F(MemoryRequests, TheMemoryFilePathNeedsRoomForItsTerminatingZero) {
    form->SetMemoryFileName(dir.File("channels.45m"));
    const std::string path = form->MemoryFileName();
    std::vector<char> buffer(path.size() + 1, '#');
    EXPECT_EQ(plugin->Call(0x4105, 0, static_cast<std::uint32_t>(path.size()), buffer.data()),
              static_cast<std::int32_t>(path.size() + 1));
    EXPECT_EQ(buffer[0], '#') << "nothing copied";
    EXPECT_EQ(plugin->Call(0x4105, 0, static_cast<std::uint32_t>(buffer.size()), buffer.data()), 0);
    EXPECT_STREQ(buffer.data(), path.c_str());
}

TEST_F(MemoryRequests, SwitchingTheMemoryFileSavesTheOldListAndLoadsTheNewOne) {
    form->SetMemoryFileName(dir.File("old.45m"));
    MEMORYENTRY e = Entry(145'500'000);
    ASSERT_EQ(Call(0x4101, 3, &e), 0);
    std::string next = dir.File("new.45m");
    MemoryList none;
    ASSERT_TRUE(WriteMemoryFile(next, none));
    EXPECT_EQ(plugin->Call(0x4106, 0, static_cast<std::uint32_t>(next.size()), next.data()), 0);
    EXPECT_EQ(form->MemoryFileName(), next);
    EXPECT_TRUE(form->Memories().empty());
    std::string old = dir.File("old.45m");
    EXPECT_EQ(plugin->Call(0x4106, 0, static_cast<std::uint32_t>(old.size()), old.data()), 0);
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{3})) << "saved before the switch";
}

TEST_F(PluginSide, APluginAsksForAnotherDemodulatorAndAFailureBringsBackThePreviousOne) {
    AddDemodulator();
    AddPlugin("menu_embedded");
    AddPlugin("menu_plain");
    StartPanel();
    ASSERT_TRUE(form->StartDemodulator("Q745 Professional"));
    ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
    TestPluginState& asker = State("menu_plain");
    TestPluginState& other = State("menu_embedded");
    char name[] = "Embedded";

    other.startResult = 7; // no window, but running: the host answers by that
    EXPECT_EQ(asker.Call(0x4201, 0, sizeof name, name), 0);
    Pump();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The demodulator is not a window: 00000007");
    EXPECT_EQ(form->DemodulatorName(), "Q745 Professional");
    EXPECT_TRUE(Item("De&modulators", "Q745 Professional")->Checked());
    EXPECT_EQ(win::GetParent(form->EmbeddedDemodulator()), form->DemodPanel->Handle());
    form->KVR->StopPlugin("Embedded");
    Pump();

    plat::comp::TForm small(nullptr);
    small.SetClientSize(300, 200);
    other.startResult = static_cast<std::int32_t>(small.Handle());
    EXPECT_EQ(asker.Call(0x4201, 0, sizeof name, name), 0);
    Pump();
    EXPECT_EQ(form->DemodulatorName(), "Embedded");
    EXPECT_TRUE(Item("De&modulators", "Embedded")->Checked());
    EXPECT_FALSE(Item("De&modulators", "Q745 Professional")->Checked());
    EXPECT_EQ(win::GetParent(small.Handle()), form->DemodPanel->Handle());
    form->KVR->StopPlugin("Embedded");
    Pump();
}

TEST_F(PluginSide, TheDemodulatorOfTheSettingsIsEmbeddedAtStartUp) {
    AddDemodulator();
    std::filesystem::create_directories(dir.Path() + "/Talvenor/Q745");
    std::ofstream(dir.Path() + "/Talvenor/Q745/LXQ745.ini") << "[Application-**DEMO**]\r\nDemodulator=Q745 Professional\r\n";
    StartPanel({});
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_EQ(form->DemodulatorName(), "Q745 Professional");
    EXPECT_EQ(win::GetParent(form->EmbeddedDemodulator()), form->DemodPanel->Handle());
    EXPECT_TRUE(Item("De&modulators", "Q745 Professional")->Checked());
}

TEST_F(PluginSide, AFirstStartRunsTheInstalledDemodulatorAndKeepsTheChoice) {
    AddDemodulator();
    StartPanel({});
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_EQ(form->DemodulatorName(), "Q745 Professional");
    EXPECT_EQ(win::GetParent(form->EmbeddedDemodulator()), form->DemodPanel->Handle());
    form->Close();
    form->KVR->StopAll();
    form.reset();
    const std::string ini = dir.Path() + "/Talvenor/Q745/LXQ745.ini";
    std::stringstream text;
    text << std::ifstream(ini).rdbuf();
    EXPECT_NE(text.str().find("Demodulator=Q745 Professional"), std::string::npos) << text.str();

    // A stored choice that is not installed is not swapped silently for another.
    std::ofstream(ini) << "[Application-**DEMO**]\r\nDemodulator=Gone\r\n";
    StartPanel({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The demodulator failed to start.");
    EXPECT_EQ(form->DemodulatorName(), "Gone");
}

TEST_F(PluginSide, WithoutThePluginOfTheSettingsStartUpGoesOnWithAMessage) {
    StartPanel({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The demodulator failed to start.");
    EXPECT_FALSE(form->Quitting());
    EXPECT_EQ(form->EmbeddedDemodulator(), 0u);
}

TEST_F(PluginSide, DisableBitsOfAPluginLockTheirControls) {
    AddPlugin("menu_plain");
    StartPanel();
    ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
    TestPluginState& plugin = State("menu_plain");
    form->Q7->SetPower(1);
    form->LayOutScope(true, form->SweepPanel->Height()); // a closed scope stays off anyway
    const struct {
        std::uint32_t bits;
        bool frequency, pluginMenus, dsp, power, scanning, scope, agc, memory;
    } cases[] = {
        {0x0, true, true, false, true, true, true, true, true},
        {0x1, true, true, false, false, true, true, true, true},       // the power button
        {0x100, false, true, false, true, true, true, true, false},    // the frequency, and the memories that tune
        {0x80000, true, true, false, true, true, true, true, false},   // the memories
        {0x10, true, false, false, true, true, true, true, true},      // the plug-in menus
        {0x200000, true, true, true, true, true, true, true, true},    // DS&P only when a plug-in allows it
        {0x200010, true, false, false, true, true, true, true, true},
        {0x100000, true, true, false, true, false, true, true, true},  // the scanner
        {0x4, true, true, false, true, true, false, true, true},       // the spectrum scope
        {0x2000, true, true, false, true, true, true, false, true},    // AGC
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        plugin.Call(0x4001, c.bits);
        EXPECT_EQ(form->myFrequencyEdit1->Enabled(), c.frequency);
        EXPECT_EQ(form->myFrequencyEdit2->Enabled(), c.frequency);
        EXPECT_EQ(form->stKnob1->Enabled(), c.frequency);
        // The memory panel: store, recall, the number and its spinner, the four stepping buttons.
        for (TControl* memory : std::initializer_list<TControl*>{
                 form->stSpeedButton12, form->stSpeedButton15, form->myIntEdit1, form->myUpDown2, form->stSpeedButton11,
                 form->stSpeedButton13, form->stSpeedButton14, form->stSpeedButton25})
            EXPECT_EQ(memory->Enabled(), c.memory) << memory->Name();
        EXPECT_EQ(Menu("Plu&gins")->Enabled(), c.pluginMenus);
        EXPECT_EQ(Menu("De&modulators")->Enabled(), c.pluginMenus);
        EXPECT_EQ(Menu("DS&P")->Enabled(), c.dsp);
        EXPECT_EQ(form->stSpeedButton1->Enabled(), c.power);
        EXPECT_EQ(form->stSpeedButton20->Enabled(), c.scanning);
        EXPECT_EQ(form->stSpeedButton19->Enabled(), c.scanning);
        EXPECT_EQ(form->SweepPanel->Enabled(), c.scope);
        EXPECT_EQ(form->stSpeedButton4->Enabled(), c.agc);
    }
    plugin.Call(0x4001, 0);
    form->Q7->SetPower(0);
    form->KVRDisable(nullptr);
    EXPECT_FALSE(form->myFrequencyEdit1->Enabled()) << "nothing to tune while the receiver is off";
    EXPECT_EQ(form->myTuningPad1->BarsColor(), 0x808080u);
}

// Under a plug-in's frequency lock nothing tunes: not the nine digit spinners, not the tuning
// pad's keys, not the step entry, whose "Auto" button start-up clicks after the plug-ins start.
TEST_F(PluginSide, TheFrequencyLockHoldsAgainstEveryTuningControl) {
    AddPlugin("menu_plain");
    StartPanel();
    ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
    TestPluginState& plugin = State("menu_plain");
    form->Q7->SetPower(1);
    form->stSpeedButton9->SetDown(false); // the step comes from the entry, not the auto-step list
    plugin.Call(0x4001, 0x100);
    form->stSpeedButton9Click(form->stSpeedButton9); // as start-up clicks it
    const std::int64_t tuned = form->Q7->GetFreq();
    TmyUpDown* const digits[] = {form->myUpDown5, form->myUpDown6,  form->myUpDown7,
                                 form->myUpDown8, form->myUpDown9,  form->myUpDown10,
                                 form->myUpDown11, form->myUpDown12, form->myUpDown13};
    for (TmyUpDown* digit : digits) {
        SCOPED_TRACE(digit->Tag());
        EXPECT_FALSE(digit->Enabled());
        int up = 1;
        digit->OnDirection(digit, up); // what a click that got through would do
        EXPECT_EQ(form->Q7->GetFreq(), tuned);
    }
    EXPECT_FALSE(form->myTuningPad1->Enabled());
    form->myTuningPad1->OnStep(form->myTuningPad1, 1000);
    EXPECT_EQ(form->Q7->GetFreq(), tuned) << "the tuning pad's key";
    EXPECT_FALSE(form->myFrequencyEdit2->Enabled()) << "the step entry";
    EXPECT_FALSE(form->myUpDown1->Enabled()) << "the step spinner";

    plugin.Call(0x4001, 0);
    for (TmyUpDown* digit : digits) EXPECT_TRUE(digit->Enabled());
    EXPECT_TRUE(form->myTuningPad1->Enabled());
    EXPECT_TRUE(form->myFrequencyEdit2->Enabled());
    int up = 1;
    form->myUpDown13->OnDirection(form->myUpDown13, up);
    EXPECT_EQ(form->Q7->GetFreq(), tuned + 1) << "the 1 Hz digit tunes again";
}

// Under the frequency lock and under the memory lock no memory tunes: not the stepping buttons'
// repeat, not the spinner, not a typed number, not a function-key hotkey, which all recall a
// channel as the memory panel does.
TEST_F(PluginSide, TheMemoryLocksHoldAgainstEveryWayToRecallAChannel) {
    AddPlugin("menu_plain");
    StartPanel();
    ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
    TestPluginState& plugin = State("menu_plain");
    form->Q7->SetPower(1);
    const std::int64_t channels[] = {100'000'000, 145'500'000, 191'100'000};
    for (std::int32_t n = 1; n <= 3; ++n) {
        TMemoryRecord r = NewMemoryRecord();
        r.number = n;
        r.frequency = channels[n - 1];
        r.hotkey = n + 1; // F2..F4
        form->Memories().push_back(std::make_unique<TMemoryRecord>(r));
    }
    form->RebuildSortedMemories();
    form->Q7->SetFreq(channels[2]);
    form->myIntEdit1->SetValue(3); // shown, as the label shows the channel on the frequency
    const struct {
        const char* way;
        std::function<void()> recall;
    } ways[] = {
        {"previous memory", [&] { form->stSpeedButton13->OnAutoRepeat(form->stSpeedButton13); }},
        {"next memory", [&] { form->stSpeedButton14->OnAutoRepeat(form->stSpeedButton14); }},
        {"10 memories to the left", [&] { form->stSpeedButton11->OnAutoRepeat(form->stSpeedButton11); }},
        {"10 memories to the right", [&] { form->stSpeedButton25->OnAutoRepeat(form->stSpeedButton25); }},
        {"the spinner", [&] {
             int down = -1;
             form->myUpDown2->OnDirection(form->myUpDown2, down);
         }},
        {"a typed number", [&] { form->myIntEdit1->SetValue(1); }},
        {"F2", [&] {
             std::uint16_t key = plat::win::VK_F2;
             form->FormKeyDown(form.get(), key, 0);
         }},
    };
    for (const std::uint32_t lock : {0x100u, 0x80000u}) {
        plugin.Call(0x4001, lock);
        for (const auto& w : ways) {
            SCOPED_TRACE(std::string(w.way) + (lock == 0x100 ? " under the frequency lock" : " under the memory lock"));
            w.recall();
            EXPECT_EQ(form->Q7->GetFreq(), channels[2]);
            form->myIntEdit1->SetValue(3);
        }
    }
    plugin.Call(0x4001, 0);
    std::uint16_t key = plat::win::VK_F2;
    form->FormKeyDown(form.get(), key, 0);
    EXPECT_EQ(form->Q7->GetFreq(), channels[0]) << "F2 recalls its channel again";
}

// A plug-in's lock outlives the receiver changes that re-enable controls, and those changes
// enable what they make usable.
TEST_F(PluginSide, LocksHoldThroughAgcSquelchAndPowerChanges) {
    AddPlugin("menu_plain");
    StartPanel();
    ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
    TestPluginState& plugin = State("menu_plain");
    auto click = [](TstSpeedButton* b) {
        b->SetDown(!b->Down());
        b->Click();
    };
    RADIODEVCAPS caps{};
    caps.totalSize = caps.headerSize = sizeof caps;
    caps.squelchTypes = kSquelchLevel | kSquelchNoise | kSquelchCtcss | kSquelchDcs;
    plugin.Call(0x4006, 0, sizeof caps, &caps);
    form->Q7->SetPower(1);
    form->Q7->SetMode(1);
    plugin.Call(0x4001, 0x100); // the frequency
    click(form->stSpeedButton5); // AGC "Med"
    EXPECT_FALSE(form->myIntEdit2->Enabled()) << "the AGC sets the IF gain";
    click(form->stSpeedButton22); // AGC "Off"
    EXPECT_TRUE(form->myIntEdit2->Enabled()) << "the manual IF gain";
    EXPECT_TRUE(form->myUpDown3->Enabled());
    click(form->stSpeedButton5);

    ASSERT_TRUE(form->stSpeedButton44->Enabled());
    click(form->stSpeedButton44); // CTCSS
    EXPECT_TRUE(form->stAlignEdit1->Enabled()) << "the tone";
    EXPECT_TRUE(form->myUpDown16->Enabled());
    click(form->stSpeedButton45); // DCS
    EXPECT_TRUE(form->stAlignEdit2->Enabled()) << "the code";
    EXPECT_TRUE(form->myUpDown17->Enabled());
    EXPECT_TRUE(form->stSpeedButton46->Enabled()) << "\"R\"";
    EXPECT_FALSE(form->stAlignEdit1->Enabled()) << "the tone is off with CTCSS";

    click(form->stSpeedButton1); // off
    ASSERT_EQ(form->Q7->GetPower(), 0);
    click(form->stSpeedButton1); // on
    ASSERT_EQ(form->Q7->GetPower(), 1);
    EXPECT_FALSE(form->myFrequencyEdit1->Enabled()) << "still locked by the plug-in";
    EXPECT_FALSE(form->stKnob1->Enabled());
    EXPECT_FALSE(form->stSpeedButton26->Enabled());
    EXPECT_TRUE(form->stSpeedButton4->Enabled()) << "what the plug-in left alone comes back";
    plugin.Call(0x4001, 0);
    EXPECT_TRUE(form->myFrequencyEdit1->Enabled());
}

// A plug-in menu that will not open says so: its title in the menu bar turns grey, and back.
TEST_F(PluginSide, LockedPluginMenusHaveGreyTitles) {
    AddPlugin("menu_plain");
    StartPanel();
    ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
    TestPluginState& plugin = State("menu_plain");
    form->Show();
    Pump();
    // Pixels of the menu bar (the window's top 19 rows) whose grey level lies in [lo, hi].
    auto bar = [&](int lo, int hi) {
        const auto shot = win::CaptureWindow(form->Handle());
        int n = 0;
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < shot->Width(); ++x) {
                const plat::gdi::ColorRef c = shot->GetPixel(x, y);
                const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
                n += r == g && g == b && r >= lo && r <= hi;
            }
        return n;
    };
    const int blackBefore = bar(0, 60), greyBefore = bar(110, 150);
    plugin.Call(0x4001, 0x10); // the plug-in menus
    Pump();
    EXPECT_LT(bar(0, 60), blackBefore - 10) << "\"Plu&gins\" is no longer drawn black";
    EXPECT_GT(bar(110, 150), greyBefore + 10) << "but grey";
    plugin.Call(0x4001, 0);
    Pump();
    EXPECT_EQ(bar(0, 60), blackBefore);
    EXPECT_EQ(bar(110, 150), greyBefore);
    form->Hide();
}

TEST_F(PluginSide, APluginHidesAndShowsThePanel) {
    AddPlugin("menu_plain");
    StartPanel();
    ASSERT_GT(form->KVR->StartPlugin("Plain"), 0);
    TestPluginState& plugin = State("menu_plain");
    plugin.Call(0x4005, 0);
    EXPECT_FALSE(form->Visible());
    plugin.Call(0x4005, 1);
    EXPECT_TRUE(form->Visible());
}

TEST_F(PluginSide, VisibilityAndMinimisingAreAnsweredFromTheWindow) {
    StartPanel();
    std::int32_t result = 77;
    form->KVRGetSettings(nullptr, 0x4002, 0, nullptr, result);
    EXPECT_EQ(result, form->Visible() ? 1 : 0);
    form->KVRGetSettings(nullptr, 0x4001, 0, nullptr, result);
    EXPECT_EQ(result, 0);
    result = 77;
    form->KVRGetSettings(nullptr, 0x4003, 0, nullptr, result);
    EXPECT_EQ(result, 77) << "other queries are not the form's";
}

} // namespace
} // namespace lxq
