// The demodulator window's audio path on a sound card of files: IF blocks to the host, audio from
// the demodulator to the host and on to the speakers as the host left it, silence and fade-in,
// the clip watch, the squelch report without secondary types, and the noise measure.

#include "demod/ui/DemodWindow.h"
#include "demod/dsp/RC_DcsDecoder.h"
#include "tests/demod/dsp/SignalTestKit.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace {

using namespace demod_test;
using toolkit_test::Pump;

constexpr std::uint32_t kReceiver = 9;
constexpr int kBlocks = 8; // fewer than the 32 output buffers: no block finds none free
constexpr int kFrames = 1024;

// Stereo frames: the left channel a constant, the right channel the IF under test.
std::vector<std::int16_t> Frames(const std::function<std::int16_t(int)>& right, int frames = kBlocks * kFrames) {
    std::vector<std::int16_t> v(2 * static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        v[2 * k] = 1111;
        v[2 * k + 1] = right(k);
    }
    return v;
}

std::int16_t Tone(int k) { return static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 12000.0 * k / 48000.0)); }

// What the speakers played, buffer by buffer, as the audio object reports it.
struct Speakers {
    std::mutex mutex;
    std::condition_variable played;
    std::vector<std::int16_t> samples;
    int buffers = 0;
    static void OnPlayed(void* user, RC_AudioWave*, void* data, std::uint32_t length) {
        auto* self = static_cast<Speakers*>(user);
        {
            std::lock_guard<std::mutex> hold(self->mutex);
            const auto* p = static_cast<const std::int16_t*>(data);
            self->samples.insert(self->samples.end(), p, p + length / 2);
            ++self->buffers;
        }
        self->played.notify_all();
    }
    bool WaitFor(int count) {
        std::unique_lock<std::mutex> hold(mutex);
        return played.wait_for(hold, std::chrono::seconds(20), [&] { return buffers >= count; });
    }
};

