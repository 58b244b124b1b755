#pragma once
// A receiver component with its notifications recorded, on a fake clock.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/receiver/MainThread.h"
#include "app/receiver/TmyReceiver.h"
#include "platform/components/TApplication.h"
#include "platform/sys/Clock.h"

namespace lxq::test {

struct Notice {
    std::int32_t uMsg;
    std::uint32_t dwParam;
    std::int32_t cbData;
    std::vector<std::uint8_t> data; // copy of lpData
};

// Records what a receiver tells the plug-in host.
class NoticeLog {
public:
    // Records, then passes the notice on to whoever listened before (a plug-in host).
    void Attach(TmyReceiver& r) {
        r.FPluginNotify = [this, next = r.FPluginNotify](std::int32_t m, std::uint32_t p,
                                                         std::int32_t cb, void* d) {
            Notice n{m, p, cb, {}};
            if (d && cb > 0) n.data.assign(static_cast<std::uint8_t*>(d), static_cast<std::uint8_t*>(d) + cb);
            notices.push_back(std::move(n));
            if (next) next(m, p, cb, d);
        };
    }
    std::vector<std::int32_t> Codes() const {
        std::vector<std::int32_t> codes;
        for (const auto& n : notices) codes.push_back(n.uMsg);
        return codes;
    }
    const Notice* Last(std::int32_t code) const {
        for (auto it = notices.rbegin(); it != notices.rend(); ++it)
            if (it->uMsg == code) return &*it;
        return nullptr;
    }
    int Count(std::int32_t code) const {
        int n = 0;
        for (const auto& x : notices) n += x.uMsg == code;
        return n;
    }
    void Clear() { notices.clear(); }
    std::vector<Notice> notices;
};

class ClockTest : public ::testing::Test {
protected:
    ClockTest() { RecordMainThread(); }
    void Pump(std::int64_t ms, std::int64_t stepMs) {
        for (std::int64_t t = 0; t < ms; t += stepMs) {
            clock_.AdvanceMs(stepMs);
            plat::comp::Application().ProcessMessages();
        }
    }
    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
};

} // namespace lxq::test
