#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/forms/TExclusionRecord.h"
#include "app/forms/TMemoryRecord.h"
#include "app/forms/TRangeRecord.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

template <typename R>
std::vector<unsigned char> Bytes(const R& r) {
    std::vector<unsigned char> b(sizeof r);
    std::memcpy(b.data(), &r, sizeof r);
    return b;
}

std::uint32_t WordAt(const std::vector<unsigned char>& b, std::size_t offset) {
    return static_cast<std::uint32_t>(b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 |
                                      static_cast<std::uint32_t>(b[offset + 3]) << 24);
}

TEST(MemoryRecordTest, FieldsSitAtTheirFileOffsetsLittleEndian) {
    TMemoryRecord r = NewMemoryRecord();
    r.number = 0x01020304;
    r.frequency = 0x1122334455667788;
    r.groups = 0x8001;
    r.hotkey = 12;
    r.flags = 0xA0000005;
    r.levelSquelch = -100;
    r.mode = 5;
    std::strcpy(r.callsign, "DL0ABC");
    std::strcpy(r.comments, "Relay");
    r.checksum = 0xCAFEBABE;
    r.ifShift = -300;
    r.squelchType = 4;
    r.squelchValue = 88500;
    const auto b = Bytes(r);
    const std::pair<std::size_t, std::uint32_t> words[] = {
        {0, 0x01020304},  {4, 0x55667788}, {8, 0x11223344},  {12, 0x8001}, {16, 0},
        {20, 12},         {24, 0xA0000005}, {28, static_cast<std::uint32_t>(-100)}, {32, 5},
        {80, 0xCAFEBABE}, {84, static_cast<std::uint32_t>(-300)}, {88, 10000}, {92, 4}, {96, 88500}};
    for (const auto& [offset, value] : words) EXPECT_EQ(WordAt(b, offset), value) << offset;
    EXPECT_EQ(std::memcmp(&b[36], "DL0ABC\0", 7), 0);
    EXPECT_EQ(std::memcmp(&b[48], "Relay\0", 6), 0);
}

TEST(MemoryRecordTest, InitialisationLayersAndTheirChecksums) {
    TMemoryRecord r;
    std::memset(&r, 0xEE, sizeof r);
    InitMemoryRecordBase(r);
    EXPECT_EQ(lxq_test::ByValue(r.number), 0);
    EXPECT_EQ(lxq_test::ByValue(r.frequency), 0);
    EXPECT_EQ(r.groups | static_cast<std::uint32_t>(r.reserved | r.hotkey | r.levelSquelch | r.mode) | r.flags, 0u);
    EXPECT_EQ(r.callsign[11] | r.comments[31], 0);
    EXPECT_EQ(lxq_test::ByValue(r.checksum), 0xEEEEEEEEu) << "the checksum is left alone";
    EXPECT_EQ(lxq_test::ByValue(r.bandwidth), 0xEEEEEEEEu) << "the tuning part is not the base's";
    InitMemoryRecordTuning(r);
    EXPECT_EQ(lxq_test::ByValue(r.ifShift), 0);
    EXPECT_EQ(lxq_test::ByValue(r.bandwidth), 10000u);
    EXPECT_EQ(lxq_test::ByValue(r.squelchType), static_cast<std::int32_t>(0xEEEEEEEE));
    InitMemoryRecord(r);
    EXPECT_EQ(lxq_test::ByValue(r.squelchType), 0);
    EXPECT_EQ(lxq_test::ByValue(r.squelchValue), 0);

    EXPECT_EQ(MemoryChecksumBase(r), 0u);
    EXPECT_EQ(MemoryChecksum(r), 10000u) << "a fresh record sums to its bandwidth";
    r.number = 7;
    r.frequency = 0x100000002; // two words: 2 and 1
    r.ifShift = -1;
    r.squelchValue = 5;
    r.checksum = 12345; // never part of the sum
    EXPECT_EQ(MemoryChecksumBase(r), 10u);
    EXPECT_EQ(MemoryChecksumTuning(r), 10u + 10000u - 1u);
    EXPECT_EQ(MemoryChecksum(r), 10u + 10000u - 1u + 5u);
    r.number = -1;
    r.frequency = -1; // the sum wraps
    EXPECT_EQ(MemoryChecksumBase(r), 0xFFFFFFFDu);
}

