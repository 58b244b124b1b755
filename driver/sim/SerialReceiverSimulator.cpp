#include "driver/sim/SerialReceiverSimulator.h"

#include "driver/sim/SimRegistry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "driver/transport/SerialTransport.h"

namespace lxq::sim {
namespace cmd = transport::serialcmd;
using transport::kSerialCharReceived;
using transport::kSerialDsrChanged;

namespace {

std::size_t PayloadLength(std::uint8_t command) {
    switch (command) {
    case cmd::kSetWord0:
    case cmd::kSetWord4:
    case cmd::kSetWord8:
    case cmd::kSetWord12:
    case cmd::kSetGain16:
    case cmd::kSetGain20: return 4;
    case cmd::kSetBand:
    case cmd::kWriteEeprom: return 2;
    case cmd::kSetReference:
    case cmd::kSetControl:
    case cmd::kSetPreselector:
    case cmd::kSetDwell:
    case cmd::kSetPower:
    case cmd::kFmWide:
    case cmd::kLed: return 1;
    default: return 0;
    }
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

} // namespace

SerialReceiverSimulator::~SerialReceiverSimulator() { SimRegistry::Forget(this); }

SerialReceiverSimulator::SerialReceiverSimulator(SimReceiver& receiver) : receiver_(receiver) {}

bool SerialReceiverSimulator::Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    return true;
}

void SerialReceiverSimulator::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    dtr_ = false;
    highSpeed_ = false;
}

bool SerialReceiverSimulator::SetLine(const transport::LineSettings& settings) {
    std::lock_guard lock(mutex_);
    line_ = settings;
    return true;
}

bool SerialReceiverSimulator::SetDtr(bool on) {
    std::lock_guard lock(mutex_);
    const bool rising = on && !dtr_;
    dtr_ = on;
    if (rising) {
        // The receiver restarts at 1200 baud and announces itself.
        highSpeed_ = false;
        ++handshakes_;
        Announce();
    }
    return true;
}

bool SerialReceiverSimulator::SetRts(bool) { return true; }

void SerialReceiverSimulator::Purge() {
    std::lock_guard lock(mutex_);
    toHost_.clear();
    fromHost_.clear();
}

void SerialReceiverSimulator::Announce() {
    if (silent_ || line_.baud != 1200 || line_.dataBits != 7) return;
    std::string frame = std::string("(") + '\x01' + "$LXC" + std::string(receiver_.Image().modelId, 8);
    unsigned sum = 0;
    for (char c : frame) sum += static_cast<unsigned char>(c);
    sum += ')';
    if (badChecksum_) ++sum;
    frame += Hex(sum & 0xFFu, 2) + ")";
    Answer("noise" + frame); // characters before the frame are dropped by the reader
}

void SerialReceiverSimulator::Answer(const std::string& text) {
    for (char c : text) toHost_.push_back(static_cast<std::uint8_t>(c));
    events_ |= kSerialCharReceived;
    changed_.notify_all();
}

bool SerialReceiverSimulator::Write(const std::uint8_t* bytes, std::size_t count) {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    fromHost_.insert(fromHost_.end(), bytes, bytes + count);
    // Frames are taken whole: the command byte tells how long its payload is.
    while (!fromHost_.empty()) {
        const std::uint8_t command = fromHost_[0];
        const std::size_t length = PayloadLength(command);
        if (fromHost_.size() < 1 + length) break;
        std::uint8_t payload[4] = {};
        std::memcpy(payload, fromHost_.data() + 1, length);
        fromHost_.erase(fromHost_.begin(), fromHost_.begin() + static_cast<std::ptrdiff_t>(1 + length));
        HandleFrame(command, payload);
    }
    return true;
}

