#pragma once
// A dark front-panel form holding one of each control of the library, for the screenshot that
// people look at and for the repaint benchmark.

#include <memory>

#include "platform/components/TForm.h"

namespace lxq::test {

struct Showcase {
    std::unique_ptr<plat::comp::TForm> form;
    plat::comp::TControl* knob = nullptr;
};

Showcase MakeShowcaseForm();

} // namespace lxq::test
