#include "app/forms/MemoryStore.h"

namespace lxq {

TMemoryRecord NewStoredMemory(const ReceiverSnapshot& rx) {
    TMemoryRecord r = NewMemoryRecord();
    r.frequency = rx.frequency;
    r.mode = rx.mode;
    r.levelSquelch = (rx.squelchTypes & kSquelchLevel) ? rx.squelchLevel : 0;
    r.hotkey = 1;
    r.bandwidth = static_cast<std::uint32_t>(rx.bandwidth);
    const std::uint32_t second = rx.squelchTypes & ~kSquelchLevel;
    r.squelchType = static_cast<std::int32_t>(second);
    switch (second) {
    case kSquelchNoise: r.squelchValue = rx.squelch.noise; break;
    case kSquelchCtcss: r.squelchValue = static_cast<std::int32_t>(rx.squelch.ctcss); break;
    case kSquelchVoice: r.squelchValue = static_cast<std::int32_t>(rx.squelch.voice); break;
    case kSquelchDcs: r.squelchValue = rx.squelch.dcs; break;
    default: r.squelchValue = 0; break;
    }
    return r;
}

} // namespace lxq
