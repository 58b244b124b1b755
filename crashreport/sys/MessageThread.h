#pragma once

namespace errvane {

// The thread that tells the user about a report. It is created when the library loads, because
// creating a thread inside the fault handler would allocate; it waits until a message is to be
// shown, shows it (a window with a display, else standard error) and reports back.
class MessageThread {
public:
    static bool Start();
    static void Stop();
    // The thread's id, 0 when it is not running.
    static long Id();
    // Shows the message on the thread and waits for it without a time limit; false (and nothing
    // shown) when the thread is not running.
    static bool ShowAndWait(const char* text, const char* caption);
};

}  // namespace errvane
