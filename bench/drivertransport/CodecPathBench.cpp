// How many bytes a second the codec path sustains, beside the 128,000 bytes a second that the
// receiver's 64 kHz 16-bit stream needs. Three depths: the ring alone; the USB transport putting
// simulated transfers into it; and the whole host side with the shared memory file, the event and a
// reader thread woken by it, as the API library's callback thread is.

#include <benchmark/benchmark.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "driver/host/CodecRingMemory.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/sim/UsbReceiverSimulator.h"
#include "driver/transport/CodecRingWriter.h"
#include "driver/transport/UsbTransport.h"

namespace {

using namespace lxq;
constexpr double kStreamNeed = 64'000.0 * 2; // bytes a second

// Drains the ring as CodecRead does; returns the bytes taken.
std::uint64_t Drain(std::uint8_t* base, std::uint8_t* out, std::uint64_t size) {
    transport::CodecRingHeader h;
    std::memcpy(&h, base, sizeof h);
    std::uint64_t taken = 0;
    while (h.readIndex != h.writeIndex) {
        std::uint64_t n = (size - h.readIndex + h.writeIndex) % size;
        if (h.readIndex + n > size) n = size - h.readIndex;
        std::memcpy(out, base + transport::kCodecRingHeaderSize + h.readIndex, n);
        h.readIndex = (h.readIndex + n) % size;
        taken += n;
    }
    std::memcpy(base + offsetof(transport::CodecRingHeader, readIndex), &h.readIndex, 8);
    return taken;
}

void BM_RingAppendAndDrain(benchmark::State& state) {
    const std::uint64_t size = 256'000;
    std::vector<std::uint8_t> memory(transport::kCodecRingHeaderSize + size);
    transport::CodecRingWriter ring(memory.data(), size);
    std::vector<std::uint8_t> packet(128, 0x5A), out(size);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < 256; ++i) ring.Append(packet.data(), packet.size());
        bytes += Drain(memory.data(), out.data(), size);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["x_stream_need"] = benchmark::Counter(static_cast<double>(bytes) / kStreamNeed, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RingAppendAndDrain);

class HeapRing final : public transport::SharedRingMemory {
public:
    explicit HeapRing(std::size_t n) : bytes_(n) {}
    std::uint8_t* Base() override { return bytes_.data(); }
    std::size_t Length() const override { return bytes_.size(); }
    int DuplicateHandle() const override { return -1; }

private:
    std::vector<std::uint8_t> bytes_;
};

// The USB transport's isochronous path: reorder check, per-packet copy into the ring.
void BM_TransportIsochronousPath(benchmark::State& state) {
    sim::SimReceiver receiver(sim::SimVariant::Usb);
    auto usb = std::make_unique<sim::UsbReceiverSimulator>(receiver);
    sim::UsbReceiverSimulator* simulator = usb.get();
    std::uint8_t* base = nullptr;
    transport::CodecServices services;
    services.makeRing = [&](std::size_t n) {
        auto ring = std::make_unique<HeapRing>(n);
        base = ring->Base();
        return ring;
    };
    host::ReceiverDevice device(std::make_unique<transport::UsbTransport>(std::move(usb), services));
    device.StartHardware();
    device.FirstOpen();
    CodecStartRequest in{};
    in.ringSize = 256'000;
    auto request = host::IoRequest::Control(IOCTL_LXQ745_CODEC_START, &in, sizeof in, 8, 0, [](host::IoRequest&) {});
    device.HandleDeviceControl(*request);
    request->Complete(kStatusSuccess);
    std::vector<std::uint8_t> out(in.ringSize);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        simulator->DeliverAudio(16);
        bytes += Drain(base, out.data(), in.ringSize);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["x_stream_need"] = benchmark::Counter(static_cast<double>(bytes) / kStreamNeed, benchmark::Counter::kIsRate);
    device.StopHardware();
}
BENCHMARK(BM_TransportIsochronousPath)->UseRealTime();

// The host's shared memory file and event, with a reader thread woken by the event that drains
// the ring: the host side of the stream as the owning process sees it.
void BM_SharedRingWithWokenReader(benchmark::State& state) {
    const std::uint64_t size = 256'000;
    auto memory = host::MemfdRingMemory::Create(transport::kCodecRingHeaderSize + size);
    transport::CodecRingWriter ring(memory->Base(), size);
    const int readerFd = eventfd(0, EFD_CLOEXEC);
    auto signal = host::EventFdSignal::Adopt(dup(readerFd));
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> taken{0};
    std::thread reader([&] {
        std::vector<std::uint8_t> out(size);
        while (!stop) {
            pollfd p{readerFd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            std::uint64_t count;
            if (read(readerFd, &count, sizeof count) < 0) continue;
            taken += Drain(memory->Base(), out.data(), size);
        }
    });
    std::vector<std::uint8_t> packet(128, 0x5A);
    std::uint64_t offered = 0;
    for (auto _ : state) {
        // One transfer's worth (16 packets), then the event, as the transport does.
        for (int i = 0; i < 16; ++i)
            if (ring.Append(packet.data(), packet.size())) offered += packet.size();
        signal->Signal();
    }
    stop = true;
    reader.join();
    close(readerFd);
    state.SetBytesProcessed(static_cast<std::int64_t>(offered));
    state.counters["x_stream_need"] = benchmark::Counter(static_cast<double>(offered) / kStreamNeed, benchmark::Counter::kIsRate);
    state.counters["lost_packets"] = ring.Lost();
}
BENCHMARK(BM_SharedRingWithWokenReader)->UseRealTime();

} // namespace
