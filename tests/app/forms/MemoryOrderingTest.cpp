#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/forms/MemoryOrdering.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

using Setup = std::function<void(TMemoryRecord&)>;

struct OrderCase {
    const char* what;
    int key;
    std::vector<Setup> channels; // channel i gets number i + 1
    std::vector<std::int32_t> expected;
};

Setup Freq(std::int64_t hz) { return [hz](TMemoryRecord& r) { r.frequency = hz; }; }
Setup Mode(std::int32_t m, std::uint32_t flags = 0) {
    return [m, flags](TMemoryRecord& r) { r.mode = m; r.flags = flags; };
}
Setup Level(std::int32_t dbm, std::int32_t type = 0, std::int32_t value = 0) {
    return [=](TMemoryRecord& r) { r.levelSquelch = dbm; r.squelchType = type; r.squelchValue = value; };
}
Setup NoLevel() { return [](TMemoryRecord& r) { r.flags |= kMemKeepSquelch; }; }
Setup Priority(std::uint32_t p) { return [p](TMemoryRecord& r) { r.flags = p << kMemPriorityShift; }; }
Setup Groups(std::uint32_t mask) { return [mask](TMemoryRecord& r) { r.groups = mask; }; }
Setup Callsign(const char* c) { return [c](TMemoryRecord& r) { std::strcpy(r.callsign, c); }; }
Setup Comments(const char* c) { return [c](TMemoryRecord& r) { std::strcpy(r.comments, c); }; }
Setup Number(std::int32_t n) { return [n](TMemoryRecord& r) { r.number = n; }; }

MemoryList Make(const std::vector<Setup>& channels) {
    MemoryList list;
    for (const Setup& s : channels) {
        auto r = std::make_unique<TMemoryRecord>(NewMemoryRecord());
        r->number = static_cast<std::int32_t>(list.size()) + 1;
        s(*r);
        list.push_back(std::move(r));
    }
    return list;
}

std::vector<std::int32_t> Numbers(const MemoryList& list) {
    std::vector<std::int32_t> n;
    for (const auto& r : list) n.push_back(r->number);
    return n;
}

TEST(MemoryOrderingTest, EachSortKeyOrdersTheList) {
    const std::vector<OrderCase> cases = {
        {"number, unsigned", 0, {Number(30), Number(-1), Number(2)}, {2, 30, -1}},
        {"frequency, unsigned", 1, {Freq(145'000'000), Freq(-1), Freq(7'000'000)}, {3, 1, 2}},
        {"mode by name: AM before CW", 2, {Mode(0), Mode(1)}, {2, 1}},
        {"no mode first: id 17 and flags bit 1 count as none", 2,
         {Mode(5), Mode(17), Mode(1), Mode(1, kMemKeepMode)}, {2, 4, 3, 1}},
        {"groups, unsigned", 3, {Groups(0x8000), Groups(1), Groups(0)}, {3, 2, 1}},
        {"squelch falling: none first, then -50 before -120", 4,
         {Level(-120), Level(-50), NoLevel()}, {3, 2, 1}},
        {"squelch tie broken by the second squelch type", 4,
         {Level(-100), Level(-100, 4, 88500)}, {2, 1}},
        {"squelch tie broken by the second squelch value", 4,
         {Level(-100, 2, 10), Level(-100, 2, 40)}, {2, 1}},
        {"callsign bytes, case counts", 5, {Callsign("abc"), Callsign("ABD"), Callsign("ABC")}, {3, 2, 1}},
        {"comments bytes, unsigned", 6, {Comments("\xE9t\xE9"), Comments("zulu"), Comments("")}, {3, 2, 1}},
        {"priority 0 counts as 5", 7, {Priority(6), Priority(0), Priority(4), Priority(1)}, {4, 3, 2, 1}},
        {"unknown key keeps the order", 8, {Freq(3), Freq(1), Freq(2)}, {1, 2, 3}},
        {"negative key keeps the order", -1, {Freq(3), Freq(1)}, {1, 2}},
    };
    for (const OrderCase& c : cases) {
        MemoryList list = Make(c.channels);
        MemoryView byFrequency;
        HotkeyTable used{};
        EXPECT_TRUE(RebuildSortedMemories(list, &byFrequency, c.key, used));
        EXPECT_EQ(Numbers(list), c.expected) << c.what;
    }
}

TEST(MemoryOrderingTest, PriorityZeroSitsWithTheFives) {
    MemoryList a = Make({Priority(0)});
    MemoryList b = Make({Priority(5)});
    EXPECT_EQ(CompareMemories(*a[0], *b[0], 7), 0);
}

TEST(MemoryOrderingTest, TheFrequencyViewAndTheHotkeysFollowTheList) {
    MemoryList list = Make({Freq(300), Freq(100), Freq(200)});
    list[0]->hotkey = 13;
    list[1]->hotkey = 3;
    MemoryView byFrequency{nullptr};
    HotkeyTable used{};
    used[1] = true;
    ASSERT_TRUE(RebuildSortedMemories(list, &byFrequency, 6, used));
    ASSERT_EQ(byFrequency.size(), 3u);
    EXPECT_EQ(lxq_test::ByValue(byFrequency[0]->frequency), 100);
    EXPECT_EQ(lxq_test::ByValue(byFrequency[2]->frequency), 300);
    EXPECT_EQ(lxq_test::ByValue(list[0]->number), 1) << "equal comments keep their order";
    EXPECT_EQ(lxq_test::ByValue(list[0]->hotkey), 0);
    EXPECT_FALSE(used[1]);
    EXPECT_TRUE(used[3]);
    EXPECT_FALSE(used[13 - 1]);
}

TEST(MemoryOrderingTest, WithoutTheViewNothingChanges) {
    MemoryList list = Make({Freq(300), Freq(100)});
    list[0]->hotkey = 1;
    HotkeyTable used{};
    EXPECT_FALSE(RebuildSortedMemories(list, nullptr, 1, used));
    EXPECT_EQ(Numbers(list), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(list[0]->hotkey, 1);
}

} // namespace
} // namespace lxq
