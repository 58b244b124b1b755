#pragma once
// A simulated receiver card: the register mailbox with its handshake, the 64 card registers and
// their side effects (strobe, measurement, bus write, EEPROM access, power, FM-wide), the
// interrupt with its cause register, and the configuration space. Faults can be injected: a
// mailbox that never answers, busy bits that stay set, a card without memory windows.

#include <cstdint>
#include <memory>
#include <functional>
#include <mutex>
#include <vector>

#include "driver/sim/CommandHistory.h"
#include "driver/sim/SimReceiver.h"
#include "driver/transport/PciCard.h"

namespace lxq::sim {

class PciCardSimulator final : public transport::PciCard {
public:
    explicit PciCardSimulator(SimReceiver& receiver);
    ~PciCardSimulator() override;
    // Keeps the receiver alive with the simulator (the driver host's simulated devices).
    explicit PciCardSimulator(std::shared_ptr<SimReceiver> receiver) : PciCardSimulator(*receiver) { owner_ = std::move(receiver); }

    // PciCard
    std::uint32_t Read32(Window window, std::uint32_t offset) override;
    std::uint16_t Read16(Window window, std::uint32_t offset) override;
    void Write32(Window window, std::uint32_t offset, std::uint32_t value) override;
    std::uint32_t ReadConfig(std::uint32_t offset) override;
    bool WriteConfig(std::uint32_t offset, std::uint32_t value) override;
    bool ConnectInterrupt(std::function<bool()> handler) override;
    void DisconnectInterrupt() override;

    // Fault injection.
    void SetSilent(bool silent);          // the mailbox never answers a command
    void SetBusyReads(int reads);         // the command register shows busy bits for this many reads
    void SetWindowsPresent(bool present); // configuration space shows no memory windows

    // What the card saw.
    std::uint8_t Register(std::uint8_t reg) const;
    std::vector<std::uint8_t> Commands() const; // the latest command-register writes, in order
    struct BusWriteRecord {
        std::uint8_t address;
        std::uint32_t value;
    };
    std::vector<BusWriteRecord> BusWrites() const;
    std::uint32_t InterruptWindow(std::uint32_t offset) const;
    int InterruptsClaimed() const;
    // Raises the interrupt with the given cause, as the card does when it finishes work.
    void RaiseInterrupt(std::uint8_t cause);

private:
    enum class Phase { Idle, Answered };

    void Command(std::uint32_t value, std::function<void()>& raise);
    void WriteRegister(std::uint8_t reg, std::uint8_t value, std::function<void()>& raise);
    std::uint8_t ReadRegister(std::uint8_t reg);
    void Strobe(std::uint8_t command, std::function<void()>& raise);
    std::function<void()> PrepareInterrupt(std::uint8_t cause);

    SimReceiver& receiver_;
    std::shared_ptr<SimReceiver> owner_;
    mutable std::mutex mutex_;
    std::uint8_t regs_[transport::pcireg::kCount]{};
    Phase phase_ = Phase::Idle;
    std::uint8_t latchedCommand_ = 0;
    std::uint32_t data_ = 0;
    bool silent_ = false;
    int busyReads_ = 0;
    bool windowsPresent_ = true;
    std::uint32_t config_[64]{};
    std::uint32_t interruptStatus_ = 0;
    std::uint32_t interruptMask_ = 0;
    std::uint32_t controlWord_ = 0;
    std::function<bool()> handler_;
    int claimed_ = 0;
    CommandHistory commands_;
    std::vector<BusWriteRecord> busWrites_;
};

} // namespace lxq::sim
