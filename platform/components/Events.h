#pragma once
// Event types. An event is a callable with the sender first; an empty one is simply not raised.
// The `var` arguments of the classic events are references.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/components/TObject.h"

namespace plat::comp {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state bits: the keys and mouse buttons held while an event happened.
using TShiftState = std::uint32_t;
namespace ss {
constexpr TShiftState Shift = 1u << 0;
constexpr TShiftState Alt = 1u << 1;
constexpr TShiftState Ctrl = 1u << 2;
constexpr TShiftState Left = 1u << 3;
constexpr TShiftState Right = 1u << 4;
constexpr TShiftState Middle = 1u << 5;
constexpr TShiftState Double = 1u << 6;
} // namespace ss

using TNotifyEvent = std::function<void(TObject* sender)>;
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TMouseWheelEvent = std::function<void(TObject* sender, TShiftState shift, int delta,
                                            int x, int y, bool& handled)>;
// Key is the virtual-key code; a handler may set it to 0 to swallow the key.
using TKeyEvent = std::function<void(TObject* sender, std::uint16_t& key, TShiftState shift)>;
// Key is the character; 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
// The new width and height may be changed; resize false keeps the old size.
using TCanResizeEvent = std::function<void(TObject* sender, int& newWidth, int& newHeight, bool& resize)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

} // namespace plat::comp
