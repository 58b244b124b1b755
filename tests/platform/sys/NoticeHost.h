#pragma once
// A stand-in for the driver host that has no receivers and only tells its subscribers what the
// test makes it tell: arrivals, removals, and the computer's sleep and wake. It listens on the
// channel of the current LXQ745_NS, so it is started after the test's namespace is set.

#include "platform/sys/DeviceChannel.h"

#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat::sys::test {

class NoticeHost {
public:
    NoticeHost() {
        listening_ = listener_.Listen();
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
    ~NoticeHost() {
        listener_.Shutdown();
        acceptor_.join();
        {
            std::lock_guard lock(mutex_);
            for (auto& s : live_) s->Shutdown();
        }
        for (auto& t : workers_) t.join();
    }
    NoticeHost(const NoticeHost&) = delete;
    NoticeHost& operator=(const NoticeHost&) = delete;

    bool Listening() const { return listening_; }
    std::size_t Subscribers() {
        std::lock_guard lock(mutex_);
        return subscribers_.size();
    }
    void Notify(wire::NoticeEvent event, const std::string& path = {}) {
        wire::NoticeMessage notice{{static_cast<std::uint32_t>(wire::Kind::Notice), 0},
                                   static_cast<std::uint32_t>(event)};
        std::vector<std::uint8_t> record(sizeof notice + path.size());
        std::memcpy(record.data(), &notice, sizeof notice);
        std::memcpy(record.data() + sizeof notice, path.data(), path.size());
        std::lock_guard lock(mutex_);
        for (auto* s : subscribers_) s->Send(record.data(), record.size(), -1, false);
    }

private:
    void AcceptLoop() {
        for (;;) {
            ChannelSocket socket = listener_.Accept(nullptr);
            if (!socket.Valid()) return;
            std::lock_guard lock(mutex_);
            live_.push_back(std::make_unique<ChannelSocket>(std::move(socket)));
            ChannelSocket* s = live_.back().get();
            workers_.emplace_back([this, s] { Serve(*s); });
        }
    }
    void Serve(ChannelSocket& s) {
        std::vector<std::uint8_t> buffer;
        while (s.Receive(buffer) >= static_cast<long>(sizeof(wire::WireHeader))) {
            wire::WireHeader header{};
            std::memcpy(&header, buffer.data(), sizeof header);
            const auto kind = static_cast<wire::Kind>(header.kind);
            // No devices: a list is empty and an open finds nothing.
            wire::AnswerMessage answer{{static_cast<std::uint32_t>(wire::Kind::Answer), header.id},
                                       kind == wire::Kind::Open ? wire::kStatusNoSuchDevice : wire::kStatusSuccess,
                                       0, 0};
            if (kind == wire::Kind::Subscribe) {  // registered before the answer: no notice is missed
                std::lock_guard lock(mutex_);
                subscribers_.push_back(&s);
            }
            s.Send(&answer, sizeof answer);
        }
        std::lock_guard lock(mutex_);
        std::erase(subscribers_, &s);
    }

    ChannelListener listener_;
    bool listening_ = false;
    std::thread acceptor_;
    std::mutex mutex_;
    std::list<std::unique_ptr<ChannelSocket>> live_;
    std::list<std::thread> workers_;
    std::vector<ChannelSocket*> subscribers_;
};

} // namespace plat::sys::test
