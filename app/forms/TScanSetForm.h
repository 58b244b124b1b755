#pragma once
// "Scan settings": edits the scanner's settings record of the main form, and opens the windows
// of the scan ranges, the memory scan groups and the exclusions.

#include <cstdint>
#include <functional>
#include <vector>

#include "app/forms/TExclusionRecord.h"
#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
class TRadioButton;
class TPanel;
} // namespace plat::comp

namespace lxq {

class TExclusionsForm;
class TRangesForm;
class TstIntEdit;

// The scanner's settings as the settings file keeps them.
struct ScanSettings {
    std::int32_t DelayTime = 5000; // ms
    std::int32_t ScanRate = 20;    // channels per second; carried unchanged
    std::int32_t OnLost = 2;       // resume mode 0..3
    std::uint8_t StopOnFound = 0;  // 1 stop, 0 pause
    std::int32_t MemGroups = 0;    // group n is bit 16 - n
    std::uint8_t EnableGroups = 0;
};

class TScanSetForm : public plat::comp::TForm {
public:
    TScanSetForm(plat::comp::TComponent* owner, TRangesForm* ranges, TExclusionsForm* exclusions);
    const char* ClassName() const override { return "TScanSetForm"; }

    // Shows the record in the controls, runs the dialog, and on OK writes it back.
    void Edit(ScanSettings& settings);
    // The record's values into the controls (the first half of Edit).
    void Load(ScanSettings& settings);

    // Runs a form modally and answers its modal result; tests replace it.
    std::function<plat::comp::TModalResult(plat::comp::TForm&)> RunModal;
    // Edits the memory scan groups (mask, enabled) in the groups dialog; true on OK. Until that
    // dialog is bound, nothing is edited.
    std::function<bool(std::int32_t& mask, bool& enabled)> EditGroups;
    // The scanner's exclusion list, handed to the exclusions window.
    std::vector<TExclusionRecord>* Exclusions = nullptr;

    plat::comp::TRadioButton* PauseButton = nullptr; // "Pause"
    plat::comp::TRadioButton* StopButton = nullptr;  // "Stop"
    plat::comp::TRadioButton* ResumeButtons[4] = {};  // "Resume scanning" choices
    TstIntEdit* DelayEdit = nullptr;                  // "Delay time", seconds
    plat::comp::TButton* RangesButton = nullptr;
    plat::comp::TButton* GroupsButton = nullptr;
    plat::comp::TButton* ExclusionsButton = nullptr;
    plat::comp::TButton* OKButton = nullptr;
    plat::comp::TButton* CancelButton = nullptr;

    void PauseStopClick(plat::comp::TObject* sender);
    void OKButtonClick(plat::comp::TObject* sender);
    void RangesButtonClick(plat::comp::TObject* sender);
    void GroupsButtonClick(plat::comp::TObject* sender);
    void ExclusionsButtonClick(plat::comp::TObject* sender);

private:
    TRangesForm* ranges_;
    TExclusionsForm* exclusions_;
    plat::comp::TPanel* resumePanel_ = nullptr;
    ScanSettings* settings_ = nullptr;
};

} // namespace lxq
