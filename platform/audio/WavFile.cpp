#include "platform/audio/WavFile.h"

#include "platform/sys/AtomicFile.h"
#include "platform/sys/DebugOutput.h"

#include <cstddef>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace plat::audio {
namespace {

bool IdIs(const char (&id)[4], const char* expected) { return std::memcmp(id, expected, 4) == 0; }

WavFileHeader HeaderFor(const WaveFormat& format, std::uint32_t dataBytes) {
    WavFileHeader h{};
    std::memcpy(h.riff.id, "RIFF", 4);
    h.riff.size = static_cast<std::uint32_t>(sizeof h - 8 + dataBytes);
    std::memcpy(h.wave, "WAVE", 4);
    std::memcpy(h.fmt.id, "fmt ", 4);
    h.fmt.size = 16;
    h.formatTag = kFormatPcm;
    h.channels = format.channels;
    h.samplesPerSec = format.samplesPerSec;
    h.avgBytesPerSec = format.avgBytesPerSec;
    h.blockAlign = format.blockAlign;
    h.bitsPerSample = format.bitsPerSample;
    std::memcpy(h.data.id, "data", 4);
    h.data.size = dataBytes;
    return h;
}

// The file a recording of `path` replaces, the end of its links; nothing (with the reason in the
// debug output) when that is no plain file to replace.
std::optional<std::string> RecordingTarget(const std::string& path) {
    plat::sys::ReplaceTarget target = plat::sys::TargetToReplace(path);
    if (target.refusal.empty()) return std::move(target.path);
    plat::sys::OutputDebugText(target.refusal);
    return std::nullopt;
}

// A temporary file made anew: nothing under its name is opened or followed.
std::FILE* MakeTemporary(const std::string& path) {
    ::unlink(path.c_str());
    return std::fopen(path.c_str(), "wbx");
}

} // namespace

WavReader::~WavReader() {
    if (file_ != nullptr) std::fclose(file_);
}

bool WavReader::Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        error_ = "cannot open " + path;
        return false;
    }
    RiffChunkHeader riff{};
    char wave[4];
    if (std::fread(&riff, sizeof riff, 1, file_) != 1 || !IdIs(riff.id, "RIFF") ||
        std::fread(wave, 4, 1, file_) != 1 || !IdIs(wave, "WAVE")) {
        error_ = "not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false;
    for (;;) {
        RiffChunkHeader chunk{};
        if (std::fread(&chunk, sizeof chunk, 1, file_) != 1) {
            error_ = "no data chunk";
            return false;
        }
        if (IdIs(chunk.id, "fmt ")) {
            if (chunk.size < 16) {
                error_ = "format chunk too short";
                return false;
            }
            WaveFormat f{};
            if (std::fread(&f, 16, 1, file_) != 1) {
                error_ = "format chunk cut short";
                return false;
            }
            f.extraSize = 0;
            format_ = f;
            haveFormat = true;
            // Chunks are padded to even sizes.
            const long rest = static_cast<long>(chunk.size - 16 + (chunk.size & 1u));
            if (rest > 0 && std::fseek(file_, rest, SEEK_CUR) != 0) return false;
        } else if (IdIs(chunk.id, "data")) {
            if (!haveFormat) {
                error_ = "data before format";
                return false;
            }
            if (format_.formatTag != kFormatPcm || format_.blockAlign == 0 ||
                (format_.bitsPerSample != 8 && format_.bitsPerSample != 16)) {
                error_ = "not 8- or 16-bit PCM";
                return false;
            }
            // A header that claims more than the file holds is trusted only as far as the file
            // goes; Read stops at the real end.
            dataBytes_ = chunk.size - chunk.size % format_.blockAlign;
            return true;
        } else {
            const long skip = static_cast<long>(chunk.size) + static_cast<long>(chunk.size & 1u);
            if (std::fseek(file_, skip, SEEK_CUR) != 0) {
                error_ = "chunk runs past the end";
                return false;
            }
        }
    }
}

std::uint32_t WavReader::Read(void* data, std::uint32_t bytes) {
    if (file_ == nullptr) return 0;
    const std::uint32_t left = dataBytes_ - position_;
    if (bytes > left) bytes = left;
    const auto got = static_cast<std::uint32_t>(std::fread(data, 1, bytes, file_));
    position_ += got;
    if (got < bytes) dataBytes_ = position_; // the file was shorter than its header said
    return got;
}

