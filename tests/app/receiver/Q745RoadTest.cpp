// Road test: the Q745 component bound by name to the real API library and calibration library,
// driving the library's simulated (demonstration) receiver through a plug-in host.

#include <fstream>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/sys/Module.h"
#include "platform/win/MessageApi.h"
#include "tests/app/receiver/ReceiverFixture.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq::test {
namespace {

class PolledQ745 : public TmyQ745 {
public:
    using TmyQ745::TmyQ745;
    void PollNow() override {
        ++updates;
        TmyQ745::PollNow();
    }
    int updates = 0;
};

class Q745RoadTest : public ClockTest {
protected:
    Q745RoadTest() {
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        // Level = -200 + raw x 300 / 255 dBm in the narrow table, at every frequency.
        std::ofstream(dir.File("lxq745.cal")) << "[LX-Q745]\ntable -1\n1000000 0:-200 255:100\n";
        rx.SetCalFile(dir.File("lxq745.cal"));
        host.SetReceiver(&rx);
        log.Attach(rx); // beside the host: the test sees what the plug-ins would
    }
    ~Q745RoadTest() override { unsetenv("XDG_DOCUMENTS_DIR"); }

    plat::sys::test::ScopedChannelNamespace ns{"receiver"};
    plat::sys::testing::TempFolder dir;
    NoticeLog log; // outlives the receiver, which reports its closing
    TmyKVRserver host{nullptr};
    PolledQ745 rx{nullptr};
};

TEST_F(Q745RoadTest, TunesTheDemonstrationReceiverAndReadsTheCalibratedLevel) {
    rx.SetInit(true);
    ASSERT_TRUE(rx.GetInit()) << "liblxq745api.so and libdbmtable.so next to the program";
    ASSERT_TRUE(rx.Open(std::string()));
    EXPECT_TRUE(rx.Demo());
    EXPECT_GT(rx.Handle(), 0);
    EXPECT_EQ(log.Codes().back(), kNotifyReceiverOpened);
    EXPECT_EQ(host.ReceiverHandle(), static_cast<std::uint32_t>(rx.Handle()));
    EXPECT_EQ(rx.Q7Facilities().ModesCount, 11);
    EXPECT_GT(rx.Q7Facilities().MaxFrequency, 145'000'000);
    ASSERT_FALSE(rx.RadioDevCaps().Empty());
    EXPECT_EQ(rx.RadioDevCaps().Header()->v252, 16u);
    EXPECT_NE(std::string(rx.RadioDevCaps().Header()->product).find("-demo"), std::string::npos);

    int changed = 0;
    std::int64_t changing = 0;
    rx.OnFrequencyChanged = [&](plat::comp::TObject*) { ++changed; };
    rx.OnQ7FreqChanging = [&](plat::comp::TObject*, std::int64_t& f) { changing = f; };
    rx.SetFreq(145'500'000);
    EXPECT_EQ(changing, 145'500'000);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(rx.GetFreq(), 145'500'000);
    EXPECT_EQ(log.Last(0x800)->dwParam, 145'500'000u);

    // The library itself holds the new frequency, once the request has been carried out.
    rx.FinishRequests();
    auto api = plat::sys::Module::Load("lxq745api.dll");
    auto getFrequency = reinterpret_cast<decltype(&::GetFrequency)>(api->Symbol("GetFrequency"));
    EXPECT_EQ(getFrequency(rx.Handle()), 145'500'000u);

    const double level = rx.GetSS();
    const std::int32_t raw = rx.SignalRaw();
    ASSERT_GE(raw, 0);
    ASSERT_LE(raw, 255);
    const double expected = -200.0 + raw * 300.0 / 255.0 + (rx.GetAtten() != 0 ? 18 : 0) +
                            (rx.GetPreAmp() == 0 ? 16 : 0);
    EXPECT_NEAR(level, expected, 1e-9);
    EXPECT_EQ(static_cast<std::int32_t>(log.Last(0xB05)->dwParam), static_cast<std::int32_t>(level * 10));

    rx.Close();
    EXPECT_EQ(rx.Handle(), 0);
    EXPECT_EQ(getFrequency(1), 0u) << "given back";
}

TEST_F(Q745RoadTest, SettingsReachTheReceiverAndComeBack) {
    rx.SetInit(true);
    ASSERT_TRUE(rx.Open(std::string()));
    rx.SetAGC(2);
    EXPECT_EQ(rx.GetAGC(), 2);
    rx.SetIFGain(40);
    EXPECT_EQ(rx.GetIFGain(), 40);
    rx.SetAtten(1);
    EXPECT_EQ(rx.GetAtten(), 1);
    EXPECT_EQ(log.Last(0xC01)->dwParam, 1u);
}

TEST_F(Q745RoadTest, PollsEveryTwentyMillisecondsWithIntervalOne) {
    rx.SetInit(true);
    ASSERT_TRUE(rx.Open(std::string()));
    rx.SetPower(1);
    rx.SetTimerInterval(1);
    rx.updates = 0;
    Pump(200, 10);
    EXPECT_EQ(rx.updates, 10);
}

TEST_F(Q745RoadTest, ChoosingNoReceiverOpensTheDemonstrationReceiver) {
    rx.SetInit(true);
    int offered = -1;
    rx.OnChooseReceiver = [&](plat::comp::TObject*, const RADIO_INFO*, int count, int& chosen) {
        offered = count;
        chosen = -1;
    };
    EXPECT_EQ(rx.ChooseToOpen(), 1);
    EXPECT_EQ(offered, 0) << "no driver host: no real receiver";
    EXPECT_TRUE(rx.Demo());
}

TEST_F(Q745RoadTest, UnbindingClosesAndABindingAgainLooksEveryExportUpAfresh) {
    rx.SetInit(true);
    ASSERT_TRUE(rx.Open(std::string()));
    rx.SetFreq(10'000'000);
    rx.SetInit(false);
    EXPECT_FALSE(rx.GetInit());
    EXPECT_EQ(rx.Handle(), 0) << "closed with the library";
    EXPECT_TRUE(rx.IsConnected()) << "nothing open: connected";
    rx.SetInit(true);
    ASSERT_TRUE(rx.Open(std::string()));
    rx.SetFreq(20'000'000);
    rx.FinishRequests();
    auto api = plat::sys::Module::Load("lxq745api.dll");
    auto getFrequency = reinterpret_cast<decltype(&::GetFrequency)>(api->Symbol("GetFrequency"));
    EXPECT_EQ(getFrequency(rx.Handle()), 20'000'000u);
}

TEST_F(Q745RoadTest, BlockScanLevelsArriveCalibratedOnTheMainThread) {
    rx.SetInit(true);
    ASSERT_TRUE(rx.Open(std::string()));
    std::vector<std::pair<double, bool>> levels;
    bool stopped = false;
    rx.OnBlockScan = [&](plat::comp::TObject*, double ss, bool canUpdate) { levels.push_back({ss, canUpdate}); };
    rx.OnStopBlockScan = [&](plat::comp::TObject*) { stopped = true; };
    std::int32_t list[4] = {100'000'000, 101'000'000, 102'000'000, 103'000'000};
    ASSERT_TRUE(rx.BlockScan(list, 4, 1000, 1'000'000));
    EXPECT_EQ(rx.GetScanMode(), 1);
    // The scan thread posts its results; waiting for a message is not waiting for time.
    while (!stopped) {
        plat::win::WaitMessage();
        plat::comp::Application().ProcessMessages();
    }
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_TRUE(levels.back().second);
    for (int i = 0; i < 4; ++i) {
        ASSERT_GE(list[i], 0);
        ASSERT_LE(list[i], 255);
        EXPECT_NEAR(levels[i].first, rx.Calibrate(list[i], 0), 1e-9) << "the level measured in place";
    }
    rx.StopBlockScan();
    EXPECT_EQ(rx.GetScanMode(), 0);
}

TEST_F(Q745RoadTest, PipelinedTuningStoresTheDisplayedFrequencyItMeasured) {
    rx.SetInit(true);
    ASSERT_TRUE(rx.Open(std::string()));
    EXPECT_EQ(rx.SetFreqPipelined(100'000'000, 1, 20), 0);
    EXPECT_EQ(rx.GetFreq(), 100'000'000);
    EXPECT_EQ(rx.SetFreqPipelined(100'025'000, 0, 20), 0);
    std::int32_t tenths = 0, raw = -1;
    EXPECT_EQ(rx.GetSSPipelined(&tenths, &raw, nullptr, nullptr), 0);
    EXPECT_EQ(rx.GetFreq(), 100'000'000) << "what was measured";
    EXPECT_EQ(log.Last(0x804)->dwParam, 100'000'000u);
    EXPECT_EQ(rx.GetSSPipelined(&tenths, &raw, nullptr, nullptr), 1) << "nothing pending in the library";
    EXPECT_EQ(rx.GetFreq(), 100'025'000);
    EXPECT_EQ(rx.GetSSPipelined(&tenths, &raw, nullptr, nullptr), -1) << "nothing being measured";
}

// A reading belongs to the frequency it was taken on: a pipeline that a close, or a reading the
// library refused, interrupted reads nothing until a frequency is tuned again, then its own.
TEST_F(Q745RoadTest, AnInterruptedPipelineReadsNothingUntilAFrequencyIsTunedAgain) {
    rx.SetInit(true);
    ASSERT_TRUE(rx.Open(std::string()));
    std::int32_t tenths = 0, raw = -1;
    ASSERT_EQ(rx.SetFreqPipelined(100'000'000, 1, 20), 0);
    ASSERT_EQ(rx.SetFreqPipelined(100'025'000, 0, 20), 0);
    rx.Close();
    ASSERT_TRUE(rx.Open(std::string()));
    EXPECT_EQ(rx.GetSSPipelined(&tenths, &raw, nullptr, nullptr), -1) << "nothing pending after the reopen";

    ASSERT_EQ(rx.SetFreqPipelined(100'050'000, 1, 20), 0);
    EXPECT_EQ(rx.GetSSPipelined(&tenths, &raw, nullptr, nullptr), 1) << "the library had nothing pending";
    ASSERT_EQ(rx.SetFreqPipelined(100'075'000, 0, 20), 0);
    EXPECT_EQ(rx.GetSSPipelined(&tenths, &raw, nullptr, nullptr), -1) << "tuned afresh instead of read";
    ASSERT_EQ(rx.SetFreqPipelined(100'100'000, 0, 20), 0);
    EXPECT_EQ(rx.GetSSPipelined(&tenths, &raw, nullptr, nullptr), 0);
    EXPECT_EQ(rx.GetFreq(), 100'075'000) << "the reading is of the frequency tuned afresh";
}

} // namespace
} // namespace lxq::test
