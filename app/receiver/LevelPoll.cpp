#include "app/receiver/LevelPoll.h"

#include <utility>

#include "platform/win/MessageApi.h"

namespace lxq {

LevelPoll::LevelPoll(plat::win::Hwnd window, std::uint32_t message)
    : window_(window), message_(message), worker_([this] { Run(); }) {}

LevelPoll::~LevelPoll() {
    {
        std::lock_guard hold(lock_);
        stop_ = true;
        job_ = nullptr;
    }
    wake_.notify_all();
    worker_.join();
}

bool LevelPoll::Start(Measure measure) {
    {
        std::lock_guard hold(lock_);
        if (running_ || job_ || stop_) return false;
        job_ = std::move(measure);
    }
    wake_.notify_all();
    return true;
}

std::optional<LevelReading> LevelPoll::Take() {
    std::lock_guard hold(lock_);
    return std::exchange(reading_, std::nullopt);
}

bool LevelPoll::Busy() const {
    std::lock_guard hold(lock_);
    return running_ || job_ != nullptr;
}

void LevelPoll::Run() {
    std::unique_lock hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return stop_ || job_ != nullptr; });
        if (stop_) return;
        Measure job = std::move(job_);
        job_ = nullptr;
        running_ = true;
        hold.unlock();
        const LevelReading reading = job();
        hold.lock();
        running_ = false;
        reading_ = reading;
        plat::win::PostMessage(window_, message_, 0, 0);
    }
}

} // namespace lxq
