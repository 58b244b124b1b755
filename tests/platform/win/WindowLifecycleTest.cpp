#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

using test::Recorder;
using test::WindowTest;

const std::vector<std::uint32_t> kLifecycle = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
                                               WM_MOVE, WM_DESTROY, WM_NCDESTROY};

TEST_F(WindowTest, CreationAndDestructionSendTheirMessagesInOrder) {
    const Hwnd parent = test::MakeTopLevel(10, 20, 200, 100);
    const Hwnd child = test::MakeChild(parent, 5, 5, 50, 40);
    const Hwnd owned = test::MakeTopLevel(0, 0, 30, 30, WS_POPUP, child);
    ASSERT_TRUE(parent && child && owned);
    EXPECT_EQ(Recorder::Get().Messages(child, kLifecycle),
              (std::vector<std::uint32_t>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
    Recorder::Get().Clear();
    ASSERT_TRUE(DestroyWindow(parent));
    // Owned window first, then the window is told, then its children, and the final notice of the
    // children comes before the parent's.
    std::vector<std::pair<Hwnd, std::uint32_t>> order;
    for (const auto& r : Recorder::Get().Log())
        if (r.msg == WM_DESTROY || r.msg == WM_NCDESTROY) order.emplace_back(r.hwnd, r.msg);
    EXPECT_EQ(order, (std::vector<std::pair<Hwnd, std::uint32_t>>{{owned, WM_DESTROY},
                                                                  {owned, WM_NCDESTROY},
                                                                  {parent, WM_DESTROY},
                                                                  {child, WM_DESTROY},
                                                                  {child, WM_NCDESTROY},
                                                                  {parent, WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_FALSE(DestroyWindow(parent));
}

TEST_F(WindowTest, CreationFailsCleanly) {
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 10, 10, 0, 0, 0), 0u);
    EXPECT_EQ(test::MakeChild(0x12345, 0, 0, 10, 10), 0u) << "child of an unknown parent";

    static Hwnd refused = 0;
    WindowClass cls;
    cls.name = "RefusesCreate";
    cls.proc = [](Hwnd h, std::uint32_t msg, WParam w, LParam l) -> LResult {
        if (msg == WM_CREATE) {
            refused = h;
            return -1;
        }
        return DefWindowProc(h, msg, w, l);
    };
    ASSERT_TRUE(RegisterClass(cls));
    EXPECT_FALSE(RegisterClass(cls)) << "registered once";
    EXPECT_EQ(CreateWindowEx(0, "refusescreate", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0), 0u)
        << "class names compare without case";
    EXPECT_NE(refused, 0u);
    EXPECT_FALSE(IsWindow(refused));
    EXPECT_TRUE(UnregisterClass("RefusesCreate"));
}

TEST_F(WindowTest, CreateParametersTextAndSlots) {
    static LParam seen = 0;
    WindowClass cls;
    cls.name = "ReadsCreateParams";
    cls.proc = [](Hwnd h, std::uint32_t msg, WParam w, LParam l) -> LResult {
        if (msg == WM_CREATE) seen = reinterpret_cast<const CreateStruct*>(l)->createParams;
        return DefWindowProc(h, msg, w, l);
    };
    ASSERT_TRUE(RegisterClass(cls));
    const Hwnd hwnd = CreateWindowEx(0, "ReadsCreateParams", "Caption", WS_POPUP, 0, 0, 10, 10, 0, 9, 1234);
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(seen, 1234);
    EXPECT_EQ(GetWindowText(hwnd), "Caption");
    EXPECT_EQ(GetClassName(hwnd), "ReadsCreateParams");
    EXPECT_TRUE(SetWindowText(hwnd, "Other"));
    char buffer[4];
    EXPECT_EQ(SendMessage(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LParam>(buffer)), 3);
    EXPECT_STREQ(buffer, "Oth") << "cut to the buffer";
    EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_ID), 9);
    EXPECT_EQ(SetWindowLongPtr(hwnd, GWLP_USERDATA, 55), 0);
    EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), 55);
    EXPECT_EQ(GetWindowThreadId(hwnd), GetCurrentThreadId());
    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, ICON_BIG, 77), 0);
    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, ICON_BIG, 78), 77) << "answers the previous icon";
    EXPECT_EQ(SendMessage(hwnd, WM_GETICON, ICON_BIG, 0), 78);
    EXPECT_EQ(SendMessage(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    DestroyWindow(hwnd);
    UnregisterClass("ReadsCreateParams");
}

TEST_F(WindowTest, SubclassedProcedureSeesMessagesFirst) {
    static WndProc original = nullptr;
    static int seen = 0;
    seen = 0;
    const Hwnd hwnd = test::MakeTopLevel();
    original = reinterpret_cast<WndProc>(SetWindowLongPtr(
        hwnd, GWLP_WNDPROC, reinterpret_cast<LParam>(+[](Hwnd h, std::uint32_t m, WParam w, LParam l) -> LResult {
            if (m == WM_USER) ++seen;
            return CallWindowProc(original, h, m, w, l);
        })));
    SendMessage(hwnd, WM_USER, 0, 0);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(Recorder::Get().Messages(hwnd, {WM_USER}).size(), 1u) << "and passes them on";
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, ChildOfAnotherThreadIsDestroyedByItsOwnThreadWithTheParent) {
    const Hwnd parent = test::MakeTopLevel();
    std::atomic<Hwnd> child{0};
    std::atomic<std::uint32_t> destroyedOn{0};
    std::atomic<bool> stop{false};
    std::thread other([&] {
        const Hwnd c = test::MakeChild(parent, 0, 0, 10, 10);
        Recorder::Get().OnMessage(c, [&](Hwnd, std::uint32_t msg, WParam, LParam) -> std::optional<LResult> {
            if (msg == WM_DESTROY) destroyedOn = GetCurrentThreadId();
            return std::nullopt;
        });
        child = c;
        test::Watchdog watchdog;
        Msg msg;
        while (!stop && GetMessage(&msg, 0, 0, 0)) DispatchMessage(msg);
    });
    while (child == 0) std::this_thread::yield();
    const std::uint32_t otherThread = GetWindowThreadId(child);
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(destroyedOn.load(), otherThread);
    stop = true;
    PostThreadMessage(otherThread, WM_NULL, 0, 0);
    other.join();
}

TEST_F(WindowTest, DestroyRefusedFromAnotherThread) {
    const Hwnd hwnd = test::MakeTopLevel();
    bool destroyed = true;
    std::thread([&] { destroyed = DestroyWindow(hwnd); }).join();
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(IsWindow(hwnd));
    DestroyWindow(hwnd);
}

} // namespace
} // namespace plat::win
