// The plug-in side of the front panel: the plug-in menus, the demodulator embedded in its panel,
// and the answers to the plug-in host's events (started and closed plug-ins, visibility, disable
// bits, capabilities, memory channels and the memory file).

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TmyTuningPad.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstAlignEdit.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/MEMORYENTRY.h"
#include "app/forms/TMemoryForm.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TRecallForm.h"
#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/PackedFrequency.h"
#include "app/receiver/RADIODEVCAPS.h"
#include "app/receiver/SquelchSettings.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplication.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/TMessageForm.h"
#include "platform/sys/DebugOutput.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;
namespace win = plat::win;

namespace {

constexpr const char* kErrorCaption = "LXQ745 error";
constexpr std::uint32_t kErrorBox = MB_OK | MB_ICONWARNING | MB_TOPMOST;

// The plug-in menus in menu-bar order.
constexpr const char* kPluginsMenu = "Plu&gins";
constexpr const char* kTrunkingMenu = "&Trunking";
constexpr const char* kDemodulatorsMenu = "De&modulators";
constexpr const char* kDspMenu = "DS&P";
constexpr const char* kDfMenu = "&DF";
constexpr const char* kDecodersMenu = "D&ecoders";
constexpr const char* kDigitalMenu = "D&igital suite";
constexpr const char* kPluginMenus[] = {kPluginsMenu, kTrunkingMenu, kDemodulatorsMenu, kDspMenu,
                                        kDfMenu,      kDecodersMenu, kDigitalMenu};

constexpr std::uint32_t kTypeHidden = 0x40;
constexpr std::uint32_t kTypeAutoStart = 0x20;
constexpr std::uint32_t kHighestCategorisedType = 0x5FF;
constexpr int kDemodulatorGroup = 1;
// The widest demodulator window the panel can hold.
constexpr int kDemodulatorMaxWidth = 330;
constexpr win::WParam kShowAllCues = 0x30003;

// Disable bits a plug-in sets in the host's word.
constexpr std::uint32_t kLockPower = 0x1;
constexpr std::uint32_t kLockExit = 0x2;
constexpr std::uint32_t kLockScope = 0x4;
constexpr std::uint32_t kLockPluginMenus = 0x10;
constexpr std::uint32_t kLockFrequency = 0x100;
constexpr std::uint32_t kLockMeter = 0x400;
constexpr std::uint32_t kLockSquelch = 0x800;
constexpr std::uint32_t kLockAgc = 0x2000;
constexpr std::uint32_t kLockIfGain = 0x4000;
constexpr std::uint32_t kLockMemory = 0x80000;
constexpr std::uint32_t kLockScanning = 0x100000;
constexpr std::uint32_t kAllowDsp = 0x200000;
constexpr std::uint32_t kCapabilityAfc = 0x40000;
constexpr int kModeFmWide = 3;

// Memory requests and memory-file requests of plug-ins.
constexpr std::uint32_t kMemRecall = 0x4100;
constexpr std::uint32_t kMemStore = 0x4101;
constexpr std::uint32_t kMemRead = 0x4102;
constexpr std::uint32_t kMemCount = 0x4103;
constexpr std::uint32_t kMemNext = 0x4104;
constexpr std::uint32_t kMemFilePath = 0x4105;
constexpr std::uint32_t kMemFileSwitch = 0x4106;

const char* MenuOfType(std::uint32_t type) {
    if (type > kHighestCategorisedType) return kPluginsMenu;
    switch (type >> 8) {
    case 1: return kTrunkingMenu;
    case 2: return kDigitalMenu;
    case 3: return kDecodersMenu;
    case 4: return kDemodulatorsMenu;
    case 5: return kDfMenu;
    default: return kPluginsMenu;
    }
}

// Copies text into a fixed field, cut to fit and always terminated.
template <std::size_t N>
void CopyField(char (&field)[N], const char* text, std::size_t limit) {
    const std::size_t n = strnlen(text, std::min(limit, N - 1));
    std::memcpy(field, text, n);
    std::fill(field + n, field + N, '\0');
}

std::uint32_t SizeOf(const void* entry) {
    std::uint32_t size = 0;
    std::memcpy(&size, entry, sizeof size);
    return size;
}

} // namespace

