#pragma once
// The editor of one frequency range, shared by the scan-range editor ("New range") and the
// auto-step entry editor ("Auto-Stepping Range"): lower and upper frequency within the
// receiver's range, step, mode from the receiver's mode list, squelch and description.

#include <functional>
#include <memory>

#include "app/forms/SquelchControls.h"
#include "app/forms/TRangeRecord.h"
#include "platform/components/TForm.h"

namespace lxq {

class TQ7Facilities;
class TmyFrequencyEdit;
class TmyUpDown;
class TstEdit;
class TstSpeedButton;

inline constexpr std::int64_t kNewRangeStep = 1000;

class RangeEditor : public plat::comp::TForm {
public:
    RangeEditor(plat::comp::TComponent* owner, const TQ7Facilities& facilities, const char* caption);

    // Runs a form modally and answers its modal result; tests replace it.
    std::function<plat::comp::TModalResult(plat::comp::TForm&)> RunModal;

    TmyFrequencyEdit* LowerEdit = nullptr; // "Lower frequency"
    TmyFrequencyEdit* UpperEdit = nullptr; // "Upper frequency"
    TmyFrequencyEdit* StepEdit = nullptr;  // "Step size"
    TstEdit* ModeEdit = nullptr;           // "Mode", read-only
    TmyUpDown* ModeSpin = nullptr;
    std::unique_ptr<SquelchControls> Squelch;
    TstEdit* DescriptionEdit = nullptr;    // "Description", at most 31 characters
    TstSpeedButton* OKButton = nullptr;
    TstSpeedButton* CancelButton = nullptr;

    int ModePosition() const { return modePosition_; }
    void StepMode(int steps);
    void OKButtonClick(plat::comp::TObject* sender);
    void CancelButtonClick(plat::comp::TObject* sender);

protected:
    // The controls for a new range: the receiver's whole range, 1 kHz steps, the first mode, no
    // squelch type, no description.
    void LoadDefaults();
    // The record's values; a mode not in the receiver's list keeps the position.
    void LoadRecord(const TRangeRecord& r);
    // Every value into the record.
    void StoreRecord(TRangeRecord& r) const;
    const TQ7Facilities& Facilities() const { return facilities_; }
    // Limits the frequency edits to the receiver's range.
    void ApplyLimits();

private:
    void ShowMode();

    const TQ7Facilities& facilities_;
    int modePosition_ = 0;
};

} // namespace lxq
