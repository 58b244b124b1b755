// lxq745d: the driver host. It owns the receivers, serves the device channel of the current
// LXQ745_NS and runs until SIGINT or SIGTERM.
//   lxq745d [--simulate usb,serial,pci] [--scene FILE] [--usb VVVV:PPPP] [--device <kind>:<id>]...
// The simulated receivers hear the band of --scene FILE, or a built-in one without it; the serial
// and PCI ones deliver their IF through the host's virtual sound card.
// Each --device plugs a receiver at start; more come and go with lxq745ctl. "lxq745d: ready" on
// standard output says that the channel listens and the devices given are plugged.

#include "driver/host/BuiltInKinds.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/SceneCommand.h"
#include "driver/host/SceneIfSource.h"
#include "driver/host/UsbHotplug.h"
#include "driver/host/VirtualCardServer.h"
#include "platform/sys/DeviceChannel.h"

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// A stop signal ends the host within a second, whatever a thread of it is doing.
constexpr auto kStopBound = std::chrono::milliseconds(800);

} // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<std::string, std::string>> devices;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> usbIds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--simulate" && i + 1 < argc) {
            // --simulate usb,serial,pci: one simulated receiver of each variant named.
            std::string list = argv[++i];
            for (std::size_t at = 0; at <= list.size();) {
                const std::size_t comma = std::min(list.find(',', at), list.size());
                const std::string variant = list.substr(at, comma - at);
                if (variant != "usb" && variant != "serial" && variant != "pci") {
                    std::fprintf(stderr, "lxq745d: --simulate takes usb, serial and pci, not \"%s\"\n", variant.c_str());
                    return 2;
                }
                devices.emplace_back("sim-" + variant, "sim-" + variant + std::to_string(devices.size()));
                at = comma + 1;
            }
            continue;
        }
        if (arg == "--scene" && i + 1 < argc) {
            std::string message;
            if (!lxq::IsSuccess(lxq::host::SceneCommand::Run(argv[++i], message))) {
                std::fprintf(stderr, "lxq745d: --scene %s\n", message.c_str());
                return 2;
            }
            continue;
        }
        if (arg == "--usb" && i + 1 < argc) {
            // --usb VVVV:PPPP: receivers with that USB vendor and product id are plugged as they come.
            unsigned vendor = 0, product = 0;
            if (std::sscanf(argv[++i], "%4x:%4x", &vendor, &product) != 2) {
                std::fprintf(stderr, "lxq745d: --usb takes a vendor and product id, VVVV:PPPP\n");
                return 2;
            }
            usbIds.emplace_back(static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product));
            continue;
        }
        const std::string spec = arg == "--device" && i + 1 < argc ? argv[++i] : "";
        const auto colon = spec.find(':');
        if (colon != std::string::npos && colon != 0) {
            devices.emplace_back(spec.substr(0, colon), spec.substr(colon + 1));
        } else {
            std::fprintf(stderr, "usage: lxq745d [--simulate usb,serial,pci] [--scene FILE] [--usb VVVV:PPPP] [--device <kind>:<id>]...\n");
            return 2;
        }
    }

    // Signals are taken by sigwait below, so every thread must have them blocked. One ignored from
    // the start stays ignored (blocked, it would be held and taken): a host that a script starts in
    // the background outlives a Ctrl-C that the program in front of it closes on.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction now {};
        if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
        sigaddset(&stopSignals, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // Every connection holds a descriptor: take as many as the system lets this process have.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    lxq::host::DeviceKinds kinds;
    lxq::host::RegisterBuiltInKinds(kinds);
    lxq::host::Bus bus([&kinds](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    });
    lxq::host::ChannelServer server(bus);
    if (!server.Start()) {
        std::fprintf(stderr, "lxq745d: %s\n", server.ListenRefusal().c_str());
        return 1;
    }
    // The virtual sound card carries the IF of the simulated serial and PCI receivers.
    lxq::host::VirtualCardServer card(lxq::host::SimulatedPins(bus), [](std::shared_ptr<lxq::sim::SimReceiver> receiver) {
        return std::make_unique<lxq::host::SceneIfSource>(std::move(receiver));
    });
    if (!card.Start(true))
        std::fprintf(stderr, "lxq745d: no virtual sound card: %s\n", card.ListenRefusal().c_str());
    for (const auto& [kind, id] : devices) {
        std::string message;
        if (!lxq::IsSuccess(bus.Plug(kind, id, message))) {
            std::fprintf(stderr, "lxq745d: cannot plug %s:%s: %s\n", kind.c_str(), id.c_str(), message.c_str());
            server.Stop();
            return 1;
        }
    }
    std::vector<std::unique_ptr<lxq::host::UsbHotplug>> hotplugs;
    for (const auto& [vendor, product] : usbIds) {
        hotplugs.push_back(std::make_unique<lxq::host::UsbHotplug>(bus));
        if (!hotplugs.back()->Start(vendor, product))
            std::fprintf(stderr, "lxq745d: no USB hot-plug on this system; plug USB receivers with lxq745ctl\n");
    }
    std::printf("lxq745d: ready\n");
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    // The orderly stop joins the host's threads; one that is stuck or far behind must not hold
    // the process: past the bound it ends without them.
    std::thread([] {
        std::this_thread::sleep_for(kStopBound);
        std::fprintf(stderr, "lxq745d: the stop took longer than %lld ms; ending without waiting\n",
                     static_cast<long long>(kStopBound.count()));
        std::_Exit(0);
    }).detach();
    hotplugs.clear();
    card.Stop();
    server.Stop();
    bus.RemoveAll();
    return 0;
}
