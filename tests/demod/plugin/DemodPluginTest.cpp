// The demodulator plug-in loaded by the program's plug-in host from a plug-in folder: its name and
// type, its start against a receiver of ours and of another maker, notifications reaching it
// through the host, and its close.

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyCustomKVRserver.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Module.h"
#include "platform/sys/SettingsStore.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"
#include "tests/platform/audio/AudioTestKit.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/Eventually.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

namespace {

namespace win = plat::win;
constexpr const char* kName = "Q745 Professional";

// A host that holds the capabilities of the receiver it serves.
class CapsHost : public lxq::TmyCustomKVRserver {
public:
    CapsHost() : TmyCustomKVRserver(nullptr) {}
    const void* GetRadioDevCaps() override { return caps.empty() ? nullptr : caps.data(); }
    void SetRadioDevCaps(const void* block, std::uint32_t) override { announced = block != nullptr; }
    std::vector<unsigned char> caps;
    bool announced = false;
};

struct Call {
    std::uint32_t code, dwParam, cbData;
};

std::string closedBoxCaption;
void CloseActiveBox(win::Hwnd, std::uint32_t, std::uintptr_t id, std::uint32_t) {
    win::KillTimer(0, id);
    const win::Hwnd box = win::GetActiveWindow();
    closedBoxCaption = win::GetWindowText(box);
    win::SendMessage(box, win::WM_SYSCOMMAND, win::SC_CLOSE, 0);
}

void Pump() {
    win::Msg msg;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        win::TranslateMessage(msg);
        win::DispatchMessage(msg);
    }
}

// The capabilities record of a PCI receiver of the given maker.
std::vector<unsigned char> ReceiverCaps(const char* maker) {
    std::vector<unsigned char> caps(400, 0);
    const std::uint32_t size = 400;
    std::memcpy(caps.data(), &size, 4);
    std::memcpy(caps.data() + 4, &size, 4);
    std::strcpy(reinterpret_cast<char*>(caps.data() + 12), maker);
    std::strcpy(reinterpret_cast<char*>(caps.data() + 44), "Q7PCIv1");
    return caps;
}

class DemodPluginTest : public ::testing::Test {
protected:
    DemodPluginTest() {
        // A sound card of files with an empty line input: the plug-in starts its audio on it.
        plat::audio::testing::WriteWav(plugins_.File("in.wav"), plat::audio::MakePcmFormat(2, 16, 48000), {});
        backend_->AddDevice(plat::audio::Direction::Capture, "Line In", plugins_.File("in.wav"));
        backend_->AddDevice(plat::audio::Direction::Playback, "Speakers", plugins_.File("out.wav"));
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
        setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", config_.Path().c_str(), 1); // the settings files written at the end
        std::filesystem::copy_file(DEMOD_PLUGIN_PATH, plugins_.File("Q745DemodPro.kvr"));
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", plugins_.Path());
        host_.SetServerID("test host");
        host_.SetReceiverHandle(3);
        host_.OnCallback = [this](plat::comp::TObject*, const std::string& name, std::uint32_t uMsg,
                                  std::uint32_t dwParam, std::uint32_t cbData, void*, std::int32_t&) {
            if (name == kName) calls_.push_back({uMsg, dwParam, cbData});
        };
        host_.LoadPlugins();
    }
    ~DemodPluginTest() override {
        host_.StopAll();
        unsetenv("XDG_DOCUMENTS_DIR");
        if (oldConfig_.empty()) unsetenv("XDG_CONFIG_HOME");
        else setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    }