WavWriter::~WavWriter() {
    if (file_ != nullptr) {
        std::fclose(file_);
        ::unlink(tempPath_.c_str());
    }
}

bool WavWriter::Open(const std::string& path, const WaveFormat& format) {
    const std::optional<std::string> target = RecordingTarget(path);
    if (!target) return false;
    path_ = *target;
    tempPath_ = path_ + ".tmp";
    format_ = format;
    file_ = MakeTemporary(tempPath_);
    if (file_ == nullptr) return false;
    // A whole header from the start, so that the file plays as far as it got even when the
    // process dies before Close.
    const WavFileHeader header = HeaderFor(format_, 0);
    if (std::fwrite(&header, sizeof header, 1, file_) != 1 || std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

bool WavWriter::OpenToAppend(const std::string& path, const WaveFormat& format) {
    const std::optional<std::string> target = RecordingTarget(path);
    if (!target) return false;
    std::uint32_t existing = 0;
    {
        WavReader reader;
        if (!reader.Open(path)) return false;
        const WaveFormat& f = reader.Format();
        if (f.formatTag != format.formatTag || f.channels != format.channels ||
            f.samplesPerSec != format.samplesPerSec || f.bitsPerSample != format.bitsPerSample)
            return false;
        existing = reader.DataBytes();
    }
    // Only the header this writer writes is known to be followed directly by the data.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    WavFileHeader onDisk{};
    const bool read = std::fread(&onDisk, sizeof onDisk, 1, file) == 1;
    std::fclose(file);
    const WavFileHeader expected = HeaderFor(format, existing);
    if (!read || std::memcmp(&onDisk, &expected, sizeof onDisk) != 0) return false;
    path_ = *target;
    tempPath_ = path_ + ".tmp";
    format_ = format;
    if (std::rename(path_.c_str(), tempPath_.c_str()) != 0) return false;
    file_ = std::fopen(tempPath_.c_str(), "r+b");
    if (file_ == nullptr) {
        std::rename(tempPath_.c_str(), path_.c_str());
        return false;
    }
    dataBytes_ = headerBytes_ = existing;
    if (std::fseek(file_, static_cast<long>(sizeof(WavFileHeader) + existing), SEEK_SET) != 0) failed_ = true;
    return !failed_;
}

bool WavWriter::UpdateSizes() {
    // Written past the stream's buffer: the stream's own position stays where the data goes on.
    const WavFileHeader h = HeaderFor(format_, dataBytes_);
    const std::uint32_t riffSize = h.riff.size, dataSize = h.data.size;
    const int fd = fileno(file_);
    headerBytes_ = dataBytes_;
    return std::fflush(file_) == 0 &&
           ::pwrite(fd, &riffSize, 4, offsetof(WavFileHeader, riff) + offsetof(RiffChunkHeader, size)) == 4 &&
           ::pwrite(fd, &dataSize, 4, offsetof(WavFileHeader, data) + offsetof(RiffChunkHeader, size)) == 4;
}

bool WavWriter::Write(const void* data, std::uint32_t bytes) {
    if (file_ == nullptr || failed_) return false;
    // The data size field is 32-bit: a file that would pass it stops growing.
    if (bytes > 0xFFFFFFFFu - sizeof(WavFileHeader) - dataBytes_) {
        failed_ = true;
        return false;
    }
    if (bytes != 0 && std::fwrite(data, 1, bytes, file_) != bytes) failed_ = true;
    else dataBytes_ += bytes;
    // The sizes in the header follow the data at least once a second of audio.
    const std::uint32_t second = format_.avgBytesPerSec != 0 ? format_.avgBytesPerSec : 1;
    if (!failed_ && dataBytes_ - headerBytes_ >= second && !UpdateSizes()) failed_ = true;
    return !failed_;
}

bool WavWriter::Close() {
    if (file_ == nullptr) return false;
    const WavFileHeader h = HeaderFor(format_, dataBytes_);
    bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 &&
              std::fwrite(&h, sizeof h, 1, file_) == 1 && std::fflush(file_) == 0 &&
              ::fsync(fileno(file_)) == 0;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok) ok = std::rename(tempPath_.c_str(), path_.c_str()) == 0;
    if (!ok) ::unlink(tempPath_.c_str());
    return ok;
}

} // namespace plat::audio
