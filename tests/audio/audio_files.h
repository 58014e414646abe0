// Small WAV and MIDI files made on the spot, and a scratch directory per test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/audio.h"
#include "platform/audio.h"

namespace audio_test {

inline std::string le32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) {
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return s;
}

inline std::string le16(uint32_t v)
{
    return le32(v).substr(0, 2);
}

inline std::string be32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) {
        s[i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    }
    return s;
}

inline std::string be16(uint32_t v)
{
    return be32(v).substr(2, 2);
}

// A chunk whose size field says `claimed` (the true size unless given),
// padded to an even length when the payload is odd.
inline std::string chunk(const std::string& id, const std::string& payload, int64_t claimed = -1)
{
    uint32_t size = claimed < 0 ? static_cast<uint32_t>(payload.size()) : static_cast<uint32_t>(claimed);
    std::string s = id + le32(size) + payload;
    if (payload.size() % 2 == 1 && claimed < 0) {
        s += '\0';
    }
    return s;
}

inline std::string riff(const std::string& body, int64_t claimed = -1)
{
    uint32_t size = claimed < 0 ? static_cast<uint32_t>(body.size() + 4) : static_cast<uint32_t>(claimed);
    return "RIFF" + le32(size) + "WAVE" + body;
}

// The 16 bytes of a PCM format chunk's fields.
inline std::string format_fields(int tag, int channels, int rate, int bits)
{
    int block = channels * bits / 8;
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * block) + le16(block) + le16(bits);
}

inline std::string samples(size_t count, uint8_t value)
{
    return std::string(count, static_cast<char>(value));
}

// A plain 8-bit mono 11025 Hz PCM file.
inline std::string wav(const std::string& data)
{
    return riff(chunk("fmt ", format_fields(1, 1, 11025, 8)) + chunk("data", data));
}

// A MIDI file: header plus the given track bodies (each wrapped in MTrk).
inline std::string midi(int format, int division, std::initializer_list<std::string> tracks)
{
    std::string s = "MThd" + be32(6) + be16(format) + be16(static_cast<uint32_t>(tracks.size())) + be16(division);
    for (const std::string& t : tracks) {
        s += "MTrk" + be32(static_cast<uint32_t>(t.size())) + t;
    }
    return s;
}

inline std::string vlq(uint32_t v)
{
    std::string s(1, static_cast<char>(v & 0x7F));
    while ((v >>= 7) != 0) {
        s.insert(s.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    }
    return s;
}

inline std::string ev(uint32_t delta, std::initializer_list<int> bytes)
{
    std::string s = vlq(delta);
    for (int b : bytes) {
        s += static_cast<char>(b);
    }
    return s;
}

inline std::string tempo(uint32_t delta, uint32_t us_per_quarter)
{
    return ev(delta, {0xFF, 0x51, 0x03, int(us_per_quarter >> 16) & 0xFF, int(us_per_quarter >> 8) & 0xFF,
                      int(us_per_quarter) & 0xFF});
}

inline std::string end_of_track(uint32_t delta)
{
    return ev(delta, {0xFF, 0x2F, 0x00});
}

// A piece that plays `notes` piano notes of `ticks` each (480 per quarter,
// 120 beats per minute: 480 ticks = 0.5 s).
inline std::string tune(int notes, uint32_t ticks)
{
    std::string t = ev(0, {0xC0, 0});
    for (int i = 0; i < notes; ++i) {
        t += ev(0, {0x90, 60 + (i % 12), 100}) + ev(ticks, {0x80, 60 + (i % 12), 0});
    }
    t += end_of_track(0);
    return midi(0, 480, {t});
}

// A fresh directory per test; the working directory moves into it and back.
struct ScratchDir {
    std::filesystem::path path;
    std::filesystem::path previous;

    ScratchDir()
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tailgate_audio_") + info->test_suite_name() + "_" + info->name() + "_" +
                           std::to_string(getpid());
        path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    void write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(path / name, std::ios::binary);
        out << bytes;
    }
};

// Makes sure no sound card is found, so that the silent output keeps time
// exactly by frame-loop passes.
inline void force_silent_output()
{
    setenv("SDL_AUDIODRIVER", "tailgate-no-such-driver", 1);
}

// Releases everything between tests that share one process.
inline void shut_down_audio()
{
    mus_shutdown();
    snd_shutdown();
    plat_audio_close();
}

}  // namespace audio_test
