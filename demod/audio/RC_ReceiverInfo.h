#pragma once
// The plug-in's own copy of the receiver description the host hands over at start. The record
// carries offsets into its own tail in thirteen slots; the copy moves them with it.

#include <cstdint>

// Null for null or when memory ran out; free with RC_FreeReceiverInfo.
void* RC_CloneReceiverInfo(const void* record);
void RC_FreeReceiverInfo(void* copy);
