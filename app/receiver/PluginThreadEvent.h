#pragma once
// An event of the plug-in host that plug-ins raise from threads of their own: a demodulator hands
// the host every audio and IF block from its audio thread. The user-interface thread binds and
// unbinds the handler (a form when it is built and destroyed); the plug-ins' threads raise it.
//
// A handler is never replaced while a call of it runs: unbinding waits for that call to end, and
// a handler unbound is not called again, so the form that unbinds it in its destructor is never
// called once it is going. The handler runs under the event's lock: it must not wait for the
// user-interface thread (which may be waiting to unbind it). It may raise the event again on its
// own thread.

#include <functional>
#include <mutex>
#include <utility>

namespace lxq {

template <typename... Args>
class PluginThreadEvent {
public:
    using Handler = std::function<void(Args...)>;

    PluginThreadEvent() = default;
    PluginThreadEvent(const PluginThreadEvent&) = delete;
    PluginThreadEvent& operator=(const PluginThreadEvent&) = delete;

    // Binds `handler` (empty: unbinds), once no call of the handler bound before runs.
    PluginThreadEvent& operator=(Handler handler) {
        Handler old;
        {
            std::lock_guard hold(lock_);
            old = std::exchange(handler_, std::move(handler));
        }
        return *this; // what the old handler holds goes here, outside the lock
    }
    // The handler bound now, for one that chains to it.
    Handler Bound() const {
        std::lock_guard hold(lock_);
        return handler_;
    }
    explicit operator bool() const {
        std::lock_guard hold(lock_);
        return static_cast<bool>(handler_);
    }
    // Calls the handler, when one is bound.
    void operator()(Args... args) const {
        std::lock_guard hold(lock_);
        if (handler_) handler_(std::forward<Args>(args)...);
    }

private:
    mutable std::recursive_mutex lock_;
    Handler handler_;
};

} // namespace lxq
