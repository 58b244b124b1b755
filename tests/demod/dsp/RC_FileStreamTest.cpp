#include "demod/dsp/RC_FileStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class RC_FileStreamTest : public ::testing::TestWithParam<std::uint32_t> {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        folder_ = fs::path(::testing::TempDir()) / ("lxq_filestream_" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Contents(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void Put(const fs::path& p, const std::string& text) const {
        std::ofstream(p, std::ios::binary) << text;
    }
    std::string ReadAll(RC_FileStream& s, std::uint32_t n) const {
        std::string text(n, '\0');
        text.resize(s.Read(text.data(), n));
        return text;
    }

    fs::path folder_;
};

// Every case runs without cache and with a small cache served by the I/O thread.
INSTANTIATE_TEST_SUITE_P(CacheSizes, RC_FileStreamTest, ::testing::Values(0u, 16u),
                         [](const auto& info) { return info.param == 0 ? "Direct" : "Cached"; });

TEST_P(RC_FileStreamTest, SeeksAreHeldBetweenTheStartAndTheSize) {
    const fs::path p = folder_ / "a.dat";
    Put(p, "0123456789");
    RC_FileStream s(p, false, GetParam());
    ASSERT_TRUE(s.IsOpen());
    EXPECT_TRUE(s.OpenedExisting());
    EXPECT_EQ(s.Size(), 10u);
    const struct {
        std::int64_t offset;
        int origin;
        std::uint64_t position;
    } cases[] = {{-5, RC_FileStream::kFromStart, 0},   {4, RC_FileStream::kFromStart, 4},
                 {3, RC_FileStream::kFromPosition, 7}, {-2, RC_FileStream::kFromPosition, 5},
                 {10, RC_FileStream::kFromEnd, 10},    {-3, RC_FileStream::kFromEnd, 7},
                 {99, RC_FileStream::kFromStart, 10},  {INT64_MAX, RC_FileStream::kFromEnd, 10},
                 {INT64_MIN, RC_FileStream::kFromEnd, 0}};
    for (const auto& c : cases) {
        EXPECT_TRUE(s.SeekRead(c.offset, c.origin));
        EXPECT_EQ(s.ReadPosition(), c.position) << c.offset << " from " << c.origin;
        EXPECT_TRUE(s.SeekWrite(c.offset, c.origin));
        EXPECT_EQ(s.WritePosition(), c.position) << c.offset << " from " << c.origin;
    }
    EXPECT_FALSE(s.SeekRead(0, 3));
}

TEST_P(RC_FileStreamTest, ReadsAndWritesKeepTheirOwnPositions) {
    const fs::path p = folder_ / "b.dat";
    Put(p, "alpha beta gamma");
    {
        RC_FileStream s(p, false, GetParam());
        ASSERT_TRUE(s.SeekRead(6, RC_FileStream::kFromStart));
        EXPECT_EQ(ReadAll(s, 4), "beta");
        // Writing at the start does not move the read position.
        EXPECT_EQ(s.Write("ALPHA", 5), 5u);
        EXPECT_EQ(s.WritePosition(), 5u);
        EXPECT_EQ(s.ReadPosition(), 10u);
        EXPECT_EQ(ReadAll(s, 100), " gamma") << "a short read at the end";
        EXPECT_EQ(s.ReadPosition(), 16u);
        EXPECT_EQ(ReadAll(s, 10), "");
        // Readers see what was just written.
        s.SeekRead(0, RC_FileStream::kFromStart);
        EXPECT_EQ(ReadAll(s, 16), "ALPHA beta gamma");
        EXPECT_EQ(s.Write("x", 0), 0u);
    }
    EXPECT_EQ(Contents(p), "ALPHA beta gamma");
}

TEST_P(RC_FileStreamTest, WritingPastTheEndGrowsTheSizeAtOnce) {
    const fs::path p = folder_ / "c.dat";
    Put(p, "abc");
    {
        RC_FileStream s(p, false, GetParam());
        s.SeekWrite(0, RC_FileStream::kFromEnd);
        EXPECT_EQ(s.Write("defghijklmnopqrstuvwxyz", 23), 23u);
        EXPECT_EQ(s.Size(), 26u) << "before any write-behind";
        EXPECT_TRUE(s.SeekRead(-3, RC_FileStream::kFromEnd));
        EXPECT_EQ(ReadAll(s, 3), "xyz");
    }
    EXPECT_EQ(Contents(p), "abcdefghijklmnopqrstuvwxyz");
}

