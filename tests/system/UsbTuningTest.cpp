// A USB receiver through the real host and the API library is tuned and measured whether its codec
// stream runs or not: the S-meter, the pipelined sweep and the block scan follow the band before
// the stream starts, while it runs, and after it stops.

#include "api/Lxq745Api.h"
#include "tests/support/ScanEndWindow.h"
#include "tests/system/SystemRig.h"

#include <cstring>

namespace lxq::systemtest {
namespace {

constexpr std::uint32_t kStrongHz = 145'000'000, kWeakHz = 145'300'000, kEmptyHz = 146'000'000;

TEST(UsbTuning, TheBandIsMeasuredWithAndWithoutTheCodecStream) {
    plat::sys::test::ScopedChannelNamespace ns("usb-tune");
    Folder folder;
    DriverHost host("usb", "noise -110\nstation 145000000 -60 carrier\nstation 145300000 -85 carrier\n", folder);
    ApiLibrary api;
    auto open = api.Get<std::int32_t(std::int32_t)>("OpenRadioDevice");
    auto close = api.Get<std::int32_t(std::int32_t)>("CloseRadioDevice");
    auto power = api.Get<std::int32_t(std::int32_t, std::int32_t)>("SetPower");
    auto tune = api.Get<std::int32_t(std::int32_t, std::uint32_t)>("SetFrequency");
    auto level = api.Get<std::int32_t(std::int32_t)>("GetSignalStrengthdBm");
    auto setPipelined = api.Get<std::int32_t(std::int32_t, std::uint32_t, std::int32_t, std::uint32_t)>("SetFreqPipelined");
    auto getPipelined =
        api.Get<std::int32_t(std::int32_t, std::int32_t*, std::int32_t*, std::uint32_t*, std::uint32_t*)>("GetSSPipelined");
    auto blockScan = api.Get<std::int32_t(std::int32_t, std::uint32_t*, std::uint32_t, std::int32_t, std::uint32_t,
                                          LXQ_HWND, std::uint32_t)>("BlockScan");
    auto codecStart = api.Get<std::int32_t(std::int32_t, LXQ_CODEC_CALLBACK, void*)>("CodecStart");
    auto codecStop = api.Get<std::int32_t(std::int32_t)>("CodecStop");
    ASSERT_TRUE(open && close && power && tune && level && setPipelined && getPipelined && blockScan && codecStart &&
                codecStop);
    const std::int32_t index = open(0);
    ASSERT_GE(index, 1);
    ASSERT_EQ(power(index, 1), 1);

    const auto measureAll = [&](const char* phase) {
        SCOPED_TRACE(phase);
        // The S-meter at each frequency.
        const struct {
            std::uint32_t hz;
            std::int32_t tenths;
        } expected[] = {{kStrongHz, -600}, {kWeakHz, -850}, {kEmptyHz, -1100}};
        for (const auto& e : expected) {
            ASSERT_EQ(tune(index, e.hz), 1);
            EXPECT_NEAR(level(index), e.tenths, 25) << e.hz;
        }
        // The pipelined sweep: each answer is the level of the frequency before.
        ASSERT_EQ(setPipelined(index, kStrongHz, 1, 0), 0);
        std::int32_t tenths[3] = {};
        const std::uint32_t next[3] = {kWeakHz, kEmptyHz, kStrongHz};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(setPipelined(index, next[i], 0, 0), 0);
            ASSERT_EQ(getPipelined(index, &tenths[i], nullptr, nullptr, nullptr), 0);
        }
        EXPECT_NEAR(tenths[0], -600, 25);
        EXPECT_NEAR(tenths[1], -850, 25);
        EXPECT_NEAR(tenths[2], -1100, 25);
        // The block scan overwrites each frequency with its S-meter value.
        // The list is the scan thread's until the end message comes.
        std::uint32_t list[3] = {kStrongHz, kWeakHz, kEmptyHz};
        lxq_test::ScanEndWindow window;
        ASSERT_EQ(blockScan(index, list, 3, 256, 10, window.Handle(), window.kMessage), 1);
        ASSERT_TRUE(window.WaitForEnd()) << "the scan ends";
        EXPECT_GT(list[0], list[1]);
        EXPECT_GT(list[1], list[2]);
        EXPECT_NEAR(list[0], (1300 - 600) * 255 / 1000, 3);
    };
    measureAll("before the stream");
    ASSERT_EQ(codecStart(index, nullptr, nullptr), 1);
    measureAll("while the stream runs");
    ASSERT_EQ(codecStop(index), 1);
    measureAll("after the stream stopped");
    EXPECT_EQ(close(index), 1);
}

} // namespace
} // namespace lxq::systemtest
