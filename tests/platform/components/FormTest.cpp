#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/components/TButton.h"
#include "platform/components/TEdit.h"
#include "platform/components/TForm.h"
#include "platform/components/TLabel.h"
#include "platform/components/TPanel.h"
#include "platform/win/CursorApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
#include "tests/platform/components/UiTest.h"

namespace plat::comp {
namespace {

using test::Click;
using test::Key;
using test::ModalScript;
using test::UiTest;

// A dialog with OK (default) and Cancel (cancel) buttons.
class Dialog : public TForm {
public:
    explicit Dialog(TComponent* owner) : TForm(owner) {
        ok = new TButton(this);
        ok->SetCaption("OK");
        ok->SetModalResult(mrOk);
        ok->SetDefault(true);
        ok->SetParent(this);
        ok->SetBounds(10, 10, 75, 25);
        cancel = new TButton(this);
        cancel->SetCaption("Cancel");
        cancel->SetModalResult(mrCancel);
        cancel->SetCancel(true);
        cancel->SetParent(this);
        cancel->SetBounds(90, 10, 75, 25);
    }
    TButton* ok;
    TButton* cancel;
};

class FormTest : public UiTest {};

TEST_F(FormTest, AChildAskedForItsWindowFirstGetsOnlyOne) {
    // The child's window is asked for before its form has one: making the form's window makes the
    // child's, and asking must not make a second one beside it.
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 50, 50);
    const win::Hwnd child = panel->Handle();
    EXPECT_EQ(win::GetChildWindows(form.Handle()), std::vector<win::Hwnd>{child});
    EXPECT_EQ(win::GetParent(child), form.Handle());
}

TEST_F(FormTest, ShowModalAnswersTheResultOfTheButtonPressed) {
    struct Case {
        const char* name;
        std::function<void(Dialog&)> act;
        TModalResult expected;
    };
    const std::vector<Case> cases = {
        {"click OK", [](Dialog& d) { Click(d.ok); }, mrOk},
        {"click Cancel", [](Dialog& d) { Click(d.cancel); }, mrCancel},
        {"Enter takes the default button", [](Dialog& d) { Key(&d, vk::Return); }, mrOk},
        {"Escape takes the cancel button", [](Dialog& d) { Key(&d, vk::Escape); }, mrCancel},
        {"closing the window cancels", [](Dialog& d) { d.Perform(win::WM_CLOSE); }, mrCancel},
        {"code sets a result", [](Dialog& d) { d.SetModalResult(mrRetry); }, mrRetry},
    };
    for (const Case& c : cases) {
        Dialog dialog(nullptr);
        ModalScript script;
        script.Then([&](TCustomForm& f) { c.act(static_cast<Dialog&>(f)); });
        EXPECT_EQ(dialog.ShowModal(), c.expected) << c.name;
        EXPECT_TRUE(script.Done()) << c.name;
        EXPECT_FALSE(dialog.Visible()) << c.name;
    }
}

TEST_F(FormTest, OnCloseCanKeepAModalFormOpen) {
    Dialog dialog(nullptr);
    int asked = 0;
    ModalScript script;
    script.Then([](TCustomForm& f) { Click(static_cast<Dialog&>(f).ok); });
    script.Then([](TCustomForm& f) { Click(static_cast<Dialog&>(f).cancel); });
    dialog.OnClose = [&](TObject*, TCloseAction& action) {
        if (asked++ == 0) {
            action = TCloseAction::caNone;
            script.Again(); // the same form stays up for the next step
        }
    };
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(asked, 2) << "asked once per result";
}

TEST_F(FormTest, ModalLoopInsideAModalLoopReturnsToTheOuterOne) {
    Dialog outer(nullptr);
    Dialog inner(nullptr);
    TModalResult innerResult = mrNone;
    std::vector<std::string> log;
    ModalScript script;
    script.Then([&](TCustomForm& f) {
        log.push_back("outer up");
        EXPECT_FALSE(inner.Visible());
        innerResult = inner.ShowModal();
        log.push_back("inner done");
        EXPECT_TRUE(f.Visible());
        EXPECT_TRUE(f.Enabled()) << "the outer form takes input again";
        f.SetModalResult(mrOk);
    });
    script.Then([&](TCustomForm& f) {
        log.push_back("inner up");
        EXPECT_EQ(&f, &inner);
        EXPECT_FALSE(outer.Enabled()) << "a form under a modal one takes no input";
        Click(inner.cancel);
    });
    EXPECT_EQ(outer.ShowModal(), mrOk);
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_EQ(log, (std::vector<std::string>{"outer up", "inner up", "inner done"}));
}

TEST_F(FormTest, TerminatingTheApplicationEndsAModalLoopWithCancel) {
    Dialog dialog(nullptr);
    ModalScript script;
    script.Then([](TCustomForm&) { Application().Terminate(); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST_F(FormTest, CloseAsksCloseQueryAndOnCloseDecides) {
    auto* form = new TForm(nullptr);
    form->Show();
    bool allow = false;
    form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
    form->Close();
    EXPECT_TRUE(form->Visible()) << "refused by OnCloseQuery";
    allow = true;
    form->Close();
    EXPECT_FALSE(form->Visible()) << "hidden by default";

    bool freed = false;
    form->OnDestroy = [&](TObject*) { freed = true; };
    form->Show();
    form->OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caFree; };
    form->Close();
    EXPECT_FALSE(freed) << "freed only after the handler returned";
    Application().ProcessMessages();
    EXPECT_TRUE(freed);
}

TEST_F(FormTest, ClosingTheMainFormEndsTheApplication) {
    auto* form = new TForm(&Application());
    Application().SetMainForm(form);
    Application().SetShowMainForm(true);
    TApplicationEvents events(nullptr);
    events.OnIdle = [&](TObject*, bool& done) {
        done = false;
        form->Close();
    };
    Application().Run();
    EXPECT_TRUE(Application().Terminated());
    delete form;
    EXPECT_EQ(Application().MainForm(), nullptr);
}

TEST_F(FormTest, FreeingAFormFreesItsControlsAndTheirWindows) {
    auto* form = new TForm(nullptr);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* edit = new TEdit(form);
    edit->SetParent(panel);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    form->Show();
    const win::Hwnd formWindow = form->Handle();
    const win::Hwnd editWindow = edit->Handle();
    ASSERT_TRUE(win::IsWindow(editWindow));
    // A control freed on its own leaves its parent and its owner.
    delete label;
    EXPECT_EQ(panel->ControlCount(), 1);
    EXPECT_EQ(form->ComponentCount(), 2);
    delete form;
    EXPECT_FALSE(win::IsWindow(formWindow));
    EXPECT_FALSE(win::IsWindow(editWindow));
}

TEST_F(FormTest, FocusMovesBetweenControlsAndKeysGoToTheFocusedOne) {
    TForm form(nullptr);
    auto* first = new TEdit(&form);
    first->SetParent(&form);
    auto* second = new TEdit(&form);
    second->SetParent(&form);
    second->SetTop(30);
    std::vector<std::string> log;
    first->OnExit = [&](TObject*) { log.push_back("exit first"); };
    second->OnEnter = [&](TObject*) { log.push_back("enter second"); };
    form.Show();
    first->SetFocus();
    second->SetFocus();
    EXPECT_EQ(log, (std::vector<std::string>{"exit first", "enter second"}));
    EXPECT_TRUE(second->Focused());
    test::Type(&form, "hi");
    EXPECT_EQ(second->Text(), "hi");
    EXPECT_EQ(first->Text(), "");
}

TEST_F(FormTest, NamingTheActiveControlAgainFocusesItWhenItLostTheFocus) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    form.Show();
    form.SetActiveControl(edit);
    ASSERT_EQ(plat::win::GetFocus(), edit->Handle());
    plat::win::SetFocus(0); // the focus went elsewhere, the form still names the edit
    ASSERT_EQ(form.ActiveControl(), edit);
    form.SetActiveControl(edit);
    EXPECT_EQ(plat::win::GetFocus(), edit->Handle());
}

TEST_F(FormTest, KeysFromTheKeyboardReachTheFocusedControlAndTheFormsDialogKeys) {
    Dialog dialog(nullptr);
    auto* edit = new TEdit(&dialog);
    edit->SetParent(&dialog);
    edit->SetTop(50);
    int previews = 0;
    dialog.SetKeyPreview(true);
    dialog.OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { ++previews; };
    ModalScript script;
    script.Then([&](TCustomForm&) {
        edit->SetFocus();
        for (std::uint32_t k : {std::uint32_t{'A'}, std::uint32_t{'B'}, std::uint32_t{vk::Return}}) {
            win::InjectKey(k, true);
            win::InjectKey(k, false);
        }
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk) << "Enter in the edit pressed the default button";
    EXPECT_EQ(edit->Text(), "ab");
    EXPECT_EQ(previews, 3) << "the form saw each key first";
}

TEST_F(FormTest, AFormThatPreviewsKeysSeesTheCharactersOfItsControlsFirst) {
    Dialog dialog(nullptr);
    auto* edit = new TEdit(&dialog);
    edit->SetParent(&dialog);
    edit->SetTop(50);
    std::string previewed;
    dialog.OnKeyPress = [&](TObject*, char& c) {
        previewed += c;
        if (c == 'x') c = 0; // swallowed: the edit never sees it
    };
    const auto typeInto = [&](bool preview) {
        dialog.SetKeyPreview(preview);
        edit->SetText("");
        for (char c : std::string("axb")) edit->Perform(win::WM_CHAR, static_cast<unsigned char>(c));
    };
    typeInto(true);
    EXPECT_EQ(previewed, "axb");
    EXPECT_EQ(edit->Text(), "ab");
    previewed.clear();
    typeInto(false);
    EXPECT_EQ(previewed, "");
    EXPECT_EQ(edit->Text(), "axb");
}

TEST_F(FormTest, AWindowMadeByOtherCodeIsNoControlWhateverItsUserData) {
    TForm form(nullptr);
    win::WindowClass cls;
    cls.name = "ForeignToolkitWindow";
    cls.proc = [](win::Hwnd h, std::uint32_t m, win::WParam w, win::LParam l) { return win::DefWindowProc(h, m, w, l); };
    win::RegisterClass(cls);
    const win::Hwnd foreign = win::CreateWindowEx(0, cls.name, "", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 20, 20,
                                                  form.Handle(), 0, 0);
    ASSERT_NE(foreign, 0u);
    win::SetWindowLongPtr(foreign, win::GWLP_USERDATA, 0x1234); // the toolkit's own object
    EXPECT_EQ(TWinControl::FindControl(foreign), nullptr);
    EXPECT_EQ(TWinControl::FindControl(form.Handle()), &form);
    win::DestroyWindow(foreign);
    win::UnregisterClass(cls.name);
}

TEST_F(FormTest, AskingAChildForItsWindowFirstMakesOneWindowForIt) {
    auto* form = new TForm(nullptr);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* inner = new TPanel(form);
    inner->SetParent(panel);
    const win::Hwnd h = inner->Handle(); // makes the form's and the panel's windows on the way
    EXPECT_EQ(win::GetParent(h), panel->Handle());
    EXPECT_EQ(win::GetChildWindows(panel->Handle()).size(), 1u) << "no second window for the same control";
    delete form; // every window finds its control while it goes
    EXPECT_FALSE(win::IsWindow(h));
}

// Redraws its frame whenever it is marked for repainting, as framed edits do.
class FramedPanel : public TPanel {
public:
    using TPanel::TPanel;
    void Invalidate() override {
        TPanel::Invalidate();
        if (HandleAllocated())
            win::SetWindowPos(Handle(), 0, 0, 0, 0, 0,
                              win::SWP_FRAMECHANGED | win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER);
    }
};

TEST_F(FormTest, AControlMovedAfterItsWindowExistsStaysWhereItWasPut) {
    TForm form(nullptr);
    auto* panel = new FramedPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 50, 20);
    ASSERT_NE(panel->Handle(), 0u);
    panel->SetBounds(70, 40, 90, 30); // repaints (and redraws its frame) on the way
    EXPECT_EQ(panel->Left(), 70);
    EXPECT_EQ(panel->Width(), 90);
    win::Rect r;
    win::GetWindowRect(panel->Handle(), &r);
    win::Point origin{0, 0};
    win::ClientToScreen(form.Handle(), &origin);
    EXPECT_EQ(r.left - origin.x, 70);
    EXPECT_EQ(r.right - r.left, 90);
}

TEST_F(FormTest, MovingAControlToAnotherParentKeepsItsWindow) {
    TForm form(nullptr);
    auto* left = new TPanel(&form);
    left->SetParent(&form);
    auto* right = new TPanel(&form);
    right->SetParent(&form);
    right->SetLeft(200);
    auto* edit = new TEdit(&form);
    edit->SetParent(left);
    edit->SetBounds(5, 6, 80, 21);
    form.Show();
    const win::Hwnd window = edit->Handle();
    edit->SetParent(right);
    EXPECT_EQ(edit->Handle(), window) << "the same window, re-parented";
    EXPECT_EQ(win::GetParent(window), right->Handle());
    win::Rect r;
    win::GetWindowRect(window, &r);
    const TPoint origin = right->ClientToScreen({5, 6});
    EXPECT_EQ(r.left, origin.x);
    EXPECT_EQ(r.top, origin.y);
    edit->SetParent(nullptr);
    EXPECT_FALSE(win::IsWindow(window)) << "without a parent the control has no window";
    delete edit;
}

TEST_F(FormTest, ThePointerIsTheOneOfTheControlUnderTheMouse) {
    TForm form(nullptr);
    form.SetBounds(50, 50, 300, 200);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(10, 100, 60, 17);
    label->SetCursor(win::LoadCursor(win::IDC_SIZENS));
    form.Show();
    Application().ProcessMessages();
    auto pointerAt = [](TControl* c) {
        const TPoint p = c->ClientToScreen({3, 3});
        win::InjectMouseMove({p.x, p.y});
        Application().ProcessMessages();
        return win::GetCursor();
    };
    EXPECT_EQ(pointerAt(edit), win::LoadCursor(win::IDC_IBEAM));
    EXPECT_EQ(pointerAt(label), win::LoadCursor(win::IDC_SIZENS)) << "a graphic control's own";
    const TPoint empty = form.ClientToScreen({250, 150});
    win::InjectMouseMove({empty.x, empty.y});
    Application().ProcessMessages();
    EXPECT_EQ(win::GetCursor(), win::LoadCursor(win::IDC_ARROW));
}

TEST_F(FormTest, RecreatingAWindowKeepsTheControlAndRemakesItsChildren) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* edit = new TEdit(&form);
    edit->SetParent(panel);
    edit->SetText("kept");
    form.Show();
    const win::Hwnd before = panel->Handle();
    panel->RecreateWnd();
    EXPECT_NE(panel->Handle(), before);
    EXPECT_FALSE(win::IsWindow(before));
    EXPECT_TRUE(win::IsWindow(edit->Handle()));
    EXPECT_EQ(win::GetParent(edit->Handle()), panel->Handle());
    EXPECT_EQ(win::GetWindowText(edit->Handle()), "kept");
}

TEST_F(FormTest, TabMovesTheFocusAmongControlsThatTakeIt) {
    TForm form(nullptr);
    auto* a = new TEdit(&form);
    a->SetParent(&form);
    auto* panel = new TPanel(&form); // no tab stop, but holds one
    panel->SetParent(&form);
    auto* b = new TEdit(&form);
    b->SetParent(panel);
    auto* hidden = new TEdit(&form);
    hidden->SetParent(&form);
    hidden->SetVisible(false);
    auto* c = new TButton(&form);
    c->SetParent(&form);
    form.Show();
    a->SetFocus();
    const std::vector<TWinControl*> expected = {b, c, a, b};
    for (TWinControl* next : expected) {
        Key(&form, vk::Tab);
        EXPECT_EQ(form.ActiveControl(), next);
    }
    form.Perform(win::WM_KEYDOWN, vk::Shift, 0);
    Key(&form, vk::Tab);
    form.Perform(win::WM_KEYUP, vk::Shift, 0);
    EXPECT_EQ(form.ActiveControl(), a) << "Shift+Tab goes back";
}

TEST_F(FormTest, ANewSizeIsOfferedToCanResizeFirst) {
    TForm form(nullptr);
    form.SetBounds(10, 10, 300, 200);
    std::vector<std::pair<int, int>> offered;
    bool allow = false;
    form.OnCanResize = [&](TObject*, int& w, int& h, bool& resize) {
        offered.push_back({w, h});
        resize = allow;
        h = std::min(h, 400); // the handler may change the size it allows
    };
    form.SetBounds(20, 30, 320, 240);
    EXPECT_EQ(form.Left(), 20) << "a refused size still moves";
    EXPECT_EQ(form.Width(), 300);
    EXPECT_EQ(form.Height(), 200);
    allow = true;
    form.SetHeight(900);
    EXPECT_EQ(form.Height(), 400);
    form.SetLeft(0);
    EXPECT_EQ(offered, (std::vector<std::pair<int, int>>{{320, 240}, {300, 900}})) << "moves alone are not offered";
}

TEST_F(FormTest, AlignedControlsFillTheClientAreaInOrder) {
    TForm form(nullptr);
    form.SetClientSize(200, 100);
    auto* top = new TPanel(&form);
    top->SetParent(&form);
    top->SetHeight(20);
    top->SetAlign(TAlign::alTop);
    auto* left = new TPanel(&form);
    left->SetParent(&form);
    left->SetWidth(30);
    left->SetAlign(TAlign::alLeft);
    auto* client = new TPanel(&form);
    client->SetParent(&form);
    client->SetAlign(TAlign::alClient);
    EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 200, 20}));
    EXPECT_EQ(left->BoundsRect(), (TRect{0, 20, 30, 100}));
    EXPECT_EQ(client->BoundsRect(), (TRect{30, 20, 200, 100}));
    form.SetClientSize(300, 120);
    EXPECT_EQ(client->BoundsRect(), (TRect{30, 20, 300, 120})) << "realigned on resize";
}

} // namespace
} // namespace plat::comp
