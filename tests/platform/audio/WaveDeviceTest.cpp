#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/NullAudioBackend.h"
#include "platform/audio/WaveIn.h"
#include "platform/audio/WaveOut.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"

#include "tests/platform/audio/AudioTestKit.h"

#include <cstring>
#include <vector>

using namespace plat::audio;
using namespace plat::audio::testing;
using plat::sys::Event;

namespace {

constexpr std::uint32_t kBlock = 256; // bytes

class WaveDeviceTest : public ::testing::Test {
protected:
    WaveDeviceTest() {
        format_ = MakePcmFormat(1, 16, 8000);
        input_ = Ramp(kBlock / 2 * 5); // five whole blocks
        WriteWav(folder_.File("in.wav"), format_, input_);
        backend_->AddDevice(Direction::Capture, "Line In", folder_.File("in.wav"));
        backend_->AddDevice(Direction::Playback, "Speakers", folder_.File("out.wav"));
    }

    struct Buffers {
        explicit Buffers(std::size_t count) : bytes(count * kBlock), headers(count) {
            for (std::size_t i = 0; i < count; ++i) {
                headers[i].data = bytes.data() + i * kBlock;
                headers[i].bufferLength = kBlock;
            }
        }
        std::vector<unsigned char> bytes;
        std::vector<WaveHeader> headers;
    };

    // Waits until the header is done; each completion sets the event.
    static void WaitDone(Event& event, const WaveHeader& h) {
        while (!(LoadHeaderFlags(h) & kHeaderDone)) event.Wait();
    }

    AudioFolder folder_;
    WaveFormat format_{};
    std::vector<std::int16_t> input_;
    std::shared_ptr<FileAudioBackend> backend_ = std::make_shared<FileAudioBackend>();
    ScopedAudioBackend scope_{backend_};
    Event event_{Event::Reset::Automatic, false};
};

} // namespace

TEST_F(WaveDeviceTest, ListsDevicesWithTheirFormats) {
    ASSERT_EQ(WaveIn::DeviceCount(), 1u);
    ASSERT_EQ(WaveOut::DeviceCount(), 1u);
    WaveCaps caps{};
    ASSERT_EQ(WaveIn::GetCaps(0, caps), Result::NoError);
    EXPECT_STREQ(caps.name, "Line In");
    EXPECT_EQ(caps.nativeFormat.samplesPerSec, 8000u);
    EXPECT_EQ(WaveIn::GetCaps(kWaveMapper, caps), Result::NoError);
    EXPECT_EQ(WaveOut::GetCaps(1, caps), Result::BadDeviceId);
}

TEST_F(WaveDeviceTest, RecordsTheFileInOrderThenReportsItsEnd) {
    std::unique_ptr<WaveIn> in;
    ASSERT_EQ(WaveIn::Open(in, 0, format_, &event_), Result::NoError);
    Buffers b(2);
    for (auto& h : b.headers) {
        ASSERT_EQ(in->Prepare(h), Result::NoError);
        ASSERT_EQ(in->AddBuffer(h), Result::NoError);
    }
    EXPECT_EQ(in->AddBuffer(b.headers[0]), Result::StillPlaying);
    EXPECT_EQ(in->Unprepare(b.headers[0]), Result::StillPlaying);
    ASSERT_EQ(in->Start(), Result::NoError);

    std::vector<std::int16_t> recorded;
    for (int block = 0; block < 6; ++block) {
        WaveHeader& h = b.headers[block % 2];
        WaitDone(event_, h);
        const auto* s = static_cast<const std::int16_t*>(h.data);
        recorded.insert(recorded.end(), s, s + h.bytesRecorded / 2);
        if (block < 5) EXPECT_EQ(h.bytesRecorded, kBlock) << block;
        else EXPECT_EQ(h.bytesRecorded, 0u); // the source has ended
        ASSERT_EQ(in->AddBuffer(h), Result::NoError);
    }
    EXPECT_EQ(recorded, input_);
    ASSERT_EQ(in->Reset(), Result::NoError);
    for (auto& h : b.headers) EXPECT_EQ(LoadHeaderFlags(h) & kHeaderInQueue, 0u);
}

