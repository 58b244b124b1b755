#include "demod/dsp/RC_FirFilter16.h"

RC_FirFilter16::RC_FirFilter16(RC_Routine routine)
    : RC_FirFilterQ15<std::int16_t>(routine, RC_SelectFirKernel16(routine)) {}

void RC_FirFilter16::SetSaturating(bool on) {
    saturating_ = on;
    SetKernel(on ? RC_SelectFirKernel16Saturating(Routine()) : RC_SelectFirKernel16(Routine()));
}
