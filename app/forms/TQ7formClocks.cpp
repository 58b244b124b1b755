// The front panel's clocks: two date-time panels side by side below the tuning knob, UTC on the
// left and local time on the right, each the time over the date ("14:05:09" over "10 Dec 2026").

#include "app/controls/TstDateTimePanel.h"
#include "app/controls/TstPanel.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/TQ7form.h"

namespace lxq {

using namespace plat::comp;

void TQ7form::BuildClocks() {
    constexpr int kLeft = 548, kTop = 246, kWidth = 100, kHeight = 44, kGap = 4;
    auto clock = [this](int x, TTimeSource source, const char* hint) {
        auto* c = Place<TstDateTimePanel>(this, stPanel1, x, kTop, kWidth, kHeight);
        c->SetTimeSource(source);
        c->SetMonthFormat(TMonthFormat::mfMMM);
        c->SetDateSeparator(" ");
        c->SetColor(0x202020);
        c->Font().SetColor(clLime);
        c->SetBevelStyle(TBevelStyle::bsGradientInner);
        c->SetBevelWidth(2);
        c->SetHint(hint);
        c->SetShowHint(true);
        return c;
    };
    stDateTimePanel1 = clock(kLeft, TTimeSource::tsUTC, "UTC");
    stDateTimePanel2 = clock(kLeft + kWidth + kGap, TTimeSource::tsLocal, "Local time");
}

} // namespace lxq
