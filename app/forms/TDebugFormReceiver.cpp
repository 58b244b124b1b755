// The service pages that read and write the receiver: registers, EEPROM image, S-meter and
// reference-clock calibration, the second-IF and preselector settings.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/EepromListing.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/RegisterNames.h"
#include "app/forms/TDebugForm.h"
#include "app/receiver/TQ7Facilities.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TListBox.h"
#include "platform/components/TTabSheet.h"
#include "platform/components/TTimer.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr TColor kRegisterColour = 0x00FF00;
constexpr std::int64_t kNewReferenceDefault = 16'384'000;
constexpr std::int64_t kPreselectorMin = 9'000;
constexpr std::int64_t kPreselectorMax = 1'800'000'000;
constexpr std::int64_t kReferenceToleranceParts = 1000; // 0.1 %, far beyond any reference's drift
constexpr std::array<std::int64_t, 8> kPreselectorDefaults = {
    9'000, 1'800'000, 7'300'000, 32'000'000, 150'000'000, 260'000'000, 700'000'000, 1'800'000'000};

TLabel* PageLabel(TComponent* owner, TWinControl* page, int x, int y, const char* text) {
    auto* l = Place<TLabel>(owner, page, x, y, 120, 16);
    l->SetCaption(text);
    return l;
}

} // namespace

