#pragma once
#include "crashreport/base/TmyObject.h"
#include "platform/win/Types.h"

#include <cstdint>

namespace errvane {

// The window class of every component's window.
inline constexpr const char* kComponentClass = "TmyComponent";

// An object with a window of the class "TmyComponent". It takes a thunk slot when it is made,
// so that its window's messages reach HandleMessage directly; destroying it destroys the window
// and frees the slot.
class TmyComponent : public TmyObject {
public:
    TmyComponent();
    ~TmyComponent() override;

    // Creates the window on the calling thread; false without a thunk slot or when the window
    // system refuses it.
    bool CreateWindow(const char* title, std::uint32_t style, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, plat::win::Hwnd parent);
    plat::win::Hwnd Window() const { return window_; }
    // The thunk slot, -1 when none was free.
    std::int32_t ThunkIndex() const { return thunk_; }

    // Every message of the window; the default handling unless a derived class takes it.
    virtual plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam);

private:
    friend class ThunkArea;
    void Bind(plat::win::Hwnd window) { window_ = window; }

    plat::win::Hwnd window_ = 0;
    std::int32_t thunk_ = -1;
};

}  // namespace errvane
