#pragma once
// Memory channels as a spreadsheet file: one header line, then one line of 19 quoted columns per
// channel. Import merges the channels into the list, a channel replacing the one of its number;
// a bad line is reported and skipped, the lines before and after it still count.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/forms/MemoryList.h"

namespace lxq {

// Every text in double quotes (quotes inside doubled), joined by commas.
std::string JoinCSVFields(const std::vector<std::string>& fields);
// The fields of a line; the list always ends with one empty field beyond the last real one.
void SplitCSVLine(std::vector<std::string>& fields, std::string_view line);

// Group numbers of the mask, rising, joined by "+" ("1+3+16"); empty for no group.
std::string FormatGroupList(std::uint32_t mask);
// The mask of a group list; nothing when a group is outside 1..16.
std::optional<std::uint32_t> ParseGroupList(std::string_view text);

// The header line and a channel's line, without the line end.
std::string MemoryCsvHeader();
std::string MemoryCsvLine(const TMemoryRecord& r);

// A channel from a split line, or the label of the first column that did not convert. A number
// that does not convert becomes the lowest free number of `list`.
struct MemoryCsvResult {
    std::optional<TMemoryRecord> record;
    std::string badField;
};
MemoryCsvResult ParseMemoryCsvFields(const std::vector<std::string>& fields, const MemoryList& list);

// Writes the channels in list order. False when the file could not be written.
bool ExportMemoryCsv(const std::string& path, const MemoryList& list);

// Reads the file into the list. `report` receives the text for each bad line ("Incorrect
// frequency on line 3"). False when the file could not be opened: the list is then unchanged.
bool ImportMemoryCsv(const std::string& path, MemoryList& list,
                     const std::function<void(const std::string&)>& report);

} // namespace lxq
