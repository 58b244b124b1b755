// The band through the whole road: the driver host in this process with a scene, the API library
// loaded by name, each simulated variant measured as a program measures it. The S-meter must
// read the scene, follow the gains and a scene loaded while the host runs; the USB codec stream
// must carry the stations where the demodulator looks for them.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "driver/host/BuiltInKinds.h"
#include "driver/host/BusControlClient.h"
#include "driver/host/ChannelServer.h"
#include "driver/sim/LiveScene.h"
#include "driver/sim/SimRegistry.h"
#include "driver/sim/UsbReceiverSimulator.h"
#include "tests/driver/sim/ApiByName.h"
#include "tests/support/Eventually.h"
#include "tests/support/ScanEndWindow.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"

namespace lxq::sim {
namespace {

using lxq_test::Eventually;

using Api = test::ApiByName;

// Three stations apart and two within one IF bandwidth of each other, over a -110 dBm floor.
constexpr char kScene[] = R"(# a test band
noise -110
station 10000000 -70 carrier name=lone
station 10100000 -90 am
station 10200000 -50 fm
station 10300000 -80 carrier
station 10305000 -80 cw
)";

// A file that goes when the test does.
class SceneFile {
public:
    explicit SceneFile(const std::string& text) {
        static int serial = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("scene-road-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + ".scene")).string();
        std::ofstream(path_) << text;
    }
    ~SceneFile() { std::filesystem::remove(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

class SceneRoad : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        LiveScene::Replace(*BandScene::Parse(kScene));
        host::RegisterBuiltInKinds(kinds);
        ASSERT_TRUE(server.Start());
        std::string reply;
        ASSERT_EQ(host::BusControlClient::Send(std::string("plug ") + GetParam() + " rx", reply), kStatusSuccess) << reply;
        if (!api.Load()) GTEST_SKIP() << "no API library";
        index = api.OpenRadioDevice(0);
        ASSERT_GE(index, 1);
        ASSERT_EQ(api.SetPower(index, 1), 1);
        // A USB receiver takes tuner state only while its audio pipe is open.
        if (std::string(GetParam()) == "sim-usb") {
            ASSERT_EQ(api.CodecStart(index, nullptr, nullptr), 1);
        }
    }
    void TearDown() override {
        if (index >= 1) {
            if (std::string(GetParam()) == "sim-usb") api.CodecStop(index);
            api.CloseRadioDevice(index);
        }
        server.Stop();
        bus.RemoveAll();
        LiveScene::Reset();
    }

    std::int32_t LevelAt(std::uint32_t hz) {
        EXPECT_EQ(api.SetFrequency(index, hz), 1);
        return api.GetSignalStrengthdBm(index);
    }

    plat::sys::test::ScopedChannelNamespace ns{"sceneroad"};
    host::DeviceKinds kinds;
    host::Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    host::ChannelServer server{bus};
    Api api;
    std::int32_t index = 0;
};

TEST_P(SceneRoad, TheSMeterReadsTheStationsAndTheNoiseBetweenThem) {
    struct Case {
        std::uint32_t hz;
        std::int32_t tenths;
    };
    const Case cases[] = {
        {10'000'000, -700},  // the lone carrier
        {10'004'000, -700},  // still inside the IF bandwidth
        {10'100'000, -900},  // a weaker one
        {10'200'000, -500},  // a strong one, where the AGC measures it
        {10'050'000, -1100}, // between stations: the noise
        {10'302'000, -770},  // two carriers of -80 dBm in one bandwidth: their power sum
    };
    for (const Case& c : cases) EXPECT_NEAR(LevelAt(c.hz), c.tenths, 20) << GetParam() << " at " << c.hz;
}

TEST_P(SceneRoad, AttenuatorAndPreamplifierMoveTheLevelAsTheGainsDo) {
    EXPECT_NEAR(LevelAt(10'000'000), -700, 20);
    ASSERT_EQ(api.SetAtten(index, 1), 1);
    EXPECT_NEAR(LevelAt(10'000'000), -880, 20);
    ASSERT_EQ(api.SetAtten(index, 0), 1);
    ASSERT_EQ(api.SetRFAmp(index, 1), 1);
    EXPECT_NEAR(LevelAt(10'000'000), -540, 20);
}

TEST_P(SceneRoad, ASceneLoadedWhileRunningIsMeasuredAtOnce) {
    EXPECT_NEAR(LevelAt(10'050'000), -1100, 20);
    std::string reply;
    const SceneFile appears(std::string(kScene) + "station 10050000 -60 am name=new\n");
    ASSERT_EQ(host::BusControlClient::Send("scene " + appears.Path(), reply), kStatusSuccess) << reply;
    EXPECT_NEAR(api.GetSignalStrengthdBm(index), -600, 20);

    const SceneFile fades(std::string(kScene) + "station 10050000 -95 am name=new\n");
    ASSERT_EQ(host::BusControlClient::Send("scene " + fades.Path(), reply), kStatusSuccess) << reply;
    EXPECT_NEAR(api.GetSignalStrengthdBm(index), -950, 20);

    // A bad file is refused with its line, and the band stays as it was.
    const SceneFile bad("noise -110\nstation 10050000 -60 xm\n");
    EXPECT_NE(host::BusControlClient::Send("scene " + bad.Path(), reply), kStatusSuccess);
    EXPECT_NE(reply.find("line 2"), std::string::npos) << reply;
    EXPECT_NEAR(api.GetSignalStrengthdBm(index), -950, 20);

    // What is no scene file is refused at once, saying why, without filling the host's memory or
    // holding it: a link to an endless device, a named pipe nobody writes, a folder, a file far
    // too long. The band stays, and the host takes the next command.
    const std::string odd = bad.Path() + ".odd";
    const std::string longText = std::string(kScene) + std::string(BandScene::kMaxFileBytes, '#');
    const struct {
        const char* what;
        std::function<void()> make;
        const char* says;
    } refused[] = {
        {"a link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", odd); }, "not a plain file"},
        {"a named pipe", [&] { ASSERT_EQ(mkfifo(odd.c_str(), 0600), 0); }, "not a plain file"},
        {"a folder", [&] { std::filesystem::create_directory(odd); }, "not a plain file"},
        {"a file too long", [&] { std::ofstream(odd) << longText; }, "larger than"},
    };
    for (const auto& r : refused) {
        r.make();
        EXPECT_NE(host::BusControlClient::Send("scene " + odd, reply), kStatusSuccess) << r.what;
        EXPECT_NE(reply.find(r.says), std::string::npos) << r.what << ": " << reply;
        EXPECT_NEAR(api.GetSignalStrengthdBm(index), -950, 20) << r.what;
        std::filesystem::remove(odd);
    }

