#pragma once
// A driver host in this process with a receiver of every simulated kind, served to a program that
// listens for the host's notices, closes its receivers when the computer goes to sleep and opens
// them again, powered and tuned, after the wake, while the band is changed under them: one
// Cycle() is a sleep, a wake and a scene change, the commands sent as lxq745ctl sends them. What
// each leaves behind shows as a heap that grows from cycle to cycle.

#include "api/DeviceControl.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/BusControlClient.h"
#include "driver/host/ChannelServer.h"
#include "platform/sys/DeviceChannel.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lxq::host::test {

class CyclingHost {
public:
    CyclingHost() : folder_(std::filesystem::temp_directory_path() / ("lxq-cycling" + std::to_string(getpid()))) {
        setenv("LXQ745_NS", ("cycling" + std::to_string(getpid())).c_str(), 1);
        std::filesystem::create_directories(folder_);
        std::ofstream(Scene(0)) << "noise -110\nstation 145500000 -70 carrier name=a\n";
        std::ofstream(Scene(1)) << "noise -105\nstation 145500000 -60 am\nstation 433920000 -80 fm\n";
        RegisterBuiltInKinds(kinds_);
        server_.Start();
        for (const char* kind : {"sim-usb", "sim-serial", "sim-pci"}) {
            std::string path;
            if (!IsSuccess(bus_.Plug(kind, std::string("rx-") + kind, path))) return;
            paths_.push_back(path);
        }
        notices_.Start([this](plat::sys::DeviceEvent event, const std::string&) {
            std::lock_guard lock(mutex_);
            heard_.push_back(event);
            changed_.notify_all();
        });
        ready_ = OpenAndTune();
    }
    ~CyclingHost() {
        notices_.Stop();
        for (auto& handle : handles_) handle.Close();
        server_.Stop();
        bus_.RemoveAll();
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
        unsetenv("LXQ745_NS");
    }
    CyclingHost(const CyclingHost&) = delete;
    CyclingHost& operator=(const CyclingHost&) = delete;

    bool Ready() const { return ready_; }
    // What went wrong in the last cycle that failed.
    const std::string& Failure() const { return failure_; }

    // A sleep the program takes part in, the wake, and the band changed; false when a step failed.
    bool Cycle(int n) {
        for (auto& handle : handles_) handle.Close();
        // The host closes a handle after its client has gone, and a serial receiver's close takes
        // a moment: a sleep asked for meanwhile is refused as one that finds a receiver busy, and
        // asked again.
        std::string reply;
        NtStatus slept;
        for (int tries = 0; (slept = BusControlClient::Send("sleep", reply)) == kStatusDeviceBusy && tries < 200; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!IsSuccess(slept)) return Fail("sleep: " + reply);
        if (!Hear(plat::sys::DeviceEvent::SystemSleep)) return Fail("no sleep notice");
        if (!IsSuccess(BusControlClient::Send("wake", reply))) return Fail("wake: " + reply);
        if (!Hear(plat::sys::DeviceEvent::SystemWake)) return Fail("no wake notice");
        if (!OpenAndTune()) return false;
        if (!IsSuccess(BusControlClient::Send("scene " + Scene(n % 2), reply))) return Fail("scene: " + reply);
        return true;
    }

    // Bytes of heap in use in this process (small blocks and mapped large ones), every arena.
    static std::int64_t HeapInUse() {
        const struct mallinfo2 m = mallinfo2();
        return static_cast<std::int64_t>(m.uordblks + m.hblkhd);
    }

private:
    std::string Scene(int which) const { return (folder_ / (which == 0 ? "a.scene" : "b.scene")).string(); }

    bool Fail(const std::string& what) {
        failure_ = what;
        return false;
    }

    // Opens every receiver, powers and tunes it and reads its level, as a program's start does.
    bool OpenAndTune() {
        for (std::size_t i = 0; i < paths_.size() && i < std::size(handles_); ++i) {
            plat::sys::DeviceHandle& handle = handles_[i];
            if (handle.Open(paths_[i]) != 0) return Fail("open " + paths_[i]);
            std::uint64_t bytes;
            std::uint32_t clock[3] = {0, kRefSourceInternal, kRefClockKeepHz};
            handle.Control(IOCTL_LXQ745_SET_REF_CLOCK, clock, 12, clock, 12, 0, &bytes);
            std::uint32_t on = 1;
            FreqRequest tune{145'500'000, 0, kFreqWaitPush | kFreqWaitLock};
            std::uint32_t level = 25;
            if (!IsSuccess(handle.Control(IOCTL_LXQ745_SET_POWER, &on, 4, &on, 4, 0, &bytes)) ||
                !IsSuccess(handle.Control(IOCTL_LXQ745_SET_FREQUENCY, &tune, sizeof tune, &tune, sizeof tune, 0, &bytes)) ||
                !IsSuccess(handle.Control(IOCTL_LXQ745_GET_SIGNAL_STRENGTH, &level, 4, &level, 4, 0, &bytes)))
                return Fail("tuning " + paths_[i]);
        }
        return true;
    }

    bool Hear(plat::sys::DeviceEvent event) {
        std::unique_lock lock(mutex_);
        const bool heard = changed_.wait_for(lock, std::chrono::seconds(5), [&] {
            return std::find(heard_.begin(), heard_.end(), event) != heard_.end();
        });
        heard_.clear();
        return heard;
    }

    std::filesystem::path folder_;
    DeviceKinds kinds_;
    Bus bus_{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds_.Make(kind, id, error);
    }};
    ChannelServer server_{bus_};
    std::vector<std::string> paths_;
    plat::sys::DeviceHandle handles_[3];
    plat::sys::DeviceNotifications notices_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<plat::sys::DeviceEvent> heard_;
    bool ready_ = false;
    std::string failure_;
};

} // namespace lxq::host::test