// The sound card's own input is empty: the test hands each block to the path itself, as the
// audio thread would, so every block is seen.
class DemodAudioPathTest : public ::testing::Test {
protected:
    DemodAudioPathTest() {
        ResetApi();
        ResetHost();
    }
    ~DemodAudioPathTest() override {
        delete window_;
        Pump();
    }
    void Start() {
        auto caps = Caps();
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
        ASSERT_TRUE(window_->Started());
        window_->Wave().SetOutputCallback(&Speakers::OnPlayed, &speakers_);
    }
    void Feed(const std::vector<std::int16_t>& frames) {
        for (std::size_t at = 0; at + 2 * kFrames <= frames.size(); at += 2 * kFrames)
            window_->OnAudioBlock(frames.data() + at, 4 * kFrames);
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig rig_;
    Speakers speakers_;
    std::uint32_t mask_ = 0;
    DemodWindow* window_ = nullptr;
};

TEST_F(DemodAudioPathTest, EveryIfBlockReachesTheHostFromTheSelectedChannel) {
    const auto input = Frames(&Tone);
    Start();
    Feed(input);
    const auto blocks = Host().Of(KVR_CMD_AUDIO_BLOCK, 0);
    ASSERT_EQ(blocks.size(), static_cast<std::size_t>(kBlocks));
    for (int b = 0; b < kBlocks; ++b) {
        const HostCall& c = blocks[b];
        ASSERT_EQ(c.cbData, 2u * kFrames + 19);
        EXPECT_EQ(c.Field(0), 48000);
        EXPECT_EQ(c.Field(4), 16);
        EXPECT_EQ(c.Field(8), 1);
        EXPECT_EQ(c.Field(12), kFrames);
        for (int k : {0, 1, kFrames - 1}) {
            std::int16_t v;
            std::memcpy(&v, c.data.data() + 16 + 2 * k, 2);
            EXPECT_EQ(v, input[2 * (b * kFrames + k) + 1]) << "block " << b << " sample " << k;
        }
    }
    EXPECT_EQ(Host().Of(KVR_CMD_AUDIO_BLOCK, 1).size(), static_cast<std::size_t>(kBlocks)) << "mixed-down I/Q";
    const auto channel = Host().Of(KVR_CMD_AUDIO_BLOCK, 2);
    ASSERT_EQ(channel.size(), static_cast<std::size_t>(kBlocks));
    EXPECT_EQ(channel[0].Field(0), 24000) << "channel I/Q at the decimated rate";
    EXPECT_EQ(channel[0].Field(4), 32);
    EXPECT_EQ(channel[0].Field(12), kFrames / 2);
}

TEST_F(DemodAudioPathTest, TheSpeakersPlayWhatTheHostLeftInTheAudioBlock) {
    Host().onAudioBlock = [](std::uint32_t kind, void* block, std::uint32_t) {
        if (kind != 3) return;
        std::uint32_t n;
        std::memcpy(&n, static_cast<unsigned char*>(block) + 12, 4);
        auto* samples = reinterpret_cast<std::int16_t*>(static_cast<unsigned char*>(block) + 16);
        for (std::uint32_t k = 0; k < n; ++k) samples[k] = static_cast<std::int16_t>(k);
    };
    Start();
    Feed(Frames(&Tone));
    const auto audio = Host().Of(KVR_CMD_AUDIO_BLOCK, 3);
    ASSERT_EQ(audio.size(), static_cast<std::size_t>(kBlocks));
    EXPECT_EQ(audio[0].Field(0), 48000);
    EXPECT_EQ(audio[0].Field(8), 1) << "mono outside ISB";
    EXPECT_EQ(audio[0].Field(12), kFrames);
    EXPECT_EQ(audio[0].cbData, 2u * kFrames + 19);
    ASSERT_TRUE(speakers_.WaitFor(kBlocks));
    std::lock_guard<std::mutex> hold(speakers_.mutex);
    for (int k : {0, 1, 500, kFrames - 1}) {
        EXPECT_EQ(speakers_.samples[2 * k], k);
        EXPECT_EQ(speakers_.samples[2 * k + 1], k) << "both channels carry the mono sample";
    }
}

TEST_F(DemodAudioPathTest, SilenceWhenMutedSquelchedOrScanning) {
    const struct {
        const char* what;
        std::uint32_t code;
    } cases[] = {{"mute", KVR_NOTIFY_MUTE}, {"squelched", KVR_NOTIFY_SQUELCHED}, {"scan", KVR_NOTIFY_SCAN_MODE}};
    Host().onAudioBlock = [](std::uint32_t kind, void* block, std::uint32_t) {
        if (kind == 3) std::memset(static_cast<unsigned char*>(block) + 16, 0x11, 2 * kFrames);
    };
    Start();
    int played = 0;
    for (const auto& c : cases) {
        window_->Notify(kReceiver, c.code, 1, 0, nullptr);
        Host().Clear();
        Feed(Frames(&Tone, kFrames));
        ASSERT_TRUE(speakers_.WaitFor(++played));
        {
            std::lock_guard<std::mutex> hold(speakers_.mutex);
            EXPECT_TRUE(std::all_of(speakers_.samples.begin(), speakers_.samples.end(), [](std::int16_t v) { return v == 0; }))
                << c.what;
            speakers_.samples.clear();
        }
        EXPECT_EQ(Host().Of(KVR_CMD_AUDIO_BLOCK, 0).empty(), c.code == KVR_NOTIFY_SCAN_MODE)
            << c.what << ": only a scan hold skips the block";
        window_->Notify(kReceiver, c.code, 0, 0, nullptr);
    }
}

TEST_F(DemodAudioPathTest, AfterAScanHoldTheLevelRisesOverFiftyBlocks) {
    Host().onAudioBlock = [](std::uint32_t kind, void* block, std::uint32_t) {
        if (kind != 3) return;
        auto* samples = reinterpret_cast<std::int16_t*>(static_cast<unsigned char*>(block) + 16);
        std::fill(samples, samples + kFrames, std::int16_t{1000});
    };
    Start();
    window_->Notify(kReceiver, KVR_NOTIFY_SCAN_MODE, 1, 0, nullptr);
    Feed(Frames(&Tone, kFrames));
    window_->Notify(kReceiver, KVR_NOTIFY_SCAN_MODE, 0, 0, nullptr);
    for (int b = 0; b < 30; ++b) Feed(Frames(&Tone, kFrames)); // stays below the 32 output buffers
    ASSERT_TRUE(speakers_.WaitFor(31));
    std::lock_guard<std::mutex> hold(speakers_.mutex);
    auto first = [&](int buffer) { return speakers_.samples[2 * kFrames * buffer]; };
    EXPECT_EQ(first(0), 0) << "the held block is silent";
    EXPECT_EQ(first(1), 0) << "and so is the first block after the hold";
    for (int b = 2; b < 31; ++b) EXPECT_EQ(first(b), 1000 * (b - 1) / 50) << b;
}

TEST_F(DemodAudioPathTest, ClipWatchLightsOnlyBeyond32000) {
    Start();
    const struct {
        std::int16_t peak;
        bool clip;
    } cases[] = {{32000, false}, {-32000, false}, {32001, true}, {-32001, true}, {0, false}};
    int played = 0;
    for (const auto& c : cases) {
        Feed(Frames([&](int k) { return k == 700 ? c.peak : std::int16_t{0}; }, kFrames));
        EXPECT_EQ(window_->ClipFlag(), c.clip) << c.peak;
        ASSERT_TRUE(speakers_.WaitFor(++played));
    }
}

TEST_F(DemodAudioPathTest, WithoutSecondaryTypesAnOpenReportFollowsEachHandledOne) {
    Start();
    Feed(Frames(&Tone, 3 * kFrames));
    Pump();
    Feed(Frames(&Tone, 2 * kFrames));
    Pump();
    const auto reports = Host().Of(KVR_CMD_SQUELCHED_INFO);
    ASSERT_EQ(reports.size(), 2u) << "one report per batch: the second block waits for the first to be handled";
    for (const HostCall& r : reports) {
        EXPECT_EQ(r.dwParam, 0u);
        EXPECT_EQ(r.cbData, 28u);
    }
    EXPECT_EQ(window_->ReportPending(), 0);
}

TEST_F(DemodAudioPathTest, PowerOffDropsTheBlock) {
    Start();
    window_->Notify(kReceiver, KVR_NOTIFY_POWER, 0, 0, nullptr);
    Feed(Frames(&Tone, kFrames));
    EXPECT_TRUE(Host().Of(KVR_CMD_AUDIO_BLOCK).empty());
}

TEST(DemodNoiseMeasureTest, ACleanCarrierMeasuresNearZeroAndNoiseLarge) {
    constexpr int n = 512;
    std::vector<std::int32_t> ci(n), cq(n), ni(n), nq(n);
    std::uint32_t seed = 1;
    auto noise = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::int32_t>(seed >> 16) - 32768;
    };
    for (int k = 0; k < n; ++k) {
        ci[k] = static_cast<std::int32_t>(1e6 * std::cos(2 * M_PI * 300.0 * k / 24000.0));
        cq[k] = static_cast<std::int32_t>(1e6 * std::sin(2 * M_PI * 300.0 * k / 24000.0));
        ni[k] = noise();
        nq[k] = noise();
    }
    const float clean = DemodWindow::NoiseMeasure(ci.data(), cq.data(), n, 24000.0);
    const float noisy = DemodWindow::NoiseMeasure(ni.data(), nq.data(), n, 24000.0);
    EXPECT_LT(clean, 1e-4f);
    EXPECT_GT(noisy, 0.01f);
    EXPECT_EQ(DemodWindow::NoiseMeasure(ci.data(), cq.data(), 1, 24000.0), 0.0f) << "one sample has no step";
}

} // namespace

