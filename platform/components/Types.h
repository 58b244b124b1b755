#pragma once
// Small value types shared by the controls: alignment, layout, style and state bits.

#include <cstdint>

#include "platform/gdi/Geometry.h"

namespace plat::comp {

using TRect = gdi::Rect;
using TPoint = gdi::Point;
using TSize = gdi::Size;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TBorderStyle { bsNone, bsSingle };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// What a kind of control does (fixed per class, set in constructors).
using TControlStyle = std::uint32_t;
namespace cs {
constexpr TControlStyle AcceptsControls = 1u << 0;
constexpr TControlStyle CaptureMouse = 1u << 1;
constexpr TControlStyle ClickEvents = 1u << 2;
constexpr TControlStyle Opaque = 1u << 3;
constexpr TControlStyle DoubleClicks = 1u << 4;
constexpr TControlStyle SetCaption = 1u << 5;
} // namespace cs

// What a control is doing right now.
using TControlState = std::uint32_t;
namespace cst {
constexpr TControlState LButtonDown = 1u << 0;
constexpr TControlState Clicked = 1u << 1;
constexpr TControlState Focusing = 1u << 2;
constexpr TControlState Creating = 1u << 3;
} // namespace cst

// Modal results of forms and buttons, with the values message boxes answer.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

} // namespace plat::comp