    static std::vector<unsigned char> Caps(const char* maker) { return ReceiverCaps(maker); }
    std::vector<std::uint32_t> Codes() const {
        std::vector<std::uint32_t> codes;
        for (const Call& c : calls_) codes.push_back(c.code);
        return codes;
    }
    const Call* Last(std::uint32_t code) const {
        for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
            if (it->code == code) return &*it;
        return nullptr;
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    plat::sys::testing::TempFolder config_, plugins_;
    std::shared_ptr<plat::audio::FileAudioBackend> backend_ = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend audio_{backend_};
    std::string oldConfig_;
    CapsHost host_;
    std::vector<Call> calls_;
};

TEST_F(DemodPluginTest, LoadsAsAnEmbeddedDemodulatorNamedQ745Professional) {
    ASSERT_EQ(host_.GetPluginCount(), 1);
    EXPECT_EQ(host_.GetPluginName(0), kName);
    EXPECT_EQ(host_.GetPluginFlags(kName), 0x491u);
    EXPECT_TRUE(lxq::kvr::IsDemodulator(host_.GetPluginFlags(kName)));
}

TEST_F(DemodPluginTest, StartsForOurReceiverAndAnnouncesItsModes) {
    host_.caps = Caps("Talvenor Communications");
    const std::int32_t instance = host_.StartPlugin(kName);
    ASSERT_NE(instance, lxq::kvr::kNotHandled);
    EXPECT_TRUE(win::IsWindow(static_cast<win::Hwnd>(instance))) << "the instance is the window";
    EXPECT_EQ(host_.RunningPlugins(), std::vector<std::string>{kName});
    const auto codes = Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x4002u), 6);
    EXPECT_TRUE(host_.announced) << "the plug-in's own capabilities reached the host";
    const Call* volume = Last(0x1100);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->dwParam, 10u);
}

TEST_F(DemodPluginTest, RefusesAReceiverOfAnotherMakerWithAMessage) {
    for (const char* maker : {"TALVENOR COMMUNICATIONS", "Talvenor", ""}) {
        host_.caps = Caps(maker);
        closedBoxCaption.clear();
        win::SetTimer(0, 0, 100, &CloseActiveBox);
        EXPECT_EQ(host_.StartPlugin(kName), lxq::kvr::kNotHandled) << maker;
        EXPECT_EQ(closedBoxCaption, "KVR Fatal Error") << maker;
        EXPECT_TRUE(host_.RunningPlugins().empty());
    }
}

TEST_F(DemodPluginTest, HostNotificationsReachTheInstanceThroughItsMask) {
    host_.caps = Caps("Talvenor Communications");
    ASSERT_NE(host_.StartPlugin(kName), lxq::kvr::kNotHandled);
    calls_.clear();
    host_.Broadcast(0x900, 5, nullptr, 0); // USB
    const Call* bandwidth = Last(0x902);
    ASSERT_NE(bandwidth, nullptr);
    EXPECT_EQ(bandwidth->dwParam, 2300u);

    host_.Broadcast(0xF00, 1, nullptr, 0); // scan mode on
    calls_.clear();
    host_.Broadcast(0x800, 0x80000001u, nullptr, 0);
    const Call* info = Last(0xB02);
    ASSERT_NE(info, nullptr) << "a new frequency while scanning is reported at once";
    EXPECT_EQ(info->dwParam, 0u);

    std::int32_t record[7] = {0, 40, 0, 0, 0, 0, 0};
    host_.Broadcast(0xF00, 0, nullptr, 0);
    calls_.clear();
    host_.Broadcast(0xB01, 0x2, record, 28);
    Pump();
    info = Last(0xB02);
    ASSERT_NE(info, nullptr) << "a new squelch type is reported from the window's queue";
    EXPECT_EQ(info->cbData, 28u);
}

TEST_F(DemodPluginTest, StopClosesTheInstanceWhichTellsTheHost) {
    host_.caps = Caps("Talvenor Communications");
    const std::int32_t instance = host_.StartPlugin(kName);
    ASSERT_NE(instance, lxq::kvr::kNotHandled);
    calls_.clear();
    EXPECT_TRUE(host_.StopPlugin(kName));
    Pump();
    EXPECT_TRUE(host_.RunningPlugins().empty());
    EXPECT_FALSE(win::IsWindow(static_cast<win::Hwnd>(instance)));
    const auto codes = Codes();
    EXPECT_EQ(codes.back(), 0x4000u) << "closed is the last word";
    EXPECT_NE(std::find(codes.begin(), codes.end(), 0x4006u), codes.end()) << "the host's capabilities restored";

    // It starts again afterwards.
    EXPECT_NE(host_.StartPlugin(kName), lxq::kvr::kNotHandled);
}

