#pragma once
// What wave-in and wave-out have in common: a queue of the owner's buffers served in order by a
// thread of the device, each handed back done with the owner's event set; a reset that hands back
// every buffer not yet served; the device's removal, after which no buffer is taken.

#include "platform/audio/WaveTypes.h"
#include "platform/sys/Event.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace plat::audio {

class WaveDevice {
public:
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    Result Prepare(WaveHeader& header) { return PrepareHeader(header); }
    Result Unprepare(WaveHeader& header) { return UnprepareHeader(header); }
    // Hands back every queued buffer without serving it.
    Result Reset();

protected:
    explicit WaveDevice(sys::Event* notify) : notify_(notify) {}
    // The derived destructor calls Close before its stream goes.
    virtual ~WaveDevice() = default;
    void Open();
    void Close();
    // Queues a prepared buffer; NoDriver once the device has gone.
    Result Queue(WaveHeader& header);
    // Whether the device takes buffers now (called under the lock).
    virtual bool Ready() const { return true; }
    // Whether buffers queued before the removal still come back (served as gone), or wait for
    // a reset.
    virtual bool DrainsAfterRemoval() const { return false; }
    // Serves one buffer, without the lock; `bytes` is what the buffer holds afterwards.
    virtual Result Serve(WaveHeader& header, bool deviceGone, std::uint32_t& bytes) = 0;
    // Under the lock after serving.
    virtual void Served(Result result, const WaveHeader& header, std::uint32_t bytes) {
        (void)result, (void)header, (void)bytes;
    }
    // Waits until no buffer is being served; the caller holds `lock`.
    void WaitIdle(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable cv_;

private:
    void Run();

    sys::Event* notify_;
    std::deque<WaveHeader*> queue_;
    bool closing_ = false;
    bool removed_ = false;
    bool busy_ = false;
    std::thread thread_;
};

} // namespace plat::audio
