// BMP files into memory: headers, palette, pixel rows turned top-down.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/display.h"
#include "platform/files.h"

BitmapImage scratch_bitmap;
char gfx_load_reason[128];
int gfx_load_absent;

namespace {

// Far beyond any picture of the game; a header asking for more is damaged.
constexpr int64_t MAX_PIXEL_BYTES = 64 * 1024 * 1024;
constexpr int32_t MAX_SIDE = 16384;

// BI_RLE8, BI_RLE4, BI_JPEG and BI_PNG: pixel data that is not plain rows.
constexpr uint32_t COMPRESSED_KINDS[] = {1, 2, 4, 5};

bool read_exact(FILE* file, void* to, size_t bytes)
{
    return fread(to, 1, bytes, file) == bytes;
}

int refuse(const char* reason)
{
    snprintf(gfx_load_reason, sizeof gfx_load_reason, "%s", reason);
    return 0;
}

// The load proper, on an open file that the caller closes. Everything is
// read and checked into locals first; the record changes only on success.
int load_from(BitmapImage* image, FILE* file)
{
    BitmapFileHeader file_header;
    if (!read_exact(file, &file_header, sizeof file_header)) {
        return refuse("too short for a BMP");
    }
    if (file_header.bfType != 0x4D42) {
        return refuse("not a BMP file");
    }
    BitmapInfoHeader info;
    if (!read_exact(file, &info, sizeof info)) {
        return refuse("too short for a BMP");
    }
    for (uint32_t kind : COMPRESSED_KINDS) {
        if (info.biCompression == kind) {
            return refuse("compressed BMPs are not supported; save it uncompressed");
        }
    }
    uint8_t quads[1024];
    const bool has_palette = info.biBitCount == 8;
    if (has_palette && !read_exact(file, quads, sizeof quads)) {
        return refuse("too short for its palette");
    }
    if (info.biBitCount != 8 && info.biBitCount != 16 && info.biBitCount != 24) {
        return refuse("only 8, 16 and 24-bit BMPs are supported");
    }

    // Every size the header states must agree with the others and with the
    // file, so that no read or write below leaves its buffer.
    if (fseek(file, 0, SEEK_END) != 0) {
        return refuse("cannot be read");
    }
    const long file_length = ftell(file);
    if (file_length < 0) {
        return refuse("cannot be read");
    }
    const int64_t width = info.biWidth;
    const int64_t height = info.biHeight;  // negative: rows stored top-down
    if (width <= 0 || width > MAX_SIDE || height == 0 || height < -MAX_SIDE || height > MAX_SIDE) {
        return refuse("its width or height is out of range");
    }
    const int64_t row_bytes = width * (info.biBitCount / 8);
    const int64_t rows = height < 0 ? -height : height;
    const int64_t needed = row_bytes * rows;
    const int64_t size = info.biSizeImage == 0 ? needed : static_cast<int64_t>(info.biSizeImage);
    const int64_t before_pixels = static_cast<int64_t>(sizeof file_header + sizeof info) + (has_palette ? 1024 : 0);
    if (size < needed || size > MAX_PIXEL_BYTES || size > file_length - before_pixels) {
        return refuse("its sizes disagree with each other or with the file (damaged or cut short)");
    }

    // The pixel data is the last `size` bytes of the file.
    uint8_t* pixels = static_cast<uint8_t*>(malloc(static_cast<size_t>(size)));
    if (!pixels) {
        return refuse("out of memory");
    }
    if (fseek(file, static_cast<long>(file_length - size), SEEK_SET) != 0 ||
        !read_exact(file, pixels, static_cast<size_t>(size))) {
        free(pixels);
        return refuse("cannot be read");
    }

    if (has_palette) {
        for (int i = 0; i < 256; i++) {
            image->palette[i].red = quads[4 * i + 2];
            image->palette[i].green = quads[4 * i + 1];
            image->palette[i].blue = quads[4 * i];
            image->palette[i].flags = PC_NOCOLLAPSE;
        }
    }
    image->file_header = file_header;
    image->info_header = info;
    image->info_header.biSizeImage = static_cast<uint32_t>(size);
    free(image->pixels);
    image->pixels = pixels;
    gfx_reverse_rows(image->pixels, static_cast<int>(row_bytes), info.biHeight);
    return 1;
}

}  // namespace

int gfx_load_bitmap(BitmapImage* image, const char* file_name)
{
    gfx_load_reason[0] = '\0';
    gfx_load_absent = 0;
    if (!image || !file_name) {
        return refuse("no file named");
    }
    int open_result = PLAT_FILE_OK;
    FILE* file = plat_open_regular(file_name, &open_result);
    if (!file) {
        gfx_load_absent = open_result == PLAT_FILE_MISSING || open_result == PLAT_FILE_NOT_REGULAR;
        return refuse(plat_file_result_text(open_result));
    }
    const int result = load_from(image, file);
    fclose(file);
    return result;
}

int gfx_unload_bitmap(BitmapImage* image)
{
    if (image && image->pixels) {
        free(image->pixels);
        image->pixels = nullptr;
    }
    return 1;
}

int gfx_reverse_rows(uint8_t* buffer, int row_bytes, int rows)
{
    if (!buffer || rows <= 0 || row_bytes <= 0) {
        return 1;
    }
    const size_t row = static_cast<size_t>(row_bytes);
    const size_t total = row * static_cast<size_t>(rows);
    uint8_t* temp = static_cast<uint8_t*>(malloc(total));
    if (!temp) {
        return 0;
    }
    memcpy(temp, buffer, total);
    for (int i = 0; i < rows; i++) {
        memcpy(buffer + static_cast<size_t>(rows - 1 - i) * row, temp + static_cast<size_t>(i) * row, row);
    }
    free(temp);
    return 1;
}
