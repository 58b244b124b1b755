#include "driver/transport/SerialTransport.h"

#include <cstring>

#include "driver/host/ReceiverDevice.h"

namespace lxq::transport {
namespace {

using driver::Bit;
using driver::TunerField;
namespace cmd = serialcmd;

constexpr char kLedFirmware[8] = {'Q', '7', 'S', 'E', 'R', 'v', '1', '6'};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0; // anything else counts as 0
}

// The first `digits` characters, most significant first; missing characters count as 0.
std::uint32_t ParseHex(const std::string& text, std::size_t digits, std::size_t from = 0) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < digits; ++i)
        value = value << 4 | static_cast<std::uint32_t>(from + i < text.size() ? HexDigit(text[from + i]) : 0);
    return value;
}

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& p) {
    if (p.size() < 4) return 0;
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

struct FieldCommand {
    TunerField field;
    std::uint8_t set;
    std::uint8_t read;
};

constexpr FieldCommand kFieldCommands[] = {
    {TunerField::MainControl, cmd::kSetWord0, cmd::kReadWord0},
    {TunerField::MainFraction, cmd::kSetWord4, cmd::kReadWord4},
    {TunerField::SecondControl, cmd::kSetWord8, cmd::kReadWord8},
    {TunerField::SecondFraction, cmd::kSetWord12, cmd::kReadWord12},
    {TunerField::Gain16, cmd::kSetGain16, cmd::kReadGain16},
    {TunerField::Gain20, cmd::kSetGain20, cmd::kReadGain20},
    {TunerField::Reference, cmd::kSetReference, cmd::kReadReference},
    {TunerField::RangeControl, cmd::kSetControl, cmd::kReadControl},
    {TunerField::Preselector, cmd::kSetPreselector, cmd::kReadPreselector},
    {TunerField::Band, cmd::kSetBand, cmd::kReadBand},
    {TunerField::Dwell, cmd::kSetDwell, cmd::kReadDwell},
};

const FieldCommand* BySet(std::uint8_t command) {
    for (const auto& f : kFieldCommands)
        if (f.set == command) return &f;
    return nullptr;
}

const FieldCommand* ByRead(std::uint8_t command) {
    for (const auto& f : kFieldCommands)
        if (f.read == command) return &f;
    return nullptr;
}

std::uint32_t GainWord(const TunerState& s, std::size_t first) {
    std::uint32_t v;
    std::memcpy(&v, s.gain + first, 4);
    return v;
}

// The payload of a field's set command: words most significant byte first, the band word low
// byte first, single bytes as they are.
std::vector<std::uint8_t> Payload(TunerField field, const TunerState& s) {
    auto word = [](std::uint32_t v) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                                         static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    };
    switch (field) {
    case TunerField::MainControl: return word(s.mainControl);
    case TunerField::MainFraction: return word(s.mainFraction);
    case TunerField::SecondControl: return word(s.secondControl);
    case TunerField::SecondFraction: return word(s.secondFraction);
    case TunerField::Gain16: return word(GainWord(s, 0));
    case TunerField::Gain20: return word(GainWord(s, 4));
    case TunerField::Reference: return {s.referenceSelect};
    case TunerField::Band:
        return {static_cast<std::uint8_t>(s.bandWord), static_cast<std::uint8_t>(s.bandWord >> 8)};
    case TunerField::Dwell: return {s.dwell};
    case TunerField::Preselector: return {s.preselector};
    case TunerField::RangeControl: return {s.rangeControl};
    }
    return {};
}

// Puts a field's value into s: from a set command's payload, or from a read answer's value.
void StoreField(TunerState& s, TunerField field, std::uint32_t value) {
    switch (field) {
    case TunerField::MainControl: s.mainControl = value; break;
    case TunerField::MainFraction: s.mainFraction = value; break;
    case TunerField::SecondControl: s.secondControl = value; break;
    case TunerField::SecondFraction: s.secondFraction = value; break;
    case TunerField::Gain16: std::memcpy(s.gain, &value, 4); break;
    case TunerField::Gain20: std::memcpy(s.gain + 4, &value, 4); break;
    case TunerField::Reference: s.referenceSelect = static_cast<std::uint8_t>(value); break;
    case TunerField::Band: s.bandWord = static_cast<std::uint16_t>(value); break;
    case TunerField::Dwell: s.dwell = static_cast<std::uint8_t>(value); break;
    case TunerField::Preselector: s.preselector = static_cast<std::uint8_t>(value); break;
    case TunerField::RangeControl: s.rangeControl = static_cast<std::uint8_t>(value); break;
    }
}

