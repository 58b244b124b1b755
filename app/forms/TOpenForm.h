#pragma once
// "Select radio to open": the list of the receivers found, by serial number, with the product
// name and frequency range of the selected one. Used when more than one receiver is present.

#include <functional>

#include "api/Lxq745Api.h"
#include "platform/components/TCustomListBox.h"
#include "platform/components/TForm.h"

namespace plat::comp {
class TLabel;
}

namespace lxq {

class TstListBox;
class TstSpeedButton;

class TOpenForm : public plat::comp::TForm {
public:
    explicit TOpenForm(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TOpenForm"; }

    // The index of the receiver chosen, or -1 when the user leaves with "Exit" or the close box.
    // `infos` must hold `count` records and live while the dialog runs.
    int Choose(const RADIO_INFO* infos, int count);

    // Shows the dialog and answers its modal result; tests replace it.
    std::function<plat::comp::TModalResult(TOpenForm&)> RunModal;

    TstListBox* stListBox1 = nullptr;
    plat::comp::TLabel* Label1 = nullptr;
    TstSpeedButton* stSpeedButton1 = nullptr; // Select
    TstSpeedButton* stSpeedButton3 = nullptr; // Exit

    void stSpeedButton1Click(plat::comp::TObject* sender);
    void stSpeedButton3Click(plat::comp::TObject* sender);
    void stListBox1Click(plat::comp::TObject* sender);
    void stListBox1DrawItem(plat::comp::TWinControl* control, int index, plat::comp::TRect rect,
                            plat::comp::TOwnerDrawState state);

private:
    bool ValidIndex(int index) const { return infos_ && index >= 0 && index < count_; }

    const RADIO_INFO* infos_ = nullptr;
    int count_ = 0;
};

} // namespace lxq