namespace {

struct SecondaryCase {
    int channels, bits, rate;
};

class DemodSecondaryOutputTest : public ::testing::TestWithParam<SecondaryCase> {};

// What the secondary device played, as bytes.
struct Recorder {
    std::mutex mutex;
    std::condition_variable played;
    std::vector<unsigned char> bytes;
    int buffers = 0;
    static void OnPlayed(void* user, RC_AudioWave*, void* data, std::uint32_t length) {
        auto* self = static_cast<Recorder*>(user);
        {
            std::lock_guard<std::mutex> hold(self->mutex);
            self->bytes.insert(self->bytes.end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + length);
            ++self->buffers;
        }
        self->played.notify_all();
    }
};

TEST_P(DemodSecondaryOutputTest, CarriesTheAudioInTheDevicesFormat) {
    const SecondaryCase c = GetParam();
    ResetApi();
    Host().Reset();
    Host().settings = {{KVR_NOTIFY_POWER, 1}, {KVR_NOTIFY_SCAN_MODE, 0}, {KVR_NOTIFY_SQUELCHED, 0}};
    Host().onAudioBlock = [](std::uint32_t kind, void* block, std::uint32_t) {
        if (kind != 3) return;
        auto* samples = reinterpret_cast<std::int16_t*>(static_cast<unsigned char*>(block) + 16);
        for (int k = 0; k < kFrames; ++k) samples[k] = static_cast<std::int16_t>(256 * (k % 100) - 12800);
    };
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    AudioRig rig;
    rig.backend->AddDevice(plat::audio::Direction::Playback, "Headphones", rig.folder.File("phones.wav"));
    std::uint32_t mask = 0;
    auto caps = Caps();
    auto* window = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask, DemodWindow::kPci, FAKE_API_PATH);
    RC_AudioWave& second = window->SecondaryWave();
    second.SetChannels(c.channels);
    second.SetBitsPerSample(c.bits);
    second.SetSampleRate(static_cast<std::uint32_t>(c.rate));
    second.SetOutBufferSize(8192);
    second.SetOutDevice(2); // the default entry, the speakers, then the headphones
    Recorder recorder;
    second.SetOutputCallback(&Recorder::OnPlayed, &recorder);
    ASSERT_EQ(second.Start(), 1);
    window->SetSecondaryOutput(2);
    const auto frames = Frames(&Tone, kFrames);
    window->OnAudioBlock(frames.data(), 4 * kFrames);
    {
        std::unique_lock<std::mutex> hold(recorder.mutex);
        ASSERT_TRUE(recorder.played.wait_for(hold, std::chrono::seconds(20), [&] { return recorder.buffers >= 1; }));
        const int frameBytes = c.channels * c.bits / 8;
        const int expectedFrames = kFrames * c.rate / 48000;
        EXPECT_NEAR(static_cast<int>(recorder.bytes.size()) / frameBytes, expectedFrames, 2);
        if (c.rate == 48000) {
            for (int k : {0, 1, 57, kFrames - 1}) {
                const auto v = static_cast<std::int16_t>(256 * (k % 100) - 12800);
                for (int ch = 0; ch < c.channels; ++ch) {
                    if (c.bits == 8) {
                        EXPECT_EQ(recorder.bytes[k * frameBytes + ch], static_cast<unsigned char>((v >> 8) + 128)) << k;
                    } else {
                        std::int16_t got;
                        std::memcpy(&got, &recorder.bytes[k * frameBytes + 2 * ch], 2);
                        EXPECT_EQ(got, v) << k;
                    }
                }
            }
        }
    }
    delete window;
    Pump();
}

INSTANTIATE_TEST_SUITE_P(Formats, DemodSecondaryOutputTest,
                         ::testing::Values(SecondaryCase{1, 16, 48000}, SecondaryCase{2, 16, 48000},
                                           SecondaryCase{1, 8, 48000}, SecondaryCase{2, 8, 48000},
                                           SecondaryCase{1, 16, 24000}));

} // namespace

