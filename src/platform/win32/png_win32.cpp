// PNG files written with zlib the way libpng writes them on the desktops
// (compression level 1, default strategy, rows unfiltered, IDAT chunks of
// 8 KiB, a smaller window for small pictures), so that a shot has the same
// bytes on every system; and read back for any common kind of PNG.
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/win32/wide.h"

namespace {

constexpr size_t CHUNK_DATA = 8192;  // libpng's compression buffer: one IDAT each
const uint8_t SIGNATURE[8] = {137, 80, 78, 71, 13, 10, 26, 10};

void put32(std::vector<uint8_t>* out, uint32_t v)
{
    out->push_back(static_cast<uint8_t>(v >> 24));
    out->push_back(static_cast<uint8_t>(v >> 16));
    out->push_back(static_cast<uint8_t>(v >> 8));
    out->push_back(static_cast<uint8_t>(v));
}

void put_chunk(std::vector<uint8_t>* out, const char* type, const uint8_t* data, size_t size)
{
    put32(out, static_cast<uint32_t>(size));
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    if (size > 0) {
        out->insert(out->end(), data, data + size);
    }
    uLong crc = crc32(0L, out->data() + start, static_cast<uInt>(size + 4));
    put32(out, static_cast<uint32_t>(crc));
}

// The zlib header's window size lowered to what a small picture needs, as libpng does.
void optimize_cmf(uint8_t* data, size_t data_size)
{
    if (data_size > 16384) {
        return;
    }
    unsigned cmf = data[0];
    if ((cmf & 0x0f) != 8 || (cmf & 0xf0) > 0x70) {
        return;
    }
    unsigned cinfo = cmf >> 4;
    unsigned half_window = 1U << (cinfo + 7);
    if (data_size <= half_window) {
        do {
            half_window >>= 1;
            --cinfo;
        } while (cinfo > 0 && data_size <= half_window);
        cmf = (cmf & 0x0f) | (cinfo << 4);
        data[0] = static_cast<uint8_t>(cmf);
        unsigned flags = data[1] & 0xe0;
        flags += 0x1f - ((cmf << 8) + flags) % 0x1f;
        data[1] = static_cast<uint8_t>(flags);
    }
}

bool encode(const uint8_t* pixels, int w, int h, int channels, std::vector<uint8_t>* out)
{
    const size_t row_bytes = static_cast<size_t>(w) * channels;
    const size_t data_size = static_cast<size_t>(h) * (row_bytes + 1);
    out->assign(SIGNATURE, SIGNATURE + 8);
    uint8_t header[13];
    const uint32_t width = static_cast<uint32_t>(w);
    const uint32_t height = static_cast<uint32_t>(h);
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        header[4 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    header[8] = 8;
    header[9] = channels == 4 ? 6 : 2;
    header[10] = header[11] = header[12] = 0;
    put_chunk(out, "IHDR", header, sizeof header);

    int window_bits = 15;
    if (data_size <= 16384) {
        unsigned half_window = 1U << (window_bits - 1);
        while (data_size + 262 <= half_window) {
            half_window >>= 1;
            --window_bits;
        }
    }
    if (window_bits == 8) {
        window_bits = 9;
    }
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, 1, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    uint8_t buffer[CHUNK_DATA];
    bool first = true;
    auto emit = [&](size_t size) {
        if (first) {
            optimize_cmf(buffer, data_size);
            first = false;
        }
        put_chunk(out, "IDAT", buffer, size);
    };
    z.next_out = buffer;
    z.avail_out = CHUNK_DATA;
    std::vector<uint8_t> row(row_bytes + 1, 0);
    // One row at a time with its filter byte (0: none), as libpng feeds it.
    for (int y = 0; y <= h; ++y) {
        const int flush = y == h ? Z_FINISH : Z_NO_FLUSH;
        if (y < h) {
            std::memcpy(row.data() + 1, pixels + static_cast<size_t>(y) * row_bytes, row_bytes);
            z.next_in = row.data();
            z.avail_in = static_cast<uInt>(row.size());
        } else {
            z.next_in = nullptr;
            z.avail_in = 0;
        }
        for (;;) {
            int ret = deflate(&z, flush);
            if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR) {
                deflateEnd(&z);
                return false;
            }
            if (z.avail_out == 0) {
                emit(CHUNK_DATA);
                z.next_out = buffer;
                z.avail_out = CHUNK_DATA;
                if (flush == Z_NO_FLUSH) {
                    continue;
                }
            }
            if (flush == Z_NO_FLUSH) {
                if (z.avail_in == 0) {
                    break;
                }
                continue;
            }
            if (ret == Z_STREAM_END) {
                emit(CHUNK_DATA - z.avail_out);
                break;
            }
        }
    }
    deflateEnd(&z);
    put_chunk(out, "IEND", nullptr, 0);
    return true;
}

uint32_t get32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

int paeth(int a, int b, int c)
{
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    return pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
}

bool read_whole(const char* path, std::vector<uint8_t>* bytes)
{
    int result = 0;
    FILE* file = plat_sys_open_regular(path, &result);
    if (!file) {
        return false;
    }
    uint8_t block[65536];
    size_t n = 0;
    while ((n = fread(block, 1, sizeof block, file)) > 0) {
        bytes->insert(bytes->end(), block, block + n);
        if (bytes->size() > (size_t(1) << 30)) {
            fclose(file);
            return false;
        }
    }
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

}  // namespace

bool plat_sys_write_png(const char* path, const uint8_t* pixels, int w, int h, int channels)
{
    if (!pixels || w <= 0 || h <= 0 || (channels != 3 && channels != 4)) {
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!encode(pixels, w, h, channels, &bytes)) {
        return false;
    }
    const std::wstring wide = win32_wide_path(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    ok = CloseHandle(file) && ok;
    if (!ok) {
        DeleteFileW(wide.c_str());  // a picture that could not be written whole is no picture
    }
    return ok;
}

bool plat_sys_read_png(const char* path, std::vector<uint8_t>* rgb, int* w, int* h)
{
    std::vector<uint8_t> bytes;
    if (!read_whole(path, &bytes) || bytes.size() < 8 + 25 || std::memcmp(bytes.data(), SIGNATURE, 8) != 0) {
        return false;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    int depth = 0;
    int type = -1;
    int interlace = 0;
    std::vector<uint8_t> idat;
    std::vector<uint8_t> palette;
    size_t at = 8;
    bool ended = false;
    while (at + 12 <= bytes.size() && !ended) {
        uint32_t size = get32(&bytes[at]);
        if (size > bytes.size() - at - 12) {
            return false;
        }
        const uint8_t* type_name = &bytes[at + 4];
        const uint8_t* data = &bytes[at + 8];
        if (std::memcmp(type_name, "IHDR", 4) == 0 && size == 13) {
            width = get32(data);
            height = get32(data + 4);
            depth = data[8];
            type = data[9];
            interlace = data[12];
        } else if (std::memcmp(type_name, "PLTE", 4) == 0) {
            palette.assign(data, data + size);
        } else if (std::memcmp(type_name, "IDAT", 4) == 0) {
            idat.insert(idat.end(), data, data + size);
        } else if (std::memcmp(type_name, "IEND", 4) == 0) {
            ended = true;
        }
        at += 12 + size;
    }
    if (width == 0 || height == 0 || width > 16384 || height > 16384 || interlace != 0) {
        return false;
    }
    int samples = 0;
    switch (type) {
    case 0:
        samples = 1;
        break;
    case 2:
        samples = 3;
        break;
    case 3:
        samples = 1;
        break;
    case 4:
        samples = 2;
        break;
    case 6:
        samples = 4;
        break;
    default:
        return false;
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) {
        return false;
    }
    if ((type == 3 && (depth > 8 || palette.empty())) || (type != 0 && type != 3 && depth < 8)) {
        return false;
    }
    const size_t bits_per_pixel = static_cast<size_t>(samples) * depth;
    const size_t stride = (width * bits_per_pixel + 7) / 8;
    const size_t bpp = (bits_per_pixel + 7) / 8;
    std::vector<uint8_t> raw(height * (stride + 1));
    uLongf raw_size = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &raw_size, idat.data(), static_cast<uLong>(idat.size())) != Z_OK ||
        raw_size != raw.size()) {
        return false;
    }
    std::vector<uint8_t> prior(stride, 0);
    rgb->assign(static_cast<size_t>(width) * height * 3, 0);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* line = &raw[y * (stride + 1)];
        const int filter = line[0];
        uint8_t* cur = line + 1;
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= bpp ? cur[i - bpp] : 0;
            const int b = prior[i];
            const int c = i >= bpp ? prior[i - bpp] : 0;
            switch (filter) {
            case 0:
                break;
            case 1:
                cur[i] = static_cast<uint8_t>(cur[i] + a);
                break;
            case 2:
                cur[i] = static_cast<uint8_t>(cur[i] + b);
                break;
            case 3:
                cur[i] = static_cast<uint8_t>(cur[i] + (a + b) / 2);
                break;
            case 4:
                cur[i] = static_cast<uint8_t>(cur[i] + paeth(a, b, c));
                break;
            default:
                return false;
            }
        }
        std::memcpy(prior.data(), cur, stride);
        for (uint32_t x = 0; x < width; ++x) {
            auto sample = [&](int s) -> int {
                if (depth == 16) {
                    return cur[(x * samples + s) * 2];
                }
                if (depth == 8) {
                    return cur[x * samples + s];
                }
                const size_t bit = static_cast<size_t>(x) * depth;
                const int v = (cur[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
                return type == 3 ? v : v * 255 / ((1 << depth) - 1);
            };
            uint8_t* out = &(*rgb)[(static_cast<size_t>(y) * width + x) * 3];
            if (type == 3) {
                const size_t index = static_cast<size_t>(sample(0)) * 3;
                if (index + 2 >= palette.size()) {
                    return false;
                }
                out[0] = palette[index];
                out[1] = palette[index + 1];
                out[2] = palette[index + 2];
            } else if (samples >= 3) {
                out[0] = static_cast<uint8_t>(sample(0));
                out[1] = static_cast<uint8_t>(sample(1));
                out[2] = static_cast<uint8_t>(sample(2));
            } else {
                out[0] = out[1] = out[2] = static_cast<uint8_t>(sample(0));
            }
        }
    }
    *w = static_cast<int>(width);
    *h = static_cast<int>(height);
    return true;
}