    const SceneFile goes(kScene);
    ASSERT_EQ(host::BusControlClient::Send("scene " + goes.Path(), reply), kStatusSuccess) << reply;
    EXPECT_NEAR(api.GetSignalStrengthdBm(index), -1100, 20);
}

TEST_P(SceneRoad, BlockScanFindsTheStation) {
    lxq_test::ScanEndWindow window;
    std::vector<std::uint32_t> list = {9'950'000, 10'000'000, 10'050'000, 10'200'000};
    ASSERT_EQ(api.Q7BlockScan(index, list.data(), static_cast<std::uint32_t>(list.size()), 256, 10, window.Handle(),
                              window.kMessage), 1);
    ASSERT_TRUE(window.WaitForEnd()) << "the scan never ended";
    // Each frequency is overwritten with its S-meter value (0..255) as it is measured; no value
    // reaches the stop level 256.
    const auto raw = [](std::int32_t tenths) { return static_cast<std::uint32_t>((tenths + 1300) * 255 / 1000); };
    const std::uint32_t expected[] = {raw(-1100), raw(-700), raw(-1100), raw(-500)};
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_NEAR(list[i], expected[i], 6) << GetParam() << " entry " << i;
}

INSTANTIATE_TEST_SUITE_P(Variants, SceneRoad, ::testing::Values("sim-usb", "sim-serial", "sim-pci"));

class UsbSceneRoad : public SceneRoad {};

// |X(f)| of a Hann-windowed stretch of samples, scaled to the amplitude of a tone at f.
double ToneAmplitude(const std::vector<std::int16_t>& x, double hz, double rate) {
    std::complex<double> sum = 0.0;
    double window = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * n / x.size());
        sum += w * x[n] * std::polar(1.0, -2.0 * M_PI * hz * n / rate);
        window += w;
    }
    return 2.0 * std::abs(sum) / window;
}

TEST_P(UsbSceneRoad, TheCodecStreamCarriesTheStationsAtTheirIfOffsets) {
    // Two carriers 20 dB apart, 3 kHz above and 5 kHz below the tuned frequency.
    const SceneFile file("noise -130\nstation 50003000 -60 carrier\nstation 49995000 -80 carrier\n");
    std::string reply;
    ASSERT_EQ(host::BusControlClient::Send("scene " + file.Path(), reply), kStatusSuccess) << reply;
    ASSERT_EQ(api.SetFrequency(index, 50'000'000), 1);
    // What is in the ring is from before the tune: read it away, and with it the transfer that
    // may have been under way while the tune went out; then take a fresh stretch.
    std::vector<std::uint8_t> bytes(1 << 16);
    while (api.CodecRead(index, bytes.data(), bytes.size()) != 0) {}
    constexpr std::size_t kSkip = 16 * 64, kTake = 16384;
    std::vector<std::int16_t> x;
    ASSERT_TRUE(Eventually([&] {
        const std::uint64_t n = api.CodecRead(index, bytes.data(), bytes.size());
        for (std::uint64_t i = 0; i + 1 < n; i += 2) x.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
        return x.size() >= kSkip + kTake;
    }));
    x.erase(x.begin(), x.begin() + kSkip);
    x.resize(kTake);
    // The demodulator looks for the tuned frequency at 12 kHz; the library tells whether the
    // receiver's mixing mirrors the band about it.
    const double side = api.IsSpectrumInverted(index) ? -1.0 : 1.0;
    const double upper = ToneAmplitude(x, 12000.0 + side * 3000.0, kSimCodecRate);
    const double lower = ToneAmplitude(x, 12000.0 - side * 5000.0, kSimCodecRate);
    const double mirror = ToneAmplitude(x, 12000.0 - side * 3000.0, kSimCodecRate);
    EXPECT_NEAR(upper, kReferenceAmplitude * std::pow(10.0, -30.0 / 20.0), 40.0);
    EXPECT_NEAR(upper / lower, 10.0, 1.0); // 20 dB is ten times the amplitude
    EXPECT_LT(mirror, upper / 100.0);
}

INSTANTIATE_TEST_SUITE_P(Usb, UsbSceneRoad, ::testing::Values("sim-usb"));

} // namespace
} // namespace lxq::sim
