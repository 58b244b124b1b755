#pragma once
// Base of the plug-in objects shared between threads: an object lock and two flag words that
// change atomically. A change of flags goes through one virtual operation, under the lock, so a
// derived object can react to the new words (a window to its new style, for instance).

#include "demod/dsp/RC_Lock.h"

#include <atomic>
#include <cstdint>

class RC_Object {
public:
    RC_Object() = default;
    RC_Object(const RC_Object&) = delete;
    RC_Object& operator=(const RC_Object&) = delete;
    virtual ~RC_Object() = default;

    // Set or clear bits of the two words; 0 (and nothing happens) when no bit would change,
    // else 1 after the flags-changed operation has run with the new words.
    int SetFlags(std::uint32_t bitsA, std::uint32_t bitsB);
    int ClearFlags(std::uint32_t bitsA, std::uint32_t bitsB);

    std::uint32_t FlagsA() const { return flagsA_.load(std::memory_order_acquire); }
    std::uint32_t FlagsB() const { return flagsB_.load(std::memory_order_acquire); }
    RC_Lock& ObjectLock() { return lock_; }

protected:
    // Stores the new words; overrides call this and then react.
    virtual void OnFlagsChanged(std::uint32_t a, std::uint32_t b);

private:
    int Change(std::uint32_t setA, std::uint32_t setB, std::uint32_t clearA, std::uint32_t clearB);

    RC_Lock lock_;
    std::atomic<std::uint32_t> flagsA_{0};
    std::atomic<std::uint32_t> flagsB_{0};
};
