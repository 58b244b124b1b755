#pragma once
// Delivers the computer's sleep and wake to every top-level window as the power broadcast, the
// way the system announces them: WM_POWERBROADCAST with PBT_APMSUSPEND before it sleeps, and
// PBT_APMRESUMESUSPEND once it is awake again. Delivered while an object of this class lives.

#include "platform/sys/PowerBroadcastSource.h"

#include <cstdint>

namespace plat::win {

constexpr std::uint32_t PBT_APMSUSPEND = 4;
constexpr std::uint32_t PBT_APMRESUMESUSPEND = 7;

class PowerBroadcast {
public:
    PowerBroadcast();
    ~PowerBroadcast();
    PowerBroadcast(const PowerBroadcast&) = delete;
    PowerBroadcast& operator=(const PowerBroadcast&) = delete;

    // Whether the driver host's sleep and wake notices reach this process now.
    bool HostListening() const { return source_.HostListening(); }

private:
    sys::PowerBroadcastSource source_;
};

} // namespace plat::win
