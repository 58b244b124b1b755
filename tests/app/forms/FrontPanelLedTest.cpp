#include "app/forms/FrontPanelLed.h"

#include <gtest/gtest.h>

namespace lxq {
namespace {

TEST(FrontPanelLed, PatternsBySettingPowerAndInterface) {
    using P = std::vector<std::uint8_t>;
    const struct {
        std::int32_t setting;
        bool powered;
        const char* product;
        P patterns;
    } cases[] = {
        {1, false, "LX-Q745", {255}},      {2, true, "LX-Q745 USB", {0}},  {3, true, "LX-Q745 USB", {95}},
        {3, false, "LX-Q745 USB", {160}},  {3, true, "LX-Q745 SER", {127}}, {3, false, "LX-Q745 SER", {128}},
        {3, true, "LX-Q745 PCI", {}},      {0, true, "USB+SER", {95, 127}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrontPanelLedPatterns(c.setting, c.powered, c.product), c.patterns)
            << c.setting << " " << c.powered << " " << c.product;
}

} // namespace
} // namespace lxq
