#pragma once
// Handles every message that is waiting for the calling thread (or, with a window, for that
// window) without waiting for more.

#include <cstdint>

void RC_PumpPendingMessages(std::uint32_t hwnd);
