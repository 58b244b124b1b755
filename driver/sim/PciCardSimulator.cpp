#include "driver/sim/PciCardSimulator.h"

#include "driver/sim/SimRegistry.h"

#include <algorithm>
#include <cstring>

namespace lxq::sim {
namespace reg = transport::pcireg;
using transport::kPciMailboxReady;

namespace {

constexpr std::uint32_t kBar0 = 0xF0000000u;
constexpr std::uint32_t kBar1Io = 0x0000E001u;
constexpr std::uint32_t kBar2 = 0xF0001000u;

} // namespace

PciCardSimulator::~PciCardSimulator() { SimRegistry::Forget(this); }

PciCardSimulator::PciCardSimulator(SimReceiver& receiver) : receiver_(receiver) {
    config_[0] = 0x7450'1D6Au; // device and vendor ids of the simulated card
    config_[transport::kPciConfigFirstBar / 4] = kBar0;
    config_[transport::kPciConfigFirstBar / 4 + 1] = kBar1Io;
    config_[transport::kPciConfigFirstBar / 4 + 2] = kBar2;
}

std::uint32_t PciCardSimulator::Read32(Window window, std::uint32_t offset) {
    std::lock_guard lock(mutex_);
    if (window == Window::Interrupt) {
        switch (offset) {
        case transport::kPciInterruptStatus: return interruptStatus_;
        case transport::kPciControlWord: return controlWord_;
        case transport::kPciInterruptMask: return interruptMask_;
        default: return 0;
        }
    }
    if (offset != transport::kPciMailboxData) return 0;
    const std::uint32_t value = data_;
    if (phase_ == Phase::Answered) phase_ = Phase::Idle; // taking the answer frees the mailbox
    return value;
}

std::uint16_t PciCardSimulator::Read16(Window window, std::uint32_t offset) {
    std::lock_guard lock(mutex_);
    if (window != Window::Mailbox || offset != transport::kPciMailboxStatus) return 0;
    return phase_ == Phase::Answered ? kPciMailboxReady : 0;
}

void PciCardSimulator::Write32(Window window, std::uint32_t offset, std::uint32_t value) {
    std::function<void()> raise;
    {
        std::lock_guard lock(mutex_);
        if (window == Window::Interrupt) {
            switch (offset) {
            case transport::kPciInterruptStatus: interruptStatus_ &= ~value; break; // write back acknowledges
            case transport::kPciControlWord: controlWord_ = value; break;
            case transport::kPciInterruptMask: interruptMask_ = value; break;
            default: break;
            }
        } else if (offset == transport::kPciMailboxData) {
            Command(value, raise);
        }
    }
    if (raise) raise();
}

void PciCardSimulator::Command(std::uint32_t value, std::function<void()>& raise) {
    if (silent_) return;
    if ((value & 0x80u) != 0) {
        // A command: answer with the register's value; a data phase may follow (a write).
        latchedCommand_ = static_cast<std::uint8_t>(value);
        data_ = ReadRegister(latchedCommand_ & 0x3F);
        phase_ = Phase::Answered;
        return;
    }
    if (phase_ != Phase::Answered) return; // data without a command is ignored
    const auto byte = static_cast<std::uint8_t>((value & 0x7Fu) | ((latchedCommand_ & 0x40u) << 1));
    phase_ = Phase::Idle;
    WriteRegister(latchedCommand_ & 0x3F, byte, raise);
}

std::uint8_t PciCardSimulator::ReadRegister(std::uint8_t r) {
    switch (r) {
    case reg::kCommand:
        if (busyReads_ > 0) {
            --busyReads_;
            return static_cast<std::uint8_t>(regs_[r] | 0x01);
        }
        return static_cast<std::uint8_t>(regs_[r] & ~transport::kPciBusyBits & ~0x40u);
    case reg::kPower: return receiver_.Powered() ? regs_[r] : 0;
    default: return regs_[r];
    }
}

void PciCardSimulator::WriteRegister(std::uint8_t r, std::uint8_t value, std::function<void()>& raise) {
    regs_[r] = value;
    switch (r) {
    case reg::kPower: receiver_.SetPowered(value != 0); break;
    case reg::kInterruptEnable:
        if (value == 4 && regs_[reg::kInterruptCause] == 4) regs_[reg::kInterruptCause] = 0;
        break;
    case reg::kEepromAddress: regs_[reg::kEepromData] = receiver_.EepromByte(value); break;
    case reg::kEepromData: receiver_.WriteEepromByte(regs_[reg::kEepromAddress], value); break;
    case reg::kCommand:
        commands_.Add(value);
        Strobe(value, raise);
        break;
    case reg::kFmWide: receiver_.SetFmWide(value == 3); break;
    default: break;
    }
}

void PciCardSimulator::Strobe(std::uint8_t command, std::function<void()>& raise) {
    if (command == transport::kPciCommandMeasure) {
        // Direct-read cards give words that the driver rounds by >> 5; the others are averaged >> 6.
        const bool direct = receiver_.EepromByte(236) == 1;
        const unsigned shift = direct ? 5 : 6;
        // The card's detector words are 16 bits wide: a level beyond them reads as full scale.
        auto word = [shift](std::uint32_t v) { return static_cast<std::uint16_t>(std::min<std::uint32_t>(v << shift, 0xFFFFu)); };
        const DetectorWords words = receiver_.Detector();
        const std::uint16_t a = word(words.a);
        const auto b = static_cast<std::uint16_t>(word(words.b) | 1u); // bit 0: ready
        regs_[reg::kDetectorA] = static_cast<std::uint8_t>(a);
        regs_[reg::kDetectorA + 1] = static_cast<std::uint8_t>(a >> 8);
        regs_[reg::kDetectorB] = static_cast<std::uint8_t>(b);
        regs_[reg::kDetectorB + 1] = static_cast<std::uint8_t>(b >> 8);
        return;
    }
    if (command == transport::kPciCommandBusWrite) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= std::uint32_t{regs_[reg::kBusData + i]} << (8 * i);
        busWrites_.push_back({regs_[reg::kBusAddress], value});
        return;
    }
    if (command == transport::kPciCommandLockRecheck) {
        regs_[reg::kSynthStatus] = receiver_.ReadLock();
        return;
    }
    // A field strobe: the card takes the tuner fields from its registers.
    TunerState t = receiver_.Tuner();
    auto word = [this](int first) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t{regs_[first + i]} << (8 * i);
        return v;
    };
    t.mainControl = word(reg::kMainControl);
    t.mainFraction = word(reg::kMainFraction);
    t.secondControl = word(reg::kSecondControl);
    t.secondFraction = word(reg::kSecondFraction);
    std::memcpy(t.gain, regs_ + reg::kGainWord16, 8);
    t.referenceSelect = regs_[reg::kReferenceSelect];
    t.bandWord = static_cast<std::uint16_t>(regs_[reg::kBandWord] | regs_[reg::kBandWord + 1] << 8);
    t.dwell = regs_[reg::kDwell];
    t.preselector = regs_[reg::kPreselector];
    t.rangeControl = regs_[reg::kRangeControl];
    receiver_.SetTuner(t);
    regs_[reg::kSynthStatus] = receiver_.ReadLock();
    raise = PrepareInterrupt(1);
}

