// The serial and PCI receivers at API level, through the real host: the API library tunes each to
// a station of the band, the S-meter reads the station's level, and the receiver's pin of the
// virtual sound card records the station where the receiver's IF puts it.

#include "api/Lxq745Api.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/WaveIn.h"
#include "platform/sys/Event.h"
#include "tests/system/RecordStereo.h"
#include "tests/system/SystemRig.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lxq::systemtest {
namespace {

using namespace plat::audio;

// A tone's frequency from its first and last rising zero crossings, placed between samples.
double ToneFrequency(const std::vector<std::int16_t>& x, double rate) {
    double first = -1, last = -1;
    int cycles = -1;
    for (std::size_t n = 1; n < x.size(); ++n) {
        if (!(x[n - 1] < 0 && x[n] >= 0)) continue;
        const double at = static_cast<double>(n - 1) + static_cast<double>(-x[n - 1]) / (x[n] - x[n - 1]);
        if (first < 0) first = at;
        last = at;
        ++cycles;
    }
    return cycles > 0 ? cycles * rate / (last - first) : 0.0;
}

std::uint32_t DeviceNamed(const std::string& name) {
    for (std::uint32_t id = 0; id < WaveIn::DeviceCount(); ++id) {
        WaveCaps caps{};
        if (WaveIn::GetCaps(id, caps) == Result::NoError && name == caps.name) return id;
    }
    ADD_FAILURE() << "no wave-in device \"" << name << "\"";
    return kWaveMapper;
}

// `frames` samples of the left channel of a stereo recording at 48 kHz.
std::vector<std::int16_t> Record(std::uint32_t id, std::size_t frames) {
    const std::vector<std::int16_t> stereo = RecordStereo(id, frames);
    std::vector<std::int16_t> left(stereo.size() / 2);
    for (std::size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
}

TEST(ReceiverIf, SerialAndPciReceiversDeliverTheirStationThroughTheVirtualSoundCard) {
    plat::sys::test::ScopedChannelNamespace ns("vsc-if");
    ScopedAudioBackend audio{std::make_shared<FileAudioBackend>()};
    Folder folder;
    // One carrier 3 kHz above the tuned frequency and no noise; 30 dB under the reference level.
    DriverHost host("serial,pci", "noise -200\nstation 145003000 -60 carrier\n", folder);
    ApiLibrary api;
    auto open = api.Get<std::int32_t(std::int32_t)>("OpenRadioDevice");
    auto close = api.Get<std::int32_t(std::int32_t)>("CloseRadioDevice");
    auto info = api.Get<std::int32_t(std::int32_t, void*)>("GetInfo");
    auto power = api.Get<std::int32_t(std::int32_t, std::int32_t)>("SetPower");
    auto tune = api.Get<std::int32_t(std::int32_t, std::uint32_t)>("SetFrequency");
    auto level = api.Get<std::int32_t(std::int32_t)>("GetSignalStrengthdBm");
    auto inverted = api.Get<std::int32_t(std::int32_t)>("IsSpectrumInverted");
    ASSERT_TRUE(open && close && info && power && tune && level && inverted);

    // Both stay open, so that the second open finds the other receiver.
    const std::int32_t indexes[] = {open(0), open(0)};
    std::vector<std::string> seen;
    for (const std::int32_t index : indexes) {
        ASSERT_GE(index, 1);
        RADIO_INFO_SHORT record{};
        record.size = 42;
        ASSERT_EQ(info(index, &record), 1);
        const std::string model(record.model, strnlen(record.model, sizeof record.model));
        // Pins follow the host's device order: the serial receiver was plugged first.
        const bool serial = model.find("SER") != std::string::npos;
        seen.push_back(serial ? "serial" : "pci");
        ASSERT_EQ(power(index, 1), 1);
        ASSERT_EQ(tune(index, 145'000'000), 1);
        EXPECT_NEAR(level(index), -600, 20) << model << ": the S-meter reads the station";

        const auto x = Record(DeviceNamed(serial ? "Talvenor Virtual Sound Card 1" : "Talvenor Virtual Sound Card 2"), 24000);
        ASSERT_EQ(x.size(), 24000u);
        const double expected = inverted(index) ? 9000.0 : 15000.0;
        EXPECT_NEAR(ToneFrequency(x, 48000), expected, 1.0) << model;
        double peak = 0;
        for (auto v : x) peak = std::max(peak, std::abs(static_cast<double>(v)));
        EXPECT_NEAR(peak, 16384.0 * std::pow(10.0, -30.0 / 20.0), 20.0) << model;
    }
    for (const std::int32_t index : indexes) EXPECT_EQ(close(index), 1);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"pci", "serial"}));
}

} // namespace
} // namespace lxq::systemtest
