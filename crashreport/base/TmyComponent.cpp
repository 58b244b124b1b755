#include "crashreport/base/TmyComponent.h"

#include "crashreport/base/ThunkArea.h"
#include "platform/win/WindowApi.h"

namespace errvane {

TmyComponent::TmyComponent() {
    ThunkArea* area = ThunkArea::Current();
    if (area != nullptr) thunk_ = area->Acquire(this);
}

TmyComponent::~TmyComponent() {
    if (window_ != 0) {
        const plat::win::Hwnd window = window_;
        window_ = 0;  // messages of the ending window get the default handling
        plat::win::DestroyWindow(window);
    }
    ThunkArea* area = ThunkArea::Current();
    if (area != nullptr) area->Release(thunk_, this);
}

bool TmyComponent::CreateWindow(const char* title, std::uint32_t style, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, plat::win::Hwnd parent) {
    if (thunk_ < 0 || window_ != 0) return false;
    ThunkArea::SetWaiting(this);
    const plat::win::Hwnd made =
        plat::win::CreateWindowEx(0, kComponentClass, title, style, x, y, width, height, parent, 0, 0);
    ThunkArea::SetWaiting(nullptr);
    if (made == 0) {
        window_ = 0;
        return false;
    }
    return window_ == made;
}

plat::win::LResult TmyComponent::HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) {
    return plat::win::DefWindowProc(window_, msg, wParam, lParam);
}

}  // namespace errvane
