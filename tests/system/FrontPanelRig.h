#pragma once
// The whole system as a user runs it: the driver host as its own process with simulated
// receivers hearing the test's scene, the front panel headless in this process, the real
// demodulator plug-in loaded from the plug-in folder as the panel loads it, and a sound card of
// files whose loudspeaker writes a WAV. Time is real: the band plays at its own pace.

#include "app/controls/TstFrequencyEdit.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/WavFile.h"
#include "platform/components/TApplication.h"
#include "platform/sys/SettingsStore.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"
#include "tests/system/SystemRig.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace lxq::systemtest {

class FrontPanelSystem : public ::testing::Test {
protected:
    FrontPanelSystem() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", folder_.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", folder_.Path().c_str(), 1);
        std::filesystem::current_path(folder_.Path());
        plat::comp::Application().ResetTerminated();
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", PluginFolder());
        speakers_->AddDevice(plat::audio::Direction::Playback, "Speakers", Wav());
    }
    ~FrontPanelSystem() override {
        if (form) form->KVR->StopAll();
        form.reset();
        host_.reset();
        std::filesystem::current_path(start_);
        unsetenv("XDG_DOCUMENTS_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }

    // The host with one simulated receiver of the variant ("pci", "serial", "usb") and the
    // panel on it, with the demodulator embedded.
    void Start(const std::string& variant, const std::string& scene, std::vector<std::string> args = {}) {
        host_.reset(); // one host a namespace: a test that starts again ends the first
        host_ = std::make_unique<DriverHost>(variant, scene, folder_);
        HostReady();
        args.insert(args.begin(), "/sd"); // the demodulator is started below, by name
        form = std::make_unique<TQ7form>(nullptr, std::move(args));
        form->ShowMessageBox = [this](const std::string& text, const std::string&, std::uint32_t) {
            boxes.push_back(text);
            return 1;
        };
        form->Q7->SetCalFile(folder_.File("absent.cal"));
        form->DoCreate();
        ASSERT_FALSE(form->Quitting());
        ASSERT_FALSE(form->Q7->Demo()) << "the host's receiver, not the demonstration one";
        ASSERT_TRUE(form->StartDemodulator("Q745 Professional"));
        ASSERT_TRUE(plat::win::IsWindow(form->EmbeddedDemodulator()));
    }

    // The host is up and the panel not yet started: what a test prepares at the receiver first.
    virtual void HostReady() {}

    // Presses the demodulator's mode button of that caption, as a click on it, and lets the panel
    // run a little.
    void Mode(const char* caption) {
        ClickMode(caption);
        Run(50);
    }
    // The click alone.
    void ClickMode(const char* caption) {
        static const char* const kButtons[] = {"AM", "AMN", "AMS", "LSB", "USB", "CW", "DSB", "ISB", "FM6", "FMN", "FMW"};
        int i = 0;
        while (i < 11 && std::string(kButtons[i]) != caption) ++i;
        ASSERT_LT(i, 11) << caption;
        const int x = (i % 6) * 52 + 5 + 25, y = (i / 6) * 24 + 4 + 10;
        namespace win = plat::win;
        win::SendMessage(form->EmbeddedDemodulator(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MakeLParam(x, y));
        win::SendMessage(form->EmbeddedDemodulator(), win::WM_LBUTTONUP, 0, win::MakeLParam(x, y));
    }

    void Tune(std::int64_t hz) {
        form->myFrequencyEdit1->SetValue(hz);
        Run(50);
    }

    // Runs the panel until `look` holds, at most `ms`, calling it no sooner than `everyMs` after
    // the end of its last call: a look that costs the panel's thread far more than a message
    // (a picture of a window, a read of the recording) leaves it time to handle what came.
    template <typename Look>
    void RunLooking(int ms, int everyMs, Look look) {
        auto lookedAt = std::chrono::steady_clock::now();
        Run(ms, [&] {
            if (std::chrono::steady_clock::now() - lookedAt < std::chrono::milliseconds(everyMs)) return false;
            const bool seen = look();
            lookedAt = std::chrono::steady_clock::now();
            return seen;
        });
    }

    // Runs the panel's message loop for `ms` milliseconds of real time, or until `done`.
    template <typename Done = bool (*)()>
    void Run(int ms, Done done = [] { return false; }) {
        namespace win = plat::win;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        // A timer of our own wakes the loop, so that it never waits past the end.
        const auto tick = win::SetTimer(0, 0, 5, nullptr);
        // The program's own loop: a message at a time, the idle handler (scanner, sweep) when
        // none waits.
        while (std::chrono::steady_clock::now() < until && !done()) plat::comp::Application().HandleMessage();
        win::KillTimer(0, tick);
        // Then what is waiting, for a while: a panel kept busy by the stream (painting slower than
        // the blocks come, as under a sanitizer) always has more, and would never be done.
        const auto drained = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (std::chrono::steady_clock::now() < drained && plat::comp::Application().ProcessMessage()) {
        }
    }

    // Stops the demodulator and reads what the loudspeaker played (the left channel).
    std::vector<std::int16_t> Played() {
        form->KVR->StopAll();
        plat::comp::Application().ProcessMessages();
        plat::audio::WavReader reader;
        if (!reader.Open(Wav())) return {};
        std::vector<std::int16_t> frames(reader.DataBytes() / 2);
        reader.Read(frames.data(), static_cast<std::uint32_t>(frames.size() * 2));
        const int channels = reader.Format().channels;
        std::vector<std::int16_t> left;
        for (std::size_t i = 0; i + channels <= frames.size(); i += channels) left.push_back(frames[i]);
        return left;
    }
    // The last `frames` the loudspeaker has played (the left channel; fewer at the start), read
    // from the end of the recording as it grows, the demodulator playing on.
    std::vector<std::int16_t> LastPlayed(std::size_t frames) const {
        std::ifstream file(Wav() + ".tmp", std::ios::binary);
        constexpr std::streamoff kHeader = 44, kChannelsAt = 22;
        std::uint16_t channels = 0;
        if (!file.seekg(kChannelsAt) || !file.read(reinterpret_cast<char*>(&channels), sizeof channels) || channels == 0)
            return {};
        const std::streamoff frameBytes = 2 * channels;
        file.seekg(0, std::ios::end);
        const std::streamoff whole = (static_cast<std::streamoff>(file.tellg()) - kHeader) / frameBytes;
        if (whole <= 0) return {};
        const std::streamoff taken = std::min<std::streamoff>(whole, static_cast<std::streamoff>(frames));
        std::vector<std::int16_t> samples(static_cast<std::size_t>(taken * channels));
        file.seekg(kHeader + (whole - taken) * frameBytes);
        if (!file.read(reinterpret_cast<char*>(samples.data()), taken * frameBytes)) return {};
        std::vector<std::int16_t> left;
        for (std::size_t i = 0; i < samples.size(); i += channels) left.push_back(samples[i]);
        return left;
    }
    std::string Wav() const { return folder_.File("speakers.wav"); }
    // The driver host's process id, -1 before Start.
    pid_t HostPid() const { return host_ ? host_->Pid() : -1; }
    // A file of the test's own folder.
    std::string Scratch(const std::string& name) const { return folder_.File(name); }

    // One plug-in folder for the process, with the real demodulator in it (each test loads it
    // afresh, as a panel does after a sleep).
    static std::string PluginFolder() {
        static Folder folder;
        static const bool copied = std::filesystem::copy_file(DEMOD_PLUGIN_PATH, folder.File("Q745DemodPro.kvr"));
        (void)copied;
        return folder.Path();
    }

    std::unique_ptr<TQ7form> form;
    std::vector<std::string> boxes;

private:
    plat::sys::test::ScopedChannelNamespace ns_{"vsc-panel"};
    Folder folder_;
    std::filesystem::path start_ = std::filesystem::current_path();
    std::shared_ptr<plat::audio::FileAudioBackend> speakers_ = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend audio_{speakers_};
    std::unique_ptr<DriverHost> host_;
};

} // namespace lxq::systemtest
