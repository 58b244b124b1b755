#pragma once
// Where the demodulator keeps its settings records: keyed by receiver in two configuration files,
// one beside the plug-in (shipped defaults) and one in the user's documents (the user's own,
// which wins and is the only one written). Records read from a file are mended before use.

#include "demod/ui/DemodSettings.h"

#include <cstdint>
#include <string>

// The record key of a receiver: its serial number's first eight characters (signed bytes) read
// as hexadecimal digit values, less 0x34F33330, all in 32-bit wrapping arithmetic.
std::uint32_t ReceiverKey(const char* serial);

// Values the demodulator cannot use are replaced by their defaults (presets and the half
// bandwidth are capped instead when they are merely too wide).
void MendSettings(DemodSettings& s);

// The files, by the plug-in folder (the "SearchPath" setting) and the documents folder. The
// plug-in folder's names are empty when it is not set.
std::string PluginFolderSettingsFile();
std::string PluginFolderSoundCardFile();
std::string UserSettingsFile();
std::string UserSoundCardFile();

// Defaults, then the plug-in folder's record, then the user's; mended.
void LoadDemodSettings(DemodSettings& s, std::uint32_t key);
// Zero, then the plug-in folder's record, then the user's; a record without a wave-out name takes
// the wave-in name.
void LoadSoundCardSettings(SoundCardSettings& s, std::uint32_t key);
// Into the user's file, making its folders; false when it could not be written.
bool SaveDemodSettings(const DemodSettings& s, std::uint32_t key);
bool SaveSoundCardSettings(const SoundCardSettings& s, std::uint32_t key);