TEST_F(DemodPluginTest, DoneEndsTheInstancesStillLiveBeforeTheLibraryGoes) {
    host_.caps = Caps("Talvenor Communications");
    const std::int32_t instance = host_.StartPlugin(kName);
    ASSERT_NE(instance, lxq::kvr::kNotHandled);
    calls_.clear();
    // The library the host loaded (the same mapping): its done export, as an unloading host calls it.
    auto module = plat::sys::Module::Load(plugins_.File("Q745DemodPro.kvr"));
    ASSERT_NE(module, nullptr);
    auto done = reinterpret_cast<void (*)()>(module->Symbol("kvrPluginDone"));
    ASSERT_NE(done, nullptr);
    done();
    EXPECT_FALSE(win::IsWindow(static_cast<win::Hwnd>(instance))) << "no window outlives the plug-in's code";
    const auto codes = Codes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), 0x4000u) << "the host is told the instance closed";
    Pump();
}

// The sound card named by the environment, as a user sets it for the program: the back end is
// chosen at the plug-in's first use of the audio layer, in a process of its own so that no test
// has chosen it before. The parent runs the child half of this test and gives it a deadline.
constexpr const char* kChildMarker = "LXQ_TEST_ENVIRONMENT_AUDIO_CHILD";

TEST(DemodPluginEnvironmentAudio, StartsOnTheFileSoundCardNamedByTheEnvironment) {
    if (std::getenv(kChildMarker) != nullptr) {
        plat::sys::testing::TempFolder config, plugins;
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", config.Path().c_str(), 1);
        std::filesystem::copy_file(DEMOD_PLUGIN_PATH, plugins.File("Q745DemodPro.kvr"));
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", plugins.Path());
        CapsHost host;
        host.SetServerID("test host");
        host.SetReceiverHandle(3);
        host.LoadPlugins();
        host.caps = ReceiverCaps("Talvenor Communications");
        ASSERT_NE(host.StartPlugin(kName), lxq::kvr::kNotHandled);
        host.StopAll();
        return;
    }
    plat::sys::testing::TempFolder folder;
    plat::audio::testing::WriteWav(folder.File("in.wav"), plat::audio::MakePcmFormat(2, 16, 48000), {});
    lxq_test::ChildSetup setup;
    setup.args = {std::filesystem::read_symlink("/proc/self/exe").string(), "--gtest_filter=DemodPluginEnvironmentAudio.*"};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "LXQ745_AUDIO", 12) == 0) setup.environment.push_back(std::string(*e).substr(0, std::string(*e).find('=')));
    setup.environment.push_back(std::string(kChildMarker) + "=1");
    setup.environment.push_back("LXQ745_AUDIO=file");
    setup.environment.push_back("LXQ745_AUDIO_IN=" + folder.File("in.wav"));
    setup.environment.push_back("LXQ745_AUDIO_OUT=" + folder.File("out.wav"));
    setup.output = false;
    lxq_test::ChildProgram child(std::move(setup));
    std::optional<int> status;
    const bool ended = lxq_test::Eventually([&] { return (status = child.Ended()).has_value(); });
    ASSERT_TRUE(ended) << "the plug-in's start hung on the file sound card";
    EXPECT_EQ(lxq_test::ChildProgram::ExitCode(*status), 0);
}

} // namespace

namespace {

// The panel unloads its plug-ins when the system sleeps and loads them again on wake.
TEST_F(DemodPluginTest, StartsAgainAfterTheHostUnloadsAndReloadsIt) {
    host_.caps = Caps("Talvenor Communications");
    ASSERT_NE(host_.StartPlugin(kName), lxq::kvr::kNotHandled);
    host_.StopAll();
    Pump();
    // The library is gone: a window class left behind would send the next copy's windows to code
    // that is no longer mapped.
    for (const char* windowClass : {"RC_Window_Q745DemodPro", "RC_AudioMixer_Q745DemodPro"})
        EXPECT_FALSE(win::UnregisterClass(windowClass)) << "the plug-in took " << windowClass << " back";
    host_.LoadPlugins();
    ASSERT_EQ(host_.GetPluginCount(), 1);
    const std::int32_t instance = host_.StartPlugin(kName);
    ASSERT_NE(instance, lxq::kvr::kNotHandled);
    EXPECT_TRUE(win::IsWindow(static_cast<win::Hwnd>(instance)));
    Pump();
}

} // namespace
