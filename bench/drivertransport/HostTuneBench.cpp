// A full tune (push and lock wait) of each simulated variant through the driver host: a
// set-frequency request over the real socket, the handler, the tuning arithmetic, the transport
// and the simulator's answers.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "driver/host/BuiltInKinds.h"
#include "driver/host/ChannelServer.h"
#include "platform/sys/DeviceChannel.h"

namespace {

using namespace lxq;

void Tune(benchmark::State& state, const char* kind) {
    setenv("LXQ745_NS", ("bench-tune-" + std::to_string(getpid()) + kind).c_str(), 1);
    host::DeviceKinds kinds;
    host::RegisterBuiltInKinds(kinds);
    host::Bus bus([&](const std::string& k, const std::string& id, std::string& error) { return kinds.Make(k, id, error); });
    host::ChannelServer server(bus);
    server.Start();
    std::string message;
    bus.Plug(kind, "rx", message);
    plat::sys::DeviceHandle handle;
    handle.Open(plat::sys::ListDeviceInterfaces().at(0));
    auto call = [&](std::uint32_t code, std::vector<std::uint32_t> words) {
        std::uint64_t bytes = 0;
        return handle.Control(code, words.data(), static_cast<std::uint32_t>(4 * words.size()), words.data(),
                              static_cast<std::uint32_t>(4 * words.size()), 0, &bytes);
    };
    call(IOCTL_LXQ745_SET_POWER, {1});
    call(IOCTL_LXQ745_SET_REF_CLOCK, {0, 1, 0xFFFFFFFFu});
    call(IOCTL_LXQ745_SET_IF2_FREQUENCY, {455'000, 0, 1});
    if (std::string(kind) == "sim-usb") {
        // A USB receiver takes tuner state only while it streams: the tune includes its message.
        CodecStartRequest start{};
        start.ringSize = kCodecRingSizeDefault;
        std::uint64_t out = 0, bytes = 0;
        int ring = -1;
        handle.Control(IOCTL_LXQ745_CODEC_START, &start, sizeof start, &out, sizeof out, 0, &bytes, -1, &ring);
        if (ring >= 0) close(ring);
    }
    std::uint32_t hz = 100'000'000;
    for (auto _ : state) {
        hz = hz == 100'000'000 ? 145'000'000 : 100'000'000; // both synthesiser words change
        if (call(IOCTL_LXQ745_SET_FREQUENCY, {hz, 0, 1u | 8u}) != 0) state.SkipWithError("tune failed");
    }
    handle.Close();
    server.Stop();
    bus.RemoveAll();
    unsetenv("LXQ745_NS");
}

void BM_FullTuneUsb(benchmark::State& state) { Tune(state, "sim-usb"); }
void BM_FullTuneSerial(benchmark::State& state) { Tune(state, "sim-serial"); }
void BM_FullTunePci(benchmark::State& state) { Tune(state, "sim-pci"); }
BENCHMARK(BM_FullTuneUsb)->UseRealTime();
BENCHMARK(BM_FullTuneSerial)->UseRealTime();
BENCHMARK(BM_FullTunePci)->UseRealTime();

} // namespace
