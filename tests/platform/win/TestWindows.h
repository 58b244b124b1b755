#pragma once
// Helpers for window-system tests: a window class whose procedure records every message and can
// be given a handler per window, and a watchdog that ends a loop that would otherwise hang.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/PumpMessages.h"
#include "platform/win/MessageApi.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"

namespace plat::win::test {

struct Recorded {
    Hwnd hwnd;
    std::uint32_t msg;
    WParam wParam;
    LParam lParam;
};

using Handler = std::function<std::optional<LResult>(Hwnd, std::uint32_t, WParam, LParam)>;

class Recorder {
public:
    static Recorder& Get() {
        static Recorder r;
        return r;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        log_.clear();
        handlers_.clear();
    }
    void OnMessage(Hwnd hwnd, Handler handler) {
        std::lock_guard lock(mutex_);
        handlers_[hwnd] = std::move(handler);
    }
    // The recorded messages of one window (or all with hwnd 0) within a set of interesting numbers.
    std::vector<std::uint32_t> Messages(Hwnd hwnd, const std::vector<std::uint32_t>& only = {}) {
        std::lock_guard lock(mutex_);
        std::vector<std::uint32_t> out;
        for (const auto& r : log_) {
            if (hwnd != 0 && r.hwnd != hwnd) continue;
            if (!only.empty() && std::find(only.begin(), only.end(), r.msg) == only.end()) continue;
            out.push_back(r.msg);
        }
        return out;
    }
    std::vector<Recorded> Log() {
        std::lock_guard lock(mutex_);
        return log_;
    }
    static LResult Proc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
        Handler handler;
        {
            auto& self = Get();
            std::lock_guard lock(self.mutex_);
            self.log_.push_back({hwnd, msg, wParam, lParam});
            auto it = self.handlers_.find(hwnd);
            if (it != self.handlers_.end()) handler = it->second;
        }
        if (handler) {
            if (auto answer = handler(hwnd, msg, wParam, lParam)) return *answer;
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }

private:
    std::mutex mutex_;
    std::vector<Recorded> log_;
    std::map<Hwnd, Handler> handlers_;
};

inline const char* RecorderClass() {
    static const bool registered = [] {
        WindowClass cls;
        cls.name = "TestRecorder";
        cls.proc = &Recorder::Proc;
        cls.style = 0x0008; // double clicks
        return RegisterClass(cls);
    }();
    (void)registered;
    return "TestRecorder";
}

inline Hwnd MakeTopLevel(std::int32_t x = 0, std::int32_t y = 0, std::int32_t w = 100, std::int32_t h = 80,
                         std::uint32_t style = WS_POPUP, Hwnd owner = 0) {
    return CreateWindowEx(0, RecorderClass(), "top", style, x, y, w, h, owner, 0, 0);
}

inline Hwnd MakeChild(Hwnd parent, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                      std::uint32_t style = WS_CHILD | WS_VISIBLE, std::uintptr_t id = 0) {
    return CreateWindowEx(0, RecorderClass(), "child", style | WS_CHILD, x, y, w, h, parent, id, 0);
}

// Fails the test and ends the calling thread's loop when it has not finished within the time.
class Watchdog {
public:
    explicit Watchdog(std::uint32_t ms = 5000) : id_(SetTimer(0, 0, ms, &Fire)) {}
    ~Watchdog() { KillTimer(0, id_); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static void Fire(Hwnd, std::uint32_t, std::uintptr_t id, std::uint32_t) {
        ADD_FAILURE() << "the message loop did not finish in time";
        KillTimer(0, id);
        PostQuitMessage(99);
    }
    std::uintptr_t id_;
};

// Runs the calling thread's loop until WM_QUIT; answers the exit code.
inline int RunLoop() {
    Msg msg;
    while (GetMessage(&msg, 0, 0, 0)) {
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
    return static_cast<int>(msg.wParam);
}

// Handles everything that is waiting without blocking.
inline void Pump() { lxq_test::PumpMessages(); }

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { Recorder::Get().Clear(); }
    void TearDown() override { Recorder::Get().Clear(); }
};

} // namespace plat::win::test
