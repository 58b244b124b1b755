#pragma once
// A recording host, a capability block and the stand-in receiver library for tests of the
// demodulator's windows.

#include "demod/ui/KvrCodes.h"
#include "platform/sys/Module.h"
#include "tests/demod/audio/FakeReceiverApi.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace demod_test {

struct HostCall {
    std::int32_t instance;
    std::uint32_t code, dwParam, cbData;
    std::vector<unsigned char> data;
    std::int32_t Field(std::size_t at) const {
        std::int32_t v = 0;
        if (at + 4 <= data.size()) std::memcpy(&v, data.data() + at, 4);
        return v;
    }
};

// What the host was told, and what it answers to setting queries (code -> answer).
struct RecordingHost {
    std::vector<HostCall> calls;
    std::map<std::uint32_t, std::int32_t> settings;
    std::vector<HostCall> Of(std::uint32_t code) const {
        std::vector<HostCall> out;
        for (const HostCall& c : calls)
            if (c.code == code) out.push_back(c);
        return out;
    }
};

inline RecordingHost& Host() {
    static RecordingHost host;
    return host;
}

inline std::int32_t HostCallbackFn(std::int32_t instance, std::uint32_t code, std::uint32_t dwParam,
                                   std::uint32_t cbData, void* lpData) {
    HostCall c{instance, code, dwParam, cbData, {}};
    if (lpData != nullptr) c.data.assign(static_cast<unsigned char*>(lpData), static_cast<unsigned char*>(lpData) + cbData);
    Host().calls.push_back(c);
    if (code == KVR_CB_GET_SETTING) {
        auto it = Host().settings.find(dwParam);
        return it == Host().settings.end() ? kKvrNone : it->second;
    }
    return 0;
}

// A 400-byte capability block with the texts the plug-in reads.
inline std::vector<unsigned char> Caps(const char* maker = "Talvenor Communications",
                                       const char* product = "Q7PCIv1", const char* serial = "") {
    std::vector<unsigned char> caps(400, 0);
    const std::uint32_t size = 400;
    std::memcpy(caps.data(), &size, 4);
    std::memcpy(caps.data() + 4, &size, 4);
    std::strncpy(reinterpret_cast<char*>(caps.data() + 12), maker, 31);
    std::strncpy(reinterpret_cast<char*>(caps.data() + 44), product, 31);
    std::strncpy(reinterpret_cast<char*>(caps.data() + 76), serial, 15);
    return caps;
}

// The stand-in library's state: the same instance the window's binding loads.
inline FakeApiState& Api() {
    static auto module = plat::sys::Module::Load(FAKE_API_PATH);
    return *reinterpret_cast<FakeApiStateFn>(module->Symbol("FakeApi_State"))();
}

// A stand-in receiver that opens, with a valid all-zero slope record and wide FM as asked.
inline void ResetApi(bool wideFm = true) {
    Api() = FakeApiState{};
    for (int k = 0; k < 11; ++k) Api().eeprom[216 + k] = 128;
    Api().eeprom[227] = 0x80;
    Api().eeprom[228] = 0x05;
    Api().eeprom[80] = wideFm ? 0x2 : 0x0;
}

} // namespace demod_test
