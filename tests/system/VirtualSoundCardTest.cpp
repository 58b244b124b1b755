// The virtual sound card between the driver host and the audio layer: the card's devices come and
// go with the simulated serial and PCI receivers, each pin's wave-in records its receiver's IF, and
// the demodulator's sound-card object adopts the pin's format through both kinds of format query.

#include "demod/audio/RC_AudioWave.h"
#include "driver/host/Bus.h"
#include "driver/host/DeviceKinds.h"
#include "driver/host/SimulatedKinds.h"
#include "driver/host/VirtualCardServer.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/WaveIn.h"
#include "platform/audio/VirtualCardChannel.h"
#include "platform/audio/VirtualCardWire.h"
#include "platform/audio/WaveOut.h"
#include "platform/sys/DescriptorMapping.h"
#include "platform/sys/PassableEvent.h"

#include "tests/platform/audio/AudioTestKit.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/system/RecordStereo.h"
#include "tests/support/ByValue.h"

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

using namespace plat::audio;
namespace host = lxq::host;
namespace audiokit = plat::audio::testing;

// A tone for each receiver variant, so that a pin shows whose IF it carries.
double ToneOf(const lxq::sim::SimReceiver& receiver) {
    return receiver.Variant() == lxq::sim::SimVariant::Serial ? 5000.0 : 7000.0;
}

class ToneSource final : public host::IfSource {
public:
    explicit ToneSource(double hz) : step_(2 * std::numbers::pi * hz / 48000) {}
    void Render(std::span<std::int16_t> samples) override {
        for (auto& s : samples) {
            s = static_cast<std::int16_t>(std::lround(8000 * std::sin(phase_)));
            phase_ = std::fmod(phase_ + step_, 2 * std::numbers::pi);
        }
    }

private:
    double step_;
    double phase_ = 0;
};

std::vector<std::string> Names(Direction direction) {
    std::vector<std::string> names;
    for (const auto& caps : ActiveAudioBackend()->Devices(direction)) names.emplace_back(caps.name);
    return names;
}

// Tone frequency of a recording from its zero crossings.
double Frequency(const std::vector<std::int16_t>& samples, double rate) {
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    return crossings / 2.0 * rate / static_cast<double>(samples.size());
}

class VirtualSoundCardTest : public ::testing::Test {
protected:
    VirtualSoundCardTest() {
        host::RegisterSimulatedKinds(kinds_);
        audiokit::WriteWav(folder_.File("in.wav"), MakePcmFormat(2, 16, 48000), audiokit::Ramp(64));
        files_->AddDevice(Direction::Capture, "Line In", folder_.File("in.wav"));
        files_->AddDevice(Direction::Playback, "Speakers", folder_.File("out.wav"));
        EXPECT_TRUE(card_.Start(true));
    }
    ~VirtualSoundCardTest() override {
        card_.Stop();
        bus_.RemoveAll();
    }
    void Plug(const char* kind, const char* id) {
        std::string message;
        ASSERT_TRUE(lxq::IsSuccess(bus_.Plug(kind, id, message))) << message;
    }

    // Records `frames` stereo frames from wave-in device `id`; both channels must agree.
    std::vector<std::int16_t> Record(std::uint32_t id, std::size_t frames) {
        std::vector<std::int16_t> stereo = lxq::systemtest::RecordStereo(id, frames);
        EXPECT_EQ(stereo.size(), frames * 2);
        stereo.resize(frames * 2);
        std::vector<std::int16_t> mono(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            EXPECT_EQ(stereo[2 * i], stereo[2 * i + 1]) << "frame " << i;
            mono[i] = stereo[2 * i];
        }
        return mono;
    }

    plat::sys::test::ScopedChannelNamespace ns_{"vsc-"};
    audiokit::AudioFolder folder_;
    std::shared_ptr<FileAudioBackend> files_ = std::make_shared<FileAudioBackend>();
    ScopedAudioBackend audio_{files_};
    host::DeviceKinds kinds_;
    host::Bus bus_{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds_.Make(kind, id, error);
    }};
    host::VirtualCardServer card_{host::SimulatedPins(bus_), [](std::shared_ptr<lxq::sim::SimReceiver> receiver) {
                                      return std::make_unique<ToneSource>(ToneOf(*receiver));
                                  }};
};

} // namespace

