// Helpers for the default-data tests: file names, reading files, colours.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "core/data_files.h"
#include "display/display.h"

// The names come from the game's own manifest and tables: what the game
// loads is what the generator must have written.
inline std::vector<const char*> kFullScreenImages(std::begin(DATA_SCREENS), std::end(DATA_SCREENS));
inline std::vector<const char*> kSheets(std::begin(DATA_SHEETS), std::end(DATA_SHEETS));
inline std::vector<const char*> sound_file_names()
{
    std::vector<const char*> names;
    for (const SoundFile& sound : SOUND_FILES) {
        names.push_back(sound.file);
    }
    return names;
}
inline std::vector<const char*> music_file_names()
{
    std::vector<const char*> names;
    for (const MusicFile& piece : MUSIC_FILES) {
        names.push_back(piece.file);
    }
    return names;
}
inline const std::vector<const char*> kSounds = sound_file_names();
inline const std::vector<const char*> kMusic = music_file_names();

inline std::string data_path(const std::string& name)
{
    return std::string(TAILGATE_DATA_DIR) + "/" + name;
}

inline std::vector<uint8_t> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

inline uint32_t be32(const std::vector<uint8_t>& b, size_t at)
{
    return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}

inline int be16(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] << 8 | b[at + 1];
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
    // Perceived brightness 0..255 of the pixel's palette colour.
    int luma(int x, int y) const
    {
        const PlatPaletteEntry& e = image.palette[at(x, y)];
        return (e.red * 3 + e.green * 6 + e.blue) / 10;
    }
};
