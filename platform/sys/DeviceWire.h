#pragma once
// The messages that travel over the driver channel between a client process and the driver host.
// Each message is one SOCK_SEQPACKET record that starts with a WireHeader; the record's own length
// tells how many trailing bytes (input, output, path) it carries. Both sides include this header,
// so the layout is fixed here: packed, little-endian, checked field by field.

#include <cstddef>
#include <cstdint>

namespace plat::sys::wire {

// What a message is. A connection starts with Open, List, Subscribe or BusCommand; an opened
// connection then carries Control and Cancel; the host answers with Answer and sends Notice to
// subscribers.
enum class Kind : std::uint32_t {
    Open = 1,        // path follows; answer: status
    Control = 2,     // ControlMessage + input bytes; answer: status, byte count, output bytes
    Cancel = 3,      // cancel this handle's held requests; no answer of its own
    List = 4,        // answer: the present device paths, each ending in a zero byte
    Subscribe = 5,   // answer: status; then Notice messages until the connection closes
    Notice = 6,      // NoticeMessage + path
    Answer = 7,      // AnswerMessage + output bytes
    BusCommand = 8,  // command text follows; answer: status and a text reply
};

// Arrival and removal of a device interface, as told to subscribers.
enum class NoticeEvent : std::uint32_t { Arrived = 1, Removed = 2, SystemSleep = 3, SystemWake = 4 };

// Subscribe flag: send an arrival notice for every device present now, before later notices.
constexpr std::uint32_t kSubscribeReplayPresent = 1;

#pragma pack(push, 1)
struct WireHeader {
    std::uint32_t kind;  // Kind
    std::uint32_t id;    // chosen by the client; the answer carries it back
};

struct ControlMessage {
    WireHeader header;
    std::uint32_t code;
    std::uint32_t inLength;
    std::uint32_t outLength;
    std::uint32_t reserved;
    std::uint64_t inPointerValue;  // what a request of the neither method reads as its argument
    // input bytes follow (inLength of them)
};

struct AnswerMessage {
    WireHeader header;
    std::uint32_t status;
    std::uint32_t reserved;
    std::uint64_t byteCount;  // the completion's byte count (a get request's value)
    // output bytes follow
};

struct SubscribeMessage {
    WireHeader header;
    std::uint32_t flags;
};

struct NoticeMessage {
    WireHeader header;
    std::uint32_t event;  // NoticeEvent
    // path follows (no terminator)
};
#pragma pack(pop)

static_assert(sizeof(WireHeader) == 8);
static_assert(offsetof(WireHeader, kind) == 0 && offsetof(WireHeader, id) == 4);
static_assert(sizeof(ControlMessage) == 32);
static_assert(offsetof(ControlMessage, code) == 8 && offsetof(ControlMessage, inLength) == 12);
static_assert(offsetof(ControlMessage, outLength) == 16 && offsetof(ControlMessage, reserved) == 20);
static_assert(offsetof(ControlMessage, inPointerValue) == 24);
static_assert(sizeof(AnswerMessage) == 24);
static_assert(offsetof(AnswerMessage, status) == 8 && offsetof(AnswerMessage, reserved) == 12);
static_assert(offsetof(AnswerMessage, byteCount) == 16);
static_assert(sizeof(SubscribeMessage) == 12 && offsetof(SubscribeMessage, flags) == 8);
static_assert(sizeof(NoticeMessage) == 12 && offsetof(NoticeMessage, event) == 8);

// Largest record either side sends or accepts; longer input is refused by the host.
constexpr std::size_t kMaxMessage = 64 * 1024;
constexpr std::uint32_t kMaxInput = kMaxMessage - sizeof(ControlMessage);
constexpr std::uint32_t kMaxOutput = kMaxMessage - sizeof(AnswerMessage);
// Longest device path the host hands out (it must fit the API library's 260-byte field).
constexpr std::size_t kMaxPath = 259;

// Statuses the channel itself produces (the driver's own come from the handler).
constexpr std::uint32_t kStatusSuccess = 0;
constexpr std::uint32_t kStatusPending = 0x00000103;
constexpr std::uint32_t kStatusInvalidParameter = 0xC000000D;
constexpr std::uint32_t kStatusNoSuchDevice = 0xC0000034;    // no host, or no device at that path
constexpr std::uint32_t kStatusNotConnected = 0xC000009D;    // the host went away mid-request
constexpr std::uint32_t kStatusInvalidHandle = 0xC0000008;   // the handle is not open
// Too many requests: the connection, its process or the whole host holds as many unanswered
// requests as it may (a quota, not a fault of the driver or the receiver).
constexpr std::uint32_t kStatusTooManyRequests = 0xC0000044;

} // namespace plat::sys::wire
