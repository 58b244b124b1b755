#include "app/forms/TNewStepForm.h"

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/receiver/TmyQ7.h"
#include "platform/components/TMessageForm.h"

namespace lxq {

using namespace plat::comp;

TNewStepForm::TNewStepForm(TComponent* owner, TmyQ7& receiver)
    : RangeEditor(owner, receiver.Q7Facilities(), "Auto-Stepping Range"), receiver_(receiver) {
    ShowMessageBox = [](const std::string& t, const std::string& c, std::uint32_t f) { return MessageBox(t, c, f); };
    LowerEdit->OnValueChange = [this](TObject* s) { LowerEditValueChange(s); };
}

void TNewStepForm::EditStep(AutoStepList& list, int index) {
    if (index < 0 || index > static_cast<int>(list.size())) return;
    const bool isNew = index == static_cast<int>(list.size());
    filling_ = true;
    if (isNew) {
        const auto gap = FirstFreeGap(list, Facilities().MinFrequency, Facilities().MaxFrequency);
        if (!gap) {
            filling_ = false;
            ShowMessageBox("No empty ranges", "Talvenor Q745", MB_ICONWARNING | MB_OK | MB_TOPMOST);
            return;
        }
        LoadDefaults();
        LowerEdit->SetValue(gap->lower);
        UpperEdit->SetValue(gap->upper);
        Squelch->Level->SetDown(!receiver_.GetSquelchDefeat());
        Squelch->LevelEdit->SetValue(receiver_.GetSquelch());
        Squelch->UpdateEnabling();
    } else {
        LoadRecord(list[static_cast<std::size_t>(index)]);
    }
    list_ = &list;
    index_ = static_cast<std::size_t>(index);
    filling_ = false;
    SetModalResult(mrNone);
    const bool ok = RunModal(*this) == mrOk;
    list_ = nullptr;
    if (!ok) return;
    if (isNew) list.push_back(TRangeRecord{});
    StoreRecord(list[static_cast<std::size_t>(index)]);
    PlaceEntry(list, static_cast<std::size_t>(index));
}

void TNewStepForm::LowerEditValueChange(TObject*) {
    if (filling_ || !list_) return;
    const LowerChoice choice =
        MoveLowerOutOfEntries(*list_, index_, LowerEdit->Value(), LowerEdit->Min(), LowerEdit->Max());
    filling_ = true; // showing the moved value is no user change
    if (choice.upperLimits) {
        UpperEdit->SetEnabled(true);
        UpperEdit->SetMin(choice.upperLimits->lower);
        UpperEdit->SetMax(choice.upperLimits->upper);
    }
    LowerEdit->SetValue(choice.lower);
    filling_ = false;
}

} // namespace lxq
