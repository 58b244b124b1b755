#pragma once
// Which inner routines a DSP object runs. Each object picks once, at construction, from the
// processor record; tests force either routine to compare their outputs.

#include "demod/dsp/RC_CpuInfo.h"

enum class RC_Routine {
    kScalar, // portable reference routine
    kSse2,   // 128-bit integer multiply-add
    kAvx2,   // 256-bit integer multiply-add; SSE2 where an object has no wider routine
};

// Chosen by feature bits only: an instruction set the processor lacks is never selected.
inline RC_Routine RC_ChooseRoutine(const RC_CpuInfo& info) {
    if (info.HasAvx2() && info.HasSse2()) {
        return RC_Routine::kAvx2;
    }
    return info.HasSse2() ? RC_Routine::kSse2 : RC_Routine::kScalar;
}

// The routine for this processor (from the process-wide record).
RC_Routine RC_DefaultRoutine();
