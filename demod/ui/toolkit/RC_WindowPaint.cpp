// Off-screen painting of a window and its windowless children, and the drawing primitives that
// controls use while they paint.

#include "demod/ui/toolkit/RC_MessageBox.h"
#include "demod/ui/toolkit/RC_Window.h"
#include "platform/win/Win.h"

#include <vector>

namespace gdi = plat::gdi;

void RC_Window::Paint(gdi::DC& target) {
    if ((State() & kClosing) != 0) return;
    if (width_ <= 0 || height_ <= 0) {
        AndState(~(kPainting | kChildDirty));
        dirty_.store(0, std::memory_order_release);
        return;
    }
    if (!bitmap_) {
        bitmap_ = gdi::Bitmap::Create(width_, height_, 32);
        dirty_.store(1, std::memory_order_release);
        if (!bitmap_) {
            RC_String text;
            text.AppendFormat("Can't create compatible bitmap for painting!\nImage size: %dx%d\nControl name: %s\nError code: 0x%08X",
                              width_, height_, caption_.Text(), 8u);
            RC_ShowError("RC_Window Fatal Error", text.Text());
            return;
        }
    }
    gdi::DC dc(bitmap_.get());
    {
        std::lock_guard<RC_Lock> hold(stateLock_);
        dc_ = &dc;
    }
    OrState(kPainting);
    const bool part = partDirty_.exchange(0, std::memory_order_acq_rel) != 0;
    bool whole = dirty_.exchange(0, std::memory_order_acq_rel) != 0;
    if (!whole && part) {
        // The part asked for is painted over the kept picture, and the children over it again.
        const gdi::Rect area = PaintPart();
        whole = area.IsEmpty();
        for (RC_Window* c = firstChild_; c != nullptr && !whole; c = c->nextSibling_) {
            const gdi::Rect r{c->x_, c->y_, c->x_ + c->width_, c->y_ + c->height_};
            if (c->IsWindowless() && (c->State() & kShown) != 0 && !r.Intersect(area).IsEmpty()) {
                c->dirty_.store(1, std::memory_order_release);
                OrState(kChildDirty);
            }
        }
    }
    if (whole) {
        content_ = {0, 0, width_, height_};
        PaintFrame();
        PaintContent();
        PaintChildren(dc, true);
    } else if ((State() & kChildDirty) != 0) {
        PaintChildren(dc, false);
    }
    AndState(~(kPainting | kChildDirty));
    const bool own = !IsWindowless();
    target.BitBlt(own ? 0 : x_, own ? 0 : y_, width_, height_, dc, 0, 0, gdi::rop3::SrcCopy);
    if ((Style() & kRetainBitmap) == 0) bitmap_.reset();
    AndState(~(kPenSelected | kBrushSelected | kFontSelected));
    std::lock_guard<RC_Lock> hold(stateLock_);
    dc_ = nullptr;
}

void RC_Window::PaintChildren(gdi::DC& dc, bool all) {
    auto visible = [](const RC_Window* c) { return c->IsWindowless() && (c->State() & kShown) != 0; };
    auto needs = [](const RC_Window* c) {
        return c->IsDirty() || (c->State() & kChildDirty) != 0 || c->partDirty_.load(std::memory_order_acquire) != 0;
    };
    RC_Window* c = firstChild_;
    if (all) {
        for (; c != nullptr; c = c->nextSibling_) {
            if (visible(c)) c->Paint(dc);
        }
        return;
    }
    while (c != nullptr && !(visible(c) && needs(c))) c = c->nextSibling_;
    // Children above a repainted one are painted again over it.
    std::vector<gdi::Rect> region;
    for (; c != nullptr; c = c->nextSibling_) {
        if (!visible(c)) continue;
        const gdi::Rect r{c->x_, c->y_, c->x_ + c->width_, c->y_ + c->height_};
        bool overlaps = false;
        for (const gdi::Rect& done : region) overlaps = overlaps || !done.Intersect(r).IsEmpty();
        if (!needs(c) && !overlaps) continue;
        // A child drawn again in full must draw everything, not just its dirty children.
        if (overlaps && !needs(c)) c->dirty_.store(1, std::memory_order_release);
        c->Paint(dc);
        region.push_back(r);
    }
}

void RC_Window::PaintFrame() { DrawFrame(PaintedFrameType(), frameWidth_, frameColour_, content_); }

void RC_Window::PaintContent() { FillRect(content_, background_); }

void RC_Window::DrawFrame(int type, int n, RC_Colour colour, gdi::Rect& rect) {
    if (type == 0 || n <= 0) return;
    if (type == 3 || type == 4) {
        DrawFrame(type == 3 ? 1 : 2, n, colour, rect);
        DrawFrame(type == 3 ? 2 : 1, n, colour, rect);
        return;
    }
    if (type != 1 && type != 2) return;
    int q, p, s, step;
    if (n == 1) {
        q = 2;
        p = type == 2 ? 3 : 1;
        s = type == 2 ? 1 : 3;
        step = 0;
    } else {
        q = n * n;
        p = type == 2 ? n * n + 2 * n - 1 : n * n - 2 * n + 1;
        s = type == 2 ? n * n - 2 * n + 1 : n * n + 2 * n - 1;
        step = type == 2 ? -2 : 2;
    }
    pen_.SetWidth(1);
    for (int i = 0; i < n && !rect.IsEmpty(); ++i) {
        const int l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
        pen_.SetColour(RC_ScaleColour(colour, p, q));
        DrawLine(l, t, r + 1, t);
        DrawLine(l, t, l, b + 1);
        pen_.SetColour(RC_ScaleColour(colour, s, q));
        DrawLine(l, b, r + 1, b);
        DrawLine(r, t, r, b + 1);
        rect = rect.Inflate(-1, -1);
        p += step;
        s -= step;
    }
}

