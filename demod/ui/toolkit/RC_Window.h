#pragma once
// Every window and control of the plug-in. Only a top window or a popup owns a system window;
// a control is windowless: it lives inside its top window's system window, is hit-tested,
// focused and painted by the toolkit, and renders into an off-screen bitmap that is copied into
// its parent's. State flags and the dirty flag change only atomically, so other threads may
// invalidate a window or change its state; everything else belongs to the user-interface thread.

#include "demod/dsp/RC_Colour.h"
#include "demod/dsp/RC_Lock.h"
#include "demod/dsp/RC_Object.h"
#include "demod/dsp/RC_String.h"
#include "demod/ui/toolkit/RC_Brush.h"
#include "demod/ui/toolkit/RC_Callback.h"
#include "demod/ui/toolkit/RC_Font.h"
#include "demod/ui/toolkit/RC_Image.h"
#include "demod/ui/toolkit/RC_Pen.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DC.h"
#include "platform/win/Types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

class RC_Window : public RC_Object {
public:
    // Creation flags.
    static constexpr std::uint32_t kKeepsLoop = 0x1;   // a parentless window whose destruction does not end the loop
    static constexpr std::uint32_t kWindowless = 0x2;  // drawn inside its parent's top window
    static constexpr std::uint32_t kOwnedPopup = 0x4;  // a top window of its own, owned by the parent's system window
    static constexpr std::uint32_t kHideOnClose = 0x8; // popups: closing hides
    // Style word (flag word A).
    static constexpr std::uint32_t kDraggable = 0x1;
    static constexpr std::uint32_t kSizable = 0x2;
    static constexpr std::uint32_t kTopmost = 0x4;
    static constexpr std::uint32_t kTakesFocus = 0x8;
    static constexpr std::uint32_t kRetainBitmap = 0x10;
    static constexpr std::uint32_t kAnchorWidth = 0x80;
    static constexpr std::uint32_t kAnchorHeight = 0x100;
    static constexpr std::uint32_t kAnchorRight = 0x200;
    static constexpr std::uint32_t kAnchorBottom = 0x400;
    // State flags.
    static constexpr std::uint32_t kPenSelected = 0x1;
    static constexpr std::uint32_t kBrushSelected = 0x2;
    static constexpr std::uint32_t kFontSelected = 0x4;
    static constexpr std::uint32_t kCapture = 0x8;
    static constexpr std::uint32_t kShown = 0x10;
    static constexpr std::uint32_t kClosing = 0x20;
    static constexpr std::uint32_t kMinimised = 0x40;
    static constexpr std::uint32_t kMaximised = 0x80;
    static constexpr std::uint32_t kPainting = 0x100;
    static constexpr std::uint32_t kChildDirty = 0x200;
    static constexpr std::uint32_t kConstructing = 0x400;
    // Mouse event kinds.
    enum : int {
        kMouseMove = 0,
        kLeftDown = 1,
        kLeftUp = 2,
        kLeftDouble = 3,
        kMiddleDown = 4,
        kMiddleUp = 5,
        kMiddleDouble = 6,
        kRightDown = 7,
        kRightUp = 8,
        kRightDouble = 9,
    };
    // Key event kinds.
    enum : int { kChar = 0, kKeyDown = 1, kKeyUp = 2 };
    // Private messages.
    static constexpr std::uint32_t kMsgEnable = 0x8000;

    RC_Window(RC_Window* parent, int x, int y, int width, int height, std::uint32_t creationFlags);
    // Unregisters the toolkit's window class once no window of it is left (the library unloads).
    static void ReleaseClass();
    ~RC_Window() override;