void TQ7form::BuildPlugins() {
    // The controls keep their client area: the menu bar and the panel are added around it.
    const int width = ClientWidth();
    const int height = ClientHeight();
    if (!Menu()) {
        MainMenu1 = new TMainMenu(this);
        SetMenu(MainMenu1);
    } else {
        MainMenu1 = Menu();
    }
    for (const char* caption : kPluginMenus) PluginMenu(caption);
    Demodulators1 = PluginMenu(kDemodulatorsMenu);

    // The demodulator's window sits in a bevelled panel right of the controls.
    const int bevel = 6;
    const int top = 0;
    DemodPanel = new TstPanel(this);
    DemodPanel->SetParent(this);
    DemodPanel->SetBounds(width, top, 320 + 2 * bevel, 276 + 2 * bevel);
    DemodPanel->SetColor(0x404040);
    DemodPanel->SetBevelStyle(TBevelStyle::bsRound);
    DemodPanel->SetBevelWidth(bevel);
    DemodPanel->SetCaption("Demodulator");
    DemodPanel->SetEnable4All(false);
    SetClientSize(width + DemodPanel->Width(), std::max(height, DemodPanel->Height()));
    BindPluginEvents();
}

void TQ7form::BindPluginEvents() {
    KVR->OnPluginLoad = [this](TObject* s, const std::string& n) { KVRPluginLoad(s, n); };
    KVR->OnPluginStart = [this](TObject* s, const std::string& n) { KVRStarted(s, n); };
    KVR->OnPluginStop = [this](TObject* s, const std::string& n) { KVRClosed(s, n); };
    KVR->OnVisibleChanged = [this](TObject* s) { KVRVisible(s); };
    KVR->OnMinimizeChanged = [this](TObject* s) { KVRMinimize(s); };
    KVR->OnDisableChanged = [this](TObject* s) { KVRDisable(s); };
    KVR->OnCapabilities = [this](TObject* s) { KVRCapabilities(s); };
    KVR->OnResumeScanner = [this](TObject* s) { KVRResumeScanner(s); };
    KVR->OnGetSettings = [this](TObject* s, std::uint32_t q, std::uint32_t cb, void* d, std::int32_t& r) {
        KVRGetSettings(s, q, cb, d, r);
    };
    KVR->OnMemoryEvent = [this](TObject* s, std::uint32_t c, std::uint32_t p, void* e, std::int32_t& r) {
        KVRMemoryEvent(s, c, p, e, r);
    };
    KVR->OnMemoryFileEvent = [this](TObject* s, std::uint32_t c, std::uint32_t n, void* b, std::int32_t& r) {
        KVRMemoryFileEvent(s, c, n, b, r);
    };
}

void TQ7form::UnbindPluginEvents() {
    if (!KVR) return;
    KVR->OnPluginLoad = nullptr;
    KVR->OnPluginStart = nullptr;
    KVR->OnPluginStop = nullptr;
    KVR->OnStartDemodulator = nullptr;
    KVR->OnCallback = nullptr;
    KVR->OnVisibleChanged = nullptr;
    KVR->OnMinimizeChanged = nullptr;
    KVR->OnDisableChanged = nullptr;
    KVR->OnCapabilities = nullptr;
    KVR->OnResumeScanner = nullptr;
    KVR->OnGetSettings = nullptr;
    KVR->OnMemoryEvent = nullptr;
    KVR->OnMemoryFileEvent = nullptr;
}

TMenuItem* TQ7form::PluginMenu(const std::string& caption) {
    TMenuItem& bar = MainMenu1->Items();
    for (int i = 0; i < bar.Count(); ++i)
        if (bar.Items(i)->Caption() == caption) return bar.Items(i);
    auto* menu = new TMenuItem(this);
    menu->SetCaption(caption);
    menu->SetVisible(false); // until a plug-in lands in it
    bar.Add(menu);
    return menu;
}

// --- menus -------------------------------------------------------------------------------------

