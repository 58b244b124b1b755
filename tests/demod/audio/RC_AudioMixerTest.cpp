#include "demod/audio/RC_AudioMixer.h"
#include "demod/audio/RC_AudioWave.h"

#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "tests/platform/audio/AudioTestKit.h"

#include <gtest/gtest.h>

using namespace plat::audio;
using namespace plat::audio::testing;

namespace {

// Handles the messages waiting now, at most `limit` of them (a re-posted notice comes back).
int Pump(int limit = 20) {
    int handled = 0;
    plat::win::Msg msg;
    while (handled < limit && plat::win::PeekMessage(&msg, 0, 0, 0, plat::win::PM_REMOVE)) {
        plat::win::DispatchMessage(msg);
        ++handled;
    }
    return handled;
}

class AudioMixerTest : public ::testing::Test {
protected:
    AudioMixerTest() {
        WriteWav(folder_.File("in.wav"), MakePcmFormat(1, 16, 8000), Ramp(64));
        backend_->AddDevice(Direction::Capture, "Line In", folder_.File("in.wav"));
        backend_->AddDevice(Direction::Capture, "USB Audio", folder_.File("in.wav"));
        Pump();
    }
    ~AudioMixerTest() override { Pump(); }

    AudioFolder folder_;
    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock useClock_{clock_};
    std::shared_ptr<FileAudioBackend> backend_ = std::make_shared<FileAudioBackend>();
    ScopedAudioBackend scope_{backend_};
};

} // namespace

TEST_F(AudioMixerTest, SourceLineMuteVolumeAndRecordingSource) {
    RC_AudioMixer mixer;
    EXPECT_FALSE(mixer.IsOpen()); // nothing selected yet
    ASSERT_EQ(mixer.MixerNames().Count(), 2u);
    EXPECT_EQ(mixer.IsMuted(), 0); // absent controls answer 0
    mixer.SetMute(1);

    mixer.SetDeviceByName("USB Audio");
    ASSERT_TRUE(mixer.IsOpen());
    EXPECT_EQ(mixer.MixerIndex(), 1);
    ASSERT_EQ(mixer.SourceNames().Count(), 3u);
    mixer.SetSourceLine(1);
    mixer.SetMute(1);
    EXPECT_EQ(mixer.IsMuted(), 1);
    mixer.SetVolume(70000); // clipped to the mixer's range
    EXPECT_EQ(mixer.GetVolume(), 65535u);
    mixer.SetVolume(1000);
    EXPECT_EQ(mixer.GetVolume(), 1000u);

    EXPECT_EQ(mixer.SelectorValues(), (std::vector<std::uint32_t>{1, 0, 0}));
    mixer.SelectRecordSource(2, 1);
    EXPECT_EQ(mixer.SelectorValues(), (std::vector<std::uint32_t>{0, 0, 1}));
    mixer.SelectRecordSource(7, 1); // outside the source list: nothing
    EXPECT_EQ(mixer.SelectorValues(), (std::vector<std::uint32_t>{0, 0, 1}));

    // The values live in the mixer, not only in this object.
    RC_AudioMixer other;
    other.SetDeviceByName("USB Audio");
    other.SetSourceLine(1);
    EXPECT_EQ(other.IsMuted(), 1);
    EXPECT_EQ(other.GetVolume(), 1000u);
}

TEST_F(AudioMixerTest, ChangesFromElsewhereReachTheCallbacks) {
    RC_AudioMixer mixer;
    mixer.SetDeviceByName("Line In");
    mixer.SetSourceLine(0);
    int muteCalls = 0, volumeCalls = 0;
    mixer.SetSourceMuteCallback([](void* user, RC_AudioMixer*) { ++*static_cast<int*>(user); },
                                &muteCalls);
    mixer.SetSourceVolumeCallback([](void* user, RC_AudioMixer*) { ++*static_cast<int*>(user); },
                                  &volumeCalls);
    RC_AudioMixer panel; // another program's mixer panel, in effect
    panel.SetDeviceByName("Line In");
    panel.SetSourceLine(0);
    panel.SetMute(1);
    Pump();
    EXPECT_EQ(muteCalls, 1);
    EXPECT_EQ(volumeCalls, 0);
    EXPECT_EQ(mixer.IsMuted(), 1); // re-read on the notice
}

TEST_F(AudioMixerTest, DeviceChangesRescanOnlyAfterEightSeconds) {
    RC_AudioMixer mixer;
    mixer.SetDeviceByName("USB Audio");
    backend_->AddDevice(Direction::Capture, "Headset", folder_.File("in.wav"));
    backend_->RemoveDevice(Direction::Capture, "Line In");
    Pump(4); // the notices: two rescans are now waiting
    EXPECT_EQ(mixer.MixerNames().Count(), 2u);
    clock_.AdvanceMs(7999);
    Pump(2); // both re-posted, still too early
    EXPECT_STREQ(mixer.MixerNames().Item(0), "Line In");
    clock_.AdvanceMs(1);
    Pump(2);
    ASSERT_EQ(mixer.MixerNames().Count(), 2u);
    EXPECT_STREQ(mixer.MixerNames().Item(0), "USB Audio");
    EXPECT_STREQ(mixer.MixerNames().Item(1), "Headset");
    EXPECT_EQ(mixer.MixerIndex(), 0); // kept by name
    EXPECT_TRUE(mixer.IsOpen());

    backend_->RemoveDevice(Direction::Capture, "USB Audio");
    Pump(2);
    clock_.AdvanceMs(8000);
    Pump(1);
    EXPECT_FALSE(mixer.IsOpen()); // its card has gone
    EXPECT_EQ(mixer.MixerIndex(), -1);
}

TEST_F(AudioMixerTest, FollowsTheSelectedWaveInDevice) {
    RC_AudioWave wave(1, 16, 8000, RC_AudioWave::kInput);
    RC_AudioMixer mixer;
    mixer.SetFlags(RC_AudioMixer::kFlagFollowWaveIn, 0);
    wave.SetInDeviceByName("USB Audio"); // list entry 2: the default entry comes first
    mixer.SetDeviceFromWaveIn(wave);
    ASSERT_TRUE(mixer.IsOpen());
    EXPECT_EQ(mixer.MixerIndex(), 1);
}
