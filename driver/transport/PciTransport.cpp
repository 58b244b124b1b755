#include "driver/transport/PciTransport.h"

#include <cstring>

#include "platform/sys/Clock.h"

namespace lxq::transport {
namespace {

using driver::Bit;
using driver::TunerField;
namespace reg = pcireg;

constexpr char kInterruptFirmware[8] = {'Q', '7', 'P', 'C', 'I', 'v', '1', '5'};
constexpr int kAveragedReads = 32;
constexpr int kReadyPolls = 10'000;
constexpr plat::sys::Nanoseconds kEepromWriteTimeout = plat::sys::kNsPerSecond;

bool Ok(MailboxResult r) { return r == MailboxResult::Ok; }

} // namespace

PciTransport::PciTransport(std::unique_ptr<PciCard> card) : card_(std::move(card)), mailbox_(*card_) {
    dpcThread_ = std::thread([this] { DeferredLoop(); });
}

PciTransport::~PciTransport() {
    card_->DisconnectInterrupt();
    {
        std::lock_guard lock(dpcMutex_);
        dpcStop_ = true;
    }
    dpcWake_.notify_all();
    dpcThread_.join();
}

NtStatus PciTransport::Start() {
    // The card's registers are reached through its memory windows; without both it cannot be driven.
    int memoryWindows = 0;
    for (std::uint32_t offset = kPciConfigFirstBar; offset <= kPciConfigLastBar; offset += 4) {
        const std::uint32_t bar = card_->ReadConfig(offset);
        if (bar != 0 && bar != 0xFFFFFFFFu && (bar & 1u) == 0) ++memoryWindows;
    }
    if (memoryWindows < 2) return kStatusInsufficientResources;
    interruptConnected_ = card_->ConnectInterrupt([this] { return ServiceInterrupt(); });
    card_->Write32(PciCard::Window::Interrupt, kPciInterruptStatus, 0xFFFFFFFFu);
    card_->Write32(PciCard::Window::Interrupt, kPciInterruptMask, 0xFFFFFFFFu);
    card_->WriteConfig(kPciConfigTiming, kPciConfigTimingValue);
    return kStatusSuccess;
}

void PciTransport::Stop() {
    card_->DisconnectInterrupt();
    interruptConnected_ = false;
    mailbox_.SetUsesInterrupt(false);
    DrainDeferred();
}

NtStatus PciTransport::Open() {
    card_->WriteConfig(kPciConfigTiming, kPciConfigTimingValue);
    return kStatusSuccess;
}

void PciTransport::Close() {
    card_->Write32(PciCard::Window::Interrupt, kPciInterruptMask, 0xFFFFFFFFu);
}

host::PushOutcome PciTransport::Push(const TunerState& state, driver::FieldMask fields, bool waitPush,
                                     bool forceAll, bool powered) {
    mailbox_.CardIdle(); // its answer does not matter: the writes below tell
    driver::FieldMask sent = 0;
    auto write32 = [&](TunerField f, std::uint8_t r, std::uint32_t v) {
        if ((fields & Bit(f)) != 0 && mailbox_.Write32(r, v)) sent |= Bit(f);
    };
    auto write8 = [&](TunerField f, std::uint8_t r, std::uint8_t v) {
        if ((fields & Bit(f)) != 0 && Ok(mailbox_.WriteReg(r, v))) sent |= Bit(f);
    };
    std::uint32_t gain16 = 0, gain20 = 0;
    std::memcpy(&gain16, state.gain, 4);
    std::memcpy(&gain20, state.gain + 4, 4);
    write32(TunerField::MainControl, reg::kMainControl, state.mainControl);
    write32(TunerField::MainFraction, reg::kMainFraction, state.mainFraction);
    write32(TunerField::SecondControl, reg::kSecondControl, state.secondControl);
    write32(TunerField::SecondFraction, reg::kSecondFraction, state.secondFraction);
    write32(TunerField::Gain16, reg::kGainWord16, gain16);
    write32(TunerField::Gain20, reg::kGainWord20, gain20);
    write8(TunerField::Reference, reg::kReferenceSelect, state.referenceSelect);
    if ((fields & Bit(TunerField::Band)) != 0 && mailbox_.Write16(reg::kBandWord, state.bandWord))
        sent |= Bit(TunerField::Band);
    write8(TunerField::RangeControl, reg::kRangeControl, state.rangeControl);
    write8(TunerField::Preselector, reg::kPreselector, state.preselector);
    write8(TunerField::Dwell, reg::kDwell, state.dwell);

    // The strobe tells the card which of its units to load; the bits of the written groups combine.
    const std::uint8_t mask = driver::CardStrobeMask(sent);

    // Field writes report no status to the caller: their confirmations carry the outcome.
    if (!powered) return {kStatusSuccess, sent, true}; // the registers hold it; the strobe waits for power
    if (mask == 0 && !forceAll) return {kStatusSuccess, sent, true};
    if (mailbox_.UsesInterrupt()) mailbox_.ServiceEvent().Reset();
    const bool strobed = Ok(mailbox_.WriteReg(reg::kCommand, mask));
    const bool complete = strobed && (!waitPush || mailbox_.CardIdle());
    return {kStatusSuccess, sent, complete};
}

NtStatus PciTransport::ReadLockStatus(bool again, std::uint8_t& status) {
    if (again && !Ok(mailbox_.WriteReg(reg::kCommand, kPciCommandLockRecheck))) return NotAnswering();
    // The status register means something only once the card has done what it was asked.
    std::uint8_t value = 0;
    if (!mailbox_.CardIdle() || !Ok(mailbox_.ReadReg(reg::kSynthStatus, value))) return NotAnswering();
    silentChecks_ = 0;
    status = value;
    return kStatusSuccess;
}

NtStatus PciTransport::NotAnswering() {
    ++silentChecks_;
    return kStatusDeviceBusy;
}

int PciTransport::SilentChecks() const { return silentChecks_; }

void PciTransport::SignalService() {
    if (mailbox_.UsesInterrupt()) mailbox_.ServiceEvent().Set();
}

NtStatus PciTransport::SwitchFmWide(bool on) {
    return Ok(mailbox_.WriteReg(reg::kFmWide, on ? 3 : 0)) ? kStatusSuccess : kStatusUnsuccessful;
}

NtStatus PciTransport::ReadEeprom(LX_Q7_EEPROM& image) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&image);
    for (unsigned address = 0; address < kEepromSize; ++address) {
        if (!Ok(mailbox_.WriteReg(reg::kEepromAddress, static_cast<std::uint8_t>(address))) ||
            !Ok(mailbox_.ReadReg(reg::kEepromData, bytes[address])))
            return kStatusDeviceBusy;
    }
    cardType1_ = image.pciCardType == 1;
    // Firmware from "Q7PCIv15" on signals finished work by interrupt.
    const bool usesInterrupt =
        interruptConnected_ && std::memcmp(image.modelId, kInterruptFirmware, sizeof kInterruptFirmware) >= 0;
    mailbox_.SetUsesInterrupt(usesInterrupt);
    if (usesInterrupt) {
        card_->Write32(PciCard::Window::Interrupt, kPciInterruptMask, 0xFFFFFFFFu);
        card_->Write32(PciCard::Window::Interrupt, kPciControlWord, 0x88000000u);
        mailbox_.WriteReg(reg::kInterruptEnable, 7);
    }
    return kStatusSuccess;
}

