#pragma once
// The codec ring's memory and the owning process's event on Linux: an anonymous memory file the
// host maps and passes to the process with the answer to the codec start, and the eventfd the
// process passed in with it.

#include "driver/transport/CodecRing.h"

namespace lxq::host {

class MemfdRingMemory final : public transport::SharedRingMemory {
public:
    // Null when the memory cannot be created or mapped.
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
    void Signal() override;

private:
    explicit EventFdSignal(int fd) : fd_(fd) {}
    int fd_;
};

// The services the USB transport uses for its codec stream.
transport::CodecServices HostCodecServices();

} // namespace lxq::host
