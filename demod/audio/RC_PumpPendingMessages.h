#pragma once
// Handles every message already waiting for the calling thread (or for one window) without
// waiting for more.

#include <cstdint>

void RC_PumpPendingMessages(std::uint32_t window);
