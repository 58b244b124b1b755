#include "platform/win/TimerList.h"

#include <algorithm>

#include "platform/win/Messages.h"

namespace plat::win {

std::uintptr_t TimerList::Set(Hwnd hwnd, std::uintptr_t id, std::uint32_t periodMs, TimerProc proc,
                              sys::Nanoseconds now) {
    const sys::Nanoseconds period = sys::Nanoseconds{std::max(periodMs, kMinimumMs)} * sys::kNsPerMs;
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it != timers_.end() && (hwnd != 0 || id != 0)) {
        it->period = period;
        it->due = now + period;
        it->proc = proc;
        return it->id;
    }
    if (hwnd == 0) {
        // A thread timer gets a fresh id that no other thread timer uses.
        auto used = [this](std::uintptr_t candidate) {
            return std::any_of(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.hwnd == 0 && t.id == candidate; });
        };
        do {
            id = nextThreadTimerId_++;
            if (nextThreadTimerId_ == 0) nextThreadTimerId_ = 1;
        } while (id == 0 || used(id));
    }
    timers_.push_back({hwnd, id, period, now + period, proc});
    return hwnd == 0 ? id : (id == 0 ? 1 : id);
}

bool TimerList::Kill(Hwnd hwnd, std::uintptr_t id) {
    const auto removed =
        std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return removed > 0;
}

void TimerList::KillAllOf(Hwnd hwnd) {
    std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
}

std::optional<sys::Nanoseconds> TimerList::NextDue() const {
    std::optional<sys::Nanoseconds> next;
    for (const Timer& t : timers_)
        if (!next || t.due < *next) next = t.due;
    return next;
}

bool TimerList::TakeDue(sys::Nanoseconds now, Hwnd filter, Msg& out, bool take) {
    Timer* first = nullptr;
    for (Timer& t : timers_) {
        if (t.due > now || (filter != 0 && t.hwnd != filter)) continue;
        if (!first || t.due < first->due) first = &t;
    }
    if (!first) return false;
    out = Msg{};
    out.hwnd = first->hwnd;
    out.message = WM_TIMER;
    out.wParam = first->id;
    out.lParam = reinterpret_cast<LParam>(first->proc);
    if (!take) return true;
    // Next due time: the first period boundary after now, so missed periods are skipped.
    const sys::Nanoseconds missed = (now - first->due) / first->period;
    first->due += (missed + 1) * first->period;
    return true;
}

TimerProc TimerList::ProcOf(Hwnd hwnd, std::uintptr_t id) const {
    for (const Timer& t : timers_)
        if (t.hwnd == hwnd && t.id == id) return t.proc;
    return nullptr;
}

} // namespace plat::win
