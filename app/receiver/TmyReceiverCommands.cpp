// The receiver commands that plug-ins send and the setting queries they make.

#include <algorithm>
#include <cstring>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/PackedFrequency.h"
#include "app/receiver/TmyReceiver.h"

namespace lxq {
namespace {

constexpr std::uint32_t kModeParamBytesMax = kModeParamsMax * 4;

// A count that comes with no data is taken as no data.
std::uint32_t Bytes(std::uint32_t cbData, const void* lpData) { return lpData ? cbData : 0; }

std::uint32_t U(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::int32_t S(std::uint32_t v) { return static_cast<std::int32_t>(v); }

} // namespace

void TmyReceiver::SetModeParams(const void* data, std::uint32_t bytes) {
    const std::uint32_t n = std::min(bytes, kModeParamBytesMax);
    if (n) std::memcpy(modeParams_, data, n);
    modeParamCount_ = static_cast<std::int32_t>(n / 4);
    const std::uint32_t terminator = kModeParamsTerminator;
    std::memcpy(&modeParams_[modeParamCount_], &terminator, sizeof terminator);
}

std::int32_t TmyReceiver::NotifyReceiver(std::uint32_t uMsg, std::uint32_t dwParam,
                                         std::uint32_t cbData, void* lpData) {
    // A frequency may come from any thread: it is only recorded, and the next tick or command on
    // the main thread applies it.
    if (uMsg == 0x800) {
        pendingFrequency_.store(DecodeFreq32(dwParam));
        return 0;
    }
    ApplyPendingFrequency();
    const std::uint32_t bytes = Bytes(cbData, lpData);
    switch (uMsg) {
    case 0x100: SetPower(S(dwParam)); break;
    case 0x801: SetFreq(DecodeFreq32(dwParam)); break;
    case 0x900:
        SetModeParams(lpData, bytes);
        SetMode(S(dwParam));
        break;
    case 0x902: SetBandwidth(S(dwParam)); break;
    case 0xB00:
        if (lpData) {
            // A record is read only when the byte count says it is all there.
            if (cbData < sizeof(SQUELCH_SETTINGS)) break;
            SQUELCH_SETTINGS record;
            std::memcpy(&record, lpData, sizeof record);
            SetSquelchSettings(record, dwParam);
        } else {
            SetSquelchDefeat(dwParam != 0);
        }
        break;
    case 0xB01:
        squelchReport_.noise = S(dwParam);
        if (dwParam < U(squelch_.noise))
            openConditions_ |= kSquelchNoise;
        else
            openConditions_ &= ~kSquelchNoise;
        UpdateSquelched();
        Fire(OnAudioNoise);
        break;
    case 0xB02:
        if (dwParam != 0 && bytes >= sizeof squelchReport_)
            std::memcpy(&squelchReport_, lpData, sizeof squelchReport_);
        openConditions_ = dwParam;
        UpdateSquelched();
        Fire(OnSquelchedInfo);
        break;
    case 0xB03: {
        signal_ = S(dwParam) * 0.1;
        signalRaw_ = TruncateToInt32((signal_ + 140.0) * 255.0 / 120.0);
        DoOnSignalChanged();
        Notify(kvr::kNotifySquelchLevel, U(RawToKVR(signalRaw_)), signalRaw_);
        Notify(kvr::kNotifyLevelTenths, U(TruncateToInt32(signal_ * 10)));
        UpdateSquelched();
        break;
    }
    case 0xD00: SetPreAmp(S(dwParam)); break;
    case 0xD01: SetAtten(S(dwParam)); break;
    case 0xE00: SetAGC(S(dwParam)); break;
    case 0xE01: SetIFGain(S(dwParam)); break;
    case 0xE04: SetSAGC(S(dwParam)); break;
    case 0xF00: SetIFshift(S(dwParam)); break;
    case 0x1000: SetAFC(dwParam != 0); break;
    case 0x1100: SetVolume(S(dwParam)); break;
    case 0x1101: SetMute(S(dwParam)); break;
    case 0x1106: {
        const std::uint32_t n = std::min<std::uint32_t>(bytes, kAudioBufferMin);
        audioLength_ = n;
        if (n) std::memcpy(audio_.data(), lpData, n);
        audioFilter_ = S(dwParam);
        Notify(kvr::kNotifyAudioFilter, dwParam, S(n), lpData);
        break;
    }
    case 0x110A: Notify(0xE07, dwParam, S(cbData), lpData); break;
    case 0x110B:
        Notify(kvr::kNotifyAudioLevel, dwParam, S(cbData), lpData);
        if (bytes != 0 && OnAudioSS)
            OnAudioSS(this, dwParam, static_cast<const std::uint32_t*>(lpData), bytes / 4);
        break;
    case 0x110D: Notify(0xE13, dwParam, S(cbData), lpData); break;
    case 0x110E:
        if (bytes >= sizeof record16_) std::memcpy(record16_, lpData, sizeof record16_);
        Notify(0xE09, 0, sizeof record16_, record16_);
        break;
    case 0x1110: {
        echoWords_[0] = dwParam;
        std::uint32_t n = cbData;
        if (bytes) {
            n = std::min<std::uint32_t>(bytes, sizeof buffer12_);
            std::memcpy(buffer12_, lpData, n);
        }
        Notify(0xE14, dwParam, S(n), lpData);
        break;
    }
    case 0x1111:
        Notify(0xE15, dwParam, S(cbData), lpData);
        if (bytes) std::memcpy(buffer32_, lpData, std::min<std::uint32_t>(bytes, sizeof buffer32_));
        break;
    case 0x111B:
        echoWords_[10] = dwParam;
        Notify(0xE20, dwParam, S(cbData), lpData);
        break;
    case 0x1180: Notify(0xE80, dwParam, S(cbData), lpData); break;
    case 0x1509: Notify(0x1002, dwParam, S(cbData), lpData); break;
    default:
        if (uMsg >= 0x1112 && uMsg <= 0x111A) {
            echoWords_[1 + (uMsg - 0x1112)] = dwParam;
            Notify(S(0xE16 + (uMsg - 0x1112)), dwParam, S(cbData), lpData);
        }
        break;
    }
    return 0;
}

std::int32_t TmyReceiver::GetSettings(std::uint32_t uMsg, std::uint32_t cbData, void* lpData) {
    ApplyPendingFrequency();
    const std::uint32_t bytes = Bytes(cbData, lpData);
    switch (uMsg) {
    case 0x100: return GetPower() != 0 ? 1 : 0;
    case 0x800:
    case 0x804: return S(EncodeFreq32(GetFreq()));
    case 0x900: {
        const std::uint32_t n = std::min<std::uint32_t>(bytes, U(modeParamCount_ + 1) * 4);
        if (n) std::memcpy(lpData, modeParams_, n);
        return GetMode();
    }
    case 0xB00:
        QueriedLevel();
        if (cbData == 4 && lpData) std::memcpy(lpData, &signalRaw_, 4);
        return SQtoKVR(TruncateToInt32(signal_));
    case 0xB01:
        if (!lpData) return GetSquelchDefeat() ? 1 : 0;
        if (cbData > sizeof squelch_) return sizeof squelch_;
        std::memcpy(lpData, &squelch_, cbData);
        return S(squelchTypes_);
    case 0xB02: return squelched_ == 1 ? 1 : 0;
    case 0xB05: return TruncateToInt32(signal_ * 10);
    case 0xC01: return GetAtten() != 0 ? 1 : 0;
    case 0xC02: return GetPreAmp() != 0 ? 1 : 0;
    case 0xD00: return GetBandwidth();
    case 0xD01: return GetAGC();
    case 0xD02: return GetIFGain();
    case 0xD03: return GetIFshift();
    case 0xD04: return GetAFC() ? 1 : 0;
    case 0xD08: return GetSAGC();
    case 0xE00: return GetVolume();
    case 0xE01: return GetMute();
    case 0xE06: {
        const std::uint32_t n = std::min(bytes, audioLength_);
        if (n) std::memcpy(lpData, audio_.data(), n);
        return audioFilter_;
    }
    case 0xE09:
        if (cbData != sizeof record16_ || !lpData) return kvr::kNotHandled;
        std::memcpy(lpData, record16_, sizeof record16_);
        return 0;
    case 0xE14:
        if (bytes) std::memcpy(lpData, buffer12_, std::min<std::uint32_t>(bytes, sizeof buffer12_));
        return S(echoWords_[0]);
    case 0xE15:
        if (bytes) std::memcpy(lpData, buffer32_, std::min<std::uint32_t>(bytes, sizeof buffer32_));
        return 0;
    case 0xE20: return S(echoWords_[10]);
    case 0xF00: return GetScanMode();
    default:
        if (uMsg >= 0xE16 && uMsg <= 0xE1E) return S(echoWords_[1 + (uMsg - 0xE16)]);
        return kvr::kNotHandled;
    }
}

} // namespace lxq
