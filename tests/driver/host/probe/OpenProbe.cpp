// A second process for the ownership tests: opens the device path given, prints the status in
// hex and exits (closing the handle).

#include "platform/sys/DeviceChannel.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    plat::sys::DeviceHandle handle;
    std::printf("%08X\n", handle.Open(argv[1]));
    return 0;
}
