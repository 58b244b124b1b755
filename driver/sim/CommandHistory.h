#pragma once
// The latest command bytes a simulated receiver took, for tests to look at. It is bounded: a
// simulator serving a driver host for days keeps the same few kilobytes, not one byte for every
// command it ever took.
// Not locked: the simulator that owns it guards it with its own mutex.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lxq::sim {

class CommandHistory {
public:
    static constexpr std::size_t kCapacity = 4096;

    void Add(std::uint8_t command) {
        ring_[next_] = command;
        next_ = (next_ + 1) % kCapacity;
        if (count_ < kCapacity) ++count_;
    }
    // The commands kept, oldest first.
    std::vector<std::uint8_t> Recent() const {
        std::vector<std::uint8_t> out;
        out.reserve(count_);
        const std::size_t first = (next_ + kCapacity - count_) % kCapacity;
        for (std::size_t i = 0; i < count_; ++i) out.push_back(ring_[(first + i) % kCapacity]);
        return out;
    }

private:
    std::array<std::uint8_t, kCapacity> ring_{};
    std::size_t next_ = 0;
    std::size_t count_ = 0;
};

} // namespace lxq::sim
