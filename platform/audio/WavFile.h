#pragma once
// RIFF WAVE files: a reader that finds the format and the sample data, and a writer that builds
// the file under a temporary name and puts it in place only when complete, so a crash while
// writing leaves any earlier file whole. The temporary file is itself a valid WAV at every second
// of audio, so a process that dies while recording still leaves what it heard playable.

#include "platform/audio/WaveTypes.h"

#include <cstdio>
#include <string>

namespace plat::audio {

#pragma pack(push, 1)
struct RiffChunkHeader {
    char id[4];
    std::uint32_t size;
};
// The start of a canonical PCM file: RIFF header, "WAVE", the format chunk, the data chunk header.
struct WavFileHeader {
    RiffChunkHeader riff;
    char wave[4];
    RiffChunkHeader fmt;
    std::uint16_t formatTag;
    std::uint16_t channels;
    std::uint32_t samplesPerSec;
    std::uint32_t avgBytesPerSec;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    RiffChunkHeader data;
};
#pragma pack(pop)
static_assert(sizeof(RiffChunkHeader) == 8);
static_assert(sizeof(WavFileHeader) == 44);
static_assert(offsetof(WavFileHeader, wave) == 8);
static_assert(offsetof(WavFileHeader, fmt) == 12);
static_assert(offsetof(WavFileHeader, formatTag) == 20);
static_assert(offsetof(WavFileHeader, channels) == 22);
static_assert(offsetof(WavFileHeader, samplesPerSec) == 24);
static_assert(offsetof(WavFileHeader, avgBytesPerSec) == 28);
static_assert(offsetof(WavFileHeader, blockAlign) == 32);
static_assert(offsetof(WavFileHeader, bitsPerSample) == 34);
static_assert(offsetof(WavFileHeader, data) == 36);

class WavReader {
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // False (with a reason in Error()) for a missing file, a file that is not PCM WAVE, or one
    // whose chunks run past its end.
    bool Open(const std::string& path);
    const WaveFormat& Format() const { return format_; }
    std::uint32_t DataBytes() const { return dataBytes_; }
    // Reads up to `bytes` sample bytes; fewer at the end of the data.
    std::uint32_t Read(void* data, std::uint32_t bytes);
    const std::string& Error() const { return error_; }

private:
    std::FILE* file_ = nullptr;
    WaveFormat format_{};
    std::uint32_t dataBytes_ = 0;
    std::uint32_t position_ = 0;
    std::string error_;
};

class WavWriter {
public:
    WavWriter() = default;
    // Without Close the partial file is discarded.
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool Open(const std::string& path, const WaveFormat& format);
    // Goes on with the file a writer of this format completed at `path`: what follows is added
    // after its audio. False (and nothing touched) when there is no such file.
    bool OpenToAppend(const std::string& path, const WaveFormat& format);
    bool Write(const void* data, std::uint32_t bytes);
    // Completes the header and puts the file in place. False when any step failed.
    bool Close();

private:
    bool UpdateSizes();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string tempPath_;
    WaveFormat format_{};
    std::uint32_t dataBytes_ = 0;
    std::uint32_t headerBytes_ = 0;  // the data size the header on disk gives
    bool failed_ = false;
};

} // namespace plat::audio
