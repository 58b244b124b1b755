#pragma once
// The codec ring's memory and the owning process's event on Linux: an anonymous memory file the
// host maps and passes to the process with the answer to the codec start, and the eventfd the
// process passed in with it. The virtual sound card's rings are made the same way.
//
// Neither may let the process harm the host. The memory's size is sealed before it is passed on,
// so a process that truncates its descriptor cannot pull pages from under the host's mapping. The
// event is the process's own descriptor, blocking or not as the process made it, and a full
// counter would block its writer: the host signals only when the counter has room and gives up
// on a write that still does not end at once, and a process that made it block once is not
// signalled again.

#include "driver/transport/CodecRing.h"

namespace lxq::host {

class MemfdRingMemory final : public transport::SharedRingMemory {
public:
    // Null when the memory cannot be created, sealed or mapped.
    static std::unique_ptr<MemfdRingMemory> Create(std::size_t length);
    ~MemfdRingMemory() override;

    std::uint8_t* Base() override { return base_; }
    std::size_t Length() const override { return length_; }
    int DuplicateHandle() const override;

private:
    MemfdRingMemory(int fd, std::uint8_t* base, std::size_t length) : fd_(fd), base_(base), length_(length) {}

    int fd_;
    std::uint8_t* base_;
    std::size_t length_;
};

class EventFdSignal final : public transport::CodecSignal {
public:
    // Takes over the descriptor; null when it is not an eventfd.
    static std::unique_ptr<EventFdSignal> Adopt(int fd);
    ~EventFdSignal() override;
    // Adds one to the counter; never waits. Called from one thread at a time.
    void Signal() override;
    // False once the process made a write block: it is not signalled any more.
    bool Answering() const { return answering_; }

private:
    explicit EventFdSignal(int fd) : fd_(fd) {}
    int fd_;
    bool answering_ = true;
};

// The services the USB transport uses for its codec stream.
transport::CodecServices HostCodecServices();

} // namespace lxq::host
