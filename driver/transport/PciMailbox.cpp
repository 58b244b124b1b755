#include "driver/transport/PciMailbox.h"

namespace lxq::transport {
namespace {

constexpr int kMailboxPolls = 256;
constexpr plat::sys::Nanoseconds kIdleTimeout = plat::sys::kNsPerSecond;
constexpr plat::sys::Nanoseconds kIdlePoll = plat::sys::kNsPerMs;

} // namespace

bool PciMailbox::WaitStatus(bool ready) {
    for (int i = 0; i < kMailboxPolls; ++i) {
        const bool isReady = (card_.Read16(PciCard::Window::Mailbox, kPciMailboxStatus) & kPciMailboxReady) != 0;
        if (isReady == ready) return true;
    }
    return false;
}

MailboxResult PciMailbox::ReadReg(std::uint8_t reg, std::uint8_t& value) {
    std::lock_guard lock(mutex_);
    const bool wasIdle = WaitStatus(false);
    card_.Write32(PciCard::Window::Mailbox, kPciMailboxData, 0x80u | (reg & 0x3Fu));
    if (!WaitStatus(true)) return MailboxResult::NoAnswer;
    value = static_cast<std::uint8_t>(card_.Read32(PciCard::Window::Mailbox, kPciMailboxData));
    return wasIdle ? MailboxResult::Ok : MailboxResult::StayedBusy;
}

MailboxResult PciMailbox::WriteReg(std::uint8_t reg, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    const bool wasIdle = WaitStatus(false);
    // The data phase carries seven bits; the command byte carries the eighth in its bit 6.
    card_.Write32(PciCard::Window::Mailbox, kPciMailboxData,
                  0x80u | ((static_cast<std::uint32_t>(value) >> 1) & 0xC0u) | (reg & 0x3Fu));
    if (!WaitStatus(true)) return MailboxResult::NoAnswer;
    card_.Write32(PciCard::Window::Mailbox, kPciMailboxData, value & 0x7Fu);
    return wasIdle ? MailboxResult::Ok : MailboxResult::StayedBusy;
}

bool PciMailbox::Write16(std::uint8_t firstReg, std::uint16_t value) {
    bool ok = true;
    for (std::uint8_t i = 0; i < 2; ++i)
        ok = WriteReg(static_cast<std::uint8_t>(firstReg + i), static_cast<std::uint8_t>(value >> (8 * i))) ==
                 MailboxResult::Ok && ok;
    return ok;
}

bool PciMailbox::Write32(std::uint8_t firstReg, std::uint32_t value) {
    bool ok = true;
    for (std::uint8_t i = 0; i < 4; ++i)
        ok = WriteReg(static_cast<std::uint8_t>(firstReg + i), static_cast<std::uint8_t>(value >> (8 * i))) ==
                 MailboxResult::Ok && ok;
    return ok;
}

bool PciMailbox::Read16(std::uint8_t firstReg, std::uint16_t& value) {
    std::uint8_t low = 0, high = 0;
    if (ReadReg(firstReg, low) != MailboxResult::Ok) return false;
    if (ReadReg(static_cast<std::uint8_t>(firstReg + 1), high) != MailboxResult::Ok) return false;
    value = static_cast<std::uint16_t>(low | high << 8);
    return true;
}

bool PciMailbox::CardIdle() {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    const plat::sys::Nanoseconds start = clock.Now();
    bool firstWait = true;
    while (clock.Now() - start <= kIdleTimeout) {
        std::uint8_t command = 0;
        if (ReadReg(pcireg::kCommand, command) == MailboxResult::Ok && (command & kPciBusyBits) == 0) return true;
        if (firstWait && usesInterrupt_) {
            serviceEvent_.Wait(kIdleTimeout);
            firstWait = false;
        } else {
            clock.Sleep(kIdlePoll);
        }
    }
    return false;
}

bool PciMailbox::BusWait() {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    const plat::sys::Nanoseconds start = clock.Now();
    while (clock.Now() - start <= kIdleTimeout) {
        std::uint8_t command = 0, bus = 0;
        if (ReadReg(pcireg::kCommand, command) == MailboxResult::Ok && (command & (kPciBusyBits | 0x40u)) == 0 &&
            ReadReg(pcireg::kBusStatus, bus) == MailboxResult::Ok && (bus & kPciBusBusy) == 0)
            return true;
        clock.Sleep(kIdlePoll);
    }
    return false;
}

} // namespace lxq::transport
