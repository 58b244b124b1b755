// The driver host serving traffic for days: what each request leaves behind must be nothing, so
// that the heap is flat once the first requests have set up what stays (sockets' buffers, the
// receiver's state). The serial receiver grew with every command it took.

#include "tests/driver/host/ServedHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace lxq::host::test {
namespace {

class HostMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(HostMemory, TheHeapIsFlatAfterWarmUp) {
    ServedHost host(GetParam());
    ASSERT_TRUE(host.Ready());
    constexpr int kWarmUp = 500, kLoops = 3000;
    for (int i = 0; i < kWarmUp; ++i) ASSERT_TRUE(host.Loop());
    // The host starts a spare event loop (with a record buffer of its own) when a record comes while
    // none waits, and ends it once idle: when that happens depends on the machine's timing, so one
    // window may hold a loop's worth more or less. What each request leaves behind shows in every
    // window, so the least growth of a few windows is the figure.
    std::int64_t grown = INT64_MAX;
    for (int window = 0; window < 3 && grown >= 2048; ++window) {
        const std::int64_t before = ServedHost::HeapInUse();
        for (int i = 0; i < kLoops; ++i) ASSERT_TRUE(host.Loop()) << "loop " << i;
        grown = std::min(grown, ServedHost::HeapInUse() - before);
    }
    // A byte a loop would be 3 kB; the allowance is what one request's buffers may still hold.
    EXPECT_LT(grown, 2048) << grown << " bytes more after " << kLoops << " loops of a tune and a reading";
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostMemory, ::testing::Values("sim-serial", "sim-usb", "sim-pci"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             return name.substr(4);
                         });

} // namespace
} // namespace lxq::host::test
