#pragma once
// "Auto-Stepping Range": edits one entry of the auto-step list. A new entry proposes the first
// free stretch of the receiver's range; a typed lower frequency moves out of other entries.

#include "app/forms/AutoStepRules.h"
#include "app/forms/RangeEditor.h"

namespace lxq {

class TmyQ7;

class TNewStepForm : public RangeEditor {
public:
    TNewStepForm(plat::comp::TComponent* owner, TmyQ7& receiver);
    const char* ClassName() const override { return "TNewStepForm"; }

    // Edits entry `index`, or a new one when it is the list's count; on OK the entry goes to its
    // place in the order of lower frequencies.
    void EditStep(AutoStepList& list, int index);
    // The user changed the lower frequency.
    void LowerEditValueChange(plat::comp::TObject* sender);

    std::function<int(const std::string&, const std::string&, std::uint32_t)> ShowMessageBox;

private:
    TmyQ7& receiver_;
    AutoStepList* list_ = nullptr;
    std::size_t index_ = 0;
    bool filling_ = false;
};

} // namespace lxq
