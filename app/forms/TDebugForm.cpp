#include "app/forms/TDebugForm.h"

#include <cerrno>
#include <cstdlib>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/forms/PlaceControl.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/components/TPageControl.h"
#include "platform/components/TTabSheet.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

const char* const TDebugForm::kCaption = "Service";

namespace {

constexpr int kPageArea = 430;      // the first three pages
constexpr int kTabHeight = 24;

// Defaults by row (SER, USB, PCI) and the edit range of each scanning constant.
struct TimingDefaults {
    int ser, usb, pci, min, max;
    int Of(int row) const { return row == 0 ? ser : row == 1 ? usb : pci; }
};
constexpr TimingDefaults kScanFast{3, 3, 3, 1, 255};
constexpr TimingDefaults kScanSlow{20, 20, 20, 10, 255};
constexpr TimingDefaults kSweepFast{3, 3, 7, 1, 99};
constexpr TimingDefaults kSweepSlow{20, 20, 20, 10, 255};
constexpr TimingDefaults kSweepMaxRssi{1000, 1000, 1000, 0, 1024};
constexpr TimingDefaults kSweepMinRssi{100, 100, 180, 0, 1024};
constexpr TimingDefaults kSweepAgcStep{35, 35, 35, 0, 1024};
constexpr TimingDefaults kSweep70to150{20, 20, 20, 0, 1024};

} // namespace

TDebugForm::TDebugForm(TComponent* owner, TmyQ745* receiver) : TForm(owner), rx_(receiver) {
    ShowMessageBox = [](const std::string& text, const std::string& caption, std::uint32_t flags) {
        return MessageBox(text, caption, flags);
    };
    SetCaption(kCaption);
    SetPosition(TPosition::poMainFormCenter);
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetClientSize(620, kPageArea + kTabHeight);
    SetKeyPreview(true);
    OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) {
        if (key == plat::win::VK_ESCAPE) Close();
    };
    // The preselector chooses its filter itself again once nobody looks at it.
    OnClose = [this](TObject*, TCloseAction&) {
        if (rx_) rx_->RequestFilterValue(-1);
    };

    PageControl1 = Place<TPageControl>(this, this, 0, 0, 620, kPageArea + kTabHeight);
    RegistersPage = AddPage("PIC registers");
    EepromPage = AddPage("EEPROM");
    FiltersPage = AddPage("Tuneable Filters");
    RefClockPage = AddPage("RefClock Calibration");
    MiscPage = AddPage("Misc");
    SMeterPage = AddPage("S-Meter calibration");
    ScanningPage = AddPage("Scanning");
    PreselectorPage = AddPage("Pre-selector");
    PageControl1->OnChange = [this](TObject* s) { PageControl1Change(s); };
    BuildScanningPage();
    BuildReceiverPages();
    PageControl1->SetActivePage(RegistersPage);
}

TDebugForm::~TDebugForm() = default;

TTabSheet* TDebugForm::AddPage(const char* caption) {
    auto* page = new TTabSheet(this);
    page->SetPageControl(PageControl1);
    page->SetCaption(caption);
    return page;
}

// The first three pages show tables and get the full page area; the others as much as their
// controls need.
void TDebugForm::PageControl1Change(TObject*) {
    const int index = PageControl1->ActivePageIndex();
    int height = kPageArea;
    if (index >= 3) {
        int bottom = 0;
        TTabSheet* page = PageControl1->ActivePage();
        for (int i = 0; i < page->ControlCount(); ++i) {
            const TControl* c = page->Controls(i);
            bottom = std::max(bottom, c->Top() + c->Height());
        }
        height = bottom + 12;
    }
    SetClientSize(ClientWidth(), height + kTabHeight);
    PageControl1->SetBounds(0, 0, ClientWidth(), height + kTabHeight);
}

