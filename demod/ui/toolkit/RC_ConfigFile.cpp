#include "demod/ui/toolkit/RC_ConfigFile.h"

#include "demod/ui/toolkit/RC_CreateDirectoryPath.h"
#include "platform/sys/AtomicFile.h"
#include "platform/sys/DebugOutput.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

struct Found {
    std::size_t start = 0;  // first byte of the record
    std::size_t data = 0;   // first data byte
    std::uint32_t length = 0;
};

struct Scan {
    bool complete = true;       // every record passed over was whole
    std::optional<Found> found; // the first record of the key
};

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Walks the records from the start up to the first one of the key.
Scan FindRecord(const std::vector<std::uint8_t>& file, const void* key, std::uint32_t keyLength) {
    Scan scan;
    std::size_t at = 0;
    while (at < file.size()) {
        if (file.size() - at < static_cast<std::size_t>(keyLength) + 4) {
            scan.complete = false;
            return scan;
        }
        const std::uint32_t length = LittleEndian32(file.data() + at + keyLength);
        const std::size_t data = at + keyLength + 4;
        if (keyLength == 0 || std::memcmp(file.data() + at, key, keyLength) == 0) {
            scan.found = Found{at, data, length};
            return scan;
        }
        if (file.size() - data < length) { // the data runs past the end: no more records
            scan.complete = false;
            return scan;
        }
        at = data + length;
    }
    return scan;
}

// The file's bytes, read only: a file its owner made read-only is read all the same. Nothing for
// a file that is not there, is no plain file, or is larger than a configuration file can be
// (the reason then goes to the debug output).
std::optional<std::vector<std::uint8_t>> ReadWhole(const char* path) {
    const plat::sys::FileRead read = plat::sys::ReadPlainFileWithin(path, kMaxConfigFileBytes);
    switch (read.outcome) {
    case plat::sys::ReadOutcome::Read: return std::vector<std::uint8_t>(read.bytes.begin(), read.bytes.end());
    case plat::sys::ReadOutcome::TooLarge:
        plat::sys::OutputDebugText(std::string(path) + " is larger than a configuration file can be (" +
                                   std::to_string(kMaxConfigFileBytes) + " bytes); it is not read, and not written over");
        return std::nullopt;
    case plat::sys::ReadOutcome::NotAFile:
        plat::sys::OutputDebugText(std::string(path) + " is not a plain file; it is not read, and not written over");
        return std::nullopt;
    case plat::sys::ReadOutcome::Failed:
        plat::sys::OutputDebugText(std::string(path) + " could not be read; it is not written over");
        return std::nullopt;
    case plat::sys::ReadOutcome::Missing: return std::nullopt;
    }
    return std::nullopt;
}

void AppendRecord(std::vector<std::uint8_t>& out, const void* data, std::uint32_t length, const void* key,
                  std::uint32_t keyLength) {
    const auto* k = static_cast<const std::uint8_t*>(key);
    out.insert(out.end(), k, k + keyLength);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    const auto* d = static_cast<const std::uint8_t*>(data);
    if (length != 0) out.insert(out.end(), d, d + length);
}

// The new content replaces the file through a temporary file and a rename; a refusal or a
// failure says why in the debug output.
bool ReplaceFile(const char* path, const std::vector<std::uint8_t>& content) {
    return plat::sys::WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
}

} // namespace

int ConfigReadRecord(const char* path, void* buffer, std::uint32_t size, const void* key, std::uint32_t keyLength) {
    if (path == nullptr || (key == nullptr && keyLength != 0)) return 0;
    const auto file = ReadWhole(path);
    if (!file) return 0;
    const Scan scan = FindRecord(*file, key, keyLength);
    if (scan.found && buffer != nullptr) {
        const std::size_t available = file->size() - scan.found->data;
        const std::size_t n = std::min<std::size_t>({scan.found->length, size, available});
        if (n != 0) std::memcpy(buffer, file->data() + scan.found->data, n);
    }
    return 1;
}

int ConfigWriteRecord(const char* path, const void* data, std::uint32_t length, const void* key,
                      std::uint32_t keyLength) {
    if (path == nullptr || (key == nullptr && keyLength != 0) || (data == nullptr && length != 0)) return 0;
    auto file = ReadWhole(path);
    if (!file) {
        std::error_code error;
        if (std::filesystem::exists(path, error)) return 0; // there but unreadable: leave it alone
        RC_CreateDirectoryPath(path, true);
        file.emplace();
    }
    // Every record is passed over, not only those up to the key's: a record cut short anywhere
    // would swallow one appended behind it, and a second record of the key behind the first
    // would be read in place of the new one once the first moved. Either way the write would
    // succeed and the next read bring back older data.
    const std::vector<std::uint8_t>& bytes = *file;
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size() + keyLength + 4 + length);
    bool placed = false, keySeen = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t left = bytes.size() - at;
        if (left < std::size_t{keyLength} + 4) return 0; // cut short: leave the file as it is
        const std::uint32_t oldLength = LittleEndian32(bytes.data() + at + keyLength);
        const std::size_t next = at + keyLength + 4 + oldLength;
        if (left - keyLength - 4 < oldLength) return 0;
        const bool ofKey = keyLength == 0 || std::memcmp(bytes.data() + at, key, keyLength) == 0;
        if (!ofKey) {
            out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(next));
        } else if (!keySeen && oldLength == length) {
            AppendRecord(out, data, length, key, keyLength); // an equal length keeps its place
            placed = true;
        }
        // Any other record of the key goes: a changed one is appended below.
        keySeen = keySeen || ofKey;
        at = next;
    }
    if (!placed) AppendRecord(out, data, length, key, keyLength);
    return ReplaceFile(path, out) ? 1 : 0;
}

int ConfigRepairFile(const char* path, std::uint32_t keyLength, const char* damagedCopy) {
    if (path == nullptr || damagedCopy == nullptr) return 0;
    const auto file = ReadWhole(path);
    if (!file) return 0;
    // Every record is passed over, whatever its key, up to the end of the file or the cut.
    const std::size_t size = file->size();
    std::size_t whole = 0;
    while (whole < size) {
        const std::size_t left = size - whole;
        if (left < std::size_t{keyLength} + 4) break;
        const std::uint32_t length = LittleEndian32(file->data() + whole + keyLength);
        if (left - keyLength - 4 < length) break;
        whole += std::size_t{keyLength} + 4 + length;
    }
    if (whole == size) return 0; // nothing is cut short
    if (!ReplaceFile(damagedCopy, *file)) return 0;
    const std::vector<std::uint8_t> kept(file->begin(), file->begin() + static_cast<std::ptrdiff_t>(whole));
    return ReplaceFile(path, kept) ? 1 : 0;
}

int ConfigReadSoundCardRecord(const char* path, void* record160, const void* key, std::uint32_t keyLength) {
    constexpr std::size_t kRecordSize = 160;
    constexpr std::size_t kWaveIn = 0, kWaveInSize = 64;
    constexpr std::size_t kWaveOut = 128, kWaveOutSize = 32;
    const int result = ConfigReadRecord(path, record160, kRecordSize, key, keyLength);
    if (result != 0 && record160 != nullptr) {
        auto* record = static_cast<char*>(record160);
        if (record[kWaveOut] == '\0') {
            // The wave-in field is twice as long: keep the copy inside the wave-out field.
            const std::size_t n = strnlen(record + kWaveIn, std::min(kWaveInSize, kWaveOutSize - 1));
            std::memcpy(record + kWaveOut, record + kWaveIn, n);
            record[kWaveOut + n] = '\0';
        }
    }
    return result;
}