    // --- virtual operations ---
    virtual plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam);
    virtual void SetX(int x);
    virtual void SetY(int y);
    virtual void SetWidth(int width);
    virtual void SetHeight(int height);
    virtual void Move(int x, int y, int width, int height, bool relayout);
    virtual void ClearStateFlags(std::uint32_t bits);
    virtual void SetStateFlags(std::uint32_t bits);
    virtual void SetEnabled(bool enabled);
    virtual int Show(int command);
    virtual void Invalidate();
    virtual void SetCaption(const char* text);
    virtual void SetFrameWidth(int width);
    virtual void PaintContent();
    virtual void PaintFrame();
    virtual void MouseEvent(int kind, std::uint32_t keys, int x, int y);
    virtual int KeyEvent(int kind, std::uint32_t key);
    virtual void SetTextColour(RC_Colour colour);
    virtual void SetFocused(int focused);
    // Asked by the window procedure on WM_CLOSE: true lets the object be deleted.
    virtual bool AcceptClose() { return true; }

    // --- other operations ---
    // Replaces the whole style word (through the flag-word operations).
    void SetStyle(std::uint32_t style);
    std::uint32_t Style() const { return FlagsA(); }
    void SetBackgroundColour(RC_Colour colour);
    void SetFrameColour(RC_Colour colour);
    void SetFrameType(int type);
    void Close();
    void Focus();
    void FocusNext();
    void ScreenPosition(int& x, int& y) const;
    void CreateCaret(int width, int height);
    void SetCaretPos(int x, int y);
    void SetCursorShape(std::uint32_t cursor);
    void InvalidateTree();
    // Paints this window (and its windowless children) onto the target context.
    void Paint(plat::gdi::DC& target);
    // One message through GetMessage, TranslateMessage and DispatchMessage; false on WM_QUIT.
    static bool PumpMessage(plat::win::WParam* wParam = nullptr);

    // --- drawing, valid while painting ---
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void DrawLine(int x1, int y1, int x2, int y2);
    void Polygon(std::span<const plat::gdi::Point> points);
    void RoundRect(int l, int t, int r, int b, int w, int h);
    void TextOut(int x, int y, const char* text);
    void ExtTextOut(int x, int y, unsigned options, const plat::gdi::Rect* rect, const char* text,
                    std::span<const int> widths = {});
    void FillRect(const plat::gdi::Rect& rect, RC_Colour colour);
    void SetBackgroundModeOfContext(int mode);
    void SetBackgroundColourOfContext(RC_Colour colour);
    int TextWidth(const char* text);
    int TextHeight(const char* text);
    void DrawTextAligned(const plat::gdi::Rect& rect, const char* text, unsigned align);
    // Nested one-pixel rectangles shaded as a raised (2), sunken (1), etched (3) or bumped (4)
    // frame; narrows the rectangle by the lines drawn.
    void DrawFrame(int type, int width, RC_Colour colour, plat::gdi::Rect& rect);
    void DrawImage(const RC_Image& image, int x, int y, int w, int h, int sx, int sy, int sw, int sh);

    // --- fields ---
    RC_Window* Parent() const { return parent_; }
    RC_Window* TopWindow() const { return top_; }
    RC_Window* FirstChild() const { return firstChild_; }
    RC_Window* NextSibling() const { return nextSibling_; }
    RC_Window* FirstPopup() const { return firstPopup_; }
    plat::win::Hwnd Handle() const { return hwnd_; }
    plat::gdi::DC* Context() const { return dc_; }
    std::uint32_t CreationFlags() const { return creationFlags_; }
    bool IsWindowless() const { return (creationFlags_ & kWindowless) != 0; }
    bool IsPopup() const { return (creationFlags_ & kOwnedPopup) != 0 || (parent_ == nullptr && hwnd_ != 0); }
    int X() const { return x_; }
    int Y() const { return y_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint32_t State() const { return state_.load(std::memory_order_acquire); }
    bool IsEnabled() const { return enabled_; }
    bool IsDirty() const { return dirty_.load(std::memory_order_acquire) != 0; }
    bool IsFocused() const { return focused_.load(std::memory_order_acquire) != 0; }
    // The window itself and its ancestors up to the first popup are all shown / enabled.
    bool ShownChain() const;
    bool EnabledChain() const;
    const char* Caption() const { return caption_.Text(); }
    RC_Colour BackgroundColour() const { return background_; }
    RC_Window* CaptureWindow() const { return capture_; }
    RC_Window* FocusWindow() const { return focusWindow_; }
    const plat::gdi::Rect& ContentRect() const { return content_; }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    void SetMinimumSize(int width, int height) { minWidth_ = width, minHeight_ = height; }
    void SetMaximumSize(int width, int height) { maxWidth_ = width, maxHeight_ = height; }
    RC_Pen& Pen() { return pen_; }
    RC_Brush& Brush() { return brush_; }
    RC_Font& Font() { return font_; }

    RC_Callback<RC_KeyFn> onChar;
    RC_Callback<RC_ActionFn> onAction;
    RC_Callback<RC_ActionFn> onDoubleClick;
    RC_Callback<RC_FocusFn> onFocusChange;
    RC_Callback<RC_KeyFn> onKeyDown;
    RC_Callback<RC_KeyFn> onKeyUp;
    RC_Callback<RC_PointFn> onRightButton;

    // Windows alive in the process (for tests).
    static std::size_t LiveWindowCount();

protected:
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override;
    // The frame type this paint draws: the stored one, unless the window shows a state through it.
    virtual int PaintedFrameType() const { return frameType_; }
    void FireAction() {
        if (onAction) onAction.fn(onAction.user, this);
    }
    // Invalidates; with mark false only the parents learn that a child needs painting.
    void InvalidateInternal(bool mark);
    // Whether the caller runs on the thread that made the window, which owns its geometry.
    bool OnOwnThread() const;
    // Asks for a part of this window (its own coordinates) to be painted again by PaintPart,
    // not the whole window; from another thread than the window's, the whole window.
    void InvalidatePart(const plat::gdi::Rect& area);
    // Paints what InvalidatePart asked for into the window's kept picture (valid while
    // painting); returns the area painted, or an empty one to have the whole window painted.
    virtual plat::gdi::Rect PaintPart() { return {}; }
    void DropBitmap() { bitmap_.reset(); }
    plat::win::LResult DefaultAnswer(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam);
    void SetContentTop(int top) { content_.top = top; }
    void SetContentRight(int right) { content_.right = right; }
    void SetPendingResize(int n) { pendingResize_ = n; }
    int PendingResize() const { return pendingResize_; }
    // Atomic exchange helpers on the state word: answer the previous word.
    std::uint32_t OrState(std::uint32_t bits) { return state_.fetch_or(bits, std::memory_order_acq_rel); }
    std::uint32_t AndState(std::uint32_t bits) { return state_.fetch_and(bits, std::memory_order_acq_rel); }
    void SetEnabledField(bool enabled) { enabled_ = enabled; }
    int FrameWidth() const { return frameWidth_; }
    void SavedRect(int x, int y, int w, int h) { savedX_ = x, savedY_ = y, savedW_ = w, savedH_ = h; }
    void RestoreSavedRect() { Move(savedX_, savedY_, savedW_, savedH_, true); }
    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }

