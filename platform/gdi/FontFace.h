#pragma once
// One font at one pixel size, rendered through FreeType, with its glyphs cached: repeated text
// costs a table lookup per character. Faces are shared by every Font of the same description and
// may be used from several threads; the cache is guarded by the face's own mutex.

#include "platform/gdi/Font.h"
#include "platform/gdi/TextMetrics.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace plat::gdi {

struct Glyph {
    int left = 0;    // from the pen position to the first column of the image
    int top = 0;     // from the baseline up to the first row of the image
    int width = 0;
    int height = 0;
    int advance = 0; // pen movement to the next character
    std::vector<std::uint8_t> coverage; // width x height, 0 (none) to 255 (full)
};

class FontFace {
public:
    // Opens the font file (index within it) at the description's size; with an empty path, or a
    // file FreeType cannot read, the face has metrics but draws nothing.
    FontFace(const FontDesc& desc, const std::string& path, int index);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const TextMetrics& Metrics() const { return metrics_; }
    const std::string& Path() const { return path_; }
    // Pixel rows below the baseline of the underline and of the strike-out line (negative: above).
    int UnderlineOffset() const { return underlineOffset_; }
    int StrikeOutOffset() const { return strikeOutOffset_; }
    int LineThickness() const { return lineThickness_; }

    // Fills `out` with the glyph of each character (stable pointers, cached for the face's life).
    void Glyphs(std::u32string_view text, std::vector<const Glyph*>& out) const;
    // Sum of the advances.
    int Width(std::u32string_view text) const;

private:
    const Glyph& Load(char32_t c) const; // caller holds mutex_

    std::string path_;
    void* face_ = nullptr; // FT_Face, kept out of the header
    TextMetrics metrics_{};
    int underlineOffset_ = 1;
    int strikeOutOffset_ = -3;
    int lineThickness_ = 1;
    int em_ = 11;
    mutable std::mutex mutex_;
    mutable std::unordered_map<char32_t, Glyph> cache_;
    mutable const Glyph* latin_[256] = {}; // fast path for the common characters
};

} // namespace plat::gdi
