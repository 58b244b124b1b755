#pragma once
// Creating, destroying and querying windows.

#include <cstdint>
#include <string>

#include "platform/win/Styles.h"
#include "platform/win/Types.h"
#include "platform/win/WindowClass.h"

namespace plat::win {

// What WM_NCCREATE and WM_CREATE carry in lParam (a pointer to this record).
struct CreateStruct {
    LParam createParams = 0;
    std::uintptr_t id = 0;
    Hwnd parent = 0;
    std::int32_t cy = 0;
    std::int32_t cx = 0;
    std::int32_t y = 0;
    std::int32_t x = 0;
    std::uint32_t style = 0;
    const char* name = "";
    const char* className = "";
    std::uint32_t exStyle = 0;
};

bool RegisterClass(const WindowClass& cls);
bool UnregisterClass(const std::string& name);

// Creates a window on the calling thread. A WS_CHILD window lives in its parent's client area;
// any other window is top-level, owned by `parent` when given; parent HWND_MESSAGE makes a
// message-only window. Answers 0 on failure (unknown class, bad parent, WM_NCCREATE answered 0,
// WM_CREATE answered -1).
Hwnd CreateWindowEx(std::uint32_t exStyle, const std::string& className, const std::string& title,
                    std::uint32_t style, std::int32_t x, std::int32_t y, std::int32_t width,
                    std::int32_t height, Hwnd parent, std::uintptr_t id, LParam createParams);
// A hidden message-only window on the calling thread, for a library that needs a window to
// receive posted messages and timers. The user data slot holds `userData`.
Hwnd CreateMessageWindow(WndProc proc, LParam userData = 0);
// Destroys a window of the calling thread with its owned windows and children (WM_DESTROY,
// WM_NCDESTROY). False for an unknown window or one of another thread.
bool DestroyWindow(Hwnd hwnd);

bool IsWindow(Hwnd hwnd);
// The thread that owns the window, 0 for an unknown window.
std::uint32_t GetWindowThreadId(Hwnd hwnd);

LParam GetWindowLongPtr(Hwnd hwnd, int index);
// Returns the previous value.
LParam SetWindowLongPtr(Hwnd hwnd, int index, LParam value);
LResult CallWindowProc(WndProc proc, Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam);
// The default handling of every message a window procedure does not handle itself.
LResult DefWindowProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam);

bool SetWindowText(Hwnd hwnd, const std::string& text);
std::string GetWindowText(Hwnd hwnd);

} // namespace plat::win
