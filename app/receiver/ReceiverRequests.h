#pragma once
// The receiver's requests on a thread of their own, carried out one at a time in the order they
// were made. A receiver that stops answering (asleep, its host stopped) holds a request for the
// whole request time-out; made on the user-interface thread, every click would wait that long.
// Here a request runs on the worker, and what it has to tell comes back as an answer that runs
// on the owner's thread when the message posted to the owner's window arrives.
//
// Threads: the owner (the user-interface thread) makes requests, asks what is pending and runs
// the answers; the worker only runs requests, which must touch nothing but the API library's
// thread-safe exports and what they were handed by value. The owner must not hold what a request
// needs while it waits for the worker (Finish, the destructor).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/win/Types.h"

namespace lxq {

class ReceiverRequests {
public:
    // Runs on the owner's thread, after every answer of the requests made before it.
    using Answer = std::function<void()>;
    // Runs on the worker; its answer, or none.
    using Request = std::function<Answer()>;

    // Answers are announced by posting `message` to `window`.
    ReceiverRequests(plat::win::Hwnd window, std::uint32_t message);
    // Waits for the request under way; those still queued are dropped.
    ~ReceiverRequests();
    ReceiverRequests(const ReceiverRequests&) = delete;
    ReceiverRequests& operator=(const ReceiverRequests&) = delete;

    // Queues a request. With a `topic` (>= 0), the request carries `value` for it: Pending
    // answers it until the request has been carried out.
    void Make(Request request, int topic = -1, std::int32_t value = 0);
    // The value of the last request of the topic that is queued or under way.
    std::optional<std::int32_t> Pending(int topic) const;
    // Waits until every request made so far has been carried out (not their answers), for a call
    // on the owner's thread that must come after them.
    void Finish();
    // Runs the answers that have come, in order. The owner calls it at the message.
    void RunAnswers();

private:
    struct Job {
        Request request;
        int topic;
    };
    void Run();

    const plat::win::Hwnd window_;
    const std::uint32_t message_;
    mutable std::mutex lock_;
    std::condition_variable wake_, done_;
    std::deque<Job> jobs_;
    std::atomic<std::size_t> queued_{0}; // jobs_.size(), for the worker's stay without the lock
    static constexpr std::chrono::microseconds kStay{200};
    bool running_ = false; // a request is under way
    bool stop_ = false;
    struct Mark {
        int count = 0;
        std::int32_t value = 0;
    };
    std::map<int, Mark> pending_;
    std::deque<Answer> answers_;
    std::thread worker_;
};

} // namespace lxq