namespace {

TEST_F(DemodAudioPathTest, AnEmptyBlockQueuesNothing) {
    Start();
    const std::int16_t frame[2] = {0, 0};
    window_->OnAudioBlock(frame, 0);
    window_->OnAudioBlock(frame, 3); // less than one stereo frame
    EXPECT_TRUE(Host().Of(KVR_CMD_AUDIO_BLOCK).empty());
}

} // namespace

namespace {

TEST_F(DemodAudioPathTest, MixerLineIsRecordedAtTheInputLevelAndGivenBackAsFound) {
    Start();
    RC_AudioMixer* mixer = window_->RecordingMixer();
    ASSERT_NE(mixer, nullptr);
    window_->Wave().SetInDevice(1); // "Line In" by itself rather than the default entry, which has no mixer
    mixer->SetDeviceFromWaveIn(window_->Wave());
    ASSERT_TRUE(mixer->IsOpen()) << "the mixer of the wave-in device";
    ASSERT_GE(mixer->SourceNames().Count(), 2u);
    mixer->SetSourceLine(1);
    const std::uint32_t found = mixer->GetVolume();

    window_->SelectMixerLine(1);
    EXPECT_EQ(mixer->SourceLine(), 1);
    EXPECT_EQ(mixer->GetVolume(), 60000u) << "the stored input level";

    mixer->SetVolume(30000); // as the user would, from outside
    Pump();
    EXPECT_EQ(window_->InputLevel(), 30000u);

    window_->SelectMixerLine(0);
    mixer->SetSourceLine(1);
    EXPECT_EQ(mixer->GetVolume(), found) << "the line left gets its own volume back";
    mixer->SetSourceLine(0);
    EXPECT_EQ(mixer->GetVolume(), 30000u);
}

} // namespace

namespace {

// A carrier 400 Hz above the IF centre for a little over one second of input.
void FeedOffsetCarrier(DemodWindow* window, Speakers& speakers, int blocks) {
    const auto block = Frames([](int k) { return static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 12400.0 * k / 48000.0)); },
                              kFrames * blocks);
    for (int b = 0; b < blocks; ++b) {
        window->OnAudioBlock(block.data() + 2 * kFrames * b, 4 * kFrames);
        ASSERT_TRUE(speakers.WaitFor(b + 1)); // keeps output buffers free
    }
}

TEST_F(DemodAudioPathTest, AfcAsksForTheCarrierOnceASecondOutsideScanning) {
    Host().settings[KVR_NOTIFY_AFC] = 1;
    Host().settings[KVR_NOTIFY_FREQUENCY] = 10000000;
    Start();
    FeedOffsetCarrier(window_, speakers_, 48); // 49152 samples: one second and a bit
    Pump();
    const auto afc = Host().Of(KVR_CMD_FREQUENCY_DEFERRED);
    ASSERT_EQ(afc.size(), 1u);
    const auto hz = static_cast<std::int32_t>(afc[0].dwParam);
    EXPECT_NE(hz, 10000000) << "a measured offset moves the frequency";
    EXPECT_NEAR(hz, 10000000, 1000);
}

TEST_F(DemodAudioPathTest, AfcStaysQuietWhenOff) {
    Host().settings[KVR_NOTIFY_AFC] = 0;
    Start();
    FeedOffsetCarrier(window_, speakers_, 48);
    Pump();
    EXPECT_TRUE(Host().Of(KVR_CMD_FREQUENCY_DEFERRED).empty());
}

} // namespace

