#pragma once
// The back end without a display: windows are drawn into memory, and input reaches them only
// through the input-injection calls that tests use.

#include "platform/win/Backend.h"

namespace plat::win {

class HeadlessBackend final : public Backend {
public:
    const char* Name() const override { return "headless"; }
    bool Wait(int wakeFd, sys::Nanoseconds timeout) override;
};

} // namespace plat::win
