#include "app/receiver/SquelchSettings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lxq {
namespace {

TEST(SquelchSettings, UnsetFillReadsAsNotSetInEverySignedField) {
    SQUELCH_SETTINGS s;
    std::memset(&s, kSquelchUnsetByte, sizeof s);
    EXPECT_EQ(s.level, kSquelchValueUnset);
    EXPECT_EQ(s.noise, kSquelchValueUnset);
    EXPECT_EQ(s.dcs, kSquelchValueUnset);
    EXPECT_EQ(s.ctcss, 0xFEFEFEFEu);
}

} // namespace
} // namespace lxq
