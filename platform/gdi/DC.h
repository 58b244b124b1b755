#pragma once
// A device context: draws into a Bitmap with the classic aliased rules. It has a device origin
// (where its coordinate 0,0 lies on the bitmap; a window's context sits at the window's place on
// the screen surface), a device clip set by its owner (the visible part of a window), and a state
// that drawing code changes and can save and restore: viewport origin, clip region, pen, brush,
// font, raster operation, text and background colours, background mode and more.
//
// Coordinates passed to drawing calls are logical: device = logical + viewport origin + device
// origin. Clip regions given to SelectClipRegion are relative to the device origin (not moved by
// the viewport origin), as the classic system has it.

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Brush.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Geometry.h"
#include "platform/gdi/Pen.h"
#include "platform/gdi/RasterOp.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/ShapeSpans.h"
#include "platform/gdi/TextMetrics.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat::gdi {

struct Glyph;

enum class BkMode : int { Transparent = 1, Opaque = 2 };
enum class FloodType : int { Border = 0, Surface = 1 };

class DC {
public:
    explicit DC(Bitmap* target = nullptr);

    // --- target and owner's settings (not part of the saved state) ---
    // Selects another bitmap, resets the device origin and clip, returns the previous bitmap.
    Bitmap* SelectBitmap(Bitmap* bitmap);
    Bitmap* Target() const { return target_; }
    void SetDeviceOrigin(Point origin);
    Point DeviceOrigin() const { return deviceOrigin_; }
    // Limits drawing to a region in bitmap coordinates; nullopt = the whole bitmap.
    void SetDeviceClip(std::optional<Region> clip);

    // --- state ---
    int SaveDC();                 // returns the new depth (1 for the first save)
    bool RestoreDC(int level);    // level > 0: that depth; level < 0: relative (-1 = last save)
    Pen SelectPen(const Pen& pen);
    const Pen& CurrentPen() const { return s_.pen; }
    Brush SelectBrush(const Brush& brush);
    const Brush& CurrentBrush() const { return s_.brush; }
    Font SelectFont(const Font& font);
    const Font& CurrentFont() const { return s_.font; }
    Rop2 SetRop2(Rop2 op);
    Rop2 GetRop2() const { return s_.rop2; }
    ColorRef SetTextColor(ColorRef c);
    ColorRef GetTextColor() const { return s_.textColour; }
    ColorRef SetBkColor(ColorRef c);
    ColorRef GetBkColor() const { return s_.bkColour; }
    BkMode SetBkMode(BkMode mode);
    BkMode GetBkMode() const { return s_.bkMode; }
    FillMode SetPolyFillMode(FillMode mode);
    FillMode GetPolyFillMode() const { return s_.fillMode; }
    unsigned SetTextAlign(unsigned align);
    unsigned GetTextAlign() const { return s_.textAlign; }
    Point SetViewportOrg(Point origin);
    Point OffsetViewportOrg(int dx, int dy);
    Point GetViewportOrg() const { return s_.viewportOrg; }
    Point SetBrushOrg(Point origin); // in device-origin coordinates
    Point MoveTo(int x, int y);     // returns the previous current position
    Point GetCurrentPosition() const { return s_.position; }

    // --- clipping ---
    // nullptr removes the clip region; the region is copied.
    void SelectClipRegion(const Region* region);
    void IntersectClipRect(const Rect& logical);
    void ExcludeClipRect(const Rect& logical);
    // The clip region relative to the device origin, if one is selected.
    const std::optional<Region>& GetClipRegion() const { return s_.clip; }
    // Bounds of the area drawing can reach, in logical coordinates.
    Rect GetClipBox() const;
    bool PtVisible(int x, int y) const;

    // --- pixels, lines and shapes (logical coordinates) ---
    ColorRef SetPixel(int x, int y, ColorRef colour); // the colour set, or kInvalidColor
    ColorRef GetPixel(int x, int y) const;            // kInvalidColor outside or clipped
    void LineTo(int x, int y); // leaves out the end point, moves the current position there
    void Polyline(std::span<const Point> points);
    void PolyPolyline(std::span<const Point> points, std::span<const int> counts);
    void Rectangle(int left, int top, int right, int bottom);
    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
    void Ellipse(int left, int top, int right, int bottom);
    void Polygon(std::span<const Point> points);
    void PolyPolygon(std::span<const Point> points, std::span<const int> counts);
    // These ignore the pen and the binary raster operation.
    void FillRect(const Rect& rect, const Brush& brush);
    void FrameRect(const Rect& rect, const Brush& brush);
    void InvertRect(const Rect& rect);
    void FillRegion(const Region& logical, const Brush& brush);
    void PatBlt(int x, int y, int width, int height, std::uint32_t rop);
    // Border: fills outwards from (x, y) up to pixels of `colour`. Surface: fills the connected
    // pixels of `colour`. Uses the current brush; false when the start pixel cannot be filled.
    bool ExtFloodFill(int x, int y, ColorRef colour, FloodType type);
    bool FloodFill(int x, int y, ColorRef border) {
        return ExtFloodFill(x, y, border, FloodType::Border);
    }

