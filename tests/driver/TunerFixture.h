#pragma once
// A powered tuner on the internal reference with the test image loaded, over a fake receiver and
// a fake clock.

#include <gtest/gtest.h>

#include "tests/driver/FakeTunerHardware.h"

namespace lxq::driver::test {

class TunerFixture : public ::testing::Test {
protected:
    TunerFixture() {
        hw.Attach(tuner);
        tuner.State().current.referenceSelect = kReferenceInternal;
        tuner.AdoptImage(TestImage());
        tuner.State().powered = true;
    }

    const TunerState& Pushed() const { return hw.pushes.back().state; }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scopedClock{clock};
    FakeTunerHardware hw{&clock};
    Tuner tuner{hw};
};

} // namespace lxq::driver::test
