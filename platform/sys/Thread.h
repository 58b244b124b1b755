#pragma once
// A joinable thread with a scheduling priority. Priorities are best effort: raising one above
// normal needs privileges that a normal user lacks, and then the thread simply runs at normal.

#include <functional>
#include <thread>

namespace plat::sys {

enum class ThreadPriority { Lowest, BelowNormal, Normal, AboveNormal, Highest };

class Thread {
public:
    Thread() = default;
    Thread(std::function<void()> body, ThreadPriority priority);
    ~Thread(); // joins
    Thread(Thread&&) = default;
    Thread& operator=(Thread&& other) noexcept;

    bool Joinable() const { return thread_.joinable(); }
    bool IsCurrent() const { return thread_.get_id() == std::this_thread::get_id(); }
    // Waits for the thread to end. Called on the thread itself it detaches instead.
    void Join();

private:
    std::thread thread_;
};

// Applies a priority to the calling thread (best effort).
void SetCurrentThreadPriority(ThreadPriority priority);

} // namespace plat::sys
