#pragma once
// Reading text off a window's picture as a user reads it: where the ink of a control's text lies
// is compared with the ink of candidate texts drawn here in the same font. Ink is every pixel that
// differs from the area's background (its most common colour), so the colours do not matter.

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Font.h"
#include "platform/win/ScreenApi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace lxq::systemtest {

// The ink of an area, cut to its bounding box.
struct Ink {
    int width = 0, height = 0;
    std::vector<bool> on;
    bool At(int x, int y) const { return on[static_cast<std::size_t>(y * width + x)]; }
    bool Empty() const { return width == 0; }
    friend bool operator==(const Ink&, const Ink&) = default;
};

// Cuts a mask of w x h (row by row) to the box of its set pixels, keeping columns below `keepBelow`.
inline Ink CutInk(const std::vector<bool>& mask, int w, int h, int keepBelow) {
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < std::min(w, keepBelow); ++x)
            if (mask[static_cast<std::size_t>(y * w + x)]) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    Ink ink;
    if (right < 0) return ink;
    ink.width = right - left + 1;
    ink.height = bottom - top + 1;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) ink.on.push_back(mask[static_cast<std::size_t>(y * w + x)]);
    return ink;
}

// The ink in `area` of a picture; with `unitInkWidth` > 0 the rightmost columns that wide (a unit
// drawn after the number) are left out, and so are the blank columns before them.
inline Ink InkOf(const plat::gdi::Bitmap& picture, plat::gdi::Rect area, int unitInkWidth = 0) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    std::map<plat::gdi::ColorRef, int> counts;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ++counts[picture.GetPixel(area.left + x, area.top + y)];
    plat::gdi::ColorRef background = 0;
    int most = -1;
    for (const auto& [colour, n] : counts)
        if (n > most) most = n, background = colour;
    std::vector<bool> mask(static_cast<std::size_t>(w * h));
    int rightmost = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (picture.GetPixel(area.left + x, area.top + y) != background) {
                mask[static_cast<std::size_t>(y * w + x)] = true;
                rightmost = std::max(rightmost, x);
            }
    return CutInk(mask, w, h, unitInkWidth > 0 ? rightmost - unitInkWidth + 1 : w);
}

// The ink of `text` drawn in `font`.
inline Ink InkOfText(const std::string& text, const plat::gdi::FontDesc& font) {
    constexpr int kW = 200, kH = 32;
    auto bitmap = plat::gdi::Bitmap::Create(kW, kH, 32);
    plat::gdi::DC dc(bitmap.get());
    dc.SelectFont(plat::gdi::Font(font));
    dc.SetBkMode(plat::gdi::BkMode::Transparent);
    dc.SetTextColor(0xFFFFFF);
    dc.TextOut(4, 4, text);
    std::vector<bool> mask(kW * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) mask[static_cast<std::size_t>(y * kW + x)] = (bitmap->GetPixel(x, y) & 0xFFFFFF) != 0;
    return CutInk(mask, kW, kH, kW);
}

// Pixels in which two inks differ, laid over each other at their top left corners.
inline int InkDistance(const Ink& a, const Ink& b) {
    const int w = std::max(a.width, b.width), h = std::max(a.height, b.height);
    int d = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool pa = x < a.width && y < a.height && a.At(x, y);
            const bool pb = x < b.width && y < b.height && b.At(x, y);
            d += pa != pb ? 1 : 0;
        }
    return d;
}

// The ink of every value from lo to hi in steps of step as format prints it, drawn once for the
// process: a test that reads a value while a stream runs may draw them before it starts (ten
// thousand texts take seconds under a sanitizer).
inline const std::vector<std::pair<double, Ink>>& ValueCandidates(const plat::gdi::FontDesc& font, const char* format,
                                                                  double lo, double hi, double step) {
    using Candidates = std::vector<std::pair<double, Ink>>;
    static std::map<std::string, Candidates> drawn;
    char key[128];
    std::snprintf(key, sizeof key, "%s|%d|%s|%g|%g|%g", font.face.c_str(), font.height, format, lo, hi, step);
    Candidates& candidates = drawn[key];
    if (candidates.empty()) {
        const long n = std::lround((hi - lo) / step);
        for (long i = 0; i <= n; ++i) {
            const double v = lo + static_cast<double>(i) * step;
            char text[64];
            std::snprintf(text, sizeof text, format, v);
            candidates.emplace_back(v, InkOfText(text, font));
        }
    }
    return candidates;
}

// The value among lo, lo + step ... hi whose text (printf `format`) draws the ink, allowing for
// the faintest edge pixels of smoothed text (which another pair of colours may round away); none
// when no candidate comes close. The candidates' inks are drawn once per process.
inline std::optional<double> ReadValue(const Ink& ink, const plat::gdi::FontDesc& font, const char* format,
                                       double lo, double hi, double step) {
    if (ink.Empty()) return std::nullopt;
    const auto& candidates = ValueCandidates(font, format, lo, hi, step);
    std::optional<double> best;
    int bestDistance = 4; // more than a few stray pixels is another text
    for (const auto& [v, candidate] : candidates) {
        if (std::abs(candidate.width - ink.width) > 2 || std::abs(candidate.height - ink.height) > 2) continue;
        const int d = InkDistance(candidate, ink);
        if (d < bestDistance) {
            bestDistance = d;
            best = v;
            if (d == 0) break;
        }
    }
    return best;
}

// The ink width of a unit as a number field draws it after the number.
inline int InkWidth(const std::string& text, const plat::gdi::FontDesc& font) { return InkOfText(text, font).width; }

} // namespace lxq::systemtest
