// lxq745ctl: plugs, unplugs, suspends and resumes receivers of the running driver host.
//   lxq745ctl plug test rx1 | unplug rx1 | eject rx1 | suspend rx1 | resume rx1 | sleep | wake | list
//   lxq745ctl scene FILE       the simulated receivers hear the band of FILE from now on
// The host is the one serving the current LXQ745_NS. Exit status 0 on success, 1 when the host
// refused, 2 when no host runs (or only another user's), 3 when it did not answer within twice
// the request time-out (10 s; LXQ745_REQUEST_TIMEOUT_MS sets the request time-out), or at once
// when the host is stopped.

#include "driver/host/BusControlClient.h"
#include "platform/sys/DeviceChannel.h"
#include "platform/sys/DeviceWire.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    std::string command;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        // The host reads the scene file itself, from wherever it was started.
        if (i == 2 && std::string(argv[1]) == "scene") {
            std::unique_ptr<char, decltype(&std::free)> full(realpath(argv[i], nullptr), &std::free);
            if (full) word = full.get();
        }
        command += (i > 1 ? " " : "") + word;
    }
    std::string reply;
    const auto status = lxq::host::BusControlClient::Send(command, reply, 2 * plat::sys::RequestTimeout());
    if (!reply.empty() && reply.back() == '\n') reply.pop_back();
    std::fprintf(lxq::IsSuccess(status) ? stdout : stderr, "%s\n", reply.c_str());
    if (status == plat::sys::wire::kStatusNoSuchDevice) return 2;
    if (status == plat::sys::kStatusRequestTimedOut) return 3;
    return lxq::IsSuccess(status) ? 0 : 1;
}