void TDebugForm::BuildReceiverPages() {
    for (int i = 0; i < kRegisterCount; ++i) {
        const TPoint at = RegisterLabelPosition(i);
        auto* l = Place<TLabel>(this, RegistersPage, at.x, at.y, 116, 16);
        l->Font().SetColor(kRegisterColour);
        l->SetCaption(RegisterText(i, 0));
        RegisterLabels[static_cast<std::size_t>(i)] = l;
    }
    RegistersPage->SetColor(0);

    EepromList = Place<TListBox>(this, EepromPage, 4, 4, 540, 420);

    auto intEdit = [this](TWinControl* page, int x, int y, const char* label, int value) {
        PageLabel(this, page, x, y + 2, label);
        auto* e = Place<TmyIntEdit>(this, page, x + 110, y, 70, 20);
        e->SetValue(value);
        return e;
    };
    auto hzEdit = [this](TWinControl* page, int x, int y, const char* label, std::int64_t value) {
        if (label) PageLabel(this, page, x, y + 2, label);
        auto* e = Place<TmyFrequencyEdit>(this, page, x + 110, y, 130, 20);
        e->SetValue(value);
        return e;
    };
    auto button = [this](TWinControl* page, int x, int y, int w, const char* caption) {
        auto* b = Place<TButton>(this, page, x, y, w, 24);
        b->SetCaption(caption);
        return b;
    };

    // The edits that reach the EEPROM do not clamp: a wrong number is refused when written.
    RssiRefEdit = intEdit(SMeterPage, 10, 10, "RSSI ref.", 650);
    AgcStartEdit = intEdit(SMeterPage, 10, 36, "AGC start", 0);
    AgcMidEdit = intEdit(SMeterPage, 10, 62, "AGC mid", 0);
    AgcEndEdit = intEdit(SMeterPage, 10, 88, "AGC end", 0);
    DropLevelEdit = intEdit(SMeterPage, 10, 114, "Drop Level", 0);
    SMeterWriteButton = button(SMeterPage, 200, 112, 80, "Write");
    ManGainEdit = intEdit(SMeterPage, 10, 150, "Man Gain", 9);
    ManGainWriteButton = button(SMeterPage, 200, 148, 80, "Write");
    SMeterWriteButton->OnClick = [this](TObject* s) { SMeterWriteButtonClick(s); };
    ManGainWriteButton->OnClick = [this](TObject* s) { ManGainWriteButtonClick(s); };

    NewReferenceEdit = hzEdit(RefClockPage, 10, 10, "New Reference", kNewReferenceDefault);
    StoredReferenceEdit = hzEdit(RefClockPage, 10, 36, "Stored Reference", 0);
    StoredReferenceEdit->SetReadOnly(true);
    TestFrequencyEdit = hzEdit(RefClockPage, 10, 62, "Test Frequency", 0);
    ErrorEdit = hzEdit(RefClockPage, 10, 88, "Error", 0);
    ErrorEdit->SetReadOnly(true);
    StoreNewReferenceButton = button(RefClockPage, 260, 8, 140, "Store New Reference");
    FindErrorButton = button(RefClockPage, 260, 60, 140, "Find Error");
    AutoCalibrateButton = Place<TstSpeedButton>(this, RefClockPage, 260, 88, 140, 24);
    AutoCalibrateButton->SetCaption("Auto Calibrate");
    AutoCalibrateButton->SetGroupIndex(1);
    AutoCalibrateButton->SetAllowAllUp(true);
    StoreNewReferenceButton->OnClick = [this](TObject* s) { StoreNewReferenceButtonClick(s); };
    FindErrorButton->OnClick = [this](TObject* s) { FindErrorButtonClick(s); };
    AutoCalibrateButton->OnClick = [this](TObject* s) { FindErrorButtonClick(s); };
    AFCtimer = new TTimer(this);
    AFCtimer->SetEnabled(false);
    AFCtimer->SetInterval(3000);
    AFCtimer->SetOnTimer([this](TObject* s) { AFCtimerTimer(s); });

    IF1FrequencyEdit = hzEdit(MiscPage, 10, 10, "IF1 frequency", 0);
    WriteEepromButton = button(MiscPage, 260, 8, 130, "Write to EEPROM");
    SlowButton = Place<TstSpeedButton>(this, MiscPage, 10, 40, 100, 24);
    SlowButton->SetCaption("Slow");
    SlowButton->SetGroupIndex(2);
    SlowButton->SetAllowAllUp(true);
    IFFilterWidthButton = Place<TstSpeedButton>(this, MiscPage, 120, 40, 200, 24);
    IFFilterWidthButton->SetCaption("IF Filter Width");
    IFFilterWidthButton->SetGroupIndex(3);
    IFFilterWidthButton->SetAllowAllUp(true);
    WriteEepromButton->OnClick = [this](TObject* s) { WriteEepromButtonClick(s); };
    SlowButton->OnClick = [this](TObject* s) { SlowButtonClick(s); };
    IFFilterWidthButton->OnClick = [this](TObject* s) { IFFilterWidthButtonClick(s); };

    const char* labels[] = {"Top", "1>>2", "2>>3", "3>>4", "4>>5", "5>>6", "6>>7", "Top"};
    for (std::size_t i = 0; i < PreselectorEdits.size(); ++i) {
        PreselectorEdits[i] = hzEdit(PreselectorPage, 10, 10 + static_cast<int>(i) * 26, labels[i], kPreselectorDefaults[i]);
    }
    PreselectorWriteButton = button(PreselectorPage, 280, 10, 100, "Write");
    PreselectorDefaultsButton = button(PreselectorPage, 280, 40, 100, "Set Defaults");
    PreselectorWriteButton->OnClick = [this](TObject* s) { PreselectorWriteButtonClick(s); };
    PreselectorDefaultsButton->OnClick = [this](TObject* s) { PreselectorDefaultsButtonClick(s); };

    BuildFilterPage();
}

void TDebugForm::ShowEEPROMTable() {
    RefreshPages();
    ReloadFilterPage();
    Show();
}

void TDebugForm::RefreshPages() {
    rx_->AskServicePages([alive = Alive(), this](const TmyQ7::ServicePages& pages) {
        if (!alive.expired()) ShowPages(pages);
    });
}