TEST_F(WaveDeviceTest, RefusesWhatTheDeviceCannotDo) {
    std::unique_ptr<WaveIn> in;
    EXPECT_EQ(WaveIn::Open(in, 0, MakePcmFormat(2, 16, 8000), nullptr), Result::BadFormat);
    EXPECT_EQ(WaveIn::Open(in, 3, format_, nullptr), Result::BadDeviceId);
    EXPECT_EQ(WaveIn::Open(in, 0, format_, nullptr, true), Result::NoError);
    EXPECT_EQ(in, nullptr); // a format query opens nothing
    ASSERT_EQ(WaveIn::Open(in, 0, format_, nullptr), Result::NoError);
    std::unique_ptr<WaveIn> second;
    EXPECT_EQ(WaveIn::Open(second, 0, format_, nullptr), Result::Allocated);
    WaveHeader unprepared{};
    EXPECT_EQ(in->AddBuffer(unprepared), Result::Unprepared);
}

TEST_F(WaveDeviceTest, ScriptedOpenFailuresRunOut) {
    backend_->FailNextOpens(Direction::Playback, "Speakers", 2, Result::Allocated);
    std::unique_ptr<WaveOut> out;
    EXPECT_EQ(WaveOut::Open(out, 0, format_, nullptr), Result::Allocated);
    EXPECT_EQ(WaveOut::Open(out, 0, format_, nullptr), Result::Allocated);
    EXPECT_EQ(WaveOut::Open(out, 0, format_, nullptr), Result::NoError);
    EXPECT_EQ(backend_->OpenAttempts(Direction::Playback, "Speakers"), 3);
}

TEST_F(WaveDeviceTest, RemovedInputDeliversItsLastBlockThenRefusesBuffers) {
    backend_->RemoveAfterBytes(Direction::Capture, "Line In", kBlock * 2);
    std::unique_ptr<WaveIn> in;
    ASSERT_EQ(WaveIn::Open(in, 0, format_, &event_), Result::NoError);
    Buffers b(3);
    for (auto& h : b.headers) {
        in->Prepare(h);
        in->AddBuffer(h);
    }
    in->Start();
    WaitDone(event_, b.headers[1]);
    EXPECT_EQ(b.headers[1].bytesRecorded, kBlock);
    EXPECT_EQ(in->AddBuffer(b.headers[0]), Result::NoDriver);
    EXPECT_EQ(LoadHeaderFlags(b.headers[2]) & kHeaderDone, 0u); // never filled
    in->Reset();
    EXPECT_NE(LoadHeaderFlags(b.headers[2]) & kHeaderDone, 0u); // handed back by the reset
}

TEST_F(WaveDeviceTest, PlayedBuffersMakeTheOutputFile) {
    {
        std::unique_ptr<WaveOut> out;
        ASSERT_EQ(WaveOut::Open(out, 0, format_, &event_), Result::NoError);
        Buffers b(2);
        std::memcpy(b.bytes.data(), input_.data(), 2 * kBlock);
        b.headers[1].bufferLength = 100; // a short last buffer plays only its length
        for (auto& h : b.headers) {
            out->Prepare(h);
            ASSERT_EQ(out->Write(h), Result::NoError);
        }
        WaitDone(event_, b.headers[1]);
        EXPECT_EQ(out->Unprepare(b.headers[1]), Result::NoError);
    }
    std::vector<std::int16_t> expected(input_.begin(), input_.begin() + (kBlock + 100) / 2);
    EXPECT_EQ(ReadWav(folder_.File("out.wav")), expected);
}

TEST_F(WaveDeviceTest, ADeviceOpenedAgainKeepsWhatItPlayedBeforeAndAnEarlierRunsFileGoes) {
    // A file from an earlier run is replaced, as before.
    WriteWav(folder_.File("out.wav"), format_, Ramp(64, 999));
    auto play = [&](std::size_t from, std::size_t blocks) {
        std::unique_ptr<WaveOut> out;
        ASSERT_EQ(WaveOut::Open(out, 0, format_, &event_), Result::NoError);
        Buffers b(blocks);
        std::memcpy(b.bytes.data(), input_.data() + from * kBlock / 2, blocks * kBlock);
        for (auto& h : b.headers) {
            out->Prepare(h);
            ASSERT_EQ(out->Write(h), Result::NoError);
        }
        WaitDone(event_, b.headers.back());
    };
    // Three opens, as a demodulator restarted twice opens its loudspeaker.
    play(0, 2);
    play(2, 1);
    play(3, 2);
    EXPECT_EQ(ReadWav(folder_.File("out.wav")), input_) << "every block of every open, in order";
    EXPECT_FALSE(std::filesystem::exists(folder_.File("out.wav.tmp")));
}