namespace {

// Secondary squelch on FM signals made here: a carrier at the IF centre, frequency-modulated by
// a sub-audible tone, a digital code or nothing, or plain noise.
constexpr std::uint32_t kHostFmn = 2;

std::vector<std::int16_t> FmFrames(const std::function<double(double)>& deviationAt, int blocks) {
    const int frames = blocks * kFrames;
    std::vector<std::int16_t> v(2 * static_cast<std::size_t>(frames));
    double phase = 0.0;
    for (int k = 0; k < frames; ++k) {
        phase += 2 * M_PI * (12000.0 + deviationAt(k / 48000.0)) / 48000.0;
        v[2 * k] = 0;
        v[2 * k + 1] = static_cast<std::int16_t>(8000 * std::sin(phase));
    }
    return v;
}

std::vector<std::int16_t> NoiseFrames(int blocks) {
    std::uint32_t seed = 7;
    return Frames(
        [&](int) {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<std::int16_t>((static_cast<std::int32_t>(seed >> 16) - 32768) / 4);
        },
        blocks * kFrames);
}

// The 23 bits of a code's word (the first bit sent in bit 0), repeated at 134.4 bit/s.
std::function<double(double)> DcsModulation(std::uint16_t code, bool inverted) {
    std::uint32_t index = 0;
    while (RC_DcsDecoder::kCodes[index] != code) ++index;
    const std::uint32_t word = RC_DcsDecoder::CodeWord(index) ^ (inverted ? 0x7FFFFFu : 0u);
    return [word](double t) {
        const auto bit = static_cast<std::uint64_t>(t * 134.4) % 23;
        return ((word >> bit) & 1u) != 0 ? 600.0 : -600.0;
    };
}

struct Report {
    std::uint32_t bits;
    std::int32_t noise, tone, code;
};

class DemodSquelchTest : public DemodAudioPathTest {
protected:
    // FMN, with the host's squelch record: flags, noise threshold, tone (Hz), DCS code.
    void StartFm(std::uint32_t flags, std::int32_t threshold, double tone, std::int32_t code, std::int32_t voice = 0) {
        Start();
        window_->Notify(kReceiver, KVR_NOTIFY_MODE, kHostFmn, 0, nullptr);
        std::int32_t record[7] = {0, threshold, static_cast<std::int32_t>(tone * 1000.0), 0, 0, voice, code};
        window_->Notify(kReceiver, KVR_NOTIFY_SQUELCH, flags, sizeof record, record);
        Pump();
        Host().Clear();
    }
    // Block by block, each played and its report handled before the next: one report a block.
    void Run(const std::vector<std::int16_t>& frames) {
        for (std::size_t at = 0; at + 2 * kFrames <= frames.size(); at += 2 * kFrames) {
            window_->OnAudioBlock(frames.data() + at, 4 * kFrames);
            ASSERT_TRUE(speakers_.WaitFor(++played_));
            Pump();
        }
    }
    std::vector<Report> Reports() {
        std::vector<Report> out;
        for (const HostCall& c : Host().Of(KVR_CMD_SQUELCHED_INFO))
            out.push_back({c.dwParam, c.Field(4), c.Field(8), c.Field(24)});
        return out;
    }
    // Whether the last played block carried sound.
    bool LastBlockHeard() {
        std::lock_guard<std::mutex> hold(speakers_.mutex);
        const auto last = speakers_.samples.end() - 2 * kFrames;
        return std::any_of(last, speakers_.samples.end(), [](std::int16_t v) { return v != 0; });
    }

    int played_ = 0;
};

TEST_F(DemodSquelchTest, CtcssOpensOnlyForTheRequestedTone) {
    const struct {
        double requested;
        bool open;
    } cases[] = {{100.0, true}, {123.0, false}};
    const auto frames = FmFrames([](double t) { return 400.0 * std::sin(2 * M_PI * 100.0 * t); }, 50);
    for (const auto& c : cases) {
        StartFm(kSquelchCtcss, 0, c.requested, 0);
        Run(frames);
        const auto reports = Reports();
        ASSERT_EQ(reports.size(), 50u) << c.requested;
        EXPECT_EQ(reports.front().bits, 0u) << "no tone yet: the squelch stays shut";
        EXPECT_EQ(reports.back().tone, 100000) << "the tone heard, in thousandths of Hz";
        EXPECT_EQ((reports.back().bits & kSquelchCtcss) != 0, c.open) << c.requested;
        EXPECT_EQ(LastBlockHeard(), c.open) << c.requested;
        delete window_;
        window_ = nullptr;
        Pump();
    }
}

TEST_F(DemodSquelchTest, DcsMatchesTheRequestedCodeInEitherPolarity) {
    const struct {
        bool sentInverted;
        std::int32_t requested;
        bool open;
        std::int32_t reported;
    } cases[] = {
        {false, 19, true, 19},  // 023 heard and asked for
        {true, -19, true, -19}, // inverted 023 (listed as 531) asked for as -19
        {true, 19, false, 39},  // inverted 023 is also 047's word: 047 is the code of the asked polarity
        {false, 21, false, 19}, // another code
    };
    for (const auto& c : cases) {
        StartFm(kSquelchDcs, 0, 0.0, c.requested);
        Run(FmFrames(DcsModulation(023, c.sentInverted), 60));
        const auto reports = Reports();
        ASSERT_FALSE(reports.empty());
        const auto match = std::find_if(reports.begin(), reports.end(), [](const Report& r) { return r.code != 0; });
        ASSERT_NE(match, reports.end()) << "a code was recognised, requested " << c.requested;
        EXPECT_EQ(match->code, c.reported) << c.requested;
        EXPECT_EQ((reports.back().bits & kSquelchDcs) != 0, c.open) << c.requested;
        EXPECT_EQ(LastBlockHeard(), c.open) << c.requested;
        delete window_;
        window_ = nullptr;
        Pump();
    }
}

TEST_F(DemodSquelchTest, NoiseClosesAndACleanCarrierOpens) {
    const struct {
        const char* what;
        std::vector<std::int16_t> frames;
        bool open;
    } cases[] = {{"carrier", FmFrames([](double t) { return 2000.0 * std::sin(2 * M_PI * 1000.0 * t); }, 20), true},
                 {"noise", NoiseFrames(20), false}};
    for (const auto& c : cases) {
        StartFm(kSquelchNoise, 50, 0.0, 0);
        Run(c.frames);
        const auto reports = Reports();
        ASSERT_EQ(reports.size(), 20u) << c.what;
        const Report& last = reports.back();
        EXPECT_EQ(last.bits, c.open ? kSquelchNoise : 0u) << c.what;
        EXPECT_EQ(last.noise > 50, !c.open) << c.what << " at " << last.noise << " %";
        EXPECT_EQ(LastBlockHeard(), c.open) << c.what;
        delete window_;
        window_ = nullptr;
        Pump();
    }
}

TEST_F(DemodSquelchTest, InScanModeEachFrequencyIsReportedOnceAfterSettling) {
    StartFm(kSquelchNoise, 50, 0.0, 0);
    window_->Notify(kReceiver, KVR_NOTIFY_SCAN_MODE, 1, 0, nullptr);
    const auto carrier = FmFrames([](double) { return 0.0; }, 6);
    Run(carrier);
    // H = 1536 output samples: the counter starts at 1 and reaches H in the third block.
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u) << "one report for the frequency, none while settling";
    EXPECT_EQ(reports[0].bits, kSquelchNoise);
    EXPECT_EQ(window_->SettlingCounter(0), 1u + 6u * kFrames);

