#include "demod/dsp/RC_Object.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class Recorder : public RC_Object {
public:
    int calls = 0;
    bool lockedDuringCall = false;

protected:
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override {
        ++calls;
        lockedDuringCall = ObjectLock().HeldByCaller();
        RC_Object::OnFlagsChanged(a, b);
    }
};

TEST(RC_Object, FlagChangesRunTheVirtualOnlyWhenABitChanges) {
    Recorder o;
    EXPECT_EQ(o.SetFlags(0x5, 0x100), 1);
    EXPECT_EQ(o.calls, 1);
    EXPECT_TRUE(o.lockedDuringCall);
    EXPECT_EQ(o.FlagsA(), 0x5u);
    EXPECT_EQ(o.FlagsB(), 0x100u);
    EXPECT_EQ(o.SetFlags(0x4, 0), 0) << "already set";
    EXPECT_EQ(o.ClearFlags(0x2, 0x1), 0) << "already clear";
    EXPECT_EQ(o.calls, 1);
    EXPECT_EQ(o.ClearFlags(0x1, 0x100), 1);
    EXPECT_EQ(o.FlagsA(), 0x4u);
    EXPECT_EQ(o.FlagsB(), 0u);
}

TEST(RC_Object, ConcurrentChangesOfDifferentBitsAreAllKept) {
    Recorder o;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&o, t] {
            for (int i = 0; i < 2000; ++i) {
                o.SetFlags(1u << t, 1u << (t + 8));
                o.ClearFlags(1u << t, 0);
                o.SetFlags(1u << t, 0);
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(o.FlagsA(), 0xFFu);
    EXPECT_EQ(o.FlagsB(), 0xFF00u);
}

} // namespace
