#include "app/receiver/TQ7Facilities.h"

#include <gtest/gtest.h>

#include <vector>

namespace lxq {
namespace {

std::vector<std::int32_t> Modes(const TQ7Facilities& f) {
    std::vector<std::int32_t> out;
    for (int i = 0; i < f.ModesCount; ++i) out.push_back(f.GetMode(i));
    return out;
}

TEST(TQ7Facilities, ModeArrayIsGuardedByModesCount) {
    TQ7Facilities f;
    EXPECT_EQ(f.GetMode(0), 0);
    f.SetMode(0, 5); // ModesCount is 0: dropped
    f.ModesCount = 2;
    EXPECT_EQ(f.GetMode(0), 0);
    f.SetMode(0, 5);
    f.SetMode(1, 4);
    f.SetMode(2, 3); // index equal to ModesCount: dropped
    EXPECT_EQ(f.GetMode(2), 0);
    f.ModesCount = 3;
    EXPECT_EQ(f.GetMode(2), 0);
    EXPECT_EQ(Modes(f), (std::vector<std::int32_t>{5, 4, 0}));
    EXPECT_EQ(f.GetMode(-1), 0);
}

TEST(TQ7Facilities, CountAboveTheArrayNeverReachesPastIt) {
    TQ7Facilities f;
    f.ModesCount = 1000;
    f.SetMode(16, 7);
    f.SetMode(999, 7);
    EXPECT_EQ(f.GetMode(16), 0);
    EXPECT_EQ(f.GetMode(999), 0);
}

TEST(TQ7Facilities, FamilyTablesGiveLimitsAndMenuOrder) {
    struct Case {
        const ModelFacilities* model;
        std::int32_t minSquelch, maxSquelch, maxIfGain;
        std::vector<std::int32_t> modes;
    };
    const Case cases[] = {
        {&kQ7Facilities, -130, -30, 100, {0, 1, 2, 4, 5, 8, 10, 11, 12, 13, 14}},
        {&kQ745Facilities, -130, -30, 100, {0, 1, 2, 4, 5, 8, 11, 12, 13, 14, 3}},
        {&kQ791Facilities, -130, -30, 100, {1, 8, 4, 5, 13, 14, 0, 2}},
        {&kQ786Facilities, -140, -20, 120, {1, 8, 4, 5, 13, 14, 0, 2, 3}},
    };
    for (const auto& c : cases) {
        TQ7Facilities f;
        // Minimum arrives packed (here a scaled value), maximum as plain unsigned Hz.
        f.Apply(*c.model, 0x80000000u | 300'000'000u, 3'300'000'000u);
        EXPECT_EQ(f.MinSquelch, c.minSquelch);
        EXPECT_EQ(f.MaxSquelch, c.maxSquelch);
        EXPECT_EQ(f.MinAGC, 0);
        EXPECT_EQ(f.MaxAGC, 3);
        EXPECT_EQ(f.MinIFGain, 0);
        EXPECT_EQ(f.MaxIFGain, c.maxIfGain);
        EXPECT_EQ(Modes(f), c.modes);
        EXPECT_EQ(f.MinFrequency, 3'000'000'000);
        EXPECT_EQ(f.MaxFrequency, 3'300'000'000);
    }
}

TEST(TQ7Facilities, AssignDropsModesBeyondTheNewCountAndKeepsTheRest) {
    TQ7Facilities target;
    target.Apply(kQ745Facilities, 100'000, 3'300'000'000u);
    TQ7Facilities source;
    source.Apply(kQ791Facilities, 9'000, 2'000'000'000u);
    source.ModesCount = 3;
    source.MaxAGC = 7;

    target.Assign(source);
    EXPECT_EQ(Modes(target), (std::vector<std::int32_t>{1, 8, 4}));
    EXPECT_EQ(target.MinFrequency, 9'000);
    EXPECT_EQ(target.MaxAGC, 7);
    // Entries beyond the new count were not copied: the target's old ids lie behind the count.
    target.ModesCount = 4;
    EXPECT_EQ(target.GetMode(3), 4);
}

} // namespace
} // namespace lxq
