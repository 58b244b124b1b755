// The login manager's sleep signal, heard on a private message bus of the test's own that stands
// for the system bus, with a stand-in login manager announcing sleep and wake on it.

#include "platform/sys/LogindSleepSignal.h"
#include "tests/support/ChildProgram.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace plat::sys {
namespace {

// A message bus daemon of its own, started for one test; its address stands for the system bus.
class PrivateBus {
public:
    PrivateBus() {
        lxq_test::ChildSetup setup;
        setup.args = {"PATH:dbus-daemon", "--session", "--nofork", "--print-address=1"};
        process_.emplace(std::move(setup));
        address_ = lxq_test::ReadLine(process_->Output());
        while (!address_.empty() && address_.back() == '\r') address_.pop_back();
        if (!address_.empty()) setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
    }
    ~PrivateBus() {
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        process_->Signal(SIGTERM);
        process_->Wait();
    }
    const std::string& Address() const { return address_; }

private:
    std::optional<lxq_test::ChildProgram> process_;
    std::string address_;
};

// Owns the login manager's name on the bus and sends its PrepareForSleep signal.
class StandInLoginManager {
public:
    explicit StandInLoginManager(const std::string& address) {
        sd_bus_new(&bus_);
        sd_bus_set_address(bus_, address.c_str());
        sd_bus_set_bus_client(bus_, 1);
        ok_ = sd_bus_start(bus_) >= 0 && sd_bus_request_name(bus_, "org.freedesktop.login1", 0) >= 0;
    }
    ~StandInLoginManager() { sd_bus_flush_close_unref(bus_); }
    bool Ok() const { return ok_; }
    void PrepareForSleep(bool sleeping) {
        sd_bus_emit_signal(bus_, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
                           "b", static_cast<int>(sleeping));
        sd_bus_flush(bus_);
    }

private:
    sd_bus* bus_ = nullptr;
    bool ok_ = false;
};

TEST(LogindSleepSignal, SleepAndWakeOfTheLoginManagerAreHeard) {
    PrivateBus system;
    ASSERT_FALSE(system.Address().empty()) << "dbus-daemon did not start";
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> heard;
    LogindSleepSignal signal;
    ASSERT_TRUE(signal.Start([&](bool sleeping) {
        std::lock_guard lock(mutex);
        heard.push_back(sleeping);
        changed.notify_all();
    }));
    StandInLoginManager logind(system.Address());
    ASSERT_TRUE(logind.Ok());
    // The listener subscribes without waiting for the bus, so a signal sent before its
    // subscription is in place is lost: each is sent again until it is heard.
    auto announce = [&](bool sleeping) {
        std::unique_lock lock(mutex);
        for (int attempt = 0; attempt < 200; ++attempt) {
            lock.unlock();
            logind.PrepareForSleep(sleeping);
            lock.lock();
            if (changed.wait_for(lock, std::chrono::milliseconds(50),
                                 [&] { return !heard.empty() && heard.back() == sleeping; })) {
                heard.clear();
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(announce(true)) << "going to sleep";
    EXPECT_TRUE(announce(false)) << "awake again";
    signal.Stop();
}

TEST(LogindSleepSignal, WithoutASystemBusNothingIsHeardAndNothingWaits) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket", 1);
    LogindSleepSignal signal;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(signal.Start([](bool) {}));
    signal.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace
} // namespace plat::sys
