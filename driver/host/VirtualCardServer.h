#pragma once
// The driver host's virtual sound card: one pin for each simulated serial and PCI receiver, whose
// capture side carries that receiver's IF at 48 kHz. The card is served on a channel of its own
// (platform/audio/VirtualCardChannel.h) by one event loop; each capture stream gets a ring in
// memory the host creates and passes on, and is told of new samples through the eventfd the
// reader passed in, like the codec ring. What the reader writes in the ring is never trusted.

#include "driver/host/RepeatedLog.h"
#include "driver/sim/SimReceiver.h"
#include "platform/audio/VirtualCardChannel.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace lxq::host {

// The IF of one pin: renders the next samples at 48 kHz for what its receiver is tuned to now.
class IfSource {
public:
    virtual ~IfSource() = default;
    virtual void Render(std::span<std::int16_t> samples) = 0;
};

class VirtualCardServer {
public:
    // Readers served at once, and capture streams per connection and in all: each stream holds
    // a ring of up to vsc::kMaxRingBytes.
    static constexpr std::size_t kMaxConnections = 128;
    static constexpr std::size_t kMaxStreamsPerConnection = 1;
    static constexpr std::size_t kMaxStreams = 64;

    // The receivers that have pins, in pin order (asked at every request).
    using Pins = std::function<std::vector<std::shared_ptr<sim::SimReceiver>>()>;
    // Makes the IF of a pin's receiver for one capture stream.
    using Sources = std::function<std::unique_ptr<IfSource>(std::shared_ptr<sim::SimReceiver>)>;

    VirtualCardServer(Pins pins, Sources sources);
    ~VirtualCardServer();
    VirtualCardServer(const VirtualCardServer&) = delete;
    VirtualCardServer& operator=(const VirtualCardServer&) = delete;

    // Listens on the card's channel of the current LXQ745_NS; with realTime a thread feeds the
    // streams at 48 kHz on the active clock, else the caller feeds them with Feed.
    bool Start(bool realTime);
    // Why Start could not listen.
    const std::string& ListenRefusal() const { return listener_.Refusal(); }
    void Stop();
    // Renders the next `samples` samples into every running capture stream.
    void Feed(std::size_t samples);
    // The card's interface path.
    static std::string InterfacePath();
    // Capture streams running now.
    std::size_t StreamCount() const;

private:
    struct Connection;
    struct Stream;

    void Loop();
    void FeedLoop();
    void Serve(Connection& connection, const std::vector<std::uint8_t>& record, int passedFd);
    void Answer(Connection& connection, std::uint32_t id, std::uint32_t status, const void* out = nullptr,
                std::size_t length = 0, int fd = -1);
    void Drop(std::uint64_t connection);

    Pins pins_;
    Sources sources_;
    plat::audio::VirtualCardListener listener_;
    int wake_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread loop_;
    std::thread feeder_;
    std::vector<std::unique_ptr<Connection>> connections_; // loop thread only
    std::uint64_t nextConnection_ = 1;
    RepeatedLog log_;
    RepeatedLog lossLog_;
    mutable std::mutex streamsMutex_;
    std::vector<std::unique_ptr<Stream>> streams_;
};

// The pins of a host: its present simulated serial and PCI receivers, in device-number order.
class Bus;
VirtualCardServer::Pins SimulatedPins(const Bus& bus);

} // namespace lxq::host
