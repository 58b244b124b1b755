#pragma once
// Message boxes for code below the user interface (libraries, start-up). By default the text goes
// to stderr and the answer is the box's default button; a user interface installs a hook that
// shows a real box.

#include <cstdint>
#include <string_view>

namespace plat::sys {

// Style bits and answers, with the values callers of the system expect.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbOkCancel = 0x1;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconWarning = 0x30;
inline constexpr std::uint32_t kMbTopMost = 0x40000;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// owner: a window handle or 0.
using MessageBoxHook = int (*)(std::uint32_t owner, std::string_view text,
                               std::string_view caption, std::uint32_t style);

int ShowMessageBox(std::uint32_t owner, std::string_view text, std::string_view caption,
                   std::uint32_t style);

// Installs a hook (null restores the default) and returns the previous one.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

} // namespace plat::sys
