#pragma once
#include <pthread.h>

namespace errvane {

// Gives threads an alternate signal stack, so that a thread that ran out of stack can still be
// reported. A thread takes its stack itself, in the handler of a real-time signal that the
// library sends it; the stack goes back to the pool when the thread ends.
class AltStacks {
public:
    static constexpr unsigned long kStackBytes = 256 * 1024;

    // Gives the calling thread and every thread already running a stack.
    static bool Start(bool traceThreadEnds);
    // Stops handing out stacks. Stacks still in use stay mapped: their threads may still take
    // signals on them.
    static void Stop();
    using StartRoutine = void* (*)(void*);
    // For a thread about to be created: the start routine and argument to create it with instead,
    // which take a stack before the thread's own code runs and then pass on to it. Leaves them as
    // they are when no stack is free.
    static void WrapStart(StartRoutine* start, void** argument);
    // Gives the stack back when the wrapped thread could not be created.
    static void ReleaseUnstarted(void* wrappedArgument);
    static int Signal();
};

}  // namespace errvane
