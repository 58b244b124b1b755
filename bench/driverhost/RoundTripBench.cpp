// A set-frequency request on its way from a client to the handler and back, beside a bare
// socket round trip of the same size in the same run: the host's own share (dispatch, handler,
// tuning arithmetic, push to an instant receiver) against what the socket costs.

#include "driver/host/BuiltInKinds.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/Dispatcher.h"
#include "platform/sys/DeviceChannel.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using namespace lxq;
using namespace lxq::host;

// Two frequencies a band apart, so that every request tunes for real.
constexpr std::uint32_t kFrequencies[2] = {145'500'000, 433'920'000};

struct Host {
    Host() {
        setenv("LXQ745_NS", ("bench" + std::to_string(getpid())).c_str(), 1);
        RegisterBuiltInKinds(kinds);
        server.Start();
        std::string message;
        bus.Plug("test", "bench", message);
        path = message;
    }
    ~Host() {
        server.Stop();
        bus.RemoveAll();
    }
    DeviceKinds kinds;
    Bus bus{[this](const std::string& k, const std::string& id, std::string& e) { return kinds.Make(k, id, e); }};
    ChannelServer server{bus};
    std::string path;
};

void PowerUp(plat::sys::DeviceHandle& handle) {
    std::uint64_t bytes;
    std::uint32_t words[3] = {0, kRefSourceInternal, kRefClockKeepHz};
    handle.Control(IOCTL_LXQ745_SET_REF_CLOCK, words, 12, words, 12, 0, &bytes);
    std::uint32_t on = 1;
    handle.Control(IOCTL_LXQ745_SET_POWER, &on, 4, &on, 4, 0, &bytes);
}

void BareSocketRoundTrip(benchmark::State& state) {
    int fds[2];
    socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds);
    std::thread echo([fd = fds[1]] {
        char buffer[64];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) send(fd, buffer, 36, MSG_NOSIGNAL);
    });
    char request[44] = {}, answer[64];
    for (auto _ : state) {
        send(fds[0], request, sizeof request, MSG_NOSIGNAL);
        benchmark::DoNotOptimize(recv(fds[0], answer, sizeof answer, 0));
    }
    shutdown(fds[0], SHUT_RDWR);
    echo.join();
    close(fds[0]);
    close(fds[1]);
}
BENCHMARK(BareSocketRoundTrip)->UseRealTime();

void HandlerOnly(benchmark::State& state) {
    Host host;
    plat::sys::DeviceHandle handle;
    handle.Open(host.path);
    PowerUp(handle);
    const DevicePtr device = host.bus.FindByBusId("bench");
    std::size_t i = 0;
    for (auto _ : state) {
        FreqRequest request{kFrequencies[++i & 1], 0, kFreqWaitPush | kFreqWaitLock};
        auto io = IoRequest::Control(IOCTL_LXQ745_SET_FREQUENCY, &request, 12, 12, 0, nullptr);
        Dispatcher::Dispatch(device, io);
        benchmark::DoNotOptimize(io->Status());
    }
}
BENCHMARK(HandlerOnly)->UseRealTime();

void ChannelSetFrequency(benchmark::State& state) {
    Host host;
    plat::sys::DeviceHandle handle;
    handle.Open(host.path);
    PowerUp(handle);
    std::size_t i = 0;
    for (auto _ : state) {
        FreqRequest request{kFrequencies[++i & 1], 0, kFreqWaitPush | kFreqWaitLock};
        std::uint64_t bytes;
        benchmark::DoNotOptimize(
            handle.Control(IOCTL_LXQ745_SET_FREQUENCY, &request, 12, &request, 12, 0, &bytes));
    }
}
BENCHMARK(ChannelSetFrequency)->UseRealTime();

void ApiSetFrequency(benchmark::State& state) {
    Host host;
    const std::string library =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/liblxq745api.so";
    void* api = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (api == nullptr) {
        state.SkipWithError("no API library next to the benchmark");
        return;
    }
    auto open = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "OpenRadioDevice"));
    auto power = reinterpret_cast<std::int32_t (*)(std::int32_t, std::int32_t)>(dlsym(api, "SetPower"));
    auto tune = reinterpret_cast<std::int32_t (*)(std::int32_t, std::uint32_t)>(dlsym(api, "SetFrequency"));
    auto close = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "CloseRadioDevice"));
    const std::int32_t index = open(0);
    power(index, 1);
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(tune(index, kFrequencies[++i & 1]));
    close(index);
    dlclose(api);
}
BENCHMARK(ApiSetFrequency)->UseRealTime();

} // namespace
