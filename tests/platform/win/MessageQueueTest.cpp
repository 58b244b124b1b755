#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

using test::Recorder;
using test::WindowTest;

constexpr std::uint32_t kPing = WM_USER + 1;
constexpr std::uint32_t kQuestion = WM_USER + 2;

TEST_F(WindowTest, PostFromAnotherThreadWakesTheBlockedLoop) {
    const Hwnd hwnd = test::MakeTopLevel();
    ASSERT_NE(hwnd, 0u);
    Recorder::Get().OnMessage(hwnd, [](Hwnd, std::uint32_t msg, WParam w, LParam l) -> std::optional<LResult> {
        if (msg != kPing) return std::nullopt;
        EXPECT_EQ(w, 7u);
        EXPECT_EQ(l, -3);
        PostQuitMessage(5);
        return 0;
    });
    test::Watchdog watchdog;
    // The poster starts only once the loop is blocked, so the wake-up is what ends the wait.
    std::thread poster([hwnd] { EXPECT_TRUE(PostMessage(hwnd, kPing, 7, -3)); });
    EXPECT_EQ(test::RunLoop(), 5);
    poster.join();
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, ManyThreadsPostingAndSendingLoseNothingAndKeepEachSendersOrder) {
    constexpr int kThreads = 6;
    constexpr int kEach = 1500; // all of them fit the queue even if the loop falls behind
    const Hwnd hwnd = test::MakeTopLevel();
    std::vector<int> lastSeen(kThreads, -1);
    int received = 0;
    int outOfOrder = 0;
    int finished = 0;
    Recorder::Get().Clear();
    Recorder::Get().OnMessage(hwnd, [&](Hwnd, std::uint32_t msg, WParam w, LParam l) -> std::optional<LResult> {
        if (msg == kPing) {
            const auto sender = static_cast<std::size_t>(w);
            if (l <= lastSeen[sender]) ++outOfOrder;
            lastSeen[sender] = static_cast<int>(l);
            ++received;
            return 0;
        }
        if (msg == kQuestion) {
            if (++finished == kThreads) PostQuitMessage(0);
            return static_cast<LResult>(received);
        }
        return 0; // no recording: keeps the test fast
    });
    test::Watchdog watchdog(20000);
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([hwnd, t] {
            for (int i = 0; i < kEach; ++i) PostMessage(hwnd, kPing, static_cast<WParam>(t), i);
            // Sent messages overtake posted ones, so the answer may be anything up to the total.
            SendMessage(hwnd, kQuestion, 0, 0);
        });
    }
    test::RunLoop();
    for (auto& s : senders) s.join();
    test::Pump();
    EXPECT_EQ(received, kThreads * kEach);
    EXPECT_EQ(outOfOrder, 0);
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, PostedMessagesComeInOrderAndQuitOnlyAfterThem) {
    const Hwnd hwnd = test::MakeTopLevel();
    PostMessage(hwnd, kPing, 1, 0);
    PostQuitMessage(3);
    PostMessage(hwnd, kPing, 2, 0);
    PostThreadMessage(GetCurrentThreadId(), kPing, 3, 0);
    Msg msg;
    std::vector<WParam> order;
    while (GetMessage(&msg, 0, 0, 0)) order.push_back(msg.wParam);
    EXPECT_EQ(order, (std::vector<WParam>{1, 2, 3}));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) << "the quit request is taken once";
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, AFullQueueRefusesPostsUntilItIsEmptied) {
    const Hwnd hwnd = test::MakeTopLevel();
    std::size_t accepted = 0;
    while (accepted < 20000 && PostMessage(hwnd, WM_NULL, 0, 0)) ++accepted;
    EXPECT_EQ(accepted, 10000u);
    EXPECT_FALSE(PostThreadMessage(GetCurrentThreadId(), WM_NULL, 0, 0));
    test::Pump();
    EXPECT_TRUE(PostMessage(hwnd, WM_NULL, 0, 0));
    test::Pump();
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, PeekFiltersByWindowAndRangeAndCanLeaveTheMessage) {
    const Hwnd a = test::MakeTopLevel();
    const Hwnd b = test::MakeTopLevel();
    PostMessage(a, kPing, 1, 0);
    PostMessage(b, kQuestion, 2, 0);
    Msg msg;
    ASSERT_TRUE(PeekMessage(&msg, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessage(&msg, 0, kQuestion, kQuestion, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, b);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, a);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST_F(WindowTest, SendToAnotherThreadRunsThereAndReturnsTheAnswer) {
    const Hwnd hwnd = test::MakeTopLevel();
    const std::uint32_t owner = GetCurrentThreadId();
    Recorder::Get().OnMessage(hwnd, [owner](Hwnd, std::uint32_t msg, WParam w, LParam) -> std::optional<LResult> {
        if (msg == kQuestion) {
            EXPECT_EQ(GetCurrentThreadId(), owner);
            EXPECT_TRUE(InSendMessage());
            return static_cast<LResult>(w * 2);
        }
        if (msg == WM_DESTROY) PostQuitMessage(0);
        return std::nullopt;
    });
    test::Watchdog watchdog;
    std::atomic<LResult> answer{0};
    std::thread sender([&] {
        answer = SendMessage(hwnd, kQuestion, 21, 0);
        PostMessage(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(test::RunLoop(), 0);
    sender.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_FALSE(IsWindow(hwnd)) << "WM_CLOSE destroys by default";
    EXPECT_FALSE(InSendMessage());
}

TEST_F(WindowTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    const Hwnd mine = test::MakeTopLevel();
    std::atomic<Hwnd> theirs{0};
    std::atomic<bool> done{false};
    Recorder::Get().OnMessage(mine, [](Hwnd, std::uint32_t msg, WParam, LParam) -> std::optional<LResult> {
        if (msg == kQuestion) return 11;
        return std::nullopt;
    });
    std::thread other([&] {
        const Hwnd h = test::MakeTopLevel();
        Recorder::Get().OnMessage(h, [&](Hwnd, std::uint32_t msg, WParam, LParam) -> std::optional<LResult> {
            // Asked by the main thread, this one asks back while the main thread waits.
            if (msg == kQuestion) return SendMessage(mine, kQuestion, 0, 0) + 1;
            return std::nullopt;
        });
        theirs = h;
        test::Watchdog watchdog;
        Msg msg;
        while (!done && GetMessage(&msg, 0, 0, 0)) DispatchMessage(msg);
        DestroyWindow(h);
    });
    while (theirs == 0) std::this_thread::yield();
    EXPECT_EQ(SendMessage(theirs, kQuestion, 0, 0), 12);
    done = true;
    PostMessage(theirs, WM_NULL, 0, 0);
    other.join();
    DestroyWindow(mine);
}

TEST_F(WindowTest, LibraryThreadRunsItsOwnMessageWindow) {
    static std::atomic<int> received{0};
    received = 0;
    std::atomic<Hwnd> hidden{0};
    std::thread library([&] {
        const Hwnd h = CreateMessageWindow([](Hwnd hwnd, std::uint32_t msg, WParam w, LParam l) -> LResult {
            if (msg == kPing) {
                received += static_cast<int>(w) + static_cast<int>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
                PostQuitMessage(0);
                return 0;
            }
            return DefWindowProc(hwnd, msg, w, l);
        }, 100);
        hidden = h;
        test::Watchdog watchdog;
        test::RunLoop();
        DestroyWindow(h);
    });
    while (hidden == 0) std::this_thread::yield();
    EXPECT_TRUE(PostMessage(hidden, kPing, 5, 0));
    library.join();
    EXPECT_EQ(received.load(), 105);
    EXPECT_FALSE(IsWindow(hidden)) << "destroyed by its thread";
    EXPECT_FALSE(PostMessage(hidden, kPing, 5, 0));
}

TEST_F(WindowTest, ThreadEndTakesItsWindowsAndRefusesLaterPosts) {
    Hwnd left = 0;
    std::uint32_t thread = 0;
    std::thread t([&] {
        left = test::MakeTopLevel();
        thread = GetCurrentThreadId();
    });
    t.join();
    EXPECT_FALSE(IsWindow(left));
    EXPECT_FALSE(PostMessage(left, kPing, 0, 0));
    EXPECT_FALSE(PostThreadMessage(thread, kPing, 0, 0));
    EXPECT_EQ(SendMessage(left, kPing, 0, 0), 0);
}

TEST_F(WindowTest, PostedTimerMessageCannotCallAnUnregisteredCallback) {
    static bool called = false;
    called = false;
    TimerProc proc = [](Hwnd, std::uint32_t, std::uintptr_t, std::uint32_t) { called = true; };
    const Hwnd hwnd = test::MakeTopLevel();
    PostMessage(hwnd, WM_TIMER, 77, reinterpret_cast<LParam>(proc));
    test::Pump();
    EXPECT_FALSE(called);
    EXPECT_EQ(Recorder::Get().Messages(hwnd, {WM_TIMER}).size(), 1u) << "reaches the window as a plain message";
    DestroyWindow(hwnd);
}

} // namespace
} // namespace plat::win
