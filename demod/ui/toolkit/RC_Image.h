#pragma once
// An image record as the plug-in keeps pictures: size, bits per pixel (negative: run-length
// packed), palette and pixels. Copies own their palette and data.

#include "platform/gdi/Bitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

struct RC_Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 0; // negative: packed
    std::vector<std::uint32_t> palette;
    std::vector<std::uint8_t> data;

    // The pixels as a top-down bitmap; null for an impossible size or depth.
    std::unique_ptr<plat::gdi::Bitmap> ToBitmap() const;
};

// Unpacks a run-length stream: three marker bytes m1, m2, m3, then m1 count8 value, m2 count16
// value, m3 count32 value, or a literal byte. Runs are cut at the end of the output.
std::vector<std::uint8_t> RC_UnpackImageData(const std::uint8_t* data, std::size_t size, std::size_t outSize);
