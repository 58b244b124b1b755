#pragma once
// "Exclusion": edits one excluded range, From below To.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/components/TForm.h"

namespace lxq {

class TmyFrequencyEdit;
class TmyUpDown;
class TstSpeedButton;

class TExclusionForm : public plat::comp::TForm {
public:
    explicit TExclusionForm(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TExclusionForm"; }

    std::function<int(const std::string&, const std::string&, std::uint32_t)> ShowMessageBox;

    TmyFrequencyEdit* FromEdit = nullptr;
    TmyFrequencyEdit* ToEdit = nullptr;
    TmyUpDown* FromUpDown = nullptr; // the spinners beside the edits
    TmyUpDown* ToUpDown = nullptr;
    TstSpeedButton* stSpeedButton1 = nullptr; // OK
    TstSpeedButton* stSpeedButton2 = nullptr; // Cancel

    // OK only when From < To (signed); otherwise the warning, and the dialog stays open.
    void stSpeedButton1Click(plat::comp::TObject* sender);
    void stSpeedButton2Click(plat::comp::TObject* sender);
    void FormKeyDown(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);
};

} // namespace lxq
