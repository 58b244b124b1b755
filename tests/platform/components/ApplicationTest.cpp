#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/components/HiddenWindow.h"
#include "platform/components/TButton.h"
#include "platform/components/TForm.h"
#include "platform/components/THintWindow.h"
#include "platform/components/TLabel.h"
#include "platform/components/TTimer.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"
#include "tests/platform/components/UiTest.h"

namespace plat::comp {
namespace {

using test::UiTest;

class ApplicationTest : public UiTest {
protected:
    ~ApplicationTest() override {
        Application().OnIdle = nullptr;
        Application().OnMessage = nullptr;
    }
};

TEST_F(ApplicationTest, IdleHandlerThatIsNotDoneIsCalledAgainAtOnce) {
    int calls = 0;
    Application().OnIdle = [&](TObject* sender, bool& done) {
        EXPECT_EQ(sender, &Application());
        ++calls;
        done = false;
        if (calls == 5) Application().Terminate();
    };
    // No message ever arrives: only "not done" keeps the loop from waiting.
    while (!Application().Terminated()) Application().HandleMessage();
    EXPECT_EQ(calls, 5);
}

TEST_F(ApplicationTest, IdleHandlerThatIsDoneWaitsUntilAPostFromAnotherThread) {
    auto* form = new TForm(nullptr);
    const win::Hwnd hwnd = form->Handle();
    std::vector<std::uint32_t> seen;
    Application().OnMessage = [&](win::Msg& msg, bool&) {
        if (msg.hwnd == hwnd) seen.push_back(msg.message);
    };
    int calls = 0;
    Application().OnIdle = [&](TObject*, bool& done) {
        ++calls;
        done = true;
        if (calls == 1) {
            // The loop is about to wait; only this post can wake it.
            std::thread([hwnd] { win::PostMessage(hwnd, win::WM_USER + 123, 0, 0); }).join();
        }
    };
    Application().HandleMessage(); // idle, then the wait ends with the post
    Application().HandleMessage(); // the posted message
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, std::vector<std::uint32_t>{win::WM_USER + 123});
    delete form;
}

TEST_F(ApplicationTest, MessageHookSeesMessagesFirstAndCanSwallowThem) {
    auto* form = new TForm(nullptr);
    int closes = 0;
    form->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++closes;
        canClose = false;
    };
    TApplicationEvents events(nullptr);
    int hooked = 0;
    events.OnMessage = [&](win::Msg& msg, bool& handled) {
        if (msg.message != win::WM_CLOSE) return;
        ++hooked;
        handled = hooked == 1; // swallow the first close request only
    };
    win::PostMessage(form->Handle(), win::WM_CLOSE, 0, 0);
    win::PostMessage(form->Handle(), win::WM_CLOSE, 0, 0);
    Application().ProcessMessages();
    EXPECT_EQ(hooked, 2);
    EXPECT_EQ(closes, 1) << "the swallowed request never reached the form";
    delete form;
}

TEST_F(ApplicationTest, EveryApplicationEventsComponentHearsIdleAndDoneNeedsAllOfThem) {
    TApplicationEvents a(nullptr);
    TApplicationEvents b(nullptr);
    int aCalls = 0, bCalls = 0;
    a.OnIdle = [&](TObject*, bool& done) {
        ++aCalls;
        done = true;
    };
    b.OnIdle = [&](TObject*, bool& done) {
        ++bCalls;
        done = bCalls >= 3; // not done twice: the loop must call again
        if (bCalls == 3) Application().Terminate();
    };
    while (!Application().Terminated()) Application().HandleMessage();
    EXPECT_EQ(aCalls, 3);
    EXPECT_EQ(bCalls, 3);
}

TEST_F(ApplicationTest, MinimizeAndRestoreRaiseTheirEventsOnce) {
    TApplicationEvents events(nullptr);
    std::vector<std::string> log;
    events.OnMinimize = [&](TObject*) { log.push_back("min"); };
    events.OnRestore = [&](TObject*) { log.push_back("restore"); };
    Application().Minimize();
    Application().Minimize();
    Application().Restore();
    Application().Restore();
    EXPECT_EQ(log, (std::vector<std::string>{"min", "restore"}));
}

