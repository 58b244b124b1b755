// The plug-in host against real test plug-ins (.kvr shared objects) found through the settings
// store: loading, start and stop, broadcasts with masks, callbacks and the receiver binding.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/PackedFrequency.h"
#include "app/receiver/TmyKVRserver.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Module.h"
#include "platform/sys/SettingsStore.h"
#include "tests/app/receiver/ReceiverFixture.h"
#include "tests/app/receiver/plugin/TestPluginState.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq::test {
namespace {

int messageBoxes = 0;
std::string lastBoxText;
int CountingBox(std::uint32_t, std::string_view text, std::string_view, std::uint32_t) {
    ++messageBoxes;
    lastBoxText = std::string(text);
    return plat::sys::kIdOk;
}

class KvrServerTest : public ClockTest {
protected:
    KvrServerTest() {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) oldConfig_ = old;
        setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
        previousBox_ = plat::sys::SetMessageBoxHook(&CountingBox);
        messageBoxes = 0;
    }
    ~KvrServerTest() override {
        host.reset();
        plat::sys::SetMessageBoxHook(previousBox_);
        if (oldConfig_.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    }

    // Copies test plug-ins into the search folder and keeps each loaded so that its state stays.
    TestPluginState& Install(const std::string& file, const std::string& as = {}) {
        const std::string target = plugins_.File(as.empty() ? file + ".kvr" : as);
        std::filesystem::copy_file(std::string(LXQ_TEST_PLUGIN_DIR) + "/" + file + ".kvr", target);
        modules_.push_back(plat::sys::Module::Load(target));
        auto state = reinterpret_cast<TestPluginStateProc>(modules_.back()->Symbol("testPluginState"))();
        state->journal = &journal;
        return *state;
    }
    void Load() {
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", plugins_.Path());
        host = std::make_unique<TmyKVRserver>(nullptr);
        host->SetServerID("test host");
        host->LoadPlugins();
    }
    static std::int32_t Call(TestPluginState& p, std::uint32_t uMsg, std::uint32_t dwParam = 0,
                             std::uint32_t cbData = 0, void* lpData = nullptr) {
        return p.Call(uMsg, dwParam, cbData, lpData);
    }

    plat::sys::testing::TempFolder config_, plugins_;
    std::string oldConfig_;
    plat::sys::MessageBoxHook previousBox_ = nullptr;
    std::vector<std::unique_ptr<plat::sys::Module>> modules_;
    std::vector<std::string> journal;
    std::unique_ptr<TmyKVRserver> host;
};

TEST_F(KvrServerTest, LoadsSortedByNameAndDropsPluginsThatCannotServe) {
    Install("beta");
    TestPluginState& alpha = Install("alpha");
    Install("nolink");
    Install("noinit");
    std::filesystem::copy_file(std::string(LXQ_TEST_PLUGIN_DIR) + "/alpha.kvr", plugins_.File("ignored.txt"));
    std::vector<std::string> loadedNames;
    Load();
    ASSERT_EQ(host->GetPluginCount(), 2);
    EXPECT_EQ(host->GetPluginName(0), "Alpha");
    EXPECT_EQ(host->GetPluginName(1), "Beta");
    EXPECT_EQ(host->GetPluginName(-1), "");
    EXPECT_EQ(host->GetPluginFlags("Beta"), 0x201u);
    EXPECT_EQ(host->GetPluginFlags("Gamma"), 0u);
    EXPECT_EQ(alpha.serverId, "test host");
    EXPECT_EQ(host->PluginInstance("Alpha"), kvr::kNotRunning);
    EXPECT_EQ(host->PluginInstance("Gamma"), 0);
}

TEST_F(KvrServerTest, WithoutSearchPathNothingIsLoaded) {
    host = std::make_unique<TmyKVRserver>(nullptr);
    host->LoadPlugins();
    EXPECT_EQ(host->GetPluginCount(), 0);
}

TEST_F(KvrServerTest, TwoPluginsOfOneNameKeepTheFirstAndWarnOnce) {
    Install("alpha");
    Install("alpha_twin", "zz_twin.kvr");
    Load();
    ASSERT_EQ(host->GetPluginCount(), 1);
    EXPECT_EQ(host->GetPluginFlags("Alpha"), 0x101u) << "the first found stays";
    EXPECT_EQ(messageBoxes, 1);
    EXPECT_EQ(lastBoxText, "Two plugins named 'Alpha' found !\nThe second one is ignored.");
}

TEST_F(KvrServerTest, StartStopAndTheAnnouncementsToRunningPlugins) {
    TestPluginState& alpha = Install("alpha");
    TestPluginState& beta = Install("beta");
    beta.startResult = 9;
    Load();
    host->SetReceiverHandle(3);
    std::vector<std::string> started, stopped;
    host->OnPluginStart = [&](plat::comp::TObject*, const std::string& n) { started.push_back(n); };
    host->OnPluginStop = [&](plat::comp::TObject*, const std::string& n) { stopped.push_back(n); };

    EXPECT_EQ(host->StartPlugin("Alpha"), 7);
    EXPECT_EQ(host->StartPlugin("Alpha"), static_cast<std::int32_t>(0x101 + 0x10000)) << "already runs";
    EXPECT_EQ(alpha.startCalls, 1);
    EXPECT_EQ(alpha.receiver, 3u);
    EXPECT_EQ(host->StartPlugin("Gamma"), 0);
    EXPECT_EQ(host->StartPlugin("Beta"), 9);
    EXPECT_EQ(started, (std::vector<std::string>{"Alpha", "Beta"}));
    // Each start is told to every running plug-in, the new one included.
    ASSERT_EQ(alpha.Count(0x300), 2);
    EXPECT_EQ(alpha.calls.back().text, "Beta");
    EXPECT_EQ(alpha.calls.back().dwParam, 0x201u);
    EXPECT_EQ(beta.Count(0x300), 1);

    EXPECT_TRUE(host->StopPlugin("Alpha"));
    EXPECT_FALSE(host->StopPlugin("Alpha"));
    EXPECT_EQ(stopped, (std::vector<std::string>{"Alpha"}));
    EXPECT_EQ(host->RunningPlugins(), (std::vector<std::string>{"Beta"}));
    EXPECT_EQ(beta.Count(0x301), 1);
    host.reset(); // the handlers above hold this test's locals
}

TEST_F(KvrServerTest, AFailedStartLeavesThePluginLoadedButNotRunning) {
    TestPluginState& alpha = Install("alpha");
    alpha.startResult = -1;
    Load();
    EXPECT_EQ(host->StartPlugin("Alpha"), kvr::kNotHandled);
    EXPECT_TRUE(host->RunningPlugins().empty());
    EXPECT_EQ(host->GetPluginCount(), 1);
    alpha.startResult = 7;
    EXPECT_EQ(host->StartPlugin("Alpha"), 7);
}

TEST_F(KvrServerTest, MaskWithholdsReceiverCodesButNeverHostCodes) {
    TestPluginState& alpha = Install("alpha");
    alpha.maskAtStart = 1u << 13; // 0x0D00 .. 0x0DFF
    Load();
    host->StartPlugin("Alpha");
    host->Broadcast(0x0D01, 1, nullptr, 0);
    host->Broadcast(0x0E00, 1, nullptr, 0);
    host->SetVisible(false);
    EXPECT_EQ(alpha.Count(0x0D01), 0);
    EXPECT_EQ(alpha.Count(0x0E00), 1);
    EXPECT_EQ(alpha.Count(0x4002), 1);
    EXPECT_EQ(Call(alpha, kvr::kCbSetMask, 1u << 8), 0);
    host->Broadcast(0x0800, 1, nullptr, 0);
    host->Broadcast(0x0D01, 1, nullptr, 0);
    EXPECT_EQ(alpha.Count(0x0800), 0);
    EXPECT_EQ(alpha.Count(0x0D01), 1);
}

TEST_F(KvrServerTest, HostServicesAnsweredThroughTheCallback) {
    TestPluginState& alpha = Install("alpha");
    Install("beta");
    Load();
    host->StartPlugin("Alpha");
    int disableEvents = 0, minimizeEvents = 0;
    host->OnDisableChanged = [&](plat::comp::TObject*) { ++disableEvents; };
    host->OnMinimizeChanged = [&](plat::comp::TObject*) { ++minimizeEvents; };

    EXPECT_EQ(Call(alpha, kvr::kCbSetDisabled, 0x30), 0);
    EXPECT_EQ(host->Disabled(), 0x30u);
    EXPECT_EQ(disableEvents, 1);
    EXPECT_EQ(alpha.Count(0x0000), 1);
    EXPECT_EQ(Call(alpha, kvr::kCbGetSetting, kvr::kQueryDisable), 0x30);
    EXPECT_EQ(Call(alpha, kvr::kCbSetMinimized, 5), 0);
    EXPECT_EQ(minimizeEvents, 1);
    EXPECT_EQ(Call(alpha, kvr::kCbGetSetting, kvr::kQueryMinimized), 1);
    EXPECT_EQ(alpha.Count(0x4001), 0) << "set by a plug-in: not broadcast";

    char beta[] = "Beta";
    EXPECT_EQ(Call(alpha, kvr::kCbGetSetting, kvr::kQueryRunning, sizeof beta, beta), 0)
        << "loaded but not running";
    EXPECT_EQ(Call(alpha, kvr::kCbGetSetting, kvr::kQueryNotRunning, sizeof beta, beta), 1);
    char none[] = "None";
    EXPECT_EQ(Call(alpha, kvr::kCbGetSetting, kvr::kQueryRunning, sizeof none, none), kvr::kNotHandled);
    EXPECT_EQ(Call(alpha, 0x7777), kvr::kNotHandled);

    std::int32_t answered = 0;
    host->OnCallback = [&](plat::comp::TObject*, const std::string& name, std::uint32_t uMsg,
                           std::uint32_t, std::uint32_t, void*, std::int32_t& result) {
        if (name == "Alpha" && uMsg == 0x7777) result = 42;
        ++answered;
    };
    EXPECT_EQ(Call(alpha, 0x7777), 42);
    EXPECT_EQ(answered, 2) << "the owner hears it, and the base handling raises it once more";
    host.reset(); // the handlers above hold this test's locals
}

// A demodulator calls back from its audio thread while the form that handles the callbacks goes
// and unbinds its handler: once the unbinding returns, no call of that handler runs or comes.
TEST_F(KvrServerTest, AHandlerUnboundWhileAPluginsThreadCallsBackIsNeverCalledAfter) {
    TestPluginState& alpha = Install("alpha");
    Load();
    host->StartPlugin("Alpha");
    std::atomic<bool> unbound{false};
    std::atomic<int> calls{0}, lateCalls{0};
    host->OnCallback = [&](plat::comp::TObject*, const std::string&, std::uint32_t, std::uint32_t, std::uint32_t,
                           void*, std::int32_t&) {
        ++calls;
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // a handler that takes a while
        if (unbound) ++lateCalls;
    };
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        while (!stop) Call(alpha, 0x7777);
    });
    while (calls < 5) std::this_thread::yield();
    host->OnCallback = nullptr;
    unbound = true;
    const int callsAtUnbind = calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
    audio.join();
    EXPECT_EQ(lateCalls.load(), 0) << "a call ran on past the unbinding";
    EXPECT_EQ(calls.load(), callsAtUnbind) << "the unbound handler was called again";
    host.reset();
}