TEST_F(VirtualSoundCardTest, ListsAPinForEachSimulatedSerialAndPciReceiver) {
    EXPECT_EQ(Names(Direction::Capture), std::vector<std::string>{"Line In"}) << "no receiver, no card";
    Plug("sim-serial", "ser0");
    Plug("sim-pci", "pci0");
    EXPECT_EQ(Names(Direction::Capture),
              (std::vector<std::string>{"Talvenor Virtual Sound Card 1", "Talvenor Virtual Sound Card 1 I",
                                        "Talvenor Virtual Sound Card 2", "Talvenor Virtual Sound Card 2 I",
                                        "Line In"}));
    EXPECT_EQ(Names(Direction::Playback),
              (std::vector<std::string>{"Speakers", "Talvenor Virtual Sound Card 1", "Talvenor Virtual Sound Card 1 O",
                                        "Talvenor Virtual Sound Card 2", "Talvenor Virtual Sound Card 2 O"}));
    WaveCaps caps{};
    ASSERT_EQ(WaveIn::GetCaps(kWaveMapper, caps), Result::NoError);
    EXPECT_STREQ(caps.name, "Talvenor Virtual Sound Card 1") << "the default recording device is the first pin";
    ASSERT_EQ(WaveOut::GetCaps(kWaveMapper, caps), Result::NoError);
    EXPECT_STREQ(caps.name, "Speakers") << "the default playback device stays the loudspeaker";

    ASSERT_TRUE(lxq::IsSuccess(bus_.Unplug("ser0")));
    EXPECT_EQ(Names(Direction::Capture),
              (std::vector<std::string>{"Talvenor Virtual Sound Card 1", "Talvenor Virtual Sound Card 1 I", "Line In"}));
    ASSERT_TRUE(lxq::IsSuccess(bus_.Unplug("pci0")));
    EXPECT_EQ(Names(Direction::Capture), std::vector<std::string>{"Line In"});
}

TEST_F(VirtualSoundCardTest, EachPinRecordsItsReceiversIf) {
    Plug("sim-serial", "ser0");
    Plug("sim-pci", "pci0");
    // 0.1 s of each pin, by both of its names.
    const struct {
        std::uint32_t id;
        double hz;
    } cases[] = {{0, 5000}, {1, 5000}, {2, 7000}, {3, 7000}, {kWaveMapper, 5000}};
    for (const auto& c : cases) {
        const auto samples = Record(c.id, 4800);
        EXPECT_NEAR(Frequency(samples, 48000), c.hz, 20) << "device " << c.id;
    }
}

TEST_F(VirtualSoundCardTest, ARecordingEndsWhenItsReceiverGoes) {
    Plug("sim-pci", "pci0");
    std::unique_ptr<WaveIn> in;
    plat::sys::Event done{plat::sys::Event::Reset::Automatic, false};
    ASSERT_EQ(WaveIn::Open(in, 0, MakePcmFormat(2, 16, 48000), &done), Result::NoError);
    // The host stops the card's streams with the card (a host that ends takes them with it).
    card_.Stop();
    std::vector<std::int16_t> samples(2 * 48000);
    WaveHeader header{};
    header.data = samples.data();
    header.bufferLength = static_cast<std::uint32_t>(samples.size() * 2);
    in->Prepare(header);
    in->AddBuffer(header);
    in->Start();
    while (!(LoadHeaderFlags(header) & kHeaderDone)) done.Wait();
    EXPECT_LT(header.bytesRecorded, header.bufferLength);
    EXPECT_EQ(in->AddBuffer(header), Result::NoDriver) << "the device has gone";
    in->Reset();
    in->Unprepare(header);
}

TEST_F(VirtualSoundCardTest, TheDemodulatorAdoptsThePinsFormatThroughBothQueries) {
    Plug("sim-serial", "ser0");
    const struct {
        const char* in;
        const char* out;
        int kind;
    } cases[] = {{"Talvenor Virtual Sound Card 1", "Talvenor Virtual Sound Card 1", RC_AudioWave::kVirtualDevice},
                 {"Talvenor Virtual Sound Card 1 I", "Talvenor Virtual Sound Card 1 O", RC_AudioWave::kVirtualWave}};
    for (const auto& c : cases) {
        for (int direction : {RC_AudioWave::kInput, RC_AudioWave::kOutput}) {
            RC_AudioWave wave(1, 8, 44100, RC_AudioWave::kBoth);
            ASSERT_GE(wave.SetInDeviceByName(c.in), 0) << c.in;
            ASSERT_GE(wave.SetOutDeviceByName(c.out), 0) << c.out;
            EXPECT_EQ(wave.InKind(), c.kind);
            EXPECT_EQ(wave.OutKind(), c.kind);
            EXPECT_EQ(wave.VirtualCardOpen(), c.kind == RC_AudioWave::kVirtualDevice);
            EXPECT_EQ(wave.QueryVirtualFormat(direction), 1) << c.in << " direction " << direction;
            const WaveFormat f = wave.Format();
            EXPECT_EQ(lxq_test::ByValue(f.bitsPerSample), 16);
            EXPECT_EQ(lxq_test::ByValue(f.channels), 2);
            EXPECT_EQ(lxq_test::ByValue(f.samplesPerSec), 48000u);
            EXPECT_EQ(lxq_test::ByValue(f.avgBytesPerSec), 192000u);
            EXPECT_EQ(wave.QueryVirtualFormat(0), 0);
        }
    }

    // A plain device, and a pin whose receiver has gone, answer nothing and change nothing.
    RC_AudioWave plain(1, 8, 44100, RC_AudioWave::kInput);
    ASSERT_GE(plain.SetInDeviceByName("Line In"), 0);
    EXPECT_EQ(plain.QueryVirtualFormat(RC_AudioWave::kInput), 0);
    EXPECT_FALSE(plain.VirtualCardOpen());
    RC_AudioWave orphan(1, 8, 44100, RC_AudioWave::kInput);
    ASSERT_GE(orphan.SetInDeviceByName("Talvenor Virtual Sound Card 1"), 0);
    ASSERT_TRUE(lxq::IsSuccess(bus_.Unplug("ser0")));
    EXPECT_EQ(orphan.QueryVirtualFormat(RC_AudioWave::kInput), 0);
    EXPECT_EQ(lxq_test::ByValue(orphan.Format().bitsPerSample), 8);
    EXPECT_EQ(lxq_test::ByValue(orphan.Format().samplesPerSec), 44100u);
}

