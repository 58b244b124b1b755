#pragma once
// A receiver device for the library's tests: it serves the device-control requests the library
// sends, keeps the settings they change, logs every request code, and fails on demand.

#include "api/DeviceProvider.h"
#include "api/SimulatedEeprom.h"
#include "platform/sys/DeviceChannel.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace lxq::api::testing {

struct FakeReceiverState {
    std::mutex mutex;
    LX_Q7_EEPROM eeprom = [] {
        LX_Q7_EEPROM e = SimulatedEeprom();
        std::memcpy(e.modelId, "Q7USBv20", 8);
        std::memcpy(e.serial, "SN000001", 8);
        return e;
    }();
    std::uint32_t version = LXQ745_DRIVER_INTERFACE_VERSION;
    std::uint32_t power = 1, frequency = 100'000'000, atten = 0, rfAmp = 1, agc = 2, ifGain = 50;
    std::uint32_t fmWide = 0, if2 = 0, refSource = 0, refHz = 0;
    std::int32_t level = -800;
    std::uint32_t okWord = 1;            // answered in set requests' output words
    std::set<std::uint32_t> failing;     // request codes that fail
    bool answering = true;               // false: every request times out, as with a hung receiver
    std::vector<std::uint32_t> log;      // every request code in order
    std::vector<RefClockRequest> refClockRequests;

    std::vector<std::uint32_t> Log() {
        std::lock_guard lock(mutex);
        return log;
    }
    std::size_t Count(std::uint32_t code) {
        std::lock_guard lock(mutex);
        std::size_t n = 0;
        for (auto c : log) n += c == code;
        return n;
    }
};

class FakeLink final : public DeviceLink {
public:
    explicit FakeLink(std::shared_ptr<FakeReceiverState> s) : s_(std::move(s)) {}

