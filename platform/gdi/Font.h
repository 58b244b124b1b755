#pragma once
// A font as drawing code selects it: a description and, once text is measured or drawn, the
// resolved face. Copies share the resolved face, and resolving it is safe from several threads.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace plat::gdi {

class FontFace;

struct FontDesc {
    // Negative: character height (the em size) in pixels; positive: cell height (ascent plus
    // descent); 0: a default size.
    int height = -11;
    int weight = 400; // 100..900; 700 is bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::string face = "Arial";
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

class Font {
public:
    Font() : Font(FontDesc{}) {}
    explicit Font(FontDesc desc) : desc_(std::move(desc)), resolved_(std::make_shared<Resolved>()) {}

    const FontDesc& Desc() const { return desc_; }
    // The face for this description, resolved through the font library on first use.
    const FontFace& Face() const;

    friend bool operator==(const Font& a, const Font& b) { return a.desc_ == b.desc_; }

private:
    struct Resolved {
        std::once_flag once;
        std::shared_ptr<const FontFace> face;
    };
    FontDesc desc_;
    std::shared_ptr<Resolved> resolved_;
};

} // namespace plat::gdi
