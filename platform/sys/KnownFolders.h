#pragma once
// Folders the system keeps its files in.

#include <string>

namespace plat::sys {

// The user's documents folder: $XDG_DOCUMENTS_DIR, else $HOME/Documents. No trailing slash.
std::string DocumentsFolder();

// The folder for per-user settings: $XDG_CONFIG_HOME, else $HOME/.config.
std::string ConfigFolder();

// The folder of the running program's executable ("" when unknown).
std::string ProgramFolder();

} // namespace plat::sys
