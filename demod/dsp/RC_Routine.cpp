#include "demod/dsp/RC_Routine.h"

#include "demod/dsp/RC_Runtime.h"

RC_Routine RC_DefaultRoutine() { return RC_ChooseRoutine(RC_GetCpuInfo()); }