TEST_F(KvrServerTest, EnumerationWalksTheLoadedPluginsInNameOrder) {
    TestPluginState& alpha = Install("alpha");
    Install("beta");
    Load();
    host->StartPlugin("Alpha");
    char buffer[64] = "";
    EXPECT_EQ(Call(alpha, kvr::kCbEnumerate, 0, sizeof buffer, buffer), 0x101 + 0x10000);
    EXPECT_STREQ(buffer, "Alpha");
    EXPECT_EQ(Call(alpha, kvr::kCbEnumerate, 0, sizeof buffer, buffer), 0x201);
    EXPECT_STREQ(buffer, "Beta");
    EXPECT_EQ(Call(alpha, kvr::kCbEnumerate, 0, sizeof buffer, buffer), kvr::kNotHandled);
    EXPECT_EQ(Call(alpha, kvr::kCbEnumerate, 0, sizeof buffer, nullptr), kvr::kNotHandled);
}

TEST_F(KvrServerTest, StartAndStopByNameFromAPlugin) {
    TestPluginState& alpha = Install("alpha");
    TestPluginState& beta = Install("beta");
    beta.startResult = 8;
    Install("demod").startResult = 9; // every instance has its own handle
    Load();
    host->StartPlugin("Alpha");
    char betaName[] = "Beta";
    EXPECT_EQ(Call(alpha, kvr::kCbStopPlugin, 0, sizeof betaName, betaName), 1) << "not running";
    EXPECT_EQ(Call(alpha, kvr::kCbStartPlugin, 0, sizeof betaName, betaName), 0);
    EXPECT_EQ(beta.startCalls, 1);
    EXPECT_EQ(Call(alpha, kvr::kCbStartPlugin, 0, sizeof betaName, betaName), 1);

    // A demodulator is started by the owner, which embeds its window.
    char demodName[] = "Demod";
    std::string asked;
    host->OnStartDemodulator = [&](plat::comp::TObject*, const std::string& n) {
        asked = n;
        host->StartPlugin(n);
    };
    EXPECT_EQ(Call(alpha, kvr::kCbStartPlugin, 0, sizeof demodName, demodName), 0);
    EXPECT_EQ(asked, "Demod");
    EXPECT_EQ(Call(alpha, kvr::kCbStopPlugin, 0, sizeof betaName, betaName), 0);
    EXPECT_EQ(host->RunningPlugins(), (std::vector<std::string>{"Alpha", "Demod"}));
    char unknown[] = "Zeta";
    EXPECT_EQ(Call(alpha, kvr::kCbStartPlugin, 0, sizeof unknown, unknown), kvr::kNotHandled);
    host.reset();
}

