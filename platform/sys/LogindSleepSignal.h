#pragma once
// The system's own sleep and wake as the login manager announces them on the system bus: the
// signal PrepareForSleep(true) just before the computer sleeps and PrepareForSleep(false) once it
// is awake. The callback runs on a thread of this object's own. Where the system has no such bus
// (or no login manager), nothing is ever heard and nothing waits for it.

#include <atomic>
#include <functional>
#include <thread>

namespace plat::sys {

class LogindSleepSignal {
public:
    using Callback = std::function<void(bool sleeping)>;

    LogindSleepSignal() = default;
    ~LogindSleepSignal() { Stop(); }
    LogindSleepSignal(const LogindSleepSignal&) = delete;
    LogindSleepSignal& operator=(const LogindSleepSignal&) = delete;

    // Starts listening; false when there is no system bus to listen on.
    bool Start(Callback callback);
    // Stops listening; no callback runs after it returns.
    void Stop();

private:
    void Run(void* bus);

    Callback callback_;
    std::thread thread_;
    int stopEvent_ = -1;  // an eventfd that wakes the listening thread for good
};

} // namespace plat::sys
