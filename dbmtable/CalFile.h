#pragma once
// One parsed calibration file: sections of tables, each table rows of (frequency, raw:dBm points).
// The text format is described in dbmtable/DbmTable.h.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbm {

struct CalPoint {
    int raw;
    double dbm;
};

struct CalRow {
    std::int64_t hz;
    std::vector<CalPoint> points; // rising raw levels, at least one
};

struct CalTable {
    std::int32_t selector;
    std::vector<CalRow> rows; // rising frequencies, at least one
};

struct CalSection {
    std::string name;
    std::vector<CalTable> tables;
};

class CalFile {
public:
    // Parses the text; on failure `error` holds "line N: what" and nothing is returned.
    static std::optional<CalFile> Parse(std::string_view text, std::string* error = nullptr);

    const CalTable* Find(std::string_view section, std::int32_t selector) const;
    // dBm of a raw level at a frequency, interpolated as the format describes.
    static double Level(const CalTable& table, std::int64_t hz, int raw);

private:
    std::vector<CalSection> sections_;
};

} // namespace dbm
