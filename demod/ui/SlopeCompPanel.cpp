#include "demod/ui/SlopeCompPanel.h"

#include "demod/ui/DemodWindow.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_MessageBox.h"
#include "platform/win/Styles.h"

#include <cstdio>

namespace {
// Wide enough for the whole title in the title bar's bold font beside the close box.
constexpr int kWidth = 216;
constexpr int kRowWidth = kWidth - 8;
} // namespace

SlopeCompPanel::SlopeCompPanel(DemodWindow* owner)
    : RC_Popup(owner, 10, 10, kWidth, 204, RC_Window::kOwnedPopup), owner_(owner) {
    SetCaption("IF spectrum slope compensation");
    // Only the close box: the panel is too narrow for its title beside four title buttons, and
    // it has nothing to minimise, maximise or explain.
    SetStyle((Style() & ~kTitleButtons) | kCloseButton);
    hide_ = new RC_Button(this, 4, 26, kRowWidth, 18, "Hide special controls");
    automatic_ = new RC_Button(this, 4, 48, kRowWidth, 18, "Automatic correction");
    reset_ = new RC_Button(this, 4, 70, kRowWidth, 18, "Reset correction");
    update_ = new RC_Button(this, 4, 92, kRowWidth, 18, "Update EEPROM");
    invert_ = new RC_Button(this, 4, 128, kRowWidth, 18, "Invert Spectrum");
    hide_->SetKind(RC_Button::kToggle);
    invert_->SetKind(RC_Button::kToggle);
    for (RC_Button* b : {hide_, automatic_, reset_, update_, invert_}) b->onAction = {&Pressed, this};
    for (int i = 0; i < 3; ++i) labels_[i] = new RC_Label(this, 4, 150 + 18 * i, kRowWidth, 14, "");
    for (RC_Window* w = FirstChild(); w != nullptr; w = w->NextSibling()) w->Show(plat::win::SW_SHOW);
    ShowFigures(owner->SlopeAveraging(), false);
}

SlopeCompPanel::~SlopeCompPanel() {
    InvertSpectrum(false);
    owner_->SlopePanelClosed();
}

void SlopeCompPanel::Pressed(void* user, RC_Window* button) {
    auto* self = static_cast<SlopeCompPanel*>(user);
    if (button == self->hide_) self->HideSpecialControls(self->hide_->IsDown());
    else if (button == self->automatic_) self->StartAutomaticCorrection();
    else if (button == self->reset_) self->ResetCorrection();
    else if (button == self->update_) self->UpdateEeprom();
    else if (button == self->invert_) self->InvertSpectrum(self->invert_->IsDown());
}

RC_Button* SlopeCompPanel::Button(int row) const {
    RC_Button* rows[] = {hide_, automatic_, reset_, update_, invert_};
    return row >= 0 && row < 5 ? rows[row] : nullptr;
}

void SlopeCompPanel::SetButtonsEnabled(bool enabled) {
    automatic_->SetEnabled(enabled);
    reset_->SetEnabled(enabled);
    update_->SetEnabled(enabled);
}

void SlopeCompPanel::HideSpecialControls(bool hide) {
    if (hide_->IsDown() != hide) hide_->SetDown(hide);
    owner_->HideKnobs(hide);
    SetButtonsEnabled(!hide);
}

void SlopeCompPanel::StartAutomaticCorrection() {
    SlopeKnobs knobs = owner_->Knobs();
    owner_->SlopeAveraging().StartAutomatic(knobs);
    owner_->SetKnobs(knobs);
    SetButtonsEnabled(false);
}

void SlopeCompPanel::ShowFigures(const SlopeAverage& average, bool automaticEnded) {
    const char* texts[3] = {"Averaged baseline: %.02lfdB", "Average ripple: %.02lfdB", "Maximum ripple: %.02lfdB"};
    const double values[3] = {average.Baseline(), average.AverageRipple(), average.MaximumRipple()};
    for (int i = 0; i < 3; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, texts[i], values[i]);
        labels_[i]->SetCaption(text);
    }
    if (automaticEnded) SetButtonsEnabled(true);
}

void SlopeCompPanel::ResetCorrection() { owner_->SetKnobs(SlopeKnobs{}); }

void SlopeCompPanel::UpdateEeprom() {
    writing_ = owner_->Knobs();
    owner_->WriteSlopeRecord(writing_, 2);
}

void SlopeCompPanel::EepromWritten(bool written) {
    if (!written && ask_() == RC_MessageBox::kRetry) owner_->WriteSlopeRecord(writing_, 1);
}

void SlopeCompPanel::InvertSpectrum(bool on) {
    if (invert_->IsDown() != on) invert_->SetDown(on);
    inverted_ = on;
    inversionHz_ = on ? -12000 : 12000;
    owner_->PublishSignalPath(); // the audio path reads the flag from its own copy
}

int SlopeCompPanel::AskWithMessageBox() {
    auto* box = new RC_MessageBox(nullptr, "Q745DemodPro EEPROM updating error",
                                  "EEPROM updating failed. Please specify what to do next.", 86);
    return box->RunModal();
}
