#include "crashreport/sys/ThreadEndTrace.h"

#include "crashreport/sys/DebugOutput.h"
#include "crashreport/sys/ProcFile.h"
#include "crashreport/sys/ThreadIdentity.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/auxv.h>

namespace errvane {

void ThreadCpuShares(unsigned long long userTime, unsigned long long kernelTime, unsigned long long runTime,
                     unsigned long long* userShare, unsigned long long* kernelShare) {
    if (runTime == 0) runTime = 1;
    *userShare = (userTime * 100 + runTime / 2) / runTime;
    *kernelShare = (kernelTime * 100 + runTime / 2) / runTime;
}

void WriteThreadEndTrace() {
    // Times in 100-nanosecond units, the unit of the line's arithmetic.
    unsigned long long user = 0, kernel = 0, start = 0;
    char stat[1024];
    const unsigned long long ticks = getauxval(AT_CLKTCK) != 0 ? getauxval(AT_CLKTCK) : 100;
    unsigned long long fields[23];
    if (ProcFile::Read("/proc/thread-self/stat", stat, sizeof stat) > 0 && ProcFile::StatFields(stat, fields, 23)) {
        user = fields[14] * 10000000ull / ticks;
        kernel = fields[15] * 10000000ull / ticks;
        start = fields[22] * 10000000ull / ticks;
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const unsigned long long nowUnits = static_cast<unsigned long long>(now.tv_sec) * 10000000ull +
                                        static_cast<unsigned long long>(now.tv_nsec) / 100u;
    unsigned long long run = nowUnits > start ? nowUnits - start : 0;
    unsigned long long userShare = 0, kernelShare = 0;
    ThreadCpuShares(user, kernel, run, &userShare, &kernelShare);
    if (run == 0) run = 1;
    // The span as a time of day: whole days drop out.
    const std::time_t seconds = static_cast<std::time_t>(run / 10000000ull);
    std::tm span{};
    gmtime_r(&seconds, &span);
    char runText[64];
    std::strftime(runText, sizeof runText, "%X", &span);
    char line[256];
    const int n = std::snprintf(line, sizeof line, "Thread: %ld ended, run time: %s, CPU:%llu+%llu%%\r\n",
                                ThreadIdentity::Current(), runText, userShare, kernelShare);
    if (n > 0) DebugOutput::Write(line, static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n) : sizeof line - 1);
}

}  // namespace errvane