    window_->Notify(kReceiver, KVR_NOTIFY_FREQUENCY, 145000000 / 10, 0, nullptr);
    Host().Clear();
    Run(FmFrames([](double) { return 0.0; }, 2));
    EXPECT_TRUE(Reports().empty()) << "the new frequency settles first";
    Run(FmFrames([](double) { return 0.0; }, 2));
    EXPECT_EQ(Reports().size(), 1u);
}

} // namespace

namespace {

// The loudness of the last played block (root mean square of the left channel).
double LastBlockLevel(Speakers& speakers) {
    std::lock_guard<std::mutex> hold(speakers.mutex);
    double sum = 0.0;
    for (std::size_t k = speakers.samples.size() - 2 * kFrames; k < speakers.samples.size(); k += 2)
        sum += static_cast<double>(speakers.samples[k]) * speakers.samples[k];
    return std::sqrt(sum / kFrames);
}

std::vector<std::int16_t> AmFrames(double amplitude, int blocks) {
    return Frames(
        [amplitude](int k) {
            const double t = k / 48000.0;
            return static_cast<std::int16_t>(amplitude * (1.0 + 0.5 * std::sin(2 * M_PI * 1000.0 * t)) *
                                             std::sin(2 * M_PI * 12000.0 * t));
        },
        blocks * kFrames);
}

TEST_F(DemodSquelchTest, SoftwareAgcEvensOutStrongAndWeakSignals) {
    const struct {
        std::uint32_t speed;
        double minRatio, maxRatio;
    } cases[] = {{0, 8.0, 12.0}, {3, 0.5, 2.0}};
    for (const auto& c : cases) {
        double level[2];
        const double amplitude[2] = {4000.0, 400.0};
        for (int s = 0; s < 2; ++s) {
            Start();
            window_->SetSagcSpeed(c.speed);
            played_ = 0;
            {
                std::lock_guard<std::mutex> hold(speakers_.mutex);
                speakers_.samples.clear();
                speakers_.buffers = 0;
            }
            Run(AmFrames(amplitude[s], 25));
            level[s] = LastBlockLevel(speakers_);
            EXPECT_EQ(window_->Demodulator().agcOn, c.speed != 0);
            delete window_;
            window_ = nullptr;
            Pump();
        }
        ASSERT_GT(level[1], 0.0);
        EXPECT_GT(level[0] / level[1], c.minRatio) << "speed " << c.speed;
        EXPECT_LT(level[0] / level[1], c.maxRatio) << "speed " << c.speed;
    }
}

TEST_F(DemodSquelchTest, InAmTheNoiseSquelchJudgesTheSteadinessOfTheCarrier) {
    constexpr std::uint32_t kHostAm = 1;
    const struct {
        const char* what;
        std::vector<std::int16_t> frames;
        bool open;
    } cases[] = {{"carrier", AmFrames(4000.0, 20), true}, {"noise", NoiseFrames(20), false}};
    for (const auto& c : cases) {
        StartFm(kSquelchNoise, 50, 0.0, 0);
        window_->Notify(kReceiver, KVR_NOTIFY_MODE, kHostAm, 0, nullptr);
        Run(c.frames);
        const auto reports = Reports();
        ASSERT_FALSE(reports.empty()) << c.what;
        EXPECT_EQ(reports.back().bits, c.open ? kSquelchNoise : 0u) << c.what << " at " << reports.back().noise << " %";
        EXPECT_EQ(LastBlockHeard(), c.open) << c.what;
        delete window_;
        window_ = nullptr;
        Pump();
    }
}

TEST_F(DemodSquelchTest, WideFmPlaysTheReceiversAudioAtTheVolumeAndGain) {
    Start();
    constexpr std::uint32_t kHostFmw = 3;
    ASSERT_EQ(window_->Notify(kReceiver, KVR_NOTIFY_MODE, kHostFmw, 0, nullptr), 1);
    Host().Clear();
    const auto constant = Frames([](int) { return std::int16_t{1000}; }, kFrames);
    for (int b = 0; b < 3; ++b) Run(constant);
    EXPECT_TRUE(Host().Of(KVR_CMD_AUDIO_BLOCK, 0).empty()) << "the receiver demodulated: no IF block";
    const auto audio = Host().Of(KVR_CMD_AUDIO_BLOCK, 3);
    ASSERT_EQ(audio.size(), 3u);
    EXPECT_EQ(audio.back().Field(8), 1);
    EXPECT_EQ(audio.back().Field(12), kFrames);
    // Volume 10 of 31 and the mode's audio gain of 7.
    std::lock_guard<std::mutex> hold(speakers_.mutex);
    const std::int16_t v = speakers_.samples[speakers_.samples.size() - 2];
    EXPECT_NEAR(v, 1000.0 * 10.0 / 31.0 * 7.0, 25.0);
    EXPECT_EQ(speakers_.samples.back(), v) << "both channels";
}

TEST_F(DemodSquelchTest, IfDisplayCollectsTheGraphsPointsUntilEmptied) {
    Start();
    window_->SetIfDisplayGraph(window_, 3000);
    const auto frames = Frames(&Tone, 4 * kFrames);
    Feed(frames); // the window's queue is not served yet
    ASSERT_EQ(window_->IfDisplayFill(), 3000u);
    for (int k : {0, 1023, 1024, 2999}) EXPECT_EQ(window_->IfDisplay()[k], frames[2 * k + 1]) << k;
    Pump(); // the display message empties the buffer
    EXPECT_EQ(window_->IfDisplayFill(), 0u);
    Feed(Frames(&Tone, kFrames));
    EXPECT_EQ(window_->IfDisplayFill(), static_cast<std::uint32_t>(kFrames));
}

TEST_F(DemodSquelchTest, VoiceSquelchOpensOnSyllablesAndNotOnASteadyTone) {
    const struct {
        const char* what;
        std::function<double(double)> modulation;
        bool open;
    } cases[] = {
        {"steady tone", [](double t) { return 2000.0 * std::sin(2 * M_PI * 1000.0 * t); }, false},
        // Bursts of 150 ms with pauses of 100 ms, as syllables come.
        {"syllables", [](double t) { return std::fmod(t, 0.25) < 0.15 ? 2000.0 * std::sin(2 * M_PI * 1000.0 * t) : 0.0; }, true},
    };
    for (const auto& c : cases) {
        StartFm(kSquelchVoice, 0, 0.0, 0, 30);
        Run(FmFrames(c.modulation, 60));
        const auto reports = Reports();
        // At once, then each time another half second (24000 samples) has passed the settling
        // time: blocks 1, 25 and 49. Between decisions the host keeps the squelch as reported.
        ASSERT_EQ(reports.size(), 3u) << c.what << ": a decision every half second";
        EXPECT_EQ(reports[1].bits, 0u) << c.what << ": one judgement is not enough to open";
        EXPECT_EQ(reports[2].bits, c.open ? kSquelchVoice : 0u) << c.what;
        delete window_;
        window_ = nullptr;
        Pump();
    }
}

TEST_F(DemodAudioPathTest, TheRecordingLineIsReassertedEveryBlock) {
    Start();
    RC_AudioMixer* mixer = window_->RecordingMixer();
    window_->Wave().SetInDevice(1);
    mixer->SetDeviceFromWaveIn(window_->Wave());
    ASSERT_GE(mixer->SourceNames().Count(), 2u);
    window_->SelectMixerLine(1);
    const auto selected = mixer->SelectorValues();
    mixer->SelectRecordSource(0, 1); // someone else picks another line
    Pump();
    ASSERT_NE(mixer->SelectorValues(), selected);
    Feed(Frames(&Tone, kFrames));
    EXPECT_EQ(mixer->SelectorValues(), selected);
}

} // namespace

