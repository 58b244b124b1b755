#pragma once
// A control: a component with a place in a parent, a size, colour, font, caption and the mouse
// events. A control without a window of its own (a graphic control) is painted by its parent and
// receives its mouse messages through it; TWinControl adds the window.
//
// Property writers do nothing for an unchanged value, otherwise store, notify and repaint.

#include <string>

#include "platform/components/Events.h"
#include "platform/components/Messages.h"
#include "platform/components/TComponent.h"
#include "platform/components/TFont.h"
#include "platform/components/Types.h"
#include "platform/gdi/DC.h"

namespace plat::comp {

class TWinControl;
class TCustomForm;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;
    const char* ClassName() const override { return "TControl"; }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    // The form the control sits on (itself for a form), or null.
    TCustomForm* ParentForm() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    // The area children and painting use, in the control's own coordinates.
    virtual TRect ClientRect() const { return {0, 0, width_, height_}; }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    // Where the client area's 0,0 lies in the parent's client coordinates.
    TPoint ClientOrigin() const;
    TPoint ClientToParent(TPoint p) const;
    // Screen coordinates are those of the top-level form's client area placed at its position.
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so is every parent up to a shown form.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool v);
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v);

    // Caption and Text are the same string, as in the classic library.
    const std::string& Caption() const { return text_; }
    void SetCaption(const std::string& text) { SetText(text); }
    const std::string& Text() const { return text_; }
    virtual void SetText(const std::string& text);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v) { showHint_ = v; }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle s) { controlStyle_ = s; }
    TControlState ControlState() const { return controlState_; }

    void SetName(const std::string& name) override;

    // Repainting: Invalidate marks the control for the next paint; Repaint paints it now.
    virtual void Invalidate();
    void Repaint();
    // Paints the control, children included, into dc with its top-left corner at x, y (logical
    // coordinates of dc). This is how a form is composed off screen.
    virtual void PaintTo(gdi::DC& dc, int x, int y) = 0;

    // Handles a message at once and answers it.
    win::LResult Perform(std::uint32_t msg, win::WParam wParam = 0, win::LParam lParam = 0);
    virtual void WndProc(TMessage& message);
    // What happens to a message nobody handled.
    virtual void DefaultHandler(TMessage& message);

    void BringToFront();
    void SendToBack();

    // The control that holds the mouse while a button is down (any control of the thread).
    static TControl* CaptureControl();
    static void SetCaptureControl(TControl* control);
    bool MouseCapture() const { return CaptureControl() == this; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    virtual void Click();

protected:
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void Resize();
    // Text of the control changed (CM_TEXTCHANGED is sent as well).
    virtual void TextChanged() {}
    // The resolved background colour of the parent, for controls that shade from it.
    TColor ParentBrushColor() const;
    void SetControlState(TControlState s) { controlState_ = s; }
    // Called by the parent after its colour or font changed.
    friend class TWinControl;

private:
    void HandleMouse(TMessage& message);
    void FontChanged();

    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TFont font_;
    bool parentFont_ = true;
    std::string text_;
    std::string hint_;
    bool showHint_ = false;
    TAlign align_ = TAlign::alNone;
    TControlStyle controlStyle_ = cs::ClickEvents | cs::CaptureMouse | cs::DoubleClicks;
    TControlState controlState_ = 0;
};

// The shift state from a mouse message's key bits plus the keyboard's modifier keys.
TShiftState MouseShiftState(win::WParam keys);
// The modifier keys down right now (as the last key messages left them).
TShiftState KeyboardShiftState();
// Records a modifier key going down or up; the application calls it for every key message.
void TrackModifierKey(std::uint32_t message, std::uint16_t key);

} // namespace plat::comp
