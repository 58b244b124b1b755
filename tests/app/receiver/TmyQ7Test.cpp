// The API-bound receiver without its libraries: the tuning road (limits, correction, blocked
// ranges, display offset, plug-in notifications), the capability block and block-scan messages.

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/PackedFrequency.h"
#include "app/receiver/TmyQ7.h"
#include "app/receiver/TmyQ745.h"
#include "platform/win/MessageApi.h"
#include "tests/app/receiver/ReceiverFixture.h"

namespace lxq::test {
namespace {

class OpenQ7 : public TmyQ745 {
public:
    using TmyQ745::TmyQ745;
    using TmyQ7::SetIsUSversion;
    std::string product = "Q745USB";
    std::string GetProductName() override { return product; }
    // Limits and block as a receiver description of 9 kHz .. 1.8 GHz would give them.
    void Describe(bool us) {
        SetIsUSversion(us);
        Q7Facilities().Apply(kQ745Facilities, 9'000, 1'800'000'000);
        FillRadioDevCaps();
    }
};

class Q7Test : public ClockTest {
protected:
    Q7Test() { log.Attach(rx); }
    std::uint32_t DeviceFrequency() const {
        std::uint32_t packed = 0;
        std::memcpy(&packed, log.Last(0x805)->data.data(), 4);
        return packed;
    }
    OpenQ7 rx{nullptr};
    NoticeLog log;
};

TEST_F(Q7Test, CapabilityBlockOfOneRangeAndElevenModes) {
    rx.Describe(false);
    const RADIODEVCAPS& c = *rx.RadioDevCaps().Header();
    EXPECT_EQ(c.totalSize, 720u);
    EXPECT_EQ(rx.RadioDevCaps().Size(), 720u);
    EXPECT_EQ(c.modeTable, 412u);
    EXPECT_EQ(c.rangeCount, 1u);
    EXPECT_EQ(rx.RadioDevCaps().Ranges()[0].lowKHz, 9u);
    EXPECT_EQ(rx.RadioDevCaps().Ranges()[0].highKHz, 1'800'000u);
    EXPECT_EQ(rx.RadioDevCaps().Modes()[10].mode, 3);
    EXPECT_EQ(rx.RadioDevCaps().Modes()[10].v11025, 11025);
    EXPECT_STREQ(c.product, "Q745USB-demo") << "not opened: the demonstration receiver";
    EXPECT_STREQ(c.manufacturer, "Talvenor Communications");
    EXPECT_STREQ(c.name, "Q745e");
    EXPECT_EQ(c.capabilityBits, 0x16005u);
    EXPECT_EQ(c.volumeMax, 31u);
    EXPECT_EQ(c.v388, 0x380160u);
}

TEST_F(Q7Test, UsVersionBlockLeavesOutTheCellularBands) {
    rx.Describe(true);
    EXPECT_EQ(rx.RadioDevCaps().Header()->modeTable, 436u);
    int blocked = 0;
    std::int64_t blockedAt = 0;
    rx.OnBlockedFrequency = [&](plat::comp::TObject*, std::int64_t f) {
        ++blocked;
        blockedAt = f;
    };
    for (std::int64_t f : {824'000'000LL, 849'000'000LL, 869'000'000LL, 894'000'000LL}) {
        rx.SetFreq(f);
        EXPECT_EQ(rx.GetFreq(), f) << "band edges are tuned";
    }
    rx.SetFreq(100'000'000);
    log.Clear();
    for (std::int64_t f : {824'000'001LL, 848'999'999LL, 869'000'001LL, 893'999'999LL}) rx.SetFreq(f);
    EXPECT_EQ(blocked, 4);
    EXPECT_EQ(blockedAt, 893'999'999);
    EXPECT_EQ(rx.GetFreq(), 100'000'000);
    EXPECT_TRUE(log.notices.empty()) << "a blocked frequency tells nobody";
}

TEST_F(Q7Test, LongProductNameKeepsItsLast32Characters) {
    rx.product = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678"; // 35; with "-demo" 40
    rx.Describe(false);
    EXPECT_EQ(std::string(rx.RadioDevCaps().Header()->product, 32), "IJKLMNOPQRSTUVWXYZ012345678-demo");
}

TEST_F(Q7Test, TuningRoadClampsCorrectsOffsetsAndNotifies) {
    rx.Describe(false);
    rx.SetFreq(5'000'000'000);
    EXPECT_EQ(rx.GetFreq(), 1'800'000'000) << "clamped to the maximum";
    rx.SetCalibFreq(1.5);
    rx.SetFreq(100'000'000);
    EXPECT_EQ(DeviceFrequency(), 100'000'150u);
    EXPECT_EQ(log.Last(0x804)->dwParam, 100'000'150u);
    EXPECT_EQ(log.Last(0x800)->dwParam, 100'000'000u) << "the displayed frequency is stored";

    // A plug-in may rewrite what the device gets, not what is announced or stored.
    rx.FPluginNotify = [&](std::int32_t m, std::uint32_t p, std::int32_t cb, void* d) {
        if (m == 0x805) {
            const std::uint32_t other = 123'456'789;
            std::memcpy(d, &other, 4);
        }
        log.notices.push_back({m, p, cb, {}});
    };
    std::int64_t changing = 0;
    rx.OnQ7FreqChanging = [&](plat::comp::TObject*, std::int64_t& f) { changing = f; };
    rx.SetFreq(200'000'000);
    EXPECT_EQ(log.Last(0x804)->dwParam, 200'000'300u);
    EXPECT_EQ(rx.GetFreq(), 200'000'000);
    EXPECT_EQ(changing, 0) << "no API library: the changing event needs it";
}

TEST_F(Q7Test, DisplayOffsetShiftsLimitsRangesAndKeepsTheDeviceFrequency) {
    rx.Describe(false);
    rx.SetFreq(100'000'000);
    log.Clear();
    rx.SetDispOffset(-10'000'000); // displayed = device + 10 MHz
    EXPECT_EQ(rx.GetFreq(), 110'000'000);
    EXPECT_EQ(DeviceFrequency(), 100'000'000u);
    EXPECT_EQ(rx.Q7Facilities().MinFrequency, 10'009'000);
    EXPECT_EQ(rx.RadioDevCaps().Ranges()[0].lowKHz, 10'009u);
    EXPECT_EQ(log.Codes().front(), kNotifyCapabilitiesChanged);
}

TEST_F(Q7Test, CapabilitiesFromAPluginSetLimitsAndModes) {
    const std::uint32_t ranges = 2, modes = 18;
    const std::uint32_t total = 400 + 12 * ranges + 28 * modes;
    std::vector<std::uint8_t> block(total, 0);
    RADIODEVCAPS h{};
    h.totalSize = total;
    h.rangeCount = ranges;
    h.rangeTable = 400;
    h.modeCount = modes;
    h.modeTable = 424;
    h.sub184 = 430; // an optional sub-block inside the tables
    std::memcpy(block.data(), &h, sizeof h);
    const RADIODEVCAPS_RANGE r[2] = {{100, 200, 1}, {300, 400, 1}};
    std::memcpy(block.data() + 400, r, sizeof r);
    for (std::uint32_t i = 0; i < modes; ++i) {
        const RADIODEVCAPS_MODE m{static_cast<std::int32_t>(i + 1), 100, 0, 11025, 1, {0, 0}};
        std::memcpy(block.data() + 424 + 28 * i, &m, sizeof m);
    }
    rx.SetRadioDevCaps(block.data());
    EXPECT_EQ(rx.Q7Facilities().MinFrequency, 100'000);
    EXPECT_EQ(rx.Q7Facilities().MaxFrequency, 400'000);
    EXPECT_EQ(rx.Q7Facilities().ModesCount, 16);
    EXPECT_EQ(rx.Q7Facilities().GetMode(15), 16);
    EXPECT_EQ(rx.RadioDevCaps().Header()->sub184, 430u) << "offsets need no relocation";
    EXPECT_NE(static_cast<const void*>(rx.RadioDevCaps().Header()), block.data());

    for (auto bad : {std::uint32_t{399}, std::uint32_t{420}}) { // too short; mode table outside
        h.totalSize = bad;
        std::memcpy(block.data(), &h, sizeof h);
        rx.SetRadioDevCaps(block.data());
        EXPECT_EQ(rx.RadioDevCaps().Size(), total) << bad;
    }
}

TEST_F(Q7Test, BlockScanMessagesCalibrateEachLevelWhileScanning) {
    std::vector<std::pair<double, bool>> levels;
    int stops = 0;
    rx.OnBlockScan = [&](plat::comp::TObject*, double ss, bool canUpdate) { levels.push_back({ss, canUpdate}); };
    rx.OnStopBlockScan = [&](plat::comp::TObject*) { ++stops; };
    std::int32_t raws[3] = {0, 255, 51};
    rx.SetScanMode(1);
    plat::win::PostMessage(rx.Window(), kBlockScanMessage, reinterpret_cast<std::uintptr_t>(raws), 3);
    plat::win::PostMessage(rx.Window(), kBlockScanMessage, reinterpret_cast<std::uintptr_t>(raws), 1);
    plat::comp::Application().ProcessMessages();
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_DOUBLE_EQ(levels[0].first, -130.0);
    EXPECT_DOUBLE_EQ(levels[1].first, -30.0);
    EXPECT_EQ(levels[1].second, false);
    EXPECT_EQ(levels[2].second, true);
    EXPECT_EQ(levels[3].second, true) << "a single level may update at once";
    rx.SetScanMode(2);
    plat::win::PostMessage(rx.Window(), kBlockScanMessage, reinterpret_cast<std::uintptr_t>(raws), 3);
    plat::win::PostMessage(rx.Window(), kBlockScanMessage, 0, 0);
    plat::comp::Application().ProcessMessages();
    EXPECT_EQ(levels.size(), 4u) << "paused: dropped";
    EXPECT_EQ(stops, 1);
}

TEST_F(Q7Test, WithoutLibrariesEveryOperationAnswersItsNeutralValue) {
    EXPECT_FALSE(rx.GetInit());
    EXPECT_FALSE(rx.Open(std::string("SN000001")));
    EXPECT_FALSE(rx.Open(1));
    EXPECT_EQ(rx.ChooseToOpen(), 0);
    EXPECT_TRUE(rx.IsConnected());
    EXPECT_EQ(rx.GetDriverPath(), "");
    EXPECT_FALSE(rx.SetRefClk(10'000'000));
    EXPECT_EQ(rx.SetFreqPipelined(1'000'000, 1, 0), -1);
    EXPECT_EQ(rx.GetSSPipelined(nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_FALSE(rx.SetFreqAsync(1'000'000));
    rx.SetAtten(1);
    EXPECT_EQ(rx.GetAtten(), 1) << "the stored value";
    rx.SetPreAmp(1);
    EXPECT_EQ(rx.GetPreAmp(), 0) << "the preamplifier changes only when the receiver agrees";
    EXPECT_EQ(rx.GetFilterValue(), 0);
    EXPECT_DOUBLE_EQ(rx.GetSS(), -2.0);
}

} // namespace
} // namespace lxq::test
