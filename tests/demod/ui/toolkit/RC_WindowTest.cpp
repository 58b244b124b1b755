#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_Popup.h"

#include <vector>

namespace {

using namespace toolkit_test;

// A windowless control that records the mouse and key events it receives.
class Probe : public RC_Window {
public:
    struct Event {
        int kind, x, y;
    };
    Probe(RC_Window* parent, int x, int y, int w, int h, std::uint32_t style = 0)
        : RC_Window(parent, x, y, w, h, kWindowless) {
        SetStyle(style);
        Show(win::SW_SHOW);
    }
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override {
        events.push_back({kind, x, y});
        RC_Window::MouseEvent(kind, keys, x, y);
    }
    std::vector<Event> events;
};

class RC_WindowTest : public ToolkitTest {};

TEST_F(RC_WindowTest, TopWindowOwnsASystemWindowOfTheToolkitClassAndControlsDoNot) {
    auto* child = new Probe(top_, 5, 5, 20, 20);
    EXPECT_NE(top_->Handle(), 0u);
    EXPECT_EQ(win::GetClassName(top_->Handle()), "RC_Window_Q745DemodPro");
    EXPECT_EQ(child->Handle(), 0u);
    EXPECT_EQ(child->TopWindow(), top_);
    EXPECT_STREQ(top_->Caption(), "Untitled");
    EXPECT_EQ(top_->FirstChild(), child);
}

TEST_F(RC_WindowTest, ClickOnOverlappingControlsGoesToTheLaterOne) {
    auto* below = new Probe(top_, 10, 10, 50, 50);
    auto* above = new Probe(top_, 30, 30, 50, 50);
    Mouse(top_, win::WM_LBUTTONDOWN, 40, 45, win::MK_LBUTTON);
    ASSERT_EQ(above->events.size(), 1u);
    EXPECT_EQ(above->events[0].kind, RC_Window::kLeftDown);
    EXPECT_EQ(above->events[0].x, 10);
    EXPECT_EQ(above->events[0].y, 15);
    EXPECT_TRUE(below->events.empty());
    Mouse(top_, win::WM_RBUTTONDOWN, 15, 12);
    ASSERT_EQ(below->events.size(), 1u);
    EXPECT_EQ(below->events[0].kind, RC_Window::kRightDown);
}

TEST_F(RC_WindowTest, DisabledOrHiddenControlsAndTheirChildrenGetNoInput) {
    auto* box = new Probe(top_, 0, 0, 100, 100);
    auto* inner = new Probe(box, 10, 10, 20, 20);
    box->SetEnabled(false);
    Mouse(top_, win::WM_LBUTTONDOWN, 15, 15);
    EXPECT_TRUE(inner->events.empty());
    EXPECT_TRUE(box->events.empty()) << "a disabled control is not hit";
    box->SetEnabled(true);
    inner->Show(win::SW_HIDE);
    Mouse(top_, win::WM_LBUTTONDOWN, 15, 15);
    EXPECT_TRUE(inner->events.empty());
    ASSERT_EQ(box->events.size(), 1u);
    EXPECT_EQ(box->events[0].x, 15);
}

TEST_F(RC_WindowTest, CaptureHolderGetsMovesOutsideItsRectangleInItsOwnCoordinates) {
    auto* holder = new Probe(top_, 20, 30, 10, 10);
    auto* other = new Probe(top_, 100, 100, 40, 40);
    holder->SetStateFlags(RC_Window::kCapture);
    ASSERT_NE(holder->State() & RC_Window::kCapture, 0u);
    EXPECT_EQ(top_->CaptureWindow(), holder);
    EXPECT_EQ(win::GetCapture(), top_->Handle());
    Mouse(top_, win::WM_MOUSEMOVE, 110, 120);
    ASSERT_EQ(holder->events.size(), 1u);
    EXPECT_EQ(holder->events[0].x, 90);
    EXPECT_EQ(holder->events[0].y, 90);
    EXPECT_TRUE(other->events.empty());
    holder->ClearStateFlags(RC_Window::kCapture);
    EXPECT_EQ(top_->CaptureWindow(), nullptr);
    EXPECT_EQ(win::GetCapture(), 0u);
    Mouse(top_, win::WM_MOUSEMOVE, 110, 120);
    EXPECT_EQ(other->events.size(), 1u);
}

TEST_F(RC_WindowTest, CaptureIsRefusedWhileHiddenOrDisabledAndDroppedWhenDisabled) {
    auto* p = new Probe(top_, 0, 0, 10, 10);
    p->Show(win::SW_HIDE);
    p->SetStateFlags(RC_Window::kCapture);
    EXPECT_EQ(p->State() & RC_Window::kCapture, 0u);
    p->Show(win::SW_SHOW);
    top_->SetEnabled(false);
    p->SetStateFlags(RC_Window::kCapture);
    EXPECT_EQ(p->State() & RC_Window::kCapture, 0u) << "an ancestor is disabled";
    top_->SetEnabled(true);
    p->SetStateFlags(RC_Window::kCapture);
    EXPECT_EQ(top_->CaptureWindow(), p);
    top_->SetEnabled(false);
    EXPECT_EQ(p->State() & RC_Window::kCapture, 0u);
    EXPECT_EQ(top_->CaptureWindow(), nullptr);
}

TEST_F(RC_WindowTest, ClickFocusesTheNearestFocusTakerAndReportsChanges) {
    auto* field = new Probe(top_, 0, 0, 50, 50, RC_Window::kTakesFocus);
    auto* part = new Probe(field, 5, 5, 10, 10);
    std::vector<int> changes;
    field->onFocusChange = {[](void* user, int focused, RC_Window*) { static_cast<std::vector<int>*>(user)->push_back(focused); }, &changes};
    Mouse(top_, win::WM_LBUTTONDOWN, 7, 7);
    EXPECT_EQ(part->events.size(), 1u);
    EXPECT_EQ(top_->FocusWindow(), field);
    EXPECT_TRUE(field->IsFocused());
    EXPECT_FALSE(part->IsFocused());
    auto* second = new Probe(top_, 100, 0, 50, 50, RC_Window::kTakesFocus);
    second->Focus();
    EXPECT_EQ(top_->FocusWindow(), second);
    EXPECT_EQ(changes, (std::vector<int>{1, 0}));
}

TEST_F(RC_WindowTest, TabMovesOnceThroughTheTabOrderWithWrapAround) {
    Probe* c[3];
    const int orders[3] = {3, 1, 2};
    for (int i = 0; i < 3; ++i) {
        c[i] = new Probe(top_, i * 20, 0, 10, 10, RC_Window::kTakesFocus);
        c[i]->SetTabOrder(orders[i]);
    }
    c[0]->Focus();
    ASSERT_EQ(top_->FocusWindow(), c[0]);
    win::SendMessage(top_->Handle(), win::WM_KEYDOWN, win::VK_TAB, 0);
    win::SendMessage(top_->Handle(), win::WM_CHAR, '\t', 0);
    EXPECT_EQ(top_->FocusWindow(), c[1]) << "3 wraps to 1, and the Tab character moves nothing more";
    win::SendMessage(top_->Handle(), win::WM_KEYDOWN, win::VK_TAB, 0);
    EXPECT_EQ(top_->FocusWindow(), c[2]);
}

TEST_F(RC_WindowTest, KeysGoToTheFocusWindowFirst) {
    auto* p = new Probe(top_, 0, 0, 10, 10, RC_Window::kTakesFocus);
    struct Seen {
        std::uint32_t key = 0;
        int answer = 1;
    } seen;
    p->onKeyDown = {[](void* user, RC_Window*, std::uint32_t key) {
                        auto* s = static_cast<Seen*>(user);
                        s->key = key;
                        return s->answer;
                    },
                    &seen};
    p->Focus();
    win::SendMessage(top_->Handle(), win::WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(seen.key, static_cast<std::uint32_t>('A'));
}

TEST_F(RC_WindowTest, InvalidationQueuesOneRepaintAndPaintingClearsTheMarks) {
    auto* p = new Probe(top_, 0, 0, 10, 10);
    Pump();
    EXPECT_FALSE(p->IsDirty());
    p->Invalidate();
    EXPECT_TRUE(p->IsDirty());
    EXPECT_NE(top_->State() & RC_Window::kChildDirty, 0u);
    win::Rect update;
    EXPECT_TRUE(win::GetUpdateRect(top_->Handle(), &update));
    p->Invalidate();
    win::UpdateWindow(top_->Handle());
    EXPECT_FALSE(p->IsDirty());
    EXPECT_EQ(top_->State() & RC_Window::kChildDirty, 0u);
    EXPECT_FALSE(win::GetUpdateRect(top_->Handle(), &update));
}

TEST_F(RC_WindowTest, FramesShadeEachLineAndNarrowTheContent) {
    auto* w = new RC_Window(top_, 0, 0, 10, 8, RC_Window::kWindowless);
    w->Show(win::SW_SHOW);
    w->SetBackgroundColour(0x000000);
    w->SetFrameColour(0x404040);
    w->SetFrameType(2);
    w->SetFrameWidth(2);
    const auto image = Render(w);
    // Raised width 2: q = 4; outer line top/left 7/4, bottom/right 1/4; inner 5/4 and 3/4.
    EXPECT_EQ(image->GetPixel(1, 0), 0x707070u);
    EXPECT_EQ(image->GetPixel(0, 3), 0x707070u);
    EXPECT_EQ(image->GetPixel(9, 3), 0x101010u);
    EXPECT_EQ(image->GetPixel(3, 7), 0x101010u);
    EXPECT_EQ(image->GetPixel(2, 1), 0x505050u);
    EXPECT_EQ(image->GetPixel(8, 3), 0x303030u);
    EXPECT_EQ(image->GetPixel(4, 4), 0x000000u) << "content inside the frame";
    EXPECT_EQ(w->ContentRect(), (win::Rect{2, 2, 8, 6}));
}

TEST_F(RC_WindowTest, ChildrenArePaintedInListOrderOverTheParent) {
    top_->SetBackgroundColour(0x112233);
    auto* a = new RC_Window(top_, 10, 10, 20, 20, RC_Window::kWindowless);
    auto* b = new RC_Window(top_, 20, 20, 20, 20, RC_Window::kWindowless);
    a->SetBackgroundColour(0x0000FF);
    b->SetBackgroundColour(0x00FF00);
    a->Show(win::SW_SHOW);
    b->Show(win::SW_SHOW);
    const auto image = Render(top_);
    EXPECT_EQ(image->GetPixel(5, 5), 0x112233u);
    EXPECT_EQ(image->GetPixel(15, 15), 0x0000FFu);
    EXPECT_EQ(image->GetPixel(25, 25), 0x00FF00u);
    EXPECT_EQ(image->GetPixel(35, 35), 0x00FF00u);
}

TEST_F(RC_WindowTest, AnchoredChildrenFollowTheParentsSize) {
    auto* stretch = new RC_Window(top_, 10, 10, 50, 20, RC_Window::kWindowless);
    stretch->SetStyle(RC_Window::kAnchorWidth | RC_Window::kAnchorBottom);
    auto* corner = new RC_Window(top_, 150, 100, 20, 20, RC_Window::kWindowless);
    corner->SetStyle(RC_Window::kAnchorRight | RC_Window::kAnchorBottom);
    top_->Move(top_->X(), top_->Y(), 230, 140, true);
    EXPECT_EQ(stretch->Width(), 80);
    EXPECT_EQ(stretch->Y(), 0);
    EXPECT_EQ(corner->X(), 180);
    EXPECT_EQ(corner->Y(), 90);
    EXPECT_EQ(corner->Width(), 20);
}

TEST_F(RC_WindowTest, SizingFromTheLeftEdgeStopsAtTheMinimumWithTheRightEdgeKept) {
    top_->SetMinimumSize(120, 80);
    win::Rect drag{150, 10, 210, 160}; // width 60 when dragged from the left
    win::SendMessage(top_->Handle(), win::WM_SIZING, win::WMSZ_LEFT, reinterpret_cast<win::LParam>(&drag));
    EXPECT_EQ(drag.right, 210);
    EXPECT_EQ(drag.left, 90);
    win::Rect top{10, 100, 210, 160};
    win::SendMessage(top_->Handle(), win::WM_SIZING, win::WMSZ_TOP, reinterpret_cast<win::LParam>(&top));
    EXPECT_EQ(top.bottom, 160);
    EXPECT_EQ(top.top, 80);
}

TEST_F(RC_WindowTest, HitTestAnswersResizeZonesAndTheCaption) {
    top_->SetStyle(RC_Window::kSizable | RC_Window::kDraggable);
    top_->SetFrameWidth(4);
    Render(top_); // sets the content rectangle
    auto at = [&](int x, int y) {
        return win::SendMessage(top_->Handle(), win::WM_NCHITTEST, 0, win::MakeLParam(top_->X() + x, top_->Y() + y));
    };
    EXPECT_EQ(at(1, 50), win::HTLEFT);
    EXPECT_EQ(at(198, 149), win::HTBOTTOMRIGHT);
    EXPECT_EQ(at(100, 1), win::HTTOP);
    EXPECT_EQ(at(199, 0), win::HTTOPRIGHT);
    EXPECT_EQ(at(100, 50), win::HTCLIENT);
}

TEST_F(RC_WindowTest, DestroyingAWindowClosesItsPopupsAndChildrenFirst) {
    auto* owner = new RC_Window(nullptr, 0, 0, 100, 100, RC_Window::kKeepsLoop);
    auto* popup = new RC_Popup(owner, 10, 10, 50, 50, RC_Window::kOwnedPopup);
    new Probe(popup, 0, 0, 5, 5);
    EXPECT_EQ(owner->FirstPopup(), popup);
    const win::Hwnd popupHandle = popup->Handle();
    delete owner;
    EXPECT_EQ(RC_Window::LiveWindowCount(), 1u) << "only the fixture's window is left";
    EXPECT_FALSE(win::IsWindow(popupHandle));
    EXPECT_EQ(RC_Popup::FirstPopupOfProcess(), nullptr);
}

TEST_F(RC_WindowTest, DestroyingTheLastParentlessWindowEndsTheLoop) {
    auto* main = new RC_Window(nullptr, 0, 0, 50, 50, 0);
    const win::Hwnd handle = main->Handle();
    main->Close();
    EXPECT_NE(main->State() & RC_Window::kClosing, 0u);
    win::Msg msg;
    int quits = 0;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        if (msg.message == win::WM_QUIT) {
            ++quits;
            continue;
        }
        win::DispatchMessage(msg);
    }
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(win::IsWindow(handle));
}

TEST_F(RC_WindowTest, EnableRequestFromAnotherThreadIsPostedToTheWindowsThread) {
    auto* p = new Probe(top_, 0, 0, 10, 10);
    std::thread other([&] { top_->SetEnabled(false); });
    other.join();
    EXPECT_FALSE(top_->IsEnabled());
    EXPECT_TRUE(win::IsWindowEnabled(top_->Handle())) << "not yet: the request is queued";
    Pump();
    EXPECT_FALSE(win::IsWindowEnabled(top_->Handle()));
    top_->SetEnabled(true);
    EXPECT_TRUE(win::IsWindowEnabled(top_->Handle()));
    (void)p;
}

} // namespace
