#include "platform/components/TIniFile.h"

#include <strings.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "platform/sys/AtomicFile.h"

namespace plat::comp {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

std::optional<std::string_view> KeyOf(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

// Lines of a section: [first, last) after its header; first = npos when there is none.
struct Span {
    std::size_t header = std::string::npos;
    std::size_t end = 0;
};

Span FindSection(const std::vector<std::string>& lines, std::string_view section) {
    Span s;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionOf(lines[i]);
        if (!name) continue;
        if (s.header != std::string::npos) {
            s.end = i;
            return s;
        }
        if (Same(*name, section)) s.header = i;
    }
    s.end = lines.size();
    return s;
}

std::optional<std::size_t> FindKey(const std::vector<std::string>& lines, const Span& s,
                                   std::string_view key) {
    if (s.header == std::string::npos) return std::nullopt;
    for (std::size_t i = s.header + 1; i < s.end; ++i) {
        const auto k = KeyOf(lines[i]);
        if (k && Same(*k, key)) return i;
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> TIniFile::Load() const {
    std::vector<std::string> lines;
    std::ifstream in(fileName_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool TIniFile::Save(const std::vector<std::string>& lines) {
    // The classic profile format ends lines with CR LF.
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return plat::sys::WriteFileAtomically(fileName_, text);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    const auto lines = Load();
    const auto at = FindKey(lines, FindSection(lines, section), key);
    if (!at) return fallback;
    const std::string& l = lines[*at];
    return std::string(Trim(std::string_view(l).substr(l.find('=') + 1)));
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
    const std::string v = ReadString(section, key, "");
    if (v.empty()) return fallback;
    std::string_view digits = v;
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    } else if (digits.starts_with("$")) {
        digits.remove_prefix(1);
        base = 16;
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (ec != std::errc() || end != digits.data() + digits.size()) return fallback;
    // Hexadecimal values name bit patterns: 0xFFFFFFFF is -1.
    if (base == 16) return static_cast<int>(static_cast<std::uint32_t>(value));
    if (value < INT32_MIN || value > INT32_MAX) return fallback;
    return static_cast<int>(value);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
    const std::string v = ReadString(section, key, "");
    if (v.empty()) return fallback;
    return v != "0";
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key,
                           double fallback) const {
    const std::string v = ReadString(section, key, "");
    if (v.empty()) return fallback;
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    return end == v.c_str() + v.size() ? d : fallback;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    // A line break would start a line of its own (another key, another section), and a key
    // with "=" or an empty one could never be read back: such writes are refused.
    const auto bad = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
    if (bad(section) || bad(key) || bad(value) || section.find(']') != std::string::npos ||
        Trim(key).empty() || key.find('=') != std::string::npos || Trim(key).front() == '[' ||
        Trim(key).front() == ';')
        return false;
    auto lines = Load();
    const Span s = FindSection(lines, section);
    const std::string entry = key + "=" + value;
    if (const auto at = FindKey(lines, s, key)) {
        lines[*at] = entry;
    } else if (s.header != std::string::npos) {
        // After the section's last non-blank line.
        std::size_t at2 = s.end;
        while (at2 > s.header + 1 && Trim(lines[at2 - 1]).empty()) --at2;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at2), entry);
    } else {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    return Save(lines);
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return WriteString(section, key, buffer);
}

bool TIniFile::SectionExists(const std::string& section) const {
    const auto lines = Load();
    return FindSection(lines, section).header != std::string::npos;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    const auto lines = Load();
    return FindKey(lines, FindSection(lines, section), key).has_value();
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> out;
    for (const std::string& l : Load())
        if (const auto name = SectionOf(l)) out.emplace_back(*name);
    return out;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    const auto lines = Load();
    const Span s = FindSection(lines, section);
    std::vector<std::string> out;
    if (s.header == std::string::npos) return out;
    for (std::size_t i = s.header + 1; i < s.end; ++i)
        if (const auto k = KeyOf(lines[i])) out.emplace_back(*k);
    return out;
}

bool TIniFile::EraseSection(const std::string& section) {
    auto lines = Load();
    const Span s = FindSection(lines, section);
    if (s.header == std::string::npos) return true;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(s.header),
                lines.begin() + static_cast<std::ptrdiff_t>(s.end));
    return Save(lines);
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    auto lines = Load();
    const auto at = FindKey(lines, FindSection(lines, section), key);
    if (!at) return true;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*at));
    return Save(lines);
}

} // namespace plat::comp
