#pragma once
// "Auto-stepping": the main form's auto-step list, shown and edited: ranges in rising order of
// their lower frequency, each with the step, mode, squelch and description applied while the
// receiver is tuned inside it.

#include <functional>
#include <string>

#include "app/forms/AutoStepRules.h"
#include "platform/components/TCustomListBox.h"
#include "platform/components/TForm.h"

namespace lxq {

class TNewStepForm;
class TmyQ7;
class TstListBox;
class TstSpeedButton;

class TAutostepForm : public plat::comp::TForm {
public:
    TAutostepForm(plat::comp::TComponent* owner, TmyQ7& receiver);
    const char* ClassName() const override { return "TAutostepForm"; }

    // Shows the list and lets the user edit it.
    void Edit(AutoStepList& list);
    // The list to edit, without showing the window (the first half of Edit).
    void SetList(AutoStepList* list);

    std::function<plat::comp::TModalResult(plat::comp::TForm&)> RunModal;
    std::function<int(const std::string&, const std::string&, std::uint32_t)> ShowMessageBox;

    TNewStepForm* NewStepForm = nullptr;
    TstListBox* stListBox1 = nullptr;
    TstSpeedButton* CloseButton = nullptr;
    TstSpeedButton* NewButton = nullptr;
    TstSpeedButton* DeleteButton = nullptr;
    TstSpeedButton* EditButton = nullptr;

    void NewButtonClick(plat::comp::TObject* sender);
    void DeleteButtonClick(plat::comp::TObject* sender);
    void EditButtonClick(plat::comp::TObject* sender);
    void CloseButtonClick(plat::comp::TObject* sender);
    void stListBox1DrawItem(plat::comp::TWinControl* control, int index, plat::comp::TRect rect,
                            plat::comp::TOwnerDrawState state);

private:
    AutoStepList* list_ = nullptr;
};

} // namespace lxq