    std::uint32_t Control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                          std::uint32_t outLength, std::uint64_t, std::uint64_t* bytes) override {
        std::lock_guard lock(s_->mutex);
        s_->log.push_back(code);
        *bytes = 0;
        if (!s_->answering) return plat::sys::kStatusRequestTimedOut;
        if (s_->failing.count(code)) return kStatusInvalidParameter;
        auto value = [&] {
            std::uint32_t v = 0;
            if (in && inLength >= 4) std::memcpy(&v, in, 4);
            return v;
        };
        auto answer = [&](const void* data, std::uint32_t n) {
            if (outLength < n) return kStatusBufferOverflow;
            std::memcpy(out, data, n);
            *bytes = n;
            return kStatusSuccess;
        };
        auto ok = [&](std::uint32_t& field) {
            field = value();
            return answer(&s_->okWord, 4);
        };
        switch (code) {
        case IOCTL_LXQ745_GET_VERSION: *bytes = s_->version; return kStatusSuccess;
        case IOCTL_LXQ745_READ_EEPROM: return answer(&s_->eeprom, sizeof s_->eeprom);
        case IOCTL_LXQ745_GET_POWER: *bytes = s_->power; return kStatusSuccess;
        case IOCTL_LXQ745_GET_FREQUENCY: *bytes = s_->frequency; return kStatusSuccess;
        case IOCTL_LXQ745_GET_ATTEN: *bytes = s_->atten; return kStatusSuccess;
        case IOCTL_LXQ745_GET_RF_AMP: *bytes = s_->rfAmp; return kStatusSuccess;
        case IOCTL_LXQ745_GET_AGC: *bytes = s_->agc; return kStatusSuccess;
        case IOCTL_LXQ745_GET_IF_GAIN: *bytes = s_->ifGain; return kStatusSuccess;
        case IOCTL_LXQ745_GET_IF2_FREQUENCY: *bytes = s_->if2; return kStatusSuccess;
        case IOCTL_LXQ745_GET_FMW: *bytes = s_->fmWide; return kStatusSuccess;
        case IOCTL_LXQ745_IS_CONNECTED: *bytes = 1; return kStatusSuccess;
        case IOCTL_LXQ745_IS_BUSY: *bytes = 0; return kStatusSuccess;
        case IOCTL_LXQ745_GET_LOCK: *bytes = 1; return kStatusSuccess;
        case IOCTL_LXQ745_SET_POWER: return ok(s_->power);
        case IOCTL_LXQ745_SET_ATTEN: return ok(s_->atten);
        case IOCTL_LXQ745_SET_RF_AMP: return ok(s_->rfAmp);
        case IOCTL_LXQ745_SET_AGC: return ok(s_->agc);
        case IOCTL_LXQ745_SET_IF_GAIN: // the driver takes the low byte and clamps it to 100
            s_->ifGain = std::min<std::uint32_t>(value() & 0xFFu, 100);
            return answer(&s_->okWord, 4);
        case IOCTL_LXQ745_SET_FMW: s_->fmWide = value(); return kStatusSuccess;
        case IOCTL_LXQ745_SET_FREQUENCY:
        case IOCTL_LXQ745_SET_IF2_FREQUENCY: {
            FreqRequest r{};
            std::memcpy(&r, in, sizeof r);
            (code == IOCTL_LXQ745_SET_FREQUENCY ? s_->frequency : s_->if2) = r.hz;
            r.flags = s_->okWord;
            return answer(&r, sizeof r);
        }
        case IOCTL_LXQ745_SET_REF_CLOCK: {
            RefClockRequest r{};
            std::memcpy(&r, in, sizeof r);
            s_->refClockRequests.push_back(r);
            r.ok = s_->okWord;
            return answer(&r, sizeof r);
        }
        case IOCTL_LXQ745_GET_SIGNAL_STRENGTH: return answer(&s_->level, 4);
        case IOCTL_LXQ745_SET_FREQ_PIPELINED: {
            PipelinedTuneRequest r{};
            std::memcpy(&r, in, sizeof r);
            s_->frequency = r.hz;
            const PipelinedTuneResult result{0x00400020, 0, s_->level};
            return answer(&result, sizeof result);
        }
        case IOCTL_LXQ745_WRITE_EEPROM: {
            // Like the hardware, the address wraps within the 256 bytes.
            const auto* p = static_cast<const std::uint8_t*>(in);
            auto* image = reinterpret_cast<std::uint8_t*>(&s_->eeprom);
            for (std::uint32_t i = 1; i < inLength; ++i)
                image[static_cast<std::uint8_t>(p[0] + i - 1)] = p[i];
            return kStatusSuccess;
        }
        case IOCTL_LXQ745_GET_HWINFO: {
            std::uint8_t info[60] = {};
            info[35] = 1; // the mixing scheme mirrors the spectrum
            return answer(info, sizeof info);
        }
        default: return kStatusSuccess;
        }
    }

private:
    std::shared_ptr<FakeReceiverState> s_;
};

class FakeProvider final : public DeviceProvider {
public:
    std::map<std::string, std::shared_ptr<FakeReceiverState>> devices; // present devices
    std::vector<std::string> order;                                    // device-number order

    std::shared_ptr<FakeReceiverState> Add(const std::string& path) {
        auto state = std::make_shared<FakeReceiverState>();
        devices[path] = state;
        order.push_back(path);
        return state;
    }
    // A device that shows up only from the second listing on (plugged in during a load).
    std::string lateDevice;
    int listings = 0;

    std::vector<std::string> List() override {
        std::vector<std::string> present = order;
        if (listings++ > 0 && !lateDevice.empty()) present.push_back(lateDevice);
        return present;
    }
    std::set<std::string> refused; // present, but opened by someone outside the library

    std::unique_ptr<DeviceLink> Open(const std::string& path) override {
        if (refused.count(path)) return nullptr;
        auto it = devices.find(path);
        return it == devices.end() ? nullptr : std::make_unique<FakeLink>(it->second);
    }
    void Watch(Watcher) override {}
    void StopWatching() override {}
};

} // namespace lxq::api::testing
