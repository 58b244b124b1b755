#pragma once
// A driver host in this process with one simulated receiver of a kind ("sim-serial", "sim-usb",
// "sim-pci") and a client on its channel that tunes and reads it as a program does, with the
// process's heap in use sampled between loops: what a day of traffic leaves behind shows as a
// heap that keeps growing after the first loops.

#include "api/DeviceControl.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/ChannelServer.h"
#include "platform/sys/DeviceChannel.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace lxq::host::test {

class ServedHost {
public:
    explicit ServedHost(const std::string& kind) {
        setenv("LXQ745_NS", ("served" + std::to_string(getpid())).c_str(), 1);
        RegisterBuiltInKinds(kinds_);
        server_.Start();
        std::string path;
        if (!IsSuccess(bus_.Plug(kind, "served", path))) return;
        if (handle_.Open(path) != 0) return;
        std::uint64_t bytes;
        std::uint32_t clock[3] = {0, kRefSourceInternal, kRefClockKeepHz};
        handle_.Control(IOCTL_LXQ745_SET_REF_CLOCK, clock, 12, clock, 12, 0, &bytes);
        std::uint32_t on = 1;
        handle_.Control(IOCTL_LXQ745_SET_POWER, &on, 4, &on, 4, 0, &bytes);
        ready_ = true;
    }
    ~ServedHost() {
        handle_.Close();
        server_.Stop();
        bus_.RemoveAll();
        unsetenv("LXQ745_NS");
    }
    ServedHost(const ServedHost&) = delete;
    ServedHost& operator=(const ServedHost&) = delete;

    bool Ready() const { return ready_; }

    // One client loop: a new frequency, then the level there; false when a request failed.
    bool Loop() {
        static constexpr std::uint32_t kFrequencies[2] = {145'500'000, 433'920'000};
        std::uint64_t bytes;
        FreqRequest tune{kFrequencies[++loops_ & 1], 0, kFreqWaitPush | kFreqWaitLock};
        if (!IsSuccess(handle_.Control(IOCTL_LXQ745_SET_FREQUENCY, &tune, sizeof tune, &tune, sizeof tune, 0, &bytes)))
            return false;
        std::uint32_t level = 25;
        return IsSuccess(handle_.Control(IOCTL_LXQ745_GET_SIGNAL_STRENGTH, &level, 4, &level, 4, 0, &bytes));
    }

    // Bytes of heap in use in this process (small blocks and mapped large ones), every arena.
    static std::int64_t HeapInUse() {
        const struct mallinfo2 m = mallinfo2();
        return static_cast<std::int64_t>(m.uordblks + m.hblkhd);
    }

private:
    DeviceKinds kinds_;
    Bus bus_{[this](const std::string& k, const std::string& id, std::string& e) { return kinds_.Make(k, id, e); }};
    ChannelServer server_{bus_};
    plat::sys::DeviceHandle handle_;
    std::uint64_t loops_ = 0;
    bool ready_ = false;
};

} // namespace lxq::host::test
