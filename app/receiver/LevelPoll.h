#pragma once
// The signal-level poll on a thread of its own. A receiver that stops answering (asleep, its host
// stopped) holds a request for the whole request time-out; asked on the user-interface thread,
// that would freeze the panel every 20 ms. Here the measurement runs on the worker and its
// reading is posted to the receiver component's window.
//
// Threads: the owner (the user-interface thread) starts measurements and takes readings; the
// worker only runs the measurement it was handed, which must touch nothing but the API library's
// thread-safe exports, and posts a message. The owner's thread must not hold what the measurement
// needs while it destroys the poll: the destructor waits for a measurement under way.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/win/Types.h"

namespace lxq {

struct LevelReading {
    std::uint32_t generation = 0; // which opening of the receiver it belongs to
    std::int32_t raw = 0;
    std::uint32_t rssi = 0;
    std::int32_t tenths = 0; // the library's level of the same measurement, in tenths of dBm
    bool connected = true;   // the library's word on the receiver, asked with the measurement
};

class LevelPoll {
public:
    using Measure = std::function<LevelReading()>;

    // Readings are announced by posting `message` to `window`.
    LevelPoll(plat::win::Hwnd window, std::uint32_t message);
    ~LevelPoll();
    LevelPoll(const LevelPoll&) = delete;
    LevelPoll& operator=(const LevelPoll&) = delete;

    // Starts a measurement on the worker; false while the previous one is still under way (its
    // reading comes first).
    bool Start(Measure measure);
    // The reading whose message came, once.
    std::optional<LevelReading> Take();
    bool Busy() const;

private:
    void Run();

    const plat::win::Hwnd window_;
    const std::uint32_t message_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    Measure job_;                 // handed over, not yet started
    bool running_ = false;        // a measurement is under way
    bool stop_ = false;
    std::optional<LevelReading> reading_;
    std::thread worker_;
};

} // namespace lxq
