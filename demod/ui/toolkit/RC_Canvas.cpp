#include "demod/ui/toolkit/RC_Canvas.h"

#include "demod/dsp/RC_Colour.h"
#include "demod/dsp/RC_Heap.h"
#include "demod/ui/toolkit/RC_LineSteps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

RC_Canvas::~RC_Canvas() { RC_Free(pixels_); }

std::size_t RC_Canvas::StrideFor(int width, int bitsPerPixel) {
    const std::uint64_t bits = static_cast<std::uint64_t>(std::max(width, 0)) * static_cast<std::uint64_t>(bitsPerPixel);
    return static_cast<std::size_t>(((bits + 31) / 8) & ~std::uint64_t{3});
}

void RC_Canvas::Clear(std::uint32_t colour) {
    if (pixels_ == nullptr) return;
    switch (bitsPerPixel_) {
    case 1: std::memset(pixels_, (colour & 1u) ? 0xFF : 0x00, imageSize_); break;
    case 4: std::memset(pixels_, static_cast<int>((colour & 0xFu) * 0x11u), imageSize_); break;
    case 8: std::memset(pixels_, static_cast<int>(colour & 0xFFu), imageSize_); break;
    case 16:
        for (std::size_t i = 0; i + 1 < imageSize_; i += 2) {
            pixels_[i] = static_cast<std::uint8_t>(colour);
            pixels_[i + 1] = static_cast<std::uint8_t>(colour >> 8);
        }
        break;
    case 24:
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* row = pixels_ + static_cast<std::size_t>(y) * stride_;
            for (int x = 0; x < width_; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(colour);
                row[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(colour >> 16);
            }
        }
        break;
    default: break;
    }
}

void RC_Canvas::Line(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    RC_StepLine(x0, y0, x1, y1, [&](int x, int y) { SetPixelUnclipped(x, y, colour); });
}

void RC_Canvas::HLine(int x0, int x1, int y, std::uint32_t colour) {
    if (!ColourAllowed(colour) || static_cast<unsigned>(y) >= static_cast<unsigned>(height_)) return;
    if (x0 > x1) std::swap(x0, x1);
    if (x1 < 0 || x0 >= width_) return;
    HLineUnclipped(std::max(x0, 0), std::min(x1, width_ - 1), y, colour);
}

void RC_Canvas::HLineUnclipped(int x0, int x1, int y, std::uint32_t colour) {
    for (int x = x0; x <= x1; ++x) SetPixelUnclipped(x, y, colour);
}

void RC_Canvas::VLine(int x, int y0, int y1, std::uint32_t colour) {
    if (!ColourAllowed(colour) || static_cast<unsigned>(x) >= static_cast<unsigned>(width_)) return;
    if (y0 > y1) std::swap(y0, y1);
    if (y1 < 0 || y0 >= height_) return;
    VLineUnclipped(x, std::max(y0, 0), std::min(y1, height_ - 1), colour);
}

void RC_Canvas::VLineUnclipped(int x, int y0, int y1, std::uint32_t colour) {
    for (int y = y0; y <= y1; ++y) SetPixelUnclipped(x, y, colour);
}

void RC_Canvas::SetPixel(int x, int y, std::uint32_t colour) {
    if (!ColourAllowed(colour)) return;
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(height_)) {
        return;
    }
    SetPixelUnclipped(x, y, colour);
}

bool RC_Canvas::ClipRect(int& x0, int& y0, int& x1, int& y1) const {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    if (x1 < 0 || y1 < 0 || x0 >= width_ || y0 >= height_) return false;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_ - 1);
    y1 = std::min(y1, height_ - 1);
    return true;
}

void RC_Canvas::FillRect(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    if (!ColourAllowed(colour)) return;
    if (!ClipRect(x0, y0, x1, y1)) return;
    for (int y = y0; y <= y1; ++y) {
        if (bitsPerPixel_ == 8) {
            std::memset(pixels_ + static_cast<std::size_t>(y) * stride_ + x0, static_cast<int>(colour & 0xFFu),
                        static_cast<std::size_t>(x1 - x0 + 1));
        } else {
            for (int x = x0; x <= x1; ++x) SetPixelUnclipped(x, y, colour);
        }
    }
}

void RC_Canvas::DrawLine(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    // Work in 64 bits: the cross products of far-away ends would overflow 32.
    std::int64_t ax = x0, ay = y0, bx = x1, by = y1;
    const std::int64_t w = width_;
    const std::int64_t h = height_;
    if (ax > bx) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    if (bx < 0 || ax >= w) return;
    if (ax < 0) {
        ay = ay - ax * (by - ay) / (bx - ax);
        ax = 0;
    }
    if (bx >= w) {
        by = by + (w - bx - 1) * (ay - by) / (ax - bx);
        bx = w - 1;
    }
    if (ay > by) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    if (by < 0 || ay >= h) return;
    if (ay < 0) {
        ax = ax - ay * (bx - ax) / (by - ay);
        ay = 0;
    }
    if (by >= h) {
        bx = bx + (h - by - 1) * (ax - bx) / (ay - by);
        by = h - 1;
    }
    // The integer clipping can leave an end one step outside on a steep or flat line.
    if (ax < 0 || ax >= w || bx < 0 || bx >= w) return;
    Line(static_cast<int>(ax), static_cast<int>(ay), static_cast<int>(bx), static_cast<int>(by), colour);
}

void RC_Canvas::DrawArc(std::uint32_t colour, float cx, float cy, float radius, float thickness, float from,
                        float to, std::uint32_t background) {
    const float half = thickness / 2.0f;
    const int outer = static_cast<int>(radius + half);
    constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
    for (int ox = -outer; ox <= outer; ++ox) {
        for (int oy = -outer; oy <= outer; ++oy) {
            float angle = std::atan2(static_cast<float>(oy), static_cast<float>(ox));
            if (angle < 0.0f) angle += kTwoPi;
            if (angle < from || angle > to) continue;
            const float dist = std::fabs(std::sqrt(static_cast<float>(ox * ox + oy * oy)) - radius);
            if (!(dist < half + 1.0f)) continue;
            std::uint32_t c = colour;
            if (dist > half) {
                c = RC_BlendColour(colour, background, 1000, static_cast<int>(std::lround((dist - half) * 1000.0f)));
            }
            SetPixel(static_cast<int>(cx + static_cast<float>(ox)), static_cast<int>(cy - static_cast<float>(oy)), c);
        }
    }
}

void RC_Canvas::FillCircle(std::uint32_t colour, float cx, float cy, float radius, std::uint32_t background) {
    const float r = radius;
    for (float gx = r; gx >= 0.0f; gx -= 1.0f) {
        const float top = std::min(r, std::floor(std::sqrt(r * r + 2.0f * r + 1.0f - gx * gx) + 0.5f));
        for (float gy = top; gy >= 0.0f; gy -= 1.0f) {
            const float t = gx * gx + gy * gy;
            std::uint32_t c = colour;
            if (!(r * r > t)) {
                c = RC_BlendColour(colour, background, 1000, static_cast<int>(std::lround((std::sqrt(t) - r) * 1000.0f)));
            }
            SetPixel(static_cast<int>(cx - gx), static_cast<int>(cy - gy), c);
            SetPixel(static_cast<int>(cx - gx), static_cast<int>(cy + gy), c);
            SetPixel(static_cast<int>(cx + gx), static_cast<int>(cy + gy), c);
            SetPixel(static_cast<int>(cx + gx), static_cast<int>(cy - gy), c);
        }
    }
}
