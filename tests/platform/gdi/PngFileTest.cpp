#include "platform/gdi/PngFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace plat::gdi {
namespace {

TEST(PngFile, WritesACompleteFileAndLeavesTheOldOneWhenItCannot) {
    // A folder of its own, so parallel runs never share files.
    const auto dir = std::filesystem::temp_directory_path() /
                     ("gdi_png_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = (dir / "shot.png").string();
    auto bmp = Bitmap::Create(3, 2, 32);
    bmp->SetPixel(1, 1, 0x0000FF);
    ASSERT_TRUE(SavePng(*bmp, path));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_FALSE(SavePng(*bmp, (dir / "missing" / "shot.png").string()));
    EXPECT_TRUE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace plat::gdi
