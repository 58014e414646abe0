// Tiny BMP files made by the tests themselves.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

struct BmpFile {
    int width = 4;
    int height = 2;  // negative: rows stored top-down
    int bits = 8;
    std::vector<uint8_t> data;  // pixel bytes exactly as stored (rows in file order)
    uint8_t tag = 0;            // palette entry i is stored as blue i, green `tag`, red 255 - i
    int64_t size_image = -1;    // -1: the data's size
    uint16_t type = 0x4D42;
    int gap = 0;  // bytes between palette and pixel data
    uint32_t compression = 0;  // biCompression as stored
};

// A file of any depth with its pixel bytes as stored.
inline BmpFile raw_bmp(int width, int height, int bits, std::vector<uint8_t> data, uint8_t tag = 0)
{
    return BmpFile{width, height, bits, std::move(data), tag};
}

inline std::vector<uint8_t> bmp_bytes(const BmpFile& f)
{
    std::vector<uint8_t> out;
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++) {
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    };
    const uint32_t offset = 54 + (f.bits == 8 ? 1024 : 0) + f.gap;
    put(f.type, 2);
    put(static_cast<uint32_t>(offset + f.data.size()), 4);
    put(0, 4);
    put(offset, 4);
    put(40, 4);
    put(static_cast<uint32_t>(f.width), 4);
    put(static_cast<uint32_t>(f.height), 4);
    put(1, 2);
    put(static_cast<uint32_t>(f.bits), 2);
    put(f.compression, 4);
    put(static_cast<uint32_t>(f.size_image < 0 ? static_cast<int64_t>(f.data.size()) : f.size_image), 4);
    for (int i = 0; i < 4; i++) {
        put(0, 4);  // resolution and colour counts: not read
    }
    for (int i = 0; f.bits == 8 && i < 256; i++) {
        put(static_cast<uint32_t>(i | f.tag << 8 | (255 - i) << 16), 4);
    }
    out.insert(out.end(), static_cast<size_t>(f.gap), 0xEE);
    out.insert(out.end(), f.data.begin(), f.data.end());
    return out;
}

inline bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

inline bool write_bmp(const std::string& path, const BmpFile& f)
{
    return write_bytes(path, bmp_bytes(f));
}

// An 8-bit picture given top row first; stored bottom-up as BMP files are.
inline BmpFile picture_8bit(int width, int height, const std::vector<uint8_t>& top_down, uint8_t tag)
{
    BmpFile f = raw_bmp(width, height, 8, std::vector<uint8_t>(top_down.size()), tag);
    for (int r = 0; r < height; r++) {
        std::copy_n(top_down.begin() + static_cast<long>(r) * width, width,
                    f.data.begin() + static_cast<long>(height - 1 - r) * width);
    }
    return f;
}

// A sprite sheet, top row first: cell (c, r) of w x h filled with
// base + c * rows + r, grid lines (and anything right or below the grid) 255.
inline std::vector<uint8_t> sheet_pixels(int columns, int rows, int w, int h, int width, int height, int base)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            const int c = x / (w + 1);
            const int r = y / (h + 1);
            const bool grid = x % (w + 1) == 0 || y % (h + 1) == 0 || c >= columns || r >= rows;
            pixels[static_cast<size_t>(y) * width + x] = grid ? 255 : static_cast<uint8_t>(base + c * rows + r);
        }
    }
    return pixels;
}
