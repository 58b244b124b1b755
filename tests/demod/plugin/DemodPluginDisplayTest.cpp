// The demodulator plug-in loaded by the program's plug-in host, with a sound card of files: what
// it hears shows on its displays, AF Filter filters the audio the host receives, and the
// capability blocks it hands the host keep their size however often it starts.

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyCustomKVRserver.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/sys/SettingsStore.h"
#include "platform/win/MessageApi.h"
#include "platform/win/PaintApi.h"
#include "platform/win/Messages.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
#include "tests/platform/audio/AudioTestKit.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ScreenshotPath.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

namespace win = plat::win;
constexpr const char* kName = "Q745 Professional";
constexpr int kRate = 48000;
constexpr int kBlock = 1024;
constexpr std::uint32_t kAudioBlock = 0x110A, kSetCapabilities = 0x4006, kAudioFilter = 0xE06,
                          kSquelch = 0xB01;

std::uint32_t Word(const std::vector<unsigned char>& b, std::size_t at) {
    std::uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

// A host that keeps the capability block its plug-ins give it, as the receiver does, and hands
// that block to the next plug-in it starts.
class CapsHost : public lxq::TmyCustomKVRserver {
public:
    CapsHost() : TmyCustomKVRserver(nullptr) {}
    const void* GetRadioDevCaps() override { return caps.empty() ? nullptr : caps.data(); }
    void SetRadioDevCaps(const void* block, std::uint32_t size) override {
        const auto* p = static_cast<const unsigned char*>(block);
        caps.assign(p, p + size);
    }
    std::vector<unsigned char> caps;

protected:
    // A receiver that is on, tuned, not scanning, with no secondary squelch type.
    std::int32_t DoOnGetSettings(std::uint32_t dwParam, std::uint32_t cbData, void* lpData) override {
        switch (dwParam) {
        case 0x100: return 1;                       // power
        case 0xD04: case 0xB02: case 0xF00: return 0; // AFC, squelched, scan mode
        case 0x800: return 0x80000000u | 1450000u; // 14.5 MHz
        case 0xB01:
            if (lpData != nullptr) std::memset(lpData, 0, cbData);
            return 0;
        default: return TmyCustomKVRserver::DoOnGetSettings(dwParam, cbData, lpData);
        }
    }
};

// A block as the receiver builds it: header, one range, eleven modes of its own.
std::vector<unsigned char> ReceiverCaps() {
    std::vector<unsigned char> caps(720, 0);
    auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(caps.data() + at, &v, 4); };
    put(0, 720);
    put(4, 400);
    put(8, 12);
    std::strcpy(reinterpret_cast<char*>(caps.data() + 12), "Talvenor Communications");
    std::strcpy(reinterpret_cast<char*>(caps.data() + 44), "Q7PCIv1");
    put(192, 0x16005);
    put(200, 1);
    put(220, 1);
    put(224, 400);
    put(400, 9);
    put(404, 30000);
    put(408, 1);
    put(228, 11);
    put(232, 28);
    put(236, 412);
    for (int i = 0; i < 11; ++i) {
        const std::uint32_t entry[7] = {static_cast<std::uint32_t>(i), 100, 0, 11025, 1, 0, 0};
        std::memcpy(caps.data() + 412 + 28 * i, entry, sizeof entry);
    }
    return caps;
}

// Stereo frames with the IF on the right channel (the input channel the plug-in takes).
std::vector<std::int16_t> Frames(int blocks, const std::function<double(int)>& right) {
    std::vector<std::int16_t> v(2 * static_cast<std::size_t>(blocks) * kBlock);
    for (std::size_t k = 0; k < v.size() / 2; ++k) v[2 * k + 1] = static_cast<std::int16_t>(right(static_cast<int>(k)));
    return v;
}

double Carrier(int k, double hz) { return 8000.0 * std::sin(2 * M_PI * hz * k / kRate); }

// Amplitude of one frequency in 16-bit samples at a rate.
double Level(const std::vector<std::int16_t>& x, double hz, double rate) {
    double re = 0, im = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        re += x[k] * std::cos(2 * M_PI * hz * k / rate);
        im += x[k] * std::sin(2 * M_PI * hz * k / rate);
    }
    return x.empty() ? 0.0 : 2.0 * std::hypot(re, im) / static_cast<double>(x.size());
}

