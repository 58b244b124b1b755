#include "platform/components/TBitmap.h"

namespace plat::comp {

TBitmap::TBitmap(int width, int height, int bitsPerPixel) : canvas_(&dc_) {
    if (!Replace(width, height, bitsPerPixel)) Replace(0, 0, 32);
}

TBitmap::~TBitmap() { dc_.SelectBitmap(nullptr); }

bool TBitmap::Replace(int width, int height, int bitsPerPixel) {
    auto fresh = gdi::Bitmap::Create(width, height, bitsPerPixel);
    if (!fresh) return false;
    fresh->Clear(gdi::Rgb(255, 255, 255));
    if (bitmap_) {
        gdi::DC copier(fresh.get());
        copier.BitBlt(0, 0, width, height, dc_, 0, 0, gdi::rop3::SrcCopy);
        copier.SelectBitmap(nullptr);
    }
    // The canvas keeps its pen, brush and font; only the surface under it changes.
    dc_.SelectBitmap(fresh.get());
    bitmap_ = std::move(fresh);
    return true;
}

bool TBitmap::SetSize(int width, int height) {
    if (width == Width() && height == Height()) return true;
    return Replace(width, height, BitsPerPixel());
}

bool TBitmap::SetBitsPerPixel(int bitsPerPixel) {
    if (bitsPerPixel == BitsPerPixel()) return true;
    return Replace(Width(), Height(), bitsPerPixel);
}

} // namespace plat::comp
