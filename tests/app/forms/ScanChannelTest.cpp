// The scanner's walk through channels, without a receiver: band edges, memory wrap-around and
// lock-outs, ranges with steps, skips and exclusions, and the timing table.

#include <gtest/gtest.h>

#include "app/forms/ScanChannel.h"
#include "app/forms/ScanTimings.h"

namespace lxq {
namespace {

constexpr std::int64_t kMin = 10'000;
constexpr std::int64_t kMax = 1'800'000'000;

ScanSources Search(int direction, std::int64_t step) {
    ScanSources s;
    s.kind = ScanKind::Search;
    s.direction = direction;
    s.step = step;
    s.minFrequency = kMin;
    s.maxFrequency = kMax;
    return s;
}

std::vector<std::int64_t> Walk(ScanChannel& ch, const ScanSources& s, int count) {
    std::vector<std::int64_t> out;
    std::int32_t changes = 0;
    for (int i = 0; i < count; ++i) {
        const std::int64_t f = NextChannel(ch, s, changes);
        out.push_back(f);
        if (f == 0) break;
    }
    return out;
}

TEST(ScanSearch, StopsAtTheBandEdgeOnTheLimit) {
    struct Case {
        int direction;
        std::int64_t start;
        std::vector<std::int64_t> expected;
        std::int64_t edge;
    };
    const Case cases[] = {
        {1, kMax - 10'000, {0}, kMax},                                     // 25 kHz up from 10 kHz under the top
        {1, kMax - 60'000, {kMax - 35'000, kMax - 10'000, 0}, kMax},
        {-1, kMin + 30'000, {kMin + 5'000, 0}, kMin},
        {0, kMin + 60'000, {kMin + 35'000, kMin + 10'000, 0}, kMin},      // no direction counts as down
    };
    for (const Case& c : cases) {
        ScanChannel ch;
        ch.ResetPosition(c.start);
        EXPECT_EQ(Walk(ch, Search(c.direction, 25'000), 10), c.expected) << c.start;
        EXPECT_EQ(ch.frequency, c.edge);
    }
}

struct Memories {
    std::vector<TMemoryRecord> records;
    MemoryView view;
    void Add(std::int32_t number, std::int64_t hz, std::uint32_t flags = 0, std::uint32_t groups = 0) {
        TMemoryRecord r = NewMemoryRecord();
        r.number = number;
        r.frequency = hz;
        r.flags = flags;
        r.groups = groups;
        r.mode = 1;
        records.push_back(r);
    }
    ScanSources Sources(int direction) {
        view.clear();
        for (auto& r : records) view.push_back(&r);
        ScanSources s;
        s.kind = ScanKind::Memory;
        s.direction = direction;
        s.memories = &view;
        return s;
    }
};

TEST(ScanMemory, WalksTheViewWithWrapAroundAndSkipsLockedOutChannels) {
    Memories m;
    m.Add(1, 100'000);
    m.Add(2, 200'000, kMemLockout);
    m.Add(3, 300'000);
    m.Add(4, 400'000);
    ScanChannel ch;
    ch.ResetPosition(145'000'000); // from idle: low 32 bits, beyond the count
    EXPECT_EQ(Walk(ch, m.Sources(1), 5), (std::vector<std::int64_t>{300'000, 400'000, 100'000, 300'000, 400'000}));
    EXPECT_EQ(ch.memoryNumber, 4);
    ch.ResetPosition(145'000'000);
    EXPECT_EQ(Walk(ch, m.Sources(-1), 4), (std::vector<std::int64_t>{400'000, 300'000, 100'000, 400'000}));
}

TEST(ScanMemory, StopsWithoutASecondUsableChannel) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> flags;
        bool groups;
    };
    const Case cases[] = {
        {"one usable channel", {kMemLockout, 0, kMemLockout}, false},
        {"all locked out", {kMemLockout, kMemLockout}, false},
        {"no channel in the groups", {0, 0}, true},
        {"empty view", {}, false},
    };
    for (const Case& c : cases) {
        Memories m;
        for (std::size_t i = 0; i < c.flags.size(); ++i)
            m.Add(static_cast<std::int32_t>(i + 1), 100'000 * static_cast<std::int64_t>(i + 1), c.flags[i], 0x0001);
        ScanSources s = m.Sources(1);
        s.enableGroups = c.groups;
        s.memGroups = 0x8000;
        ScanChannel ch;
        ch.memoryPosition = 1; // the usable one of the first case
        std::int32_t changes = 0;
        EXPECT_EQ(NextChannel(ch, s, changes), 0) << c.name;
    }
}

TEST(ScanMemory, TakesModeSquelchAndBandwidthOfTheChannel) {
    Memories m;
    m.Add(7, 100'000);
    m.Add(8, 200'000);
    m.records[1].levelSquelch = -100;
    m.records[1].squelchType = static_cast<std::int32_t>(kSquelchCtcss);
    m.records[1].squelchValue = 88'500;
    m.records[1].bandwidth = 12'500;
    m.records[0].flags = kMemKeepMode | kMemKeepSquelch;
    ScanSources s = m.Sources(1);
    s.receiverMode = 5;
    s.sqToKvr = [](std::int32_t dbm) { return dbm + 130; };
    ScanChannel ch;
    ch.memoryPosition = 0;
    ch.squelchBits = 0x200;
    std::int32_t changes = 0;
    ASSERT_EQ(NextChannel(ch, s, changes), 200'000);
    EXPECT_EQ(ch.mode, 1);
    EXPECT_EQ(ch.bandwidth, 12'500);
    EXPECT_EQ(ch.squelch.level, 30);
    EXPECT_EQ(ch.squelch.ctcss, 88'500u);
    EXPECT_EQ(ch.squelchBits, kSquelchLevel | kSquelchCtcss);
    ASSERT_EQ(NextChannel(ch, s, changes), 100'000);
    EXPECT_EQ(ch.mode, 5) << "the channel keeps the receiver's mode";
    EXPECT_EQ(ch.squelchBits, kSquelchLevel | kSquelchCtcss) << "and its squelch part as it was";
}

struct Ranges {
    RangeList list;
    std::vector<TExclusionRecord> exclusions;
    TRangeRecord& Add(std::int64_t lower, std::int64_t upper, std::int64_t step, std::int32_t mode = 2) {
        auto r = std::make_unique<TRangeRecord>();
        *r = TRangeRecord{};
        r->lower = lower;
        r->upper = upper;
        r->step = step;
        r->mode = mode;
        list.push_back(std::move(r));
        return *list.back();
    }
    ScanSources Sources(int direction) {
        ScanSources s;
        s.kind = ScanKind::Range;
        s.direction = direction;
        s.ranges = &list;
        s.exclusions = &exclusions;
        s.exclusionsEnabled = true;
        return s;
    }
};

constexpr std::int64_t MHz = 1'000'000;

TEST(ScanRange, StepsThroughEachRangeAndOnToTheNext) {
    struct Case {
        const char* name;
        int direction;
        std::vector<std::int64_t> expected;
    };
    const Case cases[] = {
        {"right", 1, {100 * MHz, 101 * MHz, 102 * MHz, 200 * MHz, 201 * MHz, 100 * MHz}},
        {"left", -1, {102 * MHz, 101 * MHz, 100 * MHz, 201 * MHz, 200 * MHz, 102 * MHz}},
    };
    for (const Case& c : cases) {
        Ranges r;
        r.Add(100 * MHz, 102 * MHz, MHz);
        r.Add(200 * MHz, 201 * MHz, MHz);
        ScanChannel ch;
        ch.ResetPosition(145 * MHz);
        if (c.direction < 0) ch.rangeIndex = 0;
        EXPECT_EQ(Walk(ch, r.Sources(c.direction), 6), c.expected) << c.name;
    }
}

TEST(ScanRange, YieldsNothingWhenNoRangeCan) {
    struct Case {
        const char* name;
        std::vector<std::array<std::int64_t, 3>> ranges; // lower, upper, step
        std::vector<bool> skipped;
        bool excludeAll;
    };
    const Case cases[] = {
        {"no ranges", {}, {}, false},
        {"all skipped", {{100 * MHz, 102 * MHz, MHz}, {200 * MHz, 201 * MHz, MHz}}, {true, true}, false},
        {"lower above upper", {{102 * MHz, 100 * MHz, MHz}}, {false}, false},
        {"no step", {{100 * MHz, 102 * MHz, 0}}, {false}, false},
        {"everything excluded", {{100 * MHz, 102 * MHz, 1}, {200 * MHz, 201 * MHz, 1}}, {false, false}, true},
    };
    for (const Case& c : cases) {
        Ranges r;
        for (std::size_t i = 0; i < c.ranges.size(); ++i) {
            r.Add(c.ranges[i][0], c.ranges[i][1], c.ranges[i][2]).skip = c.skipped[i] ? 1 : 0;
        }
        if (c.excludeAll) r.exclusions.push_back({50 * MHz, 300 * MHz, 0});
        ScanChannel ch;
        ch.ResetPosition(0);
        std::int32_t changes = 0;
        EXPECT_EQ(NextChannel(ch, r.Sources(1), changes), 0) << c.name;
        EXPECT_EQ(changes, 0) << c.name << ": the counter starts afresh";
    }
}

TEST(ScanRange, LeavesOutSkippedRangesAndExcludedFrequencies) {
    Ranges r;
    r.Add(100 * MHz, 104 * MHz, MHz);
    r.Add(150 * MHz, 151 * MHz, MHz).skip = 1;
    r.Add(200 * MHz, 201 * MHz, MHz, 4);
    r.exclusions.push_back({101 * MHz, 103 * MHz, 0});
    ScanChannel ch;
    ch.ResetPosition(0);
    EXPECT_EQ(Walk(ch, r.Sources(1), 5), (std::vector<std::int64_t>{100 * MHz, 104 * MHz, 200 * MHz, 201 * MHz, 100 * MHz}));
    ScanSources off = r.Sources(1);
    off.exclusionsEnabled = false;
    ch.ResetPosition(0);
    EXPECT_EQ(Walk(ch, off, 3), (std::vector<std::int64_t>{100 * MHz, 101 * MHz, 102 * MHz}));
}

TEST(ScanRange, AHugeExclusionIsCrossedAtOnce) {
    Ranges r;
    r.Add(1, 1'000'000'000'000, 1); // a million million 1 Hz steps
    r.exclusions.push_back({2, 999'999'999'999, 0});
    ScanChannel ch;
    ch.ResetPosition(0);
    EXPECT_EQ(Walk(ch, r.Sources(1), 3), (std::vector<std::int64_t>{1, 1'000'000'000'000, 1}));
    ch.ResetPosition(0);
    EXPECT_EQ(Walk(ch, r.Sources(-1), 3), (std::vector<std::int64_t>{1'000'000'000'000, 1, 1'000'000'000'000}));
}

TEST(ScanRange, TheChannelTakesTheRangeSettingsAndABandwidthForTheMode) {
    const std::pair<std::int32_t, std::int32_t> bandwidths[] = {{0, 500}, {1, 9000}, {2, 10000}, {4, 3000}, {5, 3000}, {6, 9000}};
    for (auto [mode, bw] : bandwidths) EXPECT_EQ(RangeBandwidth(mode), bw) << mode;
    Ranges r;
    TRangeRecord& range = r.Add(100 * MHz, 102 * MHz, MHz, 5);
    range.levelSquelch = -110;
    range.dcs = 23;
    range.activeSquelch = static_cast<std::int32_t>(kSquelchLevel | kSquelchDcs);
    ScanSources s = r.Sources(1);
    s.sqToKvr = [](std::int32_t dbm) { return dbm + 130; };
    ScanChannel ch;
    ch.ResetPosition(0);
    std::int32_t changes = 0;
    ASSERT_EQ(NextChannel(ch, s, changes), 100 * MHz);
    EXPECT_EQ(ch.mode, 5);
    EXPECT_EQ(ch.bandwidth, 3000);
    EXPECT_EQ(ch.squelch.level, 20);
    EXPECT_EQ(ch.squelch.dcs, 23);
    EXPECT_EQ(ch.squelchBits, kSquelchLevel | kSquelchDcs);
}

TEST(ScanTimingTable, TheProductNameChoosesTheRow) {
    ScanConstants page;
    page.usb.scanFast = 5;
    struct Case {
        const char* product;
        std::int32_t scanFast, sweepFast, bandFast, sweepMinRssi;
    };
    const Case cases[] = {
        {"LX-Q745 PCI", 3, 7, 7, 180},
        {"LX-Q745 USB", 5, 3, 20, 100},
        {"LX-Q745 SER", 3, 3, 3, 100},
        {"PCI USB SER", 3, 3, 3, 100}, // the last match wins
    };
    for (const Case& c : cases) {
        ScanTimings t;
        t.scanFast = -1;
        PickScanTimings(c.product, page, t);
        EXPECT_EQ(t.scanFast, c.scanFast) << c.product;
        EXPECT_EQ(t.sweepFast, c.sweepFast) << c.product;
        EXPECT_EQ(t.bandFast, c.bandFast) << c.product;
        EXPECT_EQ(t.sweepMinRssi, c.sweepMinRssi) << c.product;
    }
    ScanTimings kept;
    kept.scanFast = 42;
    PickScanTimings("LX-Q745", page, kept);
    EXPECT_EQ(kept.scanFast, 42) << "no interface in the name keeps the values";
}

} // namespace
} // namespace lxq
