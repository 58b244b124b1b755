// The stand-in API library (see FakeApiState.h). One receiver, index 1.

#include <cstring>

#include "api/Lxq745Api.h"
#include "tests/app/receiver/fakeapi/FakeApiState.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
FakeApiState state;
} // namespace

EXPORT FakeApiState* fakeApiState() { return &state; }
EXPORT int32_t Q7Open(const char*) { return 1; }
EXPORT int32_t IsUSVersion(int32_t) { return 0; }
EXPORT int32_t CloseRadioDevice(int32_t) { return 1; }
EXPORT int32_t IsDeviceConnected(int32_t) { return state.connected ? 1 : 0; }
EXPORT int32_t Q7GetInfo(int32_t, void* record) {
    RADIO_INFO info{};
    info.size = sizeof info;
    std::memcpy(info.serial, "FAKE0001", 8);
    std::memcpy(info.model, "Q786USB", 7);
    info.minFrequency = 9'000;
    info.maxFrequency = 1'800'000'000;
    std::memcpy(record, &info, sizeof info);
    return 1;
}
EXPORT int32_t Q7GetEEP(int32_t, void* image) {
    std::memcpy(image, &state.eeprom, sizeof state.eeprom);
    return 1;
}
EXPORT int32_t Q7WrCalib(int32_t, const void*) {
    ++state.calibrationWrites;
    return 1;
}
EXPORT int32_t SetRoofingFilter(int32_t, int32_t v) {
    state.roofing.push_back(v);
    return 1;
}
EXPORT int32_t GetRoofingFilter(int32_t) { return state.roofing.empty() ? 0 : state.roofing.back(); }
EXPORT int32_t GetRawSignalStrength(int32_t) { return state.raw; }
EXPORT uint32_t Q7GetInternalRSSI(int32_t) { return state.rssi; }
EXPORT int32_t Q7GetLastRawSS(int32_t) { return state.raw; }
EXPORT int32_t SetFrequency(int32_t, uint32_t hz) {
    state.lastFrequency = hz;
    return 1;
}