void SerialReceiverSimulator::HandleFrame(std::uint8_t command, const std::uint8_t* payload) {
    if (silent_ || line_.dataBits != 8) return;
    // Before the speed change only that command is understood, at 1200 baud; after it, 38400.
    if (!highSpeed_) {
        if (command != transport::kSerialSpeedChange || line_.baud != 1200) return;
        commands_.Add(command);
        highSpeed_ = true;
        Answer(">");
        return;
    }
    if (line_.baud != 38400) return;
    commands_.Add(command);
    std::string text = Respond(command, payload);
    if (overlong_ > 0) {
        --overlong_;
        text = std::string(1100, '7');
    } else if (auto f = failures_.find(command); f != failures_.end()) {
        text.back() = f->second;
    }
    if (delayed_[command]) {
        held_.push_back(text);
        return;
    }
    Answer(text);
}

std::string SerialReceiverSimulator::Respond(std::uint8_t command, const std::uint8_t* p) {
    const TunerState t = receiver_.Tuner();
    auto set = [&](std::size_t offset, const void* bytes, std::size_t n) {
        receiver_.WriteTunerBytes(offset, bytes, n);
        return std::string(">");
    };
    auto setWord = [&](std::size_t offset) {
        const std::uint32_t v = BigEndian32(p);
        return set(offset, &v, 4);
    };
    std::uint32_t gain16, gain20;
    std::memcpy(&gain16, t.gain, 4);
    std::memcpy(&gain20, t.gain + 4, 4);
    switch (command) {
    case cmd::kSetWord0: return setWord(offsetof(TunerState, mainControl));
    case cmd::kSetWord4: return setWord(offsetof(TunerState, mainFraction));
    case cmd::kSetWord8: return setWord(offsetof(TunerState, secondControl));
    case cmd::kSetWord12: return setWord(offsetof(TunerState, secondFraction));
    case cmd::kSetGain16: return setWord(offsetof(TunerState, gain));
    case cmd::kSetGain20: return setWord(offsetof(TunerState, gain) + 4);
    case cmd::kSetReference: return set(offsetof(TunerState, referenceSelect), p, 1);
    case cmd::kSetBand: return set(offsetof(TunerState, bandWord), p, 2); // low byte first
    case cmd::kSetDwell: return set(offsetof(TunerState, dwell), p, 1);
    case cmd::kSetPreselector: return set(offsetof(TunerState, preselector), p, 1);
    case cmd::kSetControl: return set(offsetof(TunerState, rangeControl), p, 1);
    case cmd::kCommit: return ">";
    case cmd::kSetPower: receiver_.SetPowered(p[0] != 0); return ">";
    case cmd::kReadPower: return Hex(receiver_.Powered() ? 1 : 0, 2) + ">";
    case cmd::kFmWide: receiver_.SetFmWide(p[0] == 12); return ">";
    case cmd::kLed: receiver_.SetLedPattern(p[0]); return ">";
    case cmd::kWriteEeprom: receiver_.WriteEepromByte(p[0], p[1]); return ">";
    case cmd::kLockFirst:
        lastLock_ = receiver_.ReadLock();
        return Hex((lastLock_ & 1) != 0 ? 0x40 : 0, 2) + ">";
    case cmd::kLockSecond: return Hex((lastLock_ & 2) != 0 ? 0x40 : 0, 2) + ">";
    case cmd::kMeasureA:
    case cmd::kMeasure: {
        // Each word scaled by 32 into 16 bits, full scale beyond.
        const DetectorWords words = receiver_.Detector();
        const std::uint32_t a = std::min<std::uint32_t>(std::uint32_t{words.a} << 5, 0xFFFFu);
        const std::uint32_t b = std::min<std::uint32_t>(std::uint32_t{words.b} << 5, 0xFFFFu);
        return Hex((b & 0xFFFFu) << 16 | (a & 0xFFFFu), 8) + ">";
    }
    case cmd::kReadDetectorA: return Hex(receiver_.DetectorA(), 4) + ">";
    case cmd::kReadService8: return "00>";
    case cmd::kReadService16: return "0000>";
    case cmd::kReadWord0: return Hex(t.mainControl, 8) + ">";
    case cmd::kReadWord4: return Hex(t.mainFraction, 8) + ">";
    case cmd::kReadWord8: return Hex(t.secondControl, 8) + ">";
    case cmd::kReadWord12: return Hex(t.secondFraction, 8) + ">";
    case cmd::kReadGain16: return Hex(gain16, 8) + ">";
    case cmd::kReadGain20: return Hex(gain20, 8) + ">";
    case cmd::kReadReference: return Hex(t.referenceSelect, 2) + ">";
    case cmd::kReadBand: return Hex(t.bandWord & 0xFFu, 2) + ">";
    case cmd::kReadDwell: return Hex(t.dwell, 2) + ">";
    case cmd::kReadPreselector: return Hex(t.preselector, 2) + ">";
    case cmd::kReadControl: return Hex(t.rangeControl, 2) + ">";
    case cmd::kEepromDump: {
        std::string text;
        for (int address = 255; address >= 0; --address)
            text += Hex(receiver_.EepromByte(static_cast<std::uint8_t>(address)), 2);
        return text + ">";
    }
    default: return "#"; // not a command of this receiver
    }
}

