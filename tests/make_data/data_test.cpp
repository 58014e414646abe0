// The data generator: complete, deterministic and sane on a bad command
// line; and its data read back through the game's own parsers: sounds,
// music and pictures in the shapes the game needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "audio/audio.h"
#include "platform/audio_midi.h"
#include "support/run.h"

inline const char* const kFullScreenImages[7] = {
    "background.bmp", "titlescreen.bmp", "Mainmenu.bmp", "Credits.bmp", "Controls.bmp", "HiScore.bmp", "storyback.bmp",
};
inline const char* const kSheets[3] = {"truck.bmp", "cars2.bmp", "monster.bmp"};
inline const char* const kSounds[13] = {
    "horn.WAV",   "car.WAV",   "exp.WAV",   "tenfour.WAV", "story1.WAV", "monster.WAV", "yeehaw.WAV",
    "cannon.WAV", "brake.WAV", "beep1.WAV", "story2.WAV",  "story3.WAV", "story4.WAV",
};
inline const char* const kMusic[11] = {
    "A.MID", "B.MID", "C.MID", "D.MID", "E.MID", "F.MID", "G.MID", "H.MID", "I.MID", "Battle.MID", "monsterfight.MID",
};

inline std::string data_path(const std::string& name)
{
    return std::string(TAILGATE_DATA_DIR) + "/" + name;
}

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
                  (std::vector<int>{1, 1, 11025, 8, 11025}))
            << name << ": PCM, mono, rate, bits, bytes a second";
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
        {"beep1.WAV", {0.0, 0.2}}, {"cannon.WAV", {0.1, 0.4}}, {"horn.WAV", {0.4, 4}},   {"car.WAV", {0.4, 4}},
        {"exp.WAV", {0.4, 4}},     {"monster.WAV", {0.4, 4}},  {"brake.WAV", {0.4, 4}},  {"yeehaw.WAV", {0.4, 4}},
        {"tenfour.WAV", {1, 6}},   {"story1.WAV", {10, 40}},   {"story2.WAV", {10, 40}}, {"story3.WAV", {10, 40}},
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
        // Format 1, at least a conductor, melody, bass and drums, metrical time.
        ASSERT_GE(b.size(), 14u) << name;
        EXPECT_TRUE(be(b, 8, 2) == 1 && be(b, 10, 2) >= 4 && be(b, 12, 2) > 0 && be(b, 12, 2) < 0x8000) << name;
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
            EXPECT_TRUE(ch == 9 || programmed.count(ch)) << name << ": channel " << ch + 1 << " has no instrument";
        }
        EXPECT_GE(sounding.size(), 4u) << name;
        EXPECT_TRUE(music.length_ms >= 60000u && music.length_ms <= 120000u) << name << ": " << music.length_ms;
    }
}

namespace fs = std::filesystem;

namespace {

int run(const std::string& args)
{
    return test_support::run_status(TAILGATE_BINARY_DIR "/tools/make_data/make_data " + args + " >/dev/null 2>&1");
}

// A fresh path in the build tree, removed when the test ends.
struct Scratch {
    fs::path path;
    explicit Scratch(const char* tag)
        : path(fs::path(TAILGATE_BINARY_DIR) / ("make_data_test_" + std::string(tag) + std::to_string(getpid())))
    {
        fs::remove_all(path);
    }
    ~Scratch() { fs::remove_all(path); }
    std::string arg() const { return "'" + path.string() + "'"; }
};

}  // namespace

TEST(Generator, WritesExactlyTheGameFilesTheSameBytesEveryRun)
{
    std::set<std::string> expected(std::begin(kFullScreenImages), std::end(kFullScreenImages));
    expected.insert(std::begin(kSheets), std::end(kSheets));
    expected.insert(std::begin(kSounds), std::end(kSounds));
    expected.insert(std::begin(kMusic), std::end(kMusic));
    ASSERT_EQ(expected.size(), 34u);  // and no high-score file
    Scratch a("a"), b("b");
    ASSERT_EQ(run(a.arg()), 0);
    ASSERT_EQ(run(b.arg()), 0);
    std::set<std::string> written;
    for (const fs::directory_entry& e : fs::directory_iterator(a.path)) {
        written.insert(e.path().filename().string());
    }
    ASSERT_EQ(written, expected);
    for (const std::string& n : expected) {
        std::vector<uint8_t> first = read_bytes((a.path / n).string());
        EXPECT_FALSE(first.empty()) << n;
        EXPECT_TRUE(first == read_bytes((b.path / n).string())) << n << " differs between two runs";
#if !TAILGATE_DATA_COPIED
        EXPECT_TRUE(first == read_bytes(data_path(n))) << n << " differs from the build's data";
#endif
    }
}

TEST(Generator, RefusesABadCommandLineAndAnUnwritableDirectory)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("a b"), 2);
    EXPECT_EQ(run("''"), 2);
    // A plain file where the directory should be: a clear failure, no crash.
    Scratch blocker("blocker");
    std::ofstream(blocker.path) << "x";
    int rc = run("'" + (blocker.path / "sub").string() + "'");
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, -1) << "the generator crashed";
}
