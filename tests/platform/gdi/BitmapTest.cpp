#include "platform/gdi/Bitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace plat::gdi {
namespace {

struct DepthCase {
    int bpp;
    int width;
    int pitch;
};

TEST(Bitmap, EveryDepthKeepsColoursItCanHoldAndPadsRowsToFourBytes) {
    const DepthCase cases[] = {{1, 33, 8}, {4, 9, 8}, {8, 5, 8}, {16, 3, 8}, {24, 5, 16}, {32, 3, 12}};
    // Colours every depth holds exactly: black and white, plus the classic pure colours.
    const ColorRef colours[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bpp);
        auto bmp = Bitmap::Create(c.width, 4, c.bpp);
        ASSERT_TRUE(bmp);
        EXPECT_EQ(bmp->Pitch(), c.pitch);
        EXPECT_EQ(bmp->Row(3) - bmp->Row(0), 3 * c.pitch);
        const int n = c.bpp == 1 ? 2 : 6;
        for (int i = 0; i < n; ++i) bmp->SetPixel(i % c.width, i % 4, colours[i]);
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(bmp->GetPixel(i % c.width, i % 4), colours[i]) << i;
        EXPECT_EQ(bmp->GetPixel(-1, 0), kInvalidColor);
        EXPECT_EQ(bmp->GetPixel(0, 4), kInvalidColor);
        bmp->SetPixel(c.width, 0, 0xFFFFFF); // outside: ignored, no write past the row
    }
}

TEST(Bitmap, MemoryLayoutIsTheClassicDeviceIndependentOne) {
    auto b32 = Bitmap::Create(2, 1, 32);
    b32->SetPixel(1, 0, Rgb(1, 2, 3));
    const std::uint8_t bgrx[] = {3, 2, 1, 0};
    EXPECT_EQ(std::memcmp(b32->Row(0) + 4, bgrx, 4), 0);

    auto b1 = Bitmap::Create(10, 1, 1);
    b1->SetPixel(0, 0, 0xFFFFFF);
    b1->SetPixel(9, 0, 0xFFFFFF);
    EXPECT_EQ(b1->Row(0)[0], 0x80); // leftmost pixel in the top bit
    EXPECT_EQ(b1->Row(0)[1], 0x40);

    auto b4 = Bitmap::Create(3, 1, 4);
    b4->SetNative(0, 0, 0xA);
    b4->SetNative(1, 0, 0x5);
    EXPECT_EQ(b4->Row(0)[0], 0xA5); // leftmost pixel in the high nibble

    auto b16 = Bitmap::Create(1, 1, 16);
    b16->SetPixel(0, 0, Rgb(255, 0, 0));
    EXPECT_EQ(b16->GetNative(0, 0), 0x7C00u); // x555, red on top
}

TEST(Bitmap, PalettedDepthsMatchTheNearestEntryAndAcceptANewPalette) {
    auto bmp = Bitmap::Create(2, 1, 8);
    ASSERT_EQ(bmp->Palette().size(), 256u);
    EXPECT_EQ(bmp->Palette()[255], 0xFFFFFFu);
    const ColorRef mine[] = {Rgb(10, 20, 30), Rgb(200, 100, 50)};
    bmp->SetPalette(mine);
    bmp->SetPixel(0, 0, Rgb(190, 110, 40));
    EXPECT_EQ(bmp->GetNative(0, 0), 1u);
    EXPECT_EQ(bmp->GetPixel(0, 0), Rgb(200, 100, 50));
}

TEST(Bitmap, FactoriesRejectBadDepthsNegativeSizesAndOverflowingSizes) {
    EXPECT_FALSE(Bitmap::Create(4, 4, 2));
    EXPECT_FALSE(Bitmap::Create(4, 4, 0));
    EXPECT_FALSE(Bitmap::Create(-1, 4, 32));
    EXPECT_FALSE(Bitmap::Create(4, -1, 32));
    EXPECT_FALSE(Bitmap::Create(INT_MAX, 1, 32));      // pitch itself overflows
    EXPECT_FALSE(Bitmap::Create(1 << 16, 1 << 15, 32)); // pitch x height = 2^33
    EXPECT_FALSE(Bitmap::Create(1 << 14, (1 << 15) + 1, 32)); // just past 2^31 - 1 bytes
    auto empty = Bitmap::Create(0, 0, 32);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->IsEmpty());
}

TEST(Bitmap, WrapDrawsIntoCallersMemoryAndRejectsAShortPitch) {
    std::uint32_t pixels[2 * 3] = {};
    auto view = Bitmap::Wrap(pixels, 2, 3, 32, 8);
    ASSERT_TRUE(view);
    view->SetPixel(1, 2, Rgb(0x11, 0x22, 0x33));
    EXPECT_EQ(pixels[5], 0x00112233u);
    EXPECT_FALSE(Bitmap::Wrap(pixels, 3, 3, 32, 8));
    EXPECT_FALSE(Bitmap::Wrap(nullptr, 2, 3, 32, 8));
    auto copy = view->Clone();
    copy->SetPixel(0, 0, 0xFFFFFF);
    EXPECT_EQ(pixels[0], 0u); // a clone owns its pixels
}

} // namespace
} // namespace plat::gdi
