#pragma once
// A mouse-driven tuning surface: a drag area with a scale of rates, and a row of 14 fixed-step
// keys below it. While a button is held on the drag area the pad emits a signed step in Hz at a
// steady rate, larger the farther the pointer is from the centre line; on a key it emits that
// key's step. The right button reverses the sign. The pad tunes nothing itself: it raises OnStep
// and the owner applies the step.

#include <array>
#include <cstdint>
#include <functional>

#include "app/controls/ColorShadow.h"
#include "app/controls/TmyImage.h"
#include "platform/components/TTimer.h"
#include "platform/components/TWinControl.h"

namespace lxq {

using TStepEvent = std::function<void(plat::comp::TComponent* component, int step)>;

class TmyTuningPad : public plat::comp::TWinControl {
public:
    static constexpr int kKeyCount = 14;
    // Rates of the drag area by scale index.
    static constexpr std::array<int, 15> kRates{0,     1,     10,    100,   1000,   5000,  6250, 10000,
                                                12500, 20000, 25000, 30000, 50000, 100000, 1000000};

    explicit TmyTuningPad(plat::comp::TComponent* owner);
    // A pad that goes while held leaves the pointer free.
    ~TmyTuningPad() override;
    const char* ClassName() const override { return "TmyTuningPad"; }

    // Rewrites an entry of the key table shared by every pad; other indexes are ignored.
    static void SetStep(int index, int value);
    static int KeyStep(int index);
    // The drag-area step for a pointer x (0 where the pad is too narrow for a scale).
    int GetStep(int x) const;
    void DrawBackground();
    void SetBounds(int left, int top, int width, int height) override;

    TColor Color() const { return TWinControl::Color(); }
    void SetColor(TColor v);
    TColor PadColor() const { return padColor_; }
    void SetPadColor(TColor v);
    TColor TicksColor() const { return ticksColor_; }
    void SetTicksColor(TColor v);
    TColor BarsColor() const { return barsColor_; }
    void SetBarsColor(TColor v);
    void SetFont(const plat::comp::TFont& font);
    int Interval() const { return interval_; }
    void SetInterval(int ms) { interval_ = ms; }
    int Delay() const { return delay_; }
    void SetDelay(int ms) { delay_ = ms; }

    int HalfRange() const { return halfRange_; }
    int CursorLineX() const { return cursorX_; }
    int CurrentStep() const { return currentStep_; }
    bool Held() const { return held_; }
    // Where the pointer is held while a button is down (screen coordinates); empty when free.
    plat::comp::TRect ConfinedTo() const { return confined_; }

    TmyImage& ScaleStrip() { return *scale_; }
    TmyImage& DragArea() { return *drag_; }
    TmyImage& HintStrip() { return *hint_; }
    TmyImage& Key(int index) { return *keys_.at(static_cast<std::size_t>(index)); }
    plat::comp::TTimer& Timer() { return *timer_; }

    TStepEvent OnStep;

private:
    void Layout();
    void DrawCur(TColor colour);
    void DrawHint(int anchor);
    // Keeps the pointer on the pressed area while a button is held; Release frees it.
    void Confine(TmyImage& area);
    void Release();
    void FOnMouseDown(plat::comp::TObject* sender, plat::comp::TMouseButton button,
                      plat::comp::TShiftState shift, int x, int y);
    void FOnMouseUp(plat::comp::TObject* sender, plat::comp::TMouseButton button,
                    plat::comp::TShiftState shift, int x, int y);
    void FOnMouseMove(plat::comp::TObject* sender, plat::comp::TShiftState shift, int x, int y);
    void FLeaveTunNotify(plat::comp::TObject* sender);
    void FOnTimer(plat::comp::TObject* sender);
    int KeyStepFor(const TmyImage& key) const;

    TmyImage* scale_;
    TmyImage* drag_;
    TmyImage* hint_;
    std::array<TmyImage*, kKeyCount> keys_{};
    int fontHeight_ = 0;
    TColor padColor_ = 0;
    TColor ticksColor_ = plat::comp::clRed;
    TColor barsColor_ = plat::comp::clYellow;
    plat::comp::TTimer* timer_;
    int interval_ = 100;
    int delay_ = 1000;
    int cursorX_ = -1;
    int halfRange_ = 0;
    int currentStep_ = 0;
    bool reversed_ = false;
    bool held_ = false;
    plat::comp::TRect confined_{};
};

} // namespace lxq