void TDebugForm::ShowPages(const TmyQ7::ServicePages& pages) {
    if (pages.haveRegisters) {
        for (int i = 0; i < kRegisterCount; ++i)
            RegisterLabels[static_cast<std::size_t>(i)]->SetCaption(RegisterText(i, pages.registers[i]));
    } else {
        RegisterLabels[0]->SetCaption("Error retrieving PIC registers");
    }

    EepromList->Items().Clear();
    if (pages.haveEeprom) {
        EepromImage image;
        static_assert(sizeof pages.eeprom == std::tuple_size_v<EepromImage>);
        std::memcpy(image.data(), &pages.eeprom, image.size());
        for (const std::string& line : EepromListing(image)) EepromList->Items().Add(line);
        RssiRefEdit->SetValue(EepromWord(image, 250));
        AgcStartEdit->SetValue(EepromWord(image, 240));
        AgcMidEdit->SetValue(EepromWord(image, 242));
        AgcEndEdit->SetValue(EepromWord(image, 244));
        DropLevelEdit->SetValue(static_cast<std::int16_t>(EepromWord(image, 246)));
        ManGainEdit->SetValue(image[185]);
        StoredReferenceEdit->SetValue(EepromLong(image, 208));
        NewReferenceEdit->SetValue(EepromLong(image, 208));
        TestFrequencyEdit->SetValue(static_cast<std::int64_t>(EepromLong(image, 72)) - 1'000'000);
        ErrorEdit->SetValue(0);
        IF1FrequencyEdit->SetValue(EepromLong(image, 76));
        // A width change and back makes the pages lay out their new contents.
        SetWidth(Width() + 1);
        SetWidth(Width() - 1);
    }

    SlowButton->SetDown(rx_->GetPllSpd());
    SlowButton->SetCaption(rx_->GetPllSpd() ? "fast" : "slow");
    if (pages.haveBands)
        for (std::size_t i = 0; i < PreselectorEdits.size(); ++i) PreselectorEdits[i]->SetValue(pages.edges[i]);
    IFFilterWidthButton->SetCaption("IF Filter Width: " + std::to_string(pages.if1Filter));
    IFFilterWidthButton->SetDown(pages.if1Filter != 0);
}

void TDebugForm::SMeterWriteButtonClick(TObject*) {
    int start, mid, end, drop, ref;
    if (!Checked(*AgcStartEdit, "AGC start", 0, 1023, start) ||
        !Checked(*AgcMidEdit, "AGC mid", 0, 1023, mid) ||
        !Checked(*AgcEndEdit, "AGC end", 0, 1023, end) ||
        !Checked(*DropLevelEdit, "Drop Level", -1100, 0, drop) ||
        !Checked(*RssiRefEdit, "RSSI ref.", 3, 1023, ref))
        return;
    LX_Q7_CALIB record;
    record.words[0] = static_cast<std::uint16_t>(start);
    record.words[1] = static_cast<std::uint16_t>(mid);
    record.words[2] = static_cast<std::uint16_t>(end);
    record.words[3] = static_cast<std::uint16_t>(static_cast<std::int16_t>(drop));
    record.words[5] = static_cast<std::uint16_t>(ref);
    rx_->RequestCalibration(record);
    RefreshPages();
}

void TDebugForm::ManGainWriteButtonClick(TObject*) {
    int gain;
    if (!Checked(*ManGainEdit, "Man Gain", 0, 63, gain)) return;
    rx_->RequestCalib2(gain);
    RefreshPages();
}

void TDebugForm::ForceRetune(bool upFirst) {
    const std::int64_t f = rx_->GetFreq();
    if (upFirst) {
        rx_->SetFreq(f + 1);
        rx_->SetFreq(f - 1);
    } else {
        // Down, unless that is below the receiver's range, where it would not move at all.
        const bool atBottom = f == 9'000 || f - 1 < rx_->Q7Facilities().MinFrequency;
        rx_->SetFreq(atBottom ? f + 1 : f - 1);
    }
    rx_->SetFreq(f);
}

