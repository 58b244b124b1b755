#pragma once
// A window's font description and the shared font it selects.

#include "demod/ui/toolkit/RC_DrawRecord.h"
#include "platform/gdi/Font.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct RC_FontDesc {
    std::int32_t height;
    std::int32_t width;
    std::int32_t escapement;
    std::int32_t orientation;
    std::int32_t weight;
    std::uint8_t italic;
    std::uint8_t underline;
    std::uint8_t strikeOut;
    std::uint8_t charSet;
    std::uint8_t outPrecision;
    std::uint8_t clipPrecision;
    std::uint8_t quality;
    std::uint8_t pitchAndFamily;
    char faceName[32];
};
#pragma pack(pop)
static_assert(sizeof(RC_FontDesc) == 60);
static_assert(offsetof(RC_FontDesc, height) == 0);
static_assert(offsetof(RC_FontDesc, width) == 4);
static_assert(offsetof(RC_FontDesc, escapement) == 8);
static_assert(offsetof(RC_FontDesc, orientation) == 12);
static_assert(offsetof(RC_FontDesc, weight) == 16);
static_assert(offsetof(RC_FontDesc, italic) == 20);
static_assert(offsetof(RC_FontDesc, underline) == 21);
static_assert(offsetof(RC_FontDesc, strikeOut) == 22);
static_assert(offsetof(RC_FontDesc, charSet) == 23);
static_assert(offsetof(RC_FontDesc, outPrecision) == 24);
static_assert(offsetof(RC_FontDesc, clipPrecision) == 25);
static_assert(offsetof(RC_FontDesc, quality) == 26);
static_assert(offsetof(RC_FontDesc, pitchAndFamily) == 27);
static_assert(offsetof(RC_FontDesc, faceName) == 28);

class RC_Font : public RC_DrawRecord<RC_FontDesc, plat::gdi::Font> {
public:
    RC_Font();

    void SetHeight(std::int32_t height);
    void SetWeight(std::int32_t weight);
    void SetItalic(bool italic);
    void SetCharSet(std::uint8_t charSet);
    // At most 31 characters are kept, so the name stays terminated.
    void SetFaceName(const char* face);
    // Takes the other font's whole description.
    void Assign(const RC_Font& other);

    static std::size_t CachedCount();
};
