#pragma once

namespace errvane {

// Learns of every thread the program creates, so that each gets an alternate signal stack: the
// pthread_create entries in the symbol-binding tables of the modules loaded so far are pointed at
// a wrapper that creates the thread and then gives it its stack. Modules loaded later keep the
// plain function (their threads get no alternate stack).
class ThreadCreationHook {
public:
    static void Install();
    // Points every patched entry back at the real function.
    static void Remove();
};

}  // namespace errvane
