#include <gtest/gtest.h>

#include <functional>

#include "platform/win/InputApi.h"
#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

using test::Recorder;
using test::WindowTest;

TEST_F(WindowTest, NestedChildCoordinatesAddUpThroughBorders) {
    const Hwnd top = test::MakeTopLevel(100, 50, 300, 200, WS_POPUP | WS_VISIBLE | WS_BORDER);
    const Hwnd panel = test::MakeChild(top, 10, 20, 150, 100, WS_CHILD | WS_VISIBLE | WS_BORDER);
    const Hwnd inner = test::MakeChild(panel, 5, 6, 40, 30);
    Rect r;
    ASSERT_TRUE(GetClientRect(panel, &r));
    EXPECT_EQ(r, (Rect{0, 0, 148, 98})) << "one-pixel border on each side";
    ASSERT_TRUE(GetWindowRect(inner, &r));
    // top's client at (101, 51); panel at +10,+20 and its client one more pixel in.
    EXPECT_EQ(r, (Rect{117, 78, 157, 108}));
    Point p{0, 0};
    ClientToScreen(inner, &p);
    EXPECT_EQ(p, (Point{117, 78}));
    Point q{117, 78};
    MapWindowPoints(0, panel, &q, 1);
    EXPECT_EQ(q, (Point{5, 6}));
    EXPECT_EQ(WindowFromPoint({120, 80}), inner);
    EXPECT_EQ(WindowFromPoint({112, 72}), panel) << "panel border";
    EXPECT_EQ(ChildWindowFromPoint(top, {15, 25}), panel);
    DestroyWindow(top);
}