void Pump() {
    win::Msg msg;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        win::TranslateMessage(msg);
        win::DispatchMessage(msg);
    }
}

class DemodPluginDisplayTest : public ::testing::Test {
protected:
    DemodPluginDisplayTest() {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
        setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", config_.Path().c_str(), 1);
        backend_->AddDevice(plat::audio::Direction::Capture, "Line In", plugins_.File("in.wav"));
        backend_->AddDevice(plat::audio::Direction::Playback, "Speakers", plugins_.File("out.wav"));
        std::filesystem::copy_file(DEMOD_PLUGIN_PATH, plugins_.File("Q745DemodPro.kvr"));
        plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", plugins_.Path());
        host_.SetServerID("test host");
        host_.SetReceiverHandle(3);
        host_.caps = ReceiverCaps();
        host_.OnCallback = [this](plat::comp::TObject*, const std::string& name, std::uint32_t uMsg,
                                  std::uint32_t dwParam, std::uint32_t cbData, void* lpData, std::int32_t&) {
            if (name != kName) return;
            // Audio blocks come from the sound card's thread.
            std::lock_guard<std::mutex> hold(mutex_);
            if (uMsg == kAudioBlock && dwParam == 0) ++ifBlocks_;
            if (uMsg == kAudioBlock && dwParam == 3 && lpData != nullptr && cbData >= 19) {
                const auto* p = static_cast<const unsigned char*>(lpData);
                std::uint32_t n = 0;
                std::memcpy(&n, p + 12, 4);
                const auto* s = reinterpret_cast<const std::int16_t*>(p + 16);
                audio_.insert(audio_.end(), s, s + std::min<std::uint32_t>(n, (cbData - 19) / 2));
            }
            if (uMsg == kSetCapabilities && lpData != nullptr) {
                const auto* p = static_cast<const unsigned char*>(lpData);
                capsSent_.emplace_back(p, p + cbData);
            }
        };
        host_.LoadPlugins();
    }
    ~DemodPluginDisplayTest() override {
        host_.StopAll();
        Pump();
        unsetenv("XDG_DOCUMENTS_DIR");
        if (oldConfig_.empty()) unsetenv("XDG_CONFIG_HOME");
        else setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    }

    // Starts the plug-in on this input and serves its window until every block has been handled.
    win::Hwnd Play(const std::vector<std::int16_t>& frames) {
        plat::audio::testing::WriteWav(plugins_.File("in.wav"), plat::audio::MakePcmFormat(2, 16, kRate), frames);
        {
            std::lock_guard<std::mutex> hold(mutex_);
            ifBlocks_ = 0;
            audio_.clear();
        }
        const std::int32_t instance = host_.StartPlugin(kName);
        EXPECT_NE(instance, lxq::kvr::kNotHandled);
        const std::size_t blocks = frames.size() / 2 / kBlock;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            Pump();
            {
                std::lock_guard<std::mutex> hold(mutex_);
                if (ifBlocks_ >= blocks) break;
            }
            if (std::chrono::steady_clock::now() > until) {
                ADD_FAILURE() << "the plug-in handled " << ifBlocks_ << " of " << blocks << " blocks";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2)); // the sound card's thread works
        }
        Pump();
        return static_cast<win::Hwnd>(instance);
    }
    std::vector<std::int16_t> Audio() {
        std::lock_guard<std::mutex> hold(mutex_);
        return audio_;
    }
    // The column of the IF graph where its trace reaches highest (window picture coordinates).
    static int PeakColumn(const plat::gdi::Bitmap& picture) {
        int best = -1, bestY = 1 << 30;
        for (int x = 10; x < 312; ++x)
            for (int y = 60; y < 212; ++y)
                if ((picture.GetPixel(x, y) & 0xFFFFFF) == 0xFFFFFF) {
                    if (y < bestY) bestY = y, best = x;
                    break;
                }
        return best;
    }

    plat::sys::testing::TempFolder config_, plugins_;
    // Paced as a sound card is: blocks arrive once the instance has started, as they do for a user.
    std::shared_ptr<plat::audio::FileAudioBackend> backend_ =
        std::make_shared<plat::audio::FileAudioBackend>(plat::audio::FileAudioBackend::Pacing::RealTime);
    plat::audio::ScopedAudioBackend audio_scope_{backend_};
    std::string oldConfig_;
    CapsHost host_;
    std::mutex mutex_;
    std::size_t ifBlocks_ = 0;
    std::vector<std::int16_t> audio_;
    std::vector<std::vector<unsigned char>> capsSent_;
};

