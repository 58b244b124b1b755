#pragma once
// What the stand-in API library records and answers; the test reaches it through the exported
// FakeApi_State of the very library instance the binding loaded.

#include <cstdint>

struct FakeApiCall {
    int count = 0;
    std::int64_t lastValue = 0;
};

struct FakeApiState {
    std::int32_t openResult = 3;
    std::int32_t setResult = 1; // answer of every setter
    std::int32_t infoResult = 1;
    unsigned char info[42] = {};
    unsigned char eeprom[256] = {};
    std::uint64_t frequency = 0;
    std::int32_t signalTenths = 0;
    std::int32_t codecResult = 1;
    std::int32_t connected = 1; // IsDeviceConnected's answer
    std::uint64_t codecAvailable = ~std::uint64_t{0}; // bytes CodecRead still delivers
    void (*codecCallback)(void*) = nullptr;
    void* codecContext = nullptr;
    FakeApiCall open, close, getEep, getInfo, writeEeprom, setAgc, setAtten, setIfGain, setPower,
        setFrequency, setRfAmp, setFmw, setIf2, codecStart, codecRead, codecStop, isConnected, invertSpectrum;
    char openArgument[16] = {};
    std::uint32_t lastGuard = 0;
    // Called by every recorded call, on the caller's thread, before it answers: a test's stand-in
    // for a receiver that takes its time.
    void (*onCall)(const FakeApiCall& call, std::int64_t value) = nullptr;
};

using FakeApiStateFn = FakeApiState* (*)();
