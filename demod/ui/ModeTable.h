#pragma once
// The demodulator's eleven modes in button order: name, settings block (mode index), demodulator
// kind, study-window flag word and the host's mode code.

#include <cstdint>

struct ModeEntry {
    const char* name;
    int modeIndex;
    int kind;
    std::uint32_t flags;
    std::uint32_t hostCode;
};

inline constexpr int kModeCount = 11;
inline constexpr int kModeLsb = 5;
inline constexpr int kModeUsb = 4;
inline constexpr int kModeIsb = 6;
inline constexpr int kModeCw = 7;
inline constexpr int kModeFm6 = 8;
inline constexpr int kModeFmn = 9;
inline constexpr int kModeFmw = 10;
inline constexpr std::uint32_t kHostCodeFmw = 3;

inline constexpr ModeEntry ModeTable[kModeCount] = {
    {"AM", 0, 0, 0x43000, 1},   {"AMN", 1, 0, 0x43000, 12}, {"AMS", 2, 1, 0x43000, 8},
    {"LSB", 5, 3, 0x43000, 4},  {"USB", 4, 4, 0x43000, 5},  {"CW", 7, 5, 0x43000, 0},
    {"DSB", 3, 1, 0x43000, 13}, {"ISB", 6, 2, 0x18F000, 14}, {"FM6", 8, 6, 0x43000, 11},
    {"FMN", 9, 6, 0x43000, 2},  {"FMW", 10, 6, 0, 3},
};

// Button of a host mode code; -1 when the table has none.
constexpr int ModeButtonOfHostCode(std::uint32_t code) {
    for (int i = 0; i < kModeCount; ++i)
        if (ModeTable[i].hostCode == code) return i;
    return -1;
}

// Button of a settings block (mode index); -1 for an index outside 0..10.
constexpr int ModeButtonOfIndex(int modeIndex) {
    for (int i = 0; i < kModeCount; ++i)
        if (ModeTable[i].modeIndex == modeIndex) return i;
    return -1;
}

// Default half IF bandwidth of a mode index, Hz.
constexpr double DefaultHalfBandwidth(int modeIndex) {
    constexpr double kHalf[kModeCount] = {4500, 2000, 2000, 2300, 1150, 1150, 2300, 250, 3000, 6000, 6000};
    return modeIndex >= 0 && modeIndex < kModeCount ? kHalf[modeIndex] : 4500;
}

// The bandwidth a host may set: below 10000 Hz in USB, LSB and FMW, below 20000 Hz otherwise.
constexpr std::int32_t BandwidthLimit(int modeIndex) {
    return modeIndex == kModeUsb || modeIndex == kModeLsb || modeIndex == kModeFmw ? 10000 : 20000;
}
