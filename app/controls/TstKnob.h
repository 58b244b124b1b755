#pragma once
// The rendered rotary tuning knob: a shaded body with an engraved tick ring, tick marks and a
// sunken dimple that moves round as it turns. It turns in whole steps: a click (or a held button,
// repeating) on the lower or upper half turns it one step and reports it through OnUpDown. It
// tunes nothing itself; keys go to the owner through OnKeyMessage.

#include <cstdint>
#include <functional>
#include <memory>

#include "app/controls/ColorShadow.h"
#include "app/controls/TimerWindow.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TCustomControl.h"

namespace lxq {

// One step; Direction true = up.
using TUpDownEvent =
    std::function<void(plat::comp::TObject* sender, bool direction, plat::comp::TShiftState state)>;
using TmyMsgEvent =
    std::function<void(plat::comp::TObject* sender, plat::comp::TMessage& msg, bool& handled)>;

// Which half of the body the pointer is on (the cursor the knob shows there).
enum class KnobCursor { Default = 0, Down = 1, Up = 2 };

class TstKnob : public plat::comp::TCustomControl {
public:
    explicit TstKnob(plat::comp::TComponent* owner);
    ~TstKnob() override;
    const char* ClassName() const override { return "TstKnob"; }

    // Turns one step (Angle by 2 pi / StepCount), reports it when asked and repaints.
    void Step(bool direction, plat::comp::TShiftState shift, bool notify);
    double Angle() const { return angle_; }
    void SetAngle(double angle);

    int Speed() const { return speed_; }
    void SetSpeed(int ms) { speed_ = ms; }
    int Delay() const { return delay_; }
    void SetDelay(int ms) { delay_ = ms; }
    int StepCount() const { return stepCount_; }
    void SetStepCount(int n) { stepCount_ = n; }

    int KnobPercent() const { return knobPercent_; }
    void SetKnobPercent(int v);
    TColor KnobColor() const { return knobColor_; }
    void SetKnobColor(TColor v);
    int KnobBevelWidth() const { return knobBevelWidth_; }
    void SetKnobBevelWidth(int v);
    int KnobShadowOffset() const { return knobShadowOffset_; }
    void SetKnobShadowOffset(int v);
    int TickNumber() const { return tickNumber_; }
    void SetTickNumber(int v);
    int TickBevelWidth() const { return tickBevelWidth_; }
    void SetTickBevelWidth(int v);
    int TickBevelPercent() const { return tickBevelPercent_; }
    void SetTickBevelPercent(int v);
    int TickShadowOffset() const { return tickShadowOffset_; }
    void SetTickShadowOffset(int v);
    int TickStartPercent() const { return tickStartPercent_; }
    void SetTickStartPercent(int v);
    int TickStopPercent() const { return tickStopPercent_; }
    void SetTickStopPercent(int v);
    int SmallKnobPercent() const { return smallKnobPercent_; }
    void SetSmallKnobPercent(int v);
    int SmallKnobStopPercent() const { return smallKnobStopPercent_; }
    void SetSmallKnobStopPercent(int v);
    TColor SmallKnobColor() const { return smallKnobColor_; }
    void SetSmallKnobColor(TColor v);
    int SmallKnobBevelWidth() const { return smallKnobBevelWidth_; }
    void SetSmallKnobBevelWidth(int v);
    int SmallKnobShadowOffset() const { return smallKnobShadowOffset_; }
    void SetSmallKnobShadowOffset(int v);

    KnobCursor Cursor() const { return cursor_; }
    plat::comp::TPoint KnobPos() const { return {knobLeft_, knobTop_}; }
    int KnobSize() const { return knobImage_->Width(); }
    plat::comp::TRect DimpleRect() const {
        return {dimpleLeft_, dimpleTop_, dimpleLeft_ + dimpleSize_, dimpleTop_ + dimpleSize_};
    }

    TUpDownEvent OnUpDown;
    TmyMsgEvent OnKeyMessage;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void Paint() override;
    void Resize() override;
    void MouseDown(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x,
                   int y) override;
    void MouseUp(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x,
                 int y) override;
    void MouseMove(plat::comp::TShiftState shift, int x, int y) override;

private:
    void AdjustBmp();
    void AdjustSmallKnob();
    void PrepareSmallKnob();
    void SetSmallKnobPos();
    void TimerTick(std::uintptr_t id);
    void SetLook(int& field, int v, bool knob, bool dimple);
    void StartRepeat(std::uintptr_t id, bool& running, std::uintptr_t otherId, bool& otherRunning);

    std::unique_ptr<plat::comp::TBitmap> knobImage_;
    std::unique_ptr<plat::comp::TBitmap> composite_;
    std::unique_ptr<plat::comp::TBitmap> dimpleImage_;
    int knobLeft_ = 0;
    int knobTop_ = 0;
    int dimpleSize_ = 0;
    int dimpleLeft_ = 0;
    int dimpleTop_ = 0;
    int speed_ = 100;
    int delay_ = 500;
    double angle_ = 0;
    int knobPercent_ = 80;
    TColor knobColor_ = plat::comp::clBtnFace;
    int knobBevelWidth_ = 8;
    int knobShadowOffset_ = 100;
    int tickNumber_ = 24;
    int stepCount_ = 240;
    int tickBevelWidth_ = 1;
    int tickBevelPercent_ = 100;
    int tickShadowOffset_ = 50;
    int tickStartPercent_ = 87;
    int tickStopPercent_ = 95;
    int smallKnobPercent_ = 8;
    int smallKnobStopPercent_ = 65;
    TColor smallKnobColor_ = plat::comp::clBtnFace;
    int smallKnobBevelWidth_ = 4;
    int smallKnobShadowOffset_ = 100;
    plat::comp::TShiftState pressShift_ = 0;
    bool held_ = false;
    bool upTimerRunning_ = false;
    bool downTimerRunning_ = false;
    std::uint32_t holdStart_ = 0;
    KnobCursor cursor_ = KnobCursor::Default;
    TimerWindow timers_;
};

} // namespace lxq
