// The sound bank: WAV loading (well-formed and damaged files), and the
// play-position rules of the four slot operations as the silent output
// keeps time pass by pass.
#include "audio_files.h"

using namespace audio_test;

namespace {

using SoundBank = AudioTest;

TEST(SoundOutput, WithoutADeviceSaysSoOnceAndKeepsTimeSilently)
{
    setenv("SDL_AUDIODRIVER", "tailgate-no-such-driver", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(snd_init(), 1);
    EXPECT_EQ(snd_init(), 1);  // a second start-up keeps the device
    std::string said = testing::internal::GetCapturedStderr();
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(plat_audio_mode(), PLAT_AUDIO_SILENT);
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    shut_down_audio();
    EXPECT_EQ(sound_device, 0u);
}

// Loaded files record their rate and size (-1: refused); size fields never
// lead outside the file.
TEST_F(SoundBank, FilesLoadWhateverTheirLayoutAndDamageIsRefused)
{
    const std::string body = FMT + chunk("data", bytes_of(100, 60), 120), whole = wav(bytes_of(20, 1));
    const struct { std::string file; int size, rate; } cases[] = {
        {wav(bytes_of(1000, 200)), 1000, 11025},
        // 16-bit stereo 22050 Hz: accepted; its bytes play as 8-bit mono.
        {riff(chunk("fmt ", fmt_fields(1, 2, 22050, 16)) + chunk("data", bytes_of(4000, 7))), 4000, 22050},
        // An 18-byte format chunk, and an odd-sized chunk whose pad byte the walk skips.
        {riff(chunk("fmt ", fmt_fields(1, 1, 8000, 8) + le(0, 2)) + chunk("LIST", "abc") + chunk("data", "0123")), 4,
         8000},
        // Shorter than 16 bytes: 18 bytes are read from its start whatever its size.
        {riff(chunk("fmt ", fmt_fields(1, 1, 22050, 8).substr(0, 14)) + chunk("data", bytes_of(50, 9))), 50, 22050},
        // A data chunk that claims more than the file holds plays what is
        // there, also when the RIFF chunk claims more too; a RIFF chunk that
        // claims less ends the walk there.
        {riff(body), 100, 11025},
        {riff(body, body.size() + 12), 100, 11025},
        {riff(FMT + chunk("data", bytes_of(100, 60)), 4 + FMT.size() + 8 + 30), 30, 11025},
        {riff(chunk("fmt ", fmt_fields(2, 1, 11025, 4)) + chunk("data", bytes_of(64, 0))), -1, 0},  // ADPCM
        {riff(FMT), -1, 0},  // ends right after a 16-byte format chunk
        {riff(FMT + chunk("junk", bytes_of(20, 0))), -1, 0},
        {riff(FMT + chunk("data", "")), -1, 0},
        {"RIFF" + le(30, 4) + "AVI " + FMT, -1, 0},
        {"", -1, 0},
        {whole.substr(0, 20), -1, 0},
        {whole.substr(0, 43), -1, 0},
        // Sizes larger than the whole file (144 bytes) are damage: refused, never allocated.
        {riff(FMT + chunk("data", bytes_of(100, 60), 145)), -1, 0},
        {riff(FMT + chunk("data", bytes_of(100, 60), 0xFFFFFFF0u)), -1, 0},
        {riff(FMT + chunk("data", bytes_of(100, 60)), 0x7FFFFFFF), -1, 0},
        {riff(chunk("fmt ", fmt_fields(1, 1, 11025, 8), 0x10000000) + chunk("data", "ab")), -1, 0},
        {riff(FMT + chunk("LIST", "xx", 60) + chunk("data", bytes_of(9, 1))), -1, 0},  // runs off the end
    };
    int next = 0;
    for (const auto& c : cases) {
        int id = load_wav(c.file);
        ASSERT_EQ(id, c.size < 0 ? -1 : next) << "case " << &c - cases;
        if (id >= 0) {
            EXPECT_EQ(sound_slots[next++].state, SOUND_LOADED);
            EXPECT_EQ(std::pair(sound_slots[id].data_size, sound_slots[id].file_rate), std::pair(c.size, c.rate)) << id;
        }
    }
    for (const char* name : {"no such file.WAV", ".", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(snd_load_wav(name, 0), -1);
    }
    EXPECT_EQ(sound_slots[next].state, SOUND_FREE);
    EXPECT_EQ(sound_slots[next].buffer, nullptr);
}

TEST_F(SoundBank, PlayPositionFollowsTheFourOperations)
{
    // 1000 samples: a pass moves 363.825 of them (fractions kept: two make
    // 727, not 726), so the sound ends in the third. Each step: operations
    // (play, stop, rewind), passes, then the position and the state.
    const struct { const char* ops; int passes; uint32_t at; bool playing; } steps[] = {
        {"", 5, 0, false},  // not playing before the first play; a stopped sound does not move
        {"p", 2, 727, true}, {"", 1, 0, false},  // played to its end, back at the start
        {"p", 2, 727, true}, {"s", 3, 727, false},  // stop keeps the position
        {"p", 1, 0, false},  // play goes on from it: 727 + 363 passed the end
        {"p", 2, 727, true}, {"srp", 2, 727, true},  // stop, rewind, play starts over
        {"p", 0, 727, true},    // play on a playing sound does not restart it
        {"r", 2, 727, true},    // rewind restarts it at once
    };
    int id = load_wav(wav(bytes_of(1000, 200)));
    for (const auto& step : steps) {
        for (const char* op = step.ops; *op; ++op) {
            *op == 'p' ? snd_play(id) : *op == 's' ? snd_stop(id) : snd_rewind(id);
        }
        EXPECT_EQ(passes(step.passes, id), step.at) << &step - steps;
        EXPECT_EQ(snd_is_playing(id), step.playing) << &step - steps;
    }

    // Operations on missing sounds leave it alone; after shutdown every id is silent.
    for (int bad : {-1, 1, 255, 256, 1 << 30}) {
        snd_play(bad);
        snd_stop(bad);
        snd_rewind(bad);
        EXPECT_FALSE(snd_is_playing(bad)) << bad;
    }
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_EQ(position(id), 727u);
    shut_down_audio();
    snd_play(id);
    EXPECT_FALSE(snd_is_playing(id));
}

}  // namespace
