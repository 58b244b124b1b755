// The front panel's frame: the main menu, the start-up status lines, the help library, the
// window's activation and resizing by its lower edge, and the function keys.

#include <algorithm>

#include "app/forms/TSplashForm.h"
#include "app/controls/TmyTuningPad.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TAutostepForm.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TMenuItem.h"
#include "platform/win/CursorApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/PaintApi.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;
namespace win = plat::win;


namespace {

constexpr int kMinHeight = 650;
constexpr int kMaxHeight = 1200;
constexpr int kEdgeBand = 5;
constexpr std::uint32_t kHelpInitialize = 28;

using HtmlHelpProc = win::Hwnd (*)(win::Hwnd caller, const char* file, std::uint32_t command,
                                   std::uintptr_t data);

TMenuItem* Item(TComponent* owner, TMenuItem& parent, const char* caption,
                std::function<void(TObject*)> onClick = {}) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    item->OnClick = std::move(onClick);
    parent.Add(item);
    return item;
}

} // namespace

void TQ7form::BuildStartup() {
    BuildMainMenu();
    BuildTuning();
    OnActivate = [this](TObject* s) { FormActivate(s); };
    OnCanResize = [this](TObject* s, int& w, int& h, bool& resize) { FormCanResize(s, w, h, resize); };
    OnKeyPress = [this](TObject* s, char& key) { FormKeyPress(s, key); };
}

void TQ7form::BuildMainMenu() {
    MainMenu1 = new TMainMenu(this);
    TMenuItem& bar = MainMenu1->Items();
    const auto line = [this](TMenuItem& parent) { Item(this, parent, "-"); };

    File1 = Item(this, bar, "&File");
    Memoryfile1 = Item(this, *File1, "&Memory file");
    New1 = Item(this, *Memoryfile1, "&New", [this](TObject* s) { New1Click(s); });
    Open1 = Item(this, *Memoryfile1, "&Open", [this](TObject* s) { Open1Click(s); });
    Save1 = Item(this, *Memoryfile1, "&Save", [this](TObject* s) { Save1Click(s); });
    Saveas1 = Item(this, *Memoryfile1, "S&ave as", [this](TObject* s) { Saveas1Click(s); });
    line(*Memoryfile1);
    Clear1 = Item(this, *Memoryfile1, "&Clear", [this](TObject* s) { Clear1Click(s); });
    line(*Memoryfile1);
    ImportfromCSV1 = Item(this, *Memoryfile1, "&Import from CSV", [this](TObject* s) { ImportfromCSV1Click(s); });
    ExporttoCSV1 = Item(this, *Memoryfile1, "&Export to CSV", [this](TObject* s) { ExporttoCSV1Click(s); });
    Calibrationfile1 = Item(this, *File1, "&Calibration file", [this](TObject* s) { Calibrationfile1Click(s); });
    Calibrationfile1->SetVisible(false);                        // "/c" shows it
    Calibrationfile1->SetEnabled(false);
    line(*File1);
    Exit1 = Item(this, *File1, "E&xit", [this](TObject* s) { Exit1Click(s); });
    Exit1->SetShortCut(scAlt | 'X');

    Options1 = Item(this, bar, "&Options");
    Options1->Add(Scanning1); // the scanner's "&Scanning"
    Autostepping1 = Item(this, *Options1, "&Autostepping", [this](TObject* s) { stSpeedButton11Click(s); });
    Displayoffset1 = Item(this, *Options1, "&Display offset", [this](TObject* s) { Displayoffset1Click(s); });
    FrontpanelLED1 = Item(this, *Options1, "&Front panel LED", [this](TObject* s) { FrontpanelLED1Click(s); });
    FrontpanelLED1->SetVisible(false); // only receivers on USB or a serial line have the LED
    line(*Options1);
    Stayontop1 = Item(this, *Options1, "Stay on &top", [this](TObject* s) { Stayontop1Click(s); });

    Debug1 = Item(this, bar, "&Service", [this](TObject* s) { Debug1Click(s); });
    Debug1->SetShortCut(scShift | win::VK_F5);
    Debug1->SetVisible(false); // "/d" shows it
    Debug1->SetEnabled(false);

    // Filled by the plug-in menus (OnClick of their items: OnPlugin, NewDemodulator).
    TMenuItem** pluginMenus[] = {&Plugins1, &Trunking1, &Demodulators1, &DSP1, &DF1, &Decoders1, &Digitalsuite1};
    const char* pluginCaptions[] = {"Plu&gins", "&Trunking", "De&modulators", "DS&P", "&DF", "D&ecoders",
                                    "D&igital suite"};
    for (std::size_t i = 0; i < std::size(pluginMenus); ++i) {
        *pluginMenus[i] = Item(this, bar, pluginCaptions[i]);
        (*pluginMenus[i])->SetVisible(false);
    }

    Help1 = Item(this, bar, "&Help");
    Help2 = Item(this, *Help1, "&Help", [this](TObject* s) { Help2Click(s); });
    About1 = Item(this, *Help1, "&About", [this](TObject* s) { About1Click(s); });

    // The bar takes its room above the client area, which keeps its size.
    const int clientHeight = ClientHeight();
    SetMenu(MainMenu1);
    SetClientSize(ClientWidth(), clientHeight);
}

