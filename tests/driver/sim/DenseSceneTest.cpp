// A band packed with stations, as a scene file within its bound can make it: the IF carries the
// strongest stations of the passband up to a cap, so its cost does not grow with the scene, the
// host's virtual sound card keeps time, and the host stops at once when told to.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/sim/BandScene.h"
#include "driver/sim/SceneIfSynthesizer.h"
#include "platform/audio/AudioBackend.h"
#include "platform/audio/VirtualSoundCard.h"
#include "tests/driver/host/ChildHost.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kTunedHz = 1'000'000;

// 45,217 AM stations within 5 kHz of the tuned frequency: as many as fit in a scene file.
std::string DenseSceneText() {
    std::string text = "noise -120\n";
    char line[64];
    for (int i = 0; i < 45'217; ++i) {
        std::snprintf(line, sizeof line, "station %d -60 am\n", 995'000 + i % 10'000);
        text += line;
    }
    return text;
}

// The amplitude of the signal at `hz` (a whole number of cycles in the block).
double AmplitudeAt(const std::vector<std::int16_t>& x, double hz, double rate) {
    double re = 0.0, im = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        re += x[n] * std::cos(2.0 * M_PI * hz * static_cast<double>(n) / rate);
        im += x[n] * std::sin(2.0 * M_PI * hz * static_cast<double>(n) / rate);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(x.size());
}

TEST(DenseScene, OnlyTheStrongestStationsOfThePassbandAreSynthesised) {
    constexpr double kRate = 48'000.0;
    IfTuning tuning;
    tuning.tunedHz = kTunedHz;
    // A weak carrier 5 kHz below the tuned frequency (7 kHz on the IF) among strong ones above.
    const auto scene = [](std::size_t strong, double weakDbm) {
        BandScene s;
        s.noiseDbm = -200.0;
        for (std::size_t i = 0; i < strong; ++i) {
            SceneStation st;
            st.frequencyHz = kTunedHz + 100 * static_cast<std::uint32_t>(i + 1);
            st.levelDbm = -80.0; // together well below clipping
            s.stations.push_back(st);
        }
        SceneStation weak;
        weak.frequencyHz = kTunedHz - 5'000;
        weak.levelDbm = weakDbm;
        s.stations.insert(s.stations.begin(), weak);
        return s;
    };
    const auto weakAmplitude = [&](const BandScene& s) {
        SceneIfSynthesizer synth(kRate);
        std::vector<std::int16_t> x(4'800);
        synth.Render(tuning, s, x.data(), x.size());
        return AmplitudeAt(x, 12'000.0 - 5'000.0, kRate);
    };
    const double heard = weakAmplitude(scene(kMaxAudibleStations - 1, -90.0));
    EXPECT_GT(heard, 5.0) << "within the cap every station is heard";
    EXPECT_LT(weakAmplitude(scene(kMaxAudibleStations, -90.0)), heard / 100.0) << "past it the weakest is left out";
    EXPECT_NEAR(weakAmplitude(scene(kMaxAudibleStations, -70.0)), heard * 10.0, heard) << "a strong one never is";
}

std::string ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

TEST(DenseScene, TheHostKeepsTimeOnADenseBandAndStopsWithinASecond) {
    const std::string library = ProgramFolder() + "/liblxq745api.so";
    if (!std::filesystem::exists(library)) GTEST_SKIP() << "no API library";
    plat::sys::test::ScopedChannelNamespace ns("dense");
    plat::sys::testing::TempFolder dir;
    const std::string text = DenseSceneText();
    ASSERT_LE(text.size(), BandScene::kMaxFileBytes);
    std::ofstream(dir.File("dense.scene")) << text;
    host::test::ChildHost host(std::vector<std::string>{"lxq745d", "--simulate", "serial", "--scene", dir.File("dense.scene")});

    // The serial receiver tuned into the crowd, through the API library as a program does it.
    void* api = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(api, nullptr) << dlerror();
    auto open = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "OpenRadioDevice"));
    auto close = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "CloseRadioDevice"));
    auto power = reinterpret_cast<std::int32_t (*)(std::int32_t, std::int32_t)>(dlsym(api, "SetPower"));
    auto tune = reinterpret_cast<std::int32_t (*)(std::int32_t, std::uint32_t)>(dlsym(api, "SetFrequency"));
    ASSERT_TRUE(open && close && power && tune);
    const std::int32_t index = open(0);
    ASSERT_GE(index, 1);
    ASSERT_EQ(power(index, 1), 1);
    ASSERT_EQ(tune(index, kTunedHz), 1);

    // Its IF from the host's sound card, read as a demodulator reads it, for a second and a half.
    const auto devices = plat::audio::VirtualSoundCard::Devices(plat::audio::Direction::Capture);
    ASSERT_FALSE(devices.empty());
    const plat::audio::WaveFormat format = plat::audio::MakePcmFormat(1, 16, 48'000);
    std::unique_ptr<plat::audio::CaptureStream> stream;
    ASSERT_EQ(plat::audio::VirtualSoundCard::OpenCapture(devices.front(), format, false, stream),
              plat::audio::Result::NoError);
    std::vector<std::int16_t> block(format.samplesPerSec / 100); // 10 ms
    std::uint64_t bytes = 0;
    const auto started = Clock::now();
    while (Clock::now() - started < std::chrono::milliseconds(1'500)) {
        std::uint32_t got = 0;
        ASSERT_EQ(stream->Read(block.data(), static_cast<std::uint32_t>(block.size() * 2), got),
                  plat::audio::Result::NoError);
        bytes += got;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    EXPECT_GT(static_cast<double>(bytes), 0.8 * seconds * format.avgBytesPerSec)
        << bytes << " bytes in " << seconds << " s: the IF falls behind";
    EXPECT_EQ(close(index), 1);
    dlclose(api);

    // Stopped while its sound card still feeds the reader.
    const auto stopping = Clock::now();
    EXPECT_TRUE(host.Stop());
    EXPECT_LT(Clock::now() - stopping, std::chrono::seconds(1)) << "SIGTERM ends the host at once";
    stream.reset();
}

} // namespace
} // namespace lxq::sim
