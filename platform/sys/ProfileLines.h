#pragma once
// The line-level engine of profile (INI) files: "[section]" lines and "key=value" lines, with
// section and key names compared without regard to case. It edits the lines in memory so that
// every line it does not change (other sections, comments, blank lines) survives a rewrite, and
// it writes the file through a temporary file and a rename, so that a crash mid-write keeps the
// old content and a failed write leaves the file as it was.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat::sys {

class ProfileLines {
public:
    enum class LineEnd { Lf, CrLf };

    // The lines of the file at `path`; none when it is missing or unreadable. The file's own line
    // ends are kept on writing; a file without any gets `fresh`. A file larger than any profile
    // file can be (kProfileFileLimit) is not read, and is Refused().
    static ProfileLines Load(const std::string& path, LineEnd fresh);
    // Writes every line to `path` atomically (WriteFileAtomically). False when that failed; the
    // file is then unchanged. Lines loaded from a file that was there but could not be read are
    // never saved: that would replace everything in it by the few lines set since.
    bool Save(const std::string& path) const;
    bool Refused() const { return refused_; }

    // Writes with these line ends from now on, whatever the file had.
    void SetLineEnd(LineEnd end) { lineEnd_ = end; }

    // Whether a write of these names and value would read back as written: no line breaks, no "]"
    // in the section name, a key that is not empty, has no "=" and does not look like a section
    // or a comment.
    static bool Storable(std::string_view section, std::string_view key, std::string_view value);

    // The value of the key in the first section of that name, without surrounding blanks.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    // The section names in file order.
    std::vector<std::string> Sections() const;
    // The keys of the first section of that name, in file order.
    std::vector<std::string> Keys(std::string_view section) const;

    // Replaces the key's line, or adds it after the section's last key (after its header when it
    // has none), or adds the section at the end. Only for Storable names and values.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // False when there was nothing to remove.
    bool EraseSection(std::string_view section);
    bool DeleteKey(std::string_view section, std::string_view key);

private:
    // A section's header line and the line after its last one; header = npos when it is missing.
    struct Span {
        std::size_t header;
        std::size_t end;
    };
    Span Find(std::string_view section) const;
    std::optional<std::size_t> FindKey(const Span& span, std::string_view key) const;

    std::vector<std::string> lines_;
    LineEnd lineEnd_ = LineEnd::Lf;
    bool refused_ = false;
};

} // namespace plat::sys
