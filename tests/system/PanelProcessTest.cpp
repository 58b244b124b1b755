// The front panel program as a user runs it, in a process of its own (headless, with the sound
// card of files that scripts/run uses on a machine without one), ended as a terminal ends it.

#include "platform/audio/WavFile.h"
#include "tests/system/SystemRig.h"
#include "tests/system/ToneAnalysis.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace lxq::systemtest {
namespace {

class PanelProcess : public ::testing::Test {
protected:
    PanelProcess() {
        std::filesystem::create_directories(folder_.File("config/lxq745"));
        // The plug-in folder as an installation sets it: the build's, with the demodulator in it.
        std::ofstream(folder_.File("config/lxq745/settings.ini")) << "[Software\\KVR]\nSearchPath=" << BuildFolder() << "\n";
    }
    void StartPanel(const std::vector<std::string>& args = {}) {
        lxq_test::ChildSetup setup;
        setup.args = {"lxq745"};
        setup.args.insert(setup.args.end(), args.begin(), args.end());
        setup.output = false;
        setup.deathSignal = SIGKILL;
        setup.environment = {"LXQ_WIN_BACKEND=headless", "XDG_CONFIG_HOME=" + folder_.File("config"),
                             "XDG_DOCUMENTS_DIR=" + folder_.File("documents"), "LXQ745_AUDIO=file",
                             "LXQ745_AUDIO_PACED=1", "LXQ745_AUDIO_OUT=" + Wav(),
                             "LXQ745_DEBUG_OUTPUT=" + DebugOutput()};
        panel_.emplace(std::move(setup));
    }
    // Waits for the panel to end; its exit status, or -1 when it did not end by itself (a signal,
    // or still running).
    int PanelEnds() {
        std::optional<int> status;
        if (!Eventually([&] { return (status = panel_->Ended()).has_value(); })) return -1;
        return lxq_test::ChildProgram::ExitCode(*status);
    }
    std::uintmax_t Size(const std::string& path) const {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        return ec ? 0 : size;
    }
    std::string Wav() const { return folder_.File("run-audio.wav"); }
    std::string DebugOutput() const { return folder_.File("debug-output.txt"); }
    std::string Text(const std::string& path) const {
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }
    std::string SettingsFile() const { return folder_.File("documents/Talvenor/Q745/LXQ745.ini"); }

    plat::sys::test::ScopedChannelNamespace ns_{"panel-process"};
    Folder folder_;
    // A fresh panel starts at 1 MHz: a station there plays its tone from the start.
    DriverHost host_{"usb", "noise -125\nstation 1000000 -60 am tone=1000 depth=0.5\n", folder_};
    std::optional<lxq_test::ChildProgram> panel_;
};

TEST_F(PanelProcess, SigtermClosesThePanelInOrderKeepingTheRecordingAndTheSettings) {
    ASSERT_FALSE(std::filesystem::exists(SettingsFile()));
    StartPanel();
    // Two seconds of audio on their way into the file (48 kHz stereo 16-bit at most).
    ASSERT_TRUE(Eventually([&] { return Size(Wav() + ".tmp") > 44 + 2 * 48000 * 4; }))
        << "the panel plays into " << Wav() << ".tmp";
    EXPECT_FALSE(std::filesystem::exists(SettingsFile())) << "the panel saves its settings as it closes";

    panel_->Signal(SIGTERM);
    ASSERT_EQ(PanelEnds(), 0) << "the panel closes as its window's close box closes it";

    EXPECT_FALSE(std::filesystem::exists(Wav() + ".tmp"));
    plat::audio::WavReader reader;
    ASSERT_TRUE(reader.Open(Wav())) << reader.Error();
    const auto& format = reader.Format();
    ASSERT_GT(format.avgBytesPerSec, 0u);
    EXPECT_GE(reader.DataBytes(), 2 * format.avgBytesPerSec) << "the audio up to the signal";
    std::vector<std::int16_t> frames(reader.DataBytes() / 2);
    frames.resize(reader.Read(frames.data(), static_cast<std::uint32_t>(frames.size() * 2)) / 2);
    // The last second, left channel: the station's tone.
    std::vector<std::int16_t> left;
    const std::size_t second = format.samplesPerSec * format.channels;
    for (std::size_t i = frames.size() - second; i + format.channels <= frames.size(); i += format.channels)
        left.push_back(frames[i]);
    EXPECT_NEAR(FitTone(left, format.samplesPerSec, 300, 3000).hz, 1000, 5);

    std::stringstream settings;
    settings << std::ifstream(SettingsFile()).rdbuf();
    EXPECT_NE(settings.str().find("Freq=1000000"), std::string::npos) << settings.str();
}

TEST_F(PanelProcess, APanelEndedTogetherWithTheHostStillClosesInOrder) {
    // As at the end of a session: every program gets SIGTERM at once, so the receiver goes while
    // the panel closes. The panel must not wait for it to come back.
    StartPanel();
    ASSERT_TRUE(Eventually([&] { return Size(Wav() + ".tmp") > 44 + 48000 * 4; }));
    kill(host_.Pid(), SIGTERM);
    panel_->Signal(SIGTERM);
    ASSERT_EQ(PanelEnds(), 0) << "the panel ends by itself";
    // (Its settings are written only while the receiver is there: whether the host went before
    // the panel saved them is a matter of who ran first.)
    EXPECT_TRUE(std::filesystem::exists(Wav())) << "the recording is in place";
    EXPECT_FALSE(std::filesystem::exists(Wav() + ".tmp"));
}

TEST_F(PanelProcess, SigtermClosesThePanelWhileAStartUpNoticeShows) {
    // No plug-in where the panel looks: start-up stops on "The demodulator failed to start."
    std::filesystem::create_directories(folder_.File("no-plugins"));
    std::ofstream(folder_.File("config/lxq745/settings.ini"))
        << "[Software\\KVR]\nSearchPath=" << folder_.File("no-plugins") << "\n";
    StartPanel({"/g"}); // its debug lines say how far start-up got
    ASSERT_TRUE(Eventually([&] { return Text(DebugOutput()).find("Starting ") != std::string::npos; }))
        << Text(DebugOutput());
    panel_->Signal(SIGTERM);
    EXPECT_EQ(PanelEnds(), 0) << "the notice is closed with the panel";
}

TEST_F(PanelProcess, APanelKilledWhilePlayingLeavesWhatItPlayedPlayable) {
    StartPanel();
    ASSERT_TRUE(Eventually([&] { return Size(Wav() + ".tmp") > 44 + 3 * 48000 * 4; }));
    panel_->Kill();
    plat::audio::WavReader reader;
    ASSERT_TRUE(reader.Open(Wav() + ".tmp")) << reader.Error();
    const auto& format = reader.Format();
    EXPECT_GE(reader.DataBytes(), format.avgBytesPerSec) << "up to its last whole second at least";
    std::vector<std::int16_t> frames(reader.DataBytes() / 2);
    EXPECT_EQ(reader.Read(frames.data(), reader.DataBytes()), reader.DataBytes()) << "all of it on disk";
}

} // namespace
} // namespace lxq::systemtest
