#pragma once
// The receiver table that every process using the library shares: a header with the process
// count, the open counts and owners of the 16 receivers, then one RadioSlot per receiver. The
// layout is fixed byte for byte (packed, little-endian), because processes built separately map
// the same memory. Handles and addresses in a slot mean something only inside the owning process.

#include "api/DeviceControl.h"

#include <cstddef>
#include <cstdint>

namespace lxq::api {

inline constexpr int kRadioCount = 16;
inline constexpr std::size_t kDevicePathSize = 260;
inline constexpr std::uint64_t kNoDeviceHandle = ~std::uint64_t{0};
inline constexpr std::uint32_t kIf2AfterOpenHz = 12'000;

#pragma pack(push, 1)
struct RadioSlot {
    std::uint32_t disconnected;   // an opened receiver was unplugged; the cache stays in force
    std::uint32_t reserved4;
    std::uint64_t deviceHandle;   // kNoDeviceHandle = none
    std::uint32_t simulated;      // 1 = demonstration slot answered from the cache
    char devicePath[kDevicePathSize];
    LX_Q7_EEPROM eeprom;
    std::uint32_t rfAmp;
    std::uint32_t pllSpeed;
    std::uint32_t fmWide;
    std::uint8_t filterValue;
    FILTER_NODE filterTables[4][kFilterNodesPerBand]; // bands 4..7
    std::uint8_t reserved805[3];
    std::uint64_t frequency;
    std::uint32_t pendingFrequency; // pipelined tuning: 0 = none
    std::uint8_t pendingDwell;
    std::uint8_t reserved821[3];
    std::int32_t lastLevel; // tenths of dBm
    std::uint32_t atten;
    std::uint32_t power;
    std::int32_t agc; // -1 = unknown, forces the next set
    std::int32_t ifGain;
    std::int32_t if1ManGain;
    std::uint32_t if2Frequency;
    std::uint8_t codecGain; // 0 = never set
    std::uint8_t reserved853[3];
    std::uint64_t scanThread;    // 0 = no scan
    std::uint64_t scanStepEvent;
    std::uint64_t scanList;
    std::uint32_t scanCount;
    std::uint32_t reserved884;
    std::uint64_t scanWindow;
    std::uint32_t scanMessage;
    std::uint32_t scanReportIntervalMs;
    std::uint32_t scanStopLevel;
    std::uint32_t scanRunning;
    std::uint8_t reserved912[8];
};

struct SharedRadioTable {
    std::uint8_t reserved0[33];
    std::int32_t processCount;
    std::int32_t openCount[kRadioCount];
    std::uint32_t ownerProcess[kRadioCount];
    RadioSlot slots[kRadioCount];
};
#pragma pack(pop)

static_assert(sizeof(RadioSlot) == 920);
static_assert(offsetof(RadioSlot, disconnected) == 0);
static_assert(offsetof(RadioSlot, reserved4) == 4);
static_assert(offsetof(RadioSlot, deviceHandle) == 8);
static_assert(offsetof(RadioSlot, simulated) == 16);
static_assert(offsetof(RadioSlot, devicePath) == 20);
static_assert(offsetof(RadioSlot, eeprom) == 280);
static_assert(offsetof(RadioSlot, rfAmp) == 536);
static_assert(offsetof(RadioSlot, pllSpeed) == 540);
static_assert(offsetof(RadioSlot, fmWide) == 544);
static_assert(offsetof(RadioSlot, filterValue) == 548);
static_assert(offsetof(RadioSlot, filterTables) == 549);
static_assert(offsetof(RadioSlot, reserved805) == 805);
static_assert(offsetof(RadioSlot, frequency) == 808);
static_assert(offsetof(RadioSlot, pendingFrequency) == 816);
static_assert(offsetof(RadioSlot, pendingDwell) == 820);
static_assert(offsetof(RadioSlot, reserved821) == 821);
static_assert(offsetof(RadioSlot, lastLevel) == 824);
static_assert(offsetof(RadioSlot, atten) == 828);
static_assert(offsetof(RadioSlot, power) == 832);
static_assert(offsetof(RadioSlot, agc) == 836);
static_assert(offsetof(RadioSlot, ifGain) == 840);
static_assert(offsetof(RadioSlot, if1ManGain) == 844);
static_assert(offsetof(RadioSlot, if2Frequency) == 848);
static_assert(offsetof(RadioSlot, codecGain) == 852);
static_assert(offsetof(RadioSlot, reserved853) == 853);
static_assert(offsetof(RadioSlot, scanThread) == 856);
static_assert(offsetof(RadioSlot, scanStepEvent) == 864);
static_assert(offsetof(RadioSlot, scanList) == 872);
static_assert(offsetof(RadioSlot, scanCount) == 880);
static_assert(offsetof(RadioSlot, reserved884) == 884);
static_assert(offsetof(RadioSlot, scanWindow) == 888);
static_assert(offsetof(RadioSlot, scanMessage) == 896);
static_assert(offsetof(RadioSlot, scanReportIntervalMs) == 900);
static_assert(offsetof(RadioSlot, scanStopLevel) == 904);
static_assert(offsetof(RadioSlot, scanRunning) == 908);
static_assert(offsetof(RadioSlot, reserved912) == 912);

static_assert(sizeof(SharedRadioTable) == 14'885);
static_assert(offsetof(SharedRadioTable, reserved0) == 0);
static_assert(offsetof(SharedRadioTable, processCount) == 33);
static_assert(offsetof(SharedRadioTable, openCount) == 37);
static_assert(offsetof(SharedRadioTable, ownerProcess) == 101);
static_assert(offsetof(SharedRadioTable, slots) == 165);

} // namespace lxq::api