namespace {

TEST_F(DemodAudioPathTest, UsbCodecBlocksOf2048BytesGive768StereoFrames) {
    const struct {
        const char* what;
        std::uint32_t hostMode;
    } cases[] = {{"AM through the demodulator", 1}, {"wide FM through the resampler", 3}};
    std::vector<std::int16_t> codec(1024);
    for (std::size_t k = 0; k < codec.size(); ++k)
        codec[k] = static_cast<std::int16_t>(4000 * std::sin(2 * M_PI * 12000.0 * static_cast<double>(k) / 64000.0));
    for (const auto& c : cases) {
        auto caps = Caps("Talvenor Communications", "Q7USBv1");
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kUsb, FAKE_API_PATH);
        ASSERT_TRUE(window_->Started()) << c.what;
        Speakers speakers;
        window_->Wave().SetOutputCallback(&Speakers::OnPlayed, &speakers);
        ASSERT_EQ(window_->Notify(kReceiver, KVR_NOTIFY_MODE, c.hostMode, 0, nullptr), 1);
        Host().Clear();
        window_->OnAudioBlock(codec.data(), 2048);
        const auto audio = Host().Of(KVR_CMD_AUDIO_BLOCK, 3);
        ASSERT_EQ(audio.size(), 1u) << c.what;
        EXPECT_EQ(audio[0].Field(0), 48000) << c.what;
        EXPECT_EQ(audio[0].Field(12), 768) << c.what;
        ASSERT_TRUE(speakers.WaitFor(1));
        {
            std::lock_guard<std::mutex> hold(speakers.mutex);
            EXPECT_EQ(speakers.samples.size(), 2u * 768u) << c.what << ": 3072 bytes";
        }
        delete window_;
        window_ = nullptr;
        Pump();
    }
}

