#include "demod/audio/RC_AudioWave.h"

#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/sys/Clock.h"
#include "platform/sys/MessageBox.h"
#include "tests/platform/audio/AudioTestKit.h"
#include "tests/support/ByValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace plat::audio;
using namespace plat::audio::testing;

namespace {

constexpr std::uint32_t kBlock = 1024;
constexpr int kBlocks = 24; // fewer than the 32 output buffers, so no block can find none free

struct Boxes {
    std::vector<std::string> captions, texts;
    std::vector<std::uint32_t> styles;
    int answer = plat::sys::kIdCancel;
    plat::sys::Event shown{plat::sys::Event::Reset::Manual, false};
};
Boxes* g_boxes = nullptr;

int RecordBox(std::uint32_t, std::string_view text, std::string_view caption, std::uint32_t style) {
    g_boxes->captions.emplace_back(caption);
    g_boxes->texts.emplace_back(text);
    g_boxes->styles.push_back(style);
    g_boxes->shown.Set();
    return g_boxes->answer;
}

class AudioWaveTest : public ::testing::Test {
protected:
    AudioWaveTest() {
        g_boxes = &boxes_;
        previousHook_ = plat::sys::SetMessageBoxHook(&RecordBox);
        input_ = Ramp(kBlock / 2 * kBlocks);
        WriteWav(folder_.File("in.wav"), MakePcmFormat(1, 16, 8000), input_);
        backend_->AddDevice(Direction::Capture, "Line In", folder_.File("in.wav"));
        backend_->AddDevice(Direction::Playback, "Speakers", folder_.File("out.wav"));
        backend_->AddDevice(Direction::Playback, "Headphones", folder_.File("phones.wav"));
    }
    ~AudioWaveTest() override {
        plat::sys::SetMessageBoxHook(previousHook_);
        g_boxes = nullptr;
    }

    // The block handler of a pass-through: every recorded block is played at once.
    struct PassThrough {
        std::mutex mutex;
        std::uint32_t bytesIn = 0;
        int played = 0;
        plat::sys::Event allIn{plat::sys::Event::Reset::Manual, false};
        plat::sys::Event allPlayed{plat::sys::Event::Reset::Manual, false};
        plat::sys::Event freed{plat::sys::Event::Reset::Automatic, false};
        std::atomic<void*> watched{nullptr}; // set when this buffer has played
        plat::sys::Event watchedPlayed{plat::sys::Event::Reset::Manual, false};
        int blocksToPlay = kBlocks;
        std::uint32_t bytesExpected = kBlock * kBlocks;
    };
    static void OnInput(void* user, RC_AudioWave* wave, const void* data, std::uint32_t bytes) {
        auto* p = static_cast<PassThrough*>(user);
        if (bytes != 0) {
            void* out = wave->GetFreeOutBuffer();
            ASSERT_NE(out, nullptr);
            std::memcpy(out, data, bytes);
            wave->Write(out, bytes);
            wave->Signal();
        }
        p->bytesIn += bytes;
        if (p->bytesIn >= p->bytesExpected) p->allIn.Set();
    }
    static void OnOutput(void* user, RC_AudioWave*, void* data, std::uint32_t) {
        auto* p = static_cast<PassThrough*>(user);
        if (data == p->watched.load()) p->watchedPlayed.Set();
        if (++p->played == p->blocksToPlay) p->allPlayed.Set();
        p->freed.Set();
    }

    std::unique_ptr<RC_AudioWave> MakeWave(int direction) {
        auto wave = std::make_unique<RC_AudioWave>(1, 16, 8000, direction);
        wave->SetInBufferCount(4);
        wave->SetInBufferSize(kBlock);
        wave->SetOutBufferSize(kBlock);
        wave->SetInDevice(1); // entry 0 is the system's default device
        wave->SetOutDevice(1);
        return wave;
    }

    AudioFolder folder_;
    std::vector<std::int16_t> input_;
    Boxes boxes_;
    plat::sys::MessageBoxHook previousHook_ = nullptr;
    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock useClock_{clock_};
    std::shared_ptr<FileAudioBackend> backend_ = std::make_shared<FileAudioBackend>();
    ScopedAudioBackend scope_{backend_};
};

} // namespace

