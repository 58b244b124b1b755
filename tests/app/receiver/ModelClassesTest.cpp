// What the model classes change: libraries and names, squelch units, IF gain in dB, gain maps,
// fixed scales and the plug-in commands of their own.

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyQ745.h"
#include "app/receiver/TmyQ758.h"
#include "app/receiver/TmyQ786.h"
#include "app/receiver/TmyQ786bw30.h"
#include "app/receiver/TmyQ791.h"
#include "tests/app/receiver/ReceiverFixture.h"

namespace lxq::test {
namespace {

class ModelTest : public ClockTest {};

TEST_F(ModelTest, EachModelNamesItsCalibrationAndSquelchUnits) {
    TmyQ7 q7{nullptr};
    TmyQ745 q745{nullptr};
    TmyQ791 q791{nullptr};
    TmyQ786 q786{nullptr};
    TmyQ786bw30 bw30{nullptr};
    TmyQ758 q758{nullptr};
    struct Case {
        TmyQ7* rx;
        const char* file;
        const char* section;
        const char* name;
        std::int32_t unitsAtMinus130;
    };
    for (const Case& c : {Case{&q7, "lxq712.cal", "LX-Q712", "Q712", 0},
                          Case{&q745, "lxq745.cal", "LX-Q745", "Q745", 0},
                          Case{&q791, "lxq7230.cal", "LX-Q723", "Q723", 10},
                          Case{&q786, "lxq786.cal", "LX-Q786", "Q786", 10},
                          Case{&bw30, "lxq786.cal", "LX-Q786", "Q786", 10},
                          Case{&q758, "lxq758.cal", "LX-Q758", "Q786", 10}}) {
        SCOPED_TRACE(c.rx->ClassName());
        EXPECT_EQ(c.rx->CalibrationFile(), c.file);
        EXPECT_EQ(c.rx->CalibSection(), c.section);
        EXPECT_EQ(c.rx->GetUserDefName(), c.name) << "no receiver open: no interface letter";
        EXPECT_EQ(c.rx->SQtoKVR(-130), c.unitsAtMinus130);
        EXPECT_EQ(c.rx->KVRtoSQ(c.rx->SQtoKVR(-77)), -77);
    }
}

TEST_F(ModelTest, IfGainInDecibelsMapsOntoTheReceiversScale) {
    TmyQ791 rx{nullptr};
    NoticeLog log;
    log.Attach(rx);
    const std::pair<int, int> table[] = {{10, 20}, {11, 21}, {30, 35}, {31, 35}, {109, 74},
                                         {110, 76}, {119, 94}, {120, 100}, {0, 0}};
    for (auto [db, gain] : table) {
        rx.SetIfGainDB(db);
        EXPECT_EQ(rx.GetIFGain(), gain) << db;
        EXPECT_EQ(static_cast<std::int32_t>(log.Last(0xD06)->dwParam), db);
        EXPECT_EQ(rx.GetSettings(0xD06, 0, nullptr), db);
    }
    rx.NotifyReceiver(0xE02, 120, 0, nullptr);
    EXPECT_EQ(rx.GetIFGain(), 100);
}

TEST_F(ModelTest, Q791LevelComesFromThePluginAndRecordingIsReported) {
    TmyQ791 rx{nullptr};
    rx.NotifyReceiver(0xB03, static_cast<std::uint32_t>(-735), 0, nullptr);
    EXPECT_DOUBLE_EQ(rx.GetSS(), -73.5);
    EXPECT_EQ(rx.GetSettings(0xD07, 0, nullptr), 0x2BC0000);
    std::vector<std::uint32_t> recordings;
    rx.OnRecording = [&](plat::comp::TObject*, std::uint32_t s, const void*) { recordings.push_back(s); };
    rx.NotifyReceiver(0x110C, 1, 0, nullptr);
    rx.NotifyReceiver(0x110C, 1, 0, nullptr);
    rx.NotifyReceiver(0x110C, 0, 0, nullptr);
    EXPECT_EQ(recordings, (std::vector<std::uint32_t>{1, 0}));
    EXPECT_EQ(rx.GetSettings(0xE08, 0, nullptr), 0);
    // The demonstration receiver takes its gain word and calibration record from a plug-in.
    LX_Q7_CALIB record{};
    record.words[4] = 650;
    rx.NotifyReceiver(0xE03, 0x3000000, sizeof record, &record);
    EXPECT_EQ(rx.InternalRssi(), 0x3000000u);
    EXPECT_EQ(rx.CalibrationRecord().words[4], 650);
}

TEST_F(ModelTest, Q786FixedScaleIfGainMapAndSpectrumFlag) {
    TmyQ786 rx{nullptr};
    EXPECT_DOUBLE_EQ(rx.Calibrate(255, 0), -20.0);
    EXPECT_DOUBLE_EQ(rx.Calibrate(0, 0), -140.0);
    const std::pair<int, double> table[] = {{0, 0}, {39, 11}, {41, 11 + 8 * 2 / 5.0}, {79, 70},
                                            {999, 70 + 930 * 920 / 921.0}, {-5, 0}, {5000, 70 + 930 * 920 / 921.0}};
    for (auto [a, gain] : table) EXPECT_NEAR(rx.CalcIfGain(a), gain, 1e-9) << a;
    rx.NotifyReceiver(0x110F, 1, 0, nullptr);
    EXPECT_TRUE(rx.InvertSpectrum()) << "stored even without the library";
    EXPECT_EQ(rx.GetSettings(0xD09, 0, nullptr), 1);
}

TEST_F(ModelTest, Q758RoofingFilterWithoutItsLibraryReadsOut) {
    TmyQ758 rx{nullptr};
    rx.SetRoofFilter(15);
    EXPECT_EQ(rx.GetRoofFilter(), 0);
}

} // namespace
} // namespace lxq::test