// The synthesiser and gain words travel as 32-bit values; the other fields as bytes.
bool IsWordField(TunerField field) {
    switch (field) {
    case TunerField::MainControl:
    case TunerField::MainFraction:
    case TunerField::SecondControl:
    case TunerField::SecondFraction:
    case TunerField::Gain16:
    case TunerField::Gain20: return true;
    default: return false;
    }
}

std::uint32_t PayloadValue(TunerField field, const std::vector<std::uint8_t>& p) {
    if (IsWordField(field)) return BigEndian32(p);
    if (field == TunerField::Band) return p.size() >= 2 ? static_cast<std::uint32_t>(p[0] | p[1] << 8) : 0;
    return p.empty() ? 0 : p[0];
}

std::size_t ReadDigits(TunerField field) { return IsWordField(field) ? 8 : 2; }

} // namespace

SerialTransport::SerialTransport(std::unique_ptr<SerialPort> port, SerialTimings timings)
    : port_(std::move(port)), timings_(timings), link_(*port_, timings) {
    link_.SetHandlers([this](const SerialAnswer& a) { OnAnswer(a); }, [this] { OnReady(); });
}

SerialTransport::~SerialTransport() {
    link_.StopReader();
    port_->Close();
}

NtStatus SerialTransport::Open() {
    if (!port_->Open()) return kStatusIoDeviceError;
    if (!link_.StartReader()) {
        port_->Close();
        return kStatusIoDeviceError;
    }
    return kStatusSuccess;
}

void SerialTransport::Close() {
    link_.StopReader();
    port_->Close();
}

void SerialTransport::Stop() {
    link_.SetSurpriseRemoved();
    Close();
}

void SerialTransport::OnReady() {
    // After a (re)connection the receiver learns its power state and, when on, the whole tuner
    // state last sent. This runs on the reader thread: it sends from the transport's own copy and
    // leaves the tuning core to the requests' threads.
    TunerState state;
    bool on, known;
    {
        std::lock_guard lock(mutex_);
        state = sentState_;
        on = switchedOn_;
        known = hasSentState_;
    }
    const std::uint8_t power = on ? 1 : 0;
    link_.Send(cmd::kSetPower, &power, 1);
    if (!on || !known) return;
    for (const FieldCommand& f : kFieldCommands) {
        const std::vector<std::uint8_t> payload = Payload(f.field, state);
        link_.Send(f.set, payload.data(), payload.size());
    }
    link_.Send(cmd::kCommit, nullptr, 0);
}

void SerialTransport::Confirm(TunerField field, const TunerState& sent, bool ok) {
    {
        std::lock_guard lock(mutex_);
        if (pushing_) {
            if (ok) pushConfirmed_ = static_cast<driver::FieldMask>(pushConfirmed_ | Bit(field));
            else pushConfirmed_ = static_cast<driver::FieldMask>(pushConfirmed_ & ~Bit(field));
            return;
        }
    }
    if (device_ != nullptr) device_->ConfirmField(field, sent, ok);
}

