#pragma once
// Callbacks of the toolkit: a function and a user pointer; the function receives the user pointer
// and the calling object first. Controls report to their owners only this way.

#include <cstdint>

class RC_Window;

template <typename Fn>
struct RC_Callback {
    Fn fn = nullptr;
    void* user = nullptr;
    explicit operator bool() const { return fn != nullptr; }
};

using RC_ActionFn = void (*)(void* user, RC_Window* window);
using RC_KeyFn = int (*)(void* user, RC_Window* window, std::uint32_t key);
using RC_FocusFn = void (*)(void* user, int focused, RC_Window* window);
using RC_PointFn = void (*)(void* user, RC_Window* window, int x, int y);
