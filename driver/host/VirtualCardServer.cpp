#include "driver/host/VirtualCardServer.h"

#include "driver/host/Bus.h"
#include "driver/host/CodecRingMemory.h"
#include "driver/sim/SimRegistry.h"
#include "platform/audio/VirtualCardChannel.h"
#include "platform/audio/VirtualCardWire.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/Thread.h"

#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <string>

namespace lxq::host {

namespace wire = plat::sys::wire;
namespace vsc = plat::audio::vsc;

struct VirtualCardServer::Connection {
    std::uint64_t id = 0;
    plat::sys::ChannelSocket socket;
    bool opened = false;
};

struct VirtualCardServer::Stream {
    std::uint64_t connection = 0;
    std::unique_ptr<MemfdRingMemory> ring;
    std::unique_ptr<EventFdSignal> signal;
    std::unique_ptr<IfSource> source;
    std::uint64_t size = 0;
    // The host's own write index: the one in the shared header is only told to the reader.
    std::uint64_t write = 0;
};

namespace {

// How long the card stops accepting when the process is out of descriptors.
constexpr auto kAcceptBackOff = std::chrono::milliseconds(100);
// How often the feeding thread hands samples on: a few blocks of the reader's buffers.
constexpr plat::sys::Nanoseconds kFeedPeriod = 10 * plat::sys::kNsPerMs;

template <typename T>
T ReadRecord(const std::vector<std::uint8_t>& record) {
    T value{};
    std::memcpy(&value, record.data(), std::min(sizeof value, record.size()));
    return value;
}

vsc::PinAnswer PinAnswerFor(std::uint32_t pin, std::size_t pins) {
    vsc::PinAnswer answer{};
    answer.request = vsc::kPinFormat;
    answer.pin = pin;
    answer.pinCount = static_cast<std::uint32_t>(pins);
    if (pin < pins) {
        answer.format = {1, vsc::kChannels, vsc::kSampleRate, vsc::kSampleRate * vsc::kChannels * 2,
                         static_cast<std::uint16_t>(vsc::kChannels * 2), vsc::kBitsPerSample, 0};
        answer.inputPresent = 1;
        answer.outputPresent = 1;
    }
    return answer;
}

} // namespace

VirtualCardServer::VirtualCardServer(Pins pins, Sources sources)
    : pins_(std::move(pins)), sources_(std::move(sources)),
      lossLog_([](const std::string& line) { plat::sys::OutputDebugText(line); }) {}

VirtualCardServer::~VirtualCardServer() { Stop(); }

std::string VirtualCardServer::InterfacePath() { return std::string("lxq745vsc#0#") + vsc::kInterfaceClass; }

bool VirtualCardServer::Start(bool realTime) {
    if (!listener_.Listen()) return false;
    wake_ = eventfd(0, EFD_CLOEXEC);
    stopping_ = false;
    loop_ = std::thread([this] { Loop(); });
    if (realTime) feeder_ = std::thread([this] { FeedLoop(); });
    return true;
}

void VirtualCardServer::Stop() {
    if (!loop_.joinable()) return;
    stopping_ = true;
    const std::uint64_t one = 1;
    (void)!write(wake_, &one, sizeof one);
    loop_.join();
    if (feeder_.joinable()) feeder_.join();
    connections_.clear();
    {
        std::lock_guard lock(streamsMutex_);
        streams_.clear();
    }
    listener_.Close();
    close(wake_);
    wake_ = -1;
}

std::size_t VirtualCardServer::StreamCount() const {
    std::lock_guard lock(streamsMutex_);
    return streams_.size();
}

void VirtualCardServer::Loop() {
    bool acceptPaused = false;
    std::chrono::steady_clock::time_point acceptAgainAt{};
    while (!stopping_) {
        int timeout = -1;
        if (acceptPaused) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(acceptAgainAt -
                                                                                    std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
            acceptPaused = timeout > 0;
        }
        // Out of descriptors the listener stays readable: it is not watched for a moment, or the
        // loop would spin on it.
        std::vector<pollfd> fds{{wake_, POLLIN, 0},
                                {listener_.Descriptor(), static_cast<short>(acceptPaused ? 0 : POLLIN), 0}};
        for (const auto& c : connections_) fds.push_back({c->socket.Fd(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), acceptPaused ? timeout : -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;
        if (fds[1].revents & POLLIN) {
            errno = 0;
            plat::sys::ChannelSocket socket = listener_.Accept();
            if (!socket.Valid() && (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)) {
                log_.Write("card out of descriptors", std::string("lxq745d: virtual sound card out of descriptors (") +
                                                          std::strerror(errno) + "); accepting again shortly");
                acceptPaused = true;
                acceptAgainAt = std::chrono::steady_clock::now() + kAcceptBackOff;
            } else if (socket.Valid() && connections_.size() >= kMaxConnections) {
                log_.Write("card connections", "lxq745d: virtual sound card: refusing connections, " +
                                                   std::to_string(connections_.size()) + " are open");
            } else if (socket.Valid()) {
                auto connection = std::make_unique<Connection>();
                connection->id = nextConnection_++;
                connection->socket = std::move(socket);
                connections_.push_back(std::move(connection));
            }
        }
        std::vector<std::uint64_t> gone;
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            Connection& connection = *connections_[i - 2];
            std::vector<std::uint8_t> record;
            int passedFd = -1;
            if (connection.socket.Receive(record, &passedFd) < static_cast<long>(sizeof(wire::WireHeader))) {
                if (passedFd >= 0) close(passedFd);
                gone.push_back(connection.id);
                continue;
            }
            Serve(connection, record, passedFd);
        }
        for (std::uint64_t id : gone) Drop(id);
    }
}

void VirtualCardServer::Drop(std::uint64_t id) {
    {
        std::lock_guard lock(streamsMutex_);
        std::erase_if(streams_, [id](const auto& s) { return s->connection == id; });
    }
    std::erase_if(connections_, [id](const auto& c) { return c->id == id; });
}

void VirtualCardServer::Answer(Connection& connection, std::uint32_t id, std::uint32_t status, const void* out,
                               std::size_t length, int fd) {
    wire::AnswerMessage head{{static_cast<std::uint32_t>(wire::Kind::Answer), id}, status, 0, length};
    std::vector<std::uint8_t> record(sizeof head + length);
    std::memcpy(record.data(), &head, sizeof head);
    if (length != 0) std::memcpy(record.data() + sizeof head, out, length);
    // A reader that stopped reading its answers must not stall the card: it is let go.
    if (!connection.socket.Send(record.data(), record.size(), fd, false)) connection.socket.Shutdown();
}

void VirtualCardServer::Serve(Connection& connection, const std::vector<std::uint8_t>& record, int passedFd) {
    const auto header = ReadRecord<wire::WireHeader>(record);
    const auto kind = static_cast<wire::Kind>(header.kind);
    if (kind != wire::Kind::Control && passedFd >= 0) {
        close(passedFd);
        passedFd = -1;
    }
    if (!connection.opened && kind == wire::Kind::List) {
        std::string paths;
        if (!pins_().empty()) paths = InterfacePath() + '\0';
        Answer(connection, header.id, wire::kStatusSuccess, paths.data(), paths.size());
        return;
    }
    if (!connection.opened && kind == wire::Kind::Open) {
        const std::string path(record.begin() + sizeof header, record.end());
        bool known = false;
        if (!pins_().empty())
            for (const char* reference : {vsc::kCaptureReference, vsc::kRenderReference})
                known |= strcasecmp(path.c_str(), (InterfacePath() + reference).c_str()) == 0;
        connection.opened = known;
        Answer(connection, header.id, known ? wire::kStatusSuccess : wire::kStatusNoSuchDevice);
        return;
    }
    if (!connection.opened || kind != wire::Kind::Control || record.size() < sizeof(wire::ControlMessage)) {
        if (passedFd >= 0) close(passedFd);
        Answer(connection, header.id, wire::kStatusInvalidParameter);
        return;
    }
    const auto message = ReadRecord<wire::ControlMessage>(record);
    const std::uint8_t* in = record.data() + sizeof message;
    const std::size_t inLength = record.size() - sizeof message;
    const auto pins = pins_();
    if (message.code == vsc::kIoctlPin) {
        if (passedFd >= 0) close(passedFd);
        if (inLength != sizeof(vsc::PinQuery) || message.outLength < sizeof(vsc::PinAnswer)) {
            Answer(connection, header.id, wire::kStatusInvalidParameter);
            return;
        }
        vsc::PinQuery query{};
        std::memcpy(&query, in, sizeof query);
        if (query.request != vsc::kPinFormat) {
            Answer(connection, header.id, wire::kStatusInvalidParameter);
            return;
        }
        const vsc::PinAnswer answer = PinAnswerFor(query.pin, pins.size());
        Answer(connection, header.id, wire::kStatusSuccess, &answer, sizeof answer);
        return;
    }
    if (message.code == vsc::kIoctlStream && inLength == sizeof(vsc::StreamStart)) {
        vsc::StreamStart start{};
        std::memcpy(&start, in, sizeof start);
        auto signal = EventFdSignal::Adopt(passedFd); // closes what is no eventfd
        if (start.pin >= pins.size() || !signal || start.ringBytes < 2 || start.ringBytes % 2 != 0 ||
            start.ringBytes > vsc::kMaxRingBytes) {
            Answer(connection, header.id, wire::kStatusInvalidParameter);
            return;
        }
        {
            std::lock_guard lock(streamsMutex_);
            const auto mine = std::count_if(streams_.begin(), streams_.end(),
                                            [&](const auto& s) { return s->connection == connection.id; });
            if (static_cast<std::size_t>(mine) >= kMaxStreamsPerConnection || streams_.size() >= kMaxStreams) {
                // Each stream holds its ring: one reader cannot take the host's memory with them.
                Answer(connection, header.id, 0xC000009A); // insufficient resources
                return;
            }
        }
        auto stream = std::make_unique<Stream>();
        stream->connection = connection.id;
        stream->ring = MemfdRingMemory::Create(vsc::kRingHeaderSize + start.ringBytes);
        if (!stream->ring) {
            Answer(connection, header.id, 0xC000009A); // insufficient resources
            return;
        }
        stream->size = start.ringBytes;
        auto* ring = reinterpret_cast<vsc::RingHeader*>(stream->ring->Base());
        ring->size = start.ringBytes;
        stream->signal = std::move(signal);
        stream->source = sources_(pins[start.pin]);
        const int memory = stream->ring->DuplicateHandle();
        {
            std::lock_guard lock(streamsMutex_);
            streams_.push_back(std::move(stream));
        }
        Answer(connection, header.id, wire::kStatusSuccess, nullptr, 0, memory);
        if (memory >= 0) close(memory);
        return;
    }
    if (passedFd >= 0) close(passedFd);
    Answer(connection, header.id, 0xC0000010); // invalid device request
}

void VirtualCardServer::Feed(std::size_t samples) {
    std::vector<std::int16_t> block(samples);
    std::lock_guard lock(streamsMutex_);
    for (auto& stream : streams_) {
        if (stream->source) stream->source->Render(block);
        else std::fill(block.begin(), block.end(), 0);
        auto* header = reinterpret_cast<vsc::RingHeader*>(stream->ring->Base());
        std::uint8_t* data = stream->ring->Base() + vsc::kRingHeaderSize;
        const std::uint64_t size = stream->size;
        std::uint64_t write = stream->write;
        std::uint64_t read = std::atomic_ref(header->readIndex).load(std::memory_order_acquire);
        // The reader owns the read index: one out of range or odd makes the ring read as empty.
        if (read >= size || read % 2 != 0) read = write;
        const std::uint64_t used = (write + size - read) % size;
        const std::uint64_t room = (size - 2 - used) / 2;
        const std::size_t n = std::min<std::uint64_t>(room, samples);
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(data + write, &block[i], 2);
            write = (write + 2) % size;
        }
        if (n < samples) {
            // Never silent: the reader sees the count in the ring, whoever watches the host the line.
            const std::uint32_t lost = static_cast<std::uint32_t>(samples - n);
            const std::uint32_t total = std::atomic_ref(header->lostSamples).fetch_add(lost) + lost;
            lossLog_.Write("IF samples lost", "lxq745d: virtual sound card: " + std::to_string(lost) +
                                       " IF samples lost, the reader is behind (" + std::to_string(total) +
                                       " in all)");
        }
        stream->write = write;
        std::atomic_ref(header->writeIndex).store(write, std::memory_order_release);
        stream->signal->Signal();
    }
}

void VirtualCardServer::FeedLoop() {
    // A sound card's clock does not wait for a busy machine: the feeder runs ahead of the programs.
    plat::sys::SetCurrentThreadPriority(plat::sys::ThreadPriority::Highest);
    auto& clock = plat::sys::ActiveClock();
    const plat::sys::Nanoseconds start = clock.Now();
    std::uint64_t fed = 0;
    while (!stopping_) {
        clock.Sleep(kFeedPeriod);
        const auto elapsed = static_cast<std::uint64_t>(clock.Now() - start);
        const std::uint64_t due = elapsed * vsc::kSampleRate / plat::sys::kNsPerSecond;
        if (due > fed) {
            Feed(static_cast<std::size_t>(due - fed));
            fed = due;
        }
    }
}

VirtualCardServer::Pins SimulatedPins(const Bus& bus) {
    return [&bus] {
        std::vector<std::shared_ptr<sim::SimReceiver>> pins;
        for (const std::string& path : bus.PresentPaths()) {
            // Interface paths are "lxq745#<bus id>#<class>".
            const auto first = path.find('#');
            const auto second = path.find('#', first + 1);
            if (first == std::string::npos || second == std::string::npos) continue;
            const auto device = sim::SimRegistry::Find(path.substr(first + 1, second - first - 1));
            if (device.receiver && (device.receiver->Variant() == sim::SimVariant::Serial ||
                                    device.receiver->Variant() == sim::SimVariant::Pci))
                pins.push_back(device.receiver);
        }
        return pins;
    };
}

} // namespace lxq::host