void SerialTransport::OnAnswer(const SerialAnswer& answer) {
    if (const FieldCommand* f = BySet(answer.command)) {
        // The value confirmed is the one that was on the wire with this very command.
        TunerState sent{};
        StoreField(sent, f->field, PayloadValue(f->field, answer.payload));
        Confirm(f->field, sent, answer.success);
        return;
    }
    if (!answer.success) return;
    if (answer.command == cmd::kReadDetectorA) {
        // Word a as it comes, with the last b: the level the receiver shows now.
        std::uint16_t a, b;
        {
            std::lock_guard lock(mutex_);
            detectorA_ = static_cast<std::uint16_t>(ParseHex(answer.digits, 4));
            a = detectorA_;
            b = detectorB_;
        }
        if (device_ != nullptr) device_->RecordDetector(a, b);
        return;
    }
    std::lock_guard lock(mutex_);
    if (const FieldCommand* f = ByRead(answer.command)) {
        StoreField(readBack_, f->field, ParseHex(answer.digits, ReadDigits(f->field)));
        readFields_ = static_cast<driver::FieldMask>(readFields_ | Bit(f->field));
        return;
    }
    switch (answer.command) {
    case cmd::kLockFirst:
    case cmd::kLockSecond: {
        const std::uint8_t bit = answer.command == cmd::kLockFirst ? 1 : 2;
        if ((ParseHex(answer.digits, 2) & 0x40u) != 0) status_ = static_cast<std::uint8_t>(status_ | bit);
        else status_ = static_cast<std::uint8_t>(status_ & ~bit);
        break;
    }
    case cmd::kReadPower: powered_ = ParseHex(answer.digits, 2) != 0; break;
    case cmd::kMeasureA:
    case cmd::kMeasure: {
        const std::uint32_t words = ParseHex(answer.digits, 8);
        detectorA_ = static_cast<std::uint16_t>(((words & 0xFFFFu) + 16u) >> 5);
        detectorB_ = static_cast<std::uint16_t>(((words >> 16) + 16u) >> 5);
        break;
    }
    case cmd::kEepromDump: {
        // 512 digits, the last EEPROM byte first.
        auto* bytes = reinterpret_cast<std::uint8_t*>(&eeprom_);
        for (std::size_t i = 0; i < kEepromSize; ++i)
            bytes[kEepromSize - 1 - i] = static_cast<std::uint8_t>(ParseHex(answer.digits, 2, 2 * i));
        eepromRead_ = answer.digits.size() >= 2 * kEepromSize;
        break;
    }
    default: break;
    }
}

host::PushOutcome SerialTransport::Push(const TunerState& state, driver::FieldMask fields, bool waitPush,
                                        bool forceAll, bool powered) {
    // Whether or not the caller waits, the commit is awaited whenever the receiver is on (below).
    {
        std::lock_guard lock(mutex_);
        pushing_ = true;
        pushConfirmed_ = 0;
        sentState_ = state;
        hasSentState_ = true;
    }
    // Without a commit to wait for (receiver off, caller not waiting), the last field's answer is
    // awaited instead: answers come in order, so by then the receiver has confirmed or refused
    // every field, and the set request reports that rather than a confirmation still on its way.
    const bool awaitLastField = !powered && !waitPush;
    const FieldCommand* last = nullptr;
    for (const FieldCommand& f : kFieldCommands)
        if ((fields & Bit(f.field)) != 0) last = &f;
    bool sent = false;
    for (const FieldCommand& f : kFieldCommands) {
        if ((fields & Bit(f.field)) == 0) continue;
        const std::vector<std::uint8_t> payload = Payload(f.field, state);
        if (awaitLastField && &f == last) link_.Query(f.set, payload.data(), payload.size(), timings_.query);
        else link_.Send(f.set, payload.data(), payload.size());
        // The preselector and range control take effect without a commit.
        if (f.field != TunerField::Preselector && f.field != TunerField::RangeControl) sent = true;
    }
    NtStatus status = kStatusSuccess;
    bool complete = false;
    const bool wasComplete = device_ != nullptr && device_->Confirmed().pushComplete;
    if (awaitLastField) {
        complete = true;
    } else if (!sent && wasComplete && !forceAll) {
        complete = true;
    } else {
        // The commit's answer comes after every field's: waiting for it lets the set requests
        // report what the receiver confirmed rather than what was merely queued.
        status = link_.Query(cmd::kCommit, nullptr, 0, timings_.query);
        complete = status == kStatusSuccess;
    }
    std::lock_guard lock(mutex_);
    pushing_ = false;
    return {status, pushConfirmed_, complete};
}

