#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::test {

// An RGB image, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel

    uint32_t pixel(int x, int y) const {  // 0xRRGGBB
        const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

// A PNG file of the image (stored, uncompressed deflate blocks: screenshots stay simple to write).
std::string encodePng(const Image& image);
// Reads back what encodePng wrote (stored blocks only); an empty image when it cannot.
Image decodeStoredPng(const std::string& bytes);

}  // namespace vantrel::test
