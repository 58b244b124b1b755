#pragma once
// The plug-in's end of the host interface: the codes it handles, the callbacks it sends and the
// values it answers with. The host end names the same codes in app/receiver/KvrPluginInterface.h;
// the plug-in keeps its own list so that it depends on nothing of the program.

#include <cstdint>

// Notifications, host -> plug-in.
inline constexpr std::uint32_t KVR_NOTIFY_POWER = 0x100;
inline constexpr std::uint32_t KVR_NOTIFY_PLUGIN_STOPPED = 0x301;
inline constexpr std::uint32_t KVR_NOTIFY_FREQUENCY = 0x800;
inline constexpr std::uint32_t KVR_NOTIFY_MODE = 0x900;
inline constexpr std::uint32_t KVR_NOTIFY_SQUELCH = 0xB01;
inline constexpr std::uint32_t KVR_NOTIFY_SQUELCHED = 0xB02;
inline constexpr std::uint32_t KVR_NOTIFY_BANDWIDTH = 0xD00;
inline constexpr std::uint32_t KVR_NOTIFY_AFC = 0xD04;
inline constexpr std::uint32_t KVR_NOTIFY_VOLUME = 0xE00;
inline constexpr std::uint32_t KVR_NOTIFY_MUTE = 0xE01;
inline constexpr std::uint32_t KVR_NOTIFY_AUDIO_FILTER = 0xE06;
inline constexpr std::uint32_t KVR_NOTIFY_SCAN_MODE = 0xF00;
inline constexpr std::uint32_t KVR_NOTIFY_CLOSE = 0x4000;
inline constexpr std::uint32_t KVR_NOTIFY_MINIMIZED = 0x4001;
inline constexpr std::uint32_t KVR_NOTIFY_CAPABILITIES = 0x4005;

// Commands and callbacks, plug-in -> host.
inline constexpr std::uint32_t KVR_CMD_FREQUENCY_DEFERRED = 0x800;
inline constexpr std::uint32_t KVR_CMD_MODE = 0x900;
inline constexpr std::uint32_t KVR_CMD_BANDWIDTH = 0x902;
inline constexpr std::uint32_t KVR_CMD_SQUELCHED_INFO = 0xB02;
inline constexpr std::uint32_t KVR_CMD_VOLUME = 0x1100;
inline constexpr std::uint32_t KVR_CMD_MUTE = 0x1101;
inline constexpr std::uint32_t KVR_CMD_AUDIO_FILTER = 0x1106;
inline constexpr std::uint32_t KVR_CMD_AUDIO_BLOCK = 0x110A;
inline constexpr std::uint32_t KVR_CB_CLOSED = 0x4000;
inline constexpr std::uint32_t KVR_CB_GET_SETTING = 0x4002;
inline constexpr std::uint32_t KVR_CB_SET_CAPABILITIES = 0x4006;

// Type word answered by the init export: category 4 (demodulator) in bits 8 and up, embedded in
// the host's window, plus the two feature bits the host's menus read.
inline constexpr std::uint32_t KVR_TYPE_EMBEDDED = 0x80;
inline constexpr std::uint32_t kDemodTypeWord = (4u << 8) | KVR_TYPE_EMBEDDED | 0x10 | 0x01;

// Codes below 0x4000 are withheld when bit (code >> 8) & 31 is set: the plug-in takes the groups
// 0x1xx, 0x3xx, 0x8xx, 0x9xx, 0xBxx, 0xDxx, 0xExx and 0xFxx.
inline constexpr std::uint32_t kDemodNotifyMask = 0xFFFF14F5;

// 0x80000000: not handled, none or failed, in both directions.
inline constexpr std::int32_t kKvrNone = static_cast<std::int32_t>(0x80000000u);

// Host callback: instance handle or 0, code, parameter, byte count, data.
using HostCallback = std::int32_t (*)(std::int32_t instance, std::uint32_t uMsg, std::uint32_t dwParam,
                                      std::uint32_t cbData, void* lpData);

// The plug-in's display name, sent back with KVR_CB_CLOSED and compared in KVR_NOTIFY_PLUGIN_STOPPED.
inline constexpr const char* kDemodPluginName = "Q745 Professional";

// Packed host frequency: bit 31 set means tens of hertz in the low 31 bits.
constexpr std::int64_t DecodeFreq32(std::uint32_t packed) {
    return (packed & 0x80000000u) != 0 ? static_cast<std::int64_t>(packed & 0x7FFFFFFFu) * 10
                                       : static_cast<std::int64_t>(packed);
}
