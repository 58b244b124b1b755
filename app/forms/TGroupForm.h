#pragma once
// "Memory scan groups": which memory groups the memory scanner visits, and whether the choice
// applies at all. The caller presets the buttons and reads them back after OK.

#include <array>
#include <cstdint>

#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
} // namespace plat::comp

namespace lxq {

class TstPanel;
class TstSpeedButton;

class TGroupForm : public plat::comp::TForm {
public:
    explicit TGroupForm(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TGroupForm"; }

    TstPanel* GroupPanel = nullptr;
    std::array<TstSpeedButton*, 16> Groups{}; // element i is group i + 1
    TstSpeedButton* EnableButton = nullptr;   // "Enable group restriction"
    plat::comp::TButton* OKButton = nullptr;
    plat::comp::TButton* CancelButton = nullptr;

    void FormKeyDown(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);
};

} // namespace lxq
