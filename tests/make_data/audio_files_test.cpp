// The generated sounds and music, read back through the game's parsers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "audio/audio.h"
#include "data_files.h"
#include "platform/audio_midi.h"

TEST(GeneratedSounds, AreEightBitMonoPcmAtTheGameRateAndSuitTheirUse)
{
    std::map<std::string, double> seconds;
    for (const char* name : kSounds) {
        std::vector<uint8_t> b = read_bytes(data_path(name));
        WavInfo info{};
        ASSERT_EQ(snd_parse_wav(b.data(), b.size(), &info), 1) << name;
        // Plain layout: a 16-byte format chunk, then data.
        EXPECT_EQ(info.data_offset, 44u) << name;
        EXPECT_EQ(le(b, 4), b.size() - 8) << name;
        EXPECT_EQ((std::vector<int>{info.format_tag, info.channels, info.samples_per_sec, info.bits_per_sample,
                                    int(le(b, 28))}),
                  (std::vector<int>{1, 1, 11025, 8, 11025})) << name << ": PCM, mono, rate, bits, bytes a second";
        // All at one loudness: the RMS of the loudest 0.4 s about -12 dBFS.
        const uint32_t window = std::min<uint32_t>(info.data_size, 4410);
        double loudest = 0.0;
        for (uint32_t at = 0; at + window <= info.data_size; at += window / 4) {
            double sum = 0.0;
            for (uint32_t i = at; i < at + window; ++i) {
                sum += std::pow((b[info.data_offset + i] - 128) / 128.0, 2);
            }
            loudest = std::max(loudest, std::sqrt(sum / window));
        }
        EXPECT_NEAR(20.0 * std::log10(loudest), -12.5, 1.5) << name;
        // Starts and ends near silence, so it never clicks.
        EXPECT_LE(std::abs((int)b[info.data_offset] - 128), 6) << name;
        EXPECT_LE(std::abs((int)b[info.data_offset + info.data_size - 1] - 128), 6) << name;
        seconds[name] = info.data_size / 11025.0;
    }
    // Short effects; narrations a real reading, finished before the page stops rolling.
    const std::map<std::string, std::pair<double, double>> bounds = {
        {"beep1.WAV", {0.0, 0.2}},   {"cannon.WAV", {0.1, 0.4}},  {"horn.WAV", {0.4, 4}},   {"car.WAV", {0.4, 4}},
        {"exp.WAV", {0.4, 4}},       {"monster.WAV", {0.4, 4}},   {"brake.WAV", {0.4, 4}},  {"yeehaw.WAV", {0.4, 4}},
        {"tenfour.WAV", {1, 6}},     {"story1.WAV", {10, 40}},    {"story2.WAV", {10, 40}}, {"story3.WAV", {10, 40}},
        {"story4.WAV", {10, 40}}};
    for (const auto& [name, range] : bounds) {
        EXPECT_GT(seconds[name], range.first) << name;
        EXPECT_LT(seconds[name], range.second) << name;
    }
}

// Format 1 General MIDI, drums on channel 10, one to two minutes long, and
// in nine styles: no two pieces share their instruments and note density.
TEST(GeneratedMusic, AreFormatOneGeneralMidiWithDrumsOneToTwoMinutesLongEachItsOwn)
{
    std::set<std::vector<int>> signatures;
    for (const char* name : kMusic) {
        std::vector<uint8_t> b = read_bytes(data_path(name));
        ASSERT_GE(b.size(), 22u) << name;
        EXPECT_EQ(be(b, 4), 6u) << name;
        EXPECT_EQ(be(b, 8, 2), 1) << name << ": format";
        int tracks = be(b, 10, 2);
        EXPECT_GE(tracks, 4) << name << ": conductor, melody, bass and drums at least";
        EXPECT_GT(be(b, 12, 2), 0) << name << ": ticks per quarter";
        EXPECT_EQ(be(b, 12, 2) & 0x8000, 0) << name << ": metrical time";
        // Every chunk after the header is a track, and they fill the file exactly.
        size_t pos = 14;
        int seen = 0;
        while (pos + 8 <= b.size()) {
            EXPECT_EQ(0, std::memcmp(b.data() + pos, "MTrk", 4)) << name << " chunk " << seen;
            pos += 8 + be(b, pos + 4);
            ++seen;
        }
        EXPECT_EQ(pos, b.size()) << name;
        EXPECT_EQ(seen, tracks) << name;

        PlatMusic music;
        ASSERT_TRUE(midi_parse(b.data(), b.size(), &music)) << name;
        std::set<int> programmed, sounding;
        std::vector<int> signature;  // the programs in order, then the notes a second
        int notes = 0;
        for (const MidiEvent& e : music.events) {
            int kind = e.status & 0xF0, channel = e.status & 0x0F;
            if (kind == 0xC0) {
                programmed.insert(channel);
                signature.push_back(e.data1);
            }
            if (kind == 0x90 && e.data2 > 0) {
                sounding.insert(channel);
                ++notes;
            }
        }
        signature.push_back(notes * 1000 / (int)std::max<uint32_t>(1, music.length_ms / 1000));
        EXPECT_TRUE(signatures.insert(signature).second) << name << " duplicates another piece";
        EXPECT_TRUE(sounding.count(9)) << name << " has no drums on channel 10";
        for (int ch : sounding) {
            if (ch != 9) {
                EXPECT_TRUE(programmed.count(ch)) << name << ": channel " << ch + 1 << " plays without an instrument";
            }
        }
        EXPECT_GE(sounding.size(), 4u) << name;
        EXPECT_GE(music.length_ms, 60000u) << name;
        EXPECT_LE(music.length_ms, 120000u) << name;
    }
}
