#pragma once
// Private-profile (INI) files by name: the lines are read and edited by ProfileLines. Section and
// key names are compared without regard to case, and so is the file name itself: "LXQ745.INI" and
// "LXQ745.ini" are one file. Writing rewrites the whole file through a temporary file and a rename,
// so a crash mid-write keeps the old content, and every line it does not change (other sections,
// comments) survives.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat::sys {

class ProfileFile {
public:
    explicit ProfileFile(std::string path);

    // The file actually used: an existing file in the same folder whose name matches ignoring
    // case, else the path as given.
    static std::string ResolvePath(const std::string& path);

    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
    // The value as a decimal (or 0x hexadecimal) integer, `fallback` when the key is missing,
    // 0 when the value does not start with a number.
    std::uint32_t ReadInt(std::string_view section, std::string_view key,
                          std::uint32_t fallback) const;
    // Stores the value, adding the section or key when missing. False when the file could not be
    // written, or when the names or value would not read back as written (ProfileLines::Storable);
    // the old content is then unchanged.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace plat::sys
