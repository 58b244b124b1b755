#pragma once
// Whole-file reads and writes for the program's data files. A write goes to a temporary file in
// the folder of the file it replaces, is flushed to the disk and then renamed over it: a crash or
// a full disk mid-write leaves the old file as it was. A file reached through a symbolic link is
// written where the link points, so the link stays a link. Only a plain file is ever replaced:
// a save whose name ends at a device, a named pipe, a folder or a socket (itself or through its
// links), at a link to nothing, or at a read-only file is refused, with the reason in the debug
// output and for the caller, and whatever stands there is left alone. A read takes no more than the bound
// its caller gives: each kind of file has a size it can really have, and anything larger (or a
// link to an endless device) is refused instead of filling the memory.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace plat::sys {

// The bound of a read that names none.
constexpr std::size_t kDefaultReadLimit = std::size_t{16} << 20;
// Settings store and profile (INI) files: a few hundred lines at most.
constexpr std::size_t kProfileFileLimit = std::size_t{1} << 20;

enum class ReadOutcome {
    Read,      // the bytes are all there
    Missing,   // no such file (or it cannot be opened)
    TooLarge,  // more bytes than the bound; none are returned
    Failed,    // a read error part way
    NotAFile,  // a folder, a device, a named pipe or a socket where a plain file was asked for
};

struct FileRead {
    ReadOutcome outcome = ReadOutcome::Missing;
    std::string bytes;
};

// The file's bytes when there are at most `limit` of them.
FileRead ReadFileWithin(const std::string& path, std::size_t limit);

// The same for a file that must be a plain one: anything else (a link to an endless device, a
// named pipe that would never end, a folder) is refused without reading from it.
FileRead ReadPlainFileWithin(const std::string& path, std::size_t limit);

// The file's bytes; nothing when it cannot be opened or read, or holds more than `limit` bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit = kDefaultReadLimit);

// Where a save of a path may go.
struct ReplaceTarget {
    std::string path;    // the file to replace: the end of the path's chain of links
    std::string refusal; // empty when it may be replaced (or made); else why not, naming the path
};

// The file a save of `path` replaces, or why it must not: only a plain file the user may write,
// or a name with nothing there yet (not behind a link), is ever replaced or made.
ReplaceTarget TargetToReplace(const std::string& path);

// Replaces the file's content by `bytes`. False (and the old file untouched) on any failure;
// `why`, when given, then says what went wrong (a refusal of TargetToReplace, or the error of the
// write). Temporary files that earlier writes of this file left behind (their process died
// mid-write) are removed.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* why = nullptr);

// Where a write of `path` lands: the file at the end of its chain of symbolic links (which need
// not exist yet), or `path` itself when it is no link; nothing for links that go round in a loop.
std::optional<std::string> WriteTarget(const std::string& path);

} // namespace plat::sys
