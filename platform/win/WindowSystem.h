#pragma once
// The one window system of the process: the handle table, the window tree, the window classes,
// the message queue of each user-interface thread and the back end. Internal to platform/win;
// everyone else uses the calls in the public headers.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/Backend.h"
#include "platform/win/HandleTable.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/Window.h"
#include "platform/win/WindowClass.h"

namespace plat::win {

class WindowSystem {
public:
    static WindowSystem& Instance();

    // Guards the handle table, the tree and every Window record. Never held while a window
    // procedure runs.
    std::recursive_mutex& Mutex() { return mutex_; }
    HandleTable<Window>& Windows() { return windows_; }
    std::vector<Hwnd>& TopLevels() { return topLevels_; } // bottom of the z-order first
    WindowClassRegistry& Classes() { return classes_; }

    std::shared_ptr<Window> Find(Hwnd hwnd);
    // The calling thread's queue, made on first use.
    MessageQueue& CurrentQueue();
    std::shared_ptr<MessageQueue> CurrentQueuePtr();
    // Null when the thread has no queue (never used the window system, or ended).
    std::shared_ptr<MessageQueue> QueueOf(std::uint32_t threadId);

    Backend& GetBackend();
    void SetBackend(std::unique_ptr<Backend> backend);

    // The calling thread ends: its windows go away silently and its queue stops taking posts.
    void ThreadEnded(std::uint32_t threadId);

private:
    WindowSystem();

    std::recursive_mutex mutex_;
    HandleTable<Window> windows_;
    std::vector<Hwnd> topLevels_;
    WindowClassRegistry classes_;

    std::mutex queuesMutex_;
    std::map<std::uint32_t, std::weak_ptr<MessageQueue>> queues_;

    std::mutex backendMutex_;
    std::unique_ptr<Backend> backend_;
};

} // namespace plat::win
