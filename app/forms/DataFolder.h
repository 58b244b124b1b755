#pragma once
// The folder of the program's data and settings files: Talvenor/Q745/ in the user's documents
// folder, made when missing; the program's own folder when there is no documents folder.
// The answer ends with a '/'.

#include <string>

namespace lxq {

std::string GetDataFolder();

} // namespace lxq
