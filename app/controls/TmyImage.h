#pragma once
// A flicker-free drawing surface: the owner draws into an off-screen bitmap through GetCanvas,
// and the control puts the bitmap on the screen at most once per burst of drawing (a posted
// message defers the copy to the next turn of the message loop). A redraw lock holds the screen
// still while it is raised.

#include <memory>

#include "app/controls/ImageCanvas.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TCustomControl.h"
#include "platform/win/Types.h"

namespace lxq {

class TmyImage : public plat::comp::TCustomControl {
public:
    explicit TmyImage(plat::comp::TComponent* owner);
    ~TmyImage() override;
    const char* ClassName() const override { return "TmyImage"; }

    ImageCanvas& GetCanvas() { return *canvas_; }
    plat::comp::TBitmap& Bitmap() { return *bitmap_; }
    // What the screen shows of the image.
    const plat::comp::TBitmap& Shown() const { return *shown_; }
    // Both answer the new count; EnableRedraw does not repaint (the caller invalidates).
    int DisableRedraw() { return ++redrawLock_; }
    int EnableRedraw() { return --redrawLock_; }
    bool UpdatePending() const { return !mayPost_; }

    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(plat::comp::TMessage& message) override;

    plat::comp::TNotifyEvent OnEnterOver;
    plat::comp::TNotifyEvent OnLeaveOver;

protected:
    void Paint() override;

private:
    void CanvasChanged();
    void CopyToScreen(const plat::comp::TRect& rect);
    static plat::win::LResult PostProc(plat::win::Hwnd hwnd, std::uint32_t msg,
                                       plat::win::WParam wParam, plat::win::LParam lParam);

    std::unique_ptr<plat::comp::TBitmap> bitmap_;
    std::unique_ptr<plat::comp::TBitmap> shown_;
    std::unique_ptr<ImageCanvas> canvas_;
    plat::comp::TRect fullRect_{};
    bool mayPost_ = true;
    int redrawLock_ = 0;
    plat::win::Hwnd postWindow_ = 0;
};

} // namespace lxq
