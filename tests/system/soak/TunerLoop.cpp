// lxq745_tuner_loop SERIAL RATE: a second program beside the front panel, as a user runs one: it
// opens the receiver of that serial number through the API library and tunes and reads it RATE
// times a second, between two frequencies, until it is ended (SIGTERM). SIGUSR1 asks it to let go
// of the receiver (the computer is about to sleep), SIGUSR2 to open it again. Each second it
// prints "loops N errors E open O" on standard output.

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stop{false}, release{false}, reopen{false};

void OnSignal(int number) {
    if (number == SIGTERM) stop = true;
    if (number == SIGUSR1) release = true;
    if (number == SIGUSR2) reopen = true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: lxq745_tuner_loop SERIAL RATE\n");
        return 2;
    }
    const std::string serial = argv[1];
    const int rate = std::max(1, std::atoi(argv[2]));
    for (int s : {SIGTERM, SIGUSR1, SIGUSR2}) signal(s, OnSignal);
    const auto folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    void* api = dlopen((folder / "liblxq745api.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (api == nullptr) {
        std::fprintf(stderr, "lxq745_tuner_loop: %s\n", dlerror());
        return 1;
    }
    auto open = reinterpret_cast<std::int32_t (*)(const char*)>(dlsym(api, "Q7Open"));
    auto close = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "CloseRadioDevice"));
    auto power = reinterpret_cast<std::int32_t (*)(std::int32_t, std::int32_t)>(dlsym(api, "SetPower"));
    auto tune = reinterpret_cast<std::int32_t (*)(std::int32_t, std::uint32_t)>(dlsym(api, "SetFrequency"));
    auto level = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(api, "GetSignalStrengthdBm"));
    if (!open || !close || !power || !tune || !level) return 1;

    std::int32_t index = 0;
    bool held = true; // false between SIGUSR1 and SIGUSR2
    std::uint64_t loops = 0, errors = 0;
    const auto period = std::chrono::nanoseconds(1'000'000'000 / rate);
    auto next = std::chrono::steady_clock::now(), report = next + std::chrono::seconds(1);
    while (!stop) {
        if (release.exchange(false)) {
            if (index > 0) close(index);
            index = 0;
            held = false;
        }
        if (reopen.exchange(false)) held = true;
        if (held && index <= 0) {
            index = open(serial.c_str());
            if (index > 0) power(index, 1);
        }
        if (index > 0) {
            const std::uint32_t hz = (loops & 1) ? 145'550'000u : 433'600'000u;
            if (tune(index, hz) == 0) ++errors;
            level(index);
            ++loops;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= report) {
            std::printf("loops %llu errors %llu open %d\n", static_cast<unsigned long long>(loops),
                        static_cast<unsigned long long>(errors), index > 0 ? 1 : 0);
            std::fflush(stdout);
            report += std::chrono::seconds(1);
        }
        next += period;
        if (next < now) next = now;
        std::this_thread::sleep_until(next);
    }
    if (index > 0) close(index);
    std::printf("loops %llu errors %llu open 0\n", static_cast<unsigned long long>(loops),
                static_cast<unsigned long long>(errors));
    return 0;
}
