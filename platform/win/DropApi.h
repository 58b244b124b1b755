#pragma once
// Files dropped on windows. A window that accepts files (WS_EX_ACCEPTFILES, or DragAcceptFiles)
// gets WM_DROPFILES with a drop handle in wParam; it reads the files and the point and then frees
// the handle with DragFinish.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/Types.h"

namespace plat::win {

using Hdrop = std::uint32_t;

void DragAcceptFiles(Hwnd hwnd, bool accept);
// index 0xFFFFFFFF answers the number of files; otherwise the file's path, empty when out of range.
std::uint32_t DragQueryFileCount(Hdrop drop);
std::string DragQueryFile(Hdrop drop, std::uint32_t index);
// Client coordinates of the window that got the drop; answers whether the point is inside its
// client area.
bool DragQueryPoint(Hdrop drop, Point* point);
void DragFinish(Hdrop drop);

// From the back end or a test: files dropped at a screen point. The window under the point, or
// its nearest ancestor that accepts files, gets WM_DROPFILES; false when none accepts them.
bool InjectDropFiles(Point screen, const std::vector<std::string>& files);

} // namespace plat::win
