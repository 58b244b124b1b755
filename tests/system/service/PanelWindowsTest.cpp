// The panel's windows on a real X server with no window manager (Xvfb on a display of its own), as
// a user meets them: the panel with its recall list, its service window and the demodulator's
// slope panel ("/d" is on this program's command line), setup and study windows. Clicks and keys
// go through the X server (the XTEST extension, as a pointer and keyboard make them); what is in
// front is read from the X server's stacking order and from what shows at a point of the screen.

#include "tests/system/FrontPanelRig.h"
#include "tests/system/PluginWindows.h"

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyTuningPad.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/components/TMenuItem.h"
#include "platform/win/BackendChoice.h"
#include "platform/win/HeadlessBackend.h"
#include "platform/win/WindowSystem.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

extern char** environ;

namespace lxq::systemtest {
namespace {

namespace win = plat::win;

// Xvfb on the first free display number (it says which), until the test ends.
class VirtualScreen {
public:
    VirtualScreen() {
        int fds[2];
        if (pipe(fds) != 0) return;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1400x1000x24", "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (pid_ > 0 && poll(&p, 1, 10'000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~VirtualScreen() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;
    // Empty when no X server could be started.
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

class PanelOnX : public FrontPanelSystem {
protected:
    void SetUp() override {
        if (screen_.Name().empty()) GTEST_SKIP() << "no Xvfb to show the panel on";
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!xtst_) GTEST_SKIP() << "no XTEST library to click with";
        fakeMotion_ = reinterpret_cast<FakeMotion>(dlsym(xtst_, "XTestFakeMotionEvent"));
        fakeButton_ = reinterpret_cast<FakeButton>(dlsym(xtst_, "XTestFakeButtonEvent"));
        fakeKey_ = reinterpret_cast<FakeKey>(dlsym(xtst_, "XTestFakeKeyEvent"));
        ASSERT_TRUE(fakeMotion_ && fakeButton_ && fakeKey_);
        display_ = XOpenDisplay(screen_.Name().c_str());
        ASSERT_NE(display_, nullptr);
        setenv("DISPLAY", screen_.Name().c_str(), 1);
        setenv("LXQ_WIN_BACKEND", "x11", 1);
        ASSERT_EQ(win::StartBackend(true), win::BackendKind::X11);
    }
    void TearDown() override {
        // The panel goes while its X windows can still go with it; then the window system is
        // headless again and the X server ends.
        if (form) form->KVR->StopAll();
        form.reset();
        win::WindowSystem::Instance().SetBackend(std::make_unique<win::HeadlessBackend>());
        unsetenv("LXQ_WIN_BACKEND");
        if (display_) XCloseDisplay(display_);
        if (xtst_) dlclose(xtst_);
    }

    // A valid slope record in the receiver's EEPROM, written through the API library as a
    // service tool writes it: the demodulator then opens without its checksum box.
    void HostReady() override {
        ApiLibrary api;
        auto open = api.Get<std::int32_t(std::int32_t)>("OpenRadioDevice");
        auto close = api.Get<std::int32_t(std::int32_t)>("CloseRadioDevice");
        auto write = api.Get<std::int32_t(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t, const void*)>(
            "Q7WriteEEPROM");
        const std::int32_t index = open(0);
        ASSERT_GE(index, 1);
        unsigned char record[13];
        std::uint16_t sum = 0;
        for (int k = 0; k < 11; ++k) sum = static_cast<std::uint16_t>(sum + (record[k] = 128));
        record[11] = static_cast<unsigned char>(sum & 0xFF);
        record[12] = static_cast<unsigned char>(sum >> 8);
        constexpr std::uint32_t kGuard = 0x6B3E, kSlopeRecord = 216;
        ASSERT_EQ(write(index, kGuard, kSlopeRecord, 13, record), 1);
        close(index);
    }

    void StartPanel() {
        Start("usb", "noise -60\n", {"/d"}); // the service switch: the "Service" menu
        // The program's main form, as the program makes it: the other forms are its windows.
        plat::comp::Application().SetMainForm(form.get());
        form->Show();
        Run(200);
        panel_ = form->Handle();
    }

    // --- what the X server shows ---
    struct Shown {
        Window window;
        std::string title;
        XWindowAttributes at;
    };
    // The mapped top-level windows, bottom first.
    std::vector<Shown> Stack() {
        XSync(display_, False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        std::vector<Shown> shown;
        if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) return shown;
        for (unsigned i = 0; i < count; ++i) {
            Shown s{children[i], {}, {}};
            if (!XGetWindowAttributes(display_, s.window, &s.at) || s.at.map_state != IsViewable) continue;
            char* name = nullptr;
            if (XFetchName(display_, s.window, &name) && name) {
                s.title = name;
                XFree(name);
            }
            shown.push_back(s);
        }
        if (children) XFree(children);
        return shown;
    }
    // Where in the stack a window of this title is (-1: not shown).
    int Level(const std::string& title) {
        const std::vector<Shown> stack = Stack();
        for (std::size_t i = 0; i < stack.size(); ++i)
            if (stack[i].title == title) return static_cast<int>(i);
        return -1;
    }
    std::string TopTitle() {
        const std::vector<Shown> stack = Stack();
        return stack.empty() ? std::string() : stack.back().title;
    }
    // The title of the window a user sees at a point of the screen.
    std::string TitleAt(int x, int y) {
        const std::vector<Shown> stack = Stack();
        for (auto it = stack.rbegin(); it != stack.rend(); ++it)
            if (x >= it->at.x && x < it->at.x + it->at.width && y >= it->at.y && y < it->at.y + it->at.height)
                return it->title;
        return {};
    }

    // --- the user's hands, through the X server ---
    void MoveTo(int x, int y) {
        fakeMotion_(display_, -1, x, y, 0);
        XSync(display_, False);
        Run(60);
    }
    void ClickScreen(int x, int y) {
        MoveTo(x, y);
        fakeButton_(display_, 1, True, 0);
        fakeButton_(display_, 1, False, 0);
        XSync(display_, False);
        Run(150);
    }
    void ClickWindow(win::Hwnd hwnd, int x, int y) {
        win::Point at{x, y};
        win::ClientToScreen(hwnd, &at);
        ClickScreen(at.x, at.y);
    }
    void ClickControl(plat::comp::TControl& c) {
        const plat::comp::TPoint at = c.ClientToScreen({c.Width() / 2, c.Height() / 2});
        ClickScreen(at.x, at.y);
    }
    void Keys(std::initializer_list<KeySym> held, KeySym key) {
        for (KeySym k : held) fakeKey_(display_, XKeysymToKeycode(display_, k), True, 0);
        fakeKey_(display_, XKeysymToKeycode(display_, key), True, 0);
        fakeKey_(display_, XKeysymToKeycode(display_, key), False, 0);
        for (KeySym k : held) fakeKey_(display_, XKeysymToKeycode(display_, k), False, 0);
        XSync(display_, False);
        Run(150);
    }
    std::string Title(win::Hwnd hwnd) { return win::GetWindowText(hwnd); }
    // A click on the visible part of a window's title bar.
    void ClickTitle(const std::string& title) {
        for (const Shown& s : Stack()) {
            if (s.title != title) continue;
            for (int x = s.at.x + 8; x < s.at.x + s.at.width - 40; x += 10)
                if (TitleAt(x, s.at.y + 8) == title) return ClickScreen(x, s.at.y + 8);
        }
        ADD_FAILURE() << "no part of the title of " << title << " shows";
    }

    VirtualScreen screen_;
    Display* display_ = nullptr;
    void* xtst_ = nullptr;
    using FakeMotion = int (*)(Display*, int, int, int, unsigned long);
    using FakeButton = int (*)(Display*, unsigned, Bool, unsigned long);
    using FakeKey = int (*)(Display*, unsigned, Bool, unsigned long);
    FakeMotion fakeMotion_ = nullptr;
    FakeButton fakeButton_ = nullptr;
    FakeKey fakeKey_ = nullptr;
    win::Hwnd panel_ = 0;
};

// One table over the panel's modeless windows and the demodulator's: each stays above the panel
// however often the panel is clicked, and one chosen again while others cover it comes to the
// front with the keyboard.
TEST_F(PanelOnX, ModelessWindowsStayAboveThePanelAndComeBackWhenChosenAgain) {
    StartPanel();
    const win::Hwnd demod = form->EmbeddedDemodulator();
    struct Opened {
        const char* what;
        std::function<void()> choose; // as the user opens it; empty: nothing opens it again
        std::string title;
        win::Hwnd hwnd = 0;
        std::function<void()> again; // as the user brings it back, when not as it was opened
    };
    const auto setupButton = [&] { ClickWindow(demod, 265 + 25, 28 + 10); };
    const auto studyButton = [&] {
        const win::Hwnd setup = WindowTitled(demod, "Q745 Demodulator Setup");
        win::Rect r{};
        win::GetClientRect(setup, &r);
        ClickWindow(setup, 262 + (r.right - 266) - 126 + 60, 26 + 279 + 16);
    };
    std::string studyTitle; // named by the demodulator's mode
    std::vector<Opened> windows = {
        {"recall list", [&] { ClickControl(*form->stSpeedButton15); }, {}, 0, {}},
        {"service window", [&] { form->Debug1->Click(); Run(150); }, {}, 0, {}},
        {"slope panel", {}, "IF spectrum slope compensation", 0, {}},
        // Their buttons show and hide them: they are brought back by a click on their titles.
        {"demodulator setup", setupButton, "Q745 Demodulator Setup", 0, [&] { ClickTitle("Q745 Demodulator Setup"); }},
        {"demodulator study", studyButton, {}, 0, [&] { ClickTitle(studyTitle); }},
    };
    for (Opened& w : windows) {
        if (w.choose) w.choose();
        if (w.title.empty()) {
            // Found by what opened last: the top window.
            w.title = TopTitle();
        }
        w.hwnd = WindowTitled(demod, w.title);
        ASSERT_NE(w.hwnd, 0u) << w.what << " shows (" << w.title << ")";
        ASSERT_GT(Level(w.title), Level(Title(panel_))) << w.what << " opens above the panel";
    }
    // Moved aside as a user drags them, below the panel: the memory number, the recall button and
    // the demodulator's setup button stay in sight. The recall list keeps its place below the
    // recall button.
    const std::pair<std::size_t, win::Point> aside[] = {{1, {640, 600}}, {3, {700, 560}}, {4, {0, 600}}};
    for (const auto& [i, at] : aside)
        win::SetWindowPos(windows[i].hwnd, 0, at.x, at.y, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    Run(150);
    EXPECT_NE(windows[0].title.find("Recall frequency"), std::string::npos) << windows[0].title;
    EXPECT_EQ(windows[1].title, "Service");
    studyTitle = windows[4].title;
    EXPECT_NE(windows[4].title.find("Demodulator Structure"), std::string::npos) << windows[4].title;

    // Clicks on the panel where no other window covers it (the memory number), then on the
    // frequency: the panel takes the keyboard, every window stays in front of it and shows.
    for (plat::comp::TControl* c : {static_cast<plat::comp::TControl*>(form->myIntEdit1),
                                    static_cast<plat::comp::TControl*>(form->myFrequencyEdit1)}) {
        const plat::comp::TPoint at = c->ClientToScreen({c->Width() / 2, c->Height() / 2});
        if (TitleAt(at.x, at.y) != Title(panel_)) continue; // covered: not a click on the panel
        ClickScreen(at.x, at.y);
        EXPECT_EQ(win::GetActiveWindow(), panel_);
        for (const Opened& w : windows)
            EXPECT_GT(Level(w.title), Level(Title(panel_))) << w.what << " after a click on the panel";
    }
    EXPECT_EQ(win::GetActiveWindow(), panel_) << "the panel was clicked";

    // Chosen again from under the others: in front, and active.
    for (const Opened& w : windows) {
        if (!w.choose) continue;
        ASSERT_NE(TopTitle(), w.title) << w.what << " is covered before it is chosen";
        (w.again ? w.again : w.choose)();
        EXPECT_EQ(TopTitle(), w.title) << w.what << " in front when chosen again";
        EXPECT_EQ(win::GetActiveWindow(), w.hwnd) << w.what << " takes the keyboard";
        EXPECT_GT(Level(w.title), Level(Title(panel_)));
    }
}

// The recall list opens centred on the panel, but the panel's store and recall buttons stay
// uncovered and can be clicked.
TEST_F(PanelOnX, TheRecallListLeavesTheStoreAndRecallButtonsFree) {
    StartPanel();
    ClickControl(*form->stSpeedButton15);
    const std::string recall = TopTitle();
    ASSERT_NE(recall.find("Recall frequency"), std::string::npos) << recall;
    for (plat::comp::TControl* b : {static_cast<plat::comp::TControl*>(form->stSpeedButton12),
                                    static_cast<plat::comp::TControl*>(form->stSpeedButton15)}) {
        const plat::comp::TPoint corner = b->ClientToScreen({0, 0});
        for (int dx : {0, b->Width() - 1})
            for (int dy : {0, b->Height() - 1})
                EXPECT_EQ(TitleAt(corner.x + dx, corner.y + dy), Title(panel_)) << b->Hint();
    }
    // Transient for the panel: a window manager, where there is one, keeps it above the panel too.
    Window list = 0, panelWindow = 0, owner = 0;
    for (const Shown& shown : Stack()) {
        if (shown.title == recall) list = shown.window;
        if (shown.title == Title(panel_)) panelWindow = shown.window;
    }
    ASSERT_TRUE(list && panelWindow);
    ASSERT_TRUE(XGetTransientForHint(display_, list, &owner));
    EXPECT_EQ(owner, panelWindow);
    // Centred across the panel.
    win::Rect panelRect{}, listRect{};
    win::GetWindowRect(panel_, &panelRect);
    win::GetWindowRect(WindowTitled(panel_, recall), &listRect);
    EXPECT_NEAR(listRect.left + listRect.Width() / 2, panelRect.left + panelRect.Width() / 2, 1);
}

// A tuning-pad key lit under the pointer goes plain when the pointer leaves the panel straight
// from the key for the desktop.
TEST_F(PanelOnX, ATuningPadKeyLeftForTheDesktopGoesPlain) {
    StartPanel();
    TmyImage& key = form->myTuningPad1->Key(0);
    const auto colour = [&] { return key.Bitmap().Surface().GetPixel(key.Width() / 2, key.Height() / 2); };
    const plat::comp::TColor plain = colour();
    const plat::comp::TPoint at = key.ClientToScreen({key.Width() / 2, key.Height() / 2});
    ASSERT_EQ(TitleAt(at.x, at.y), Title(panel_));
    MoveTo(at.x, at.y);
    ASSERT_NE(colour(), plain) << "lit under the pointer";
    // Straight down and out of the panel's window in one move.
    win::Rect panelRect{};
    win::GetWindowRect(panel_, &panelRect);
    ASSERT_LT(panelRect.bottom + 5, 1000);
    ASSERT_EQ(TitleAt(at.x, panelRect.bottom + 5), "");
    MoveTo(at.x, panelRect.bottom + 5);
    EXPECT_EQ(colour(), plain);
}

} // namespace
} // namespace lxq::systemtest