TEST_F(VirtualSoundCardTest, TheCardRefusesRequestsItCannotServeAndNeverTrustsTheReader) {
    Plug("sim-serial", "ser0");
    const auto paths = VirtualCardInterfaces();
    ASSERT_EQ(paths.size(), 1u);
    VirtualCardHandle unknown;
    EXPECT_NE(unknown.Open(paths[0] + "\\elsewhere"), 0u) << "only the two reference paths open";

    VirtualCardHandle card;
    ASSERT_EQ(card.Open(paths[0] + vsc::kCaptureReference), 0u);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const struct {
        const char* what;
        vsc::StreamStart start;
        bool eventfd;
    } refused[] = {
        {"a pin that is not there", {1, 4096}, true},
        {"an empty ring", {0, 0}, true},
        {"a ring of half a sample", {0, 4095}, true},
        {"a ring beyond the limit", {0, vsc::kMaxRingBytes + 2}, true},
        {"a descriptor that is no event", {0, 4096}, false},
    };
    for (const auto& r : refused) {
        plat::sys::PassableEvent event;
        int memory = -1;
        EXPECT_EQ(card.Control(vsc::kIoctlStream, &r.start, sizeof r.start, nullptr, 0, nullptr,
                               r.eventfd ? event.Descriptor() : pipeFds[1], &memory),
                  plat::sys::wire::kStatusInvalidParameter)
            << r.what;
        EXPECT_EQ(memory, -1) << r.what;
    }
    close(pipeFds[0]);
    close(pipeFds[1]);
    const std::uint32_t wrongRequest[2] = {7, 0};
    vsc::PinAnswer answer{};
    EXPECT_NE(card.Control(vsc::kIoctlPin, wrongRequest, sizeof wrongRequest, &answer, sizeof answer, nullptr), 0u);

    // A reader that writes nonsense into its read index: the card goes on filling the ring
    // within its bounds.
    plat::sys::PassableEvent event;
    const vsc::StreamStart start{0, 4096};
    int memory = -1;
    ASSERT_EQ(card.Control(vsc::kIoctlStream, &start, sizeof start, nullptr, 0, nullptr, event.Descriptor(), &memory), 0u);
    auto ring = plat::sys::DescriptorMapping::Map(memory, vsc::kRingHeaderSize + 4096);
    ASSERT_TRUE(ring);
    auto* header = reinterpret_cast<vsc::RingHeader*>(ring->Base());
    for (std::uint64_t scribble : {std::uint64_t{4097}, std::uint64_t{3}, ~std::uint64_t{0}}) {
        std::atomic_ref(header->readIndex).store(scribble);
        const std::uint64_t before = std::atomic_ref(header->writeIndex).load();
        event.Wait();
        event.Wait(); // a whole feeding period after the scribble
        const std::uint64_t after = std::atomic_ref(header->writeIndex).load();
        EXPECT_LT(after, 4096u) << scribble;
        EXPECT_EQ(after % 2, 0u) << scribble;
        EXPECT_NE(after, before) << scribble << ": the stream goes on";
    }
}

