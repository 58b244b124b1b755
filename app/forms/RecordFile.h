#pragma once
// Files of fixed-size binary records with no header: the record count is the file size divided
// by the record size. Each record carries a checksum (StoredChecksum of its type); a record
// that does not match it (RecordIsSound), and a short record at the end, are dropped. Writing stores every
// record's checksum and replaces the file whole, so a crash mid-write keeps the old file.
// Lists hold at most kMaxFileRecords entries (channel numbers end at 9999), so a larger file is
// no file of ours and is not read.

#include <cstring>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/sys/AtomicFile.h"

namespace lxq {

// Whether a record read from a file is one: its checksum matches. A type whose checksum some
// damage also matches says more with an overload of its own beside the type.
template <typename R>
bool RecordIsSound(const R& r) {
    return r.checksum == StoredChecksum(r);
}

template <typename R>
struct RecordFileContent {
    std::vector<R> records; // the sound ones, in file order
    std::size_t damaged = 0; // records dropped for their checksum, and a short one at the end
};

inline constexpr std::size_t kMaxFileRecords = 9999;

// The records of the file; nothing when it cannot be read or is larger than kMaxFileRecords
// records (and a short one) can be. *outcome, when given, tells which.
template <typename R>
std::optional<RecordFileContent<R>> ReadRecordFile(const std::string& path,
                                                   plat::sys::ReadOutcome* outcome = nullptr) {
    static_assert(std::is_trivially_copyable_v<R>);
    plat::sys::FileRead read = plat::sys::ReadFileWithin(path, kMaxFileRecords * sizeof(R) + sizeof(R) - 1);
    if (outcome) *outcome = read.outcome;
    if (read.outcome != plat::sys::ReadOutcome::Read) return std::nullopt;
    const std::string* bytes = &read.bytes;
    RecordFileContent<R> content;
    std::size_t at = 0;
    for (; at + sizeof(R) <= bytes->size(); at += sizeof(R)) {
        R r;
        std::memcpy(&r, bytes->data() + at, sizeof r);
        if (RecordIsSound(r)) content.records.push_back(r);
        else ++content.damaged;
    }
    if (at < bytes->size()) ++content.damaged;
    return content;
}

// Writes the records with fresh checksums. False when the file could not be written.
template <typename R, typename Range>
bool WriteRecordFile(const std::string& path, const Range& records) {
    std::string bytes;
    for (const auto& item : records) {
        R r = item;
        r.checksum = StoredChecksum(r);
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    return plat::sys::WriteFileAtomically(path, bytes);
}

} // namespace lxq
