#include "demod/ui/DemodConfig.h"

#include "demod/ui/ModeTable.h"
#include "demod/ui/toolkit/RC_ConfigFile.h"
#include "demod/ui/toolkit/RC_CreateDirectoryPath.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/KnownFolders.h"
#include "platform/sys/SettingsStore.h"

#include <bit>
#include <cstring>

namespace {

constexpr const char* kPluginSettings = "Q745Demod_Config.dat";
constexpr const char* kPluginSoundCard = "SoundCard_Config.dat";
constexpr const char* kUserSettings = "/Talvenor/Q745/Demod_Config.dat";
constexpr const char* kUserSoundCard = "/Talvenor/Plugins/SoundCard_Config.dat";
constexpr std::uint32_t kKeyBias = 0x34F33330u;
constexpr const char* kDamagedSuffix = ".damaged";

// Infinity and NaN alike: every exponent bit set. Spelt out on the bits so that no floating-point
// mode can make a damaged value look usable.
bool Finite(double v) { return (std::bit_cast<std::uint64_t>(v) & 0x7FF0000000000000ull) != 0x7FF0000000000000ull; }
bool Finite(float v) { return (std::bit_cast<std::uint32_t>(v) & 0x7F800000u) != 0x7F800000u; }

template <typename T>
void MendNotFinite(T& v, T fallback) {
    if (!Finite(v)) v = fallback;
}
template <typename T>
void MendAbove(T& v, T limit, T fallback) {
    if (v > limit) v = fallback;
}

void MendModeBlock(DemodModeBlock& b, const DemodModeBlock& d) {
    for (int i = 0; i < 10; ++i) {
        MendNotFinite(b.presets[i], d.presets[i]);
        if (b.presets[i] > 20000.0) b.presets[i] = 20000.0;
    }
    MendNotFinite(b.sagcReference, d.sagcReference);
    MendAbove(b.postMixerLength, 511u, d.postMixerLength);
    MendNotFinite(b.halfBandwidth, d.halfBandwidth);
    if (b.halfBandwidth > 10000.0) b.halfBandwidth = 10000.0;
    MendAbove(b.audioFilterLength, 511u, d.audioFilterLength);
    MendNotFinite(b.audioGain, d.audioGain);
    MendNotFinite(b.lowCutoff, d.lowCutoff);
    MendNotFinite(b.highCutoff, d.highCutoff);
    MendNotFinite(b.deemphasis, d.deemphasis);
    MendAbove(b.noiseSquelchLength, 255u, d.noiseSquelchLength);
}

std::string PluginFolderFile(const char* name) {
    const auto folder = plat::sys::SettingsStore().ReadString("Software\\KVR", "SearchPath");
    if (!folder || folder->empty()) return {};
    return *folder + "/" + name;
}

void ReadRecord(const std::string& path, void* record, std::uint32_t size, std::uint32_t key) {
    if (!path.empty()) ConfigReadRecord(path.c_str(), record, size, &key, sizeof key);
}

bool WriteRecordOrRepair(const std::string& path, const void* record, std::uint32_t size, std::uint32_t key) {
    RC_CreateDirectoryPath(path.c_str(), true);
    if (ConfigWriteRecord(path.c_str(), record, size, &key, sizeof key) != 0) return true;
    // A record cut short would refuse this write and every later one: the whole records stay,
    // the file as it was is kept beside it, and the write goes through.
    const std::string damaged = path + kDamagedSuffix;
    if (ConfigRepairFile(path.c_str(), sizeof key, damaged.c_str()) == 0) return false;
    plat::sys::OutputDebugText("Q745DemodPro: " + path + " held a record cut short; the records before it were kept "
                               "and the damaged file was saved as " + damaged + "\n");
    return ConfigWriteRecord(path.c_str(), record, size, &key, sizeof key) != 0;
}

bool WriteRecord(const std::string& path, const void* record, std::uint32_t size, std::uint32_t key) {
    if (WriteRecordOrRepair(path, record, size, key)) return true;
    // The settings were read (a read-only file is read all the same): what changed since is lost
    // at the close, and whoever watches is told, after the file's own reason.
    plat::sys::OutputDebugText("Q745DemodPro: this receiver's settings were not saved to " + path +
                               "; the file is as it was\n");
    return false;
}

} // namespace

std::uint32_t ReceiverKey(const char* serial) {
    std::uint32_t key = 0;
    const std::size_t n = strnlen(serial, 8);
    for (std::size_t i = 0; i < 8; ++i) {
        const auto digit = static_cast<std::int32_t>(i < n ? static_cast<signed char>(serial[i]) : 0);
        key = key * 16u + static_cast<std::uint32_t>(digit);
    }
    return key - kKeyBias;
}

void MendSettings(DemodSettings& s) {
    DemodSettings d;
    SetDefaultSettings(d);
    for (int m = 0; m < kModeCount; ++m) MendModeBlock(s.modes[m], d.modes[m]);
    MendAbove(s.hilbertLength, 255u, d.hilbertLength);
    MendAbove(s.sagcSpeed, 3u, d.sagcSpeed);
    for (int i = 0; i < 3; ++i) {
        MendNotFinite(s.sagcAttack[i], d.sagcAttack[i]);
        MendNotFinite(s.sagcDecay[i], d.sagcDecay[i]);
    }
    MendNotFinite(s.studyTone, d.studyTone);
    MendAbove(s.inputChannel, 1u, d.inputChannel);
    // Fields that index tables or scale the sound: out of range they would read past the mode
    // table or play at many times full scale.
    if (s.modeIndex < 0 || s.modeIndex >= kModeCount) s.modeIndex = d.modeIndex;
    MendAbove(s.inputLevel, 65535u, d.inputLevel);
    MendAbove(s.rate44100, 1u, d.rate44100);
    MendAbove(s.volume, 31u, d.volume);
    MendAbove(s.mute, 1u, d.mute);
    MendAbove(s.secondaryOutput, 2u, d.secondaryOutput);
}

std::string PluginFolderSettingsFile() { return PluginFolderFile(kPluginSettings); }
std::string PluginFolderSoundCardFile() { return PluginFolderFile(kPluginSoundCard); }
std::string UserSettingsFile() { return plat::sys::DocumentsFolder() + kUserSettings; }
std::string UserSoundCardFile() { return plat::sys::DocumentsFolder() + kUserSoundCard; }

void LoadDemodSettings(DemodSettings& s, std::uint32_t key) {
    SetDefaultSettings(s);
    ReadRecord(PluginFolderSettingsFile(), &s, sizeof s, key);
    ReadRecord(UserSettingsFile(), &s, sizeof s, key);
    MendSettings(s);
}

void LoadSoundCardSettings(SoundCardSettings& s, std::uint32_t key) {
    std::memset(&s, 0, sizeof s);
    for (const std::string& path : {PluginFolderSoundCardFile(), UserSoundCardFile()})
        if (!path.empty()) ConfigReadSoundCardRecord(path.c_str(), &s, &key, sizeof key);
    // Names from a file need not end inside their fields.
    s.waveIn[sizeof s.waveIn - 1] = '\0';
    s.mixerLine[sizeof s.mixerLine - 1] = '\0';
    s.waveOut[sizeof s.waveOut - 1] = '\0';
}

bool SaveDemodSettings(const DemodSettings& s, std::uint32_t key) {
    return WriteRecord(UserSettingsFile(), &s, sizeof s, key);
}

bool SaveSoundCardSettings(const SoundCardSettings& s, std::uint32_t key) {
    return WriteRecord(UserSoundCardFile(), &s, sizeof s, key);
}
