// Small WAV and MIDI files made on the spot, a scratch directory per test,
// and the fixture that starts the sound bank and the music player.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/audio.h"
#include "platform/headless.h"
#include "support/run.h"

namespace audio_test {

// Little- and big-endian integers of `bytes` bytes.
inline std::string le(uint32_t v, int bytes) { return bytes ? char(v & 0xFF) + le(v >> 8, bytes - 1) : ""; }
inline std::string be(uint32_t v, int bytes) { return bytes ? be(v >> 8, bytes - 1) + char(v & 0xFF) : ""; }
inline std::string bytes_of(size_t count, int value) { return std::string(count, char(value)); }

// A chunk whose size field says `claimed` (the true size unless given),
// padded to an even length when the payload is odd.
inline std::string chunk(const std::string& id, const std::string& payload, int64_t claimed = -1)
{
    std::string s = id + le(claimed < 0 ? payload.size() : uint32_t(claimed), 4) + payload;
    return payload.size() % 2 == 1 && claimed < 0 ? s + '\0' : s;
}
inline std::string riff(const std::string& body, int64_t claimed = -1)
{
    return "RIFF" + le(claimed < 0 ? body.size() + 4 : uint32_t(claimed), 4) + "WAVE" + body;
}
// The 16 bytes of a PCM format chunk's fields.
inline std::string fmt_fields(int tag, int channels, int rate, int bits)
{
    int block = channels * bits / 8;
    return le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * block, 4) + le(block, 2) + le(bits, 2);
}
inline const std::string FMT = chunk("fmt ", fmt_fields(1, 1, 11025, 8));
// A plain 8-bit mono 11025 Hz PCM file.
inline std::string wav(const std::string& data) { return riff(FMT + chunk("data", data)); }

// A MIDI file: header plus the given track bodies (each wrapped in MTrk).
inline std::string midi(int format, int division, std::initializer_list<std::string> tracks)
{
    std::string s = "MThd" + be(6, 4) + be(format, 2) + be(tracks.size(), 2) + be(division, 2);
    for (const std::string& t : tracks) {
        s += "MTrk" + be(t.size(), 4) + t;
    }
    return s;
}
// One event: a delta time as a variable-length number, then its bytes.
inline std::string ev(uint32_t delta, std::initializer_list<int> bytes)
{
    std::string s(1, char(delta & 0x7F));
    while ((delta >>= 7) != 0) {
        s.insert(s.begin(), char(0x80 | (delta & 0x7F)));
    }
    for (int b : bytes) {
        s += char(b);
    }
    return s;
}
inline std::string tempo(uint32_t delta, uint32_t us)
{
    return ev(delta, {0xFF, 0x51, 3, int(us >> 16), int(us >> 8) & 255, int(us) & 255});
}
inline std::string end_of_track(uint32_t delta) { return ev(delta, {0xFF, 0x2F, 0x00}); }
// `notes` piano notes of `ticks` each, 480 ticks (0.5 s) to the quarter.
inline std::string tune(int notes, uint32_t ticks)
{
    std::string t = ev(0, {0xC0, 0});
    for (int i = 0; i < notes; ++i) {
        t += ev(0, {0x90, 60 + i % 12, 100}) + ev(ticks, {0x80, 60 + i % 12, 0});
    }
    return midi(0, 480, {t + end_of_track(0)});
}

using test_support::read_text;

// A fresh directory for the test; the working directory moves into it and back.
struct ScratchDir {
    std::filesystem::path previous = std::filesystem::current_path(), path;
    ScratchDir()
    {
        char name[] = "/tmp/tailgate_audio_XXXXXX";
        path = mkdtemp(name);
        std::filesystem::current_path(path);
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
    void write(const std::string& name, const std::string& bytes) const { test_support::write_text(path / name, bytes); }
};

// What the mixer makes of the next `frames` stereo frames.
inline std::vector<int16_t> mix(int frames)
{
    std::vector<int16_t> out(2 * frames, 12345);
    plat_audio_mix(out.data(), frames);
    return out;
}

inline void shut_down_audio()
{
    mus_shutdown();
    snd_shutdown();
    plat_audio_close();
}

// The bank and the player started as in a headless run: no device, the
// virtual clock at 1000. Subclasses pick another output in open_output().
class AudioTest : public ::testing::Test {
protected:
    ScratchDir dir;

    virtual void open_output() { headless_start(true, 1000); }
    void SetUp() override
    {
        open_output();
        testing::internal::CaptureStderr();
        ASSERT_EQ(snd_init(), 1);
        ASSERT_EQ(mus_init(), 1);
        testing::internal::GetCapturedStderr();
    }
    void TearDown() override
    {
        shut_down_audio();
        headless_start(false, 1000);
    }
    int load_wav(const std::string& bytes)
    {
        dir.write("t.WAV", bytes);
        return snd_load_wav("t.WAV", 0x40);
    }
    int load_midi(const std::string& bytes)
    {
        dir.write("t.MID", bytes);
        return mus_load_midi("t.MID");
    }
    static uint32_t position(int id) { return plat_sound_position(sound_slots[id].buffer); }
    static uint32_t passes(int count, int id)  // the sound's position after them
    {
        for (int i = 0; i < count; ++i) {
            plat_audio_end_pass();
        }
        return position(id);
    }
    static uint32_t length_ms(int id) { return plat_music_length_ms(music_slots[id].segment); }
};

}  // namespace audio_test