void TQ7form::stSpeedButton11Click(TObject*) { AutostepForm->Edit(autoSteps_); }

void TQ7form::SetStatus(const std::string& text) {
    if (SplashForm) SplashForm->SetStatus(text);
}

void TQ7form::LoadHelp() {
    helpLibrary_ = plat::sys::Module::Load("hhctrl.ocx");
    HelpModule = helpLibrary_.get();
    if (!helpLibrary_) return;
    if (auto help = reinterpret_cast<HtmlHelpProc>(helpLibrary_->Symbol("HtmlHelpA")))
        help(Handle(), "lxq745.chm", kHelpInitialize, 0);
}

void TQ7form::FormActivate(TObject*) {
    if (stKnob1->Enabled() && stKnob1->CanFocus()) SetActiveControl(stKnob1);
}

void TQ7form::FormCanResize(TObject*, int&, int&, bool& resize) { resize = true; }

void TQ7form::ReserveLowerEdge(TMessage& m) {
    if (auto* r = reinterpret_cast<win::Rect*>(m.LParam)) r->bottom = std::max(r->top, r->bottom - kEdgeBand);
}

TRect TQ7form::ClientAreaInWindow() const {
    TRect r = TForm::ClientAreaInWindow();
    r.bottom = std::max(r.top, r.bottom - kEdgeBand);
    return r;
}

void TQ7form::PaintNonClient(plat::gdi::DC& dc) {
    TForm::PaintNonClient(dc);
    const TRect client = ClientAreaInWindow();
    dc.FillRect({client.left, client.bottom, client.right, client.bottom + kEdgeBand},
                plat::gdi::Brush::Solid(plat::comp::ColorToRGB(Color())));
}

// The spectrum scope below the front panel is made taller or shorter by dragging the window's
// lower edge; the band is live only while the scope is open.
bool TQ7form::EdgeResizeMessage(const win::Msg& msg) {
    if (!HandleAllocated() || msg.hwnd != Handle()) return false;
    win::Rect window;
    win::GetWindowRect(Handle(), &window);
    const auto onBand = [&](win::Point p) {
        return p.x > window.left && p.x < window.right && std::abs(p.y - window.bottom) <= kEdgeBand &&
               stPanel1->Height() + 20 < ClientHeight();
    };
    const win::Point at{win::GetXParam(msg.lParam), win::GetYParam(msg.lParam)};
    switch (msg.message) {
    case win::WM_NCLBUTTONDOWN:
        if (onBand(at)) {
            edgeResizing_ = true;
            edgeStartY_ = at.y;
            edgeStartHeight_ = Height();
            win::SetCapture(Handle());
            win::SetCursor(win::LoadCursor(win::IDC_SIZENS));
        }
        return false;
    case win::WM_NCMOUSEMOVE:
        win::SetCursor(win::LoadCursor(onBand(at) ? win::IDC_SIZENS : win::IDC_ARROW));
        return false;
    case win::WM_LBUTTONUP:
        if (!edgeResizing_) return false;
        win::ReleaseCapture();
        edgeResizing_ = false;
        win::SetCursor(win::LoadCursor(win::IDC_ARROW));
        return true;
    case win::WM_MOUSEMOVE: {
        if (!edgeResizing_) return false;
        win::Point cursor;
        win::GetCursorPos(&cursor);
        SetHeight(std::clamp(edgeStartHeight_ + (cursor.y - edgeStartY_), kMinHeight, kMaxHeight));
        // The scope below the front panel takes the new height, its graph with it.
        if (stSpeedButton24->Down()) LayOutScope(true, ClientHeight() - stPanel1->Height());
        return false;
    }
    default: return false;
    }
}

bool TQ7form::EmbeddedArrowKey(const win::Msg& msg) {
    if (msg.message != win::WM_KEYDOWN && msg.message != win::WM_KEYUP) return false;
    if (msg.wParam < win::VK_LEFT || msg.wParam > win::VK_DOWN) return false;
    if (!HandleAllocated() || !win::IsChild(Handle(), msg.hwnd) || TWinControl::FindControl(msg.hwnd)) return false;
    win::SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    return true;
}

bool TQ7form::FunctionKey(std::uint16_t key) {
    if ((KeyboardShiftState() & (ss::Shift | ss::Ctrl | ss::Alt)) != 0) return false;
    if (key == win::VK_F1) {
        Help2->Click();
        return false;
    }
    if (key < win::VK_F2 || key > win::VK_F12) return false;
    // The memory hotkeys tune as the memory panel does, and are locked with it.
    if (!MemoryRecallAllowed()) return key == win::VK_F10;
    const std::int32_t hotkey = key - win::VK_F1 + 1;
    // Every channel on the key is recalled in list order, so the last one stays.
    for (std::size_t i = 0; i < memories_.size(); ++i)
        if (memories_[i]->hotkey == hotkey) RecallMemoryAt(i);
    return key == win::VK_F10; // F10 would open the menu bar
}

void TQ7form::FormKeyPress(TObject*, char& key) {
    // As the buttons' own clicks: not while the memory panel is locked.
    if ((key == 'S' || key == 's') && stSpeedButton12 && stSpeedButton12->Enabled()) stSpeedButton12->Click();
    if ((key == 'R' || key == 'r') && stSpeedButton15 && stSpeedButton15->Enabled()) stSpeedButton15->Click();
}

} // namespace lxq
