#include "demod/dsp/RC_FirFilter32.h"

RC_FirFilter32::RC_FirFilter32(RC_Routine routine)
    : RC_FirFilterQ15<std::int32_t>(routine, RC_SelectFirKernel32(routine)) {}
