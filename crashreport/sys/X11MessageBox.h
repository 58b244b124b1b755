#pragma once

namespace errvane {

// A small window with the text, a warning mark and an OK button, through the X library loaded at
// run time (the library has no link-time dependency on it). Kept above other windows.
class X11MessageBox {
public:
    enum class Result { NoDisplay, Ok, Closed };
    // Blocks until the user answers. NoDisplay when there is no display or no X library.
    static Result Show(const char* text, const char* caption);
};

}  // namespace errvane
