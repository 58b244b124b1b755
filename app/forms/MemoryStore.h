#pragma once
// The record the Store button offers the store dialog: the receiver's state as a new channel.

#include <cstdint>

#include "app/forms/TMemoryRecord.h"
#include "app/receiver/SquelchSettings.h"

namespace lxq {

// What the receiver is tuned to and how its squelch stands.
struct ReceiverSnapshot {
    std::int64_t frequency = 0;
    std::int32_t mode = 0;
    std::int32_t bandwidth = 0;
    std::int32_t squelchLevel = 0;  // dBm
    std::uint32_t squelchTypes = 0; // active kSquelch* bits
    SQUELCH_SETTINGS squelch{};
};

// A new channel from the snapshot: number 0 (the dialog gives it one), hotkey 1 (the dialog
// offers the first free one), the level squelch only when level squelch is active, and the
// second squelch with its value from the squelch record.
TMemoryRecord NewStoredMemory(const ReceiverSnapshot& rx);

} // namespace lxq