// A reader that attacks its own stream through what it shares with the host: a write index far
// beyond the ring, its memory truncated, its event blocking and full. The card neither faults nor
// stops, and the other reader of the same pin hears its IF throughout.
TEST(VirtualSoundCardAbuse, AHostileReaderHarmsNeitherTheCardNorOtherReaders) {
    plat::sys::test::ScopedChannelNamespace ns{"vsc-abuse-"};
    host::DeviceKinds kinds;
    host::RegisterSimulatedKinds(kinds);
    host::Bus bus{[&kinds](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    host::VirtualCardServer card{host::SimulatedPins(bus), [](std::shared_ptr<lxq::sim::SimReceiver> receiver) {
                                     return std::make_unique<ToneSource>(ToneOf(*receiver));
                                 }};
    ASSERT_TRUE(card.Start(false)); // fed below, one step at a time
    std::string message;
    ASSERT_TRUE(lxq::IsSuccess(bus.Plug("sim-serial", "ser0", message))) << message;
    const auto paths = VirtualCardInterfaces();
    ASSERT_EQ(paths.size(), 1u);

    constexpr std::uint32_t kRing = 48000;
    struct Reader {
        VirtualCardHandle handle;
        std::unique_ptr<plat::sys::DescriptorMapping> ring;
        int memory = -1;
        vsc::RingHeader* Header() { return reinterpret_cast<vsc::RingHeader*>(ring->Base()); }
    };
    auto start = [&](Reader& reader, int event) {
        ASSERT_EQ(reader.handle.Open(paths[0] + vsc::kCaptureReference), 0u);
        const vsc::StreamStart request{0, kRing};
        ASSERT_EQ(reader.handle.Control(vsc::kIoctlStream, &request, sizeof request, nullptr, 0, nullptr, event,
                                        &reader.memory),
                  0u);
        reader.ring = plat::sys::DescriptorMapping::Map(dup(reader.memory), vsc::kRingHeaderSize + kRing);
        ASSERT_TRUE(reader.ring);
    };
    plat::sys::PassableEvent goodEvent;
    const int hostileEvent = eventfd(0, EFD_CLOEXEC); // blocking, as a hostile reader may pass it
    Reader good, hostile;
    start(good, goodEvent.Descriptor());
    start(hostile, hostileEvent);
    ASSERT_EQ(card.StreamCount(), 2u);
    {
        // More streams on one handle, each with a ring of its own, would let one reader take
        // the host's memory: refused.
        plat::sys::PassableEvent more;
        const vsc::StreamStart request{0, vsc::kMaxRingBytes};
        int memory = -1;
        EXPECT_EQ(hostile.handle.Control(vsc::kIoctlStream, &request, sizeof request, nullptr, 0, nullptr,
                                         more.Descriptor(), &memory),
                  0xC000009Au);
        EXPECT_EQ(memory, -1);
        EXPECT_EQ(card.StreamCount(), 2u);
    }
    {
        // And more connections than the card serves are let go at once.
        std::vector<std::unique_ptr<VirtualCardHandle>> crowd;
        std::size_t opened = 0;
        for (std::size_t i = 0; i < host::VirtualCardServer::kMaxConnections + 8; ++i) {
            crowd.push_back(std::make_unique<VirtualCardHandle>());
            opened += crowd.back()->Open(paths[0] + vsc::kCaptureReference) == 0 ? 1 : 0;
        }
        EXPECT_EQ(opened, host::VirtualCardServer::kMaxConnections - 2) << "two are the readers'";
    }

    std::uint64_t heard = 0;
    auto feedAndListen = [&](const char* what) {
        const std::uint64_t before = std::atomic_ref(good.Header()->writeIndex).load();
        card.Feed(480);
        const std::uint64_t after = std::atomic_ref(good.Header()->writeIndex).load();
        EXPECT_EQ((after + kRing - before) % kRing, 960u) << what << ": the other reader hears 10 ms more";
        std::atomic_ref(good.Header()->readIndex).store(after);
        const std::uint64_t hostileWrite = std::atomic_ref(hostile.Header()->writeIndex).load();
        EXPECT_LT(hostileWrite, kRing) << what << ": the host wrote its own index back";
        heard += 480;
    };

    for (std::uint64_t index : {std::uint64_t{1} << 40, std::uint64_t{1} << 52, std::uint64_t{kRing} + 1}) {
        std::atomic_ref(hostile.Header()->writeIndex).store(index);
        feedAndListen("a write index beyond the ring");
    }

    EXPECT_NE(ftruncate(hostile.memory, 0), 0) << "the ring's size is sealed";
    feedAndListen("a truncated ring");

    std::uint64_t pending = 0;
    ASSERT_EQ(read(hostileEvent, &pending, sizeof pending), static_cast<ssize_t>(sizeof pending));
    const std::uint64_t full = std::numeric_limits<std::uint64_t>::max() - 1;
    ASSERT_EQ(write(hostileEvent, &full, sizeof full), static_cast<ssize_t>(sizeof full));
    feedAndListen("a blocking event that is full");
    feedAndListen("a blocking event that is full, again");
    EXPECT_EQ(heard, 480u * 6);

    card.Stop(); // and the card still stops
    close(hostile.memory);
    close(good.memory);
    close(hostileEvent);
}
