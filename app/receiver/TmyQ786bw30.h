#pragma once
// The Q786 bound to the API library of its 30 kHz bandwidth variant; otherwise a Q786.

#include "app/receiver/TmyQ786.h"

namespace lxq {

class TmyQ786bw30 : public TmyQ786 {
public:
    using TmyQ786::TmyQ786;
    const char* ClassName() const override { return "TmyQ786bw30"; }

protected:
    const char* ApiLibraryName() const override { return "lxq786bw30api.dll"; }
};

} // namespace lxq
