#pragma once
// The device-control contract between the receiver API library and the driver: request codes,
// the records that travel in request buffers, the statuses the driver completes requests with.
// Header-only: both sides include it and nothing here may change without changing both.

#include <bit>
#include <cstddef>
#include <cstdint>

#include "driver/HardwareStateRecord.h"
#include "driver/LX_Q7_EEPROM.h"
#include "driver/LX_Q7_HWINFO.h"
#include "driver/TunerState.h"

namespace lxq {

static_assert(std::endian::native == std::endian::little, "records are little-endian on the wire");

// The driver refuses to talk to an API library that expects another version, and vice versa.
inline constexpr std::uint32_t LXQ745_DRIVER_INTERFACE_VERSION = 9;

// Device-interface class under which the driver lists its receivers.
inline constexpr const char* GUID_DEVINTERFACE_LXQ745 = "{251D69AA-CC90-4F3D-AB60-04F1337F74CF}";

// ---- Completion statuses ---------------------------------------------------------------------

using NtStatus = std::uint32_t;

inline constexpr NtStatus kStatusSuccess = 0x00000000;
inline constexpr NtStatus kStatusTimeout = 0x00000102;
inline constexpr NtStatus kStatusPending = 0x00000103;
inline constexpr NtStatus kStatusBufferOverflow = 0x80000005; // short output buffer, no data
inline constexpr NtStatus kStatusDeviceBusy = 0x80000011; // other owner, no lock, card silent
inline constexpr NtStatus kStatusUnsuccessful = 0xC0000001;
inline constexpr NtStatus kStatusInvalidDeviceRequest = 0xC0000002;
inline constexpr NtStatus kStatusInvalidParameter = 0xC000000D;
inline constexpr NtStatus kStatusNoMemory = 0xC0000017;
inline constexpr NtStatus kStatusDeletePending = 0xC0000056; // request after removal
inline constexpr NtStatus kStatusInsufficientResources = 0xC000009A;
inline constexpr NtStatus kStatusNotSupported = 0xC00000BB;
inline constexpr NtStatus kStatusCancelled = 0xC0000120;
inline constexpr NtStatus kStatusIoDeviceError = 0xC0000185; // serial receiver not answering

// Success and informational values have the top bit clear; warnings (0x8...) such as a short
// output buffer and errors (0xC...) are failures.
inline constexpr bool IsSuccess(NtStatus status) { return (status & 0x80000000u) == 0; }

// ---- Request codes ---------------------------------------------------------------------------
// code = 0x220000 | function << 2 | method. Method 0 (buffered): one system buffer for input and
// output. Method 3 (neither): no buffers; the value travels in the completion's byte count, or
// arguments in the request's length and pointer fields. A get request is its set request - 1.

inline constexpr std::uint32_t kDeviceTypeReceiver = 0x22;
inline constexpr std::uint32_t kMethodBuffered = 0;
inline constexpr std::uint32_t kMethodNeither = 3;

constexpr std::uint32_t DeviceControlCode(std::uint32_t function, std::uint32_t method) {
    return kDeviceTypeReceiver << 16 | function << 2 | method;
}
constexpr std::uint32_t TransferMethod(std::uint32_t code) { return code & 3u; }

// With the neither method, an output length with bit 2 set asks a get request for its
// confirmation flag (did the last push of that setting reach the hardware) instead of its value.
inline constexpr std::uint32_t kAskMatchesFlagBit = 4;

inline constexpr std::uint32_t IOCTL_LXQ745_CODEC_START = 0x223400;
inline constexpr std::uint32_t IOCTL_LXQ745_CODEC_STOP = 0x223407;
inline constexpr std::uint32_t IOCTL_LXQ745_BUS_WRITE_CHECKED = 0x22340B;
inline constexpr std::uint32_t IOCTL_LXQ745_BUS_READ = 0x22340F;
inline constexpr std::uint32_t IOCTL_LXQ745_USB_REQUEST36_WAIT = 0x223413;
inline constexpr std::uint32_t IOCTL_LXQ745_USB_REQUEST37 = 0x223417;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_SYNTH_WORD3 = 0x22341B;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_SYNTH_WORD1 = 0x22341F;
inline constexpr std::uint32_t IOCTL_LXQ745_READ_TUNER_STATE = 0x223420;
inline constexpr std::uint32_t IOCTL_LXQ745_USB_REQUEST41 = 0x223427;
inline constexpr std::uint32_t IOCTL_LXQ745_SERVICE_PATTERN_WAIT = 0x223453;
inline constexpr std::uint32_t IOCTL_LXQ745_BUS_WRITE = 0x22345B;
inline constexpr std::uint32_t IOCTL_LXQ745_SERVICE_PATTERN = 0x22345F;
inline constexpr std::uint32_t IOCTL_LXQ745_USB_REQUEST36 = 0x223463;
inline constexpr std::uint32_t IOCTL_LXQ745_CODEC_SET_GAIN = 0x223488;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_OPTION_PRESENT = 0x223F3F;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_OPTION = 0x223F43;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_OPTION = 0x223F44;
inline constexpr std::uint32_t IOCTL_LXQ745_WRITE_EEPROM = 0x223F48;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_VERSION = 0x223F4F;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_LED_PATTERN = 0x223F50;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_FMW = 0x223F57;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_FMW = 0x223F58;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_PLL_SPEED = 0x223F5F;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_PLL_SPEED = 0x223F60;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_IF1_MAN_GAIN = 0x223F67;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_IF1_MAN_GAIN = 0x223F68;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_HWINFO = 0x223F6C;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_HW = 0x223F70;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_FILTER_TABLE = 0x223F74;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_FILTER_TABLE = 0x223F78;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_FILTER_VALUE = 0x223F7F;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_FILTER_VALUE = 0x223F80;
inline constexpr std::uint32_t IOCTL_LXQ745_WRITE_BANDS = 0x223F84;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_RF_AMP = 0x223F8B;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_RF_AMP = 0x223F8C;
inline constexpr std::uint32_t IOCTL_LXQ745_WRITE_CALIB2 = 0x223F90;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_FREQ_PIPELINED = 0x223F94;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_LAST_STATUS = 0x223F98;
inline constexpr std::uint32_t IOCTL_LXQ745_SEND_BULK_COMMAND = 0x223F9C;
inline constexpr std::uint32_t IOCTL_LXQ745_USB_REQUEST40_READ = 0x223FA3;
inline constexpr std::uint32_t IOCTL_LXQ745_IS_CONNECTED = 0x223FA7;
inline constexpr std::uint32_t IOCTL_LXQ745_WRITE_CALIB = 0x223FAC;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_DEBUG = 0x223FB0;
inline constexpr std::uint32_t IOCTL_LXQ745_IS_BUSY = 0x223FB7;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_INTERNAL_RSSI = 0x223FB8;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_SIGNAL_STRENGTH = 0x223FBC;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_LOCK = 0x223FC3;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_ATTEN = 0x223FC7;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_ATTEN = 0x223FC8;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_IF_GAIN = 0x223FCF;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_IF_GAIN = 0x223FD0;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_AGC = 0x223FD7;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_AGC = 0x223FD8;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_IF2_FREQUENCY = 0x223FDF;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_IF2_FREQUENCY = 0x223FE0;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_FREQUENCY = 0x223FE7;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_FREQUENCY = 0x223FE8;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_REF_CLOCK = 0x223FEC;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_REF_CLOCK = 0x223FF0;
inline constexpr std::uint32_t IOCTL_LXQ745_GET_POWER = 0x223FF7;
inline constexpr std::uint32_t IOCTL_LXQ745_SET_POWER = 0x223FF8;
inline constexpr std::uint32_t IOCTL_LXQ745_READ_EEPROM = 0x223FFC;

static_assert(IOCTL_LXQ745_GET_FREQUENCY == IOCTL_LXQ745_SET_FREQUENCY - 1);
static_assert(IOCTL_LXQ745_SET_FREQUENCY == DeviceControlCode(0xFFA, kMethodBuffered));
static_assert(TransferMethod(IOCTL_LXQ745_GET_VERSION) == kMethodNeither);
static_assert(TransferMethod(IOCTL_LXQ745_READ_EEPROM) == kMethodBuffered);

// ---- Request records -------------------------------------------------------------------------

#pragma pack(push, 1)

// A plain value request: in the value, out the ok word (1 = the setting reached the hardware).
struct ValueRequest {
    std::uint32_t value;
};

// IOCTL_LXQ745_SET_FREQUENCY. On return `flags` holds the ok word: 1 only when the last push was
// complete and the band word and both main synthesiser words reached the hardware.
struct FreqRequest {
    std::uint32_t hz;
    std::uint32_t reserved;
    std::uint32_t flags;
};
inline constexpr std::uint32_t kFreqWaitPush = 1u << 0;
inline constexpr std::uint32_t kFreqWaitLock = 1u << 3;

// IOCTL_LXQ745_SET_IF2_FREQUENCY. On return `flags` holds the ok flags of the second
// synthesiser words.
struct SecondIfRequest {
    std::int32_t if2Hz;
    std::uint32_t reserved;
    std::uint32_t flags; // bit 0: wait for the push
};
inline constexpr std::uint32_t kSecondIfWaitPush = 1u << 0;

// IOCTL_LXQ745_SET_FREQ_PIPELINED, input side: measure at the current frequency, then tune.
struct PipelinedTuneRequest {
    std::uint32_t hz;
    std::uint32_t sequence;
    std::uint16_t dwell;
    std::uint8_t flags; // kPipelinedNoWait
    std::uint8_t reserved;
};
inline constexpr std::uint8_t kPipelinedNoWait = 1u << 0;

// IOCTL_LXQ745_SET_FREQ_PIPELINED, output side (same buffer): what was measured at the previous
// frequency. On USB the low byte of `sequence` is the sequence number of the push.
struct PipelinedTuneResult {
    std::uint32_t detectorPair; // a | b << 16
    std::uint32_t sequence;
    std::int32_t level; // tenths of dBm
};

// IOCTL_LXQ745_SET_REF_CLOCK and IOCTL_LXQ745_GET_REF_CLOCK. In: {reserved, source, Hz or
// kRefClockKeepHz}; out: {ok flag of the reference byte, source, Hz}.
struct RefClockRequest {
    std::uint32_t ok;
    std::uint32_t source; // kRefSourceNone / Internal / External
    std::uint32_t hz;
};
inline constexpr std::uint32_t kRefSourceNone = 0;
inline constexpr std::uint32_t kRefSourceInternal = 1;
inline constexpr std::uint32_t kRefSourceExternal = 2;
inline constexpr std::uint32_t kRefClockKeepHz = 0xFFFFFFFF;

// IOCTL_LXQ745_CODEC_START. Out: the u64 user address of the codec ring.
struct CodecStartRequest {
    std::uint64_t eventHandle;
    std::uint64_t ringSize; // the API library asks for 256,000 bytes
    std::uint32_t mode;
    std::uint8_t unused[6];
};
inline constexpr std::uint64_t kCodecRingSizeDefault = 256'000;

// One row of a band's preselector table: frequency and the filter value at it.
struct FILTER_NODE {
    std::uint32_t hz;
    std::uint32_t value; // the EEPROM byte, zero-extended
};
inline constexpr std::size_t kFilterNodesPerBand = 8;

// IOCTL_LXQ745_GET_FILTER_TABLE / IOCTL_LXQ745_SET_FILTER_TABLE: one band's eight nodes.
struct FilterTable {
    FILTER_NODE nodes[kFilterNodesPerBand];
};

// Calibration write: guard word first, then the words for EEPROM offsets 240, 242, ..., 254 and
// the internal reference clock for offset 208. A zero word or reference leaves the EEPROM as is.
inline constexpr std::uint16_t kCalibGuardWord = 0x6B3E;
inline constexpr std::uint16_t kCalibGuardWordAlt = 0x3D9F;
struct LX_Q7_CALIB {
    std::uint16_t guard = kCalibGuardWord;
    std::uint16_t words[8] = {};
    std::uint32_t referenceHz = 0;
};

// IOCTL_LXQ745_WRITE_CALIB2: one byte for EEPROM offset 185 (IF1 manual gain).
struct CalibByteRequest {
    std::uint32_t guard; // must be kCalibGuardWord
    std::uint8_t value;
    std::uint8_t unused[3];
};

#pragma pack(pop)

static_assert(sizeof(ValueRequest) == 4);
static_assert(offsetof(ValueRequest, value) == 0);

static_assert(sizeof(FreqRequest) == 12);
static_assert(offsetof(FreqRequest, hz) == 0);
static_assert(offsetof(FreqRequest, reserved) == 4);
static_assert(offsetof(FreqRequest, flags) == 8);

static_assert(sizeof(SecondIfRequest) == 12);
static_assert(offsetof(SecondIfRequest, if2Hz) == 0);
static_assert(offsetof(SecondIfRequest, reserved) == 4);
static_assert(offsetof(SecondIfRequest, flags) == 8);

static_assert(sizeof(PipelinedTuneRequest) == 12);
static_assert(offsetof(PipelinedTuneRequest, hz) == 0);
static_assert(offsetof(PipelinedTuneRequest, sequence) == 4);
static_assert(offsetof(PipelinedTuneRequest, dwell) == 8);
static_assert(offsetof(PipelinedTuneRequest, flags) == 10);
static_assert(offsetof(PipelinedTuneRequest, reserved) == 11);

static_assert(sizeof(PipelinedTuneResult) == 12);
static_assert(offsetof(PipelinedTuneResult, detectorPair) == 0);
static_assert(offsetof(PipelinedTuneResult, sequence) == 4);
static_assert(offsetof(PipelinedTuneResult, level) == 8);

static_assert(sizeof(RefClockRequest) == 12);
static_assert(offsetof(RefClockRequest, ok) == 0);
static_assert(offsetof(RefClockRequest, source) == 4);
static_assert(offsetof(RefClockRequest, hz) == 8);

static_assert(sizeof(CodecStartRequest) == 26);
static_assert(offsetof(CodecStartRequest, eventHandle) == 0);
static_assert(offsetof(CodecStartRequest, ringSize) == 8);
static_assert(offsetof(CodecStartRequest, mode) == 16);
static_assert(offsetof(CodecStartRequest, unused) == 20);

static_assert(sizeof(FILTER_NODE) == 8);
static_assert(offsetof(FILTER_NODE, hz) == 0);
static_assert(offsetof(FILTER_NODE, value) == 4);
static_assert(sizeof(FilterTable) == 64);
static_assert(offsetof(FilterTable, nodes) == 0);

static_assert(sizeof(LX_Q7_CALIB) == 22);
static_assert(offsetof(LX_Q7_CALIB, guard) == 0);
static_assert(offsetof(LX_Q7_CALIB, words) == 2);
static_assert(offsetof(LX_Q7_CALIB, referenceHz) == 18);

static_assert(sizeof(CalibByteRequest) == 8);
static_assert(offsetof(CalibByteRequest, guard) == 0);
static_assert(offsetof(CalibByteRequest, value) == 4);
static_assert(offsetof(CalibByteRequest, unused) == 5);

// IOCTL_LXQ745_WRITE_EEPROM carries {u8 offset, 1..256 data bytes}.
inline constexpr std::size_t kWriteEepromMinIn = 2;
inline constexpr std::size_t kWriteEepromMaxIn = 257;
// IOCTL_LXQ745_SEND_BULK_COMMAND carries at most this many bytes.
inline constexpr std::size_t kBulkCommandMaxIn = 60;

} // namespace lxq
