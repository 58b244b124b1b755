#pragma once
// A playback device: the owner writes prepared buffers, the device plays them in order, marks each
// done and sets the owner's notification event.

#include "platform/audio/AudioBackend.h"
#include "platform/sys/Event.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace plat::audio {

class WaveOut {
public:
    static std::uint32_t DeviceCount();
    static Result GetCaps(std::uint32_t id, WaveCaps& caps);
    static Result Open(std::unique_ptr<WaveOut>& out, std::uint32_t id, const WaveFormat& format,
                       sys::Event* notify, bool queryOnly = false);
    // Returns queued buffers as done, then closes.
    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    Result Prepare(WaveHeader& header);
    Result Unprepare(WaveHeader& header);
    // Queues a prepared buffer for playing; NoDriver once the device has gone.
    Result Write(WaveHeader& header);
    // Marks every buffer not yet played done, without playing it.
    Result Reset();

private:
    WaveOut(std::unique_ptr<PlaybackStream> stream, sys::Event* notify);
    void Run();

    std::unique_ptr<PlaybackStream> stream_;
    sys::Event* notify_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<WaveHeader*> queue_;
    bool closing_ = false;
    bool removed_ = false;
    bool playing_ = false;
    std::thread thread_;
};

} // namespace plat::audio