bool PciTransport::WriteEepromByte(std::uint8_t address, std::uint8_t value) {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    const plat::sys::Nanoseconds start = clock.Now();
    if (!Ok(mailbox_.WriteReg(reg::kEepromAddress, address)) || !Ok(mailbox_.WriteReg(reg::kEepromData, value)))
        return false;
    for (;;) {
        std::uint8_t bus = 0;
        if (!Ok(mailbox_.ReadReg(reg::kBusStatus, bus))) return false;
        if ((bus & kPciEepromWriting) == 0) return true;
        if (clock.Now() - start > kEepromWriteTimeout) return false;
        clock.Sleep(plat::sys::kNsPerMs);
    }
}

NtStatus PciTransport::Measure(std::uint32_t flags, std::uint16_t& a, std::uint16_t& b, bool& fresh) {
    fresh = false;
    if ((flags & 8) != 0 && !Ok(mailbox_.WriteReg(reg::kCommand, kPciCommandMeasure))) return kStatusDeviceBusy;
    if ((flags & 0x10) == 0) return kStatusSuccess;
    if (!mailbox_.CardIdle()) return kStatusDeviceBusy;
    std::uint16_t wordA = 0, wordB = 0;
    if (cardType1_) {
        if (!mailbox_.Read16(reg::kDetectorA, wordA) || !mailbox_.Read16(reg::kDetectorB, wordB))
            return kStatusDeviceBusy;
        a = static_cast<std::uint16_t>((wordA + 16u) >> 5);
        b = static_cast<std::uint16_t>((wordB + 16u) >> 5);
        fresh = true;
        return kStatusSuccess;
    }
    std::uint8_t high = 0;
    if (!Ok(mailbox_.ReadReg(reg::kDetectorB + 1, high))) return kStatusDeviceBusy;
    std::uint32_t sumA = 0, sumB = 0;
    for (int i = 0; i < kAveragedReads; ++i) {
        std::uint8_t ready = 0;
        int polls = 0;
        do {
            if (++polls > kReadyPolls || !Ok(mailbox_.ReadReg(reg::kDetectorB, ready))) return kStatusDeviceBusy;
        } while ((ready & 1u) == 0);
        if (!mailbox_.Read16(reg::kDetectorA, wordA) || !mailbox_.Read16(reg::kDetectorB, wordB))
            return kStatusDeviceBusy;
        sumA += wordA >> 6;
        sumB += wordB >> 6;
    }
    a = static_cast<std::uint16_t>(sumA / kAveragedReads);
    b = static_cast<std::uint16_t>(sumB / kAveragedReads);
    fresh = true;
    return kStatusSuccess;
}