TEST_F(DemodPluginDisplayTest, TheIfGraphShowsACarrierAtItsFrequency) {
    int peaks[2] = {};
    const double hz[2] = {7000.0, 17000.0}; // a quarter and three quarters of the 2..22 kHz span
    for (int i = 0; i < 2; ++i) {
        const win::Hwnd window = Play(Frames(8, [&](int k) { return Carrier(k, hz[i]); }));
        const auto picture = win::CaptureWindow(window);
        ASSERT_NE(picture, nullptr);
        win::SaveScreenshot(lxq_test::ScreenshotPath(i == 0 ? "demod_if_7k.png" : "demod_if_17k.png"), window);
        peaks[i] = PeakColumn(*picture);
        EXPECT_TRUE(host_.StopPlugin(kName));
        Pump();
    }
    // The graph spans about 300 pixels for 20 kHz: 10 kHz apart are about 150 pixels apart.
    ASSERT_GT(peaks[0], 0) << "no trace on the IF graph";
    EXPECT_NEAR(peaks[1] - peaks[0], 150, 25);
    EXPECT_NEAR((peaks[0] + peaks[1]) / 2, 160, 25) << "12 kHz lies in the middle";
}

TEST_F(DemodPluginDisplayTest, AfFilterDownFiltersTheAudioAsTheFilterSays) {
    // AM at 12 kHz carrying a 1 kHz tone.
    const auto am = Frames(24, [](int k) {
        return (6000.0 + 4000.0 * std::sin(2 * M_PI * 1000.0 * k / kRate)) * std::sin(2 * M_PI * 12000.0 * k / kRate);
    });
    auto toneLevel = [&] {
        std::vector<std::int16_t> a = Audio();
        a.erase(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(a.size(), 8 * kBlock)));
        return Level(a, 1000.0, kRate);
    };
    Play(am);
    const double open = toneLevel();
    // The host turns a 500 Hz low-pass on; the plug-in keeps it for the next start.
    std::int32_t lowPass[3] = {0, 500, 0};
    host_.Broadcast(kAudioFilter, 2, lowPass, sizeof lowPass);
    EXPECT_TRUE(host_.StopPlugin(kName));
    Pump();
    Play(am);
    const double filtered = toneLevel();
    ASSERT_GT(open, 100.0) << "the tone is heard without the filter";
    EXPECT_LT(filtered, open / 10.0) << "a 500 Hz low-pass takes the 1 kHz tone down by 20 dB and more";
}

