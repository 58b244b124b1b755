#include "tests/app/controls/ShowcaseForm.h"
#include "tests/app/controls/ShowcaseEntryControls.h"
#include "tests/app/controls/ShowcaseLayout.h"

#include "app/controls/TmyLabel.h"
#include "app/controls/TmyScrollBar.h"
#include "app/controls/TmyTuningPad.h"
#include "app/controls/TstEdit.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstMemo.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"

namespace lxq::test {

using namespace plat::comp;

namespace {

constexpr TColor kPanel = 0x404040;

} // namespace

Showcase MakeShowcaseForm() {
    Showcase s;
    s.form = std::make_unique<TForm>(nullptr);
    TForm* form = s.form.get();
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(0, 0, 640, 440);
    form->SetColor(0x303030);

    auto* front = Add<TstPanel>(form, 8, 8, 400, 110);
    front->SetColor(kPanel);
    front->SetBevelStyle(TBevelStyle::bsRound);
    front->SetBevelWidth(8);

    auto* freq = Add<TstFrequencyEdit>(front, 16, 14, 300, 40);
    freq->SetColor(0x202020);
    freq->Font().SetSize(20);
    freq->Font().SetColor(clLime);
    freq->SetShowUnit(TFrequencyUnit::fuMHz);
    freq->SetFixedPoint(TFixedPoint::fp1Hz);
    freq->SetSmallFixedPoint(TFixedPoint::fp1kHz);
    freq->SetSmallFontSizePercent(85);
    freq->SetSmallColor(clRed);
    freq->SetMin(1);
    freq->SetMax(1'000'000'000);
    freq->SetValue(145'512'500);
    freq->SetDefaultShadow(false);

    auto* label = Add<TmyLabel>(front, 16, 64, 120, 18);
    label->SetCaption("Frequency");
    label->Font().SetColor(clYellow);
    auto* engraved = Add<TmyLabel>(front, 140, 64, 120, 18);
    engraved->SetCaption("Squelch off");
    engraved->SetShowBurried(true);
    engraved->SetBurColor(clGray);
    engraved->SetDisColor(0x202020);
    engraved->SetEnabled(false);

    auto* edit = Add<TstEdit>(front, 16, 84, 120, 20);
    edit->SetText("Memory 12");
    edit->SetDefaultShadow(false);

    const TSTButtonKind kinds[] = {
        TSTButtonKind::stbkLeftArrow,   TSTButtonKind::stbkRightArrow, TSTButtonKind::stbkUpArrow,
        TSTButtonKind::stbkDownArrow,   TSTButtonKind::stbkStop,       TSTButtonKind::stbkPause,
        TSTButtonKind::stbkFastForward, TSTButtonKind::stbkRewind,
        TSTButtonKind::stbkShortLeftArrow, TSTButtonKind::stbkShortRightArrow};
    auto* keys = Add<TstPanel>(form, 8, 126, 400, 40);
    keys->SetColor(kPanel);
    keys->SetBevelStyle(TBevelStyle::bsGradientInner);
    keys->SetBevelWidth(3);
    int x = 8;
    for (TSTButtonKind k : kinds) {
        auto* b = Add<TstSpeedButton>(keys, x, 8, 24, 24);
        b->SetColor(kPanel);
        b->SetColorDown(0x303030);
        b->Font().SetColor(clLime);
        b->SetKind(k);
        b->SetKindPercent(60);
        x += 28;
    }
    auto* mode = Add<TstSpeedButton>(keys, x + 4, 8, 44, 24);
    mode->SetCaption("USB");
    mode->SetColor(kPanel);
    mode->SetColorDown(0x202020);
    mode->SetFontColorDown(clYellow);
    mode->Font().SetColor(clWhite);
    mode->SetGroupIndex(1);
    mode->SetDown(true);
    auto* am = Add<TstSpeedButton>(keys, x + 52, 8, 44, 24);
    am->SetCaption("AM");
    am->SetColor(kPanel);
    am->Font().SetColor(clWhite);
    am->SetGroupIndex(1);

    auto* memo = Add<TstMemo>(form, 8, 174, 190, 70);
    memo->Lines().Add("Talk group 7");
    memo->Lines().Add("Net at 19:00");
    memo->SetScrollBars(TScrollStyle::ssVertical);
    memo->SetDefaultShadow(false);

    auto* bar = Add<TmyScrollBar>(form, 206, 174, 202, 20);
    bar->SetRange(0, 3'000'000'000);
    bar->SetLength(200'000'000);
    bar->SetPos(1'200'000'000);

    auto* outer = Add<TstPanel>(form, 206, 202, 202, 42);
    outer->SetColor(kPanel);
    outer->SetBevelStyle(TBevelStyle::bsGradientOuter);
    outer->SetCaption("Scan");
    outer->Font().SetColor(clYellow);

    auto* knob = Add<TstKnob>(form, 420, 8, 210, 210);
    knob->SetColor(0x303030);
    knob->SetKnobColor(0x505050);
    knob->SetSmallKnobColor(0x505050);
    knob->SetStepCount(24);
    knob->SetAngle(-0.7);
    s.knob = knob;

    auto* pad = Add<TmyTuningPad>(form, 8, 252, 400, 100);
    (void)pad;

    AddEntryControls(form, 362);
    return s;
}

} // namespace lxq::test
