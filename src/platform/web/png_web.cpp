// PNG files in the browser, with no zlib to hand: pictures are written as
// stored (uncompressed) deflate blocks, which every reader takes, and read
// back when they are stored so or when they are our own. The pixels are the
// desktops' exactly; only the files' bytes differ.
#include <emscripten.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/system.h"

// The page offers the player's screenshots as downloads.
// clang-format off
EM_JS(void, web_picture_written, (const char* path), { Module.tg.offerDownload(UTF8ToString(path)); });
// clang-format on

namespace {

uint32_t crc_table[256];

uint32_t crc32_of(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    if (crc_table[1] == 0) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            crc_table[n] = c;
        }
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc = crc_table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void put32(std::vector<uint8_t>* out, uint32_t v)
{
    out->push_back(static_cast<uint8_t>(v >> 24));
    out->push_back(static_cast<uint8_t>(v >> 16));
    out->push_back(static_cast<uint8_t>(v >> 8));
    out->push_back(static_cast<uint8_t>(v));
}

uint32_t get32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void chunk(std::vector<uint8_t>* out, const char* type, const std::vector<uint8_t>& body)
{
    put32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), body.begin(), body.end());
    put32(out, crc32_of(out->data() + start, out->size() - start));
}

constexpr uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

bool plat_sys_write_png(const char* path, const uint8_t* pixels, int w, int h, int channels)
{
    if (!pixels || w <= 0 || h <= 0 || (channels != 3 && channels != 4)) {
        return false;
    }
    // The rows, each after its filter byte (none), then zlib's stored blocks.
    const size_t row = static_cast<size_t>(w) * channels;
    std::vector<uint8_t> raw;
    raw.reserve((row + 1) * h);
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels + y * row, pixels + (y + 1) * row);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
        at += n;
        if (last) {
            break;
        }
    }
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(&z, (b << 16) | a);

    std::vector<uint8_t> file(SIGNATURE, SIGNATURE + 8);
    std::vector<uint8_t> header;
    put32(&header, static_cast<uint32_t>(w));
    put32(&header, static_cast<uint32_t>(h));
    header.insert(header.end(), {8, static_cast<uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0});
    chunk(&file, "IHDR", header);
    chunk(&file, "IDAT", z);
    chunk(&file, "IEND", {});

    FILE* out = fopen(path, "wb");
    if (!out) {
        return false;
    }
    const bool whole = fwrite(file.data(), 1, file.size(), out) == file.size();
    if (fclose(out) != 0 || !whole) {
        unlink(path);
        return false;
    }
    web_picture_written(path);
    return true;
}

bool plat_sys_read_png(const char* path, std::vector<uint8_t>* rgb, int* w, int* h)
{
    int result = PLAT_FILE_OK;
    FILE* in = plat_sys_open_regular(path, &result);
    if (!in) {
        return false;
    }
    std::vector<uint8_t> file;
    uint8_t block[65536];
    size_t got;
    while ((got = fread(block, 1, sizeof block, in)) > 0 && file.size() < (256u << 20)) {
        file.insert(file.end(), block, block + got);
    }
    fclose(in);
    if (file.size() < 8 || memcmp(file.data(), SIGNATURE, 8) != 0) {
        return false;
    }
    // 8-bit RGB or RGBA with no interlace, its data in stored blocks.
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> z;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = get32(&file[at]);
        if (length > file.size() - at - 12) {
            return false;
        }
        const uint8_t* body = &file[at + 8];
        if (memcmp(&file[at + 4], "IHDR", 4) == 0 && length >= 13) {
            width = static_cast<int>(get32(body));
            height = static_cast<int>(get32(body + 4));
            channels = body[9] == 2 ? 3 : body[9] == 6 ? 4 : 0;
            if (body[8] != 8 || body[12] != 0 || channels == 0) {
                return false;
            }
        } else if (memcmp(&file[at + 4], "IDAT", 4) == 0) {
            z.insert(z.end(), body, body + length);
        }
        at += 12 + length;
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || z.size() < 2) {
        return false;
    }
    std::vector<uint8_t> raw;
    size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > z.size() || (z[at] & 0x06) != 0) {
            return false;  // compressed: not ours to read here
        }
        last = (z[at] & 1) != 0;
        const size_t n = z[at + 1] | (z[at + 2] << 8);
        if (at + 5 + n > z.size()) {
            return false;
        }
        raw.insert(raw.end(), z.begin() + static_cast<long>(at + 5), z.begin() + static_cast<long>(at + 5 + n));
        at += 5 + n;
    }
    const size_t row = static_cast<size_t>(width) * channels;
    if (raw.size() < (row + 1) * height) {
        return false;
    }
    rgb->assign(static_cast<size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* line = &raw[y * (row + 1)];
        if (line[0] != 0) {
            return false;  // a row filter: not ours
        }
        for (int x = 0; x < width; ++x) {
            memcpy(&(*rgb)[(static_cast<size_t>(y) * width + x) * 3], line + 1 + x * channels, 3);
        }
    }
    *w = width;
    *h = height;
    return true;
}
