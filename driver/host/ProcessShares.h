#pragma once
// How many requests each client process holds unanswered in the host (held while a receiver
// sleeps, mostly), so that each program can be bounded to a share of the host's budget: a program
// that piles up requests on its own suspended receiver over many connections is refused more of
// them, and the others are served on.
//
// A process is known by the id its connections' peer credentials give. Each connection keeps the
// share of its process, and each held request the share it counts in, so a share lives as long
// as a connection or a held request of its process; the table only finds it again.

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace lxq::host {

class ProcessShares {
public:
    struct Share {
        std::atomic<std::size_t> held{0};  // counted in and out by any thread
    };
    using SharePtr = std::shared_ptr<Share>;

    // The share of the process; any thread.
    SharePtr For(pid_t process);
    // Processes with a share alive now (for the tests).
    std::size_t Size();

private:
    // Shares nobody holds any more are swept out when the table has doubled since the last sweep.
    static constexpr std::size_t kFirstSweep = 64;

    std::mutex mutex_;
    std::unordered_map<pid_t, std::weak_ptr<Share>> shares_;
    std::size_t sweepAt_ = kFirstSweep;
};

} // namespace lxq::host