    // --- block transfers ---
    // A 1-bit source paints its 0 bits in this context's text colour and its 1 bits in its
    // background colour; a colour source written to a 1-bit target gives 1 where it matches the
    // source context's background colour. Pixels whose source lies outside the source bitmap are
    // left alone.
    void BitBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                std::uint32_t rop);
    // Nearest-pixel scaling. A negative width or height mirrors, running backwards from the
    // pixel given and including it (x = 9, width -10 covers 0..9).
    void StretchBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                    int sw, int sh, std::uint32_t rop);
    // Copies, leaving out source pixels of the transparent colour.
    void TransparentBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                        int sw, int sh, ColorRef transparent);
    // The same from a bitmap without a context of its own (its background taken as white).
    void DrawBitmap(int x, int y, const Bitmap& source, std::uint32_t rop = rop3::SrcCopy);
    void StretchBitmap(const Rect& dest, const Bitmap& source, const Rect& sourceRect,
                       std::uint32_t rop = rop3::SrcCopy);

    // --- text (UTF-8; bytes that are not UTF-8 are read as Latin-1) ---
    void TextOut(int x, int y, std::string_view text);
    // `widths`, when given, replaces the advance of each character (missing entries keep theirs).
    void ExtTextOut(int x, int y, unsigned options, const Rect* rect, std::string_view text,
                    std::span<const int> widths = {});
    Size GetTextExtent(std::string_view text) const;
    TextMetrics GetTextMetrics() const;
    // Returns the height of the text drawn; with dt::CalcRect, only measures and sets `rect`.
    int DrawText(std::string_view text, Rect& rect, unsigned format);

private:
    struct State {
        Point viewportOrg{};
        Point brushOrg{};
        Point position{};
        std::optional<Region> clip;
        Pen pen{};
        Brush brush{};
        Font font{};
        Rop2 rop2 = Rop2::CopyPen;
        ColorRef textColour = 0x000000;
        ColorRef bkColour = 0xFFFFFF;
        BkMode bkMode = BkMode::Opaque;
        FillMode fillMode = FillMode::Alternate;
        unsigned textAlign = 0;
    };

    // What a span of pixels is painted with: a colour or a tiled brush, through a raster op.
    struct Paint {
        bool pattern = false;
        std::uint32_t colour = 0;          // native, when not a pattern
        const Bitmap* tile = nullptr;      // pattern bitmap (hatch or brush pattern)
        std::uint32_t zero = 0, one = 0;   // natives for the bits of a 1-bit tile
        bool skipZero = false;             // hatch in transparent mode leaves 0 bits alone
        Rop2 rop = Rop2::CopyPen;
        bool ternary = false;              // PatBlt: a ternary op with the pattern
        std::uint8_t rop3 = 0;
    };

    // Device coordinates are kept within +-2^29, far beyond any surface, so that the arithmetic
    // of shapes and lines never overflows whatever coordinates callers pass.
    static constexpr int kCoordLimit = 1 << 29;
    static int ClampCoord(std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, -kCoordLimit, kCoordLimit));
    }
    Point ToDevice(int x, int y) const {
        return {ClampCoord(std::int64_t{x} + s_.viewportOrg.x + deviceOrigin_.x),
                ClampCoord(std::int64_t{y} + s_.viewportOrg.y + deviceOrigin_.y)};
    }
    Rect ToDevice(const Rect& logical) const {
        const Rect n = logical.Normalized();
        const Point a = ToDevice(n.left, n.top);
        const Point b = ToDevice(n.right, n.bottom);
        return {a.x, a.y, b.x, b.y};
    }
    // The rectangle of a position and a size, in device coordinates.
    Rect ToDevice(int x, int y, int width, int height) const {
        const Point a = ToDevice(x, y);
        return {a.x, a.y, ClampCoord(std::int64_t{a.x} + width), ClampCoord(std::int64_t{a.y} + height)};
    }
    const Region& EffectiveClip() const;
    void InvalidateClip() { clipValid_ = false; }
    bool BrushPaint(const Brush& brush, Rop2 rop, Paint& out) const;
    Paint PenPaint(ColorRef colour) const;
    // Device-coordinate primitives, clipped here.
    void FillSpan(int y, int x0, int x1, const Paint& paint);
    void PlotPixel(int x, int y, const Paint& paint);
    // The value painted at a device pixel; false where a transparent hatch leaves it alone.
    bool PaintAt(const Paint& paint, int x, int y, std::uint32_t& value) const;
    // Shapes in device coordinates.
    void FillSpans(const std::vector<Span>& spans, const Paint& paint);
    void StrokePolyline(std::span<const Point> devicePoints, bool closed);
    void DrawFilledShape(const Rect& logicalBox, int ellipseWidth, int ellipseHeight,
                         bool ellipse);
    void Transfer(const Rect& dest, const Bitmap& source, const Rect& sourceRect,
                  ColorRef sourceBk, std::uint32_t rop, std::optional<ColorRef> transparent);
    // Draws decoded text with its left end at device x and its baseline at device y.
    void DrawGlyphRun(int x, int baseline, std::u32string_view text, const Rect* deviceClip,
                      int underlineIndex, std::span<const int> widths = {});

    Bitmap* target_ = nullptr;
    Point deviceOrigin_{};
    std::optional<Region> deviceClip_;
    State s_;
    std::vector<State> saved_;
    mutable Region clipCache_;
    mutable bool clipValid_ = false;
    std::vector<Point> scratchPoints_;
    std::vector<const Glyph*> scratchGlyphs_;
    std::uint32_t styleCounter_ = 0; // continues a dotted pattern along a polyline
};

} // namespace plat::gdi
