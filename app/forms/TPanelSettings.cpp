#include "app/forms/TPanelSettings.h"

#include <cstdio>

#include "platform/components/TIniFile.h"

namespace lxq {
namespace {

constexpr std::int32_t kDefaultLevelSquelch = -120;
constexpr std::int32_t kDefaultScanRate = 20;
constexpr std::int32_t kMsPerSecond = 1000;

struct Sections {
    std::string receiver, application, scanner, scope, meter, exclusions;
    explicit Sections(const std::string& s)
        : receiver("Receiver-" + s), application("Application-" + s), scanner("Scanner-" + s),
          scope("Scope-" + s), meter("S-Meter-" + s), exclusions("Exclusions-" + s) {}
};

std::int32_t U2I(std::uint32_t v) { return static_cast<std::int32_t>(v); }

} // namespace

TPanelSettings::TPanelSettings() {
    for (SQUELCH_SETTINGS& q : squelch) {
        q = SQUELCH_SETTINGS{};
        q.level = kDefaultLevelSquelch;
        q.noise = kSquelchNotSet;
        q.ctcss = static_cast<std::uint32_t>(kSquelchNotSet);
        q.voice = static_cast<std::uint32_t>(kSquelchNotSet);
        q.dcs = kSquelchNotSet;
    }
    activeSquelch.fill(static_cast<std::int32_t>(kSquelchLevel));
}

std::string ModeSection(int mode, const std::string& serial) {
    return "Mode " + std::string(ModeName(mode)) + " " + serial;
}

TPanelSettings ReadPanelSettings(const plat::comp::TIniFile& ini, const std::string& serial,
                                 const std::string& demodulator) {
    const Sections k(serial);
    TPanelSettings s;
    s.demodulator = demodulator;
    const auto integer = [&ini](const std::string& section, const char* key, std::int32_t& v) {
        v = ini.ReadInteger(section, key, v);
    };
    const auto boolean = [&ini](const std::string& section, const char* key, bool& v) {
        v = ini.ReadBool(section, key, v);
    };

    s.freq = ini.ReadFloat(k.receiver, "Freq", s.freq);
    s.calFile = ini.ReadString(k.receiver, "CalFile", s.calFile);
    if (s.calFile.empty()) s.calFile = TPanelSettings().calFile;
    boolean(k.receiver, "Power", s.power);
    integer(k.receiver, "AGC", s.agc);
    boolean(k.receiver, "Atten", s.atten);
    boolean(k.receiver, "Preamp", s.preamp);
    integer(k.receiver, "IFGain", s.ifGain);
    integer(k.receiver, "DisplayOffset", s.displayOffset);
    boolean(k.receiver, "AFC", s.afc);
    integer(k.receiver, "LED", s.led);
    integer(k.receiver, "Mode", s.mode);
    if (s.mode < 0 || s.mode >= kModeNameCount - 1) s.mode = TPanelSettings().mode;
    integer(k.application, "MemSort", s.memSort);
    for (int m = 0; m < kModeNameCount; ++m) {
        const std::string section = ModeSection(m, serial);
        SQUELCH_SETTINGS& q = s.squelch[static_cast<std::size_t>(m)];
        q.level = ini.ReadInteger(section, "LevelSquelch", q.level);
        q.noise = ini.ReadInteger(section, "NoiseSquelch", q.noise);
        q.voice = static_cast<std::uint32_t>(ini.ReadInteger(section, "VoiceSquelch", U2I(q.voice)));
        q.ctcss = static_cast<std::uint32_t>(ini.ReadInteger(section, "CTCSSsquelch", U2I(q.ctcss)));
        q.dcs = ini.ReadInteger(section, "DCSSquelch", q.dcs);
        integer(section, "ActiveSquelch", s.activeSquelch[static_cast<std::size_t>(m)]);
    }
    integer(k.application, "Stayontop", s.stayOnTop);
    integer(k.application, "Left", s.left);
    integer(k.application, "Top", s.top);
    s.demodulator = ini.ReadString(k.application, "Demodulator", s.demodulator);
    s.memoryFile = ini.ReadString(k.application, "MemoryFile", s.memoryFile);
    integer(k.application, "Step", s.step);
    integer(k.application, "AutoStep", s.autoStep);
    integer(k.application, "IncrBtns", s.incrBtns);

    std::int32_t delaySeconds = s.delayTimeMs / kMsPerSecond;
    integer(k.scanner, "DelayTime", delaySeconds);
    // Stored in seconds, kept in milliseconds; a value too large to keep stays at the longest.
    s.delayTimeMs = delaySeconds > INT32_MAX / kMsPerSecond ? INT32_MAX / kMsPerSecond * kMsPerSecond
                  : delaySeconds < INT32_MIN / kMsPerSecond ? 0
                                                           : delaySeconds * kMsPerSecond;
    integer(k.scanner, "ScanRate", s.scanRate);
    if (s.scanRate == 0) s.scanRate = kDefaultScanRate;
    integer(k.scanner, "OnLost", s.onLost);
    integer(k.scanner, "MemGroups", s.memGroups);
    boolean(k.scanner, "EnableGroups", s.enableGroups);
    s.stopOnFound = ini.ReadInteger(k.scanner, "StopOnFound", 0) != 0;
    integer(k.scanner, "Mode", s.scanMode);

    s.scopeVisible = ini.ReadInteger(k.scope, "Visible", 0) != 0;
    integer(k.scope, "Height", s.scopeHeight);
    if (s.scopeHeight < TPanelSettings::kMinScopeHeight) s.scopeHeight = TPanelSettings::kMinScopeHeight;
    integer(k.scope, "Start", s.sweepStart);
    integer(k.scope, "Stop", s.sweepStop);
    integer(k.scope, "Step", s.sweepStep);
    boolean(k.scope, "Hits", s.hits);
    boolean(k.scope, "Continuous", s.continuous);
    boolean(k.scope, "ShowMin", s.showMin);
    boolean(k.scope, "ShowMax", s.showMax);
    boolean(k.scope, "ShowDiff", s.showDiff);
    integer(k.meter, "Unit", s.meterUnit);
    boolean(k.exclusions, "Enable", s.exclusionsEnabled);
    return s;
}

bool WritePanelSettings(plat::comp::TIniFile& ini, const std::string& serial, const TPanelSettings& s) {
    const Sections k(serial);
    bool ok = true;
    const auto integer = [&](const std::string& section, const char* key, std::int32_t v) {
        ok = ini.WriteInteger(section, key, v) && ok;
    };
    const auto boolean = [&](const std::string& section, const char* key, bool v) {
        ok = ini.WriteBool(section, key, v) && ok;
    };
    const auto text = [&](const std::string& section, const char* key, const std::string& v) {
        ok = ini.WriteString(section, key, v) && ok;
    };

    ok = ini.WriteFloat(k.receiver, "Freq", s.freq) && ok;
    text(k.receiver, "CalFile", s.calFile);
    integer(k.receiver, "AGC", s.agc);
    boolean(k.receiver, "Atten", s.atten);
    boolean(k.receiver, "Preamp", s.preamp);
    boolean(k.receiver, "Power", s.power);
    integer(k.receiver, "IFGain", s.ifGain);
    integer(k.receiver, "DisplayOffset", s.displayOffset);
    boolean(k.receiver, "AFC", s.afc);
    integer(k.application, "MemSort", s.memSort);
    integer(k.receiver, "LED", s.led);
    integer(k.receiver, "Mode", s.mode);
    for (int m = 0; m < kModeNameCount; ++m) {
        const std::string section = ModeSection(m, serial);
        const SQUELCH_SETTINGS& q = s.squelch[static_cast<std::size_t>(m)];
        integer(section, "LevelSquelch", q.level);
        integer(section, "NoiseSquelch", q.noise);
        integer(section, "VoiceSquelch", U2I(q.voice));
        integer(section, "CTCSSsquelch", U2I(q.ctcss));
        integer(section, "DCSSquelch", q.dcs);
        integer(section, "ActiveSquelch", s.activeSquelch[static_cast<std::size_t>(m)]);
    }
    integer(k.application, "Stayontop", s.stayOnTop == 1 ? 1 : 0);
    integer(k.application, "Left", s.left);
    integer(k.application, "Top", s.top);
    if (!s.demodulator.empty()) text(k.application, "Demodulator", s.demodulator);
    text(k.application, "MemoryFile", s.memoryFile);
    integer(k.application, "Step", s.step);
    integer(k.application, "AutoStep", s.autoStep == 1 ? 1 : 0);
    integer(k.application, "IncrBtns", s.incrBtns);
    integer(k.scanner, "DelayTime", s.delayTimeMs / kMsPerSecond);
    integer(k.scanner, "ScanRate", s.scanRate);
    integer(k.scanner, "OnLost", s.onLost);
    integer(k.scanner, "MemGroups", s.memGroups);
    boolean(k.scanner, "EnableGroups", s.enableGroups);
    boolean(k.scanner, "StopOnFound", s.stopOnFound);
    integer(k.scanner, "Mode", s.scanMode);
    boolean(k.scope, "Visible", s.scopeVisible);
    integer(k.scope, "Height", s.scopeHeight);
    integer(k.scope, "Start", s.sweepStart);
    integer(k.scope, "Stop", s.sweepStop);
    integer(k.scope, "Step", s.sweepStep);
    boolean(k.scope, "Continuous", s.continuous);
    boolean(k.scope, "ShowMin", s.showMin);
    boolean(k.scope, "ShowMax", s.showMax);
    boolean(k.scope, "ShowDiff", s.showDiff);
    boolean(k.scope, "Hits", s.hits);
    integer(k.meter, "Unit", s.meterUnit);
    boolean(k.exclusions, "Enable", s.exclusionsEnabled);
    return ok;
}

} // namespace lxq
