// A fresh process that opens the first receiver through the API library, asks for two settings
// at once and reads them back: prints "<SetAGC> <SetAtten> <GetAGC> <GetAtten>" and exits.
//   lxq745_settings_probe <API library> <AGC mode> <attenuator 0/1>

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return 3;
    using Open = std::int32_t (*)(std::int32_t);
    using Set = std::int32_t (*)(std::int32_t, std::int32_t);
    using Get = std::int32_t (*)(std::int32_t);
    auto open = reinterpret_cast<Open>(dlsym(library, "OpenRadioDevice"));
    auto close = reinterpret_cast<Get>(dlsym(library, "CloseRadioDevice"));
    auto setAgc = reinterpret_cast<Set>(dlsym(library, "SetAGC"));
    auto setAtten = reinterpret_cast<Set>(dlsym(library, "SetAtten"));
    auto getAgc = reinterpret_cast<Get>(dlsym(library, "GetAGC"));
    auto getAtten = reinterpret_cast<Get>(dlsym(library, "GetAtten"));
    if (!open || !close || !setAgc || !setAtten || !getAgc || !getAtten) return 4;
    const std::int32_t index = open(0);
    if (index < 1) return 5;
    const std::int32_t agc = setAgc(index, std::atoi(argv[2]));
    const std::int32_t atten = setAtten(index, std::atoi(argv[3]));
    std::printf("%d %d %d %d\n", agc, atten, getAgc(index), getAtten(index));
    close(index);
    return 0;
}
