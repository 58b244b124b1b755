// The driver host serving traffic for days: what each request leaves behind must be nothing, so
// that the heap is flat once the first requests have set up what stays (sockets' buffers, the
// receiver's state). The serial receiver grew with every command it took.

#include "tests/driver/host/ServedHost.h"

#include <gtest/gtest.h>

namespace lxq::host::test {
namespace {

class HostMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(HostMemory, TheHeapIsFlatAfterWarmUp) {
    ServedHost host(GetParam());
    ASSERT_TRUE(host.Ready());
    constexpr int kWarmUp = 500, kLoops = 3000;
    for (int i = 0; i < kWarmUp; ++i) ASSERT_TRUE(host.Loop());
    const std::int64_t before = ServedHost::HeapInUse();
    for (int i = 0; i < kLoops; ++i) ASSERT_TRUE(host.Loop()) << "loop " << i;
    const std::int64_t grown = ServedHost::HeapInUse() - before;
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