TEST_F(ApplicationTest, HintShowsAfterTheMouseRestsAndGoesAfterItsTimeOrAMoveAway) {
    TForm form(nullptr);
    form.SetBounds(100, 100, 300, 200);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 75, 25);
    button->SetHint("Start sweeping|Starts the spectrum sweep");
    button->SetShowHint(true);
    auto* label = new TLabel(&form); // a graphic control without a hint
    label->SetParent(&form);
    label->SetBounds(10, 100, 60, 17);
    form.Show();
    Application().ProcessMessages();
    auto move = [](win::Point p) {
        win::InjectMouseMove(p);
        Application().ProcessMessages();
    };
    win::Rect r;
    win::GetWindowRect(button->Handle(), &r);
    move({r.left + 5, r.top + 5});
    clock_.AdvanceMs(499);
    Application().ProcessMessages();
    EXPECT_EQ(Application().ActiveHint(), nullptr) << "not before the pause";
    clock_.AdvanceMs(1);
    Application().ProcessMessages();
    ASSERT_NE(Application().ActiveHint(), nullptr);
    EXPECT_EQ(Application().ActiveHint()->Caption(), "Start sweeping") << "the short part";
    win::Rect hint;
    win::GetWindowRect(Application().ActiveHint()->Handle(), &hint);
    EXPECT_EQ(hint.left, r.left + 5) << "under the pointer, not at the screen's corner";
    EXPECT_EQ(hint.top, r.top + 5 + 20);
    clock_.AdvanceMs(2500);
    Application().ProcessMessages();
    EXPECT_EQ(Application().ActiveHint(), nullptr) << "gone after its time";

    move({r.left + 6, r.top + 6}); // still the same control: no new hint
    clock_.AdvanceMs(600);
    Application().ProcessMessages();
    EXPECT_EQ(Application().ActiveHint(), nullptr);

    const TPoint labelAt = label->ClientToScreen({5, 5});
    move({labelAt.x, labelAt.y});
    move({r.left + 5, r.top + 5}); // back onto the button
    clock_.AdvanceMs(500);
    Application().ProcessMessages();
    ASSERT_NE(Application().ActiveHint(), nullptr);
    move({labelAt.x, labelAt.y});
    EXPECT_EQ(Application().ActiveHint(), nullptr) << "moving away hides it at once";
}

class TimerComponentTest : public UiTest {};

TEST_F(TimerComponentTest, HiddenWindowTakesTimersAndMessagesFromOtherThreads) {
    std::vector<std::uint32_t> seen;
    win::Hwnd hwnd = 0;
    hwnd = AllocateHWnd([&](TMessage& m) {
        seen.push_back(m.Msg);
        if (m.Msg == win::WM_USER + 1) m.Result = 42;
    });
    ASSERT_NE(hwnd, 0u);
    win::SetTimer(hwnd, 0, 100, nullptr);
    clock_.AdvanceMs(100);
    std::thread([hwnd] { win::PostMessage(hwnd, 0x401, 0, 1); }).join();
    Application().ProcessMessages();
    EXPECT_EQ(win::SendMessage(hwnd, win::WM_USER + 1, 0, 0), 42);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x401, win::WM_TIMER, win::WM_USER + 1}))
        << "posted messages first, timers when nothing else waits";
    DeallocateHWnd(hwnd);
    EXPECT_FALSE(win::PostMessage(hwnd, 0x401, 0, 0));
}

TEST_F(TimerComponentTest, FiresEachIntervalOnTheFakeClockWhileEnabled) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(100);
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    clock_.AdvanceMs(99);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 0);
    clock_.AdvanceMs(1);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 1);
    clock_.AdvanceMs(100);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 2);
    timer.SetEnabled(false);
    clock_.AdvanceMs(500);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 2);
}

TEST_F(TimerComponentTest, ChangingTheIntervalStartsThePeriodAgain) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(250);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    clock_.AdvanceMs(200);
    timer.SetInterval(100); // restarts at 200 ms
    clock_.AdvanceMs(99);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 0);
    clock_.AdvanceMs(1);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 1);
}

TEST_F(TimerComponentTest, TimerFreedInItsOwnHandlerIsSafe) {
    auto* owner = new TComponent(nullptr);
    auto* timer = new TTimer(owner);
    int ticks = 0;
    timer->SetInterval(10);
    timer->SetOnTimer([&](TObject* sender) {
        ++ticks;
        delete sender;
    });
    clock_.AdvanceMs(50);
    Application().ProcessMessages();
    clock_.AdvanceMs(50);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(owner->ComponentCount(), 0);
    delete owner;
}

} // namespace
} // namespace plat::comp
