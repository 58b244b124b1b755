#pragma once
// The contract between the plug-in host and a plug-in (a shared object with the .kvr extension):
// the four exports, the host callback, and the notification, callback and query codes. Every
// argument and result is a 32-bit value or an address; 0x80000000 always means not handled, none
// or failed. Codes below 0x4000 are receiver traffic, 0x4000 and above host services.

#include <cstdint>

extern "C" {

// Host callback: instance handle from kvrPluginStart, code, parameter, byte count, data.
typedef std::int32_t (*KvrHostCallback)(std::int32_t instance, std::uint32_t uMsg,
                                        std::uint32_t dwParam, std::uint32_t cbData, void* lpData);

// kvrPluginInit(interface version, host identification, name buffer, its size) -> type word.
typedef std::uint32_t (*KvrPluginInitProc)(std::uint32_t version, const char* serverId,
                                           char* name, std::uint32_t nameSize);
// kvrPluginStart(receiver handle, RADIODEVCAPS or null, host callback, notification mask).
typedef std::int32_t (*KvrPluginStartProc)(std::uint32_t receiver, void* caps,
                                           KvrHostCallback callback, std::uint32_t* mask);
// kvrPluginNotify(receiver handle, code, parameter, byte count, data).
typedef std::int32_t (*KvrPluginNotifyProc)(std::uint32_t receiver, std::uint32_t uMsg,
                                            std::uint32_t dwParam, std::uint32_t cbData,
                                            void* lpData);
typedef void (*KvrPluginDoneProc)();
}