std::function<void()> PciCardSimulator::PrepareInterrupt(std::uint8_t cause) {
    // The card interrupts only when its interrupt is enabled and the line is connected.
    if (!handler_ || regs_[reg::kInterruptEnable] == 0 || interruptMask_ == 0) return {};
    regs_[reg::kInterruptCause] = cause;
    interruptStatus_ |= 1u;
    return [this] {
        std::function<bool()> handler;
        {
            std::lock_guard lock(mutex_);
            handler = handler_;
        }
        if (handler && handler()) {
            std::lock_guard lock(mutex_);
            ++claimed_;
        }
    };
}

void PciCardSimulator::RaiseInterrupt(std::uint8_t cause) {
    std::function<void()> raise;
    {
        std::lock_guard lock(mutex_);
        raise = PrepareInterrupt(cause);
    }
    if (raise) raise();
}

std::uint32_t PciCardSimulator::ReadConfig(std::uint32_t offset) {
    std::lock_guard lock(mutex_);
    if (offset >= sizeof config_ || offset % 4 != 0) return 0xFFFFFFFFu;
    if (!windowsPresent_ && offset >= transport::kPciConfigFirstBar && offset <= 0x24) return 0;
    return config_[offset / 4];
}

bool PciCardSimulator::WriteConfig(std::uint32_t offset, std::uint32_t value) {
    std::lock_guard lock(mutex_);
    if (offset >= sizeof config_ || offset % 4 != 0) return false;
    config_[offset / 4] = value;
    return true;
}

bool PciCardSimulator::ConnectInterrupt(std::function<bool()> handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
    return true;
}

void PciCardSimulator::DisconnectInterrupt() {
    std::lock_guard lock(mutex_);
    handler_ = nullptr;
}

void PciCardSimulator::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void PciCardSimulator::SetBusyReads(int reads) {
    std::lock_guard lock(mutex_);
    busyReads_ = reads;
}

void PciCardSimulator::SetWindowsPresent(bool present) {
    std::lock_guard lock(mutex_);
    windowsPresent_ = present;
}

std::uint8_t PciCardSimulator::Register(std::uint8_t r) const {
    std::lock_guard lock(mutex_);
    return regs_[r & 0x3F];
}

std::vector<std::uint8_t> PciCardSimulator::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_.Recent();
}

std::vector<PciCardSimulator::BusWriteRecord> PciCardSimulator::BusWrites() const {
    std::lock_guard lock(mutex_);
    return busWrites_;
}

std::uint32_t PciCardSimulator::InterruptWindow(std::uint32_t offset) const {
    std::lock_guard lock(mutex_);
    return offset == transport::kPciInterruptStatus ? interruptStatus_
           : offset == transport::kPciInterruptMask ? interruptMask_
                                                    : controlWord_;
}

int PciCardSimulator::InterruptsClaimed() const {
    std::lock_guard lock(mutex_);
    return claimed_;
}

} // namespace lxq::sim
