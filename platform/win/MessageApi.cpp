#include "platform/win/MessageApi.h"

#include <algorithm>
#include <vector>

#include "platform/sys/Clock.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowInternals.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

thread_local std::uint32_t t_lastMessageTime = 0;
thread_local int t_inSendMessage = 0;

std::uint32_t NowMs32() {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(sys::ActiveClock().NowMs()));
}

Msg MakeMsg(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
    Msg m;
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = NowMs32();
    // Where the pointer was when the message was made: hints and menus open there.
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    m.pt = ws.Input().cursorPos;
    return m;
}

LResult CallProcOf(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
    WndProc proc = nullptr;
    {
        auto& ws = WindowSystem::Instance();
        std::lock_guard lock(ws.Mutex());
        if (auto w = ws.Windows().Find(hwnd)) proc = w->proc;
    }
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

// Runs every message that other threads sent to this one and releases their senders.
void HandleSentMessages(MessageQueue& queue) {
    while (auto sent = queue.TakeSent()) {
        ++t_inSendMessage;
        if (sent->msg.message == kDestroyRequest) {
            sent->result = DestroyWindow(sent->msg.hwnd) ? 1 : 0;
        } else {
            sent->result = CallProcOf(sent->msg.hwnd, sent->msg.message, sent->msg.wParam, sent->msg.lParam);
        }
        --t_inSendMessage;
        sent->done.store(true, std::memory_order_release);
        if (auto sender = sent->replyTo.lock()) sender->Wake();
    }
}

bool InRange(std::uint32_t message, std::uint32_t msgMin, std::uint32_t msgMax) {
    return (msgMin == 0 && msgMax == 0) || (message >= msgMin && message <= msgMax);
}

// One look at the queue in the classic order: sent messages (handled here), posted messages, the
// quit request, windows to paint, then due timers.
bool Retrieve(MessageQueue& queue, Msg& out, Hwnd hwnd, std::uint32_t msgMin, std::uint32_t msgMax,
              bool remove) {
    HandleSentMessages(queue);
    if (queue.TakePosted(out, hwnd, msgMin, msgMax, remove)) {
        RouteTakenMouseToCapture(out);
        if (remove) NoteInputMessageTaken(out);
        return true;
    }
    int exitCode = 0;
    if (queue.TakeQuit(exitCode, remove)) {
        out = MakeMsg(0, WM_QUIT, static_cast<WParam>(exitCode), 0);
        return true;
    }
    if (InRange(WM_PAINT, msgMin, msgMax)) {
        // A frame is painted on the spot; a client area that needs painting becomes WM_PAINT.
        while (const Hwnd toPaint = NextWindowToPaint(queue.ThreadId(), hwnd)) {
            if (!remove || PaintFrameIfNeeded(toPaint)) {
                out = MakeMsg(toPaint, WM_PAINT, 0, 0);
                return true;
            }
        }
    }
    if (InRange(WM_TIMER, msgMin, msgMax) &&
        queue.Timers().TakeDue(sys::ActiveClock().Now(), hwnd, out, remove)) {
        out.time = NowMs32();
        return true;
    }
    return false;
}

// Waits until the queue is woken or, with timers, the next one is due. Under a fake clock a wait
// for a timer advances the clock instead of blocking, so timing tests run without waiting.
void WaitForWork(MessageQueue& queue, bool honourTimers) {
    Backend& backend = WindowSystem::Instance().GetBackend();
    const auto due = honourTimers ? queue.Timers().NextDue() : std::nullopt;
    if (!due) {
        backend.Wait(queue.WakeFd(), -1);
        return;
    }
    sys::Clock& clock = sys::ActiveClock();
    const sys::Nanoseconds now = clock.Now();
    if (*due <= now) return;
    if (clock.IsFake()) {
        if (!backend.Wait(queue.WakeFd(), 0)) clock.Sleep(*due - now);
        return;
    }
    backend.Wait(queue.WakeFd(), *due - now);
}

} // namespace