void TDebugForm::StoreNewReferenceButtonClick(TObject*) {
    std::int64_t reference;
    if (!CheckedHz(*NewReferenceEdit, "New Reference", 1, 2'000'000'000, reference)) return;
    LX_Q7_CALIB record;
    record.referenceHz = static_cast<std::uint32_t>(reference);
    rx_->RequestCalibration(record);
    rx_->ReapplyIF2Frequency();
    ForceRetune(false);
    // The pages show the stored reference once the receiver answers; the test frequency stays.
    const std::int64_t test = TestFrequencyEdit->Value();
    rx_->AskServicePages([alive = Alive(), this, test](const TmyQ7::ServicePages& pages) {
        if (alive.expired()) return;
        ShowPages(pages);
        TestFrequencyEdit->SetValue(test);
    });
}

void TDebugForm::FindErrorButtonClick(TObject*) {
    // Outside the receiver's range the tuning stops at the edge, and the distance to the edge
    // would be taken for the reference's error.
    const TQ7Facilities& range = rx_->Q7Facilities();
    const std::int64_t test = TestFrequencyEdit->GetValue();
    if (range.MaxFrequency > range.MinFrequency && (test < range.MinFrequency || test > range.MaxFrequency)) {
        AutoCalibrateButton->SetDown(false);
        ServiceError("Test Frequency must be from " + std::to_string(range.MinFrequency) + " Hz to " +
                     std::to_string(range.MaxFrequency) + " Hz; nothing was measured.");
        return;
    }
    rx_->SetAFC(false);
    rx_->SetFreq(TestFrequencyEdit->GetValue());
    TestFrequencyEdit->UpdateValue();
    AFCtimer->SetEnabled(true);
    FindErrorButton->SetEnabled(false);
    rx_->SetAFC(true);
}

void TDebugForm::AFCtimerTimer(TObject*) {
    FindErrorButton->SetEnabled(true);
    rx_->SetAFC(false);
    AFCtimer->SetEnabled(false);
    const std::int64_t test = TestFrequencyEdit->Value();
    ErrorEdit->SetValue(rx_->GetFreq() - test);
    if (AutoCalibrateButton->Down()) {
        const std::int64_t stored = StoredReferenceEdit->Value();
        // No test frequency, no measure of the error: the reference stays.
        if (test != 0) {
            const std::int64_t reference = stored - stored * ErrorEdit->Value() / test;
            NewReferenceEdit->SetValue(reference);
            // A reference clock is off by a few parts per million; a result far beyond that is
            // a failed measurement (no signal, the AFC pulled to a neighbour), not the clock.
            if (std::abs(reference - stored) > stored / kReferenceToleranceParts) {
                ServiceError("The measured reference " + std::to_string(reference) + " Hz is too far from the stored " +
                             std::to_string(stored) + " Hz; nothing was written.");
            } else {
                StoreNewReferenceButtonClick(StoreNewReferenceButton);
            }
        }
        AutoCalibrateButton->SetDown(false);
    }
    rx_->SetFreq(test);
}

void TDebugForm::SlowButtonClick(TObject*) {
    rx_->SetPllSpd(SlowButton->Down());
    const bool fast = rx_->GetPllSpd();
    SlowButton->SetDown(fast);
    SlowButton->SetCaption(fast ? "fast" : "slow");
}

void TDebugForm::IFFilterWidthButtonClick(TObject*) { rx_->RequestIF1Filter(IFFilterWidthButton->Down() ? 1 : 0); }

void TDebugForm::WriteEepromButtonClick(TObject*) {
    std::int64_t hz;
    if (!CheckedHz(*IF1FrequencyEdit, "IF1 frequency", 1, 0xFFFFFFFFLL, hz)) return;
    const std::uint32_t v = static_cast<std::uint32_t>(hz);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    rx_->RequestEEPROMWrite(76, {bytes, bytes + sizeof bytes}, nullptr);
    rx_->ReapplyIF2Frequency();
    ForceRetune(true);
    RefreshPages();
}

void TDebugForm::PreselectorWriteButtonClick(TObject*) {
    // The receiver's own edges are written back as they are, also where its range goes beyond
    // the usual switch points.
    const TQ7Facilities& range = rx_->Q7Facilities();
    const std::int64_t min = range.MinFrequency > 0 ? std::min(kPreselectorMin, range.MinFrequency) : kPreselectorMin;
    const std::int64_t max = std::clamp(range.MaxFrequency, kPreselectorMax, std::int64_t{UINT32_MAX});
    std::uint32_t edges[8];
    for (std::size_t i = 0; i < PreselectorEdits.size(); ++i) {
        std::int64_t hz;
        const std::string name = "Pre-selector edge " + std::to_string(i + 1);
        if (!CheckedHz(*PreselectorEdits[i], name.c_str(), min, max, hz)) return;
        edges[i] = static_cast<std::uint32_t>(hz);
    }
    rx_->RequestBandsWrite(edges);
}

void TDebugForm::PreselectorDefaultsButtonClick(TObject*) {
    for (std::size_t i = 0; i < PreselectorEdits.size(); ++i) PreselectorEdits[i]->SetValue(kPreselectorDefaults[i]);
}

} // namespace lxq