TEST_F(DemodPluginDisplayTest, TheSetupWindowLightsTheClipLampAndTheGraphShowsTheSquelchStatus) {
    const win::Hwnd window = Play(Frames(4, [](int k) { return k % 2 == 0 ? 32500.0 : -32500.0; }));
    // "Setup" shows the setup window, as a click on it does.
    const win::LParam at = win::MakeLParam(265 + 25, 28 + 10);
    win::SendMessage(window, win::WM_LBUTTONDOWN, win::MK_LBUTTON, at);
    win::SendMessage(window, win::WM_LBUTTONUP, 0, at);
    Pump();
    win::Hwnd setup = 0;
    for (win::Hwnd w = win::GetWindow(window, win::GW_HWNDFIRST); w != 0; w = win::GetWindow(w, win::GW_HWNDNEXT))
        if (win::GetWindowText(w) == "Q745 Demodulator Setup") setup = w;
    ASSERT_NE(setup, 0u);
    ASSERT_TRUE(win::IsWindowVisible(setup));
    win::UpdateWindow(setup);
    win::SaveScreenshot(lxq_test::ScreenshotPath("demod_setup_clipping.png"), setup);
    const auto picture = win::CaptureWindow(setup);
    ASSERT_NE(picture, nullptr);
    int red = 0;
    for (int y = 0; y < picture->Height(); ++y)
        for (int x = 0; x < picture->Width(); ++x) red += (picture->GetPixel(x, y) & 0xFFFFFF) == 0x0000FF;
    EXPECT_GT(red, 200) << "the \"Clipping\" lamp is lit";

    // A noise squelch: the status label appears at the top left of the IF graph.
    const auto before = win::CaptureWindow(window);
    std::int32_t record[7] = {0, 40, 0, 0, 0, 0, 0};
    host_.Broadcast(kSquelch, 0x2, record, sizeof record);
    Pump();
    win::UpdateWindow(window);
    win::SaveScreenshot(lxq_test::ScreenshotPath("demod_squelch_status.png"), window);
    const auto after = win::CaptureWindow(window);
    int changed = 0;
    for (int y = 55; y < 72; ++y)
        for (int x = 42; x < 132; ++x) changed += before->GetPixel(x, y) != after->GetPixel(x, y);
    EXPECT_GT(changed, 100) << "\" Noise 0 % \" is written on the graph";
}

// The sound card delivers from the moment the instance starts it, before the start export has
// returned: the host serves those blocks like every later one, so no start loses its first block.
TEST_F(DemodPluginDisplayTest, EveryBlockOfEachStartReachesTheHost) {
    constexpr int kBlocks = 24;
    for (int start = 0; start < 4; ++start) {
        Play(Frames(kBlocks, [](int k) { return Carrier(k, 12000.0); }));
        EXPECT_TRUE(host_.StopPlugin(kName));
        Pump();
        std::lock_guard<std::mutex> hold(mutex_);
        EXPECT_EQ(ifBlocks_, static_cast<std::size_t>(kBlocks)) << "start " << start;
    }
}

TEST_F(DemodPluginDisplayTest, CapabilityBlocksKeepTheirSizeOverRepeatedStarts) {
    for (int start = 0; start < 3; ++start) {
        capsSent_.clear();
        Play({});
        ASSERT_FALSE(capsSent_.empty());
        const std::vector<unsigned char> own = capsSent_.back();
        EXPECT_EQ(own.size(), 720u) << "start " << start;
        EXPECT_EQ(Word(own, 0), 720u);
        EXPECT_EQ(Word(own, 228), 11u);
        EXPECT_EQ(Word(own, 236), 412u) << "the mode table follows the range";
        EXPECT_EQ(Word(own, 224), 400u);
        EXPECT_EQ(Word(own, 400), 9u) << "the range is the receiver's";
        EXPECT_EQ(Word(own, 412), 1u) << "AM first, with the host's code";
        EXPECT_EQ(Word(own, 412 + 28 * 10), 3u) << "FMW last";
        EXPECT_EQ(Word(own, 412 + 12), 20000u);
        EXPECT_TRUE(host_.StopPlugin(kName));
        Pump();
        const std::vector<unsigned char> back = capsSent_.back();
        EXPECT_EQ(back.size(), 720u) << "the host's block comes back with the receiver's modes";
        EXPECT_EQ(Word(back, 0), 720u);
        EXPECT_EQ(Word(back, 228), 11u);
        EXPECT_EQ(Word(back, 236), 412u);
        for (std::uint32_t i = 0; i < 11; ++i) {
            EXPECT_EQ(Word(back, 412 + 28 * i), i) << "the receiver's own mode " << i << ", not the plug-in's";
            EXPECT_EQ(Word(back, 412 + 28 * i + 12), 11025u);
        }
        EXPECT_EQ(Word(back, 192) & 0x40040u, 0u);
        EXPECT_EQ(Word(back, 200) & 0x306u, 0u);
        EXPECT_EQ(host_.caps.size(), 720u) << "what the host keeps is what the next start gets";
    }
}

} // namespace
