#include "demod/ui/toolkit/RC_Bitmap.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/ui/toolkit/RC_LineSteps.h"

#include <algorithm>
#include <cstring>
#include <utility>

RC_Bitmap::RC_Bitmap() {
    width_ = 1;
    height_ = 1;
    bitsPerPixel_ = 32;
    stride_ = 4;
    imageSize_ = 4;
    pixels_ = static_cast<std::uint8_t*>(RC_Alloc(4));
    capacity_ = pixels_ != nullptr ? 4 : 0;
}

bool RC_Bitmap::SetSize(int width, int height) {
    if (width < 0 || height < 0) return false;
    const std::size_t stride = StrideFor(width, 32);
    const std::size_t size = stride * static_cast<std::size_t>(height);
    if (size > capacity_) {
        void* block = pixels_;
        std::size_t capacity = capacity_;
        if (!RC_GrowBlock(block, capacity, size)) return false;
        pixels_ = static_cast<std::uint8_t*>(block);
        capacity_ = size;
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
    imageSize_ = size;
    return true;
}

bool RC_Bitmap::SetWidth(int width) { return SetSize(width, height_); }
bool RC_Bitmap::SetHeight(int height) { return SetSize(width_, height); }

void RC_Bitmap::Clear(std::uint32_t colour) {
    for (int y = 0; y < height_; ++y) std::fill_n(Row(y), width_, colour);
}

void RC_Bitmap::Line(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    // Direct writes: no virtual call per pixel.
    RC_StepLine(x0, y0, x1, y1, [&](int x, int y) { Row(y)[x] = colour; });
}

void RC_Bitmap::HLine(int x0, int x1, int y, std::uint32_t colour) {
    if (static_cast<unsigned>(y) >= static_cast<unsigned>(height_)) return;
    if (x0 > x1) std::swap(x0, x1);
    if (x1 < 0 || x0 >= width_) return;
    HLineUnclipped(std::max(x0, 0), std::min(x1, width_ - 1), y, colour);
}

void RC_Bitmap::HLineUnclipped(int x0, int x1, int y, std::uint32_t colour) {
    std::fill(Row(y) + x0, Row(y) + x1 + 1, colour);
}

void RC_Bitmap::VLine(int x, int y0, int y1, std::uint32_t colour) {
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_)) return;
    if (y0 > y1) std::swap(y0, y1);
    if (y1 < 0 || y0 >= height_) return;
    VLineUnclipped(x, std::max(y0, 0), std::min(y1, height_ - 1), colour);
}

void RC_Bitmap::VLineUnclipped(int x, int y0, int y1, std::uint32_t colour) {
    int y = y0;
    do {
        Row(y)[x] = colour;
    } while (++y <= y1);
}

void RC_Bitmap::SetPixel(int x, int y, std::uint32_t colour) {
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(height_)) {
        return;
    }
    Row(y)[x] = colour;
}

void RC_Bitmap::SetPixelUnclipped(int x, int y, std::uint32_t colour) { Row(y)[x] = colour; }

void RC_Bitmap::FillRect(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    if (!ClipRect(x0, y0, x1, y1)) return;
    for (int y = y0; y <= y1; ++y) std::fill(Row(y) + x0, Row(y) + x1 + 1, colour);
}

void RC_Bitmap::Scroll(int dx, int dy) {
    if (dx >= width_ || -dx >= width_ || dy >= height_ || -dy >= height_) return;
    // One flat move: rows are contiguous (32-bit pixels need no padding), so a pixel pushed past
    // a row's end lands at the start of the next row.
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(dy) * width_ + dx;
    const std::ptrdiff_t total = static_cast<std::ptrdiff_t>(width_) * height_;
    const std::ptrdiff_t count = total - (shift < 0 ? -shift : shift);
    if (count <= 0 || shift == 0) return;
    auto* base = reinterpret_cast<std::uint32_t*>(pixels_);
    if (shift > 0) {
        std::memmove(base + shift, base, static_cast<std::size_t>(count) * 4);
    } else {
        std::memmove(base, base - shift, static_cast<std::size_t>(count) * 4);
    }
}
