// The stand-in API library. It exports the names the binding looks up with the library's own
// signatures; built with FAKE_API_PARTIAL it leaves out the information, EEPROM-write, extra and
// codec exports, as an older library would.
#include "tests/demod/audio/FakeReceiverApi.h"

#include "api/Lxq745Api.h"

#include <cstring>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
FakeApiState g_state;

std::int32_t Record(FakeApiCall& call, std::int64_t value) {
    ++call.count;
    call.lastValue = value;
    if (g_state.onCall != nullptr) g_state.onCall(call, value);
    return g_state.setResult;
}
} // namespace

FAKE_EXPORT FakeApiState* FakeApi_State() { return &g_state; }

FAKE_EXPORT int32_t Q7Open(const char* serial) {
    ++g_state.open.count;
    std::strncpy(g_state.openArgument, serial != nullptr ? serial : "(null)",
                 sizeof g_state.openArgument - 1);
    return g_state.openResult;
}
FAKE_EXPORT int32_t CloseRadioDevice(int32_t index) { return Record(g_state.close, index), 1; }
FAKE_EXPORT int32_t Q7GetEEP(int32_t, void* eeprom) {
    ++g_state.getEep.count;
    std::memcpy(eeprom, g_state.eeprom, 256);
    return 1;
}
FAKE_EXPORT int32_t SetAGC(int32_t, int32_t v) { return Record(g_state.setAgc, v); }
FAKE_EXPORT int32_t SetAtten(int32_t, int32_t v) { return Record(g_state.setAtten, v); }
FAKE_EXPORT int32_t SetIFGain(int32_t, int32_t v) { return Record(g_state.setIfGain, v); }
FAKE_EXPORT int32_t SetPower(int32_t, int32_t v) { return Record(g_state.setPower, v); }
FAKE_EXPORT int32_t SetFrequency(int32_t, uint32_t hz) { return Record(g_state.setFrequency, hz); }
FAKE_EXPORT uint64_t GetFrequency(int32_t) { return g_state.frequency; }
FAKE_EXPORT int32_t GetSignalStrengthdBm(int32_t) { return g_state.signalTenths; }

#ifndef FAKE_API_PARTIAL
FAKE_EXPORT int32_t Q7GetInfo(int32_t, void* record) {
    ++g_state.getInfo.count;
    std::uint32_t size = 0;
    std::memcpy(&size, record, 4);
    g_state.getInfo.lastValue = size;
    if (g_state.infoResult != 0) std::memcpy(record, g_state.info, sizeof g_state.info);
    return g_state.infoResult;
}
FAKE_EXPORT int32_t Q7WriteEEPROM(int32_t, uint32_t guard, uint32_t offset, uint32_t count,
                                  const void* data) {
    ++g_state.writeEeprom.count;
    g_state.writeEeprom.lastValue = offset;
    if (g_state.onCall != nullptr) g_state.onCall(g_state.writeEeprom, offset);
    g_state.lastGuard = guard;
    if (g_state.setResult != 0 && offset < 256 && count <= 256 - offset)
        std::memcpy(g_state.eeprom + offset, data, count);
    return g_state.setResult;
}
FAKE_EXPORT int32_t SetRFAmp(int32_t, int32_t v) { return Record(g_state.setRfAmp, v); }
FAKE_EXPORT int32_t SetFMW(int32_t, int32_t v) { return Record(g_state.setFmw, v); }
FAKE_EXPORT int32_t SetIF2Frequency(int32_t, int32_t hz) { return Record(g_state.setIf2, hz); }
FAKE_EXPORT int32_t CodecStart(int32_t, LXQ_CODEC_CALLBACK callback, void* context) {
    ++g_state.codecStart.count;
    g_state.codecCallback = callback;
    g_state.codecContext = context;
    return g_state.codecResult;
}
FAKE_EXPORT uint64_t CodecRead(int32_t, void* destination, uint64_t length) {
    ++g_state.codecRead.count;
    if (length > g_state.codecAvailable) length = g_state.codecAvailable;
    if (g_state.codecAvailable != ~uint64_t{0}) g_state.codecAvailable -= length;
    std::memset(destination, 0x11, static_cast<std::size_t>(length));
    return length;
}
FAKE_EXPORT int32_t IsDeviceConnected(int32_t) { return ++g_state.isConnected.count, g_state.connected; }
FAKE_EXPORT int32_t CodecStop(int32_t) { return ++g_state.codecStop.count, 1; }
// The real one asks the receiver about its own inversion on every call: a device request.
FAKE_EXPORT int32_t Q7InvertSpectrum(int32_t, int16_t*, size_t, float, size_t, int32_t invert) {
    return Record(g_state.invertSpectrum, invert), 1;
}
#endif
