// The whole system without hardware: `lxq745d --simulate usb --scene FILE` as its own process,
// and the API library in this one tuning, measuring and streaming through the real socket.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "driver/sim/UsbReceiverSimulator.h"
#include "tests/driver/host/ChildHost.h"
#include "tests/support/Eventually.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"

extern char** environ;

namespace lxq::sim {
namespace {

using lxq_test::Eventually;

std::string Folder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }


struct Audio {
    std::int32_t index = 0;
    std::uint64_t (*read)(std::int32_t, void*, std::uint64_t) = nullptr;
    std::mutex mutex;
    std::vector<std::uint8_t> bytes;

    static void Callback(void* context) {
        auto* self = static_cast<Audio*>(context);
        std::uint8_t buffer[4096];
        for (std::uint64_t n; (n = self->read(self->index, buffer, sizeof buffer)) != 0;) {
            std::lock_guard lock(self->mutex);
            self->bytes.insert(self->bytes.end(), buffer, buffer + n);
        }
    }
    std::size_t Size() {
        std::lock_guard lock(mutex);
        return bytes.size();
    }
};

TEST(SimulateOption, TheApiLibraryTunesMeasuresAndStreamsFromASimulatedUsbReceiver) {
    const std::string library = Folder() + "/liblxq745api.so";
    if (!std::filesystem::exists(library)) GTEST_SKIP() << "no API library";
    plat::sys::test::ScopedChannelNamespace ns("simulate");
    // One carrier 3 kHz above the tuned frequency and no noise: the stream is one pure tone, so
    // every sample follows from the two before it and a lost or repeated block shows at once.
    const std::string scene = (std::filesystem::temp_directory_path() / ("simulate-" + std::to_string(getpid()) + ".scene")).string();
    std::ofstream(scene) << "noise -200\nstation 118103000 -60 carrier\n";
    host::test::ChildHost host(std::vector<std::string>{"lxq745d", "--simulate", "usb", "--scene", scene});
    void* api = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(api, nullptr) << dlerror();
    auto open = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "OpenRadioDevice"));
    auto close = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "CloseRadioDevice"));
    auto power = reinterpret_cast<std::int32_t (*)(std::int32_t, std::int32_t)>(dlsym(api, "SetPower"));
    auto tune = reinterpret_cast<std::int32_t (*)(std::int32_t, std::uint32_t)>(dlsym(api, "SetFrequency"));
    auto frequency = reinterpret_cast<std::uint64_t (*)(std::int32_t)>(dlsym(api, "GetFrequency"));
    auto level = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "GetSignalStrengthdBm"));
    auto start = reinterpret_cast<std::int32_t (*)(std::int32_t, void (*)(void*), void*)>(dlsym(api, "CodecStart"));
    auto stop = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "CodecStop"));
    Audio audio;
    audio.read = reinterpret_cast<std::uint64_t (*)(std::int32_t, void*, std::uint64_t)>(dlsym(api, "CodecRead"));
    ASSERT_TRUE(open && close && power && tune && frequency && level && start && stop && audio.read);

    audio.index = open(0);
    ASSERT_GE(audio.index, 1);
    ASSERT_EQ(power(audio.index, 1), 1);
    ASSERT_EQ(start(audio.index, &Audio::Callback, &audio), 1);
    ASSERT_EQ(tune(audio.index, 118'100'000), 1);
    EXPECT_EQ(frequency(audio.index), 118'100'000u);
    EXPECT_NEAR(level(audio.index), -600, 20); // the carrier, as the scene gives it
    // A quarter of a second of audio from the tune on: the tone, sample after sample.
    std::size_t from = 0;
    ASSERT_TRUE(Eventually([&] { return audio.Size() > 0; }));
    from = audio.Size();
    ASSERT_TRUE(Eventually([&] { return audio.Size() >= from + 32'000; }));
    EXPECT_EQ(stop(audio.index), 1);
    EXPECT_EQ(close(audio.index), 1);
    dlclose(api);
    std::filesystem::remove(scene);

    std::lock_guard lock(audio.mutex);
    std::vector<double> x;
    for (std::size_t i = from + (from & 1); i + 1 < audio.bytes.size(); i += 2) {
        std::int16_t sample;
        std::memcpy(&sample, audio.bytes.data() + i, 2);
        x.push_back(sample);
    }
    // The tone sits 3 kHz from the IF centre, on the side the receiver's mixing puts it: either
    // way x[n] = 2 cos(w) x[n-1] - x[n-2] holds to within the rounding of the samples.
    int worst = 0;
    for (double hz : {9000.0, 15000.0}) {
        const double c = 2.0 * std::cos(2.0 * M_PI * hz / 64000.0);
        int fits = 0;
        for (std::size_t n = 2; n < x.size(); ++n) fits += std::abs(x[n] - c * x[n - 1] + x[n - 2]) <= 3.0;
        worst = std::max(worst, fits);
    }
    EXPECT_EQ(static_cast<std::size_t>(worst), x.size() - 2) << "the tone has a seam";
    double peak = 0.0;
    for (double v : x) peak = std::max(peak, std::abs(v));
    // The amplitude follows the level: -60 dBm is 30 dB under the reference level.
    EXPECT_NEAR(peak, kReferenceAmplitude * std::pow(10.0, -30.0 / 20.0), 20.0);
}

} // namespace
} // namespace lxq::sim
