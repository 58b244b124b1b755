#include "platform/sys/LogindSleepSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>

namespace plat::sys {
namespace {

int OnPrepareForSleep(sd_bus_message* message, void* userdata, sd_bus_error*) {
    int sleeping = 0;
    if (sd_bus_message_read(message, "b", &sleeping) < 0) return 0;
    (*static_cast<LogindSleepSignal::Callback*>(userdata))(sleeping != 0);
    return 0;
}

} // namespace

bool LogindSleepSignal::Start(Callback callback) {
    Stop();
    callback_ = std::move(callback);
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) return false;
    // Asynchronous: a bus that is slow to answer must not hold up the caller.
    if (sd_bus_match_signal_async(bus, nullptr, "org.freedesktop.login1", "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "PrepareForSleep", &OnPrepareForSleep,
                                  nullptr, &callback_) < 0) {
        sd_bus_flush_close_unref(bus);
        return false;
    }
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopEvent_ < 0) {
        sd_bus_flush_close_unref(bus);
        return false;
    }
    // The bus belongs to the thread from here on: sd-bus objects are not shared between threads.
    thread_ = std::thread([this, bus] { Run(bus); });
    return true;
}

void LogindSleepSignal::Run(void* handle) {
    auto* bus = static_cast<sd_bus*>(handle);
    for (;;) {
        int processed;
        while ((processed = sd_bus_process(bus, nullptr)) > 0) {
        }
        if (processed < 0) break;  // the bus went away: there is nothing more to hear
        pollfd waits[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0},
                           {stopEvent_, POLLIN, 0}};
        // The bus may want to be processed again at a time of its own (monotonic microseconds).
        std::uint64_t due = UINT64_MAX;
        int timeout = -1;
        if (sd_bus_get_timeout(bus, &due) >= 0 && due != UINT64_MAX) {
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const std::uint64_t nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
                                        static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
            timeout = due <= nowUs ? 0 : static_cast<int>(std::min<std::uint64_t>((due - nowUs + 999) / 1000, 60'000));
        }
        if (::poll(waits, 2, timeout) < 0 && errno != EINTR) break;
        if (waits[1].revents != 0) break;
    }
    sd_bus_flush_close_unref(bus);
}

void LogindSleepSignal::Stop() {
    if (stopEvent_ >= 0) {
        const std::uint64_t one = 1;
        (void)!::write(stopEvent_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
    if (stopEvent_ >= 0) ::close(stopEvent_);
    stopEvent_ = -1;
}

} // namespace plat::sys