NtStatus SerialTransport::ReadLockStatus(bool, std::uint8_t& status) {
    link_.Send(cmd::kLockFirst, nullptr, 0);
    const NtStatus result = link_.Query(cmd::kLockSecond, nullptr, 0, timings_.query);
    if (result != kStatusSuccess) return result;
    std::lock_guard lock(mutex_);
    status = status_;
    return kStatusSuccess;
}

NtStatus SerialTransport::SwitchFmWide(bool on) {
    const std::uint8_t value = on ? 12 : 8;
    link_.Send(cmd::kFmWide, &value, 1); // the receiver's answer is not awaited
    return kStatusSuccess;
}

NtStatus SerialTransport::ReadEeprom(LX_Q7_EEPROM& image) {
    {
        std::lock_guard lock(mutex_);
        eepromRead_ = false;
    }
    const NtStatus status = link_.Query(cmd::kEepromDump, nullptr, 0, timings_.eepromDump);
    if (status != kStatusSuccess) return status;
    std::lock_guard lock(mutex_);
    if (!eepromRead_) return kStatusUnsuccessful; // a short dump is no image
    image = eeprom_;
    std::memcpy(image.modelId + 2, "SER", 3); // the serial variant marks its model so
    return kStatusSuccess;
}

bool SerialTransport::WriteEepromByte(std::uint8_t address, std::uint8_t value) {
    const std::uint8_t payload[2] = {address, value};
    return link_.Query(cmd::kWriteEeprom, payload, 2, timings_.query) == kStatusSuccess;
}

NtStatus SerialTransport::Measure(std::uint32_t flags, std::uint16_t& a, std::uint16_t& b, bool& fresh) {
    fresh = false;
    if ((flags & 0x10) == 0) {
        link_.Send(cmd::kMeasure, nullptr, 0);
        return kStatusSuccess;
    }
    const NtStatus status = link_.Query(cmd::kMeasure, nullptr, 0, timings_.query);
    if (status != kStatusSuccess) return status;
    std::lock_guard lock(mutex_);
    a = detectorA_;
    b = detectorB_;
    fresh = true;
    return kStatusSuccess;
}

NtStatus SerialTransport::SetPower(bool on) {
    const std::uint8_t value = on ? 1 : 0;
    const NtStatus status = link_.Query(cmd::kSetPower, &value, 1, timings_.query);
    if (status == kStatusSuccess) {
        std::lock_guard lock(mutex_);
        switchedOn_ = on;
    }
    return status;
}

NtStatus SerialTransport::ReadHardwareState(TunerState& state, bool& powered, HardwareStateRecord*,
                                            driver::FieldMask& fields) {
    {
        std::lock_guard lock(mutex_);
        readFields_ = 0;
    }
    static constexpr std::uint8_t kReads[] = {
        cmd::kReadService8, cmd::kReadPower,     cmd::kLockFirst,   cmd::kLockSecond, cmd::kReadService16,
        cmd::kReadDetectorA, cmd::kReadBand,     cmd::kReadReference, cmd::kReadDwell, cmd::kReadGain16,
        cmd::kReadGain20,    cmd::kReadWord0,    cmd::kReadWord4,   cmd::kReadWord8,  cmd::kReadWord12,
    };
    for (std::uint8_t command : kReads) {
        const NtStatus status = link_.Query(command, nullptr, 0, timings_.query);
        if (status != kStatusSuccess) return status;
    }
    std::lock_guard lock(mutex_);
    state = readBack_;
    powered = powered_;
    fields = readFields_;  // the preselector and the range control byte have no read command
    return kStatusSuccess;
}

NtStatus SerialTransport::SetLedPattern(std::uint8_t pattern) {
    if (device_ == nullptr) return kStatusInvalidParameter;
    // Only firmware from "Q7SERv16" on has the LED command; older receivers ignore the request.
    if (std::memcmp(device_->State().image.modelId, kLedFirmware, sizeof kLedFirmware) < 0) return kStatusSuccess;
    return link_.Query(cmd::kLed, &pattern, 1, timings_.query);
}

} // namespace lxq::transport