void TQ7form::BuildPluginMenus() {
    const PluginCall call(*this);
    KVR->LoadPlugins();
    const int count = KVR->GetPluginCount();
    std::vector<std::string> demodulators;
    for (int i = 0; i < count; ++i) {
        const std::string name = KVR->GetPluginName(i);
        const std::uint32_t type = KVR->GetPluginFlags(name);
        if (type & kTypeHidden) continue;
        TMenuItem* menu = PluginMenu(MenuOfType(type));
        auto* item = new TMenuItem(this);
        item->SetCaption(name);
        if (type <= kHighestCategorisedType && kvr::IsDemodulator(type)) {
            item->SetRadioItem(true);
            item->SetGroupIndex(kDemodulatorGroup);
            item->SetTag(kDemodulatorGroup);
            item->OnClick = [this](TObject* s) { NewDemodulator(s); };
            demodulators.push_back(name);
        } else {
            item->OnClick = [this](TObject* s) { OnPlugin(s); };
        }
        menu->Add(item);
        menu->SetVisible(true);
    }
    // Until a choice is stored, the demodulator to start is one that is installed: the built-in
    // name when it is, else the first one found.
    if (!demodulators.empty() &&
        std::find(demodulators.begin(), demodulators.end(), demodulatorName_) == demodulators.end())
        demodulatorName_ = demodulators.front();
    for (int i = 0; i < count; ++i) {
        const std::string name = KVR->GetPluginName(i);
        if (KVR->GetPluginFlags(name) & kTypeAutoStart) KVR->StartPlugin(name);
    }
}

void TQ7form::OnPlugin(TObject* sender) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item) return;
    const PluginCall call(*this);
    if (item->Checked()) KVR->StopPlugin(item->Caption());
    else KVR->StartPlugin(item->Caption());
}

void TQ7form::KVRStarted(TObject*, const std::string& name) {
    for (const char* caption : kPluginMenus) CheckMenuItemByCaption(*PluginMenu(caption), name, true);
}

void TQ7form::KVRClosed(TObject*, const std::string& name) {
    for (const char* caption : kPluginMenus) CheckMenuItemByCaption(*PluginMenu(caption), name, false);
    if (name == demodulatorName_) embeddedDemodulator_ = 0; // its window goes with it
}

// --- the demodulator ---------------------------------------------------------------------------

bool TQ7form::StartDemodulator(const std::string& name) {
    const PluginCall call(*this);
    auto splash = [this](const std::string& text) { SetStatus(text); };
    DebugLog("Starting " + demodulatorName_);
    demodulatorName_ = name;
    splash("Starting demodulator...\n" + name);
    // The demodulator starts on a receiver that holds what the panel asked of it, and asks the
    // panel for the squelch as it starts: the level is measured now, after those requests.
    Q7->GetSS();
    const std::int32_t started = KVR->StartPlugin(name);
    if (started == 0 || started == kvr::kNotRunning) {
        ShowMessageBox("The demodulator failed to start.", kErrorCaption, kErrorBox);
        return false;
    }
    const auto window = static_cast<win::Hwnd>(started);
    splash("Started demodulator...\n" + name);
    win::Rect client{};
    win::GetClientRect(window, &client);
    if (!win::IsWindow(window)) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(window));
        ShowMessageBox(std::string("The demodulator is not a window: ") + hex, kErrorCaption, kErrorBox);
        return false;
    }
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width > kDemodulatorMaxWidth) {
        plat::sys::OutputDebugText("Dimensions: " + std::to_string(width) + "x" + std::to_string(height));
        KVR->StopPlugin(name);
        ShowMessageBox("The selected demodulator is not suitable for this type of receiver", kErrorCaption,
                       kErrorBox);
        return false;
    }
    const auto style = static_cast<std::uint32_t>(win::GetWindowLongPtr(window, win::GWL_STYLE));
    win::SetWindowLongPtr(window, win::GWL_STYLE, (style & ~win::WS_POPUP) | win::WS_CHILD);
    win::SetParent(window, DemodPanel->Handle());
    splash("Running demodulator...\n" + name);
    const int b = DemodPanel->BevelWidth();
    win::SetWindowPos(window, 0, b, b, DemodPanel->Width() - 2 * b, DemodPanel->Height() - 2 * b,
                      win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    win::ShowWindow(window, win::SW_SHOWNOACTIVATE);
    for (win::Hwnd h : {Handle(), window}) {
        win::SendMessage(h, win::WM_CHANGEUISTATE, kShowAllCues, 0);
        win::SendMessage(h, win::WM_UPDATEUISTATE, kShowAllCues, 0);
    }
    embeddedDemodulator_ = window;
    // The demodulator starts in the mode it kept itself; the panel's mode is the one in force
    // (a sweep or a scan puts it back), so the demodulator is given it, and with it the mode's
    // squelch.
    Q7->SetMode(Q7->GetMode());
    DebugLog(name + " started");
    return true;
}

void TQ7form::NewDemodulator(TObject* sender) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item || item->Caption() == demodulatorName_) return;
    // The same swap as a plug-in's request for another demodulator.
    KVRStartDemodulator(sender, item->Caption());
}

