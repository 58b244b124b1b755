#include "demod/ui/toolkit/RC_ColourPicker.h"

#include "platform/win/Win.h"

namespace {
constexpr const char* kChannelNames[3] = {"Red", "Green", "Blue"};
} // namespace

RC_ColourPicker::RC_ColourPicker(RC_Window* parent, RC_Colour* colour, bool modal)
    : RC_Popup(parent, 100, 100, 194, 337, modal ? kKeepsLoop | kOwnedPopup : kKeepsLoop),
      colour_(colour),
      modal_(modal) {
    SetCaption("Color Picker");
    Centre();
    for (int c = 0; c < 3; ++c) {
        RC_Slider* slider = new RC_Slider(this, 16 + 40 * c, 28, 14, 264, RC_Slider::kMaxTop);
        slider->SetMinimum(0);
        slider->SetMaximum(255);
        slider->onValueChange = {&RC_ColourPicker::SliderMoved, this};
        slider->Show(plat::win::SW_SHOW);
        sliders_[c] = slider;
        auto* label = new RC_Label(this, 8 + 40 * c, 296, 30, 13, kChannelNames[c]);
        label->Show(plat::win::SW_SHOW);
        RC_NumberEdit* field = new RC_NumberEdit(this, 8 + 40 * c, 312, 30, 18);
        field->SetStyle(field->Style() | 0x80000);
        field->SetMinimum(0);
        field->SetMaximum(255);
        field->onValueChange = {&RC_ColourPicker::FieldChanged, this};
        field->Show(plat::win::SW_SHOW);
        fields_[c] = field;
    }
    preview_ = new RC_Window(this, 136, 28, 50, 200, kWindowless);
    preview_->Show(plat::win::SW_SHOW);
    ok_ = new RC_Button(this, 136, 289, 50, 18, "OK");
    ok_->onAction = {&RC_ColourPicker::OkPressed, this};
    ok_->Show(plat::win::SW_SHOW);
    cancel_ = new RC_Button(this, 136, 311, 50, 18, "Cancel");
    cancel_->onAction = {&RC_ColourPicker::CancelPressed, this};
    cancel_->Show(plat::win::SW_SHOW);
    if (colour_ != nullptr) {
        for (int c = 0; c < 3; ++c) fields_[c]->SetValue(true, (*colour_ >> (8 * c)) & 0xFFu);
    }
    Sync();
}

RC_Colour RC_ColourPicker::Colour() const {
    RC_Colour colour = 0;
    for (int c = 0; c < 3; ++c) colour |= (static_cast<RC_Colour>(fields_[c]->Value()) & 0xFFu) << (8 * c);
    return colour;
}

void RC_ColourPicker::Sync() {
    for (int c = 0; c < 3; ++c) sliders_[c]->SetSliderValue(fields_[c]->Value());
    preview_->SetBackgroundColour(Colour());
}

void RC_ColourPicker::SliderMoved(void* user, RC_Slider* slider, double value) {
    auto* self = static_cast<RC_ColourPicker*>(user);
    for (int c = 0; c < 3; ++c) {
        if (self->sliders_[c] == slider) self->fields_[c]->SetValue(true, value);
    }
    self->Sync();
}

void RC_ColourPicker::FieldChanged(void* user, RC_NumberEdit*, double) { static_cast<RC_ColourPicker*>(user)->Sync(); }

void RC_ColourPicker::Finish(bool accept) {
    if (accept && colour_ != nullptr) *colour_ = Colour();
    if (modal_) EndModal(accept ? kOk : kCancel);
    else Close();
}

void RC_ColourPicker::OkPressed(void* user, RC_Window*) { static_cast<RC_ColourPicker*>(user)->Finish(true); }
void RC_ColourPicker::CancelPressed(void* user, RC_Window*) { static_cast<RC_ColourPicker*>(user)->Finish(false); }
