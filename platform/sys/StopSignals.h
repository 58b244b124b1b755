#pragma once
// The requests to stop that come as signals: SIGINT (Ctrl-C on the terminal) and SIGTERM (a
// session that ends, kill). Left to their default they end the process on the spot, with nothing
// saved and files half written. Here they are blocked from the start and heard on a thread of this
// object's own, which hands the first one to a callback so the program can end in order; a second
// one ends the process at once, as the signal would have, for a program that no longer answers.
// A signal ignored from the start (a program started in the background) stays ignored.

#include <csignal>
#include <functional>
#include <thread>

namespace plat::sys {

class StopSignals {
public:
    using Callback = std::function<void(int signal)>;

    // Blocks the signals in the calling thread and so in every thread started after it: the first
    // thing main does, before any library starts a thread of its own.
    StopSignals();
    // Stops listening; the signals stay blocked, so one that comes now is held until the process ends.
    ~StopSignals() { Stop(); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Starts listening; a signal that came before is heard now. False when the listener could not
    // start (the signals then stay blocked and are held).
    bool Start(Callback callback);
    // No callback runs after it returns.
    void Stop();

private:
    void Run();

    sigset_t set_;        // the signals blocked here: those not ignored from the start
    Callback callback_;
    std::thread thread_;
    int signals_ = -1;    // a signalfd for the blocked signals
    int stopEvent_ = -1;  // an eventfd that wakes the listening thread for good
};

} // namespace plat::sys
