// The block scan, observed as the caller sees it: messages in the caller's window queue and the
// caller's list overwritten with levels.

#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"
#include "tests/api/ApiFixture.h"

#include <atomic>
#include <cstring>
#include <numeric>

namespace lxq::api::testing {
namespace {

constexpr std::uint32_t kScanMessage = 0x0400 + 77;
constexpr std::uintptr_t kGuardTimer = 99;
constexpr std::uint32_t kForever = 1'000'000;

struct Report {
    std::uintptr_t first;
    std::intptr_t count;
    bool IsEnd() const { return first == 0 && count == 0; }
};

class BlockScan : public ApiFixture {
protected:
    void SetUp() override {
        ApiFixture::SetUp();
        window = plat::win::CreateMessageWindow(
            [](plat::win::Hwnd, std::uint32_t, plat::win::WParam, plat::win::LParam)
                -> plat::win::LResult { return 0; });
        ASSERT_NE(window, 0u);
    }
    void TearDown() override { plat::win::DestroyWindow(window); }

    // Takes the scan's messages from the queue up to and including `ends` end messages. A guard
    // timer fails the test instead of letting it hang (not under a fake clock, whose idle waits
    // jump to the next timer at once).
    std::vector<Report> Collect(int ends = 1, bool guard = true) {
        if (guard) plat::win::SetTimer(window, kGuardTimer, 20'000, nullptr);
        std::vector<Report> reports;
        plat::win::Msg msg;
        while (ends > 0 && plat::win::GetMessage(&msg, 0, 0, 0)) {
            if (msg.message == plat::win::WM_TIMER && msg.wParam == kGuardTimer) {
                ADD_FAILURE() << "the scan never ended";
                break;
            }
            if (msg.message != kScanMessage) continue;
            reports.push_back({msg.wParam, msg.lParam});
            if (reports.back().IsEnd()) --ends;
        }
        plat::win::KillTimer(window, kGuardTimer);
        return reports;
    }
    std::uintptr_t At(const std::vector<std::uint32_t>& list, std::size_t k) {
        return reinterpret_cast<std::uintptr_t>(list.data() + k);
    }
    // Progress reports must cover entries 0.. consecutively; returns how many were reported.
    std::size_t CheckConsecutive(const std::vector<Report>& reports,
                                 const std::vector<std::uint32_t>& list) {
        std::size_t next = 0;
        for (const Report& r : reports) {
            if (r.IsEnd()) continue;
            EXPECT_EQ(r.first, At(list, next));
            EXPECT_GT(r.count, 0);
            next += static_cast<std::size_t>(r.count);
        }
        return next;
    }

    plat::win::Hwnd window = 0;
};

TEST_F(BlockScan, StopLevelZeroEndsAfterTheFirstEntry) {
    Load();
    const int i = Lib().Open(nullptr);
    std::vector<std::uint32_t> list = {10'000'000, 11'000'000, 12'000'000};
    ASSERT_EQ(api->Scanner().Start(i, list.data(), 3, 0, kForever, window, kScanMessage), 1);
    const auto reports = Collect();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].first, At(list, 0));
    EXPECT_EQ(reports[0].count, 1);
    EXPECT_TRUE(reports[1].IsEnd());
    EXPECT_LE(list[0], 255u);
    EXPECT_EQ(list[1], 11'000'000u) << "entries not reached keep their frequency";
}

TEST_F(BlockScan, HighStopLevelScansAllWithOneReportThenTheEnd) {
    Load();
    const int i = Lib().Open(nullptr);
    std::vector<std::uint32_t> list(500, 50'000'000);
    ASSERT_EQ(api->Scanner().Start(i, list.data(), 500, 256, kForever, window, kScanMessage), 1);
    const auto reports = Collect();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].first, At(list, 0));
    EXPECT_EQ(reports[0].count, 500);
    for (std::uint32_t v : list) EXPECT_LE(v, 255u);
}

// A clock that moves on by 1 ms each time it is read.
class TickingClock final : public plat::sys::Clock {
public:
    plat::sys::Nanoseconds Now() const override {
        return now_.fetch_add(plat::sys::kNsPerMs) + plat::sys::kNsPerMs;
    }
    void Sleep(plat::sys::Nanoseconds d) override { now_.fetch_add(d); }
    bool IsFake() const override { return true; }

private:
    mutable std::atomic<plat::sys::Nanoseconds> now_{plat::sys::kNsPerSecond};
};

TEST_F(BlockScan, ReportsOnlyWhenMoreThanTheIntervalHasPassed) {
    Load();
    const int i = Lib().Open(nullptr);
    std::vector<std::uint32_t> list(20, 10'000'000);
    {
        plat::sys::FakeClock still;
        plat::sys::ScopedClock use(still);
        ASSERT_EQ(api->Scanner().Start(i, list.data(), 20, 256, 0, window, kScanMessage), 1);
        const auto reports = Collect(1, false);
        ASSERT_EQ(reports.size(), 2u) << "no time passed: one report at the end";
        EXPECT_EQ(reports[0].count, 20);
    }
    {
        TickingClock ticking;
        plat::sys::ScopedClock use(ticking);
        ASSERT_EQ(api->Scanner().Start(i, list.data(), 20, 256, 0, window, kScanMessage), 1);
        const auto reports = Collect(1, false);
        ASSERT_EQ(reports.size(), 21u) << "time passes at every step: a report per entry";
        EXPECT_EQ(CheckConsecutive(reports, list), 20u);
    }
}

