#pragma once
// A small dialog that edits one colour with three sliders and three number fields, previewed in
// a panel; "OK" writes the colour back into the caller's word.

#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/toolkit/RC_Popup.h"
#include "demod/ui/toolkit/RC_Slider.h"

class RC_ColourPicker : public RC_Popup {
public:
    // Modal result of the two buttons.
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    // `colour` (bytes red, green, blue) may be null: the picker then starts at black and writes
    // nothing. A modal picker is run by the caller with RunModal.
    RC_ColourPicker(RC_Window* parent, RC_Colour* colour, bool modal);

    RC_Colour Colour() const;
    RC_Slider* ChannelSlider(int channel) const { return sliders_[channel]; }
    RC_NumberEdit* ChannelField(int channel) const { return fields_[channel]; }
    RC_Window* Preview() const { return preview_; }
    RC_Button* OkButton() const { return ok_; }
    RC_Button* CancelButton() const { return cancel_; }

private:
    void Sync();
    void Finish(bool accept);
    static void SliderMoved(void* user, RC_Slider* slider, double value);
    static void FieldChanged(void* user, RC_NumberEdit* field, double value);
    static void OkPressed(void* user, RC_Window* button);
    static void CancelPressed(void* user, RC_Window* button);

    RC_Colour* colour_;
    bool modal_;
    RC_Slider* sliders_[3];
    RC_NumberEdit* fields_[3];
    RC_Window* preview_;
    RC_Button* ok_;
    RC_Button* cancel_;
};
