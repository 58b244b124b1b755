#include "tests/app/controls/ShowcaseEntryControls.h"
#include "tests/app/controls/ShowcaseLayout.h"

#include <string>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstDateTimePanel.h"
#include "app/controls/TstTabSet.h"

namespace lxq::test {

using namespace plat::comp;

namespace {

constexpr TColor kPanel = 0x404040;

TmyIntEdit* LevelField(TWinControl* parent, int x, int y, int value, const char* unit) {
    auto* field = Add<TmyIntEdit>(parent, x, y, 84, 21);
    field->SetColor(0x202020);
    field->Font().SetColor(clLime);
    field->SetUnit(unit);
    field->SetValue(value);
    field->SetDefaultShadow(false);
    auto* spin = new TmyUpDown(nullptr);
    spin->SetParent(parent);
    spin->SetIntEdit(field);
    return field;
}

} // namespace

void AddEntryControls(TWinControl* form, int top) {
    auto* freq = Add<TmyFrequencyEdit>(form, 8, top + 4, 180, 28);
    freq->SetColor(0x202020);
    freq->Font().SetSize(14);
    freq->Font().SetColor(clLime);
    freq->SetShowUnit(TFrequencyUnit::fukHz);
    freq->SetFixedPoint(TFixedPoint::fp1Hz);
    freq->SetValue(7'050'000);
    freq->SetDefaultShadow(false);
    auto* freqSpin = new TmyUpDown(nullptr);
    freqSpin->SetParent(form);
    freqSpin->SetFrequencyEdit(freq);

    LevelField(form, 8, top + 42, -80, "dBm");
    LevelField(form, 112, top + 42, 50, "%");

    auto* tabs = Add<TstTabSet>(form, 226, top, 250, 70);
    tabs->SetColor(kPanel);
    tabs->SetInactiveColor(0x303030);
    tabs->SetScrollerColor(kPanel);
    tabs->SetTabWidth(64);
    tabs->SetTabHeight(24);
    tabs->SetBevelWidth(3);
    tabs->SetTabCount(5);
    tabs->SetCurrentIndex(1);
    tabs->OnDraw = [](TstTabSet* set, int index, const TRect& r, bool active) {
        TCanvas& c = set->Canvas();
        c.Font().SetColor(active ? clYellow : clSilver);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        TRect box = r;
        c.DrawText("Bank " + std::to_string(index + 1), box,
                   plat::gdi::dt::SingleLine | plat::gdi::dt::Center | plat::gdi::dt::VCenter);
    };

    // The date alone: the picture stays the same from one capture to the next.
    auto* date = Add<TstDateTimePanel>(form, 484, top, 148, 70);
    date->SetColor(kPanel);
    date->Font().SetColor(clYellow);
    date->SetTimeSource(TTimeSource::tsUTC);
    date->SetHourFormat(THourFormat::hfNone);
    date->SetMinuteFormat(TMinuteFormat::nfNone);
    date->SetSecondFormat(TSecondFormat::sfNone);
    date->SetDayOfWeekFormat(TDayOfWeekFormat::dowfDDDD);
    date->SetMonthFormat(TMonthFormat::mfMMM);
    date->SetDateSeparator(" ");
}

} // namespace lxq::test
