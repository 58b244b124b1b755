#include "platform/components/TIniFile.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace plat::comp {

using plat::sys::ProfileLines;

ProfileLines TIniFile::Load() const {
    // The classic profile format ends lines with CR LF; a file written here gets them throughout.
    ProfileLines lines = ProfileLines::Load(fileName_, ProfileLines::LineEnd::CrLf);
    lines.SetLineEnd(ProfileLines::LineEnd::CrLf);
    return lines;
}

bool TIniFile::Save(const ProfileLines& lines) { return lines.Save(fileName_); }

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    return Load().Value(section, key).value_or(fallback);
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
    if (!ProfileLines::Storable(section, key, value)) return false;
    ProfileLines lines = Load();
    lines.Set(section, key, value);
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
    return Load().HasSection(section);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return Load().Value(section, key).has_value();
}

std::vector<std::string> TIniFile::ReadSections() const { return Load().Sections(); }

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    return Load().Keys(section);
}

bool TIniFile::EraseSection(const std::string& section) {
    ProfileLines lines = Load();
    return !lines.EraseSection(section) || Save(lines);
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    ProfileLines lines = Load();
    return !lines.DeleteKey(section, key) || Save(lines);
}

} // namespace plat::comp
