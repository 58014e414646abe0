// Tiny BMP files made by the tests themselves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct BmpFile {
    int width = 4;
    int height = 2;  // negative: rows stored top-down
    int bits = 8;
    // Pixel bytes exactly as stored in the file (rows in file order).
    std::vector<uint8_t> data;
    // Palette entry i is stored as blue i, green `tag`, red 255 - i.
    uint8_t tag = 0;
    int64_t size_image = -1;  // -1: the data's size
    uint16_t type = 0x4D42;
    int gap = 0;              // bytes between palette and pixel data
};

inline void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

inline void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline std::vector<uint8_t> bmp_bytes(const BmpFile& f)
{
    std::vector<uint8_t> out;
    const uint32_t palette_bytes = f.bits == 8 ? 1024 : 0;
    const uint32_t size_image = f.size_image < 0 ? static_cast<uint32_t>(f.data.size()) : static_cast<uint32_t>(f.size_image);
    put16(out, f.type);
    put32(out, static_cast<uint32_t>(54 + palette_bytes + f.gap + f.data.size()));
    put16(out, 0);
    put16(out, 0);
    put32(out, 54 + palette_bytes + f.gap);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(f.width));
    put32(out, static_cast<uint32_t>(f.height));
    put16(out, 1);
    put16(out, static_cast<uint16_t>(f.bits));
    put32(out, 0);
    put32(out, size_image);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    if (f.bits == 8) {
        for (int i = 0; i < 256; i++) {
            out.push_back(static_cast<uint8_t>(i));
            out.push_back(f.tag);
            out.push_back(static_cast<uint8_t>(255 - i));
            out.push_back(0);
        }
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
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bits = 8;
    f.tag = tag;
    for (int r = height - 1; r >= 0; r--) {
        f.data.insert(f.data.end(), top_down.begin() + static_cast<long>(r) * width,
                      top_down.begin() + static_cast<long>(r + 1) * width);
    }
    return f;
}
