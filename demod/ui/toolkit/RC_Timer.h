#pragma once
// A repeating timer of the user-interface thread: its callback runs from that thread's message
// loop. All running timers are kept in one list so that the shared timer procedure can find the
// one that fired.

#include <cstdint>

class RC_Timer {
public:
    using Callback = void (*)(void* user, RC_Timer* timer);

    RC_Timer(std::uint32_t intervalMs, Callback callback, void* user);
    ~RC_Timer();
    RC_Timer(const RC_Timer&) = delete;
    RC_Timer& operator=(const RC_Timer&) = delete;

    // Restarts the timer; an interval of 0 leaves it stopped.
    void Start();
    void Stop();
    // The same interval does nothing; a running timer restarts with the new one.
    void SetInterval(std::uint32_t intervalMs);
    void SetCallback(Callback callback, void* user);

    bool Running() const { return id_ != 0; }
    std::uint32_t Interval() const { return intervalMs_; }

private:
    static void Fired(std::uint32_t hwnd, std::uint32_t msg, std::uintptr_t id, std::uint32_t timeMs);
    void Unlink();

    std::uintptr_t id_ = 0;
    std::uint32_t intervalMs_;
    Callback callback_;
    void* user_;
    RC_Timer* next_ = nullptr;
};
