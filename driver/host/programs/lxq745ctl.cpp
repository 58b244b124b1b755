// lxq745ctl: plugs, unplugs, suspends and resumes receivers of the running driver host.
//   lxq745ctl plug test rx1 | unplug rx1 | eject rx1 | suspend rx1 | resume rx1 | sleep | wake | list
// The host is the one serving the current LXQ745_NS. Exit status 0 on success, 1 when the host
// refused, 2 when no host runs.

#include "driver/host/BusControlClient.h"
#include "platform/sys/DeviceWire.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string command;
    for (int i = 1; i < argc; ++i) command += (i > 1 ? " " : "") + std::string(argv[i]);
    std::string reply;
    const auto status = lxq::host::BusControlClient::Send(command, reply);
    if (!reply.empty() && reply.back() == '\n') reply.pop_back();
    std::fprintf(lxq::IsSuccess(status) ? stdout : stderr, "%s\n", reply.c_str());
    if (status == plat::sys::wire::kStatusNoSuchDevice) return 2;
    return lxq::IsSuccess(status) ? 0 : 1;
}
