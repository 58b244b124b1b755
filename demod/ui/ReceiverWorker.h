#pragma once
// The demodulator's receiver requests on a thread of their own, carried out one at a time in the
// order they were asked. Each is a round trip to the driver host, and a receiver that does not
// answer (asleep in its host, its host stopped) holds it for the whole request time-out: made on
// the user-interface thread, one click would freeze the plug-in's window and the panel that embeds
// it for that long.
//
// Threads: the owner (the user-interface thread) asks and stops; the worker only runs requests.
// A request touches nothing but what the owner leaves to the worker while it lives (see
// DemodWindow.h) and what it was handed by value; what the owner must learn of it, the request
// posts to the owner's window. Stop is the owner's one wait for the worker, and the owner must not
// hold anything a request needs while it waits.

#include "platform/sys/Thread.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

class ReceiverWorker {
public:
    using Request = std::function<void()>;

    ReceiverWorker();
    // Stops (see Stop).
    ~ReceiverWorker();
    ReceiverWorker(const ReceiverWorker&) = delete;
    ReceiverWorker& operator=(const ReceiverWorker&) = delete;

    // Queues a request behind those asked before it and returns at once. Refused once stopping.
    void Ask(Request request);
    // Carries out every request asked so far, then ends the thread: what comes after it (closing
    // the receiver) finds no request under way and none to come.
    void Stop();
    // Requests asked and not yet carried out, the one under way included.
    std::size_t Pending() const;

private:
    void Run();

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::deque<Request> requests_;
    bool running_ = false; // a request is under way
    bool stopping_ = false;
    plat::sys::Thread thread_; // last: started once the rest is built
};
