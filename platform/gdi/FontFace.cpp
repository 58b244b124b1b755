#include "platform/gdi/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

namespace plat::gdi {
namespace {

// One FreeType library for the process. Opening and closing faces goes through its mutex; each
// face is then used under its own.
struct FreeType {
    FT_Library library = nullptr;
    std::mutex mutex;
    FreeType() {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
};

FreeType& Library() {
    static FreeType* ft = new FreeType(); // outlives every face, even at exit
    return *ft;
}

FT_Face AsFace(void* p) { return static_cast<FT_Face>(p); }

int Ceil(double v) { return static_cast<int>(std::ceil(v - 1e-6)); }
int Round(double v) { return static_cast<int>(std::lround(v)); }

} // namespace

FontFace::FontFace(const FontDesc& desc, const std::string& path, int index) : path_(path) {
    FreeType& ft = Library();
    FT_Face face = nullptr;
    if (!path.empty() && ft.library) {
        std::lock_guard lock(ft.mutex);
        if (FT_New_Face(ft.library, path.c_str(), index, &face) != 0) face = nullptr;
    }
    face_ = face;

    // Vertical measures come from the font's own line metrics, as the classic system takes them:
    // the cell height is the ascent plus descent the font declares for layout.
    double units = 2048, winAscent = 1854, winDescent = 434, lineGap = 67, avgWidth = 904;
    double maxAdvance = 4096, underlinePos = -217, underlineSize = 150, strikePos = 530;
    double strikeSize = 102, hheaAscent = 1854, hheaDescent = 434;
    if (face && FT_IS_SCALABLE(face)) {
        units = face->units_per_EM;
        hheaAscent = winAscent = face->ascender;
        hheaDescent = winDescent = -face->descender;
        lineGap = face->height - (face->ascender - face->descender);
        maxAdvance = face->max_advance_width;
        underlinePos = face->underline_position;
        underlineSize = face->underline_thickness;
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 && os2->version != 0xFFFF) {
            if (os2->usWinAscent + os2->usWinDescent > 0) {
                winAscent = os2->usWinAscent;
                winDescent = os2->usWinDescent;
            }
            avgWidth = os2->xAvgCharWidth;
            strikePos = os2->yStrikeoutPosition;
            strikeSize = os2->yStrikeoutSize;
        }
        if (const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA))) {
            hheaAscent = hhea->Ascender;
            hheaDescent = -hhea->Descender;
            lineGap = hhea->Line_Gap;
        }
    }
    // Sizes beyond any screen are limited, which also keeps the negation below defined.
    constexpr int kMaxPixels = 1000;
    const int height = std::clamp(desc.height == 0 ? -12 : desc.height, -kMaxPixels, kMaxPixels);
    em_ = height < 0 ? -height
                     : std::max(1, Round(height * units / (winAscent + winDescent)));
    const double scale = em_ / units;
    metrics_.ascent = Ceil(winAscent * scale);
    metrics_.descent = height > 0 ? std::max(0, height - metrics_.ascent) : Ceil(winDescent * scale);
    metrics_.height = metrics_.ascent + metrics_.descent;
    metrics_.internalLeading = std::max(0, metrics_.height - em_);
    const double extra = lineGap - ((winAscent + winDescent) - (hheaAscent + hheaDescent));
    metrics_.externalLeading = std::max(0, Round(extra * scale));
    metrics_.aveCharWidth = std::max(1, Round(avgWidth * scale));
    metrics_.maxCharWidth = std::max(1, Round(maxAdvance * scale));
    metrics_.weight = desc.weight == 0 ? 400 : desc.weight;
    metrics_.italic = desc.italic;
    underlineOffset_ = std::max(1, Round(-underlinePos * scale));
    strikeOutOffset_ = -std::max(1, Round(strikePos * scale));
    lineThickness_ = std::max(1, Round(std::max(underlineSize, strikeSize) * scale));

    if (face) FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em_));
}

FontFace::~FontFace() {
    if (!face_) return;
    FreeType& ft = Library();
    std::lock_guard lock(ft.mutex);
    FT_Done_Face(AsFace(face_));
}

const Glyph& FontFace::Load(char32_t c) const {
    if (c < 256 && latin_[c]) return *latin_[c];
    auto [it, inserted] = cache_.try_emplace(c);
    Glyph& g = it->second;
    if (inserted) {
        FT_Face face = AsFace(face_);
        if (c < 0x20 || c == 0x7F) {
            // Control characters take no room and draw nothing.
        } else if (face && FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
            const FT_GlyphSlot slot = face->glyph;
            const FT_Bitmap& bm = slot->bitmap;
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            g.width = static_cast<int>(bm.width);
            g.height = static_cast<int>(bm.rows);
            g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
            g.coverage.resize(static_cast<std::size_t>(g.width) * g.height);
            for (int y = 0; y < g.height; ++y) {
                const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
                for (int x = 0; x < g.width; ++x) {
                    std::uint8_t v = 0;
                    if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                        v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                    else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                        v = row[x];
                    g.coverage[static_cast<std::size_t>(y) * g.width + x] = v;
                }
            }
        } else {
            g.advance = metrics_.aveCharWidth;
        }
    }
    if (c < 256) latin_[c] = &g;
    return g;
}

void FontFace::Glyphs(std::u32string_view text, std::vector<const Glyph*>& out) const {
    out.clear();
    out.reserve(text.size());
    std::lock_guard lock(mutex_);
    for (char32_t c : text) out.push_back(&Load(c));
}

int FontFace::Width(std::u32string_view text) const {
    std::lock_guard lock(mutex_);
    int w = 0;
    for (char32_t c : text) w += Load(c).advance;
    return w;
}

} // namespace plat::gdi
