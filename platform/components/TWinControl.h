#pragma once
// A control with a window of its own: it holds child controls, lays out the aligned ones, takes
// the keyboard focus and gets its messages from the window system. The window is made when it is
// first needed (Handle, or showing the form); until then the control works as an object alone,
// which is how tests and off-screen composition use it.

#include <vector>

#include "platform/components/TControl.h"
#include "platform/win/Types.h"

namespace plat::comp {

// What a control's window is made with; CreateParams fills it, subclasses add their styles.
struct TCreateParams {
    std::string caption;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    win::Hwnd parent = 0;
    // Class styles of the window (CS_DBLCLKS, CS_HREDRAW, CS_VREDRAW...).
    std::uint32_t classStyle = 0;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    const char* ClassName() const override { return "TWinControl"; }

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    // The topmost visible child under a point of the client area, or null.
    TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls = false) const;

    win::Hwnd Handle();
    bool HandleAllocated() const { return handle_ != 0; }
    void HandleNeeded();
    void DestroyHandle();
    // Makes the window again (after a change of CreateParams that needs a new window).
    void RecreateWnd();
    // The control that owns a window made by this library, or null.
    static TWinControl* FindControl(win::Hwnd hwnd);

    TRect ClientRect() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetParent(TWinControl* parent) override;

    // The parameters the window is (or would be) made with.
    TCreateParams WindowParams() const;

    // Painting always goes through an off-screen surface here; the flag is kept for callers.
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool v) { doubleBuffered_ = v; }

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v) { tabStop_ = v; }
    bool Focused() const;
    bool CanFocus() const;
    virtual void SetFocus();

    void PaintTo(gdi::DC& dc, int x, int y) override;
    void Invalidate() override;
    void Update() override;
    void InvalidateRect(const TRect& rect);
    // The area marked for repainting since the last paint (empty when none).
    TRect UpdateRect() const { return updateRect_; }
    // Lays out the aligned children again.
    void Realign();
    // The frame (border, scroll bars, menu bar) changed: the client area is measured again.
    void FrameChanged();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    // A wheel turn over the control; a handler that sets handled keeps it from scrolling.
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

protected:
    virtual void CreateParams(TCreateParams& params);
    // Paints the client area (the background is erased before).
    virtual void PaintWindow(gdi::DC&) {}
    // Paints the frame between the window's edge and its client area, in window coordinates:
    // on screen (for WM_NCPAINT, through the window's whole-window context) and in PaintTo alike.
    // Controls with a frame of their own override this.
    virtual void PaintNonClient(gdi::DC& dc);
    virtual void AdjustClientRect(TRect&) {}
    // Scroll bars in the frame: whether there is one (by default: the WS_VSCROLL and WS_HSCROLL
    // styles), its position, page and range (in whatever unit the control scrolls by), and
    // scrolling to a new position when the bar is clicked or the wheel turned.
    virtual bool HasScrollBar(bool vertical) const;
    virtual void ScrollInfo(bool /*vertical*/, int& position, int& page, int& range) const {
        position = 0;
        page = range = 1;
    }
    virtual void ScrollTo(bool /*vertical*/, int /*position*/) {}
    // The bar's rectangle in window coordinates (empty without one).
    TRect ScrollBarRect(bool vertical) const;
    virtual void KeyDown(std::uint16_t& key, TShiftState shift);
    virtual void KeyUp(std::uint16_t& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void DoEnter();
    virtual void DoExit();
    // The area inside the border, before scroll bars (window coordinates).
    TRect InsideBorder() const;
    // The client rectangle inside the window's frame, in window coordinates.
    virtual TRect ClientAreaInWindow() const;
    // Paints the graphic children, each at its place.
    void PaintControls(gdi::DC& dc);

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void CreateHandle();
    static std::string WindowClassFor(std::uint32_t classStyle);
    // A screen point of a non-client message in window coordinates.
    TPoint WindowPointOf(win::LParam screenPoint) const;
    void AlignControls();
    void RouteMouse(TMessage& message);
    void DragThumb(const TMessage& message);
    static win::LResult WindowProc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam,
                                   win::LParam lParam);

    std::vector<TControl*> controls_; // z-order: bottom first
    win::Hwnd handle_ = 0;
    bool tabStop_ = false;
    bool aligning_ = false;
    bool adoptingWindowPos_ = false;
    bool doubleBuffered_ = false;
    int dragBar_ = 0;  // scroll bar whose thumb is being dragged: 1 vertical, 2 horizontal
    int dragGrab_ = 0; // where in the thumb the mouse holds it
    TRect updateRect_{};
};

} // namespace plat::comp
