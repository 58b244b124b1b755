#include "crashreport/sys/ThreadIdentity.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace errvane {

long ThreadIdentity::Current() { return syscall(SYS_gettid); }

}  // namespace errvane
