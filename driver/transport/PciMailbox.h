#pragma once
// The card's numbered registers, reached one byte at a time through the mailbox of its second
// memory window. Every access holds the mailbox lock, so an access is atomic with respect to other
// threads and to the interrupt's deferred work.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "driver/transport/ClockedEvent.h"
#include "driver/transport/PciCard.h"

namespace lxq::transport {

enum class MailboxResult : std::uint8_t {
    Ok = 0,
    StayedBusy = 1, // the mailbox never went idle; the access went ahead anyway
    NoAnswer = 2,   // the card never answered the command
};

class PciMailbox {
public:
    explicit PciMailbox(PciCard& card) : card_(card) {}

    MailboxResult ReadReg(std::uint8_t reg, std::uint8_t& value);
    MailboxResult WriteReg(std::uint8_t reg, std::uint8_t value);
    // Consecutive registers, low byte first; true when every byte was taken.
    bool Write16(std::uint8_t firstReg, std::uint16_t value);
    bool Write32(std::uint8_t firstReg, std::uint32_t value);
    bool Read16(std::uint8_t firstReg, std::uint16_t& value);

    // True when the card reports no busy bits within 1 second.
    bool CardIdle();
    // True when a bus transfer finished within 1 second.
    bool BusWait();

    // Set by the interrupt's deferred work; CardIdle waits on it instead of polling when the card
    // uses its interrupt.
    ClockedEvent& ServiceEvent() { return serviceEvent_; }
    void SetUsesInterrupt(bool uses) { usesInterrupt_ = uses; }
    bool UsesInterrupt() const { return usesInterrupt_; }

private:
    bool WaitStatus(bool ready);

    PciCard& card_;
    std::mutex mutex_;
    ClockedEvent serviceEvent_;
    std::atomic<bool> usesInterrupt_{false}; // also read by the interrupt's deferred work
};

} // namespace lxq::transport
