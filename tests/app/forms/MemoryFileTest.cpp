#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/forms/MemoryList.h"
#include "app/forms/RecordFile.h"
#include "app/forms/TExclusionRecord.h"
#include "app/forms/TRangeRecord.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq {
namespace {

TMemoryRecord Channel(std::int32_t number, std::int64_t hz, std::int32_t hotkey = 0) {
    TMemoryRecord r = NewMemoryRecord();
    r.number = number;
    r.frequency = hz;
    r.hotkey = hotkey;
    r.checksum = MemoryChecksum(r);
    return r;
}

std::string Raw(const std::vector<TMemoryRecord>& records) {
    std::string bytes;
    for (const auto& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    return bytes;
}

std::string ReadAll(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

class MemoryFileTest : public ::testing::Test {
protected:
    void WriteRaw(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    plat::sys::testing::TempFolder dir;
    std::string path = dir.File("Q7memory.45m");
};

TEST_F(MemoryFileTest, SavedChannelsLoadBackWithTheirChecksums) {
    MemoryList list;
    list.push_back(std::make_unique<TMemoryRecord>(Channel(3, 145'500'000, 5)));
    list.push_back(std::make_unique<TMemoryRecord>(Channel(1, 7'100'000)));
    list[0]->checksum = 0; // stale in memory: saving stores it
    std::strcpy(list[1]->comments, "forty metres");
    ASSERT_TRUE(WriteMemoryFile(path, list));
    EXPECT_EQ(list[0]->checksum, MemoryChecksum(*list[0]));
    const std::string bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 200u) << "plain records, no header";
    EXPECT_EQ(std::memcmp(bytes.data(), list[0].get(), 100), 0);

    auto loaded = ReadMemoryFile(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->damaged, 0u);
    ASSERT_EQ(loaded->list.size(), 2u);
    EXPECT_EQ(std::memcmp(loaded->list[0].get(), list[0].get(), 100), 0);
    EXPECT_EQ(std::memcmp(loaded->list[1].get(), list[1].get(), 100), 0);
}

TEST_F(MemoryFileTest, DamagedAndShortRecordsAreDroppedAndCounted) {
    TMemoryRecord bad = Channel(2, 2);
    bad.checksum += 1;
    // 250 bytes: two whole records and half of a third.
    WriteRaw(Raw({Channel(1, 1), bad, Channel(4, 4)}).substr(0, 250));
    auto loaded = ReadMemoryFile(path);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->list.size(), 1u);
    EXPECT_EQ(loaded->list[0]->number, 1);
    EXPECT_EQ(loaded->damaged, 2u);

    WriteRaw(Raw({Channel(1, 1), Channel(4, 4)}).substr(0, 150));
    loaded = ReadMemoryFile(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->list.size(), 1u) << "150 bytes: one channel, 50 bytes ignored";

    EXPECT_FALSE(ReadMemoryFile(dir.File("absent.45m"))) << "no file is not an empty file";
}

// Zeros sum to the checksum they hold; no channel is all zeros, so zeros where records should be
// (a file a crash extended, a damaged block) are damage, not channels at 0 Hz.
TEST_F(MemoryFileTest, ZeroFilledRecordsAreDamageNotChannels) {
    WriteRaw(Raw({Channel(3, 3)}) + std::string(2 * sizeof(TMemoryRecord), '\0') + Raw({Channel(4, 4)}));
    auto loaded = ReadMemoryFile(path);
    ASSERT_TRUE(loaded);
    std::vector<std::int32_t> numbers;
    for (const auto& r : loaded->list) numbers.push_back(r->number);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{3, 4}));
    EXPECT_EQ(loaded->damaged, 2u);
}

TEST_F(MemoryFileTest, ATakenNumberGetsTheLowestFreeOne) {
    WriteRaw(Raw({Channel(5, 1), Channel(1, 2), Channel(5, 3), Channel(1, 4)}));
    auto loaded = ReadMemoryFile(path);
    ASSERT_TRUE(loaded);
    std::vector<std::int32_t> numbers;
    for (const auto& r : loaded->list) numbers.push_back(r->number);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{5, 1, 2, 3}));
}