// --- host events -------------------------------------------------------------------------------

void TQ7form::KVRPluginLoad(TObject*, const std::string& name) {
    SetStatus("Loading plug-ins...\n" + name);
}

void TQ7form::KVRVisible(TObject*) { SetVisible(KVR->Visible()); }

void TQ7form::KVRMinimize(TObject*) {
    if (KVR->Minimized()) Application().Minimize();
    else Application().Restore();
}

void TQ7form::KVRGetSettings(TObject*, std::uint32_t query, std::uint32_t, void*, std::int32_t& result) {
    if (query == kvr::kQueryVisible) result = Visible() ? 1 : 0;
    else if (query == kvr::kQueryMinimized) result = Application().Minimized() ? 1 : 0;
}

void TQ7form::KVRResumeScanner(TObject*) {
    // The scanner's direction buttons are made with the scanner's controls; they are found by
    // caption so that this works whichever area builds them.
    for (const char* caption : {"Scan to the right", "Scan to the left"}) {
        for (int i = 0; i < ComponentCount(); ++i) {
            auto* button = dynamic_cast<TstSpeedButton*>(Components(i));
            if (button && button->Hint() == caption && button->Down()) button->Click();
        }
    }
}

bool TQ7form::TuningAllowed() { return Q7->GetPower() != 0 && (KVR->Disabled() & kLockFrequency) == 0; }

bool TQ7form::MemoryRecallAllowed() { return TuningAllowed() && (KVR->Disabled() & kLockMemory) == 0; }

void TQ7form::KVRDisable(TObject*) {
    const std::uint32_t bits = KVR->Disabled();
    const auto clear = [bits](std::uint32_t bit) { return (bits & bit) == 0; };
    const auto enable = [](bool on, std::initializer_list<TControl*> controls) {
        for (TControl* c : controls)
            if (c) c->SetEnabled(on);
    };
    const bool powered = Q7->GetPower() != 0;
    const bool agcOn = Q7->GetAGC() != 0;
    const bool fmWide = Q7->GetMode() == kModeFmWide;
    const std::uint32_t active = Q7->SquelchTypes();
    const auto* caps = static_cast<const RADIODEVCAPS*>(KVR->GetRadioDevCaps());
    const std::uint32_t types = caps ? caps->squelchTypes : 0;

    enable(clear(kLockPower), {stSpeedButton1});
    const bool frequency = TuningAllowed();
    enable(frequency, {myFrequencyEdit1, stSpeedButton26, stSpeedButton27, stSpeedButton28, stSpeedButton29,
                       myTuningPad1, myUpDown5, myUpDown6, myUpDown7, myUpDown8, myUpDown9, myUpDown10,
                       myUpDown11, myUpDown12, myUpDown13});
    const bool step = powered && frequency;
    enable(step, {stPanel4});
    // The step entry stays off while "Auto" takes the step from the auto-step list.
    enable(step && !(stSpeedButton9 && stSpeedButton9->Down()), {myFrequencyEdit2, myUpDown1});
    // The memory panel: store and recall, the channel number, its spinner and the stepping
    // buttons, each of which tunes to a channel.
    enable(powered && step && clear(kLockMemory), {stSpeedButton12, stSpeedButton15, myIntEdit1, myUpDown2,
                                                   stSpeedButton11, stSpeedButton13, stSpeedButton14, stSpeedButton25});
    enable(powered && frequency, {stKnob1});
    const bool squelch = clear(kLockSquelch) && powered;
    enable(powered && clear(kLockIfGain) && !agcOn, {myIntEdit2, myUpDown3});
    enable(clear(kLockScanning) && powered, {stSpeedButton19, stSpeedButton20, stSpeedButton7, stSpeedButton23,
                                             stSpeedButton10, stSpeedButton3, stSpeedButton21});
    for (const char* caption : kPluginMenus) {
        const bool dsp = std::strcmp(caption, kDspMenu) == 0;
        PluginMenu(caption)->SetEnabled(clear(kLockPluginMenus) && (!dsp || !clear(kAllowDsp)));
    }
    // Enabling the scope panel enables all its children: while a sweep runs its range entries
    // are off, and a lock re-applied then must not bring them back. The panel is live only open.
    const bool scope = clear(kLockScope) && powered && stSpeedButton24 && stSpeedButton24->Down();
    if (SweepPanel && SweepPanel->Enabled() != scope) SweepPanel->SetEnabled(scope);
    if (Exit1) Exit1->SetEnabled(clear(kLockExit));
    const bool meter = clear(kLockMeter) && ((powered && agcOn) || fmWide);
    enable(meter, {mySMeter, stSpeedButton16, stSpeedButton17, stSpeedButton18});
    enable(meter && stSpeedButton18 && stSpeedButton18->Down(), {stSpeedButton39}); // "p-p" only with "µV"
    enable(clear(kLockAgc) && powered && !fmWide, {stSpeedButton22, stSpeedButton4, stSpeedButton5, stSpeedButton6});
    const bool level = agcOn && squelch;
    enable(level, {stSpeedButton8});
    enable(level && (active & kSquelchLevel), {myIntEdit3, myUpDown4});
    enable(squelch && (active & kSquelchNoise), {myIntEdit4});
    enable((types & kSquelchNoise) && squelch, {stSpeedButton42});
    enable(squelch && (active & kSquelchVoice), {myIntEdit5});
    enable((types & kSquelchVoice) && squelch, {stSpeedButton43});
    enable(squelch && (active & kSquelchCtcss), {stAlignEdit1, myUpDown16});
    enable((types & kSquelchCtcss) && squelch, {stSpeedButton44});
    enable(squelch && (active & kSquelchDcs), {stAlignEdit2, myUpDown17, stSpeedButton46});
    enable((types & kSquelchDcs) && squelch, {stSpeedButton45});
    enable(powered && !(stSpeedButton52 && stSpeedButton52->Down()), {stSpeedButton34, stSpeedButton35, stSpeedButton36});
    const bool afc = caps && powered && !fmWide && (caps->capabilityBits & kCapabilityAfc);
    if (stSpeedButton51) {
        stSpeedButton51->SetEnabled(afc);
        stSpeedButton51->SetDown(afc && Q7->GetAFC());
    }
    myTuningPad1->SetBarsColor(powered ? 0x00FFFF : 0x808080);
    if (stSpeedButton16) stSpeedButton16Click(stSpeedButton16);
}

