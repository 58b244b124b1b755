#pragma once
// A stand-in receiver API library for the model classes' own exports: it records what the
// receiver component sends and answers from this state, which a test reaches through the extra
// export "fakeApiState".

#include <cstdint>
#include <vector>

#include "driver/LX_Q7_EEPROM.h"

struct FakeApiState {
    bool connected = true;
    std::int32_t raw = 128;
    std::uint32_t rssi = 0;
    lxq::LX_Q7_EEPROM eeprom{};
    std::vector<std::int32_t> roofing; // values sent to SetRoofingFilter
    int calibrationWrites = 0;
    std::uint32_t lastFrequency = 0;
};

using FakeApiStateProc = FakeApiState* (*)();
