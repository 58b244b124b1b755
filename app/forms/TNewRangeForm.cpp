#include "app/forms/TNewRangeForm.h"

namespace lxq {

TNewRangeForm::TNewRangeForm(plat::comp::TComponent* owner, const TQ7Facilities& facilities)
    : RangeEditor(owner, facilities, "New range") {}

void TNewRangeForm::EditRange(RangeList& list, int index) {
    if (index < 0 || index > static_cast<int>(list.size())) return;
    const bool isNew = index == static_cast<int>(list.size());
    if (isNew) LoadDefaults();
    else LoadRecord(*list[static_cast<std::size_t>(index)]);
    SetModalResult(plat::comp::mrNone);
    if (RunModal(*this) != plat::comp::mrOk) return;
    if (isNew) {
        auto r = std::make_unique<TRangeRecord>();
        *r = TRangeRecord{};
        StoreRecord(*r);
        list.push_back(std::move(r));
    } else {
        StoreRecord(*list[static_cast<std::size_t>(index)]);
    }
}

} // namespace lxq