void TQ7form::KVRCapabilities(TObject*) {
    const auto* caps = static_cast<const RADIODEVCAPS*>(KVR->GetRadioDevCaps());
    if (!caps) return;
    if (caps->squelchMin != 0 || caps->squelchMax != 0) {
        myIntEdit4->SetMin(caps->squelchMin);
        myIntEdit4->SetMax(caps->squelchMax);
    }
    const std::pair<TstSpeedButton*, std::uint32_t> types[] = {
        {stSpeedButton42, kSquelchNoise}, {stSpeedButton43, kSquelchVoice},
        {stSpeedButton44, kSquelchCtcss}, {stSpeedButton45, kSquelchDcs}};
    for (const auto& [button, type] : types) button->SetEnabled((caps->squelchTypes & type) != 0);
    const TQ7Facilities& f = Q7->Q7Facilities();
    if (f.MaxFrequency > f.MinFrequency) {
        FitFrequencyEntry();
        for (TstFrequencyEdit* e : {static_cast<TstFrequencyEdit*>(myFrequencyEdit3),
                                    static_cast<TstFrequencyEdit*>(myFrequencyEdit4)}) {
            e->SetMin(f.MinFrequency);
            e->SetMax(f.MaxFrequency);
        }
    }
    if (f.MaxIFGain > f.MinIFGain) {
        myIntEdit2->SetMin(f.MinIFGain);
        myIntEdit2->SetMax(f.MaxIFGain);
    }
    // A squelch type the receiver cannot do is switched off, and the "Noise" handler re-applies
    // the types. Only then: at the receiver's opening the buttons do not yet show the settings,
    // and re-applying them would drop the types the receiver holds.
    // Not while a sleep has stopped the plug-ins: the demodulator that does the tone squelch
    // starts again at the wake, and the mode's squelch must come back whole.
    bool changed = false;
    for (const auto& [button, type] : types) {
        if (restartList_ || button->Enabled() || !button->Down()) continue;
        button->SetDown(false);
        changed = true;
    }
    if (changed) stSpeedButton42Click(stSpeedButton42);
    KVRDisable(KVR);
}

// --- memory channels ---------------------------------------------------------------------------

