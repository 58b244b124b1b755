#include <gtest/gtest.h>

#include "demod/ui/toolkit/RC_ConfigFile.h"
#include "demod/ui/toolkit/RC_CreateDirectoryPath.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Record(std::uint32_t key, const Bytes& data) {
    Bytes out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(key >> (8 * i)));
    const auto n = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Filled(std::size_t n, std::uint8_t value) { return Bytes(n, value); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) /
                  ("lxq_config_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / "Q745Demod_Config.dat").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Put(const Bytes& content) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    }
    Bytes Get() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    int Write(std::uint32_t key, const Bytes& data) const {
        return ConfigWriteRecord(path_.c_str(), data.data(), static_cast<std::uint32_t>(data.size()), &key, 4);
    }
    int Read(std::uint32_t key, Bytes& buffer) const {
        return ConfigReadRecord(path_.c_str(), buffer.data(), static_cast<std::uint32_t>(buffer.size()), &key, 4);
    }

    fs::path folder_;
    std::string path_;
};

TEST_F(ConfigFileTest, WritesProduceTheExpectedFile) {
    struct Case {
        const char* name;
        Bytes before;
        std::uint32_t key;
        Bytes data;
        Bytes after;
    };
    const Bytes r1 = Record(1, Filled(10, 0x11)), r2 = Record(2, Filled(5, 0x22)), r3 = Record(3, Filled(7, 0x33));
    const Case cases[] = {
        {"new key into an empty file", {}, 9, Filled(6, 0x99), Record(9, Filled(6, 0x99))},
        {"new key appended", r1 + r2, 3, Filled(7, 0x33), r1 + r2 + r3},
        {"same length in place", r1 + r2 + r3, 2, Filled(5, 0x55), r1 + Record(2, Filled(5, 0x55)) + r3},
        {"first of three shrinks", r1 + r2 + r3, 1, Filled(4, 0x44), r2 + r3 + Record(1, Filled(4, 0x44))},
        {"middle grows", r1 + r2 + r3, 2, Filled(9, 0x66), r1 + r3 + Record(2, Filled(9, 0x66))},
        {"empty data", r1, 1, {}, Record(1, {})},
        // A second record of the key (two versions wrote it) would be read in place of the new
        // one once the first moved: the file keeps one record of a key.
        {"a second of the key goes with a changed length", r1 + r2 + Record(1, Filled(3, 0x77)), 1, Filled(4, 0x44),
         r2 + Record(1, Filled(4, 0x44))},
        {"a second of the key goes with the same length", r1 + r2 + Record(1, Filled(10, 0x77)), 1, Filled(10, 0x44),
         Record(1, Filled(10, 0x44)) + r2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(c.before);
        EXPECT_EQ(Write(c.key, c.data), 1);
        EXPECT_EQ(Get(), c.after);
        Bytes back(c.data.size());
        EXPECT_EQ(Read(c.key, back), 1);
        EXPECT_EQ(back, c.data) << "what was written reads back";
    }
}

TEST_F(ConfigFileTest, WriteCreatesAMissingFileAndItsFolders) {
    path_ = (folder_ / "a" / "b" / "SoundCard_Config.dat").string();
    ASSERT_EQ(Write(7, Filled(3, 1)), 1);
    EXPECT_EQ(Get(), Record(7, Filled(3, 1)));
}

TEST_F(ConfigFileTest, CutShortFilesAreRefusedAndLeftAsTheyWere) {
    const Bytes whole = Record(1, Filled(10, 0x11)) + Record(2, Filled(5, 0x22));
    const Bytes broken[] = {
        Bytes(whole.begin(), whole.end() - 1),           // data of the last record cut
        Bytes(whole.begin(), whole.begin() + 18 + 6),    // header of the second record cut
        Bytes(whole.begin(), whole.begin() + 3),         // key cut
    };
    for (const Bytes& content : broken) {
        SCOPED_TRACE(content.size());
        Put(content);
        EXPECT_EQ(Write(3, Filled(2, 3)), 0);
        EXPECT_EQ(Write(2, Filled(5, 3)), 0);
        // Also a key whose record lies before the cut: appended behind the cut, the new record
        // would be swallowed by the cut one and the read find nothing of it.
        EXPECT_EQ(Write(1, Filled(4, 3)), 0);
        EXPECT_EQ(Get(), content);
    }
    EXPECT_TRUE(fs::directory_iterator(folder_)->path().filename() == "Q745Demod_Config.dat");
}

TEST_F(ConfigFileTest, ReadCopiesWhatFitsAndLeavesTheRest) {
    Put(Record(1, Filled(3, 0x11)) + Record(5, Filled(2000, 0x55)) + Record(5, Filled(4, 0x77)));
    Bytes big(2504, 0xEE);
    EXPECT_EQ(Read(5, big), 1);
    EXPECT_EQ(Bytes(big.begin(), big.begin() + 2000), Filled(2000, 0x55));
    EXPECT_EQ(Bytes(big.begin() + 2000, big.end()), Filled(504, 0xEE));

    Bytes small(2, 0);
    EXPECT_EQ(Read(5, small), 1);
    EXPECT_EQ(small, Filled(2, 0x55));

    Bytes untouched(4, 0xAB);
    EXPECT_EQ(Read(8, untouched), 1) << "a missing key still answers that the file was read";
    EXPECT_EQ(untouched, Filled(4, 0xAB));
}

TEST_F(ConfigFileTest, ReadOfAMissingFileAnswersZero) {
    Bytes buffer(4, 0xAB);
    path_ = (folder_ / "none.dat").string();
    EXPECT_EQ(Read(1, buffer), 0);
    EXPECT_EQ(buffer, Filled(4, 0xAB));
}

TEST_F(ConfigFileTest, ReadOfACutShortRecordTakesWhatTheFileHolds) {
    const Bytes whole = Record(4, Filled(10, 0x44));
    Put(Bytes(whole.begin(), whole.end() - 4));
    Bytes buffer(10, 0);
    EXPECT_EQ(Read(4, buffer), 1);
    EXPECT_EQ(buffer, Filled(6, 0x44) + Filled(4, 0));
}

TEST_F(ConfigFileTest, SoundCardRecordWithoutWaveOutNameTakesTheWaveInName) {
    struct Case {
        std::string in, out, expectedOut;
    };
    const std::string longName(60, 'x');
    const Case cases[] = {
        {"Line In", "", "Line In"},
        {"Line In", "Speakers", "Speakers"},
        {longName, "", std::string(31, 'x')}, // cut to the wave-out field
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in + "/" + c.out);
        Bytes record(160, 0);
        std::memcpy(record.data(), c.in.data(), c.in.size());
        std::memcpy(record.data() + 128, c.out.data(), c.out.size());
        Put(Record(3, record));
        Bytes read(160, 0);
        std::uint32_t key = 3;
        EXPECT_EQ(ConfigReadSoundCardRecord(path_.c_str(), read.data(), &key, 4), 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.data())), c.in);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.data() + 128)), c.expectedOut);
    }
}

TEST_F(ConfigFileTest, CreateDirectoryPathMakesEveryFolder) {
    const std::string base = folder_.string();
    RC_CreateDirectoryPath(("  " + base + "/x/y/file.dat").c_str(), true);
    EXPECT_TRUE(fs::is_directory(folder_ / "x" / "y"));
    EXPECT_FALSE(fs::exists(folder_ / "x" / "y" / "file.dat"));
    RC_CreateDirectoryPath((base + "\\p\\q").c_str(), false);
    EXPECT_TRUE(fs::is_directory(folder_ / "p" / "q"));
    RC_CreateDirectoryPath((base + "/p/q").c_str(), false); // existing: no harm
    EXPECT_TRUE(fs::is_directory(folder_ / "p" / "q"));
}

} // namespace
