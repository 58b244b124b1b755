#pragma once
// The scan ranges in memory and their file "ranges.45r": the 100-byte range records one after
// another, no header, in list order. Each range is allocated on its own, so a reference to one
// stays valid while others are added or removed.

#include <memory>
#include <string>
#include <vector>

#include "app/forms/TRangeRecord.h"

namespace lxq {

using RangeList = std::vector<std::unique_ptr<TRangeRecord>>;

inline constexpr const char* kRangesFileName = "ranges.45r";

// The sound records of the file (a short last record and records with a wrong checksum are
// dropped); an empty list when the file cannot be read. *tooLarge, when given, tells whether it
// was refused for holding more than a ranges file can.
RangeList ReadRangesFile(const std::string& path, bool* tooLarge = nullptr);

// Writes the ranges with fresh checksums, replacing the file whole. False when it failed; the
// old file is then unchanged.
bool WriteRangesFile(const std::string& path, const RangeList& ranges);

} // namespace lxq
