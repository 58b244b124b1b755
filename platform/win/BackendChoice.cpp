#include "platform/win/BackendChoice.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/win/HeadlessBackend.h"
#include "platform/win/WindowSystem.h"
#include "platform/win/X11Backend.h"

namespace plat::win {

BackendKind StartBackend(bool preferDisplay, std::string* error) {
    auto& ws = WindowSystem::Instance();
    const char* asked = std::getenv("LXQ_WIN_BACKEND");
    const char* display = std::getenv("DISPLAY");
    bool wantX11 = preferDisplay && display && *display;
    if (asked && std::strcmp(asked, "x11") == 0) wantX11 = true;
    if (asked && std::strcmp(asked, "headless") == 0) wantX11 = false;
    if (!wantX11) {
        if (CurrentBackendKind() != BackendKind::Headless) ws.SetBackend(std::make_unique<HeadlessBackend>());
        return BackendKind::Headless;
    }
    auto x11 = X11Backend::Open(display ? display : "", error);
    if (!x11) return CurrentBackendKind();
    X11Backend* raw = x11.get();
    ws.SetBackend(std::move(x11));
    // Windows made before the choice appear now.
    std::vector<Hwnd> tops;
    {
        std::lock_guard lock(ws.Mutex());
        tops = ws.TopLevels();
    }
    for (Hwnd top : tops) raw->TopLevelChanged(top);
    return BackendKind::X11;
}

BackendKind CurrentBackendKind() {
    return std::strcmp(WindowSystem::Instance().GetBackend().Name(), "x11") == 0 ? BackendKind::X11
                                                                                : BackendKind::Headless;
}

} // namespace plat::win
