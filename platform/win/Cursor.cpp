#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "platform/win/CursorApi.h"
#include "platform/win/HandleTable.h"

namespace plat::win {
namespace {

struct CursorTable {
    std::mutex mutex;
    HandleTable<CursorImage> shapes;
    std::map<std::uint32_t, Hcursor> standard;
    Hcursor current = 0;
    int displayCount = 0;
};

CursorTable& Table() {
    static CursorTable* table = new CursorTable();
    return *table;
}

bool IsStandardId(std::uint32_t id) {
    switch (id) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_UPARROW:
    case IDC_SIZENWSE: case IDC_SIZENESW: case IDC_SIZEWE: case IDC_SIZENS: case IDC_SIZEALL:
    case IDC_NO: case IDC_HAND: case IDC_APPSTARTING: case IDC_HELP:
        return true;
    default:
        return false;
    }
}

} // namespace

Hcursor LoadCursor(std::uint32_t id) {
    if (!IsStandardId(id)) return 0;
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.standard.find(id);
    if (it != t.standard.end()) return it->second;
    auto shape = std::make_shared<CursorImage>();
    shape->standardId = id;
    const Hcursor handle = t.shapes.Insert(shape);
    t.standard[id] = handle;
    return handle;
}

Hcursor CreateCursor(std::int32_t hotX, std::int32_t hotY, std::int32_t width, std::int32_t height,
                     std::span<const std::uint8_t> andMask, std::span<const std::uint8_t> xorMask) {
    if (width <= 0 || height <= 0 || width > 256 || height > 256) return 0;
    const std::size_t stride = static_cast<std::size_t>((width + 15) / 16) * 2;
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    if (andMask.size() < bytes || xorMask.size() < bytes) return 0;
    auto shape = std::make_shared<CursorImage>();
    shape->hotX = std::clamp(hotX, 0, width - 1);
    shape->hotY = std::clamp(hotY, 0, height - 1);
    shape->width = width;
    shape->height = height;
    shape->andMask.assign(andMask.begin(), andMask.begin() + static_cast<std::ptrdiff_t>(bytes));
    shape->xorMask.assign(xorMask.begin(), xorMask.begin() + static_cast<std::ptrdiff_t>(bytes));
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    return t.shapes.Insert(shape);
}

bool DestroyCursor(Hcursor cursor) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto shape = t.shapes.Find(cursor);
    if (!shape || shape->standardId != 0) return false;
    if (t.current == cursor) t.current = 0;
    return t.shapes.Remove(cursor);
}

Hcursor SetCursor(Hcursor cursor) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    const Hcursor previous = t.current;
    if (cursor == 0 || t.shapes.Find(cursor)) t.current = cursor;
    return previous;
}

Hcursor GetCursor() {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    return t.current;
}

bool GetCursorImage(Hcursor cursor, CursorImage* shape) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto found = t.shapes.Find(cursor);
    if (!found || !shape) return false;
    *shape = *found;
    return true;
}

int ShowCursor(bool show) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    t.displayCount += show ? 1 : -1;
    return t.displayCount;
}

} // namespace plat::win
