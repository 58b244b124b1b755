#pragma once
// Helpers for audio tests: WAV files with known samples in a fresh folder, and reading them back.

#include "platform/audio/WavFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace plat::audio::testing {

// A ramp that differs in every sample, so any lost, doubled or reordered block shows.
inline std::vector<std::int16_t> Ramp(std::size_t samples, std::int16_t start = 1) {
    std::vector<std::int16_t> v(samples);
    for (std::size_t i = 0; i < samples; ++i)
        v[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(start + i * 7u));
    return v;
}

inline void WriteWav(const std::string& path, const WaveFormat& format,
                     const std::vector<std::int16_t>& samples) {
    WavWriter writer;
    ASSERT_TRUE(writer.Open(path, format));
    ASSERT_TRUE(writer.Write(samples.data(), static_cast<std::uint32_t>(samples.size() * 2)));
    ASSERT_TRUE(writer.Close());
}

inline std::vector<std::int16_t> ReadWav(const std::string& path, WaveFormat* format = nullptr) {
    WavReader reader;
    if (!reader.Open(path)) return {};
    if (format != nullptr) *format = reader.Format();
    std::vector<std::int16_t> samples(reader.DataBytes() / 2);
    reader.Read(samples.data(), static_cast<std::uint32_t>(samples.size() * 2));
    return samples;
}

class AudioFolder {
public:
    AudioFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lxqaudio.XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~AudioFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace plat::audio::testing
