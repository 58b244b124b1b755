#pragma once
// Start-up of the plug-in's runtime and the services that depend on it: the processor record and
// the time-stamp reader.

#include "demod/dsp/RC_CpuInfo.h"

#include <cstdint>

// First step of the plug-in's initialisation: loads the locale tables, identifies the processor
// and calibrates the time counter. Returns the process-wide processor record.
const RC_CpuInfo& RC_InitRuntime();

// The process-wide processor record; identified on first use, so DSP objects built before
// RC_InitRuntime still choose their routines from the real processor (timer rate 0 until then).
const RC_CpuInfo& RC_GetCpuInfo();

// The fastest time counter: the time-stamp counter when the processor has one, else the
// monotonic clock in nanoseconds. Divided by the record's timer rate it gives seconds.
std::uint64_t RC_ReadTimestamp();