TEST(MemoryListTest, HotkeysOutsideTwoToTwelveBecomeNone) {
    MemoryList list;
    for (std::int32_t key : {1, 2, 12, 13, -1, 7, 0})
        list.push_back(std::make_unique<TMemoryRecord>(Channel(static_cast<std::int32_t>(list.size()) + 1, 0, key)));
    HotkeyTable used;
    used.fill(true);
    RebuildHotkeys(list, used);
    std::vector<std::int32_t> keys;
    for (const auto& r : list) keys.push_back(r->hotkey);
    EXPECT_EQ(keys, (std::vector<std::int32_t>{0, 2, 12, 0, 0, 7, 0}));
    for (std::size_t k = 0; k < used.size(); ++k) EXPECT_EQ(used[k], k == 2 || k == 7 || k == 12) << k;
}

TEST(MemoryListTest, LookupByNumberAndTheLowestFreeNumber) {
    MemoryList list;
    for (std::int32_t n : {2, 1, 4}) list.push_back(std::make_unique<TMemoryRecord>(Channel(n, 0)));
    EXPECT_EQ(IndexOfNumber(list, 4), 2);
    EXPECT_EQ(IndexOfNumber(list, 3), -1);
    EXPECT_EQ(LowestFreeNumber(list), 3);
    list.clear();
    for (std::int32_t n = 1; n <= 9999; ++n) list.push_back(std::make_unique<TMemoryRecord>(Channel(n, 0)));
    EXPECT_FALSE(LowestFreeNumber(list));
}

TEST_F(MemoryFileTest, AFailedWriteKeepsTheOldFile) {
    MemoryList list;
    list.push_back(std::make_unique<TMemoryRecord>(Channel(1, 1)));
    ASSERT_TRUE(WriteMemoryFile(path, list));
    const std::string before = ReadAll(path);
    list.push_back(std::make_unique<TMemoryRecord>(Channel(2, 2)));
    // A folder where the temporary file would go: the new content cannot be written.
    std::filesystem::create_directory(path + ".tmp" + std::to_string(::getpid()));
    EXPECT_FALSE(WriteMemoryFile(path, list));
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(MemoryFileTest, AutoStepAndExclusionFilesRoundTrip) {
    std::vector<TRangeRecord> steps(2, TRangeRecord{});
    steps[0].lower = 118'000'000;
    steps[0].upper = 137'000'000;
    steps[0].step = 8333;
    std::strcpy(steps[1].description, "Marine");
    ASSERT_TRUE(WriteRecordFile<TRangeRecord>(dir.File("autostep.45s"), steps));
    auto s = ReadRecordFile<TRangeRecord>(dir.File("autostep.45s"));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->records.size(), 2u);
    EXPECT_EQ(s->records[0].step, 8333);
    EXPECT_STREQ(s->records[1].description, "Marine");
    EXPECT_EQ(s->records[1].checksum, RangeChecksum(s->records[1]));

    std::vector<TExclusionRecord> ex = {{100, 200, 0}, {300, 400, 0}};
    ASSERT_TRUE(WriteRecordFile<TExclusionRecord>(dir.File("exclusions.45e"), ex));
    std::string bytes = ReadAll(dir.File("exclusions.45e"));
    ASSERT_EQ(bytes.size(), 40u);
    bytes[20] ^= 1; // damage the second record
    std::ofstream(dir.File("exclusions.45e"), std::ios::binary) << bytes;
    auto e = ReadRecordFile<TExclusionRecord>(dir.File("exclusions.45e"));
    ASSERT_TRUE(e);
    ASSERT_EQ(e->records.size(), 1u);
    EXPECT_EQ(e->records[0].to, 200u);
    EXPECT_EQ(e->damaged, 1u);
}

} // namespace
} // namespace lxq
