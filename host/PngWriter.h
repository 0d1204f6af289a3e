// Images for screenshots: PNG (uncompressed deflate blocks, so no library
// is needed) and 24-bit BMP.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace image {

struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // rows top to bottom, 3 bytes (R, G, B) a pixel
};

std::vector<uint8_t> EncodePng(const Rgb& image);
std::vector<uint8_t> EncodeBmp(const Rgb& image);
// By the file's extension (.png or .bmp); false when it cannot be written.
bool Save(const Rgb& image, const std::string& path);

}  // namespace image
