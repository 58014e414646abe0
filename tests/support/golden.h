// Golden pictures: a 640 x 480 RGB picture's hash, the hashes kept in
// tests/data/pictures.txt ("hash | screen"), and the pictures written out
// for a person to look at. With TAILGATE_PICTURES=DIR set, each picture goes
// to DIR/<screen>.png; with TAILGATE_PICTURES_OLD naming such a folder of an
// older build as well, a picture goes beside its old one instead, the new on
// the left (scripts/pictures.sh does both).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace test_support {

constexpr int kPictureW = 640;
constexpr int kPictureH = 480;

// FNV-1a of the picture's bytes, as 16 hex digits.
inline std::string picture_hash(const std::vector<uint8_t>& rgb)
{
    uint64_t h = 1469598103934665603ULL;
    for (uint8_t b : rgb) {
        h = (h ^ b) * 1099511628211ULL;
    }
    char text[17];
    snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// The kept hashes, by screen.
inline std::map<std::string, std::string> golden_hashes()
{
    std::map<std::string, std::string> expected;
    std::ifstream in(std::string(TAILGATE_SOURCE_DIR) + "/tests/data/pictures.txt");
    for (std::string line; std::getline(in, line);) {
        const size_t bar = line.find(" | ");
        if (!line.starts_with("#") && bar != std::string::npos) {
            expected[line.substr(bar + 3)] = line.substr(0, bar);
        }
    }
    return expected;
}

inline std::string golden_file(const std::string& dir, const std::string& screen)
{
    std::string name = screen;
    for (char& c : name) {
        c = c == ' ' ? '_' : c;
    }
    return dir + "/" + name + ".png";
}

// Writes the picture of `screen` for review when TAILGATE_PICTURES asks.
inline void keep_picture(const std::string& screen, const std::vector<uint8_t>& rgb)
{
    const char* dir = getenv("TAILGATE_PICTURES");
    if (dir == nullptr) {
        return;
    }
    const char* old_dir = getenv("TAILGATE_PICTURES_OLD");
    if (old_dir == nullptr) {
        plat_write_png(golden_file(dir, screen).c_str(), rgb.data(), kPictureW, kPictureH);
        return;
    }
    std::vector<uint8_t> old;
    int w = 0, h = 0;
    if (!plat_read_png(golden_file(old_dir, screen).c_str(), &old, &w, &h) || w != kPictureW || h != kPictureH) {
        old.assign(rgb.size(), 0);
    }
    const size_t row = static_cast<size_t>(kPictureW) * 3;
    std::vector<uint8_t> both(2 * row * kPictureH);
    for (size_t y = 0; y < kPictureH; y++) {
        std::copy_n(&rgb[y * row], row, &both[2 * y * row]);
        std::copy_n(&old[y * row], row, &both[(2 * y + 1) * row]);
    }
    plat_write_png(golden_file(dir, screen).c_str(), both.data(), 2 * kPictureW, kPictureH);
}

// Adds "hash | screen" lines to DIR/pictures.txt when TAILGATE_PICTURES asks.
inline void keep_hashes(const std::string& table)
{
    if (const char* dir = getenv("TAILGATE_PICTURES")) {
        std::ofstream(std::string(dir) + "/pictures.txt", std::ios::app) << table;
    }
}

}  // namespace test_support