TEST_F(AudioWaveTest, RecordedBlocksPlayBackUnchanged) {
    {
        PassThrough p; // outlives the wave, whose thread calls into it until the wave stops
        auto wave = MakeWave(RC_AudioWave::kBoth);
        wave->SetInputCallback(&OnInput, &p);
        wave->SetOutputCallback(&OnOutput, &p);
        ASSERT_EQ(wave->Start(), 1);
        EXPECT_TRUE(wave->InputOpen());
        EXPECT_TRUE(wave->OutputOpen());
        EXPECT_EQ(wave->Start(), 1); // already running
        p.allIn.Wait();
        p.allPlayed.Wait();
        EXPECT_EQ(wave->Stop(), 1);
        EXPECT_FALSE(wave->InputOpen());
        EXPECT_EQ(wave->Stop(), 0);
    }
    EXPECT_EQ(ReadWav(folder_.File("out.wav")), input_);
    EXPECT_TRUE(boxes_.captions.empty());
}

TEST_F(AudioWaveTest, OwnerThreadFeedsTheSecondOutput) {
    {
        PassThrough p;
        auto wave = std::make_unique<RC_AudioWave>(1, 16, 8000, RC_AudioWave::kOutput);
        wave->SetOutBufferSize(kBlock);
        ASSERT_EQ(wave->SetOutDeviceByName("Headphones"), 2);
        p.blocksToPlay = 40; // more than the 32 buffers: played ones come back for reuse
        wave->SetOutputCallback(&OnOutput, &p);
        ASSERT_EQ(wave->Start(), 1);
        std::vector<std::int16_t> block(kBlock / 2);
        for (int i = 0; i < 40;) {
            void* out = wave->GetFreeOutBuffer();
            if (out == nullptr) {
                // All 32 are queued: wait for the audio thread to hand one back.
                p.freed.Wait();
                continue;
            }
            std::fill(block.begin(), block.end(), static_cast<std::int16_t>(i));
            std::memcpy(out, block.data(), kBlock);
            wave->Write(out, kBlock);
            ++i;
        }
        p.allPlayed.Wait();
    }
    const auto played = ReadWav(folder_.File("phones.wav"));
    ASSERT_EQ(played.size(), 40u * kBlock / 2);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(played[i * kBlock / 2], i);
}

