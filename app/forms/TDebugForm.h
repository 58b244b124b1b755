#pragma once
// The service window "Service": the receiver's registers and EEPROM image, its reference-clock,
// S-meter and preselector calibration, the tuneable-filter conversion, and the tuning constants
// of the scanner and the sweep per receiver interface. Every receiver access goes through the
// main form's receiver component; the window keeps no receiver state of its own.
//
// The window and its "Scanning" page live in TDebugForm.cpp; the pages that read and write the
// receiver in TDebugFormReceiver.cpp.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/forms/FilterMap.h"
#include "app/forms/ScanTimings.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
class TLabel;
class TListBox;
class TPageControl;
class TTabSheet;
class TTimer;
} // namespace plat::comp

namespace lxq {

class TmyFrequencyEdit;
class TmyImage;
class TmyIntEdit;
class TmyQ745;
class TstSpeedButton;

class TDebugForm : public plat::comp::TForm {
public:
    TDebugForm(plat::comp::TComponent* owner, TmyQ745* receiver);
    ~TDebugForm() override;
    const char* ClassName() const override { return "TDebugForm"; }

    // Shows a message box (text, caption, flags); tests replace it.
    std::function<int(const std::string&, const std::string&, std::uint32_t)> ShowMessageBox;

    // --- pages ---
    plat::comp::TPageControl* PageControl1 = nullptr;
    plat::comp::TTabSheet* RegistersPage = nullptr;
    plat::comp::TTabSheet* EepromPage = nullptr;
    plat::comp::TTabSheet* FiltersPage = nullptr;
    plat::comp::TTabSheet* RefClockPage = nullptr;
    plat::comp::TTabSheet* MiscPage = nullptr;
    plat::comp::TTabSheet* SMeterPage = nullptr;
    plat::comp::TTabSheet* ScanningPage = nullptr;
    plat::comp::TTabSheet* PreselectorPage = nullptr;
    void PageControl1Change(plat::comp::TObject* sender);

    // --- "Scanning" page ---
    struct TimingEdits {
        TmyIntEdit* scanFast = nullptr;
        TmyIntEdit* scanSlow = nullptr;
        TmyIntEdit* sweepFast = nullptr;
        TmyIntEdit* sweepSlow = nullptr;
        TmyIntEdit* sweepMaxRssi = nullptr;
        TmyIntEdit* sweepMinRssi = nullptr;
        TmyIntEdit* sweepAgcStep = nullptr;
        TmyIntEdit* sweep70to150 = nullptr; // the USB row only
    };
    enum TimingRow { kRowSER = 0, kRowUSB = 1, kRowPCI = 2 };
    std::array<TimingEdits, 3> Timing; // by TimingRow
    TmyIntEdit* ScanMaxRssi = nullptr;
    TmyIntEdit* RescanThreshold = nullptr;
    plat::comp::TLabel* ScanTimeLabel = nullptr;  // "Last scan time=..."
    plat::comp::TLabel* SweepTimeLabel = nullptr; // "Last sweep time=..."
    // What the page holds, as a scan or sweep start reads it.
    ScanConstants Constants() const;

    // --- "PIC registers" and "EEPROM" ---
    std::array<plat::comp::TLabel*, 64> RegisterLabels{};
    plat::comp::TListBox* EepromList = nullptr;
    // Reads everything from the receiver into the pages and shows the window. The receiver is
    // asked among its requests: the pages fill when its answers come, and a receiver that does
    // not answer never holds the window.
    void ShowEEPROMTable();
    void RefreshPages();

    // --- "S-Meter calibration" ---
    TmyIntEdit* RssiRefEdit = nullptr;
    TmyIntEdit* AgcStartEdit = nullptr;
    TmyIntEdit* AgcMidEdit = nullptr;
    TmyIntEdit* AgcEndEdit = nullptr;
    TmyIntEdit* DropLevelEdit = nullptr;
    TmyIntEdit* ManGainEdit = nullptr;
    plat::comp::TButton* SMeterWriteButton = nullptr;
    plat::comp::TButton* ManGainWriteButton = nullptr;
    void SMeterWriteButtonClick(plat::comp::TObject* sender);
    void ManGainWriteButtonClick(plat::comp::TObject* sender);