TEST_F(DemodAudioPathTest, RestoringAModesDefaultsResetsItsLengthsAndGain) {
    Start();
    AudioPathMode& mode = window_->PathSettings().modes[0];
    mode.audioFilterLength = 255;
    mode.postMixerLength = 127;
    mode.audioGain = 3.0;
    mode.noiseFilterLength = 63;
    window_->RestoreModeDefaults();
    EXPECT_EQ(mode.audioFilterLength, 511u);
    EXPECT_EQ(mode.postMixerLength, 511u);
    EXPECT_EQ(mode.noiseFilterLength, 127u);
    EXPECT_EQ(window_->Demodulator().audioGain, 7.0f);
    EXPECT_EQ(window_->Demodulator().NoiseFilter().Length(), 127u);
    EXPECT_EQ(window_->PathSettings().modes[3].sagcReference, -15.0) << "the sideband modes regulate lower";
}

// Loud audio at full drive and beyond, in every kind of mode: the speakers play the tone clipped
// (as loud as it goes, its harmonics the only distortion), never the noise an overflowing filter
// sum would make of it (it measured -3.7 dB to -40 dB). The cases a user met: NFM at 5 kHz
// deviation at volume 24 and 26, USB on a strong IF at volume 31, AM with the SAGC at medium and
// an audio gain of 9 at volume 31; and wide FM, whose filter meets the receiver's audio already
// at full scale.
TEST_F(DemodSquelchTest, LoudAudioClipsInEveryModeAndNeverTurnsToNoise) {
    constexpr std::uint32_t kHostAm = 1, kHostLsb = 4, kHostUsb = 5, kHostCw = 0, kHostFmw = 3;
    const auto fm = [](double deviation) {
        return [deviation](double t) { return 8000.0 * std::sin(2 * M_PI * 12000.0 * t - deviation / 1000.0 * std::cos(2 * M_PI * 1000.0 * t)); };
    };
    const auto ifTone = [](double hz, double amplitude) {
        return [hz, amplitude](double t) { return amplitude * std::sin(2 * M_PI * hz * t); };
    };
    const struct {
        const char* what;
        std::uint32_t mode;
        std::uint32_t volume;
        std::uint32_t sagc;
        double audioGain;
        std::function<double(double)> input; // the right channel, at 48000 Hz
        double minSinad;
        double toneHz = 1000.0; // what the speakers play
    } cases[] = {
        {"NFM 5 kHz volume 24", kHostFmn, 24, 0, 7.0, fm(5000.0), 18.0},
        {"NFM 5 kHz volume 26", kHostFmn, 26, 0, 7.0, fm(5000.0), 18.0},
        {"USB strong IF volume 31", kHostUsb, 31, 0, 7.0, ifTone(13000.0, 20000.0), 18.0},
        {"LSB strong IF volume 31", kHostLsb, 31, 0, 7.0, ifTone(11000.0, 20000.0), 18.0},
        {"CW strong IF gain 12 volume 31", kHostCw, 31, 0, 12.0, ifTone(12000.0, 20000.0), 18.0, 800.0},
        {"AM SAGC medium gain 9 volume 31", kHostAm, 31, 2, 9.0,
         [](double t) { return 16000.0 * (1.0 + 0.5 * std::sin(2 * M_PI * 1000.0 * t)) * std::sin(2 * M_PI * 12000.0 * t); },
         18.0},
        {"AM high gain volume 31", kHostAm, 31, 0, 60.0,
         [](double t) { return 2000.0 * (1.0 + 0.5 * std::sin(2 * M_PI * 1000.0 * t)) * std::sin(2 * M_PI * 12000.0 * t); },
         18.0},
        {"WFM full-scale audio volume 5", kHostFmw, 5, 0, 7.0,
         [](double t) { return std::clamp(36000.0 * std::sin(2 * M_PI * 1000.0 * t), -32767.0, 32767.0); }, 18.0},
    };
    constexpr int kRunBlocks = 30, kHeardBlocks = 12;
    for (const auto& c : cases) {
        Start();
        window_->Notify(kReceiver, KVR_NOTIFY_MODE, c.mode, 0, nullptr);
        window_->Settings().modes[window_->ModeIndex()].audioGain = c.audioGain;
        window_->SetSagcSpeed(c.sagc);
        window_->OnVolume(c.volume, false);
        Pump();
        played_ = 0;
        {
            std::lock_guard<std::mutex> hold(speakers_.mutex);
            speakers_.samples.clear();
            speakers_.buffers = 0;
        }
        Run(Frames([&](int k) { return static_cast<std::int16_t>(std::lround(c.input(k / 48000.0))); }, kRunBlocks * kFrames));
        std::vector<double> heard;
        {
            std::lock_guard<std::mutex> hold(speakers_.mutex);
            ASSERT_GE(speakers_.samples.size(), 2u * kHeardBlocks * kFrames) << c.what;
            for (std::size_t k = speakers_.samples.size() - 2 * kHeardBlocks * kFrames; k < speakers_.samples.size(); k += 2)
                heard.push_back(speakers_.samples[k]);
        }
        const double peak = std::max(-*std::min_element(heard.begin(), heard.end()), *std::max_element(heard.begin(), heard.end()));
        EXPECT_GE(peak, 32000.0) << c.what << ": meant to drive the output to full scale";
        const double sinad = dsptest::Sinad(heard, c.toneHz, 48000.0);
        EXPECT_GE(sinad, c.minSinad) << c.what;
        delete window_;
        window_ = nullptr;
        Pump();
    }
}

} // namespace
