#pragma once
// Pixel drawing on an integer grid into memory. The clipped operations order and clamp their
// coordinates once and then run the unclipped form, which a concrete canvas implements with
// direct writes; the unclipped forms require coordinates inside the image.

#include <cstddef>
#include <cstdint>

class RC_Canvas {
public:
    RC_Canvas() = default;
    RC_Canvas(const RC_Canvas&) = delete;
    RC_Canvas& operator=(const RC_Canvas&) = delete;
    virtual ~RC_Canvas();

    virtual void Clear(std::uint32_t colour);
    virtual void Line(int x0, int y0, int x1, int y1, std::uint32_t colour);
    virtual void HLine(int x0, int x1, int y, std::uint32_t colour);
    virtual void HLineUnclipped(int x0, int x1, int y, std::uint32_t colour);
    virtual void VLine(int x, int y0, int y1, std::uint32_t colour);
    virtual void VLineUnclipped(int x, int y0, int y1, std::uint32_t colour);
    virtual void SetPixel(int x, int y, std::uint32_t colour);
    virtual void SetPixelUnclipped(int x, int y, std::uint32_t colour) = 0;
    // Inclusive corners.
    virtual void FillRect(int x0, int y0, int x1, int y1, std::uint32_t colour);
    virtual void Scroll(int dx, int dy) = 0;

    // A line clipped to the image, end points included.
    void DrawLine(int x0, int y0, int x1, int y1, std::uint32_t colour);
    // An anti-aliased ring segment from angle `from` to `to` (radians, counter-clockwise from +x
    // with y up); edge pixels are blended towards `background`.
    void DrawArc(std::uint32_t colour, float cx, float cy, float radius, float thickness, float from,
                 float to, std::uint32_t background);
    // An anti-aliased disc.
    void FillCircle(std::uint32_t colour, float cx, float cy, float radius, std::uint32_t background);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    std::uint8_t* Pixels() { return pixels_; }
    const std::uint8_t* Pixels() const { return pixels_; }
    std::size_t ImageSize() const { return imageSize_; }
    std::size_t Stride() const { return stride_; }
    std::size_t Capacity() const { return capacity_; }

protected:
    // Bytes per row: ((width x bits + 31) / 8) rounded down to a multiple of 4.
    static std::size_t StrideFor(int width, int bitsPerPixel);
    // Orders inclusive corners and clamps them to the image; false when nothing is inside.
    bool ClipRect(int& x0, int& y0, int& x1, int& y1) const;

    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    std::uint32_t paletteCount_ = 0; // colours at or above it are ignored by the clipped forms
    const std::uint32_t* palette_ = nullptr;
    std::uint8_t* pixels_ = nullptr; // plug-in heap
    std::size_t imageSize_ = 0;
    std::size_t stride_ = 0;
    std::size_t capacity_ = 0;
    std::int32_t planes_ = 1;

private:
    bool ColourAllowed(std::uint32_t colour) const { return paletteCount_ == 0 || colour < paletteCount_; }
};
