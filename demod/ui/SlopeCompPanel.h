#pragma once
// The service panel "IF spectrum slope compensation" of a demodulator window (only with "/d"):
// knob visibility, automatic correction, reset, the EEPROM write and the spectrum inversion.

#include "demod/ui/SlopeAverage.h"
#include "demod/ui/SlopeRecord.h"
#include "demod/ui/toolkit/RC_Popup.h"

class DemodWindow;
class RC_Label;

class SlopeCompPanel : public RC_Popup {
public:
    explicit SlopeCompPanel(DemodWindow* owner);
    ~SlopeCompPanel() override;

    // Asks what to do after a write failed: 6 (Retry) tries again, anything else gives up.
    using AskFn = int (*)();
    static int AskWithMessageBox();
    // The question a failed write asks (a test answers it itself).
    void SetAsk(AskFn ask) { ask_ = ask; }

    void HideSpecialControls(bool hide);
    void StartAutomaticCorrection();
    void ResetCorrection();
    // "Update EEPROM": the knobs as they are go to the receiver on the window's receiver worker,
    // with one immediate retry; the answer comes back to EepromWritten.
    void UpdateEeprom();
    // A write's answer: after a failure the user is asked, and Retry tries once more.
    void EepromWritten(bool written);
    void InvertSpectrum(bool on);

    bool KnobsHidden() const { return hide_->IsDown(); }
    RC_Button* Button(int row) const;
    RC_Label* Figure(int i) const { return labels_[i]; }
    // Shows the averaged figures; when an automatic run has ended, the buttons come back.
    void ShowFigures(const SlopeAverage& average, bool automaticEnded);
    bool Inverted() const { return inverted_; }
    int InversionFrequency() const { return inversionHz_; }

private:
    static void Pressed(void* user, RC_Window* button);
    void SetButtonsEnabled(bool enabled);

    DemodWindow* owner_;
    RC_Button* hide_;
    RC_Button* automatic_;
    RC_Button* reset_;
    RC_Button* update_;
    RC_Button* invert_;
    RC_Label* labels_[3];
    bool inverted_ = false;
    int inversionHz_ = 12000;
    AskFn ask_ = &AskWithMessageBox;
    SlopeKnobs writing_{}; // the knobs of the last "Update EEPROM", tried again on Retry
};