TEST_F(KvrServerTest, AcceptedMemoryRequestsAreBroadcast) {
    TestPluginState& alpha = Install("alpha");
    Load();
    host->StartPlugin("Alpha");
    std::uint8_t entry[464] = {};
    EXPECT_EQ(Call(alpha, kvr::kCbMemoryEntry, 5, sizeof entry, entry), kvr::kNotHandled);
    EXPECT_EQ(alpha.Count(0x201), 0) << "refused without an owner";
    host->OnMemoryEvent = [](plat::comp::TObject*, std::uint32_t, std::uint32_t, void*, std::int32_t& r) {
        r = 1;
    };
    EXPECT_EQ(Call(alpha, kvr::kCbMemoryEntry, 5, sizeof entry, entry), 1);
    ASSERT_EQ(alpha.Count(0x201), 1);
    EXPECT_EQ(alpha.calls.back().cbData, 464u);
    EXPECT_EQ(Call(alpha, kvr::kCbMemoryChanged, 6), 1);
    EXPECT_EQ(alpha.calls.back().uMsg, 0x200u);
}

TEST_F(KvrServerTest, StopAllClosesNewestFirstThenDoneInNameOrder) {
    TestPluginState& alpha = Install("alpha");
    TestPluginState& beta = Install("beta");
    Load();
    host->StartPlugin("Beta");
    host->StartPlugin("Alpha");
    journal.clear();
    host->StopAll();
    EXPECT_EQ(journal, (std::vector<std::string>{"Alpha:close", "Beta:close", "Alpha:done", "Beta:done"}));
    EXPECT_EQ(host->GetPluginCount(), 0);
    EXPECT_EQ(alpha.doneCalls, 1);
    EXPECT_EQ(beta.doneCalls, 1);
    // The host can load again and a later stop-all does its work as well.
    Load();
    host->StartPlugin("Alpha");
    host->StopAll();
    EXPECT_EQ(alpha.doneCalls, 2);
}