TEST_F(WaveDeviceTest, PacedDevicesKeepRealTimeOnTheClock) {
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock useClock(clock);
    auto paced = std::make_shared<FileAudioBackend>(FileAudioBackend::Pacing::RealTime);
    paced->AddDevice(Direction::Capture, "Line In", folder_.File("in.wav"));
    ScopedAudioBackend scope(paced);
    const auto start = clock.Now();
    std::unique_ptr<WaveIn> in;
    ASSERT_EQ(WaveIn::Open(in, 0, format_, &event_), Result::NoError);
    Buffers b(1);
    in->Prepare(b.headers[0]);
    in->AddBuffer(b.headers[0]);
    in->Start();
    WaitDone(event_, b.headers[0]);
    // 256 bytes of 16-bit mono at 8 kHz last 16 ms.
    EXPECT_EQ(clock.Now() - start, 16 * plat::sys::kNsPerMs);
}

TEST_F(WaveDeviceTest, NullDevicesRecordSilenceAndSwallowPlayback) {
    ScopedAudioBackend scope(std::make_shared<NullAudioBackend>());
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock useClock(clock);
    std::unique_ptr<WaveIn> in;
    ASSERT_EQ(WaveIn::Open(in, kWaveMapper, format_, &event_), Result::NoError);
    Buffers b(1);
    std::memset(b.bytes.data(), 0x55, kBlock);
    in->Prepare(b.headers[0]);
    in->AddBuffer(b.headers[0]);
    in->Start();
    WaitDone(event_, b.headers[0]);
    EXPECT_EQ(b.headers[0].bytesRecorded, kBlock);
    EXPECT_EQ(std::count(b.bytes.begin(), b.bytes.end(), 0), static_cast<long>(kBlock));
}

TEST_F(WaveDeviceTest, DeviceChangesReachRegisteredWindows) {
    using namespace plat::win;
    static std::vector<WParam> events;
    events.clear();
    const Hwnd window = CreateMessageWindow([](Hwnd, std::uint32_t msg, WParam w, LParam) -> LResult {
        if (msg == WM_DEVICECHANGE) events.push_back(w);
        return 0;
    });
    const std::uint32_t registration = RegisterDeviceNotification(window);
    ASSERT_NE(registration, 0u);
    backend_->AddDevice(Direction::Capture, "USB Audio", folder_.File("in.wav"));
    backend_->RemoveDevice(Direction::Capture, "Line In");
    Msg msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessage(msg);
    EXPECT_EQ(events, (std::vector<WParam>{kDeviceNodesChanged, kDeviceArrival,
                                           kDeviceNodesChanged, kDeviceRemoveComplete}));
    WaveCaps caps{};
    ASSERT_EQ(WaveIn::GetCaps(0, caps), Result::NoError);
    EXPECT_STREQ(caps.name, "USB Audio");
    EXPECT_TRUE(UnregisterDeviceNotification(registration));
    EXPECT_FALSE(UnregisterDeviceNotification(registration));
    DestroyWindow(window);
}

TEST(AudioBackendChoice, EnvironmentNamesTheBackEndAndItsFiles) {
    AudioFolder folder;
    WriteWav(folder.File("in.wav"), MakePcmFormat(1, 16, 8000), Ramp(16));
    const struct {
        const char* kind;
        const char* firstInput;
        std::size_t mixers;
    } cases[] = {{"null", "Null input", 1}, {"file", "File input", 1}};
    for (const auto& c : cases) {
        setenv("LXQ745_AUDIO", c.kind, 1);
        setenv("LXQ745_AUDIO_IN", folder.File("in.wav").c_str(), 1);
        setenv("LXQ745_AUDIO_OUT", folder.File("out.wav").c_str(), 1);
        auto backend = MakeBackendFromEnvironment();
        const auto inputs = backend->Devices(Direction::Capture);
        ASSERT_EQ(inputs.size(), 1u) << c.kind;
        EXPECT_STREQ(inputs[0].name, c.firstInput);
        EXPECT_EQ(backend->Mixers().size(), c.mixers);
        EXPECT_EQ(backend->MixerOfWaveIn(0), 0);
    }
    unsetenv("LXQ745_AUDIO");
    unsetenv("LXQ745_AUDIO_IN");
    unsetenv("LXQ745_AUDIO_OUT");
}
