#include "PngWriter.h"

#include <algorithm>
#include <cstdio>

namespace image {
namespace {

constexpr size_t kStoredBlock = 65535;  // the most a stored deflate block holds

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored blocks.
std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out{0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min(kStoredBlock, raw.size() - pos);
        bool last = pos + n == raw.size();
        out.push_back(last ? 1 : 0);
        PutLe(out, static_cast<uint32_t>(n), 2);
        PutLe(out, static_cast<uint32_t>(~n & 0xFFFF), 2);
        out.insert(out.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    Put32(out, Adler32(raw));
    return out;
}

}  // namespace

std::vector<uint8_t> EncodePng(const Rgb& image) {
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(header, static_cast<uint32_t>(image.width));
    Put32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    Chunk(out, "IHDR", header);
    std::vector<uint8_t> raw;
    size_t row = static_cast<size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), image.pixels.begin() + static_cast<long>(y * row),
                   image.pixels.begin() + static_cast<long>((y + 1) * row));
    }
    Chunk(out, "IDAT", Zlib(raw));
    Chunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> EncodeBmp(const Rgb& image) {
    uint32_t row = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    uint32_t size = 54 + row * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> out{'B', 'M'};
    PutLe(out, size, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<uint32_t>(image.width), 4);
    PutLe(out, static_cast<uint32_t>(image.height), 4);  // bottom-up rows
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* p = image.pixels.data() + static_cast<size_t>(y) * image.width * 3;
        for (int x = 0; x < image.width; ++x, p += 3) out.insert(out.end(), {p[2], p[1], p[0]});
        out.resize(out.size() + (row - static_cast<uint32_t>(image.width) * 3), 0);
    }
    return out;
}

bool Save(const Rgb& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3)
        return false;
    bool bmp = path.size() >= 4 &&
               (path.compare(path.size() - 4, 4, ".bmp") == 0 || path.compare(path.size() - 4, 4, ".BMP") == 0);
    std::vector<uint8_t> bytes = bmp ? EncodeBmp(image) : EncodePng(image);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace image