TEST_F(WindowTest, MoveReportsPositionAndSizeOnlyWhenTheyChange) {
    const Hwnd top = test::MakeTopLevel(0, 0, 200, 200);
    const Hwnd child = test::MakeChild(top, 10, 10, 50, 50);
    Recorder::Get().Clear();
    MoveWindow(child, 20, 10, 50, 50, true);
    EXPECT_EQ(Recorder::Get().Messages(child, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
              (std::vector<std::uint32_t>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
    Recorder::Get().Clear();
    SetWindowPos(child, 0, 0, 0, 70, 30, SWP_NOMOVE | SWP_NOZORDER);
    const auto log = Recorder::Get().Log();
    auto size = std::find_if(log.begin(), log.end(), [](const auto& r) { return r.msg == WM_SIZE; });
    ASSERT_NE(size, log.end());
    EXPECT_EQ(LoWord(static_cast<std::uintptr_t>(size->lParam)), 70);
    EXPECT_EQ(HiWord(static_cast<std::uintptr_t>(size->lParam)), 30);
    Rect r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (Rect{20, 10, 90, 40}));
    DestroyWindow(top);
}

TEST_F(WindowTest, ZOrderDecidesWhichSiblingIsHit) {
    const Hwnd top = test::MakeTopLevel(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    const Hwnd a = test::MakeChild(top, 0, 0, 100, 100);
    const Hwnd b = test::MakeChild(top, 50, 50, 100, 100);
    EXPECT_EQ(WindowFromPoint({60, 60}), b) << "created later, on top";
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint({60, 60}), a);
    EXPECT_EQ(GetWindow(top, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    SetWindowPos(a, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint({60, 60}), b) << "a placed below b";
    ShowWindow(b, SW_HIDE);
    EXPECT_EQ(WindowFromPoint({60, 60}), a) << "hidden windows are not hit";
    EnableWindow(a, false);
    EXPECT_EQ(WindowFromPoint({60, 60}), top) << "a disabled child lets the point through to its parent";
    DestroyWindow(top);
}

TEST_F(WindowTest, ReparentingEmbedsATopLevelWindowAndBack) {
    // The plug-in's top-level window is moved into a panel of the host's form.
    const Hwnd form = test::MakeTopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
    const Hwnd panel = test::MakeChild(form, 20, 30, 200, 150);
    const Hwnd plugin = test::MakeTopLevel(500, 500, 120, 80, WS_POPUP | WS_VISIBLE);
    const Hwnd pluginButton = test::MakeChild(plugin, 10, 10, 30, 20);
    EXPECT_EQ(SetParent(plugin, panel), 0u);
    EXPECT_EQ(GetParent(plugin), panel);
    EXPECT_NE(GetWindowLongPtr(plugin, GWL_STYLE) & WS_CHILD, 0);
    EXPECT_EQ(GetWindowLongPtr(plugin, GWL_STYLE) & WS_POPUP, 0);
    SetWindowPos(plugin, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Rect r;
    GetWindowRect(pluginButton, &r);
    EXPECT_EQ(r, (Rect{130, 140, 160, 160}));
    EXPECT_EQ(WindowFromPoint({135, 145}), pluginButton);
    EXPECT_EQ(GetAncestor(pluginButton, GA_ROOT), form);
    EXPECT_TRUE(IsChild(form, pluginButton));

    EXPECT_EQ(SetParent(form, pluginButton), 0u) << "a window cannot go inside its own descendant";
    EXPECT_EQ(SetParent(panel, panel), 0u);

    EXPECT_EQ(SetParent(plugin, 0), panel);
    EXPECT_EQ(GetAncestor(plugin, GA_PARENT), 0u);
    EXPECT_FALSE(IsChild(form, pluginButton));
    DestroyWindow(form);
    EXPECT_TRUE(IsWindow(plugin)) << "taken out again before the form went";
    DestroyWindow(plugin);
}

TEST_F(WindowTest, ReparentedWindowDiesWithItsNewParent) {
    const Hwnd form = test::MakeTopLevel();
    const Hwnd plugin = test::MakeTopLevel();
    SetParent(plugin, form);
    DestroyWindow(form);
    EXPECT_FALSE(IsWindow(plugin));
}

TEST_F(WindowTest, ControlCalculatesItsOwnFrameAndHitTestFollows) {
    WindowClass cls;
    cls.name = "OwnFrame";
    cls.proc = [](Hwnd h, std::uint32_t msg, WParam w, LParam l) -> LResult {
        if (msg == WM_NCCALCSIZE) {
            auto* rect = reinterpret_cast<Rect*>(l);
            rect->left += 3;
            rect->top += 2;
            rect->right -= 3;
            rect->bottom -= 2;
            return 0;
        }
        return DefWindowProc(h, msg, w, l);
    };
    ASSERT_TRUE(RegisterClass(cls));
    const Hwnd top = test::MakeTopLevel(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
    const Hwnd edit = CreateWindowEx(0, "OwnFrame", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, top, 0, 0);
    Rect r;
    GetClientRect(edit, &r);
    EXPECT_EQ(r, (Rect{0, 0, 44, 16}));
    EXPECT_EQ(SendMessage(edit, WM_NCHITTEST, 0, MakeLParam(11, 11)), HTBORDER);
    EXPECT_EQ(SendMessage(edit, WM_NCHITTEST, 0, MakeLParam(14, 13)), HTCLIENT);
    EXPECT_EQ(SendMessage(edit, WM_NCHITTEST, 0, MakeLParam(100, 100)), HTNOWHERE);
    DestroyWindow(top);
    UnregisterClass("OwnFrame");
}

TEST_F(WindowTest, SizableFrameAnswersItsResizeZones) {
    const Hwnd child = [] {
        const Hwnd top = test::MakeTopLevel(0, 0, 300, 300, WS_POPUP | WS_VISIBLE);
        return test::MakeChild(top, 0, 0, 100, 100, WS_CHILD | WS_VISIBLE | WS_THICKFRAME);
    }();
    struct Case {
        Point p;
        LResult hit;
    };
    const Case cases[] = {{{1, 1}, HTTOPLEFT},   {{98, 1}, HTTOPRIGHT}, {{1, 98}, HTBOTTOMLEFT},
                          {{98, 98}, HTBOTTOMRIGHT}, {{1, 50}, HTLEFT},    {{98, 50}, HTRIGHT},
                          {{50, 1}, HTTOP},       {{50, 98}, HTBOTTOM},  {{50, 50}, HTCLIENT}};
    for (const auto& c : cases)
        EXPECT_EQ(SendMessage(child, WM_NCHITTEST, 0, MakeLParam(c.p.x, c.p.y)), c.hit) << c.p.x << "," << c.p.y;
    DestroyWindow(GetAncestor(child, GA_ROOT));
}

TEST_F(WindowTest, MinimisingHidesOwnedWindowsAndRestoringBringsThemBack) {
    const Hwnd owner = test::MakeTopLevel(0, 0, 100, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const Hwnd popup = test::MakeTopLevel(10, 10, 50, 50, WS_POPUP | WS_VISIBLE, owner);
    const Hwnd hiddenPopup = test::MakeTopLevel(10, 10, 50, 50, WS_POPUP, owner);
    ShowWindow(owner, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(owner));
    EXPECT_FALSE(IsWindowVisible(popup));
    ShowWindow(owner, SW_RESTORE);
    EXPECT_FALSE(IsIconic(owner));
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_FALSE(IsWindowVisible(hiddenPopup)) << "was hidden before and stays so";
    ShowWindow(owner, SW_MAXIMIZE);
    Rect r;
    GetWindowRect(owner, &r);
    EXPECT_EQ(r.Width(), GetSystemMetrics(SM_CXSCREEN));
    ShowWindow(owner, SW_RESTORE);
    GetWindowRect(owner, &r);
    EXPECT_EQ(r, (Rect{0, 0, 100, 100}));
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(popup));
}

// Owned windows stay above their owner whichever way it comes to the top: activated (a click),
// or shown again while it shows. One table over the ways a window comes to be owned: made owned,
// made by a window embedded afterwards, owned by an owned window, and owned later (GWLP_HWNDPARENT).
TEST_F(WindowTest, OwnedWindowsStayAboveTheirOwner) {
    const Hwnd main = test::MakeTopLevel(0, 0, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const Hwnd plugin = test::MakeTopLevel(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
    const Hwnd direct = test::MakeTopLevel(10, 10, 50, 50, WS_POPUP | WS_VISIBLE, main);
    const Hwnd viaPlugin = test::MakeTopLevel(20, 20, 50, 50, WS_POPUP | WS_VISIBLE, plugin);
    ASSERT_EQ(SetParent(plugin, main), 0u);
    const Hwnd ofOwned = test::MakeTopLevel(30, 30, 50, 50, WS_POPUP | WS_VISIBLE, direct);
    const Hwnd later = test::MakeTopLevel(40, 40, 50, 50, WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(SetWindowLongPtr(later, GWLP_HWNDPARENT, static_cast<LParam>(main)), 0);
    EXPECT_EQ(GetWindowLongPtr(later, GWLP_HWNDPARENT), static_cast<LParam>(main));
    EXPECT_EQ(SetWindowLongPtr(main, GWLP_HWNDPARENT, static_cast<LParam>(later)), 0)
        << "no window comes to own itself";
    EXPECT_EQ(GetWindowLongPtr(main, GWLP_HWNDPARENT), 0);
    const Hwnd other = test::MakeTopLevel(50, 50, 50, 50, WS_POPUP | WS_VISIBLE);
    const auto above = [&](Hwnd upper, Hwnd lower) {
        // GW_HWNDFIRST is the top of the z-order.
        for (Hwnd h = GetWindow(main, GW_HWNDFIRST); h != 0; h = GetWindow(h, GW_HWNDNEXT)) {
            if (h == upper) return true;
            if (h == lower) return false;
        }
        return false;
    };
    const std::pair<const char*, std::function<void()>> raises[] = {
        {"activated", [&] { SetActiveWindow(main); }},
        {"shown again", [&] { ShowWindow(main, SW_SHOW); }},
    };
    for (const auto& [how, raise] : raises) {
        SetActiveWindow(other);
        ASSERT_TRUE(above(other, main)) << how;
        raise();
        EXPECT_TRUE(above(main, other)) << how;
        for (Hwnd owned : {direct, viaPlugin, ofOwned, later}) EXPECT_TRUE(above(owned, main)) << how << " " << owned;
        EXPECT_TRUE(above(ofOwned, direct)) << how;
    }
    // The active window, covered by another without activation, comes to the top when shown again.
    SetActiveWindow(direct);
    SetWindowPos(later, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(above(later, direct));
    ShowWindow(direct, SW_SHOW);
    EXPECT_TRUE(above(direct, later));
    EXPECT_TRUE(above(ofOwned, direct));
    DestroyWindow(other);
    DestroyWindow(main);
}

TEST_F(WindowTest, StyleChangesAreAnnouncedAndMayBeAdjusted) {
    const Hwnd hwnd = test::MakeTopLevel();
    Recorder::Get().OnMessage(hwnd, [](Hwnd, std::uint32_t msg, WParam, LParam l) -> std::optional<LResult> {
        if (msg == WM_STYLECHANGING) reinterpret_cast<StyleStruct*>(l)->newStyle |= WS_BORDER;
        return std::nullopt;
    });
    SetWindowLongPtr(hwnd, GWL_STYLE, WS_POPUP | WS_THICKFRAME);
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongPtr(hwnd, GWL_STYLE)), WS_POPUP | WS_THICKFRAME | WS_BORDER);
    EXPECT_EQ(Recorder::Get().Messages(hwnd, {WM_STYLECHANGING, WM_STYLECHANGED}).size(), 2u);
    DestroyWindow(hwnd);
}

} // namespace
} // namespace plat::win
