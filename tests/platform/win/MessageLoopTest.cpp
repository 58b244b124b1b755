#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/sys/Clock.h"
#include "platform/win/MessageLoop.h"
#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

using test::Recorder;

class MessageLoopTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        hwnd_ = test::MakeTopLevel();
    }
    void TearDown() override {
        DestroyWindow(hwnd_);
        WindowTest::TearDown();
    }
    sys::FakeClock clock_;
    sys::ScopedClock scoped_{clock_};
    MessageLoop loop_;
    Hwnd hwnd_ = 0;
};

TEST_F(MessageLoopTest, IdleHookThatIsDoneLetsTheLoopWaitForTheNextMessage) {
    int idleCalls = 0;
    int ticks = 0;
    Recorder::Get().OnMessage(hwnd_, [&](Hwnd h, std::uint32_t msg, WParam, LParam) -> std::optional<LResult> {
        if (msg != WM_TIMER) return std::nullopt;
        if (++ticks == 3) {
            KillTimer(h, 1);
            PostQuitMessage(7);
        }
        return 0;
    });
    loop_.SetIdleHook([&] {
        ++idleCalls;
        return true;
    });
    SetTimer(hwnd_, 1, 100, nullptr);
    const auto start = clock_.NowMs();
    EXPECT_EQ(loop_.Run(), 7);
    // Once before each wait: at the start and after the first two ticks; the quit ends the loop.
    EXPECT_EQ(idleCalls, 3);
    EXPECT_EQ(clock_.NowMs() - start, 300) << "waiting advanced the fake clock tick by tick";
}

TEST_F(MessageLoopTest, IdleHookThatIsNotDoneIsCalledAgainWithoutWaiting) {
    int idleCalls = 0;
    int posted = 0;
    Recorder::Get().OnMessage(hwnd_, [&](Hwnd, std::uint32_t msg, WParam, LParam) -> std::optional<LResult> {
        if (msg == WM_USER) ++posted;
        return std::nullopt;
    });
    // Like a scanner stepping in the idle handler: it asks to be called again until it finishes,
    // and messages posted in between are still handled.
    loop_.SetIdleHook([&] {
        ++idleCalls;
        if (idleCalls % 2 == 0) PostMessage(hwnd_, WM_USER, 0, 0);
        if (idleCalls == 10) PostQuitMessage(0);
        return false;
    });
    test::Watchdog watchdog(1000);
    const auto start = clock_.NowMs();
    EXPECT_EQ(loop_.Run(), 0);
    EXPECT_EQ(idleCalls, 10);
    EXPECT_EQ(posted, 5);
    EXPECT_EQ(clock_.NowMs(), start) << "never waited";
}

TEST_F(MessageLoopTest, ModalLoopInsideAModalLoop) {
    constexpr std::uint32_t kOpenOuter = WM_USER + 1;
    constexpr std::uint32_t kOpenInner = WM_USER + 2;
    constexpr std::uint32_t kCloseInner = WM_USER + 3;
    constexpr std::uint32_t kCloseOuter = WM_USER + 4;
    std::string trace;
    bool outerDone = false;
    bool innerDone = false;
    Recorder::Get().OnMessage(hwnd_, [&](Hwnd h, std::uint32_t msg, WParam, LParam) -> std::optional<LResult> {
        switch (msg) {
        case kOpenOuter:
            trace += "outer{";
            PostMessage(h, kOpenInner, 0, 0);
            EXPECT_TRUE(loop_.RunModal([&] { return outerDone; }));
            trace += "}outer";
            PostQuitMessage(3);
            return 0;
        case kOpenInner:
            trace += "inner{";
            EXPECT_EQ(loop_.ModalDepth(), 1);
            PostMessage(h, kCloseInner, 0, 0);
            EXPECT_TRUE(loop_.RunModal([&] { return innerDone; }));
            EXPECT_EQ(loop_.ModalDepth(), 1);
            trace += "}inner";
            PostMessage(h, kCloseOuter, 0, 0);
            return 0;
        case kCloseInner:
            EXPECT_EQ(loop_.ModalDepth(), 2);
            innerDone = true;
            return 0;
        case kCloseOuter:
            outerDone = true;
            return 0;
        default:
            return std::nullopt;
        }
    });
    test::Watchdog watchdog(1000);
    PostMessage(hwnd_, kOpenOuter, 0, 0);
    EXPECT_EQ(loop_.Run(), 3);
    EXPECT_EQ(trace, "outer{inner{}inner}outer");
    EXPECT_EQ(loop_.ModalDepth(), 0);
}

TEST_F(MessageLoopTest, QuitInsideNestedModalLoopsEndsEveryLoop) {
    int depthSeen = 0;
    Recorder::Get().OnMessage(hwnd_, [&](Hwnd h, std::uint32_t msg, WParam w, LParam) -> std::optional<LResult> {
        if (msg != WM_USER) return std::nullopt;
        if (w < 2) {
            PostMessage(h, WM_USER, w + 1, 0);
            EXPECT_FALSE(loop_.RunModal([] { return false; })) << "ended by the quit request";
        } else {
            depthSeen = loop_.ModalDepth();
            PostQuitMessage(9);
        }
        return 0;
    });
    test::Watchdog watchdog(1000);
    PostMessage(hwnd_, WM_USER, 0, 0);
    EXPECT_EQ(loop_.Run(), 9);
    EXPECT_EQ(depthSeen, 2);
}

TEST_F(MessageLoopTest, MessageHookCanSwallowMessages) {
    loop_.SetMessageHook([](Msg& m) { return m.message == WM_USER; });
    PostMessage(hwnd_, WM_USER, 0, 0);
    PostMessage(hwnd_, WM_USER + 1, 0, 0);
    loop_.ProcessMessages();
    EXPECT_EQ(Recorder::Get().Messages(hwnd_, {WM_USER, WM_USER + 1}), (std::vector<std::uint32_t>{WM_USER + 1}));
}

TEST(MessageLoopRealClock, PostFromAnotherThreadWakesAWaitingModalLoop) {
    MessageLoop loop;
    bool finished = false;
    const Hwnd hwnd = CreateMessageWindow([](Hwnd h, std::uint32_t msg, WParam w, LParam l) -> LResult {
        if (msg == WM_USER) *reinterpret_cast<bool*>(GetWindowLongPtr(h, GWLP_USERDATA)) = true;
        return DefWindowProc(h, msg, w, l);
    }, reinterpret_cast<LParam>(&finished));
    test::Watchdog watchdog(5000);
    std::thread poster([hwnd] { PostMessage(hwnd, WM_USER, 0, 0); });
    EXPECT_TRUE(loop.RunModal([&] { return finished; }));
    poster.join();
    DestroyWindow(hwnd);
}

} // namespace
} // namespace plat::win