namespace lxq::kvr {

inline constexpr const char* kRegistryKey = "Software\\KVR";
inline constexpr const char* kSearchPathValue = "SearchPath";
inline constexpr const char* kPluginExtension = ".kvr";

inline constexpr const char* kInitExport = "kvrPluginInit";
inline constexpr const char* kStartExport = "kvrPluginStart";
inline constexpr const char* kNotifyExport = "kvrPluginNotify";
inline constexpr const char* kDoneExport = "kvrPluginDone";

inline constexpr std::uint32_t kInterfaceVersion = 0x100;
inline constexpr std::uint32_t kNameBufferSize = 64;

inline constexpr std::int32_t kNotHandled = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t kNotRunning = kNotHandled; // instance handle of a stopped plug-in

// Type word: category in bits 8 and up; a demodulator is category 4 with bit 0x80 set. The host
// adds kTypeRunning to the type word of a running plug-in in its answers.
inline constexpr std::uint32_t kTypeEmbedded = 0x80;
inline constexpr std::uint32_t kCategoryDemodulator = 4;
inline constexpr std::uint32_t kTypeRunning = 0x10000;
constexpr bool IsDemodulator(std::uint32_t type) {
    return (type >> 8) == kCategoryDemodulator && (type & kTypeEmbedded) != 0;
}

// A code below 0x4000 is withheld from a plug-in whose mask has bit ((code >> 8) & 31) set.
inline constexpr std::uint32_t kFirstHostCode = 0x4000;
constexpr bool MaskLetsThrough(std::uint32_t mask, std::uint32_t uMsg) {
    return uMsg >= kFirstHostCode || (mask & (1u << ((uMsg >> 8) & 31u))) == 0;
}

// Notifications, host -> plug-in.
inline constexpr std::uint32_t kNotifyDisable = 0x0000;
inline constexpr std::uint32_t kNotifyPower = 0x0100;
inline constexpr std::uint32_t kNotifyMemoryChanged = 0x0200;
inline constexpr std::uint32_t kNotifyMemoryEntry = 0x0201;
inline constexpr std::uint32_t kNotifyMemoryFile = 0x0202;
inline constexpr std::uint32_t kNotifyPluginStarted = 0x0300;
inline constexpr std::uint32_t kNotifyPluginStopped = 0x0301;
inline constexpr std::uint32_t kNotifyFrequency = 0x0800;
inline constexpr std::uint32_t kNotifyTunedFrequency = 0x0804;
inline constexpr std::uint32_t kNotifyDeviceFrequency = 0x0805;
inline constexpr std::uint32_t kNotifyMode = 0x0900;
inline constexpr std::uint32_t kNotifySquelchLevel = 0x0B00;
inline constexpr std::uint32_t kNotifySquelch = 0x0B01;
inline constexpr std::uint32_t kNotifySquelched = 0x0B02;
inline constexpr std::uint32_t kNotifyRawLevel = 0x0B04;
inline constexpr std::uint32_t kNotifyLevelTenths = 0x0B05;
inline constexpr std::uint32_t kNotifyLevelCorrection = 0x0B06;
inline constexpr std::uint32_t kNotifyAttenuator = 0x0C01;
inline constexpr std::uint32_t kNotifyPreAmp = 0x0C02;
inline constexpr std::uint32_t kNotifyBandwidth = 0x0D00;
inline constexpr std::uint32_t kNotifyAgc = 0x0D01;
inline constexpr std::uint32_t kNotifyIfGain = 0x0D02;
inline constexpr std::uint32_t kNotifyIfShift = 0x0D03;
inline constexpr std::uint32_t kNotifyAfc = 0x0D04;
inline constexpr std::uint32_t kNotifyAudioLevel = 0x0D05;
inline constexpr std::uint32_t kNotifyIfGainDb = 0x0D06;
inline constexpr std::uint32_t kNotifyGainWord = 0x0D07;
inline constexpr std::uint32_t kNotifySagc = 0x0D08;
inline constexpr std::uint32_t kNotifyVolume = 0x0E00;
inline constexpr std::uint32_t kNotifyMute = 0x0E01;
inline constexpr std::uint32_t kNotifyAudioFilter = 0x0E06;
inline constexpr std::uint32_t kNotifyScanMode = 0x0F00;
inline constexpr std::uint32_t kNotifyClose = 0x4000;
inline constexpr std::uint32_t kNotifyMinimized = 0x4001;
inline constexpr std::uint32_t kNotifyVisible = 0x4002;
inline constexpr std::uint32_t kNotifyCapabilities = 0x4005;

// Callbacks, plug-in -> host.
inline constexpr std::uint32_t kCbReceiverFirst = 0x0800;
inline constexpr std::uint32_t kCbReceiverLast = 0x1509;
inline constexpr std::uint32_t kCbResumeScanner = 0x1402;
inline constexpr std::uint32_t kCbClosed = 0x4000;
inline constexpr std::uint32_t kCbSetDisabled = 0x4001;
inline constexpr std::uint32_t kCbGetSetting = 0x4002;
inline constexpr std::uint32_t kCbSetMask = 0x4003;
inline constexpr std::uint32_t kCbSetMinimized = 0x4004;
inline constexpr std::uint32_t kCbSetVisible = 0x4005;
inline constexpr std::uint32_t kCbSetCapabilities = 0x4006;
inline constexpr std::uint32_t kCbMemoryFirst = 0x4100;
inline constexpr std::uint32_t kCbMemoryChanged = 0x4100;
inline constexpr std::uint32_t kCbMemoryEntry = 0x4101;
inline constexpr std::uint32_t kCbMemoryLast = 0x4104;
inline constexpr std::uint32_t kCbMemoryFileFirst = 0x4105;
inline constexpr std::uint32_t kCbMemoryFileLoaded = 0x4106;
inline constexpr std::uint32_t kCbEnumerate = 0x4200;
inline constexpr std::uint32_t kCbStartPlugin = 0x4201;
inline constexpr std::uint32_t kCbStopPlugin = 0x4202;

// Queries (callback 0x4002, code in dwParam).
inline constexpr std::uint32_t kQueryDisable = 0x0000;
inline constexpr std::uint32_t kQueryPower = 0x0100;
inline constexpr std::uint32_t kQueryMemoryFirst = 0x0200;
inline constexpr std::uint32_t kQueryMemoryLast = 0x0202;
inline constexpr std::uint32_t kQueryRunning = 0x0300;
inline constexpr std::uint32_t kQueryNotRunning = 0x0301;
inline constexpr std::uint32_t kQueryReceiverFirst = 0x0800;
inline constexpr std::uint32_t kQueryReceiverLast = 0x1001;
inline constexpr std::uint32_t kQueryMinimized = 0x4001;
inline constexpr std::uint32_t kQueryVisible = 0x4002;
inline constexpr std::uint32_t kQueryCapabilities = 0x4005;

// Size of the memory-channel entry that plug-ins exchange with the host.
inline constexpr std::uint32_t kMemoryEntrySize = 464;

} // namespace lxq::kvr

namespace lxq::kvr {

#pragma pack(push, 1)
// Notification 0x0B06: the level about to be calibrated; a plug-in may write a correction in dB.
struct LevelCorrection {
    std::int64_t hz;
    float correctionDb;
    std::uint32_t zero;
};
#pragma pack(pop)
static_assert(sizeof(LevelCorrection) == 16);
static_assert(__builtin_offsetof(LevelCorrection, hz) == 0);
static_assert(__builtin_offsetof(LevelCorrection, correctionDb) == 8);
static_assert(__builtin_offsetof(LevelCorrection, zero) == 12);

} // namespace lxq::kvr
