#include "platform/win/HandleTable.h"

#include <gtest/gtest.h>

#include <set>

namespace plat::win {
namespace {

TEST(HandleTable, StaleHandleIsNotMistakenForTheObjectThatReusesItsSlot) {
    HandleTable<int> table;
    const auto first = table.Insert(std::make_shared<int>(1));
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(table.Remove(first));
    const auto second = table.Insert(std::make_shared<int>(2));
    EXPECT_EQ(second & 0xFFFFu, first & 0xFFFFu) << "the slot is reused";
    EXPECT_NE(second, first);
    EXPECT_EQ(table.Find(first), nullptr);
    EXPECT_FALSE(table.Remove(first));
    ASSERT_NE(table.Find(second), nullptr);
    EXPECT_EQ(*table.Find(second), 2);
}

TEST(HandleTable, HandlesAvoidZeroAndTheSpecialValuesOverManyGenerations) {
    HandleTable<int> table;
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 0x10000; ++i) {
        const auto h = table.Insert(std::make_shared<int>(i));
        ASSERT_GT(h, 1u);
        ASSERT_LT(h, 0x80000000u);
        table.Remove(h);
    }
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.Find(0), nullptr);
}

} // namespace
} // namespace plat::win
