#pragma once
// "Front panel LED": how the receiver's front-panel LED behaves while the receiver runs normally.
// Each choice shows on the LED at once; OK keeps it as the LED setting, Cancel puts back the LED
// of the setting kept.

#include <array>
#include <cstdint>

#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
} // namespace plat::comp

namespace lxq {

class TQ7form;
class TmyLabel;
class TstSpeedButton;

class TLEDform : public plat::comp::TForm {
public:
    static constexpr std::uint8_t kPatternOn = 255;
    static constexpr std::uint8_t kPatternOff = 0;
    static constexpr std::uint8_t kPatternBlinkPowered = 95;
    static constexpr std::uint8_t kPatternBlinkUnpowered = 160;

    TLEDform(plat::comp::TComponent* owner, TQ7form& main);
    // The pattern that shows a choice (1 on, 2 off, else blinking) at once.
    static std::uint8_t PreviewPattern(int setting, bool powered);
    const char* ClassName() const override { return "TLEDform"; }

    std::array<TstSpeedButton*, 3> Choices{}; // on, off, blinking: settings 1, 2, 3
    TmyLabel* IntroLabel = nullptr;
    TmyLabel* ExplanationLabel = nullptr;
    TmyLabel* HelpLabel = nullptr; // "Help."
    plat::comp::TButton* OKButton = nullptr;
    plat::comp::TButton* CancelButton = nullptr;
    // Puts the LED of the kept setting back (the main form's LED rule).
    plat::comp::TNotifyEvent OnRestoreLED;

    void FormShow(plat::comp::TObject* sender);
    void ChoiceClick(plat::comp::TObject* sender);
    void OKButtonClick(plat::comp::TObject* sender);
    void CancelButtonClick(plat::comp::TObject* sender);
    void HelpLabelClick(plat::comp::TObject* sender);
    void FormKeyDown(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);

private:
    TQ7form& main_;
};

} // namespace lxq
