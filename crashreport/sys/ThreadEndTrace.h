#pragma once

namespace errvane {

// "Thread: <id> ended, run time: <h:mm:ss>, CPU:<user>+<kernel>%" to the debug output, for the
// calling thread as it ends: its run time since creation and the shares of user and kernel time
// in it.
void WriteThreadEndTrace();

// The shares in whole percent, rounded; a run time of 0 counts as 1.
void ThreadCpuShares(unsigned long long userTime, unsigned long long kernelTime, unsigned long long runTime,
                     unsigned long long* userShare, unsigned long long* kernelShare);

}  // namespace errvane
