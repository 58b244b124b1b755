// Signal-level calibration: the fixed scale, the outside tables through the real calibration
// library, the model's corrections, and the receiver gain from the calibration words.

#include <fstream>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyQ745.h"
#include "app/receiver/TmyQ786.h"
#include "platform/sys/MessageBox.h"
#include "tests/app/receiver/ReceiverFixture.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq::test {
namespace {

class CalibratedQ745 : public TmyQ745 {
public:
    using TmyQ745::TmyQ745;
    using TmyQ7::MutableCalibrationRecord;
};

class CalibrationTest : public ClockTest {
protected:
    void Bind(const std::string& text) {
        std::ofstream(dir.File("test.cal")) << text;
        rx.LoadDLL("no-such-api.dll", "dbmtable.dll");
        rx.SetCalFile(dir.File("test.cal"));
    }
    plat::sys::testing::TempFolder dir;
    CalibratedQ745 rx{nullptr};
};

TEST_F(CalibrationTest, FixedScaleWithoutTheLibrary) {
    EXPECT_DOUBLE_EQ(rx.Calibrate(255, 0), -30.0);
    EXPECT_DOUBLE_EQ(rx.Calibrate(0, 0), -130.0);
    EXPECT_DOUBLE_EQ(rx.CalibrateDBM(-140, 0), -130.0) << "raw 0";
    EXPECT_DOUBLE_EQ(rx.CalibrateDBM(-19, 0), -30.0) << "raw 257 limited to 255";
}

TEST_F(CalibrationTest, WideTableWithAttenuatorAndWithoutPreamplifier) {
    Bind("[LX-Q745]\ntable 3\n100000000 0:-80 255:-80\ntable -1\n100000000 0:-90 255:-90\n");
    rx.SetAtten(1);
    rx.SetCalibWide(1.5);
    rx.SetCalibNarrow(-2.0);
    rx.SetMode(3);
    EXPECT_DOUBLE_EQ(rx.Calibrate(100, 0), -44.5); // -80 + 18 + 16 + 1.5
    rx.SetMode(1);
    EXPECT_DOUBLE_EQ(rx.Calibrate(100, 0), -58.0); // -90 + 18 + 16 - 2
}

TEST_F(CalibrationTest, APluginCorrectionIsAddedToTheTableLevel) {
    Bind("[LX-Q745]\ntable -1\n1000000 0:-130 255:-30\n");
    rx.SetAtten(0);
    NoticeLog log;
    rx.FPluginNotify = [&](std::int32_t m, std::uint32_t, std::int32_t, void* d) {
        if (m != static_cast<std::int32_t>(kvr::kNotifyLevelCorrection)) return;
        auto* c = static_cast<kvr::LevelCorrection*>(d);
        EXPECT_EQ(c->hz, 7'000'000);
        c->correctionDb = 2.5f;
    };
    EXPECT_DOUBLE_EQ(rx.Calibrate(255, 7'000'000), -30.0 + 16 + 2.5);
}

TEST_F(CalibrationTest, OutOfRangeRawLevelsTakeTheFixedScale) {
    Bind("[LX-Q745]\ntable -1\n1000000 0:-1 255:-1\n");
    rx.SetAtten(0);
    // -140 is what a receiver that is not connected reads; as a byte it would be 116.
    EXPECT_DOUBLE_EQ(rx.Calibrate(-140, 0), -140 * 100.0 / 255.0 - 130.0);
    EXPECT_DOUBLE_EQ(rx.Calibrate(255, 0), -1.0 + 16);
}

TEST_F(CalibrationTest, AFileThatFailsToLoadIsNotTriedAgain) {
    Bind("[LX-Q745]\nrubbish\n");
    EXPECT_DOUBLE_EQ(rx.Calibrate(255, 0), -30.0);
    EXPECT_EQ(rx.CalibrationFile(), "");
}

TEST_F(CalibrationTest, ALongTableReachesItsRealLastRowBeforePluginsAreAskedToConvert) {
    // 1,500 rows: more than the 1,000 frequencies the receiver's buffer takes.
    std::string text = "[LX-Q786]\ntable -1\n";
    for (int k = 1; k <= 1500; ++k) text += std::to_string(k * 100'000) + " 0:-100 255:-100\n";
    std::ofstream(dir.File("long.cal")) << text;
    TmyQ786 q786{nullptr};
    q786.LoadDLL("no-such-api.dll", "dbmtable.dll");
    q786.SetCalFile(dir.File("long.cal"));
    q786.SetAtten(0);
    q786.Calibrate(100, 1'000'000); // loads the table and reads its limits
    int asked = 0;
    q786.FPluginNotify = [&](std::int32_t m, std::uint32_t, std::int32_t, void*) {
        if (m == static_cast<std::int32_t>(kvr::kNotifyDeviceFrequency)) ++asked;
    };
    EXPECT_DOUBLE_EQ(q786.Calibrate(100, 120'000'000), -100.0 + 16) << "row 1,200 is in the table";
    EXPECT_EQ(asked, 0);
    q786.Calibrate(100, 150'000'001);
    EXPECT_EQ(asked, 1) << "beyond the last row";
}

TEST_F(CalibrationTest, ReceiverGainFromTheCalibrationWords) {
    LX_Q7_CALIB& c = rx.MutableCalibrationRecord();
    c.words[0] = 800; // w1
    c.words[1] = 600; // w2
    c.words[2] = 400; // w3
    c.words[3] = static_cast<std::uint16_t>(-800); // w4
    c.words[5] = 517; // w6
    EXPECT_NEAR(rx.CalcRecGain(900), 51.7, 1e-9);
    EXPECT_NEAR(rx.CalcRecGain(700), 49.2, 1e-9); // 467 + 100 x 50 / 200 = 492
    EXPECT_NEAR(rx.CalcRecGain(500), 25.7, 1e-9); // 467 + (1 - 0.5) x -420 = 257
}

TEST_F(CalibrationTest, CalibrationWordsAreCheckedBeforeWriting) {
    LX_Q7_CALIB good{};
    good.words[0] = 900;
    good.words[1] = 700;
    good.words[2] = 300;
    good.words[3] = static_cast<std::uint16_t>(-800);
    good.words[5] = 500;
    LX_Q7_CALIB bad = good;
    bad.words[2] = 800; // not falling
    LX_Q7_CALIB lowW3 = good;
    lowW3.words[2] = 200;
    LX_Q7_CALIB badW4 = good;
    badW4.words[3] = static_cast<std::uint16_t>(-500);
    // Without the API library every write fails; only the message tells why.
    int boxes = 0;
    static std::string text;
    auto hook = [](std::uint32_t, std::string_view t, std::string_view, std::uint32_t) {
        text = std::string(t);
        return 1;
    };
    auto previous = plat::sys::SetMessageBoxHook(hook);
    for (const LX_Q7_CALIB* r : {&bad, &lowW3, &badW4}) {
        EXPECT_FALSE(rx.WriteCalibration(*r));
        EXPECT_EQ(text, "Bad calibrating values !");
        ++boxes;
    }
    EXPECT_FALSE(rx.WriteCalibration(good));
    EXPECT_EQ(text, "Incorrect Q7 API !");
    plat::sys::SetMessageBoxHook(previous);
    EXPECT_EQ(boxes, 3);
}

} // namespace
} // namespace lxq::test
