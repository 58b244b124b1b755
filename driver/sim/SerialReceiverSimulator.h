#pragma once
// A simulated receiver on a serial port: after a DTR pulse it announces itself at 1200 baud 7N1
// with a checksummed frame, takes the speed-change command at 1200 baud 8N1 and from then on
// answers every command at 38400 baud in ASCII. Faults can be injected: silence, a DSR drop,
// answers that never end, a bad announcement checksum, failure answers to a chosen command.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "driver/sim/CommandHistory.h"
#include "driver/sim/SimReceiver.h"
#include "driver/transport/SerialPort.h"

namespace lxq::sim {

class SerialReceiverSimulator final : public transport::SerialPort {
public:
    explicit SerialReceiverSimulator(SimReceiver& receiver);
    ~SerialReceiverSimulator() override;
    // Keeps the receiver alive with the simulator (the driver host's simulated devices).
    explicit SerialReceiverSimulator(std::shared_ptr<SimReceiver> receiver) : SerialReceiverSimulator(*receiver) { owner_ = std::move(receiver); }

    // SerialPort
    bool Open() override;
    void Close() override;
    bool SetLine(const transport::LineSettings& settings) override;
    bool SetDtr(bool on) override;
    bool SetRts(bool on) override;
    void Purge() override;
    bool Write(const std::uint8_t* bytes, std::size_t count) override;
    std::size_t BytesWaiting() override;
    std::size_t Read(std::uint8_t* bytes, std::size_t max) override;
    void SetWaitMask(std::uint32_t mask) override;
    std::uint32_t WaitEvent(plat::sys::Nanoseconds timeout) override;

    // Fault injection.
    void SetSilent(bool silent);
    void DropDsr();
    void SetOverlongAnswers(int count);          // the next answers run on without a terminator
    void SetBadAnnouncementChecksum(bool bad);
    void SetFailureAnswer(std::uint8_t command, char terminator); // '!' or '#'; 0 clears
    void SetAnswerDelayed(std::uint8_t command, bool delayed);     // held until ReleaseDelayed()
    void ReleaseDelayed();

    // What the receiver saw.
    std::vector<std::uint8_t> Commands() const; // the latest command bytes, in the order taken
    int Handshakes() const;
    transport::LineSettings Line() const;
    bool Dtr() const;

private:
    void Answer(const std::string& text);
    void HandleFrame(std::uint8_t command, const std::uint8_t* payload);
    std::string Respond(std::uint8_t command, const std::uint8_t* payload);
    void Announce();

    SimReceiver& receiver_;
    std::shared_ptr<SimReceiver> owner_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    transport::LineSettings line_;
    bool open_ = false;
    bool dtr_ = false;
    bool highSpeed_ = false; // the speed change was taken: commands come at 38400 baud
    bool silent_ = false;
    bool badChecksum_ = false;
    int overlong_ = 0;
    std::map<std::uint8_t, char> failures_;
    std::map<std::uint8_t, bool> delayed_;
    std::vector<std::string> held_;
    std::deque<std::uint8_t> toHost_;
    std::vector<std::uint8_t> fromHost_;
    std::uint32_t mask_ = 0;
    std::uint32_t events_ = 0;
    std::uint64_t maskGeneration_ = 0;
    CommandHistory commands_;
    int handshakes_ = 0;
    std::uint8_t lastLock_ = 0;
};

} // namespace lxq::sim
