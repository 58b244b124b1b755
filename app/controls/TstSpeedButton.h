#pragma once
// The flat, window-less push button of the front panel: a shadow bevel computed from its own
// colour, latching within a group, a caption, a bitmap or one of ten drawn glyphs, and an
// auto-repeat event while it is held down.

#include <cstdint>
#include <memory>

#include "app/controls/ColorShadow.h"
#include "app/controls/TimerWindow.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TGraphicControl.h"

namespace lxq {

enum class TSTButtonKind {
    stbkNone, stbkLeftArrow, stbkRightArrow, stbkUpArrow, stbkDownArrow, stbkStop, stbkPause,
    stbkFastForward, stbkRewind, stbkShortLeftArrow, stbkShortRightArrow
};

enum class TButtonVisual : std::uint8_t { Up = 0, Disabled = 1, Pressed = 2, Latched = 3 };

// Sent to the controls of a button's parent when a grouped button goes down (WParam: the group,
// LParam: the button), so the others of its group come up.
constexpr std::uint32_t CM_BUTTONPRESSED = plat::comp::CM_BASE + 0x40;

class TstSpeedButton : public plat::comp::TGraphicControl {
public:
    explicit TstSpeedButton(plat::comp::TComponent* owner);
    ~TstSpeedButton() override;
    const char* ClassName() const override { return "TstSpeedButton"; }

    plat::comp::TBitmap& Bitmap() { return *bitmap_; }
    // Copies the picture.
    void SetBitmap(const plat::comp::TBitmap& bitmap);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int v);
    bool Down() const { return down_; }
    void SetDown(bool v);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool v);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor v);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int v);
    TColor ColorDown() const { return colorDown_; }
    void SetColorDown(TColor v);
    TColor ColorDisabled() const { return colorDisabled_; }
    void SetColorDisabled(TColor v);
    TColor FontColorDown() const { return fontColorDown_; }
    void SetFontColorDown(TColor v);
    TColor FontColorDisabled() const { return fontColorDisabled_; }
    void SetFontColorDisabled(TColor v);
    plat::comp::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(plat::comp::TAlignment v);
    plat::comp::TAlignment AlignKind() const { return alignKind_; }
    void SetKindAlign(plat::comp::TAlignment v);
    plat::comp::TTextLayout Layout() const { return layout_; }
    void SetLayout(plat::comp::TTextLayout v);
    int Indent() const { return indent_; }
    void SetIndent(int v);
    bool Abbreviate() const { return abbreviate_; }
    void SetAbbreviate(bool v);
    TSTButtonKind Kind() const { return kind_; }
    void SetKind(TSTButtonKind v);
    int KindPercent() const { return kindPercent_; }
    void SetKindPercent(int v);
    bool ShowKind() const { return showKind_; }
    void SetShowKind(bool v);
    bool KeepMouse() const { return keepMouse_; }
    void SetKeepMouse(bool v) { keepMouse_ = v; }
    int Speed() const { return speed_; }
    void SetSpeed(int ms) { speed_ = ms; }
    int Delay() const { return delay_; }
    void SetDelay(int ms) { delay_ = ms; }

    TButtonVisual Visual() const { return visual_; }
    // Where the last painting put the glyph.
    plat::comp::TPoint GlyphPos() const { return {glyphLeft_, glyphTop_}; }

    plat::comp::TNotifyEvent OnAutoRepeat;
    // Replaces the caption drawing; called with the button's canvas as its argument.
    plat::comp::TNotifyEvent OnPaintCaption;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x,
                   int y) override;
    void MouseMove(plat::comp::TShiftState shift, int x, int y) override;
    void MouseUp(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x,
                 int y) override;
    void DblClick() override;
    void Resize() override;

private:
    int AdjustBevel() const;
    // Draws the glyph; answers the x where the caption starts.
    int DrawKind();
    void UpdateExclusive();
    void TimerTick();
    bool PressedOrLatched() const {
        return visual_ == TButtonVisual::Pressed || visual_ == TButtonVisual::Latched;
    }
    void Set(int& field, int v);
    void Set(TColor& field, TColor v);

    std::unique_ptr<plat::comp::TBitmap> bitmap_;
    std::unique_ptr<TimerWindow> timer_;
    std::uint32_t pressTime_ = 0;
    int glyphLeft_ = 0;
    int glyphTop_ = 0;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    int borderWidth_ = 0;
    TColor borderColor_;
    int bevelWidth_ = 2;
    int shadowOffset_ = 50;
    TColor colorDown_;
    TColor colorDisabled_;
    TColor fontColorDown_;
    TColor fontColorDisabled_;
    plat::comp::TAlignment alignment_ = plat::comp::TAlignment::taCenter;
    plat::comp::TAlignment alignKind_ = plat::comp::TAlignment::taCenter;
    plat::comp::TTextLayout layout_ = plat::comp::TTextLayout::tlCenter;
    int indent_ = 0;
    bool abbreviate_ = false;
    TSTButtonKind kind_ = TSTButtonKind::stbkNone;
    int kindPercent_ = 0;
    bool showKind_ = true;
    bool keepMouse_ = false;
    int speed_ = 100;
    int delay_ = 500;
    TButtonVisual visual_ = TButtonVisual::Up;
    bool held_ = false;
};

} // namespace lxq
