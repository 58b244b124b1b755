#pragma once
// The small vertical spinner at the right of a numeric field: two arrow halves with a thin bar
// between them. A held half steps once and then repeats; the wheel steps once per message;
// dragging the bar steps one step per pixel, endlessly, as the pointer wraps from one screen edge
// to the other. Bound to a frequency or integer field it writes the new value itself; unbound it
// only reports the direction.

#include <cstdint>
#include <functional>

#include "app/controls/ColorShadow.h"
#include "platform/components/TWinControl.h"

namespace lxq {

class TstSpeedButton;
class TmyFrequencyEdit;
class TmyIntEdit;

// Raised before every step; the handler may change val (the number of steps, signed).
using TDirectionEvent = std::function<void(plat::comp::TComponent* sender, int& val)>;

class TmyUpDown : public plat::comp::TWinControl {
public:
    explicit TmyUpDown(plat::comp::TComponent* owner);
    ~TmyUpDown() override;
    const char* ClassName() const override { return "TmyUpDown"; }

    TColor Color() const { return color_; }
    void SetColor(TColor v);
    TColor ColorDisabled() const { return colorDisabled_; }
    void SetDisColor(TColor v);
    TColor FontColorDisabled() const { return fontColorDisabled_; }
    void SetFontDisColor(TColor v);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor v);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadOff(int v);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v);
    int Speed() const { return speed_; }
    void SetSpeed(int ms);
    int Delay() const { return delay_; }
    void SetDelay(int ms);
    int AutoStep() const { return autoStep_; }
    // At least 1: once written, the step follows the value.
    void SetAutoStep(int n);
    TmyFrequencyEdit* FrequencyEdit() const { return frequencyEdit_; }
    void SetFrequencyEdit(TmyFrequencyEdit* e);
    TmyIntEdit* IntEdit() const { return intEdit_; }
    void SetIntEdit(TmyIntEdit* e);
    void SetEnabled(bool enabled) override;

    // Fixed step; also receives the step each stepping used.
    int Step = 1;
    bool RoundStep = true;
    TDirectionEvent OnDirection;
    plat::comp::TNotifyEvent OnMiddleStart;
    plat::comp::TNotifyEvent OnMiddleEnd;

    TstSpeedButton& UpHalf() { return *up_; }
    TstSpeedButton& DownHalf() { return *down_; }
    TstSpeedButton& Bar() { return *bar_; }
    bool Dragging() const { return dragging_; }

    // The step for a value: Step, or with AutoStep n a power of ten n decades below the
    // value's leading digit.
    std::int64_t GetStep(std::int64_t v) const;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void Resize() override;
    // Lays out the halves and the bar over the full width.
    virtual void WMSize();
    // The one stepping operation: val steps (signed).
    virtual void SetControlDir(int val);

private:
    void FNotification(plat::comp::TObject* sender);
    void MidButtonMouseMove(plat::comp::TShiftState shift, int x, int y);
    void MidButtonMouseUp();
    template <typename Field>
    void StepField(Field& field, std::int64_t v, int val, std::int64_t undefValue);

    static constexpr int kNoPosition = 1'000'000;

    TstSpeedButton* up_ = nullptr;
    TstSpeedButton* down_ = nullptr;
    TstSpeedButton* bar_ = nullptr;
    TColor color_ = 0x636363;
    TColor colorDisabled_ = 0x636363;
    TColor fontColorDisabled_ = 0x808080;
    TColor fontColor_ = 0x00FF00;
    int shadowOffset_ = 50;
    int bevelWidth_ = 3;
    int speed_ = 100;
    int delay_ = 0;
    int lastY_ = 0;
    bool dragging_ = false;
    TmyFrequencyEdit* frequencyEdit_ = nullptr;
    TmyIntEdit* intEdit_ = nullptr;
    int autoStep_ = 0;
};

} // namespace lxq