void RC_Window::MoveTo(int x, int y) {
    if (dc_ != nullptr) dc_->MoveTo(x, y);
}

void RC_Window::LineTo(int x, int y) {
    SetStateFlags(kPenSelected);
    if (dc_ != nullptr) dc_->LineTo(x, y);
}

void RC_Window::DrawLine(int x1, int y1, int x2, int y2) {
    SetStateFlags(kPenSelected);
    if (dc_ == nullptr) return;
    dc_->MoveTo(x1, y1);
    dc_->LineTo(x2, y2);
}

void RC_Window::Polygon(std::span<const gdi::Point> points) {
    SetStateFlags(kPenSelected | kBrushSelected);
    if (dc_ != nullptr) dc_->Polygon(points);
}

void RC_Window::RoundRect(int l, int t, int r, int b, int w, int h) {
    SetStateFlags(kPenSelected | kBrushSelected);
    if (dc_ != nullptr) dc_->RoundRect(l, t, r, b, w, h);
}

void RC_Window::TextOut(int x, int y, const char* text) {
    SetStateFlags(kFontSelected);
    if (dc_ != nullptr && text != nullptr) dc_->TextOut(x, y, text);
}

void RC_Window::ExtTextOut(int x, int y, unsigned options, const gdi::Rect* rect, const char* text,
                           std::span<const int> widths) {
    SetStateFlags(kFontSelected);
    if (dc_ != nullptr) dc_->ExtTextOut(x, y, options, rect, text != nullptr ? text : "", widths);
}

void RC_Window::FillRect(const gdi::Rect& rect, RC_Colour colour) {
    if (dc_ == nullptr) return;
    // An opaque fill in the background colour, as an empty opaque text run would give.
    dc_->SetBkColor(colour);
    dc_->FillRect(rect, gdi::Brush::Solid(colour));
}

void RC_Window::SetBackgroundModeOfContext(int mode) {
    backgroundMode_ = mode;
    if (dc_ != nullptr) dc_->SetBkMode(mode == 1 ? gdi::BkMode::Transparent : gdi::BkMode::Opaque);
}

void RC_Window::SetBackgroundColourOfContext(RC_Colour colour) {
    if (dc_ != nullptr) dc_->SetBkColor(colour);
}

gdi::DC& RC_Window::MeasureContext() {
    if (dc_ != nullptr) {
        SetStateFlags(kFontSelected);
        return *dc_;
    }
    if (!measureDc_) {
        measureBitmap_ = gdi::Bitmap::Create(1, 1, 32);
        measureDc_ = std::make_unique<gdi::DC>(measureBitmap_.get());
    }
    measureDc_->SelectFont(*font_.GetHandle());
    return *measureDc_;
}

int RC_Window::TextWidth(const char* text) {
    if (text == nullptr || *text == '\0') return 0;
    gdi::Rect r{0, 0, 0, 0};
    MeasureContext().DrawText(text, r, gdi::dt::CalcRect);
    return r.Width();
}

int RC_Window::TextHeight(const char* text) {
    if (text == nullptr || *text == '\0') return 0;
    gdi::Rect r{0, 0, 0, 0};
    MeasureContext().DrawText(text, r, gdi::dt::CalcRect);
    return r.Height();
}

void RC_Window::DrawTextAligned(const gdi::Rect& rect, const char* text, unsigned align) {
    if (dc_ == nullptr || text == nullptr) return;
    SetStateFlags(kFontSelected);
    gdi::Rect r = rect;
    const unsigned horizontal = align & 3u;
    if ((align & 0xCu) != 0) {
        gdi::Rect measure = rect;
        dc_->DrawText(text, measure, gdi::dt::CalcRect | gdi::dt::WordBreak | horizontal);
        const int h = measure.Height();
        if ((align & 0xCu) == 4u) r.top = (r.top + r.bottom - h) / 2;
        if ((align & 0xCu) == 8u) r.top = r.bottom - h;
    }
    dc_->DrawText(text, r, horizontal | gdi::dt::WordBreak);
}

void RC_Window::DrawImage(const RC_Image& image, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    if (dc_ == nullptr) return;
    const auto bitmap = image.ToBitmap();
    if (!bitmap) return;
    if (w == sw && h == sh) {
        gdi::DC source(bitmap.get());
        dc_->BitBlt(x, y, w, h, source, sx, sy, gdi::rop3::SrcCopy);
    } else {
        dc_->StretchBitmap({x, y, x + w, y + h}, *bitmap, {sx, sy, sx + sw, sy + sh});
    }
}
