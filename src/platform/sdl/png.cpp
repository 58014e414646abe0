// PNG files through libpng: the desktops' writer, whose bytes the tests and
// the shots compare.
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/system.h"

namespace {

// libpng would print its own line before ours; its errors end in the
// longjmp below and the caller reports them.
void png_quiet_error(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void png_quiet_warning(png_structp, png_const_charp) {}

// Writes w x h pixels of `channels` bytes each (3: RGB, 4: RGBA).
bool write_png(const char* path, const uint8_t* rgb, int w, int h, int channels)
{
    if (!rgb || w <= 0 || h <= 0) {
        return false;
    }
    FILE* file = fopen(path, "wb");
    if (!file) {
        return false;
    }
    // A picture that could not be written whole is no picture: the file
    // goes, and errno keeps the first reason.
    auto fail = [&]() {
        const int reason = errno != 0 ? errno : EIO;
        fclose(file);
        unlink(path);
        errno = reason;
        return false;
    };
    errno = 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_quiet_error, png_quiet_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        errno = ENOMEM;
        return fail();
    }
    // libpng reports errors by longjmp; nothing here owns anything that a
    // jump over it would leak beyond what the clean-up below releases.
    if (setjmp(png_jmpbuf(png))) {
        const int reason = errno;
        png_destroy_write_struct(&png, &info);
        errno = reason;
        return fail();
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Fast over small: zlib's quickest level and rows left unfiltered. The
    // game's pictures are flat areas of few colours, which this packs about
    // as well as the default (measured: 6 ms a shot against 37, and smaller).
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * w * channels));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (fflush(file) != 0 || ferror(file) != 0) {
        return fail();
    }
    if (fclose(file) != 0) {
        const int reason = errno;
        unlink(path);
        errno = reason;
        return false;
    }
    return true;
}

}  // namespace

bool plat_sys_write_png(const char* path, const uint8_t* pixels, int w, int h, int channels)
{
    return write_png(path, pixels, w, h, channels);
}

bool plat_sys_read_png(const char* path, std::vector<uint8_t>* rgb, int* w, int* h)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb->assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *w = static_cast<int>(image.width);
    *h = static_cast<int>(image.height);
    return true;
}