bool PostMessage(Hwnd hwnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
    auto& ws = WindowSystem::Instance();
    if (hwnd == 0) return ws.CurrentQueue().Post(MakeMsg(0, msg, wParam, lParam));
    if (hwnd == HWND_BROADCAST) {
        std::vector<std::pair<Hwnd, std::uint32_t>> targets;
        {
            std::lock_guard lock(ws.Mutex());
            for (Hwnd top : ws.TopLevels())
                if (auto w = ws.Windows().Find(top)) targets.emplace_back(top, w->thread);
        }
        for (auto [target, thread] : targets)
            if (auto queue = ws.QueueOf(thread)) queue->Post(MakeMsg(target, msg, wParam, lParam));
        return true;
    }
    std::uint32_t thread;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return false;
        thread = w->thread;
    }
    auto queue = ws.QueueOf(thread);
    return queue && queue->Post(MakeMsg(hwnd, msg, wParam, lParam));
}

bool PostThreadMessage(std::uint32_t threadId, std::uint32_t msg, WParam wParam, LParam lParam) {
    auto queue = WindowSystem::Instance().QueueOf(threadId);
    return queue && queue->Post(MakeMsg(0, msg, wParam, lParam));
}

void PostQuitMessage(int exitCode) { WindowSystem::Instance().CurrentQueue().PostQuit(exitCode); }

LResult SendMessage(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    auto& ws = WindowSystem::Instance();
    std::uint32_t thread;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return 0;
        thread = w->thread;
    }
    if (thread == GetCurrentThreadId()) return CallProcOf(hwnd, msg, wParam, lParam);

    auto target = ws.QueueOf(thread);
    if (!target) return 0;
    auto own = ws.CurrentQueuePtr();
    auto sent = std::make_shared<SentMessage>();
    sent->msg = MakeMsg(hwnd, msg, wParam, lParam);
    sent->replyTo = own;
    if (!target->PushSent(sent)) return 0;
    // While waiting, answer what others send to this thread, so two threads sending to each
    // other cannot deadlock.
    for (;;) {
        own->ClearWake();
        HandleSentMessages(*own);
        if (sent->done.load(std::memory_order_acquire)) return sent->result;
        WaitForWork(*own, false);
    }
}

bool InSendMessage() { return t_inSendMessage > 0; }

bool GetMessage(Msg* msg, Hwnd hwnd, std::uint32_t msgMin, std::uint32_t msgMax) {
    auto& ws = WindowSystem::Instance();
    MessageQueue& queue = ws.CurrentQueue();
    for (;;) {
        queue.ClearWake();
        ws.GetBackend().Pump();
        if (Retrieve(queue, *msg, hwnd, msgMin, msgMax, true)) {
            t_lastMessageTime = msg->time;
            return msg->message != WM_QUIT;
        }
        WaitForWork(queue, true);
    }
}

bool PeekMessage(Msg* msg, Hwnd hwnd, std::uint32_t msgMin, std::uint32_t msgMax, std::uint32_t options) {
    auto& ws = WindowSystem::Instance();
    MessageQueue& queue = ws.CurrentQueue();
    ws.GetBackend().Pump();
    if (!Retrieve(queue, *msg, hwnd, msgMin, msgMax, (options & PM_REMOVE) != 0)) return false;
    if (options & PM_REMOVE) t_lastMessageTime = msg->time;
    return true;
}

void WaitMessage() {
    auto& ws = WindowSystem::Instance();
    MessageQueue& queue = ws.CurrentQueue();
    queue.ClearWake();
    ws.GetBackend().Pump();
    Msg probe;
    if (Retrieve(queue, probe, 0, 0, 0, false)) return;
    WaitForWork(queue, true);
}

LResult DispatchMessage(const Msg& msg) {
    auto& ws = WindowSystem::Instance();
    if (msg.message == WM_TIMER && msg.lParam != 0) {
        // Only a callback this thread registered for that timer is ever called: a posted
        // WM_TIMER cannot make the loop jump to an arbitrary address.
        TimerProc proc = ws.CurrentQueue().Timers().ProcOf(msg.hwnd, msg.wParam);
        if (proc && reinterpret_cast<LParam>(proc) == msg.lParam) {
            proc(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
            return 0;
        }
    }
    if (msg.hwnd == 0) return 0;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(msg.hwnd);
        if (!w || w->thread != GetCurrentThreadId()) return 0;
    }
    return CallProcOf(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

std::uint32_t GetMessageTime() { return t_lastMessageTime; }

} // namespace plat::win
