// A receiver that stops answering: the first request that times out shows it as gone to every
// caller of the process, also to one that asks while another thread's request holds the
// receiver, and the first answer that comes again shows it back.

#include "tests/api/ApiFixture.h"

#include <chrono>
#include <future>
#include <mutex>

namespace lxq::api::testing {
namespace {

using NotAnswering = OneReceiverFixture;

// The connection query while another thread holds the device lock, as a long request does.
std::int32_t AskWhileBusy(RadioControl& control, LocalRadio& local, std::int32_t index) {
    std::unique_lock busy(local.deviceLock);
    return std::async(std::launch::async, [&] { return control.IsDeviceConnected(index); }).get();
}

TEST_F(NotAnswering, OneTimeOutShowsTheReceiverGoneToEveryCallerUntilItAnswersAgain) {
    Load();
    const int i = Lib().Open("SN000001");
    ASSERT_EQ(i, 1);
    RadioControl& c = Ctl();
    LocalRadio& local = Lib().Local(i);
    EXPECT_EQ(AskWhileBusy(c, local, i), 1) << "a busy receiver that answers is there";

    device->answering = false;
    EXPECT_EQ(c.SetAtten(i, 1), 0);
    EXPECT_EQ(AskWhileBusy(c, local, i), 0) << "the time-out of another thread's request counts";
    EXPECT_EQ(c.IsDeviceConnected(i), 0);

    device->answering = true;
    EXPECT_EQ(AskWhileBusy(c, local, i), 0) << "nothing has answered yet";
    EXPECT_EQ(c.IsDeviceConnected(i), 1) << "its answer shows it back";
    EXPECT_EQ(AskWhileBusy(c, local, i), 1);
}

TEST_F(NotAnswering, ATuningThatTimedOutLeavesTheFrequencyUnknownSoTheNextOneIsSent) {
    Load();
    const int i = Lib().Open("SN000001");
    ASSERT_EQ(i, 1);
    RadioControl& c = Ctl();
    ASSERT_EQ(c.SetFrequency(i, 10'000'000), 1);

    device->answering = false;
    EXPECT_EQ(c.SetFrequency(i, 12'000'000), 0);
    // The receiver carries the request out as it wakes, after the caller gave up on it.
    device->frequency = 12'000'000;
    device->answering = true;
    EXPECT_EQ(c.SetFrequency(i, 10'000'000), 1);
    EXPECT_EQ(device->frequency, 10'000'000u) << "sent, not skipped as the frequency the cache held";
}

// A cached setting, its set and get exports, the receiver's field, and two values to switch between.
struct CachedSettingCase {
    const char* name;
    std::int32_t (RadioControl::*set)(std::int32_t, std::int32_t);
    std::int32_t (RadioControl::*get)(std::int32_t);
    std::uint32_t FakeReceiverState::*field;
    std::int32_t before, after;
};

TEST_F(NotAnswering, ASettingThatTimedOutIsUnknownSoTheSameValueSetAgainIsSent) {
    static constexpr CachedSettingCase kCases[] = {
        {"power", &RadioControl::SetPower, &RadioControl::GetPower, &FakeReceiverState::power, 1, 0},
        {"attenuator", &RadioControl::SetAtten, &RadioControl::GetAtten, &FakeReceiverState::atten,
         0, 1},
        {"AGC", &RadioControl::SetAgc, &RadioControl::GetAgc, &FakeReceiverState::agc, 2, 1},
        {"IF gain", &RadioControl::SetIfGain, &RadioControl::GetIfGain, &FakeReceiverState::ifGain,
         50, 80},
        {"RF amplifier", &RadioControl::SetRfAmp, &RadioControl::GetRfAmp,
         &FakeReceiverState::rfAmp, 1, 0},
    };
    Load();
    const int i = Lib().Open("SN000001");
    ASSERT_EQ(i, 1);
    RadioControl& c = Ctl();
    // The set request times out, and the receiver carries it out as it wakes, after the caller
    // gave up on it.
    auto timeOut = [&](const CachedSettingCase& k) {
        ASSERT_EQ((c.*k.set)(i, k.before), 1);
        device->answering = false;
        EXPECT_EQ((c.*k.set)(i, k.after), 0);
        (*device).*k.field = static_cast<std::uint32_t>(k.after);
        device->answering = true;
    };
    for (const CachedSettingCase& k : kCases) {
        SCOPED_TRACE(k.name);
        timeOut(k);
        EXPECT_EQ((c.*k.set)(i, k.before), 1);
        EXPECT_EQ((*device).*k.field, static_cast<std::uint32_t>(k.before))
            << "sent, not skipped as the value the cache held";
        EXPECT_EQ((c.*k.get)(i), k.before);
    }
}

TEST_F(NotAnswering, TheUnchangedAgcAnswersWithoutWaitingForARequestUnderWay) {
    Load();
    const int i = Lib().Open("SN000001");
    ASSERT_EQ(i, 1);
    RadioControl& c = Ctl();
    LocalRadio& local = Lib().Local(i);
    const std::int32_t agc = c.GetAgc(i);
    std::unique_lock busy(local.deviceLock);
    auto same = std::async(std::launch::async, [&] { return c.SetAgc(i, agc); });
    const bool answered = same.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    busy.unlock();
    EXPECT_TRUE(answered) << "it waited for the device lock";
    EXPECT_EQ(same.get(), 1);
}

} // namespace
} // namespace lxq::api::testing
