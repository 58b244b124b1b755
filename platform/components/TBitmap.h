#pragma once
// An off-screen bitmap with its own canvas: controls draw into one and copy it to the screen in
// one go, so a repaint never flickers.

#include <cstdint>
#include <memory>

#include "platform/components/TCanvas.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DC.h"

namespace plat::comp {

class TBitmap : public TObject {
public:
    // bitsPerPixel: 1, 4, 8, 16, 24 or 32.
    explicit TBitmap(int width = 0, int height = 0, int bitsPerPixel = 32);
    ~TBitmap() override;
    const char* ClassName() const override { return "TBitmap"; }

    int Width() const { return bitmap_->Width(); }
    int Height() const { return bitmap_->Height(); }
    bool Empty() const { return bitmap_->IsEmpty(); }
    int BitsPerPixel() const { return bitmap_->BitsPerPixel(); }
    // Resizing keeps the pixels that stay inside; new ones are white. False (and unchanged) for
    // a size the drawing layer refuses.
    bool SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    bool SetBitsPerPixel(int bitsPerPixel);

    TCanvas& Canvas() { return canvas_; }
    // Direct row access (rows top-down, Pitch bytes each).
    std::uint8_t* ScanLine(int y) { return bitmap_->Row(y); }
    const gdi::Bitmap& Surface() const { return *bitmap_; }
    gdi::Bitmap& Surface() { return *bitmap_; }
    const gdi::DC& DC() const { return dc_; }

private:
    bool Replace(int width, int height, int bitsPerPixel);

    std::unique_ptr<gdi::Bitmap> bitmap_;
    gdi::DC dc_;
    TCanvas canvas_;
};

} // namespace plat::comp
