#pragma once
// Which back end shows the windows, chosen once when the program starts. Tests never choose: the
// headless back end is the default.

#include <string>

namespace plat::win {

enum class BackendKind { Headless, X11 };

// The environment variable LXQ_WIN_BACKEND ("x11" or "headless") decides when set; otherwise a
// program that prefers a display gets X11 when DISPLAY is set. When the display cannot be opened
// the headless back end stays and `error` (when given) says why. Answers the back end in use.
BackendKind StartBackend(bool preferDisplay, std::string* error = nullptr);
BackendKind CurrentBackendKind();

} // namespace plat::win