TEST_P(RC_FileStreamTest, TruncateCutsAtTheWritePositionAndPullsTheReadPositionBack) {
    const fs::path p = folder_ / "d.dat";
    Put(p, "0123456789abcdef");
    {
        RC_FileStream s(p, false, GetParam());
        s.SeekRead(12, RC_FileStream::kFromStart);
        ReadAll(s, 2);
        s.SeekWrite(6, RC_FileStream::kFromStart);
        EXPECT_TRUE(s.Truncate());
        EXPECT_EQ(s.Size(), 6u);
        EXPECT_EQ(s.ReadPosition(), 6u);
        EXPECT_EQ(ReadAll(s, 4), "");
        s.SeekRead(2, RC_FileStream::kFromStart);
        EXPECT_EQ(ReadAll(s, 10), "2345");
        EXPECT_EQ(s.Write("XY", 2), 2u);
    }
    EXPECT_EQ(Contents(p), "012345XY");
}

TEST_P(RC_FileStreamTest, CreatesTheFileAndItsFoldersOnlyWhenAsked) {
    const fs::path p = folder_ / "one" / "two" / "new.dat";
    {
        RC_FileStream absent(p, false, GetParam());
        EXPECT_FALSE(absent.IsOpen());
        EXPECT_FALSE(fs::exists(p));
    }
    {
        RC_FileStream s(p, true, GetParam());
        ASSERT_TRUE(s.IsOpen());
        EXPECT_FALSE(s.OpenedExisting());
        EXPECT_EQ(s.Size(), 0u);
        EXPECT_EQ(s.Write("made", 4), 4u);
    }
    EXPECT_EQ(Contents(p), "made");
    RC_FileStream again(p, true, GetParam());
    EXPECT_TRUE(again.OpenedExisting());
    EXPECT_EQ(again.Size(), 4u) << "an existing file is not emptied";
}

TEST_P(RC_FileStreamTest, AStreamWithoutAFileAnswersEverythingWithNothing) {
    const fs::path blocker = folder_ / "plain";
    Put(blocker, "a file, not a folder");
    RC_FileStream s(blocker / "inside.dat", true, GetParam());
    EXPECT_FALSE(s.IsOpen());
    char buffer[8] = {};
    EXPECT_FALSE(s.SeekRead(0, RC_FileStream::kFromStart));
    EXPECT_FALSE(s.SeekWrite(0, RC_FileStream::kFromStart));
    EXPECT_EQ(s.Read(buffer, 8), 0u);
    EXPECT_EQ(s.Write("x", 1), 0u);
    EXPECT_FALSE(s.Truncate());
    EXPECT_EQ(s.Size(), 0u);
}

TEST_P(RC_FileStreamTest, ScatteredReadsAndWritesMatchAPlainModelOfTheFile) {
    const fs::path p = folder_ / "e.dat";
    std::string model(300, '.');
    Put(p, model);
    std::mt19937 random(GetParam() + 1);
    {
        RC_FileStream s(p, false, GetParam());
        for (int step = 0; step < 400; ++step) {
            const std::uint32_t at = random() % (model.size() + 1);
            const std::uint32_t n = random() % 40; // often larger than the cache
            if (random() % 2 == 0) {
                std::string text(n, static_cast<char>('a' + step % 26));
                s.SeekWrite(at, RC_FileStream::kFromStart);
                ASSERT_EQ(s.Write(text.data(), n), n);
                if (at + n > model.size()) {
                    model.resize(at + n);
                }
                model.replace(at, n, text);
            } else {
                s.SeekRead(at, RC_FileStream::kFromStart);
                ASSERT_EQ(ReadAll(s, n), model.substr(at, n)) << "step " << step;
            }
            ASSERT_EQ(s.Size(), model.size());
        }
    }
    EXPECT_EQ(Contents(p), model);
}

} // namespace
