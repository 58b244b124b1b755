#pragma once
// The serial receiver's command link. Commands are binary frames {command byte, payload}; the
// receiver answers each in ASCII (hexadecimal digits, then '>' for success or '!' / '#' for
// failure), one at a time: only the command at the head of the queue is on the wire. A reader
// thread owns the port's input: it runs the handshake (the receiver's announcement at 1200 baud
// after a DTR pulse, the speed-change request, the switch to 38400 baud) and hands each answer to
// the transport. Waits are paced by the port's own events and measured in real time.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "api/DeviceControl.h"
#include "driver/transport/SerialPort.h"

namespace lxq::transport {

struct SerialTimings {
    plat::sys::Nanoseconds query = 2 * plat::sys::kNsPerSecond;
    plat::sys::Nanoseconds eepromDump = 4 * plat::sys::kNsPerSecond;
    plat::sys::Nanoseconds announcement = 600 * plat::sys::kNsPerMs;
    plat::sys::Nanoseconds speedChange = 100 * plat::sys::kNsPerMs;
    plat::sys::Nanoseconds dtrPulse = 10 * plat::sys::kNsPerMs;
    plat::sys::Nanoseconds ready = 2 * plat::sys::kNsPerSecond; // open waits this long for the handshake
};

enum class ReaderState : int { NotConnected = 0, Handshake = 1, Announced = 2, Ready = 3 };

// One answered command, as the reader hands it over.
struct SerialAnswer {
    std::uint8_t command;
    std::vector<std::uint8_t> payload; // what was on the wire with it
    bool success;                      // '>'
    std::string digits;                // the characters before the terminator
};

inline constexpr std::uint8_t kSerialSpeedChange = 152;
inline constexpr std::size_t kSerialReceiveBuffer = 1024;
inline constexpr std::size_t kSerialMaxPayload = 34;

class SerialLink {
public:
    using AnswerHandler = std::function<void(const SerialAnswer&)>;
    using ReadyHandler = std::function<void()>;

    SerialLink(SerialPort& port, SerialTimings timings) : port_(port), timings_(timings) {}
    ~SerialLink() { StopReader(); }

    // Called on the reader thread: each answer, and each completed handshake.
    void SetHandlers(AnswerHandler onAnswer, ReadyHandler onReady);

    // Starts the reader and waits for the handshake; false (reader stopped again) when the
    // receiver did not announce itself in time.
    bool StartReader();
    void StopReader();

    // Queues a command and returns at once.
    void Send(std::uint8_t command, const std::uint8_t* payload, std::size_t length);
    // Queues a command and waits for its answer: success only for a '>' answer. A failure answer
    // gives 0xC0000001, a different frame of the same command replacing this one 0xC0000120, no
    // answer in time 0xC0000185 (and the port is then not responding until the next handshake).
    // While a new handshake is under way the query waits for it (within its time-out); once a
    // handshake has found no receiver, a port not responding fails with 0xC0000185 at once.
    NtStatus Query(std::uint8_t command, const std::uint8_t* payload, std::size_t length,
                   plat::sys::Nanoseconds timeout);

    bool Responding() const;
    bool CommandOutstanding() const;
    ReaderState State() const;
    // The receiver is gone for good: DSR changes no longer restart the handshake.
    void SetSurpriseRemoved() { surpriseRemoved_ = true; }

private:
    struct Waiter {
        bool done = false;
        bool success = false;
        bool superseded = false;
    };
    struct Entry {
        std::uint8_t command;
        std::vector<std::uint8_t> frame; // command byte and payload, as it goes on the wire
        std::shared_ptr<Waiter> waiter;
        bool written = false;
    };

    void Enqueue(std::uint8_t command, const std::uint8_t* payload, std::size_t length,
                 std::shared_ptr<Waiter> waiter);
    void WriteHeadLocked();
    void FinishLocked(const std::shared_ptr<Waiter>& waiter, bool success, bool superseded);
    void FailAllLocked();
    void FailWrittenLocked();
    void Run();
    void Handshake();
    bool Waiting(plat::sys::Nanoseconds duration);
    void ReadInput();
    void ParseAnnouncement(char c);
    void ParseAnswer(char c);
    void MarkNotResponding();

    SerialPort& port_;
    const SerialTimings timings_;
    AnswerHandler onAnswer_;
    ReadyHandler onReady_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> queue_;
    ReaderState state_ = ReaderState::NotConnected;
    bool notResponding_ = false;
    bool handshakeFailed_ = false;   // the last handshake found no receiver
    bool readyPhase_ = false;        // the handshake just ended: the ready handler's commands go first
    std::size_t readyInserted_ = 0;
    std::chrono::steady_clock::time_point headWrittenAt_; // when the queue's head last went on the wire
    bool stop_ = false;
    std::atomic<bool> surpriseRemoved_{false};
    std::thread reader_;
    std::string input_; // reader thread only
};

} // namespace lxq::transport