std::size_t SerialReceiverSimulator::BytesWaiting() {
    std::lock_guard lock(mutex_);
    return toHost_.size();
}

std::size_t SerialReceiverSimulator::Read(std::uint8_t* bytes, std::size_t max) {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    while (n < max && !toHost_.empty()) {
        bytes[n++] = toHost_.front();
        toHost_.pop_front();
    }
    return n;
}

void SerialReceiverSimulator::SetWaitMask(std::uint32_t mask) {
    std::lock_guard lock(mutex_);
    mask_ = mask;
    ++maskGeneration_;
    changed_.notify_all();
}

std::uint32_t SerialReceiverSimulator::WaitEvent(plat::sys::Nanoseconds timeout) {
    std::unique_lock lock(mutex_);
    const std::uint64_t generation = maskGeneration_;
    if (!toHost_.empty()) events_ |= kSerialCharReceived;
    changed_.wait_for(lock, std::chrono::nanoseconds(timeout),
                      [&] { return (events_ & mask_) != 0 || maskGeneration_ != generation; });
    if (maskGeneration_ != generation) return 0;
    const std::uint32_t happened = events_ & mask_;
    events_ &= ~happened;
    return happened;
}

void SerialReceiverSimulator::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void SerialReceiverSimulator::DropDsr() {
    std::lock_guard lock(mutex_);
    highSpeed_ = false;
    events_ |= kSerialDsrChanged;
    changed_.notify_all();
}

void SerialReceiverSimulator::SetOverlongAnswers(int count) {
    std::lock_guard lock(mutex_);
    overlong_ = count;
}

void SerialReceiverSimulator::SetBadAnnouncementChecksum(bool bad) {
    std::lock_guard lock(mutex_);
    badChecksum_ = bad;
}

void SerialReceiverSimulator::SetFailureAnswer(std::uint8_t command, char terminator) {
    std::lock_guard lock(mutex_);
    if (terminator == 0) failures_.erase(command);
    else failures_[command] = terminator;
}

void SerialReceiverSimulator::SetAnswerDelayed(std::uint8_t command, bool delayed) {
    std::lock_guard lock(mutex_);
    delayed_[command] = delayed;
}

void SerialReceiverSimulator::ReleaseDelayed() {
    std::lock_guard lock(mutex_);
    for (const std::string& text : held_) Answer(text);
    held_.clear();
}

std::vector<std::uint8_t> SerialReceiverSimulator::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_.Recent();
}

int SerialReceiverSimulator::Handshakes() const {
    std::lock_guard lock(mutex_);
    return handshakes_;
}

transport::LineSettings SerialReceiverSimulator::Line() const {
    std::lock_guard lock(mutex_);
    return line_;
}

bool SerialReceiverSimulator::Dtr() const {
    std::lock_guard lock(mutex_);
    return dtr_;
}

} // namespace lxq::sim
