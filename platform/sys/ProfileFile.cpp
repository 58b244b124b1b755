#include "platform/sys/ProfileFile.h"

#include "platform/sys/Process.h"

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <vector>

namespace plat::sys {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Section name of a "[name]" line, or nullopt.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// Key of a "key=value" line (comments have none).
std::optional<std::string_view> KeyOf(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

} // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::string ProfileFile::ResolvePath(const std::string& path) {
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return path;
    }
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string found = path;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir)) {
            if (SameName(e->d_name, name)) {
                found = (slash == std::string::npos ? std::string() : folder + "/") + e->d_name;
                break;
            }
        }
        closedir(dir);
    }
    return found;
}

std::optional<std::string> ProfileFile::ReadString(std::string_view section,
                                                   std::string_view key) const {
    bool inSection = false;
    for (const std::string& line : ReadLines(ResolvePath(path_))) {
        if (auto s = SectionOf(line)) {
            inSection = SameName(*s, section);
            continue;
        }
        if (!inSection) continue;
        if (auto k = KeyOf(line); k && SameName(*k, key))
            return std::string(Trim(std::string_view(line).substr(line.find('=') + 1)));
    }
    return std::nullopt;
}

std::uint32_t ProfileFile::ReadInt(std::string_view section, std::string_view key,
                                   std::uint32_t fallback) const {
    const auto text = ReadString(section, key);
    if (!text) return fallback;
    const bool hex = text->size() > 2 && (*text)[0] == '0' && ((*text)[1] | 0x20) == 'x';
    try {
        return static_cast<std::uint32_t>(std::stoll(*text, nullptr, hex ? 16 : 10));
    } catch (...) {
        return 0;
    }
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    const std::string target = ResolvePath(path_);
    std::vector<std::string> lines = ReadLines(target);
    const std::string entry = std::string(key) + "=" + std::string(value);
    bool inSection = false, done = false;
    std::size_t sectionEnd = lines.size(); // insertion point after the section's last key
    bool sectionFound = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (auto s = SectionOf(lines[i])) {
            if (inSection) break;
            inSection = SameName(*s, section);
            if (inSection) {
                sectionFound = true;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (auto k = KeyOf(lines[i])) {
            if (SameName(*k, key)) {
                lines[i] = entry;
                done = true;
            }
            sectionEnd = i + 1;
        }
    }
    if (!done) {
        if (sectionFound) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
        } else {
            lines.push_back("[" + std::string(section) + "]");
            lines.push_back(entry);
        }
    }
    const std::string temp = target + ".tmp" + std::to_string(CurrentProcessId());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines) out << line << '\n';
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace plat::sys