TEST(RangeRecordTest, LayoutAndChecksumOfTheAutoStepEntry) {
    TRangeRecord r{};
    r.lower = 0x100000001;
    r.step = 12500;
    r.skip = 1;
    std::strcpy(r.description, "Air");
    r.checksum = 99;
    const auto b = Bytes(r);
    EXPECT_EQ(WordAt(b, 0), 1u);
    EXPECT_EQ(WordAt(b, 4), 1u);
    EXPECT_EQ(WordAt(b, 16), 12500u);
    EXPECT_EQ(WordAt(b, 60), 1u);
    EXPECT_EQ(std::memcmp(&b[64], "Air", 4), 0);
    EXPECT_EQ(WordAt(b, 96), 99u);
    EXPECT_EQ(RangeChecksum(r), 1u + 1u + 12500u + 1u + ('A' | 'i' << 8 | 'r' << 16));
}

TEST(ExclusionRecordTest, TwentyBytesAndTheSumOfFourWords) {
    TExclusionRecord r{0xFFFFFFFF00000002, 0x0000000300000004, 0};
    const auto b = Bytes(r);
    ASSERT_EQ(b.size(), 20u);
    EXPECT_EQ(WordAt(b, 0), 2u);
    EXPECT_EQ(WordAt(b, 4), 0xFFFFFFFFu);
    EXPECT_EQ(WordAt(b, 8), 4u);
    EXPECT_EQ(WordAt(b, 12), 3u);
    EXPECT_EQ(ExclusionChecksum(r), 2u + 0xFFFFFFFFu + 4u + 3u); // wraps to 8
}

} // namespace
} // namespace lxq

#include "app/forms/MemoryStore.h"

namespace lxq {
namespace {

TEST(MemoryStoreTest, TheReceiversStateBecomesANewChannel) {
    ReceiverSnapshot rx;
    rx.frequency = 446'006'250;
    rx.mode = 2;
    rx.bandwidth = 12'500;
    rx.squelchLevel = -95;
    rx.squelch.noise = 40;
    rx.squelch.ctcss = 88'500;
    rx.squelch.voice = 30;
    rx.squelch.dcs = 19;
    struct Case {
        std::uint32_t types;
        std::int32_t level, type, value;
    };
    const Case cases[] = {
        {kSquelchLevel, -95, 0, 0},
        {0, 0, 0, 0},
        {kSquelchLevel | kSquelchNoise, -95, 2, 40},
        {kSquelchCtcss, 0, 4, 88'500},
        {kSquelchLevel | kSquelchVoice, -95, 256, 30},
        {kSquelchDcs, 0, 512, 19},
        {kSquelchNoise | kSquelchCtcss, 0, 6, 0},
    };
    for (const Case& c : cases) {
        rx.squelchTypes = c.types;
        const TMemoryRecord r = NewStoredMemory(rx);
        EXPECT_EQ(lxq_test::ByValue(r.levelSquelch), c.level) << c.types;
        EXPECT_EQ(lxq_test::ByValue(r.squelchType), c.type) << c.types;
        EXPECT_EQ(lxq_test::ByValue(r.squelchValue), c.value) << c.types;
        EXPECT_EQ(lxq_test::ByValue(r.frequency), 446'006'250);
        EXPECT_EQ(lxq_test::ByValue(r.mode), 2);
        EXPECT_EQ(lxq_test::ByValue(r.bandwidth), 12'500u);
        EXPECT_EQ(lxq_test::ByValue(r.hotkey), 1);
        EXPECT_EQ(r.number | r.reserved | static_cast<std::int32_t>(r.flags | r.groups), 0);
    }
}

} // namespace
} // namespace lxq
