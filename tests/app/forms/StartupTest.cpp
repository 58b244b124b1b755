// The front panel's frame: the main menu as start-up leaves it, the command line's third pass,
// the status lines for the splash window, activation and resizing by the lower edge.

#include <gtest/gtest.h>

#include "app/forms/TSplashForm.h"
#include "platform/components/TLabel.h"
#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/controls/TstListBox.h"
#include "app/forms/TAutostepForm.h"
#include "app/forms/TOffsetForm.h"
#include "app/forms/TAboutForm.h"
#include "app/forms/TGroupForm.h"
#include "app/forms/TDebugForm.h"
#include "app/forms/TScanSetForm.h"
#include "app/forms/TMemoryForm.h"
#include "app/forms/TRecallForm.h"
#include "app/forms/TNewStepForm.h"
#include "app/forms/TExclusionForm.h"
#include "app/forms/TExclusionsForm.h"
#include "app/forms/TNewRangeForm.h"
#include "app/forms/TRangesForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TMenuItem.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/Styles.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowApi.h"
#include "tests/app/forms/DemoPanel.h"

namespace lxq::test {
namespace {

namespace win = plat::win;

// "caption" of a visible item, "(caption)" of a hidden one; "-" for lines.
std::vector<std::string> Captions(const TMenuItem& menu) {
    std::vector<std::string> out;
    for (int i = 0; i < menu.Count(); ++i) {
        const TMenuItem& item = *menu.Items(i);
        out.push_back(item.Visible() ? item.Caption() : "(" + item.Caption() + ")");
    }
    return out;
}

using Startup = DemoPanel;

TEST_F(Startup, TheMainMenuHoldsEveryItemAndTheFileItemsAreBound) {
    StartPanel();
    ASSERT_EQ(form->Menu(), form->MainMenu1);
    const TMenuItem& bar = form->MainMenu1->Items();
    EXPECT_EQ(Captions(bar),
              (std::vector<std::string>{"&File", "&Options", "(&Service)", "(Plu&gins)", "(&Trunking)",
                                        "(De&modulators)", "(DS&P)", "(&DF)", "(D&ecoders)", "(D&igital suite)",
                                        "&Help"}));
    EXPECT_EQ(Captions(*form->File1),
              (std::vector<std::string>{"&Memory file", "(&Calibration file)", "-", "E&xit"}));
    EXPECT_EQ(Captions(*form->Memoryfile1),
              (std::vector<std::string>{"&New", "&Open", "&Save", "S&ave as", "-", "&Clear", "-",
                                        "&Import from CSV", "&Export to CSV"}));
    // The demonstration receiver has no LED.
    EXPECT_EQ(Captions(*form->Options1),
              (std::vector<std::string>{"&Scanning", "&Autostepping", "&Display offset", "(&Front panel LED)", "-",
                                        "Stay on &top"}));
    EXPECT_EQ(Captions(*form->Help1), (std::vector<std::string>{"&Help", "&About"}));
    EXPECT_EQ(form->Options1->Items(0), form->Scanning1) << "the scanner's own item";
    EXPECT_EQ(bar.Items(5), form->Demodulators1);
    EXPECT_EQ(form->Exit1->ShortCut(), scAlt | 'X');
    EXPECT_EQ(form->Debug1->ShortCut(), scShift | win::VK_F5);
    EXPECT_FALSE(form->Debug1->Enabled());
    // Every item without items of its own does something (the plug-in menus fill later).
    std::vector<std::string> unbound;
    const std::function<void(const TMenuItem&)> walk = [&](const TMenuItem& item) {
        for (int i = 0; i < item.Count(); ++i) {
            const TMenuItem& child = *item.Items(i);
            if (child.Count() > 0) walk(child);
            else if (child.Caption() != "-" && !child.OnClick && &item != &bar) unbound.push_back(child.Caption());
        }
    };
    walk(bar);
    EXPECT_EQ(unbound, std::vector<std::string>{});

    // "&Autostepping" edits the form's own list.
    int shown = 0;
    form->AutostepForm->RunModal = [&](TForm&) {
        ++shown;
        return mrOk;
    };
    form->AutoSteps().push_back(TRangeRecord{});
    form->Autostepping1->Click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(form->AutostepForm->stListBox1->Count(), 1);

    // "&Clear" asks first; the answer No keeps the channels.
    Add(Channel(1, 7'000'000));
    form->Clear1->Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Delete all frequencies ?");
    EXPECT_EQ(form->Memories().size(), 1u);
}

TEST_F(Startup, TheThirdPassOfTheCommandLineShowsTheServiceAndCalibrationItems) {
    struct Case {
        std::vector<std::string> args;
        bool service;
        bool calibration;
    };
    const Case cases[] = {
        {{"/sd"}, false, false},
        {{"/sd", "/D"}, true, false},
        {{"/sd", "/c"}, false, true},
        {{"/sd", "/c12.8", "/dx"}, false, false}, // a clock value, and no whole "/d"
        {{"/sd", "/d", "/C"}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        StartPanel(c.args);
        EXPECT_EQ(form->Debug1->Visible(), c.service);
        EXPECT_EQ(form->Debug1->Enabled(), c.service);
        EXPECT_EQ(form->ServiceMode(), c.service);
        EXPECT_EQ(form->Calibrationfile1->Visible(), c.calibration);
        EXPECT_EQ(form->Calibrationfile1->Enabled(), c.calibration);
        form.reset();
    }
}

TEST_F(Startup, TheAutoStepStateOutlivesTheRunAndIsAppliedAtStart) {
    StartPanel();
    form->stSpeedButton9->SetDown(true);
    form->Close();
    form.reset();
    StartPanel();
    EXPECT_TRUE(form->stSpeedButton9->Down());
    EXPECT_FALSE(form->myFrequencyEdit2->Enabled()) << "start-up clicked it once";
    form->stSpeedButton9->SetDown(false);
    form->Close();
    form.reset();
    StartPanel();
    EXPECT_FALSE(form->stSpeedButton9->Down());
    EXPECT_TRUE(form->myFrequencyEdit2->Enabled());
}

TEST_F(Startup, StatusLinesGoToTheSplashWhileItLivesAndAreSkippedOtherwise) {
    {
        TSplashForm splash(nullptr);
        StartPanel();
        EXPECT_EQ(splash.StatusLabel()->Caption(), "Accessing hardware...");
    }
    form->SetStatus("after the splash"); // nowhere to go: skipped
    EXPECT_EQ(SplashForm, nullptr);
}

TEST_F(Startup, ActivatingTheWindowGivesTheKnobTheKeysAndAnySizeIsAllowed) {
    StartPanel();
    form->SetActiveControl(form->myFrequencyEdit2);
    form->FormActivate(form.get());
    EXPECT_EQ(form->ActiveControl(), form->stKnob1);
    form->stKnob1->SetEnabled(false);
    form->SetActiveControl(form->myFrequencyEdit2);
    form->FormActivate(form.get());
    EXPECT_EQ(form->ActiveControl(), form->myFrequencyEdit2) << "a disabled knob is left alone";
    int w = 10, h = 20;
    bool resize = false;
    form->FormCanResize(form.get(), w, h, resize);
    EXPECT_TRUE(resize);
}

TEST_F(Startup, DraggingTheLowerEdgeResizesWithinItsLimits) {
    StartPanel();
    form->LayOutScope(true, form->SweepPanel->Height());
    ASSERT_GT(form->ClientHeight(), form->stPanel1->Height() + 20) << "the scope is open";
    win::Rect r;
    win::GetWindowRect(form->Handle(), &r);
    const auto send = [&](std::uint32_t message, win::Point at) {
        win::Msg m;
        m.hwnd = form->Handle();
        m.message = message;
        m.lParam = win::MakeLParam(at.x, at.y);
        win::SetCursorPos(at.x, at.y);
        bool handled = false;
        form->ApplicationEvents1Message(m, handled);
        return handled;
    };
    const int x = (r.left + r.right) / 2;
    const int startHeight = form->Height();
    EXPECT_FALSE(send(win::WM_NCLBUTTONDOWN, {x, r.bottom - 20})) << "above the band";
    EXPECT_FALSE(form->EdgeResizing());
    EXPECT_FALSE(send(win::WM_NCLBUTTONDOWN, {r.left, r.bottom})) << "on the window's corner";
    EXPECT_FALSE(form->EdgeResizing());

    EXPECT_FALSE(send(win::WM_NCLBUTTONDOWN, {x, r.bottom - 2})) << "goes on to normal processing";
    ASSERT_TRUE(form->EdgeResizing());
    EXPECT_EQ(win::GetCapture(), form->Handle());
    const struct {
        int dy;
        int height;
    } moves[] = {{40, startHeight + 40}, {-5000, 650}, {5000, 1200}, {0, startHeight}};
    for (const auto& m : moves) {
        send(win::WM_MOUSEMOVE, {x, r.bottom - 2 + m.dy});
        EXPECT_EQ(form->Height(), std::clamp(m.height, 650, 1200)) << m.dy;
    }
    EXPECT_TRUE(send(win::WM_LBUTTONUP, {x, r.bottom}));
    EXPECT_FALSE(form->EdgeResizing());
    EXPECT_EQ(win::GetCapture(), 0u);
    send(win::WM_MOUSEMOVE, {x, r.bottom + 300});
    EXPECT_EQ(form->Height(), std::clamp(startHeight, 650, 1200)) << "no longer resizing";
}

// The same drag as a user makes it, through the window system: the bottom rows of the window are
// its lower edge, and pressing there and dragging makes the scope taller.
TEST_F(Startup, TheWindowsBottomRowsAreTheEdgeThatResizesIt) {
    StartPanel();
    form->LayOutScope(true, 200); // open, whatever the settings say
    form->Show();
    Application().ProcessMessages();
    ASSERT_GT(form->ClientHeight(), form->stPanel1->Height() + 20) << "the scope is open";
    win::Rect r;
    win::GetWindowRect(form->Handle(), &r);
    const int x = (r.left + r.right) / 2;
    const int startHeight = form->Height();
    const int startClient = form->ClientHeight();
    EXPECT_EQ(win::SendMessage(form->Handle(), win::WM_NCHITTEST, 0, win::MakeLParam(x, r.bottom - 1)),
              static_cast<win::LResult>(win::HTBORDER));
    auto drag = [&](int fromY, int dy) {
        win::InjectMouseMove({x, fromY});
        Application().ProcessMessages();
        win::InjectMouseButton({x, fromY}, win::MouseButton::Left, true);
        Application().ProcessMessages();
        win::InjectMouseMove({x, fromY + dy});
        Application().ProcessMessages();
        win::InjectMouseButton({x, fromY + dy}, win::MouseButton::Left, false);
        Application().ProcessMessages();
    };
    const int scope = form->SweepPanel->Height();
    const int graph = form->myFreqGraph1->Height();
    drag(r.bottom - 2, 60);
    EXPECT_EQ(form->Height(), startHeight + 60);
    EXPECT_EQ(form->ClientHeight(), startClient + 60);
    EXPECT_EQ(form->SweepPanel->Height(), scope + 60) << "the scope takes the height";
    EXPECT_EQ(form->myFreqGraph1->Height(), graph + 60) << "and its graph";
    EXPECT_FALSE(form->EdgeResizing());
    EXPECT_EQ(win::GetCapture(), 0u);
    win::GetWindowRect(form->Handle(), &r);
    drag(r.bottom - 12, 60); // inside the scope: no resizing
    EXPECT_EQ(form->Height(), startHeight + 60);
    form->Hide();
}

// Dialogs open centred on the panel, wherever the panel stands, not over its frequency display.
TEST_F(Startup, DialogsOpenCentredOnThePanel) {
    StartPanel();
    Application().SetMainForm(form.get()); // as the program's CreateForm makes it
    form->SetBounds(180, 120, form->Width(), form->Height());
    form->Show();
    Application().ProcessMessages();
    const struct {
        const char* name;
        TCustomForm* dialog;
    } dialogs[] = {
        {"recall", form->RecallForm},           {"store", form->MemoryForm},
        {"ranges", form->RangesForm},           {"range", form->RangesForm->NewRangeForm},
        {"exclusions", form->ExclusionsForm},   {"exclusion", form->ExclusionsForm->ExclusionForm},
        {"autostep", form->AutostepForm},       {"step", form->AutostepForm->NewStepForm},
        {"scan settings", form->ScanSetForm},   {"service", form->DebugForm},
        {"groups", form->GroupForm},            {"about", form->AboutForm},
        {"offset", form->OffsetForm},
    };
    const int cx = form->Left() + form->Width() / 2, cy = form->Top() + form->Height() / 2;
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.name);
        ASSERT_NE(d.dialog, nullptr);
        d.dialog->Show();
        Application().ProcessMessages();
        EXPECT_NEAR(d.dialog->Left() + d.dialog->Width() / 2, cx, 1);
        if (d.dialog == form->RecallForm) {
            // Below the store and recall buttons, which it would cover when centred.
            const TPoint buttons = form->stSpeedButton15->ClientToScreen({0, form->stSpeedButton15->Height()});
            EXPECT_GT(d.dialog->Top(), buttons.y);
        } else {
            EXPECT_NEAR(d.dialog->Top() + d.dialog->Height() / 2, cy, 1);
        }
        d.dialog->Hide();
    }
    form->Hide();
    Application().SetMainForm(nullptr);
}

// A window the panel embeds but did not make, as the demodulator's toolkit makes them.
struct ForeignWindow {
    static inline std::vector<std::uint32_t> keys;
    win::Hwnd hwnd = 0;
    explicit ForeignWindow(win::Hwnd parent) {
        win::WindowClass cls;
        cls.name = "EmbeddedDemodulatorWindow";
        cls.proc = [](win::Hwnd h, std::uint32_t m, win::WParam w, win::LParam l) -> win::LResult {
            if (m == win::WM_KEYDOWN || m == win::WM_KEYUP) keys.push_back(static_cast<std::uint32_t>(w));
            return win::DefWindowProc(h, m, w, l);
        };
        win::RegisterClass(cls);
        hwnd = win::CreateWindowEx(0, cls.name, "", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 40, 40, parent, 0, 0);
        win::SetWindowLongPtr(hwnd, win::GWLP_USERDATA, 0x1234); // its toolkit's object
        keys.clear();
    }
    ~ForeignWindow() {
        win::DestroyWindow(hwnd);
        win::UnregisterClass("EmbeddedDemodulatorWindow");
    }
};

TEST_F(Startup, ArrowKeysInAnEmbeddedWindowAreItsAloneAndModifierKeysStillCount) {
    StartPanel();
    ForeignWindow embedded(form->stPanel1->Handle());
    const auto key = [&](win::Hwnd to, std::uint32_t message, std::uint32_t vk) {
        win::Msg m;
        m.hwnd = to;
        m.message = message;
        m.wParam = vk;
        bool handled = false;
        form->ApplicationEvents1Message(m, handled);
        return handled;
    };
    const std::int64_t f = form->Q7->GetFreq();
    EXPECT_TRUE(key(embedded.hwnd, win::WM_KEYDOWN, win::VK_UP));
    EXPECT_TRUE(key(embedded.hwnd, win::WM_KEYUP, win::VK_UP));
    EXPECT_FALSE(key(embedded.hwnd, win::WM_KEYDOWN, 'A'));
    EXPECT_EQ(ForeignWindow::keys, (std::vector<std::uint32_t>{win::VK_UP, win::VK_UP}));
    EXPECT_EQ(form->Q7->GetFreq(), f) << "the panel did not tune";

    key(embedded.hwnd, win::WM_KEYDOWN, win::VK_SHIFT);
    EXPECT_TRUE(form->stSpeedButton48->Down()) << "Shift shows x10 wherever the focus is";
    key(embedded.hwnd, win::WM_KEYUP, win::VK_SHIFT);
    EXPECT_TRUE(form->stSpeedButton47->Down());
    EXPECT_FALSE(key(form->stKnob1->Handle(), win::WM_KEYUP, win::VK_UP)) << "the panel's own controls keep theirs";
}

} // namespace
} // namespace lxq::test
