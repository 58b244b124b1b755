#pragma once

namespace errvane {

struct ThreadSnapshot;

// Freezes the other threads of the process for the report. Each gets a real-time signal whose
// handler saves the thread's registers and then waits for good; the process ends with them so.
class ThreadStopper {
public:
    static int Signal();
    static bool Start();
    static void Stop();
    // Stops every thread but the caller and `spare`, and fills the snapshot: every thread but
    // `spare` in listing order, with the saved registers of those that stopped in time (a thread
    // that blocks the signal never does). Its memory comes from the library heap.
    static ThreadSnapshot* StopOthers(long self, long spare);
};

}  // namespace errvane
