#pragma once
// The clipboard, inside this process, for text. A window opens it, changes or reads it, closes it.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win/Types.h"

namespace plat::win {

constexpr std::uint32_t CF_TEXT = 1;
constexpr std::uint32_t CF_UNICODETEXT = 13;

// False while another window has it open.
bool OpenClipboard(Hwnd hwnd);
bool CloseClipboard();
// Only while open; the opener becomes the owner.
bool EmptyClipboard();
// Only while open. The text is UTF-8.
bool SetClipboardText(const std::string& text);
std::optional<std::string> GetClipboardText();
bool IsClipboardFormatAvailable(std::uint32_t format);
Hwnd GetClipboardOwner();

} // namespace plat::win
