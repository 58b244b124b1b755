#pragma once
// Whole-file reads and writes for the program's data files. A write goes to a temporary file in
// the same folder, is flushed to the disk and then renamed over the target: a crash or a full
// disk mid-write leaves the old file as it was.

#include <optional>
#include <string>
#include <string_view>

namespace plat::sys {

// The file's bytes; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's content by `bytes`. False (and the old file untouched) on any failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace plat::sys