void TQ7form::FillMemoryEntry(const TMemoryRecord& channel, void* entry) {
    MEMORYENTRY e{};
    e.size = kMemoryEntryBytes;
    e.frequency = EncodeFreq32(channel.frequency);
    e.mode = channel.mode;
    e.squelchLevel = Q7->SQtoKVR(channel.levelSquelch);
    e.groups = channel.groups;
    e.flags = channel.flags & kMemLockout;
    CopyField(e.callsign, channel.callsign, sizeof channel.callsign);
    CopyField(e.comments, channel.comments, sizeof channel.comments);
    std::memcpy(entry, &e, sizeof e);
}

void TQ7form::StoreMemoryEntry(std::int32_t number, const void* entry) {
    MEMORYENTRY e;
    std::memcpy(&e, entry, sizeof e);
    const int index = MemoryForm->FindNumber(number);
    TMemoryRecord* channel = nullptr;
    if (index >= 0) {
        channel = memories_[static_cast<std::size_t>(index)].get();
    } else {
        memories_.push_back(std::make_unique<TMemoryRecord>(NewMemoryRecord()));
        channel = memories_.back().get();
    }
    channel->number = number;
    channel->frequency = DecodeFreq32(e.frequency);
    channel->mode = e.mode;
    channel->levelSquelch = Q7->KVRtoSQ(e.squelchLevel);
    channel->groups = e.groups;
    channel->flags = e.flags;
    channel->squelchType = 0;
    channel->squelchValue = 0;
    e.callsign[sizeof e.callsign - 1] = '\0'; // a plug-in's text need not end inside its field
    e.comments[sizeof e.comments - 1] = '\0';
    CopyField(channel->callsign, e.callsign, sizeof channel->callsign - 1);
    CopyField(channel->comments, e.comments, sizeof channel->comments - 1);
}

void TQ7form::KVRMemoryEvent(TObject*, std::uint32_t code, std::uint32_t param, void* entry, std::int32_t& result) {
    // The dialogs work on the list the plug-in changes.
    MemoryForm->SetMemoryList(memories_, hotkeyUsed_);
    RecallForm->SetMemoryList(memories_);
    const auto number = static_cast<std::int32_t>(param);
    const bool fullEntry = entry && SizeOf(entry) == kMemoryEntryBytes;
    switch (code) {
    case kMemRecall: {
        const int index = MemoryForm->FindNumber(number);
        if (index < 0 || index >= static_cast<int>(memories_.size())) return;
        RecallForm->RecallEntry(index);
        result = 0;
        return;
    }
    case kMemStore:
        if (entry) {
            if (!fullEntry || number < kFirstChannel || number > kLastChannel) return;
            StoreMemoryEntry(number, entry);
        } else {
            const int index = MemoryForm->FindNumber(number);
            if (index < 0) return;
            memories_.erase(memories_.begin() + index);
        }
        MemoryForm->SortByNumber();
        RecallForm->SetMemoryList(memories_);
        result = 0;
        return;
    case kMemRead: {
        const int index = MemoryForm->FindNumber(number);
        if (index < 0 || !fullEntry) return;
        FillMemoryEntry(*memories_[static_cast<std::size_t>(index)], entry);
        result = 0;
        return;
    }
    case kMemCount: result = static_cast<std::int32_t>(memories_.size()); return;
    case kMemNext: {
        std::size_t next = 0;
        if (number != -1) {
            const int index = MemoryForm->FindNumber(number);
            if (index < 0) return;
            next = static_cast<std::size_t>(index) + 1;
        }
        if (next >= memories_.size()) {
            result = -1;
            return;
        }
        if (fullEntry) FillMemoryEntry(*memories_[next], entry);
        result = memories_[next]->number;
        return;
    }
    default: return;
    }
}

void TQ7form::KVRMemoryFileEvent(TObject*, std::uint32_t code, std::uint32_t size, void* buffer,
                                 std::int32_t& result) {
    if (code == kMemFilePath) {
        const std::size_t needed = memoryFile_.size() + 1;
        if (!buffer || size < needed) {
            result = static_cast<std::int32_t>(needed);
            return;
        }
        std::memcpy(buffer, memoryFile_.c_str(), needed);
        result = 0;
    } else if (code == kMemFileSwitch) {
        if (!buffer) return;
        const auto* text = static_cast<const char*>(buffer);
        const std::string name(text, strnlen(text, size));
        if (name.empty()) return;
        SaveMemoryFile();
        memories_.clear();
        RebuildSortedMemories();
        memoryFile_ = name;
        LoadMemoryFile();
        result = 0;
    }
}

} // namespace lxq
