#include <mutex>

#include "platform/sys/Clock.h"
#include "platform/win/CaretApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

struct Caret {
    std::mutex mutex;
    Hwnd hwnd = 0;
    Size size;
    Point pos;
    int hideCount = 1;
    std::uint32_t blinkMs = 530;
    sys::Nanoseconds phaseStart = 0; // moving or showing restarts the blink in its "on" half
};

Caret& TheCaret() {
    static Caret* caret = new Caret();
    return *caret;
}

// The back end shows the caret over the window's picture: tell it when the caret changed.
void CaretChanged(Hwnd hwnd) {
    if (const Hwnd top = GetAncestor(hwnd, GA_ROOT)) WindowSystem::Instance().GetBackend().SurfaceChanged(top, {});
}

} // namespace

bool CreateCaret(Hwnd hwnd, std::int32_t width, std::int32_t height) {
    if (!IsWindow(hwnd)) return false;
    auto& c = TheCaret();
    std::lock_guard lock(c.mutex);
    c.hwnd = hwnd;
    c.size = {width > 0 ? width : 1, height > 0 ? height : 1};
    c.pos = {};
    c.hideCount = 1;
    c.phaseStart = sys::ActiveClock().Now();
    return true;
}

bool DestroyCaret() {
    auto& c = TheCaret();
    Hwnd owner;
    {
        std::lock_guard lock(c.mutex);
        if (c.hwnd == 0) return false;
        owner = c.hwnd;
        c.hwnd = 0;
    }
    CaretChanged(owner);
    return true;
}

bool SetCaretPos(std::int32_t x, std::int32_t y) {
    auto& c = TheCaret();
    Hwnd hwnd;
    {
        std::lock_guard lock(c.mutex);
        if (c.hwnd == 0) return false;
        c.pos = {x, y};
        c.phaseStart = sys::ActiveClock().Now();
        hwnd = c.hwnd;
    }
    CaretChanged(hwnd);
    return true;
}

bool GetCaretPos(Point* point) {
    auto& c = TheCaret();
    std::lock_guard lock(c.mutex);
    if (c.hwnd == 0 || !point) return false;
    *point = c.pos;
    return true;
}

bool ShowCaret(Hwnd hwnd) {
    auto& c = TheCaret();
    Hwnd owner;
    {
        std::lock_guard lock(c.mutex);
        if (c.hwnd == 0 || (hwnd != 0 && hwnd != c.hwnd) || c.hideCount == 0) return false;
        if (--c.hideCount == 0) c.phaseStart = sys::ActiveClock().Now();
        owner = c.hwnd;
    }
    CaretChanged(owner);
    return true;
}

bool HideCaret(Hwnd hwnd) {
    auto& c = TheCaret();
    Hwnd owner;
    {
        std::lock_guard lock(c.mutex);
        if (c.hwnd == 0 || (hwnd != 0 && hwnd != c.hwnd)) return false;
        ++c.hideCount;
        owner = c.hwnd;
    }
    CaretChanged(owner);
    return true;
}

bool SetCaretBlinkTime(std::uint32_t ms) {
    auto& c = TheCaret();
    std::lock_guard lock(c.mutex);
    c.blinkMs = ms;
    return true;
}

std::uint32_t GetCaretBlinkTime() {
    auto& c = TheCaret();
    std::lock_guard lock(c.mutex);
    return c.blinkMs;
}

CaretState GetCaretState() {
    auto& c = TheCaret();
    std::lock_guard lock(c.mutex);
    CaretState state;
    if (c.hwnd == 0 || !IsWindow(c.hwnd)) return state;
    state.hwnd = c.hwnd;
    state.rect = {c.pos.x, c.pos.y, c.pos.x + c.size.cx, c.pos.y + c.size.cy};
    bool on = c.hideCount == 0;
    if (on && c.blinkMs != 0) {
        const sys::Nanoseconds half = sys::Nanoseconds{c.blinkMs} * sys::kNsPerMs;
        on = ((sys::ActiveClock().Now() - c.phaseStart) / half) % 2 == 0;
    }
    state.visible = on;
    return state;
}

} // namespace plat::win
