#include "platform/audio/WavFile.h"

#include "tests/platform/audio/AudioTestKit.h"

#include <cstring>
#include <fstream>

using namespace plat::audio;
using namespace plat::audio::testing;

TEST(WavFile, WrittenSamplesAndFormatReadBack) {
    AudioFolder folder;
    const auto format = MakePcmFormat(2, 16, 22050);
    const auto samples = Ramp(1000);
    WriteWav(folder.File("a.wav"), format, samples);
    WaveFormat read{};
    EXPECT_EQ(ReadWav(folder.File("a.wav"), &read), samples);
    EXPECT_EQ(read.channels, 2);
    EXPECT_EQ(read.samplesPerSec, 22050u);
    EXPECT_EQ(read.blockAlign, 4);
    EXPECT_EQ(read.avgBytesPerSec, 88200u);
    EXPECT_EQ(std::filesystem::file_size(folder.File("a.wav")), 44u + 2000u);
}

TEST(WavFile, UnfinishedWriteKeepsTheEarlierFile) {
    AudioFolder folder;
    const auto format = MakePcmFormat(1, 16, 8000);
    WriteWav(folder.File("a.wav"), format, Ramp(10));
    {
        WavWriter writer;
        ASSERT_TRUE(writer.Open(folder.File("a.wav"), format));
        const auto other = Ramp(50, 100);
        writer.Write(other.data(), 100);
        // No Close: as if the program ended mid-write.
    }
    EXPECT_EQ(ReadWav(folder.File("a.wav")), Ramp(10));
    EXPECT_FALSE(std::filesystem::exists(folder.File("a.wav.tmp")));
}

TEST(WavFile, TheFileBeingWrittenPlaysUpToItsLastWholeSecond) {
    // What a process killed while recording leaves behind: the temporary file as it is.
    AudioFolder folder;
    const auto format = MakePcmFormat(1, 16, 8000); // 16000 bytes a second
    WavWriter writer;
    ASSERT_TRUE(writer.Open(folder.File("a.wav"), format));
    {
        WavReader empty;
        ASSERT_TRUE(empty.Open(folder.File("a.wav.tmp"))) << "an empty recording, not a broken one: " << empty.Error();
        EXPECT_EQ(empty.DataBytes(), 0u);
        EXPECT_EQ(empty.Format().samplesPerSec, 8000u);
    }
    const auto samples = Ramp(20000); // two and a half seconds, written in blocks of 20 ms
    for (std::size_t i = 0; i < samples.size(); i += 160) ASSERT_TRUE(writer.Write(&samples[i], 320));
    const std::vector<std::int16_t> twoSeconds(samples.begin(), samples.begin() + 16000);
    EXPECT_EQ(ReadWav(folder.File("a.wav.tmp")), twoSeconds);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(ReadWav(folder.File("a.wav")), samples) << "a clean close still gives the whole file";
    EXPECT_FALSE(std::filesystem::exists(folder.File("a.wav.tmp")));
}

TEST(WavFile, ReaderSkipsUnknownChunksAndStopsAtTheRealEnd) {
    AudioFolder folder;
    // RIFF, a LIST chunk of odd size (padded), fmt, then a data chunk that claims more than is there.
    std::string bytes = "RIFF____WAVE";
    bytes += std::string("LIST\x03\0\0\0abc\0", 12);
    WavFileHeader h{};
    std::memcpy(h.fmt.id, "fmt ", 4);
    h.fmt.size = 16;
    h.formatTag = 1;
    h.channels = 1;
    h.samplesPerSec = 8000;
    h.avgBytesPerSec = 16000;
    h.blockAlign = 2;
    h.bitsPerSample = 16;
    std::memcpy(h.data.id, "data", 4);
    h.data.size = 1000;
    bytes.append(reinterpret_cast<const char*>(&h.fmt), sizeof h - 12);
    bytes.append("\x01\x00\x02\x00", 4);
    std::ofstream(folder.File("b.wav"), std::ios::binary) << bytes;

    WavReader reader;
    ASSERT_TRUE(reader.Open(folder.File("b.wav"))) << reader.Error();
    std::int16_t out[8] = {};
    EXPECT_EQ(reader.Read(out, sizeof out), 4u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(reader.Read(out, sizeof out), 0u);
}

TEST(WavFile, ReaderRefusesWhatIsNotPcmWave) {
    AudioFolder folder;
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"not riff", "JUNKxxxxWAVE"},
        {"no data", std::string("RIFF\0\0\0\0WAVE", 12)},
        {"data before fmt", std::string("RIFF\0\0\0\0WAVEdata\x02\0\0\0\0\0", 22)},
    };
    for (const auto& c : cases) {
        std::ofstream(folder.File("c.wav"), std::ios::binary | std::ios::trunc) << c.bytes;
        WavReader reader;
        EXPECT_FALSE(reader.Open(folder.File("c.wav"))) << c.name;
    }
    WavReader missing;
    EXPECT_FALSE(missing.Open(folder.File("missing.wav")));
}
