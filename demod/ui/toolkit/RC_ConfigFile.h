#pragma once
// Keyed-record configuration files: records back to back, each {key (K bytes), data length L
// (uint32, little-endian), data (L bytes)}, no header and no terminator. Several receivers and
// several processes share one file; each receiver's record is found by its key.
//
// A write replaces the whole file through a temporary file and a rename, so a crash mid-write
// keeps the old content, and a file that does not parse is left as it is.

#include <cstddef>
#include <cstdint>

// A file holds a record per receiver and kind of settings, a few kilobytes each: a larger file
// is no configuration file and is neither read nor written over.
inline constexpr std::size_t kMaxConfigFileBytes = std::size_t{1} << 20;

// Copies min(L, size) data bytes of the first record with this key into the buffer; the rest of
// the buffer is not touched. 1 when the file could be read (found or not), 0 when it does not
// exist, cannot be read, is no plain file or is larger than kMaxConfigFileBytes. A read-only
// file is read. A truncated record stops the scan; what it holds is copied.
int ConfigReadRecord(const char* path, void* buffer, std::uint32_t size, const void* key,
                     std::uint32_t keyLength);

// Makes the file hold exactly one record of this key with this data. A changed length moves the
// records behind the old one up and appends the new one; an equal length keeps its place.
// 1 on success; 0 when a record in the file is cut short (the file is then left unchanged)
// or the file cannot be written.
int ConfigWriteRecord(const char* path, const void* data, std::uint32_t length, const void* key,
                      std::uint32_t keyLength);

// A file whose last record is cut short (a write that never finished, or a copy that lost its
// tail) refuses every write above. This keeps the whole records in front of the cut and drops the
// rest, after saving the file as it was under `damagedCopy`. 1 when the file was repaired; 0 when
// it is whole, missing, or the copy or the repair could not be written (the file is then unchanged).
int ConfigRepairFile(const char* path, std::uint32_t keyLength, const char* damagedCopy);

// The sound-card record (160 bytes): read as above; when the wave-out name (32 bytes at 128) is
// empty it takes the wave-in name (at 0), cut to fit its field. Returns the read's result.
int ConfigReadSoundCardRecord(const char* path, void* record160, const void* key, std::uint32_t keyLength);
