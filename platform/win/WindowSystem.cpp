#include "platform/win/WindowSystem.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "platform/win/HeadlessBackend.h"
#include "platform/win/MessageApi.h"

namespace plat::win {
namespace {

// Holds the calling thread's queue; its destructor runs when the thread ends.
struct ThreadQueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~ThreadQueueHolder() {
        if (queue) WindowSystem::Instance().ThreadEnded(queue->ThreadId());
    }
};

thread_local ThreadQueueHolder t_queue;

} // namespace

std::uint32_t GetCurrentThreadId() {
    thread_local const std::uint32_t id = static_cast<std::uint32_t>(syscall(SYS_gettid));
    return id;
}

WindowSystem& WindowSystem::Instance() {
    // Never destroyed: threads and libraries may still reach it while the process shuts down.
    static WindowSystem* instance = new WindowSystem();
    return *instance;
}

WindowSystem::WindowSystem() : backend_(std::make_unique<HeadlessBackend>()) {}

std::shared_ptr<Window> WindowSystem::Find(Hwnd hwnd) {
    std::lock_guard lock(mutex_);
    return windows_.Find(hwnd);
}

MessageQueue& WindowSystem::CurrentQueue() { return *CurrentQueuePtr(); }

std::shared_ptr<MessageQueue> WindowSystem::CurrentQueuePtr() {
    if (!t_queue.queue) {
        auto queue = std::make_shared<MessageQueue>(GetCurrentThreadId());
        std::lock_guard lock(queuesMutex_);
        queues_[queue->ThreadId()] = queue;
        t_queue.queue = std::move(queue);
    }
    return t_queue.queue;
}

std::shared_ptr<MessageQueue> WindowSystem::QueueOf(std::uint32_t threadId) {
    std::lock_guard lock(queuesMutex_);
    auto it = queues_.find(threadId);
    return it == queues_.end() ? nullptr : it->second.lock();
}

Backend& WindowSystem::GetBackend() {
    std::lock_guard lock(backendMutex_);
    return *backend_;
}

void WindowSystem::SetBackend(std::unique_ptr<Backend> backend) {
    std::lock_guard lock(backendMutex_);
    backend_ = std::move(backend);
}

void WindowSystem::ThreadEnded(std::uint32_t threadId) {
    {
        std::lock_guard lock(mutex_);
        std::vector<Hwnd> gone;
        windows_.ForEach([&](std::uint32_t handle, const std::shared_ptr<Window>& w) {
            if (w->thread == threadId) gone.push_back(handle);
        });
        for (Hwnd h : gone) {
            auto w = windows_.Find(h);
            if (w->parent) {
                if (auto parent = windows_.Find(w->parent)) std::erase(parent->children, h);
            }
            std::erase(topLevels_, h);
            windows_.Remove(h);
        }
    }
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(queuesMutex_);
        auto it = queues_.find(threadId);
        if (it != queues_.end()) {
            queue = it->second.lock();
            queues_.erase(it);
        }
    }
    if (queue) queue->Close();
}

} // namespace plat::win
