// Signal-level calibration of the API-bound receiver: raw levels to dBm through the outside
// calibration tables or the fixed scale, the receiver gain from the internal RSSI word, and the
// calibration words kept in the receiver's EEPROM.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/ModelCalibration.h"
#include "app/receiver/TmyQ7.h"
#include "dbmtable/DbmTable.h"

namespace lxq {
namespace {

constexpr std::int32_t kSelectorNarrow = -1;
constexpr std::int32_t kFrequencyBufferBytes = 8000;

} // namespace

void TmyQ7::UnloadCalibration() {
    if (auto* unload = Cal<decltype(::Unload)>("Unload")) unload(calHandle_);
    calHandle_ = kNoCalibrationTable;
}

void TmyQ7::SetCalFile(const std::string& name) {
    UnloadCalibration();
    calibrationFile_ = name;
}

std::optional<double> TmyQ7::TableLevel(std::int32_t raw, std::int64_t hz, std::int32_t selector) {
    // The table is indexed by a byte: a level outside 0..255 (such as the "not connected" raw
    // value) would wrap into a plausible reading, so it takes the fixed scale instead.
    if (raw < 0 || raw > 255) return std::nullopt;
    if (auto* load = Cal<decltype(::LoadCALFile)>("LoadCALFile")) {
        if (calHandle_ < 0) calHandle_ = load(calibrationFile_.c_str());
        if (calHandle_ < 0) {
            calibrationFile_.clear(); // later calls fail at once
            return std::nullopt;
        }
    }
    auto* getCs = Cal<decltype(::GetCS)>("GetCS");
    if (!getCs) return std::nullopt;
    DBM_LEVEL_REQUEST request{};
    request.size = sizeof request;
    request.raw = static_cast<std::uint8_t>(raw);
    const std::int32_t answer = getCs(calHandle_, calibSection_.c_str(), selector,
                                      (hz != 0 ? hz : StoredFrequency()) + displayOffset_, &request);
    if ((answer & 0xFF) != 0xFF) return std::nullopt;
    // Read by value: the packed record's field is misaligned, and the optional would bind it to
    // a reference.
    const double dbm = request.dbm;
    // The raw scale ends at -30 dBm of the receiver's own level, short of the meter's top when a
    // gain lies ahead of the detector: at its top the reading goes on with the measured level.
    return raw == kRawTop ? dbm + aboveRawScaleDb_ : dbm;
}

std::int64_t TmyQ7::TableUpperLimit(std::int32_t selector) {
    auto* frequencies = reinterpret_cast<decltype(::GetFrequencies)*>(cal_.FindNow("GetFrequencies"));
    if (!frequencies || calHandle_ < 0) return 0;
    std::int64_t buffer[kFrequencyBufferBytes / 8] = {};
    const std::int32_t n =
        frequencies(calHandle_, calibSection_.c_str(), selector, buffer, kFrequencyBufferBytes) / 8;
    if (n <= 0 || n > kFrequencyBufferBytes / 8) return 0;
    return buffer[n - 1];
}

double TmyQ7::Calibrate(std::int32_t raw, std::int64_t hz) {
    if (auto level = TableLevel(raw, hz, kSelectorNarrow)) return *level + calibNarrow_;
    return TmyReceiver::Calibrate(raw, hz);
}

double TmyQ7::ModelCorrectionDb(std::int64_t hz, bool wide) {
    kvr::LevelCorrection correction{hz, 0.0f, 0};
    Notify(kvr::kNotifyLevelCorrection, 0, sizeof correction, &correction);
    double db = correction.correctionDb;
    if (GetAtten() != 0) db += kAttenuatorDb;
    if (GetPreAmp() == 0) db += kNoPreAmpDb;
    return db + (wide ? calibWide_ : calibNarrow_);
}

double TmyQ7::CalibrateDBM(float dbm, std::int64_t hz) {
    const double raw = (static_cast<double>(dbm) + 140.0) * 255.0 / 120.0;
    return Calibrate(std::clamp(TruncateToInt32(raw), 0, 255), hz);
}

double TmyQ7::CalcRecGain(std::int32_t a) {
    const double w1 = calib_.words[0], w2 = calib_.words[1], w3 = calib_.words[2];
    const double w4 = static_cast<std::int16_t>(calib_.words[3]), w6 = calib_.words[5];
    double g;
    if (a >= w1)
        g = w6;
    else if (a < w2)
        g = w6 - 50 + (1 - (a - w3) / std::max(w2 - w3, 1.0)) * (w4 + 380);
    else
        g = w6 - 50 + (a - w2) * 50 / std::max(w1 - w2, 1.0);
    return std::floor(g + 0.5) * 0.1;
}

bool TmyQ7::GetEEPROM(LX_Q7_EEPROM* image) {
    auto* get = Api<decltype(::Q7GetEEP)>("Q7GetEEP");
    return get && image && get(Handle(), image) != 0;
}

bool TmyQ7::ReadCalibration() {
    if (!GetEEPROM(&eeprom_)) {
        ShowWarning("Unable to read the EEPROM !", "Q7 HW error");
        return false;
    }
    std::memcpy(calib_.words, reinterpret_cast<const std::uint8_t*>(&eeprom_) + 240, sizeof calib_.words);
    calib_.referenceHz = eeprom_.refClockInternalHz;
    return true;
}

bool TmyQ7::CalibrationValuesValid(const LX_Q7_CALIB& r) const {
    const std::int32_t w1 = r.words[0], w2 = r.words[1], w3 = r.words[2], w6 = r.words[5];
    const std::int32_t w4 = static_cast<std::int16_t>(r.words[3]);
    if (w6 != 0 && (w6 < 3 || w6 > 1023)) return false;
    if (w1 != 0 && w2 != 0 && w3 != 0 && !(w1 > w2 && w2 > w3)) return false;
    if (w1 != 0 && w3 != 0 && (w3 < 256 || w1 > 1023)) return false;
    if (w4 != 0 && (w4 < -1100 || w4 > -600)) return false;
    return true;
}

bool TmyQ7::WriteCalibration(const LX_Q7_CALIB& record) {
    if (!CalibrationValuesValid(record)) {
        ShowWarning("Bad calibrating values !", "Q7 error");
        return false;
    }
    auto* write = Api<decltype(::Q7WrCalib)>("Q7WrCalib");
    if (!write) {
        ShowWarning("Incorrect Q7 API !", "Q7 error");
        return false;
    }
    FinishRequests();
    if (write(Handle(), &record) != 0) return ReadCalibration();
    ShowWarning("Writing the EEPROM data failed !", "Q7 error");
    return false;
}

bool TmyQ7::WriteCalib2(std::int32_t index) {
    if (index < 0 || index >= 64) return false;
    if (GetProductName().find("USB") != std::string::npos) {
        ShowWarning("Editing not permitted via USB", "Error");
        return false;
    }
    auto* write = Api<decltype(::Q7WrCalib2)>("Q7WrCalib2");
    FinishRequests();
    return write && write(Handle(), kCalibGuardWord, static_cast<std::uint32_t>(index)) != 0;
}

} // namespace lxq
