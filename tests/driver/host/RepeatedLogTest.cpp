// Repeated log lines: a few of each kind in a window, the rest counted and told once the window
// has passed; kinds are held back apart from each other.

#include "driver/host/RepeatedLog.h"
#include "platform/sys/Clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lxq::host {
namespace {

TEST(RepeatedLog, AFloodOfOneKindIsWrittenAFewTimesThenCounted) {
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock active(clock);
    std::vector<std::string> written;
    RepeatedLog log([&](const std::string& line) { written.push_back(line); });
    for (int i = 0; i < 1000; ++i) log.Write("refused", "refused " + std::to_string(i));
    log.Write("other", "another kind");
    ASSERT_EQ(written, (std::vector<std::string>{"refused 0", "refused 1", "refused 2", "another kind"}));

    clock.AdvanceMs(RepeatedLog::kWindowMs);
    written.clear();
    log.Write("refused", "refused again");
    EXPECT_EQ(written, (std::vector<std::string>{"lxq745d: 997 more like \"refused\" not written", "refused again"}));
}

} // namespace
} // namespace lxq::host
