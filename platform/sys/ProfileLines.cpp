#include "platform/sys/ProfileLines.h"

#include "platform/sys/AtomicFile.h"
#include "platform/sys/DebugOutput.h"

#include <strings.h>

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

// Section name of a "[name]" line, or nullopt.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

bool IsCommentStart(char c) { return c == ';' || c == '#'; }

// Key of a "key=value" line (comments and section lines have none).
std::optional<std::string_view> KeyOf(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || IsCommentStart(t.front()) || t.front() == '[') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

} // namespace

ProfileLines ProfileLines::Load(const std::string& path, LineEnd fresh) {
    ProfileLines file;
    file.lineEnd_ = fresh;
    const FileRead read = ReadFileWithin(path, kProfileFileLimit);
    if (read.outcome != ReadOutcome::Read) {
        file.refused_ = read.outcome != ReadOutcome::Missing;
        return file;
    }
    std::string_view rest = read.bytes;
    bool first = true;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr) line.remove_suffix(1);
        // The first line end tells the file's style; a lone last line without one tells nothing.
        if (first && end != std::string_view::npos) file.lineEnd_ = cr ? LineEnd::CrLf : LineEnd::Lf;
        first = false;
        file.lines_.emplace_back(line);
    }
    return file;
}

bool ProfileLines::Save(const std::string& path) const {
    if (refused_) {
        OutputDebugText(path + " could not be read as a settings file; it is left as it is; not saved");
        return false;
    }
    std::string text;
    const std::string_view end = lineEnd_ == LineEnd::CrLf ? "\r\n" : "\n";
    for (const std::string& line : lines_) text.append(line).append(end);
    return WriteFileAtomically(path, text);
}

bool ProfileLines::Storable(std::string_view section, std::string_view key,
                            std::string_view value) {
    const auto breaks = [](std::string_view s) { return s.find_first_of("\r\n") != s.npos; };
    const std::string_view k = Trim(key);
    return !breaks(section) && !breaks(key) && !breaks(value) && section.find(']') == section.npos &&
           !k.empty() && k.find('=') == k.npos && k.front() != '[' && !IsCommentStart(k.front());
}

ProfileLines::Span ProfileLines::Find(std::string_view section) const {
    section = Trim(section);
    Span span{std::string::npos, lines_.size()};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionOf(lines_[i]);
        if (!name) continue;
        if (span.header != std::string::npos) {
            span.end = i;
            break;
        }
        if (SameName(*name, section)) span.header = i;
    }
    return span;
}

std::optional<std::size_t> ProfileLines::FindKey(const Span& span, std::string_view key) const {
    if (span.header == std::string::npos) return std::nullopt;
    key = Trim(key);
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto k = KeyOf(lines_[i]);
        if (k && SameName(*k, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileLines::Value(std::string_view section,
                                               std::string_view key) const {
    const auto at = FindKey(Find(section), key);
    if (!at) return std::nullopt;
    const std::string_view line = lines_[*at];
    return std::string(Trim(line.substr(line.find('=') + 1)));
}

bool ProfileLines::HasSection(std::string_view section) const {
    return Find(section).header != std::string::npos;
}

std::vector<std::string> ProfileLines::Sections() const {
    std::vector<std::string> names;
    for (const std::string& line : lines_)
        if (const auto name = SectionOf(line)) names.emplace_back(*name);
    return names;
}

std::vector<std::string> ProfileLines::Keys(std::string_view section) const {
    const Span span = Find(section);
    std::vector<std::string> keys;
    if (span.header == std::string::npos) return keys;
    for (std::size_t i = span.header + 1; i < span.end; ++i)
        if (const auto k = KeyOf(lines_[i])) keys.emplace_back(*k);
    return keys;
}

void ProfileLines::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string entry = std::string(key) + "=" + std::string(value);
    const Span span = Find(section);
    if (span.header == std::string::npos) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(entry));
        return;
    }
    if (const auto at = FindKey(span, key)) {
        lines_[*at] = std::move(entry);
        return;
    }
    // Blank lines and comments after the last key separate it from the next section.
    std::size_t at = span.header + 1;
    for (std::size_t i = span.header + 1; i < span.end; ++i)
        if (KeyOf(lines_[i])) at = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

bool ProfileLines::EraseSection(std::string_view section) {
    const Span span = Find(section);
    if (span.header == std::string::npos) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span.header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(span.end));
    return true;
}

bool ProfileLines::DeleteKey(std::string_view section, std::string_view key) {
    const auto at = FindKey(Find(section), key);
    if (!at) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
    return true;
}

} // namespace plat::sys