void TDebugForm::BuildScanningPage() {
    TTabSheet* page = ScanningPage;
    auto label = [&](int x, int y, int w, const char* text) {
        auto* l = Place<TLabel>(this, page, x, y, w, 16);
        l->SetCaption(text);
        return l;
    };
    auto edit = [&](int x, int y, const TimingDefaults& d, int row) {
        auto* e = Place<TmyIntEdit>(this, page, x, y, 44, 20);
        e->SetMin(d.min);
        e->SetMax(d.max);
        e->SetValue(d.Of(row));
        auto* spin = Place<TmyUpDown>(this, page, x + 44, y, 14, 20);
        spin->SetIntEdit(e);
        e->SetUpDownControl(spin);
        return e;
    };

    label(70, 8, 130, "Scanning settling time");
    label(200, 8, 300, "Sweeping settling time");
    const char* columns[] = {"Fast", "Slow", "Fast", "Slow", "Max RSSI", "Min RSSI", "AGC step", "70-150"};
    for (int c = 0; c < 8; ++c) label(70 + c * 62 + (c >= 2 ? 10 : 0) + (c == 7 ? 10 : 0), 28, 60, columns[c]);
    const char* rows[] = {"SER", "USB", "PCI"};
    for (int row = kRowSER; row <= kRowPCI; ++row) {
        const int y = 48 + row * 28;
        label(10, y + 2, 50, rows[row]);
        TimingEdits& t = Timing[static_cast<std::size_t>(row)];
        t.scanFast = edit(70, y, kScanFast, row);
        t.scanSlow = edit(132, y, kScanSlow, row);
        t.sweepFast = edit(204, y, kSweepFast, row);
        t.sweepSlow = edit(266, y, kSweepSlow, row);
        t.sweepMaxRssi = edit(328, y, kSweepMaxRssi, row);
        t.sweepMinRssi = edit(390, y, kSweepMinRssi, row);
        t.sweepAgcStep = edit(452, y, kSweepAgcStep, row);
        if (row == kRowUSB) t.sweep70to150 = edit(524, y, kSweep70to150, row);
    }
    label(10, 140, 60, "Max RSSI");
    ScanMaxRssi = edit(70, 138, {1000, 1000, 1000, 0, 1024}, 0);
    label(140, 140, 100, "Rescan threshold");
    RescanThreshold = edit(240, 138, {10, 10, 10, 1, 150}, 0);
    ScanTimeLabel = label(10, 172, 500, "");
    SweepTimeLabel = label(10, 192, 500, "");
}

ScanConstants TDebugForm::Constants() const {
    auto row = [](const TimingEdits& t) {
        InterfaceTimings r;
        r.scanFast = t.scanFast->Value();
        r.scanSlow = t.scanSlow->Value();
        r.sweepFast = t.sweepFast->Value();
        r.sweepSlow = t.sweepSlow->Value();
        r.sweepMaxRssi = t.sweepMaxRssi->Value();
        r.sweepMinRssi = t.sweepMinRssi->Value();
        r.sweepAgcStep = t.sweepAgcStep->Value();
        r.sweepBand = t.sweep70to150 ? t.sweep70to150->Value() : 0;
        return r;
    };
    ScanConstants c;
    c.ser = row(Timing[kRowSER]);
    c.usb = row(Timing[kRowUSB]);
    c.pci = row(Timing[kRowPCI]);
    c.maxRssi = ScanMaxRssi->Value();
    c.rescanThreshold = RescanThreshold->Value();
    return c;
}

int TDebugForm::ServiceError(const std::string& text) {
    return ShowMessageBox(text, "Service error", MB_OK | MB_ICONERROR | MB_TOPMOST);
}

bool TDebugForm::Checked(const TmyIntEdit& edit, const char* name, int min, int max, int& value) {
    // The typed text, not the clamped value: a number out of range is refused, not cut to fit.
    const std::string text = edit.Text();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    const bool number = !text.empty() && end && *end == '\0' && errno == 0;
    if (!number || v < min || v > max) {
        ServiceError(std::string(name) + " must be a whole number from " + std::to_string(min) +
                     " to " + std::to_string(max) + "; nothing was written.");
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool TDebugForm::CheckedHz(const TmyFrequencyEdit& edit, const char* name, std::int64_t min,
                           std::int64_t max, std::int64_t& value) {
    const std::int64_t v = edit.GetValue();
    if (v < min || v > max) {
        ServiceError(std::string(name) + " must be from " + std::to_string(min) + " Hz to " +
                     std::to_string(max) + " Hz; nothing was written.");
        return false;
    }
    value = v;
    return true;
}

} // namespace lxq