TEST_F(AudioWaveTest, OpenFailuresRetryThenReport) {
    const struct {
        const char* name;
        Direction direction;
        const char* device;
        int failures;
        Result code;
        int answer;
        int started;
        int attempts;
        const char* caption;
        const char* text;
        std::uint32_t style;
        std::int64_t waitedMs;
    } cases[] = {
        {"input in use, given up", Direction::Capture, "Line In", 5, Result::Allocated,
         plat::sys::kIdCancel, 0, 5, "RC_AudioWave Wave-in Error",
         "The specified wave-in device is already in use.\nClose any other audio application "
         "that may use it.",
         70, 800},
        {"input in use, tried again", Direction::Capture, "Line In", 7, Result::Allocated,
         plat::sys::kIdYes, 1, 8, "RC_AudioWave Wave-in Error", nullptr, 70, 1200},
        {"input gone", Direction::Capture, "Line In", 5, Result::NoDriver, plat::sys::kIdOk, 0, 5,
         "RC_AudioWave Wave-in Error", "There is no driver installed on your system.", 0, 800},
        {"output refused", Direction::Playback, "Speakers", 5, Result::BadFormat,
         plat::sys::kIdOk, 0, 5, "RC_AudioWave Wave-out Error",
         "The specified format is not supported or cannot be translated.", 0, 800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes_.captions.clear();
        boxes_.texts.clear();
        boxes_.styles.clear();
        boxes_.answer = c.answer;
        auto wave = MakeWave(c.direction == Direction::Capture ? RC_AudioWave::kInput
                                                                : RC_AudioWave::kOutput);
        const int before = backend_->OpenAttempts(c.direction, c.device);
        backend_->FailNextOpens(c.direction, c.device, c.failures, c.code);
        const auto start = clock_.Now();
        EXPECT_EQ(wave->Start(), c.started);
        EXPECT_EQ(backend_->OpenAttempts(c.direction, c.device) - before, c.attempts);
        EXPECT_EQ(clock_.Now() - start, c.waitedMs * plat::sys::kNsPerMs); // 200 ms between tries
        ASSERT_EQ(boxes_.captions.size(), 1u);
        EXPECT_EQ(boxes_.captions[0], c.caption);
        if (c.text != nullptr) {
            EXPECT_EQ(boxes_.texts[0], c.text);
        }
        EXPECT_EQ(boxes_.styles[0], c.style);
        EXPECT_EQ(wave->InputOpen() || wave->OutputOpen(), c.started == 1);
        wave->Stop();
    }
}

TEST_F(AudioWaveTest, WithoutMessagesFailuresAreSilent) {
    auto wave = MakeWave(RC_AudioWave::kBoth);
    wave->ClearFlags(RC_AudioWave::kFlagMessages, 0);
    backend_->FailNextOpens(Direction::Capture, "Line In", 5, Result::Allocated);
    backend_->FailNextOpens(Direction::Playback, "Speakers", 5, Result::Allocated);
    EXPECT_EQ(wave->Start(), 0);
    EXPECT_TRUE(boxes_.captions.empty());
}

TEST_F(AudioWaveTest, RemovedInputIsReportedOnceAndOutputGoesOn) {
    backend_->RemoveAfterBytes(Direction::Capture, "Line In", 3 * kBlock);
    {
        PassThrough p;
        auto wave = MakeWave(RC_AudioWave::kBoth);
        p.blocksToPlay = 1000;
        wave->SetInputCallback(&OnInput, &p);
        wave->SetOutputCallback(&OnOutput, &p);
        ASSERT_EQ(wave->Start(), 1);
        boxes_.shown.Wait();
        ASSERT_EQ(boxes_.texts.size(), 1u);
        EXPECT_EQ(boxes_.texts[0],
                  "The wave-in device in use has been removed.\nYou may have to wait up to 15s "
                  "for the list of wave-in devices to be updated.");
        // Output keeps running without its input.
        EXPECT_TRUE(wave->OutputOpen());
        void* out = wave->GetFreeOutBuffer();
        ASSERT_NE(out, nullptr);
        std::memset(out, 0, kBlock);
        p.watched = out;
        wave->Write(out, kBlock);
        p.watchedPlayed.Wait(); // buffers play in order: all before it have played too
        EXPECT_EQ(wave->Stop(), 1);
    }
    // Blocks recorded before the removal was seen may be dropped with it; whatever played is the
    // start of the input, then the block written afterwards.
    const auto played = ReadWav(folder_.File("out.wav"));
    ASSERT_GE(played.size(), 2u * kBlock / 2);
    ASSERT_LE(played.size(), 4u * kBlock / 2);
    const std::size_t recorded = played.size() - kBlock / 2;
    EXPECT_TRUE(std::equal(played.begin(), played.begin() + recorded, input_.begin()));
    EXPECT_TRUE(std::all_of(played.begin() + recorded, played.end(), [](auto v) { return v == 0; }));
    EXPECT_EQ(boxes_.texts.size(), 1u);
}

TEST_F(AudioWaveTest, BufferRulesAndFormat) {
    RC_AudioWave wave(2, 16, 48000, RC_AudioWave::kOutput);
    EXPECT_EQ(lxq_test::ByValue(wave.Format().blockAlign), 4);
    EXPECT_EQ(lxq_test::ByValue(wave.Format().avgBytesPerSec), 192000u);
    EXPECT_EQ(wave.OutBufferCount(), 32u);
    EXPECT_EQ(wave.InBufferCount(), 0u);
    wave.SetOutBufferCount(31);
    EXPECT_EQ(wave.OutBufferCount(), 32u);
    wave.SetOutBufferCount(40);
    EXPECT_EQ(wave.OutBufferCount(), 40u);
    wave.SetOutBufferSize(1023);
    EXPECT_EQ(wave.OutBufferSize(), 1024u);
    wave.SetInBufferSize(1);
    EXPECT_EQ(wave.InBufferSize(), 4u);
    wave.SetBitsPerSample(12); // ignored
    wave.SetChannels(3);       // ignored
    EXPECT_EQ(lxq_test::ByValue(wave.Format().bitsPerSample), 16);
    EXPECT_EQ(lxq_test::ByValue(wave.Format().channels), 2);
    wave.SetChannels(1);
    wave.SetSampleRate(8000);
    EXPECT_EQ(lxq_test::ByValue(wave.Format().avgBytesPerSec), 16000u);
    EXPECT_EQ(wave.InDevice(), -1);
    EXPECT_EQ(wave.GetFreeOutBuffer(), nullptr); // nothing open
}

TEST_F(AudioWaveTest, DefaultEntryTogglesWithoutChangingTheDevice) {
    RC_AudioWave wave(1, 16, 8000, RC_AudioWave::kBoth);
    ASSERT_EQ(wave.OutDeviceNames().Count(), 3u);
    EXPECT_STREQ(wave.OutDeviceNames().Item(0), "Windows default");
    wave.SetOutDevice(0);
    EXPECT_EQ(wave.DeviceIdFor(0, wave.OutDeviceNames()), static_cast<long>(kWaveMapper));
    wave.SetOutDevice(2);
    EXPECT_EQ(wave.DeviceIdFor(2, wave.OutDeviceNames()), 1);

    wave.SetFlags(RC_AudioWave::kFlagNoDefaultEntry, 0);
    ASSERT_EQ(wave.OutDeviceNames().Count(), 2u);
    EXPECT_EQ(wave.OutDevice(), 1);
    EXPECT_STREQ(wave.OutDeviceNames().Item(1), "Headphones");
    EXPECT_EQ(wave.DeviceIdFor(1, wave.OutDeviceNames()), 1);

    wave.ClearFlags(RC_AudioWave::kFlagNoDefaultEntry, 0);
    EXPECT_EQ(wave.OutDevice(), 2);
    EXPECT_STREQ(wave.OutDeviceNames().Item(0), "Windows default");
}

TEST_F(AudioWaveTest, DeviceKindFollowsTheName) {
    const struct {
        const char* name;
        bool input;
        int kind;
    } cases[] = {
        {"Talvenor Virtual Card I", true, RC_AudioWave::kVirtualWave},
        {"Talvenor Virtual Card O", false, RC_AudioWave::kVirtualWave},
        {"Talvenor Virtual Card O", true, RC_AudioWave::kVirtualDevice},
        {"Talvenor Audio 2", false, RC_AudioWave::kVirtualDevice},
        {"talvenor Card I", true, RC_AudioWave::kPlain},
        {"Line In", true, RC_AudioWave::kPlain},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RC_AudioWave::KindOfName(c.name, c.input), c.kind) << c.name;
}

TEST_F(AudioWaveTest, ReEnumerationKeepsSelectionsByName) {
    RC_AudioWave wave(1, 16, 8000, RC_AudioWave::kBoth);
    wave.SetOutDeviceByName("Headphones");
    wave.SetInDeviceByName("Line In");
    backend_->AddDevice(Direction::Playback, "HDMI", folder_.File("hdmi.wav"));
    backend_->RemoveDevice(Direction::Playback, "Speakers");
    backend_->RemoveDevice(Direction::Capture, "Line In");
    wave.EnumerateDevices();
    EXPECT_STREQ(wave.OutDeviceNames().Item(static_cast<std::size_t>(wave.OutDevice())),
                 "Headphones");
    EXPECT_EQ(wave.OutDevice(), 1);
    EXPECT_EQ(wave.InDevice(), 0); // gone: the default entry
    EXPECT_EQ(wave.SetOutDeviceByName("Speakers"), -1);
}

TEST_F(AudioWaveTest, CanOpenAsksTheDevicesWithoutOpening) {
    auto wave = MakeWave(RC_AudioWave::kBoth);
    EXPECT_EQ(wave->CanOpen(), 1);
    wave->SetChannels(2); // the input file is mono
    EXPECT_EQ(wave->CanOpen(), 0);
    EXPECT_EQ(backend_->OpenAttempts(Direction::Capture, "Line In"), 2); // queries only
    // The output alone opens: the devices run, and the input's failure is reported.
    EXPECT_EQ(wave->Start(), 1);
    EXPECT_FALSE(wave->InputOpen());
    EXPECT_TRUE(wave->OutputOpen());
    ASSERT_EQ(boxes_.captions.size(), 1u);
    EXPECT_EQ(boxes_.captions[0], "RC_AudioWave Wave-in Error");
}

TEST_F(AudioWaveTest, VirtualCardWaveDeviceTakesItsOwnFormatTag) {
    backend_->AddDevice(Direction::Capture, "Talvenor Virtual Card I", folder_.File("in.wav"));
    RC_AudioWave wave(1, 16, 8000, RC_AudioWave::kInput);
    wave.SetInBufferCount(2);
    ASSERT_EQ(wave.SetInDeviceByName("Talvenor Virtual Card I"), 2);
    EXPECT_EQ(wave.InKind(), RC_AudioWave::kVirtualWave);
    EXPECT_EQ(wave.QueryVirtualFormat(RC_AudioWave::kInput), 0); // no such card answers here
    EXPECT_EQ(wave.QueryVirtualFormat(3), 0);
    // A plain sound card does not take that format, so the device refuses it.
    EXPECT_EQ(wave.Start(), 0);
    ASSERT_EQ(boxes_.texts.size(), 1u);
    EXPECT_EQ(boxes_.texts[0], "The specified format is not supported or cannot be translated.");
    wave.SetInDeviceByName("Line In");
    EXPECT_EQ(wave.InKind(), RC_AudioWave::kPlain);
    EXPECT_EQ(wave.Start(), 1);
}
