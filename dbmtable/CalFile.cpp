#include "dbmtable/CalFile.h"

#include <charconv>
#include <algorithm>
#include <cctype>
#include <cmath>

namespace dbm {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Next blank-separated word of `s`, removed from it.
std::string_view NextWord(std::string_view& s) {
    s = Trim(s);
    std::size_t end = 0;
    while (end < s.size() && s[end] != ' ' && s[end] != '\t') ++end;
    std::string_view word = s.substr(0, end);
    s.remove_prefix(end);
    return word;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

enum class PointError { kNone, kSyntax, kNotFinite };

PointError ParsePoint(std::string_view word, CalPoint& point) {
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos) return PointError::kSyntax;
    if (!ParseNumber(word.substr(0, colon), point.raw) || point.raw < 0 || point.raw > 255 ||
        !ParseNumber(word.substr(colon + 1), point.dbm))
        return PointError::kSyntax;
    // The number reader takes "nan" and "inf" too; neither is a level.
    return std::isfinite(point.dbm) ? PointError::kNone : PointError::kNotFinite;
}

double Interpolate(double x0, double y0, double x1, double y1, double x) {
    if (x1 == x0) return y0;
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

double RowLevel(const CalRow& row, int raw) {
    const auto& p = row.points;
    if (raw <= p.front().raw) return p.front().dbm;
    if (raw >= p.back().raw) return p.back().dbm;
    std::size_t i = 1;
    while (p[i].raw < raw) ++i;
    return Interpolate(p[i - 1].raw, p[i - 1].dbm, p[i].raw, p[i].dbm, raw);
}

} // namespace

std::optional<CalFile> CalFile::Parse(std::string_view text, std::string* error) {
    CalFile file;
    CalTable* table = nullptr;
    int lineNumber = 0;
    auto fail = [&](const char* what) -> std::optional<CalFile> {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + what;
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) return fail("bad section name");
            file.sections_.push_back({std::string(Trim(line.substr(1, line.size() - 2))), {}});
            table = nullptr;
            continue;
        }
        std::string_view rest = line;
        const std::string_view first = NextWord(rest);
        if (first == "table") {
            if (file.sections_.empty()) return fail("table outside a section");
            CalTable t{};
            if (!ParseNumber(NextWord(rest), t.selector) || !Trim(rest).empty())
                return fail("bad table selector");
            file.sections_.back().tables.push_back(std::move(t));
            table = &file.sections_.back().tables.back();
            continue;
        }
        if (!table) return fail("row outside a table");
        CalRow row{};
        if (!ParseNumber(first, row.hz) || row.hz < 0) return fail("bad frequency");
        if (!table->rows.empty() && row.hz <= table->rows.back().hz)
            return fail("frequencies must rise");
        for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
            CalPoint point{};
            switch (ParsePoint(word, point)) {
            case PointError::kNone: break;
            case PointError::kSyntax: return fail("bad raw:dBm point");
            case PointError::kNotFinite: return fail("dBm value is not a finite number");
            }
            if (!row.points.empty() && point.raw <= row.points.back().raw)
                return fail("raw levels must rise");
            row.points.push_back(point);
        }
        if (row.points.empty()) return fail("row without points");
        table->rows.push_back(std::move(row));
    }
    for (const CalSection& s : file.sections_)
        for (const CalTable& t : s.tables)
            if (t.rows.empty()) return fail("empty table");
    return file;
}

const CalTable* CalFile::Find(std::string_view section, std::int32_t selector) const {
    for (const CalSection& s : sections_) {
        const bool same = std::equal(s.name.begin(), s.name.end(), section.begin(), section.end(),
                                     [](char a, char b) {
                                         return std::tolower(static_cast<unsigned char>(a)) ==
                                                std::tolower(static_cast<unsigned char>(b));
                                     });
        if (!same) continue;
        for (const CalTable& t : s.tables)
            if (t.selector == selector) return &t;
    }
    return nullptr;
}

double CalFile::Level(const CalTable& table, std::int64_t hz, int raw) {
    const auto& rows = table.rows;
    if (hz <= rows.front().hz) return RowLevel(rows.front(), raw);
    if (hz >= rows.back().hz) return RowLevel(rows.back(), raw);
    std::size_t i = 1;
    while (rows[i].hz < hz) ++i;
    return Interpolate(static_cast<double>(rows[i - 1].hz), RowLevel(rows[i - 1], raw),
                       static_cast<double>(rows[i].hz), RowLevel(rows[i], raw),
                       static_cast<double>(hz));
}

} // namespace dbm
