#include "demod/audio/RC_ReceiverInfo.h"

#include "demod/dsp/RC_Heap.h"

#include <cstring>

void* RC_CloneReceiverInfo(const void* record) {
    if (record == nullptr) return nullptr;
    std::uint32_t size = 0;
    std::memcpy(&size, record, sizeof size);
    if (size < sizeof size) return nullptr;
    // The slots that point into the record's tail hold offsets from the record's start, so the
    // copy needs no adjustment: they stay valid wherever the record lies.
    return RC_AllocCopy(record, size);
}

void RC_FreeReceiverInfo(void* copy) { RC_Free(copy); }
