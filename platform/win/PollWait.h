#pragma once
// poll() on a few descriptors with a nanosecond timeout (negative: no limit), retried when a
// signal interrupts it. True when a descriptor is ready.

#include <poll.h>

#include "platform/sys/Clock.h"

namespace plat::win {

bool PollWait(pollfd* fds, nfds_t count, sys::Nanoseconds timeout);

} // namespace plat::win
