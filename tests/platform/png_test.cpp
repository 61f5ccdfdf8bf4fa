#include "support/png.h"

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

TEST(PngTest, WritesAValidFileThatReadsBackPixelForPixel) {
    // Wide enough that the image data spans several stored deflate blocks.
    Image img;
    img.width = 300;
    img.height = 90;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            for (int c = 0; c < 3; ++c)
                img.rgb.push_back(uint8_t(x * (c + 1) + y));
    std::string png = encodePng(img);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
    Image back = decodeStoredPng(png);
    ASSERT_EQ(back.width, 300);
    ASSERT_EQ(back.height, 90);
    EXPECT_EQ(back.rgb, img.rgb);
    EXPECT_EQ(back.pixel(299, 89), img.pixel(299, 89));
}

}  // namespace
}  // namespace vantrel::test
