#pragma once
// "New range": edits one scan range of the range list.

#include "app/forms/RangeEditor.h"
#include "app/forms/RangeList.h"

namespace lxq {

class TNewRangeForm : public RangeEditor {
public:
    TNewRangeForm(plat::comp::TComponent* owner, const TQ7Facilities& facilities);
    const char* ClassName() const override { return "TNewRangeForm"; }

    // Edits range `index`, or a new one when it is the list's count; on OK the values go into
    // the range (a new one is appended). No check of lower against upper is made.
    void EditRange(RangeList& list, int index);
};

} // namespace lxq
