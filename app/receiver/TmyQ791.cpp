#include "app/receiver/TmyQ791.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/receiver/KvrPluginInterface.h"

namespace lxq {
namespace {

constexpr std::uint32_t kInitialRssiWord = 0x2BC0000; // 700 in the upper half
constexpr std::size_t kCalibRecordQueryBytes = 18;

// Default calibration words of the family when its EEPROM holds none that make sense.
constexpr std::uint16_t kDefaultWords[5] = {855, 757, 537, static_cast<std::uint16_t>(-850), 700};

} // namespace

TmyQ791::TmyQ791(plat::comp::TComponent* owner) : TmyQ7(owner) {
    SetCalFile("lxq7230.cal");
    SetCalibSection("LX-Q723");
    SetInternalRssi(kInitialRssiWord);
}

void TmyQ791::ReadInternalRssi() {
    auto* rssi = Api<decltype(::Q7GetInternalRSSI)>("Q7GetInternalRSSI");
    if (Demo() || !rssi) return;
    SetInternalRssi(rssi(Handle()));
    Notify(kvr::kNotifyGainWord, InternalRssi(), sizeof(LX_Q7_CALIB), &MutableCalibrationRecord());
}

void TmyQ791::UpdateNow() {
    auto* rawSs = Api<decltype(::GetRawSignalStrength)>("GetRawSignalStrength");
    if (!rawSs) return;
    rawSs(Handle()); // keeps the library's last reading fresh; the level comes from a plug-in
    ReadInternalRssi();
    SetRecGain(CalcRecGain(static_cast<std::int32_t>(InternalRssi() >> 16)));
}

void TmyQ791::FillRadioDevCaps() {
    TmyQ7::FillRadioDevCaps();
    if (RADIODEVCAPS* caps = RadioDevCaps().Header()) caps->ifGainMax = 120;
}

void TmyQ791::SetIfGainDB(std::int32_t db) {
    ifGainDb_ = db;
    std::int32_t g;
    if (db >= 120)
        g = 100;
    else if (db >= 110)
        g = 2 * db - 144;
    else if (db >= 31)
        g = db / 2 + 20;
    else if (db >= 11)
        g = db * 7 / 10 + 14;
    else
        g = 2 * db;
    SetIFGain(g);
    Notify(kvr::kNotifyIfGainDb, static_cast<std::uint32_t>(db));
    DoOnIFGainChanged();
}

double TmyQ791::RecGain(std::int32_t a, double top) const {
    const LX_Q7_CALIB& c = CalibrationRecord();
    const double w1 = c.words[0], w2 = c.words[1], w3 = c.words[2];
    const double w4 = static_cast<std::int16_t>(c.words[3]);
    double g;
    if (a >= w1)
        g = top;
    else if (a < w2)
        g = top - 50 + (1 - (a - w3) / (w2 != w3 ? w2 - w3 : 1.0)) * (w4 + 380);
    else
        g = top - 50 + (a - w2) * 50 / (w1 != w2 ? w1 - w2 : 1.0);
    return std::floor(g + 0.5) * 0.1;
}

double TmyQ791::CalcRecGain(std::int32_t a) { return RecGain(a, CalibrationRecord().words[4]); }

bool TmyQ791::ReadCalibration() {
    if (!GetEEPROM(&MutableEeprom())) {
        ShowWarning("Unable to read the EEPROM !", "Q7 HW error");
        return false;
    }
    const LX_Q7_EEPROM& e = Eeprom();
    const std::int32_t w1 = e.agcStart, w2 = e.agcMid, w3 = e.agcEnd, w4 = e.dropLevel;
    const std::int32_t w5 = e.rxGain; // offset 252
    const bool valid = w5 >= 600 && w5 <= 850 && w1 > w2 && w2 > w3 && w3 >= 300 && w1 < 1024 &&
                       w4 >= -950 && w4 <= -700;
    LX_Q7_CALIB& c = MutableCalibrationRecord();
    if (valid) {
        const std::uint16_t words[5] = {static_cast<std::uint16_t>(w1), static_cast<std::uint16_t>(w2),
                                        static_cast<std::uint16_t>(w3), static_cast<std::uint16_t>(w4),
                                        static_cast<std::uint16_t>(w5)};
        std::memcpy(c.words, words, sizeof words);
    } else {
        std::memcpy(c.words, kDefaultWords, sizeof kDefaultWords);
    }
    return true;
}

bool TmyQ791::CalibrationValuesValid(const LX_Q7_CALIB& r) const {
    const std::int32_t w1 = r.words[0], w3 = r.words[2], w5 = r.words[4];
    const std::int32_t w4 = static_cast<std::int16_t>(r.words[3]);
    if (w5 != 0 && (w5 < 600 || w5 > 850)) return false;
    if (w1 != 0 && w3 != 0 && (w3 < 300 || w1 > 1023)) return false;
    if (w4 != 0 && (w4 < -950 || w4 > -700)) return false;
    return true;
}

bool TmyQ791::WriteCalib2(std::int32_t index) {
    if (index < 0 || index >= 64) return false;
    auto* write = reinterpret_cast<decltype(::Q7WrCalib2)*>(ApiLibrary().FindNow("Q7WrCalib2"));
    return write && write(Handle(), kCalibGuardWord, static_cast<std::uint32_t>(index)) != 0;
}

void TmyQ791::SetAdvancedMode(bool v) { ApiSet("SetAdvancedMode", v ? 1 : 0, false); }

bool TmyQ791::GetAdvancedMode() { return ApiGet("GetAdvancedMode", 0) != 0; }

std::int32_t TmyQ791::GetTuneError() { return ApiGet("GetTuneError", 0); }

void TmyQ791::DoOnRecording(std::uint32_t signal, const void* params) {
    if (OnRecording) OnRecording(this, signal, params);
}

std::int32_t TmyQ791::NotifyReceiver(std::uint32_t uMsg, std::uint32_t dwParam, std::uint32_t cbData,
                                     void* lpData) {
    switch (uMsg) {
    case 0xE02:
        ApplyPendingFrequency();
        SetIfGainDB(static_cast<std::int32_t>(dwParam));
        return 0;
    case 0xE03:
        ApplyPendingFrequency();
        // Only the demonstration receiver takes its gain word from a plug-in.
        if (Demo()) {
            SetInternalRssi(dwParam);
            if (lpData && cbData >= sizeof(LX_Q7_CALIB))
                std::memcpy(&MutableCalibrationRecord(), lpData, sizeof(LX_Q7_CALIB));
        }
        return 0;
    case 0x110C:
        ApplyPendingFrequency();
        if (dwParam != recording_) {
            recording_ = dwParam;
            DoOnRecording(dwParam, lpData);
        }
        return 0;
    default: return TmyQ7::NotifyReceiver(uMsg, dwParam, cbData, lpData);
    }
}

std::int32_t TmyQ791::GetSettings(std::uint32_t uMsg, std::uint32_t cbData, void* lpData) {
    ApplyPendingFrequency();
    switch (uMsg) {
    case 0xD06: return ifGainDb_;
    case 0xD07:
        if (lpData) std::memcpy(lpData, &CalibrationRecord(), std::min<std::size_t>(cbData, kCalibRecordQueryBytes));
        return static_cast<std::int32_t>(InternalRssi());
    case 0xE08: return static_cast<std::int32_t>(recording_);
    default: return TmyQ7::GetSettings(uMsg, cbData, lpData);
    }
}

} // namespace lxq
