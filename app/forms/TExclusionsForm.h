#pragma once
// "Exclusions": the list of frequency ranges the scanner leaves out, with the switch "Enable
// excluding while scanning". It works on the main form's list directly, kept in rising order of
// the lower edge.

#include <functional>
#include <string>
#include <vector>

#include "app/forms/TExclusionRecord.h"
#include "platform/components/TCustomListBox.h"
#include "platform/components/TForm.h"

namespace lxq {

class TExclusionForm;
class TstListBox;
class TstSpeedButton;

// Puts the list into rising order of From (unsigned); equal ones keep their order.
void SortExclusions(std::vector<TExclusionRecord>& list);

class TExclusionsForm : public plat::comp::TForm {
public:
    explicit TExclusionsForm(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TExclusionsForm"; }

    // The list to edit; the list box takes its length.
    void SetList(std::vector<TExclusionRecord>* list);

    // Runs a form modally and answers its modal result; asks (text, caption, flags) and answers
    // the button. Tests replace both.
    std::function<plat::comp::TModalResult(plat::comp::TForm&)> RunModal;
    std::function<int(const std::string&, const std::string&, std::uint32_t)> ShowMessageBox;

    TstListBox* stListBox1 = nullptr;
    TstSpeedButton* stSpeedButton1 = nullptr; // Add
    TstSpeedButton* stSpeedButton2 = nullptr; // Remove
    TstSpeedButton* stSpeedButton3 = nullptr; // Edit
    TstSpeedButton* stSpeedButton4 = nullptr; // Close
    TstSpeedButton* stSpeedButton6 = nullptr; // Enable excluding while scanning
    TExclusionForm* ExclusionForm = nullptr;

    void stSpeedButton1Click(plat::comp::TObject* sender);
    void stSpeedButton2Click(plat::comp::TObject* sender);
    void stSpeedButton3Click(plat::comp::TObject* sender);
    void stSpeedButton4Click(plat::comp::TObject* sender);
    void stListBox1DrawItem(plat::comp::TWinControl* control, int index, plat::comp::TRect rect,
                            plat::comp::TOwnerDrawState state);

private:
    void Resized();

    std::vector<TExclusionRecord>* list_ = nullptr;
    plat::comp::TControl* fromLabel_ = nullptr;
    plat::comp::TControl* toLabel_ = nullptr;
};

} // namespace lxq