TEST_F(KvrServerTest, APluginThatIgnoresTheCloseRequestIsStillUnloaded) {
    TestPluginState& alpha = Install("alpha");
    alpha.answerClose = false;
    Load();
    host->StartPlugin("Alpha");
    host->StopAll();
    EXPECT_EQ(alpha.doneCalls, 1);
    EXPECT_EQ(host->GetPluginCount(), 0);
}

TEST_F(KvrServerTest, CallbackForAnUnknownInstanceIsNotHandled) {
    Install("alpha");
    Load();
    EXPECT_EQ(TmyCustomKVRserver::KvrHostCallback(12345, kvr::kCbGetSetting, 0, 0, nullptr),
              kvr::kNotHandled);
}

// --- bound to a receiver ---

class BoundServerTest : public KvrServerTest {
protected:
    void Bind() {
        Load();
        host->SetReceiver(&rx);
    }
    TmyReceiver rx{nullptr};
};

TEST_F(BoundServerTest, ReceiverCommandsQueriesAndChangesFlowThroughTheHost) {
    TestPluginState& alpha = Install("alpha");
    Bind();
    host->StartPlugin("Alpha");
    EXPECT_EQ(Call(alpha, 0x1100, 12), 0);
    EXPECT_EQ(rx.GetVolume(), 12);
    EXPECT_EQ(alpha.Count(0xE00), 1) << "the change comes back as a notification";
    EXPECT_EQ(Call(alpha, kvr::kCbGetSetting, 0xE00), 12);
    rx.SetFreq(7'000'000);
    EXPECT_EQ(alpha.calls.back().uMsg, 0x800u);
    EXPECT_EQ(alpha.calls.back().dwParam, 7'000'000u);

    int resumed = 0;
    int heard = 0;
    host->OnResumeScanner = [&](plat::comp::TObject*) { ++resumed; };
    host->OnCallback = [&](plat::comp::TObject*, const std::string&, std::uint32_t, std::uint32_t, std::uint32_t,
                           void*, std::int32_t&) { ++heard; };
    Call(alpha, 0x800, EncodeFreq32(9'000'000)); // only noted, until the receiver's next command
    Call(alpha, kvr::kCbResumeScanner);
    EXPECT_EQ(rx.GetFreq(), 9'000'000) << "resuming the scanner is one of the receiver's commands";
    EXPECT_EQ(resumed, 1) << "and it still reaches the owner, whose scanner it is";
    EXPECT_EQ(heard, 2) << "a receiver command is heard once each";
    heard = 0;
    Call(alpha, kvr::kCbSetMask, 1);
    EXPECT_EQ(heard, 2) << "the host's own codes once more by the base handling";
    host.reset();
}

