// A fresh process that loads the API library and lists the receivers it offers: prints how many
// there are and then each one's serial number, one a line, and exits.
//   lxq745_list_probe <API library>

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return 3;
    using List = std::int64_t (*)(void*, std::size_t, std::uint32_t*);
    auto list = reinterpret_cast<List>(dlsym(library, "GetRadioList"));
    if (list == nullptr) return 4;
    constexpr std::size_t kRecord = 42;  // RADIO_INFO_SHORT: size, then the serial's 9 bytes
    unsigned char records[16 * kRecord] = {};
    std::uint32_t recordSize = 0;
    const std::int64_t count = list(records, sizeof records, &recordSize);
    std::printf("%lld\n", static_cast<long long>(count));
    for (std::int64_t i = 0; i < count && i < 16; ++i) {
        char serial[10] = {};
        std::memcpy(serial, records + i * kRecord + 4, 9);
        std::printf("%s\n", serial);
    }
    return 0;
}
