#include "demod/dsp/RC_FirFilter32.h"

RC_FirFilter32::RC_FirFilter32(RC_Routine routine)
    : RC_FirFilterQ15<std::int32_t>(routine, RC_SelectFirKernel32(routine)) {}

void RC_FirFilter32::SetSaturating(bool on) {
    saturating_ = on;
    SetKernel(on ? RC_SelectFirKernel32Saturating(Routine()) : RC_SelectFirKernel32(Routine()));
}
