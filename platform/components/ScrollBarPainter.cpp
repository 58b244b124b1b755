#include "platform/components/ScrollBarPainter.h"

#include <algorithm>

#include "platform/components/Graphics.h"

namespace plat::comp {
namespace {

void Raised(gdi::DC& dc, const TRect& r) {
    dc.FillRect(r, gdi::Brush::Solid(ColorToRGB(clBtnFace)));
    dc.SelectPen({gdi::PenStyle::Solid, 1, ColorToRGB(clBtnHighlight)});
    dc.MoveTo(r.left, r.bottom - 1);
    dc.LineTo(r.left, r.top);
    dc.LineTo(r.right - 1, r.top);
    dc.SelectPen({gdi::PenStyle::Solid, 1, ColorToRGB(cl3DDkShadow)});
    dc.LineTo(r.right - 1, r.bottom - 1);
    dc.LineTo(r.left - 1, r.bottom - 1);
}

// A small solid triangle pointing along the bar (towards its start or its end).
void Arrow(gdi::DC& dc, const TRect& r, bool vertical, bool towardsEnd) {
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const int s = std::max(1, std::min(r.Width(), r.Height()) / 4);
    const int d = towardsEnd ? 1 : -1;
    gdi::Point p[3];
    if (vertical) {
        p[0] = {cx - s, cy - d * s / 2};
        p[1] = {cx + s, cy - d * s / 2};
        p[2] = {cx, cy + d * (s + 1) / 2};
    } else {
        p[0] = {cx - d * s / 2, cy - s};
        p[1] = {cx - d * s / 2, cy + s};
        p[2] = {cx + d * (s + 1) / 2, cy};
    }
    dc.SelectPen({gdi::PenStyle::Solid, 1, ColorToRGB(clBtnText)});
    dc.SelectBrush(gdi::Brush::Solid(ColorToRGB(clBtnText)));
    dc.Polygon(p);
}

} // namespace

ScrollBarParts LayoutScrollBar(const TRect& bar, bool vertical, int position, int page, int range) {
    ScrollBarParts parts;
    const int length = vertical ? bar.Height() : bar.Width();
    const int button = std::min(kScrollBarSize, length / 2);
    parts.first = vertical ? TRect{bar.left, bar.top, bar.right, bar.top + button}
                           : TRect{bar.left, bar.top, bar.left + button, bar.bottom};
    parts.last = vertical ? TRect{bar.left, bar.bottom - button, bar.right, bar.bottom}
                          : TRect{bar.right - button, bar.top, bar.right, bar.bottom};
    const int track = length - 2 * button;
    if (range <= page || track <= 8) return parts;
    const int thumb = std::max(8, static_cast<int>(static_cast<long long>(track) * page / range));
    const int maxPos = range - page;
    const int offset = static_cast<int>(static_cast<long long>(track - thumb) *
                                        std::clamp(position, 0, maxPos) / maxPos);
    const int start = (vertical ? bar.top : bar.left) + button + offset;
    parts.thumb = vertical ? TRect{bar.left, start, bar.right, start + thumb}
                           : TRect{start, bar.top, start + thumb, bar.bottom};
    return parts;
}

void PaintScrollBar(gdi::DC& dc, const TRect& bar, bool vertical, int position, int page,
                    int range) {
    dc.FillRect(bar, gdi::Brush::Solid(ColorToRGB(clScrollBar)));
    const ScrollBarParts parts = LayoutScrollBar(bar, vertical, position, page, range);
    Raised(dc, parts.first);
    Raised(dc, parts.last);
    Arrow(dc, parts.first, vertical, false);
    Arrow(dc, parts.last, vertical, true);
    if (!parts.thumb.IsEmpty()) Raised(dc, parts.thumb);
}

int ScrollBarClick(const TRect& bar, bool vertical, int position, int page, int range, TPoint p) {
    const ScrollBarParts parts = LayoutScrollBar(bar, vertical, position, page, range);
    int next = position;
    if (parts.first.Contains(p)) next = position - 1;
    else if (parts.last.Contains(p)) next = position + 1;
    else if (!parts.thumb.IsEmpty() && !parts.thumb.Contains(p)) {
        const bool before = vertical ? p.y < parts.thumb.top : p.x < parts.thumb.left;
        next = before ? position - page : position + page;
    }
    return std::clamp(next, 0, std::max(0, range - page));
}

} // namespace plat::comp