private:
    friend plat::win::LResult RC_WindowProc(plat::win::Hwnd, std::uint32_t, plat::win::WParam, plat::win::LParam);

    void Link();
    void Unlink();
    void RouteMouse(int kind, std::uint32_t keys, int x, int y);
    plat::win::LResult HitTest(plat::win::LParam lParam);
    void ClampSizing(plat::win::WParam edge, plat::gdi::Rect& rect) const;
    void SelectOwn(std::uint32_t bit);
    void SelectStock(std::uint32_t bits);
    void PaintChildren(plat::gdi::DC& dc, bool all);
    // Marks `area` (own coordinates) of this window for painting, the window itself dirty with
    // `mark`, and tells its parents and its system window.
    void InvalidateArea(bool mark, plat::gdi::Rect area);
    plat::gdi::DC& MeasureContext();

    // Lists.
    RC_Window* nextInList_ = nullptr;
    RC_Window* prevInList_ = nullptr;
    std::uint32_t creationFlags_;
    RC_Window* parent_;
    plat::win::Hwnd hwnd_ = 0;
    plat::gdi::DC* dc_ = nullptr;
    RC_Window* nextSibling_ = nullptr;
    RC_Window* firstChild_ = nullptr;
    RC_Window* firstPopup_ = nullptr;
    // Geometry.
    int x_, y_, width_, height_;
    int savedX_ = 0, savedY_ = 0, savedW_ = 0, savedH_ = 0;
    int minWidth_ = -1, maxWidth_ = 0, minHeight_ = -1, maxHeight_ = 0;
    int pendingResize_ = 0;
    plat::gdi::Rect content_;
    // State.
    std::atomic<std::uint32_t> state_{kConstructing};
    RC_Lock stateLock_;
    bool enabled_ = true;
    std::unique_ptr<plat::gdi::Bitmap> bitmap_;
    std::atomic<std::uint32_t> dirty_{0};
    std::atomic<std::uint32_t> partDirty_{0}; // InvalidatePart was asked for since the last paint
    RC_String caption_;
    RC_Colour background_ = 0x404040;
    int backgroundMode_ = 2;
    RC_Colour frameColour_ = 0x404040;
    int frameType_ = 0;
    int frameWidth_ = 0;
    RC_Pen pen_;
    RC_Brush brush_;
    RC_Font font_;
    RC_Window* top_ = nullptr;
    std::uint32_t threadId_;
    RC_Window* capture_ = nullptr;
    RC_Lock childLock_;
    RC_Colour textColour_ = 0xFFFFFFFFu;
    std::atomic<int> focused_{0};
    RC_Window* focusWindow_ = nullptr;
    int tabOrder_ = 0;
    std::unique_ptr<plat::gdi::DC> measureDc_;
    std::unique_ptr<plat::gdi::Bitmap> measureBitmap_;
};

plat::win::LResult RC_WindowProc(plat::win::Hwnd hwnd, std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam);
// The class name every toolkit window is created with.
extern const char* const RC_WindowClassName;
