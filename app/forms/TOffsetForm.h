#pragma once
// "Display offset": the offset in Hz the receiver adds to the frequency it shows, for a
// downconverter in front of it. Only an offset of 0 or below can be confirmed.

#include <cstdint>

#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
} // namespace plat::comp

namespace lxq {

class TmyFrequencyEdit;
class TstSpeedButton;

class TOffsetForm : public plat::comp::TForm {
public:
    static constexpr std::int64_t kDownconverterOffset = -1'700'000'000;

    explicit TOffsetForm(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TOffsetForm"; }

    TmyFrequencyEdit* OffsetEdit = nullptr;
    TstSpeedButton* DownconverterButton = nullptr; // "Use LX-TOR-4100"
    plat::comp::TButton* OKButton = nullptr;
    plat::comp::TButton* CancelButton = nullptr;

    void OKButtonClick(plat::comp::TObject* sender);
    void DownconverterButtonClick(plat::comp::TObject* sender);
};

} // namespace lxq