TEST_F(BlockScan, EmptyListYieldsOnlyTheEnd) {
    Load();
    const int i = Lib().Open(nullptr);
    std::uint32_t none = 0;
    ASSERT_EQ(api->Scanner().Start(i, &none, 0, 256, kForever, window, kScanMessage), 1);
    const auto reports = Collect();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].IsEnd());
    EXPECT_EQ(api->Scanner().Start(i, nullptr, 3, 256, kForever, window, kScanMessage), 0);
    EXPECT_EQ(api->Scanner().Start(9, &none, 0, 256, kForever, window, kScanMessage), 0);
}

TEST_F(BlockScan, ASecondScanEndsTheFirstBeforeItBegins) {
    Load();
    const int i = Lib().Open(nullptr);
    std::vector<std::uint32_t> first(200'000, 10'000'000), second(100, 20'000'000);
    ASSERT_EQ(api->Scanner().Start(i, first.data(), 200'000, 256, 0, window, kScanMessage), 1);
    api->Scanner().Pause(i);
    ASSERT_EQ(api->Scanner().Start(i, second.data(), 100, 256, kForever, window, kScanMessage), 1);
    const auto reports = Collect(2);
    const auto firstEnd = std::find_if(reports.begin(), reports.end(),
                                       [](const Report& r) { return r.IsEnd(); });
    ASSERT_NE(firstEnd, reports.end());
    const std::vector<Report> firstScan(reports.begin(), firstEnd);
    const std::vector<Report> secondScan(firstEnd + 1, reports.end());
    EXPECT_LT(CheckConsecutive(firstScan, first), first.size()) << "stopped early";
    EXPECT_EQ(CheckConsecutive(secondScan, second), second.size());
}

TEST_F(BlockScan, PauseResumeAndStop) {
    Load();
    const int i = Lib().Open(nullptr);
    EXPECT_EQ(api->Scanner().Pause(i), 0) << "no scan";
    EXPECT_EQ(api->Scanner().Resume(i), 0);
    EXPECT_EQ(api->Scanner().Stop(i), 1);
    std::vector<std::uint32_t> list(300'000, 10'000'000);
    const auto n = static_cast<std::uint32_t>(list.size());
    // Paused and resumed, the scan still covers the whole list.
    ASSERT_EQ(api->Scanner().Start(i, list.data(), 2'000, 256, kForever, window, kScanMessage), 1);
    EXPECT_EQ(api->Scanner().Pause(i), 1);
    EXPECT_EQ(api->Scanner().Resume(i), 1);
    EXPECT_EQ(CheckConsecutive(Collect(), list), 2'000u);
    // Paused, then stopped: it ends at once, with what it measured reported.
    ASSERT_EQ(api->Scanner().Start(i, list.data(), n, 256, 0, window, kScanMessage), 1);
    EXPECT_EQ(api->Scanner().Pause(i), 1);
    EXPECT_EQ(api->Scanner().Stop(i), 1);
    const auto reports = Collect();
    EXPECT_TRUE(reports.back().IsEnd());
    EXPECT_LT(CheckConsecutive(reports, list), list.size());
    EXPECT_EQ(Read(Lib().Slot(i).scanRunning), 0u);
}

TEST_F(BlockScan, RealReceiverDirectAndPipelinedMethodsWriteTheDeviceLevels) {
    for (const char* model : {"Q7PCIv13", "Q7USBv20"}) {
        SCOPED_TRACE(model);
        plat::sys::test::ScopedChannelNamespace own("scan");
        auto device = std::make_shared<FakeReceiverState>();
        std::memcpy(device->eeprom.modelId, model, 8);
        device->level = -800; // S-meter 127
        auto provider = std::make_unique<FakeProvider>();
        provider->devices["/dev/lxq745/0"] = device;
        provider->order = {"/dev/lxq745/0"};
        RadioLibrary::Options options;
        options.devices = std::move(provider);
        options.configPath = dir.File("none.ini");
        ReceiverApi local(std::move(options));
        const int i = local.Library().Open("SN000001");
        ASSERT_EQ(i, 1);
        std::vector<std::uint32_t> list = {10'000'000, 20'000'000, 30'000'000, 40'000'000};
        device->log.clear();
        ASSERT_EQ(local.Scanner().Start(i, list.data(), 4, 256, kForever, window, kScanMessage), 1);
        EXPECT_EQ(CheckConsecutive(Collect(), list), 4u);
        EXPECT_EQ(list, (std::vector<std::uint32_t>{127, 127, 127, 127}));
        const bool direct = model[2] == 'P';
        EXPECT_EQ(device->Count(IOCTL_LXQ745_SET_FREQ_PIPELINED), direct ? 0u : 5u);
        EXPECT_EQ(device->Count(IOCTL_LXQ745_GET_SIGNAL_STRENGTH), direct ? 4u : 0u);

        // A failing measurement ends the scan at once: only the end message, the list intact.
        device->failing = {IOCTL_LXQ745_GET_SIGNAL_STRENGTH, IOCTL_LXQ745_SET_FREQ_PIPELINED};
        std::vector<std::uint32_t> again = {10'000'000, 20'000'000};
        ASSERT_EQ(local.Scanner().Start(i, again.data(), 2, 256, kForever, window, kScanMessage), 1);
        const auto reports = Collect();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(again[0], 10'000'000u) << "a failure is not a full-scale reading";
    }
}

} // namespace
} // namespace lxq::api::testing
