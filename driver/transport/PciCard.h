#pragma once
// What the PCI transport needs of an installed card: its two memory windows (the interrupt
// registers and the register mailbox), its configuration space and its interrupt line. Only a
// simulated card implements it on this system.

#include <cstdint>
#include <functional>

namespace lxq::transport {

class PciCard {
public:
    enum class Window { Interrupt = 0, Mailbox = 1 };

    virtual ~PciCard() = default;

    virtual std::uint32_t Read32(Window window, std::uint32_t offset) = 0;
    virtual std::uint16_t Read16(Window window, std::uint32_t offset) = 0;
    virtual void Write32(Window window, std::uint32_t offset, std::uint32_t value) = 0;

    virtual std::uint32_t ReadConfig(std::uint32_t offset) = 0;
    // False when the configuration space refused the write.
    virtual bool WriteConfig(std::uint32_t offset, std::uint32_t value) = 0;

    // The card calls handler each time it raises its interrupt; the handler answers whether it
    // claimed it. False when no interrupt could be connected (the card then works by polling).
    virtual bool ConnectInterrupt(std::function<bool()> handler) = 0;
    virtual void DisconnectInterrupt() = 0;
};

// Offsets in the interrupt window.
inline constexpr std::uint32_t kPciInterruptStatus = 4;
inline constexpr std::uint32_t kPciControlWord = 8;
inline constexpr std::uint32_t kPciInterruptMask = 12;
// Offsets in the mailbox window.
inline constexpr std::uint32_t kPciMailboxData = 0;
inline constexpr std::uint32_t kPciMailboxStatus = 4;
inline constexpr std::uint16_t kPciMailboxReady = 1u << 8; // data ready after a command, busy before one
// Configuration space.
inline constexpr std::uint32_t kPciConfigFirstBar = 0x10;
inline constexpr std::uint32_t kPciConfigLastBar = 0x4C;
inline constexpr std::uint32_t kPciConfigTiming = 0x44;
inline constexpr std::uint32_t kPciConfigTimingValue = 0x00080034;

// Card registers (numbers 0..63 of the mailbox).
namespace pcireg {
inline constexpr std::uint8_t kBusStatus = 4;
inline constexpr std::uint8_t kPower = 5;
inline constexpr std::uint8_t kInterruptEnable = 6;
inline constexpr std::uint8_t kInterruptCause = 7;
inline constexpr std::uint8_t kSynthStatus = 8;
inline constexpr std::uint8_t kEepromAddress = 9;
inline constexpr std::uint8_t kEepromData = 10;
inline constexpr std::uint8_t kCommand = 11;
inline constexpr std::uint8_t kDwell = 13;
inline constexpr std::uint8_t kDetectorA = 16; // 16 low, 17 high
inline constexpr std::uint8_t kDetectorB = 18; // 18 low (bit 0 conversion ready), 19 high
inline constexpr std::uint8_t kBandWord = 20;  // 20 low, 21 high
inline constexpr std::uint8_t kPreselector = 22;
inline constexpr std::uint8_t kRangeControl = 23;
inline constexpr std::uint8_t kFmWide = 26;
inline constexpr std::uint8_t kBusAddress = 33;
inline constexpr std::uint8_t kReferenceSelect = 34;
inline constexpr std::uint8_t kBusData = 36;   // 36..39
inline constexpr std::uint8_t kGainWord16 = 40; // 40..43
inline constexpr std::uint8_t kGainWord20 = 44; // 44..47
inline constexpr std::uint8_t kMainControl = 48;
inline constexpr std::uint8_t kMainFraction = 52;
inline constexpr std::uint8_t kSecondControl = 56;
inline constexpr std::uint8_t kSecondFraction = 60;
inline constexpr std::uint8_t kCount = 64;
} // namespace pcireg

// Command register values.
inline constexpr std::uint8_t kPciCommandMeasure = 0x10;
inline constexpr std::uint8_t kPciCommandBusWrite = 0x40;
inline constexpr std::uint8_t kPciCommandLockRecheck = 12;
inline constexpr std::uint8_t kPciBusyBits = 0x1F;
// Bus status register: bit 0 busy (bus transfer), bit 3 EEPROM write in progress.
inline constexpr std::uint8_t kPciBusBusy = 1u << 0;
inline constexpr std::uint8_t kPciEepromWriting = 1u << 3;

} // namespace lxq::transport
