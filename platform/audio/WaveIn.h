#pragma once
// A recording device: the owner queues prepared buffers, the device fills them in order, marks
// each done and sets the owner's notification event.

#include "platform/audio/AudioBackend.h"
#include "platform/sys/Event.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace plat::audio {

class WaveIn {
public:
    static std::uint32_t DeviceCount();
    static Result GetCaps(std::uint32_t id, WaveCaps& caps);
    // Opens device `id` (kWaveMapper: the default). With queryOnly only the answer is given and
    // `out` stays empty. `notify` (may be null) is set after each filled buffer.
    static Result Open(std::unique_ptr<WaveIn>& out, std::uint32_t id, const WaveFormat& format,
                       sys::Event* notify, bool queryOnly = false);
    // Stops recording and returns queued buffers first.
    ~WaveIn();
    WaveIn(const WaveIn&) = delete;
    WaveIn& operator=(const WaveIn&) = delete;

    Result Prepare(WaveHeader& header);
    // StillPlaying while the buffer is queued.
    Result Unprepare(WaveHeader& header);
    // Queues a prepared buffer; NoDriver once the device has gone.
    Result AddBuffer(WaveHeader& header);
    Result Start();
    Result Stop();
    // Stops and marks every queued buffer done (with what it holds so far).
    Result Reset();

private:
    WaveIn(std::unique_ptr<CaptureStream> stream, sys::Event* notify);
    void Run();

    std::unique_ptr<CaptureStream> stream_;
    sys::Event* notify_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<WaveHeader*> queue_;
    bool started_ = false;
    bool closing_ = false;
    bool ended_ = false;   // the source has no more data
    bool removed_ = false; // the device has gone
    bool reading_ = false;
    std::thread thread_;
};

} // namespace plat::audio
