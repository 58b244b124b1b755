// Composition of the screen from the top-level windows' surfaces.

#include <cstring>
#include <vector>

#include "platform/gdi/DC.h"
#include "platform/win/CaretApi.h"
#include "platform/gdi/PngFile.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

struct Layer {
    std::shared_ptr<gdi::Bitmap> surface;
    Rect rect;
    std::optional<gdi::Region> shape;
};

// Shown, not minimised top-level windows from the bottom up, top-most ones last.
std::vector<Layer> LayersBottomUp() {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    std::vector<Layer> normal;
    std::vector<Layer> topmost;
    for (Hwnd h : ws.TopLevels()) {
        auto w = ws.Windows().Find(h);
        if (!w || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE)) continue;
        auto surface = ws.Surfaces().Find(h);
        if (!surface) continue;
        (w->exStyle & WS_EX_TOPMOST ? topmost : normal).push_back({surface, w->rect, w->shape});
    }
    normal.insert(normal.end(), topmost.begin(), topmost.end());
    return normal;
}

void DrawCaret(gdi::DC& dc, Point windowOriginOnTarget) {
    const CaretState caret = GetCaretState();
    if (!caret.visible) return;
    Point origin;
    {
        auto& ws = WindowSystem::Instance();
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(caret.hwnd);
        if (!w || !ws.IsVisibleLocked(*w)) return;
        origin = ws.ClientOriginLocked(*w);
    }
    dc.InvertRect(caret.rect.Offset(origin.x - windowOriginOnTarget.x, origin.y - windowOriginOnTarget.y));
}

// Same-format copy of a whole surface, one memcpy per row, cut to the screen.
void CopyRows(gdi::Bitmap& screen, const gdi::Bitmap& surface, Point at) {
    const Rect target = Rect{at.x, at.y, at.x + surface.Width(), at.y + surface.Height()}.Intersect(screen.Bounds());
    if (target.IsEmpty()) return;
    const std::size_t bytes = static_cast<std::size_t>(target.Width()) * 4;
    for (int y = target.top; y < target.bottom; ++y) {
        const std::uint8_t* from = surface.Row(y - at.y) + static_cast<std::size_t>(target.left - at.x) * 4;
        std::memcpy(screen.Row(y) + static_cast<std::size_t>(target.left) * 4, from, bytes);
    }
}

} // namespace

std::unique_ptr<gdi::Bitmap> ComposeScreen() {
    const Size size = WindowSystem::Instance().ScreenSize();
    auto screen = gdi::Bitmap::Create(size.cx, size.cy, 32);
    if (!screen) return nullptr;
    const std::uint32_t desktop = screen->ToNative(kDesktopColour);
    for (int y = 0; y < screen->Height(); ++y) screen->FillNative(y, 0, screen->Width(), desktop);
    gdi::DC dc(screen.get());
    for (const Layer& layer : LayersBottomUp()) {
        if (!layer.shape && layer.surface->BitsPerPixel() == 32) {
            CopyRows(*screen, *layer.surface, {layer.rect.left, layer.rect.top});
            continue;
        }
        if (layer.shape) {
            const gdi::Region clip = layer.shape->Offset(layer.rect.left, layer.rect.top);
            dc.SelectClipRegion(&clip);
        } else {
            dc.SelectClipRegion(nullptr);
        }
        dc.DrawBitmap(layer.rect.left, layer.rect.top, *layer.surface);
    }
    dc.SelectClipRegion(nullptr);
    DrawCaret(dc, {0, 0});
    return screen;
}

std::unique_ptr<gdi::Bitmap> CaptureWindow(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::shared_ptr<gdi::Bitmap> surface;
    Rect area;
    Point screenOrigin;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w || !ws.IsVisibleLocked(*w)) return nullptr;
        surface = ws.Surfaces().Find(ws.TopLevelOfLocked(hwnd));
        if (!surface) return nullptr;
        const Point off = ws.SurfaceOffsetLocked(*w);
        area = {off.x, off.y, off.x + w->rect.Width(), off.y + w->rect.Height()};
        const Rect onScreen = ws.ScreenRectLocked(*w);
        screenOrigin = {onScreen.left, onScreen.top};
    }
    auto picture = gdi::Bitmap::Create(area.Width(), area.Height(), 32);
    if (!picture) return nullptr;
    gdi::DC dc(picture.get());
    dc.StretchBitmap({0, 0, area.Width(), area.Height()}, *surface, area);
    DrawCaret(dc, screenOrigin);
    return picture;
}

bool SaveScreenshot(const std::string& path, Hwnd hwnd) {
    auto picture = hwnd ? CaptureWindow(hwnd) : ComposeScreen();
    return picture && gdi::SavePng(*picture, path);
}

void SetScreenSize(Size size) { WindowSystem::Instance().SetScreenSize(size); }

} // namespace plat::win
