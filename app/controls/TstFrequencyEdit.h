#pragma once
// The frequency entry and display field: a signed 64-bit number of hertz shown in Hz, kHz, MHz
// or GHz with the unit beside the digits. The user types a number in the shown unit, switches the
// unit with a letter (g, h, k, m) and confirms with Enter; limits clamp the value; when not being
// edited the trailing digits can be drawn small in another colour.

#include <cstdint>
#include <string>

#include "app/controls/ColorShadow.h"
#include "app/controls/TstAlignEdit.h"
#include "platform/components/Graphics.h"

namespace lxq {

enum class TFrequencyUnit { fuHz, fukHz, fuMHz, fuGHz, fuUndef };
enum class TFixedPoint { fpNone, fp1Hz, fp10Hz, fp100Hz, fp1kHz };

class TstFrequencyEdit : public TstAlignEdit {
public:
    explicit TstFrequencyEdit(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TstFrequencyEdit"; }
    using TstAlignEdit::SetText;

    std::int64_t Value() const { return value_; }
    void SetValue(std::int64_t v);
    // The number typed, in the shown unit; the current Value when the text is not a number.
    std::int64_t GetValue() const;
    void UpdateValue() { SetValue(GetValue()); }
    // Formats Value into the edit text and chooses the shown unit.
    void SetText();
    // 0 Hz, 1 kHz, 2 MHz, 3 GHz, 4 the undefined-value text.
    std::uint8_t ShownUnit() const { return unit_; }
    void SetUnit(std::uint8_t unit);
    void CheckUnits();
    // The text shown while the field is not being edited.
    std::string DisplayText() const;

    std::int64_t Max() const { return max_; }
    void SetMax(std::int64_t v);
    std::int64_t Min() const { return min_; }
    void SetMin(std::int64_t v);
    TFrequencyUnit ShowUnit() const { return showUnit_; }
    void SetShowUnit(TFrequencyUnit v);
    std::int64_t HzLimit() const { return hzLimit_; }
    void SetHzLimit(std::int64_t v);
    TFixedPoint FixedPoint() const { return fixedPoint_; }
    void SetFixedPoint(TFixedPoint v);
    TFixedPoint SmallFixedPoint() const { return smallFixedPoint_; }
    void SetSmallFixedPoint(TFixedPoint v);
    TColor SmallColor() const { return smallColor_; }
    void SetSmallColor(TColor v);
    int SmallFontSizePercent() const { return smallFontSizePercent_; }
    void SetSmallFontSizePercent(int v);
    std::int64_t UndefValue() const { return undefValue_; }
    void SetUndefValue(std::int64_t v);
    bool DisplayUndefValueText() const { return displayUndefValueText_; }
    void SetDisplayUndefValueText(bool v);
    const std::string& UndefValueText() const { return undefValueText_; }
    void SetUndefValueText(const std::string& v);
    bool UpdateOnExit() const { return updateOnExit_; }
    void SetUpdateOnExit(bool v) { updateOnExit_ = v; }
    // Receives the keyboard focus after a value was set while this field had it.
    plat::comp::TWinControl* ExitControl() const { return exitControl_; }
    void SetExitControl(plat::comp::TWinControl* c) { exitControl_ = c; }
    int DigitsRightEdge() const { return digitsRight_; }

    plat::comp::TNotifyEvent OnValueChange;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void CreateParams(plat::comp::TCreateParams& params) override;
    void Change() override;
    void KeyDown(std::uint16_t& key, plat::comp::TShiftState shift) override;
    void KeyPress(char& key) override;
    void DoEnter() override;
    void MouseDown(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x, int y) override;
    void DoExit() override;
    void Paint() override;
    void Resize() override;

private:
    std::uint8_t UnitFor(std::int64_t v) const;
    bool ShowsUndef() const { return displayUndefValueText_ && value_ == undefValue_; }
    void AdjustEditRect();
    void UpdateEditRect();
    void RepaintUnlessFocused();

    plat::comp::TWinControl* exitControl_ = nullptr;
    int borderWidth_ = 0;
    int borderHeight_ = 0;
    int digitsRight_ = 0;
    int textHeight_ = 0;
    std::uint8_t unit_ = 0;
    std::int64_t value_ = 0;
    std::int64_t max_ = 0;
    std::int64_t min_ = 0;
    TFrequencyUnit showUnit_ = TFrequencyUnit::fuUndef;
    std::int64_t hzLimit_ = 2000;
    TFixedPoint fixedPoint_ = TFixedPoint::fpNone;
    TFixedPoint smallFixedPoint_ = TFixedPoint::fpNone;
    TColor smallColor_ = plat::comp::clWindowText;
    int smallFontSizePercent_ = 70;
    std::int64_t undefValue_ = 0;
    bool displayUndefValueText_ = false;
    std::string undefValueText_;
    bool updateOnExit_ = true;
};

} // namespace lxq