TEST_F(BoundServerTest, ReceiverClosingStopsAndUnloadsEveryPlugin) {
    TestPluginState& alpha = Install("alpha");
    Bind();
    host->StartPlugin("Alpha");
    rx.FPluginNotify(kNotifyReceiverClosing, 0, 0, nullptr);
    EXPECT_EQ(alpha.doneCalls, 1);
    EXPECT_EQ(host->Receiver(), nullptr);
    EXPECT_FALSE(rx.FPluginNotify) << "unhooked";
}

TEST_F(BoundServerTest, CapabilitiesFromAPluginReachTheReceiverAndEveryPlugin) {
    TestPluginState& alpha = Install("alpha");
    Bind();
    host->StartPlugin("Alpha");
    std::vector<std::uint8_t> block(400 + 12, 0);
    RADIODEVCAPS header{};
    header.totalSize = 412;
    header.headerSize = 400;
    header.rangeCount = 1;
    header.rangeTable = 400;
    std::memcpy(block.data(), &header, sizeof header);
    const RADIODEVCAPS_RANGE range{100, 200, 1};
    std::memcpy(block.data() + 400, &range, sizeof range);
    int capsEvents = 0;
    host->OnCapabilities = [&](plat::comp::TObject*) { ++capsEvents; };
    EXPECT_EQ(Call(alpha, kvr::kCbSetCapabilities, 0, 412, block.data()), 0);
    EXPECT_EQ(rx.RadioDevCaps().Size(), 412u);
    EXPECT_EQ(alpha.Count(0x4005), 1);
    EXPECT_EQ(capsEvents, 1);
    void* address = nullptr;
    EXPECT_EQ(Call(alpha, kvr::kCbGetSetting, kvr::kQueryCapabilities, sizeof address, &address), 1);
    EXPECT_EQ(address, rx.RadioDevCaps().Header());

    // A block that is not sound is refused everywhere: not taken, not passed on, not announced,
    // and not answered as success.
    struct Bad {
        const char* what;
        std::uint32_t claimed, rangeTable, cbData;
    };
    const Bad bad[] = {
        {"no bytes at all, claiming 256 MiB", 256u << 20, 400, 0},
        {"fewer bytes than a header", 412, 400, 100},
        {"claims more than it holds", 4000, 400, 412},
        {"its range table outside it", 412, 404, 412},
        {"its range table inside the header", 412, 16, 412},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        RADIODEVCAPS h = header;
        h.totalSize = b.claimed;
        h.rangeTable = b.rangeTable;
        std::memcpy(block.data(), &h, sizeof h);
        EXPECT_EQ(Call(alpha, kvr::kCbSetCapabilities, 0, b.cbData, block.data()), kvr::kNotHandled);
        EXPECT_EQ(rx.RadioDevCaps().Size(), 412u);
        EXPECT_EQ(alpha.Count(0x4005), 1);
        EXPECT_EQ(capsEvents, 1);
    }
}

TEST_F(BoundServerTest, AReceiverFreedFirstLeavesTheHostUnbound) {
    Install("alpha");
    Load();
    auto* owned = new TmyReceiver(nullptr);
    host->SetReceiver(owned);
    delete owned;
    EXPECT_EQ(host->Receiver(), nullptr);
    EXPECT_EQ(host->GetRadioDevCaps(), nullptr);
}

} // namespace
} // namespace lxq::test
