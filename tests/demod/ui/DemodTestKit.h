#pragma once
// A recording host, a capability block and the stand-in receiver library for tests of the
// demodulator's windows.

#include "demod/ui/HtmlHelp.h"
#include "demod/ui/KvrCodes.h"
#include "demod/ui/toolkit/RC_Button.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/sys/Module.h"
#include "tests/demod/audio/FakeReceiverApi.h"
#include "tests/platform/audio/AudioTestKit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace demod_test {

struct HostCall {
    std::int32_t instance;
    std::uint32_t code, dwParam, cbData;
    std::vector<unsigned char> data;
    std::int32_t Field(std::size_t at) const {
        std::int32_t v = 0;
        if (at + 4 <= data.size()) std::memcpy(&v, data.data() + at, 4);
        return v;
    }
};

// What the host was told, and what it answers to setting queries (code -> answer). Audio blocks
// arrive on the audio thread, so the journal is locked.
struct RecordingHost {
    std::vector<HostCall> calls;
    std::map<std::uint32_t, std::int32_t> settings;
    // Sees each audio block as the host would, and may rewrite its samples.
    std::function<void(std::uint32_t kind, void* block, std::uint32_t cbData)> onAudioBlock;
    std::mutex mutex;
    std::condition_variable changed;

    std::vector<HostCall> Of(std::uint32_t code, std::int64_t dwParam = -1) {
        std::lock_guard<std::mutex> hold(mutex);
        std::vector<HostCall> out;
        for (const HostCall& c : calls)
            if (c.code == code && (dwParam < 0 || c.dwParam == dwParam)) out.push_back(c);
        return out;
    }
    void Clear() {
        std::lock_guard<std::mutex> hold(mutex);
        calls.clear();
    }
    // Waits (bounded, so a broken path fails instead of hanging) for `count` calls of a code.
    bool WaitFor(std::uint32_t code, std::int64_t dwParam, std::size_t count) {
        std::unique_lock<std::mutex> hold(mutex);
        return changed.wait_for(hold, std::chrono::seconds(20), [&] {
            std::size_t n = 0;
            for (const HostCall& c : calls) n += c.code == code && (dwParam < 0 || c.dwParam == dwParam);
            return n >= count;
        });
    }
    void Reset() {
        std::lock_guard<std::mutex> hold(mutex);
        calls.clear();
        settings.clear();
        onAudioBlock = nullptr;
    }
};

inline RecordingHost& Host() {
    static RecordingHost host;
    return host;
}

inline std::int32_t HostCallbackFn(std::int32_t instance, std::uint32_t code, std::uint32_t dwParam,
                                   std::uint32_t cbData, void* lpData) {
    RecordingHost& host = Host();
    if (code == KVR_CMD_AUDIO_BLOCK && host.onAudioBlock) host.onAudioBlock(dwParam, lpData, cbData);
    HostCall c{instance, code, dwParam, cbData, {}};
    if (lpData != nullptr) c.data.assign(static_cast<unsigned char*>(lpData), static_cast<unsigned char*>(lpData) + cbData);
    std::int32_t answer = 0;
    {
        std::lock_guard<std::mutex> hold(host.mutex);
        host.calls.push_back(c);
        if (code == KVR_CB_GET_SETTING) {
            auto it = host.settings.find(dwParam);
            answer = it == host.settings.end() ? kKvrNone : it->second;
        }
    }
    host.changed.notify_all();
    return answer;
}

// A fresh stand-in host for a receiver that is on, not scanning, with no secondary squelch.
inline void ResetHost() {
    Host().Reset();
    Host().settings = {{KVR_NOTIFY_AFC, 0},   {KVR_NOTIFY_SQUELCHED, 0}, {KVR_NOTIFY_FREQUENCY, 0},
                       {KVR_NOTIFY_POWER, 1}, {KVR_NOTIFY_SCAN_MODE, 0}, {KVR_NOTIFY_SQUELCH, 0}};
}

// A 400-byte capability block with the texts the plug-in reads.
inline std::vector<unsigned char> Caps(const char* maker = "Talvenor Communications",
                                       const char* product = "Q7PCIv1", const char* serial = "") {
    std::vector<unsigned char> caps(400, 0);
    const std::uint32_t size = 400;
    std::memcpy(caps.data(), &size, 4);
    std::memcpy(caps.data() + 4, &size, 4);
    std::strncpy(reinterpret_cast<char*>(caps.data() + 12), maker, 31);
    std::strncpy(reinterpret_cast<char*>(caps.data() + 44), product, 31);
    std::strncpy(reinterpret_cast<char*>(caps.data() + 76), serial, 15);
    return caps;
}

// The stand-in library's state: the same instance the window's binding loads.
inline FakeApiState& Api() {
    static auto module = plat::sys::Module::Load(FAKE_API_PATH);
    return *reinterpret_cast<FakeApiStateFn>(module->Symbol("FakeApi_State"))();
}

// A stand-in receiver that opens, with a valid all-zero slope record and wide FM as asked.
inline void ResetApi(bool wideFm = true) {
    Api() = FakeApiState{};
    for (int k = 0; k < 11; ++k) Api().eeprom[216 + k] = 128;
    Api().eeprom[227] = 0x80;
    Api().eeprom[228] = 0x05;
    Api().eeprom[80] = wideFm ? 0x2 : 0x0;
}

// A sound card of files: "Line In" plays `in.wav` (stereo, 16 bits, 48000 Hz), "Speakers"
// records into `out.wav`. Offline, so blocks run as fast as the path takes them.
struct AudioRig {
    explicit AudioRig(const std::vector<std::int16_t>& frames = {}) {
        plat::audio::testing::WriteWav(folder.File("in.wav"), plat::audio::MakePcmFormat(2, 16, 48000), frames);
        backend->AddDevice(plat::audio::Direction::Capture, "Line In", folder.File("in.wav"));
        backend->AddDevice(plat::audio::Direction::Playback, "Speakers", folder.File("out.wav"));
    }
    std::vector<std::int16_t> Played() { return plat::audio::testing::ReadWav(folder.File("out.wav")); }

    plat::audio::testing::AudioFolder folder;
    std::shared_ptr<plat::audio::FileAudioBackend> backend = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend scope{backend};
};

// Presses a window's "Help" button: the topic asked for ends with `tail`.
inline ::testing::AssertionResult PressedHelpShows(RC_Button* help, const std::string& tail) {
    help->onAction.fn(help->onAction.user, help);
    const std::string topic = LastHelpRequest();
    if (topic.size() >= tail.size() && topic.compare(topic.size() - tail.size(), tail.size(), tail) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "asked for \"" << topic << "\"";
}

} // namespace demod_test
