#pragma once
// The Q758: a Q786 with its own libraries and calibration file, and a roofing filter.

#include "app/receiver/TmyQ786.h"

namespace lxq {

class TmyQ758 : public TmyQ786 {
public:
    explicit TmyQ758(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TmyQ758"; }

    // 15 switches the roofing filter in; any other value switches it out.
    void SetRoofFilter(std::int32_t v);
    std::int32_t GetRoofFilter();

protected:
    const char* ApiLibraryName() const override { return "lxq758api.dll"; }
};

} // namespace lxq
