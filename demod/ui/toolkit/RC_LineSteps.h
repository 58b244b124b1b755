#pragma once
// The canvas's line stepping: ends ordered top to bottom, one pixel per step along the major
// axis, the minor coordinate from a truncating division. `plot` (x, y) sets one pixel; the
// caller guarantees the ends lie inside the image.

#include <utility>

template <typename Plot>
void RC_StepLine(int x0, int y0, int x1, int y1, Plot plot) {
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    if (dy < dx) {
        for (int k = 0; k <= dx; ++k) plot(x0 + k, y0 + k * dy / dx);
    } else if (dx < -dy) {
        for (int k = 0; k <= -dx; ++k) plot(x0 - k, y0 + k * dy / (-dx));
    } else if (dx == 0 && dy == 0) {
        plot(x0, y0);
    } else {
        for (int k = 0; k <= dy; ++k) plot(x0 + k * dx / dy, y0 + k);
    }
}
