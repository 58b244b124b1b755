#pragma once
// A 32-bit canvas over a plain row-major buffer in the plug-in's heap, which its owner copies to
// the screen. The buffer only grows: shrinking the image keeps the larger buffer.

#include "demod/ui/toolkit/RC_Canvas.h"

class RC_Bitmap : public RC_Canvas {
public:
    RC_Bitmap();
    ~RC_Bitmap() override = default;

    void Clear(std::uint32_t colour) override;
    void Line(int x0, int y0, int x1, int y1, std::uint32_t colour) override;
    void HLine(int x0, int x1, int y, std::uint32_t colour) override;
    void HLineUnclipped(int x0, int x1, int y, std::uint32_t colour) override;
    void VLine(int x, int y0, int y1, std::uint32_t colour) override;
    void VLineUnclipped(int x, int y0, int y1, std::uint32_t colour) override;
    void SetPixel(int x, int y, std::uint32_t colour) override;
    void SetPixelUnclipped(int x, int y, std::uint32_t colour) override;
    void FillRect(int x0, int y0, int x1, int y1, std::uint32_t colour) override;
    // Moves the contents as one flat block by dy rows plus dx pixels; uncovered pixels keep
    // their old values.
    void Scroll(int dx, int dy) override;

    // False (size unchanged) for a negative size or when the buffer cannot grow.
    bool SetWidth(int width);
    bool SetHeight(int height);
    bool SetSize(int width, int height);

    std::uint32_t PixelAt(int x, int y) const { return Row(y)[x]; }

private:
    std::uint32_t* Row(int y) { return reinterpret_cast<std::uint32_t*>(pixels_ + static_cast<std::size_t>(y) * stride_); }
    const std::uint32_t* Row(int y) const {
        return reinterpret_cast<const std::uint32_t*>(pixels_ + static_cast<std::size_t>(y) * stride_);
    }
};