NtStatus PciTransport::SetPower(bool on) {
    const std::uint8_t value = on ? (cardType1_ ? 3 : 7) : 0;
    return Ok(mailbox_.WriteReg(reg::kPower, value)) ? kStatusSuccess : kStatusDeviceBusy;
}

NtStatus PciTransport::ReadHardwareState(TunerState& state, bool& powered, HardwareStateRecord* record,
                                         driver::FieldMask& fields) {
    std::uint8_t regs[reg::kCount];
    for (std::uint8_t r = 0; r < reg::kCount; ++r)
        if (!Ok(mailbox_.ReadReg(r, regs[r]))) return kStatusDeviceBusy;
    static_assert(sizeof(HardwareStateRecord) == reg::kCount);
    if (record != nullptr) std::memcpy(record, regs, sizeof regs);
    powered = regs[reg::kPower] != 0;
    state = TunerState{};
    std::memcpy(&state.mainControl, regs + reg::kMainControl, 4);
    std::memcpy(&state.mainFraction, regs + reg::kMainFraction, 4);
    std::memcpy(&state.secondControl, regs + reg::kSecondControl, 4);
    std::memcpy(&state.secondFraction, regs + reg::kSecondFraction, 4);
    std::memcpy(state.gain, regs + reg::kGainWord16, 8);
    state.referenceSelect = regs[reg::kReferenceSelect];
    state.dwell = regs[reg::kDwell];
    state.bandWord = static_cast<std::uint16_t>(regs[reg::kBandWord] | regs[reg::kBandWord + 1] << 8);
    state.preselector = regs[reg::kPreselector];
    state.rangeControl = regs[reg::kRangeControl];
    fields = driver::kAllFields;  // the register file holds every field
    return kStatusSuccess;
}

NtStatus PciTransport::BusWrite(std::uint32_t address, std::uint32_t value) {
    const bool written = Ok(mailbox_.WriteReg(reg::kBusAddress, static_cast<std::uint8_t>(address & ~1u))) &&
                         mailbox_.Write32(reg::kBusData, value) &&
                         Ok(mailbox_.WriteReg(reg::kCommand, kPciCommandBusWrite));
    return written && mailbox_.BusWait() ? kStatusSuccess : kStatusUnsuccessful;
}

bool PciTransport::IsBusy() {
    std::uint8_t command = 0;
    return Ok(mailbox_.ReadReg(reg::kCommand, command)) && (command & kPciBusyBits) != 0;
}

bool PciTransport::ServiceInterrupt() {
    const std::uint32_t status = card_->Read32(PciCard::Window::Interrupt, kPciInterruptStatus);
    if (status == 0 || status == 0xFFFFFFFFu) return false; // not ours, or the card is gone
    card_->Write32(PciCard::Window::Interrupt, kPciInterruptStatus, status);
    {
        std::lock_guard lock(dpcMutex_);
        ++dpcQueued_;
    }
    dpcWake_.notify_all();
    return true;
}

void PciTransport::DeferredLoop() {
    std::unique_lock lock(dpcMutex_);
    for (;;) {
        dpcWake_.wait(lock, [this] { return dpcStop_ || dpcQueued_ > 0; });
        if (dpcStop_) return;
        dpcQueued_ = 0; // one run serves every interrupt queued meanwhile
        dpcRunning_ = true;
        lock.unlock();
        Deferred();
        lock.lock();
        dpcRunning_ = false;
        dpcWake_.notify_all();
    }
}

void PciTransport::Deferred() {
    if (!mailbox_.UsesInterrupt()) return;
    std::uint8_t cause = 0;
    if (!Ok(mailbox_.ReadReg(reg::kInterruptCause, cause)) || cause == 0) return;
    mailbox_.ServiceEvent().Set();
    if (cause == 4) mailbox_.WriteReg(reg::kInterruptEnable, 4);
}

void PciTransport::DrainDeferred() {
    std::unique_lock lock(dpcMutex_);
    dpcWake_.wait(lock, [this] { return dpcStop_ || (dpcQueued_ == 0 && !dpcRunning_); });
}

} // namespace lxq::transport
