// Helpers for the default-data tests: file names, reading files and numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/display.h"
#include "support/run.h"

inline const char* const kFullScreenImages[7] = {
    "background.bmp", "titlescreen.bmp", "Mainmenu.bmp", "Credits.bmp", "Controls.bmp", "HiScore.bmp", "storyback.bmp",
};
inline const char* const kSheets[3] = {"truck.bmp", "cars2.bmp", "monster.bmp"};
inline const char* const kSounds[13] = {
    "horn.WAV", "car.WAV", "exp.WAV", "tenfour.WAV", "story1.WAV", "monster.WAV", "yeehaw.WAV",
    "cannon.WAV", "brake.WAV", "beep1.WAV", "story2.WAV", "story3.WAV", "story4.WAV",
};
inline const char* const kMusic[11] = {
    "A.MID", "B.MID", "C.MID", "D.MID", "E.MID", "F.MID", "G.MID", "H.MID", "I.MID", "Battle.MID", "monsterfight.MID",
};

inline std::string data_path(const std::string& name) { return std::string(TAILGATE_DATA_DIR) + "/" + name; }

inline std::vector<uint8_t> read_bytes(const std::string& path)
{
    const std::string text = test_support::read_text(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// `bytes` bytes at `at`, little-endian or big-endian.
inline uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes = 4)
{
    return bytes ? b[at] | le(b, at + 1, bytes - 1) << 8 : 0;
}
inline uint32_t be(const std::vector<uint8_t>& b, size_t at, int bytes = 4)
{
    return bytes ? uint32_t(b[at]) << 8 * (bytes - 1) | be(b, at + 1, bytes - 1) : 0;
}

// An image loaded through the game's own BMP loader; frees itself.
struct LoadedImage {
    BitmapImage image{};
    int ok = 0;
    explicit LoadedImage(const std::string& name) { ok = gfx_load_bitmap(&image, data_path(name).c_str()); }
    ~LoadedImage() { gfx_unload_bitmap(&image); }
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;
    int width() const { return image.info_header.biWidth; }
    int height() const { return image.info_header.biHeight; }
    uint8_t at(int x, int y) const { return image.pixels[(size_t)y * (size_t)width() + (size_t)x]; }
};