    // --- "RefClock Calibration" ---
    TmyFrequencyEdit* NewReferenceEdit = nullptr;
    TmyFrequencyEdit* StoredReferenceEdit = nullptr;
    TmyFrequencyEdit* TestFrequencyEdit = nullptr;
    TmyFrequencyEdit* ErrorEdit = nullptr;
    plat::comp::TButton* StoreNewReferenceButton = nullptr;
    plat::comp::TButton* FindErrorButton = nullptr;
    TstSpeedButton* AutoCalibrateButton = nullptr;
    plat::comp::TTimer* AFCtimer = nullptr;
    void StoreNewReferenceButtonClick(plat::comp::TObject* sender);
    void FindErrorButtonClick(plat::comp::TObject* sender);
    void AFCtimerTimer(plat::comp::TObject* sender);

    // --- "Misc" ---
    TmyFrequencyEdit* IF1FrequencyEdit = nullptr;
    TstSpeedButton* SlowButton = nullptr;
    TstSpeedButton* IFFilterWidthButton = nullptr;
    plat::comp::TButton* WriteEepromButton = nullptr;
    void SlowButtonClick(plat::comp::TObject* sender);
    void IFFilterWidthButtonClick(plat::comp::TObject* sender);
    void WriteEepromButtonClick(plat::comp::TObject* sender);

    // --- "Pre-selector" ---
    std::array<TmyFrequencyEdit*, 8> PreselectorEdits{};
    plat::comp::TButton* PreselectorWriteButton = nullptr;
    plat::comp::TButton* PreselectorDefaultsButton = nullptr;
    void PreselectorWriteButtonClick(plat::comp::TObject* sender);
    void PreselectorDefaultsButtonClick(plat::comp::TObject* sender);

    // --- "Tuneable Filters" ---
    plat::comp::TLabel* FilterBandLabel = nullptr;
    TmyImage* FilterPlot = nullptr;
    plat::comp::TLabel* FilterLowLabel = nullptr;  // f0 in MHz
    plat::comp::TLabel* FilterHighLabel = nullptr; // f7 in MHz
    plat::comp::TLabel* FilterNodeLabel = nullptr; // the dragged node
    plat::comp::TButton* PlotPointButton = nullptr;
    plat::comp::TButton* ClearPointsButton = nullptr;
    plat::comp::TButton* SaveMapButton = nullptr;
    plat::comp::TButton* NewBandFiltersButton = nullptr;
    void NewBandFiltersButtonClick(plat::comp::TObject* sender);
    void PlotPointButtonClick(plat::comp::TObject* sender);
    void ClearPointsButtonClick(plat::comp::TObject* sender);
    void SaveMapButtonClick(plat::comp::TObject* sender);
    void FilterPlotMouseDown(plat::comp::TObject* sender, plat::comp::TMouseButton button,
                             plat::comp::TShiftState shift, int x, int y);
    void FilterPlotMouseMove(plat::comp::TObject* sender, plat::comp::TShiftState shift, int x, int y);
    void FilterPlotMouseUp(plat::comp::TObject* sender, plat::comp::TMouseButton button,
                           plat::comp::TShiftState shift, int x, int y);
    void FilterPlotResize(plat::comp::TObject* sender);
    // The table shown (null when the band is not tuneable) and the receiver's own point on it.
    const FilterMap* ShownFilterMap() const { return tuneable_ ? &map_ : nullptr; }
    FILTER_NODE FilterMarker() const { return marker_; }
    // Shows the receiver's current frequency on the page (low 32 bits of the Hz value).
    void TuneFilterPage(std::uint32_t frequency);

    static const char* const kCaption;

private:
    void BuildScanningPage();
    void BuildReceiverPages();
    plat::comp::TTabSheet* AddPage(const char* caption);
    // The value typed into an edit when it lies in [min, max]; otherwise says so and answers
    // false.
    bool Checked(const TmyIntEdit& edit, const char* name, int min, int max, int& value);
    bool CheckedHz(const TmyFrequencyEdit& edit, const char* name, std::int64_t min,
                   std::int64_t max, std::int64_t& value);
    int ServiceError(const std::string& text);
    // Tunes 1 Hz away and back so that the receiver works out every word again.
    void ForceRetune(bool upFirst);
    void ReloadFilterPage();
    void BuildFilterPage();
    void DrawFilterPlot();

    // Fills the pages from what the receiver answered.
    void ShowPages(const TmyQ7::ServicePages& pages);
    void ShowFilterPage(const TmyQ745::FilterPage& page);
    void ConvertToNewBands(const TmyQ745::FilterPage& page);
    // What an answer holds of the window: it does nothing once the window is gone.
    std::weak_ptr<int> Alive() const { return alive_; }

    TmyQ745* rx_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    int shownBand_ = -1;
    bool tuneable_ = false;
    FilterMap map_;
    FilterMap::Drag drag_;
    bool dragging_ = false;
    FILTER_NODE marker_{};
};

} // namespace lxq
