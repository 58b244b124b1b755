#pragma once
// An automatic-reset event whose descriptor can travel to another process (the driver host sets
// it when new codec audio is in the ring). Set from either side wakes one Wait.

namespace plat::sys {

class PassableEvent {
public:
    PassableEvent();
    ~PassableEvent();
    PassableEvent(const PassableEvent&) = delete;
    PassableEvent& operator=(const PassableEvent&) = delete;

    bool Valid() const { return fd_ >= 0; }
    // The descriptor to pass on (it stays owned by this object).
    int Descriptor() const { return fd_; }
    void Set();
    // Waits until set and resets it.
    void Wait();

private:
    int fd_;
};

} // namespace plat::sys
