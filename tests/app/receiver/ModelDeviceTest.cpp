// The model classes against a stand-in API library: calibration words from the EEPROM, the
// roofing filter, disconnection and the wide-FM level path.

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyQ758.h"
#include "app/receiver/TmyQ791.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Module.h"
#include "tests/app/receiver/ReceiverFixture.h"
#include "tests/app/receiver/fakeapi/FakeApiState.h"

namespace lxq::test {
namespace {

class ModelDeviceTest : public ClockTest {
protected:
    ModelDeviceTest() {
        module_ = plat::sys::Module::Load(LXQ_FAKE_API);
        fake = reinterpret_cast<FakeApiStateProc>(module_->Symbol("fakeApiState"))();
        *fake = FakeApiState{};
    }
    template <typename R>
    void Bind(R& rx) {
        rx.LoadDLL(LXQ_FAKE_API, "dbmtable.dll");
        ASSERT_TRUE(rx.Open(std::string("FAKE0001")));
    }
    std::unique_ptr<plat::sys::Module> module_; // keeps the stand-in's state while the test looks
    FakeApiState* fake = nullptr;
};

void SetWords(LX_Q7_EEPROM& e, int w1, int w2, int w3, int w4, int w5) {
    e.agcStart = static_cast<std::uint16_t>(w1);
    e.agcMid = static_cast<std::uint16_t>(w2);
    e.agcEnd = static_cast<std::uint16_t>(w3);
    e.dropLevel = static_cast<std::int16_t>(w4);
    e.rxGain = static_cast<std::uint16_t>(w5);
}

TEST_F(ModelDeviceTest, Q791TakesValidEepromWordsAndDefaultsAllOfThemOtherwise) {
    SetWords(fake->eeprom, 900, 800, 400, -800, 700);
    TmyQ791 rx{nullptr};
    Bind(rx);
    EXPECT_EQ(rx.CalibrationRecord().words[0], 900);
    EXPECT_EQ(rx.CalibrationRecord().words[4], 700);
    EXPECT_FALSE(rx.Demo());

    SetWords(fake->eeprom, 900, 800, 400, -800, 900); // w5 out of range
    ASSERT_TRUE(rx.ReadCalibration());
    const std::uint16_t defaults[5] = {855, 757, 537, static_cast<std::uint16_t>(-850), 700};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rx.CalibrationRecord().words[i], defaults[i]) << i;
    EXPECT_NEAR(rx.CalcRecGain(900), 70.0, 1e-9) << "w5 in place of w6";
}

TEST_F(ModelDeviceTest, CalibrationWriteIsRereadFromTheEeprom) {
    TmyQ791 rx{nullptr};
    Bind(rx);
    LX_Q7_CALIB record{};
    record.words[4] = 700;
    SetWords(fake->eeprom, 900, 800, 400, -800, 650);
    EXPECT_TRUE(rx.WriteCalibration(record));
    EXPECT_EQ(fake->calibrationWrites, 1);
    EXPECT_EQ(rx.CalibrationRecord().words[4], 650);
    record.words[4] = 900;
    EXPECT_FALSE(rx.WriteCalibration(record)) << "the family's bounds";
    EXPECT_EQ(fake->calibrationWrites, 1);
}

TEST_F(ModelDeviceTest, Q758RoofingFilterIsInOnlyAtFifteen) {
    TmyQ758 rx{nullptr};
    Bind(rx);
    rx.SetRoofFilter(7);
    EXPECT_EQ(fake->roofing.back(), 0);
    EXPECT_EQ(rx.GetRoofFilter(), 0);
    rx.SetRoofFilter(15);
    EXPECT_EQ(fake->roofing.back(), 1);
    EXPECT_EQ(rx.GetRoofFilter(), 15);
    EXPECT_EQ(rx.GetUserDefName(), "Q786e");
}

TEST_F(ModelDeviceTest, DisconnectFiresOncePerArming) {
    TmyQ758 rx{nullptr};
    Bind(rx);
    int disconnects = 0;
    rx.OnDisconnect = [&](plat::comp::TObject*) { ++disconnects; };
    fake->connected = false;
    EXPECT_FALSE(rx.IsConnected());
    EXPECT_FALSE(rx.IsConnected());
    EXPECT_EQ(disconnects, 1);
    fake->connected = true;
    EXPECT_TRUE(rx.IsConnected());
    fake->connected = false;
    rx.IsConnected();
    EXPECT_EQ(disconnects, 2);
}

TEST_F(ModelDeviceTest, Q786InWideFmTakesTheRawLevelAsItIs) {
    NoticeLog log; // outlives the receiver, which reports its closing
    TmyQ758 rx{nullptr};
    Bind(rx);
    log.Attach(rx);
    rx.SetMode(3);
    fake->raw = 255;
    rx.UpdateNow();
    EXPECT_EQ(log.Last(0xB04)->dwParam, 255u);
    EXPECT_EQ(rx.SignalRaw(), 255);
    EXPECT_DOUBLE_EQ(rx.SignalLevel(), -20.0) << "fixed scale of the family";
}

} // namespace
} // namespace lxq::test
