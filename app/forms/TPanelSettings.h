#pragma once
// The front panel's settings as the settings file "LXQ745.ini" keeps them: one set of sections
// per receiver serial number ("Receiver-" + serial, "Mode AM " + serial, ...). Reading applies
// the defaults and limits of each key; the main form puts the values on its controls and takes
// them back from there when it saves.

#include <array>
#include <cstdint>
#include <string>

#include "app/forms/ModeNames.h"
#include "app/receiver/SquelchSettings.h"

namespace plat::comp {
class TIniFile;
}

namespace lxq {

inline constexpr const char* kSettingsFileName = "LXQ745.ini";
inline constexpr std::int32_t kSquelchNotSet = INT32_MIN;

struct TPanelSettings {
    // Receiver
    double freq = 1000000.0;
    std::string calFile = "lxq745.cal";
    bool power = true;
    std::int32_t agc = 2;
    bool atten = false;
    bool preamp = true;
    std::int32_t ifGain = 10;
    std::int32_t displayOffset = 0; // Hz, signed
    bool afc = false;
    std::int32_t led = 3;
    // The mode the demodulator plays; a fresh panel starts in AM, as a fresh demodulator does.
    std::int32_t mode = 1;
    // Application
    std::int32_t memSort = 0;
    std::int32_t stayOnTop = 0;
    std::int32_t left = 0;
    std::int32_t top = 100;
    std::string demodulator;
    std::string memoryFile; // empty: the data folder's "Q7memory.45m"
    std::int32_t step = 1000;
    std::int32_t autoStep = 0;
    std::int32_t incrBtns = 10;
    // Per mode, in the order of the mode-name table.
    std::array<SQUELCH_SETTINGS, kModeNameCount> squelch{};
    std::array<std::int32_t, kModeNameCount> activeSquelch{};
    // Scanner
    std::int32_t delayTimeMs = 5000;
    std::int32_t scanRate = 20; // channels per second; a 0 read from the file becomes 20
    std::int32_t onLost = 2;
    std::int32_t memGroups = 0;
    bool enableGroups = false;
    bool stopOnFound = false;
    std::int32_t scanMode = 0; // 0 search, 1 range, 2 memory
    // Scope
    bool scopeVisible = false;
    std::int32_t scopeHeight = 200; // at least kMinScopeHeight
    std::int32_t sweepStart = 500000;
    std::int32_t sweepStop = 1800000;
    std::int32_t sweepStep = 10000;
    bool hits = false;
    bool continuous = false;
    bool showMin = true;
    bool showMax = true;
    bool showDiff = true;
    // S-Meter: 0 dBm, 1 S-units, 2 µV, 3 µV peak-to-peak, -1 none
    std::int32_t meterUnit = 0;
    // Exclusions
    bool exclusionsEnabled = true;

    TPanelSettings();

    static constexpr std::int32_t kMinScopeHeight = 170;
};

// The settings of the receiver with the serial number; `demodulator` is the default of the
// "Demodulator" key.
TPanelSettings ReadPanelSettings(const plat::comp::TIniFile& ini, const std::string& serial,
                                 const std::string& demodulator);

// Stores every key in the file's sections of the serial number ("Demodulator" only when the
// name is not empty). False when a value could not be stored.
bool WritePanelSettings(plat::comp::TIniFile& ini, const std::string& serial, const TPanelSettings& s);

// The section of a mode's squelch settings: "Mode " + name + " " + serial.
std::string ModeSection(int mode, const std::string& serial);

} // namespace lxq
