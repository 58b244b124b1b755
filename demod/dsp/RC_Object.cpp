#include "demod/dsp/RC_Object.h"

#include <mutex>

int RC_Object::SetFlags(std::uint32_t bitsA, std::uint32_t bitsB) { return Change(bitsA, bitsB, 0, 0); }

int RC_Object::ClearFlags(std::uint32_t bitsA, std::uint32_t bitsB) { return Change(0, 0, bitsA, bitsB); }

int RC_Object::Change(std::uint32_t setA, std::uint32_t setB, std::uint32_t clearA, std::uint32_t clearB) {
    const auto next = [&](std::uint32_t word, std::uint32_t set, std::uint32_t clear) {
        return (word | set) & ~clear;
    };
    if (next(FlagsA(), setA, clearA) == FlagsA() && next(FlagsB(), setB, clearB) == FlagsB()) {
        return 0;
    }
    // Under the lock the words are read again, so two threads changing different bits both win.
    std::lock_guard<RC_Lock> hold(lock_);
    OnFlagsChanged(next(FlagsA(), setA, clearA), next(FlagsB(), setB, clearB));
    return 1;
}

void RC_Object::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    flagsA_.store(a, std::memory_order_release);
    flagsB_.store(b, std::memory_order_release);
}
