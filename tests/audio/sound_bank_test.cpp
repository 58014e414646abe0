// The sound bank and the music player: WAV and MIDI loading (well-formed
// and damaged files), the play-position rules of the four slot operations as
// the silent output keeps time pass by pass, one current piece and its end by
// the virtual clock, a piece's length from its tracks and tempo map, the
// audio log, and the generated effects loaded in their order.
#include "audio_files.h"
#include "support/fields.h"

using namespace audio_test;

namespace {

using SoundBank = AudioTest;

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

using DefaultData = AudioTest;
using test_support::fields_are;

TEST_F(DefaultData, StartsQuietlyAndLoadsInOrder)
{
    test_support::GameRun run;
    ASSERT_EQ(run.run("--headless --data data --passes 3 --audio-log audio.log"), 0);
    EXPECT_EQ(run.text("audio.log"), "-1 mus_play 7\n");
    EXPECT_EQ(run.text("out.txt") + run.text("err.txt"), "");

    std::filesystem::current_path(run.data);
    snd_load_all();
    const int* ids[] = {&sfx_horn,   &sfx_car,    &sfx_explosion, &sfx_tenfour, &sfx_story1, &sfx_monster, &sfx_yeehaw,
                        &sfx_cannon, &sfx_brake,  &sfx_beep,      &sfx_story2,  &sfx_story3, &sfx_story4};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(*ids[i], i);
    }
    // A new start-up empties the bank; without "exp.WAV" that effect is -1
    // and the later ones move down a slot.
    std::filesystem::remove("exp.WAV");
    snd_init();
    EXPECT_EQ(sound_slots[12].buffer, nullptr);
    snd_load_all();
    EXPECT_TRUE(fields_are({FIELD(sfx_explosion, -1), FIELD(sfx_tenfour, 2), FIELD(sfx_story4, 11)}));

    std::filesystem::current_path(dir.path);
}


using Music = AudioTest;

TEST_F(Music, OnlyStandardMidiFilesLoad)
{
    std::string good = tune(2, 480), header = "MThd" + be(6, 4);
    for (const std::string& bad : {wav("abc"), std::string(), std::string("MThd"), good.substr(0, 13),
                                   "MThd" + be(0x7FFFFFFF, 4) + good.substr(8),  // header past the end
                                   "MThd" + be(4, 4) + good.substr(8),           // header too short
                                   header + be(0, 2) + be(1, 2) + be(0, 2),      // no time division
                                   header + be(7, 2) + be(1, 2) + be(480, 2),    // no such format
                                   header + be(0, 2) + be(1, 2) + be(0xE700, 2)}) {  // SMPTE without ticks
        EXPECT_EQ(load_midi(bad), -1) << testing::PrintToString(bad);
    }
    for (const char* name : {"no such file.MID", ".", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(mus_load_midi(name), -1);
    }
    EXPECT_EQ(music_slots[0].state, MUSIC_FREE);
    EXPECT_EQ(load_midi(good), 0);
    EXPECT_EQ(music_slots[0].state, MUSIC_LOADED);
    EXPECT_EQ(load_midi(good.substr(0, good.size() - 5)), 1);  // a track cut short keeps what it had
    EXPECT_EQ(load_midi(header + be(1, 2) + be(0, 2) + be(96, 2)), 2);  // no tracks: a silent piece
    mus_shutdown();  // loads need the started player
    EXPECT_EQ(load_midi(good), -1);
}

TEST_F(Music, OneCurrentPieceAndTheSlotStates)
{
    int a = load_midi(tune(8, 480)), b = load_midi(tune(8, 480));
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);  // loaded, never played
    EXPECT_EQ(mus_play(a), 1);
    EXPECT_EQ(music_slots[a].state, MUSIC_PLAYING);
    EXPECT_EQ(mus_play(b), 1);  // starting another stops the current one first
    EXPECT_EQ(music_current, b);
    EXPECT_EQ(music_slots[a].state, MUSIC_STOPPED);
    // Stopping a piece that is not current still clears music_current, and
    // leaves the one playing alone.
    EXPECT_EQ(mus_stop(a), 1);
    EXPECT_EQ(music_current, -1);
    EXPECT_EQ(mus_status(b), MUSIC_PLAYING);
    EXPECT_EQ(mus_stop(b), 1);
    EXPECT_EQ(mus_status(b), MUSIC_STOPPED);
    EXPECT_EQ(mus_play(b), 1);  // a stopped piece plays again
    EXPECT_EQ(mus_status(b), MUSIC_PLAYING);

    // Unloading empties every slot and leaves music_current naming a freed
    // one; operations on missing pieces return 0 and change nothing.
    EXPECT_EQ(mus_unload_all(), 1);
    EXPECT_EQ(music_slots[b].segment, nullptr);
    EXPECT_EQ(music_slots[b].state, MUSIC_FREE);
    for (int bad : {-1, a, b, 63, 64, 1 << 30}) {
        EXPECT_EQ(mus_play(bad) + mus_stop(bad) + mus_status(bad), 0) << bad;
    }
    EXPECT_EQ(music_current, b);
    int c = load_midi(tune(8, 480));  // the next piece loaded simply starts
    EXPECT_EQ(mus_play(c), 1);
    EXPECT_EQ(music_current, c);
    EXPECT_EQ(mus_status(c), MUSIC_PLAYING);
}

TEST_F(Music, WithoutADeviceAPieceEndsWhenTheVirtualClockRunsPastIt)
{
    int a = load_midi(tune(2, 480));
    ASSERT_EQ(length_ms(a), 1000u);
    headless_start(true, 5000);
    mus_play(a);
    headless_start(true, 6000);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
    headless_start(true, 6001);
    EXPECT_EQ(music_slots[a].state, MUSIC_PLAYING);  // kept until asked
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);
    EXPECT_EQ(music_slots[a].state, MUSIC_STOPPED);
    EXPECT_EQ(music_current, a);  // it ended by itself: still the current one
    mus_play(a);                  // starts it over from the new tick
    headless_start(true, 7001);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
}

TEST_F(Music, EveryPlayStopAndRewindIsLoggedInCallOrder)
{
    std::string log_path = (dir.path / "audio.log").string();
    ASSERT_EQ(headless_open_audio_log(log_path.c_str()), 1);
    int a = load_midi(tune(8, 480)), s = load_wav(wav(bytes_of(100, 1)));
    mus_play(a);
    mus_play(a);  // the current one: stopped first, from inside mus_play
    mus_status(a);
    mus_stop(-1);
    snd_play(s);
    snd_is_playing(s);
    snd_rewind(s);
    snd_stop(-1);
    headless_close_audio_log();
    EXPECT_EQ(read_text(log_path), "-1 mus_play 0\n-1 mus_play 0\n-1 mus_stop 0\n-1 mus_stop -1\n"
                                   "-1 snd_play 0\n-1 snd_rewind 0\n-1 snd_stop -1\n");
}

TEST_F(Music, LengthFollowsTheTempoMapAcrossTracks)
{
    // Track 0: 120 bpm, then 240 bpm from tick 960. Track 1 ends last, at
    // tick 1920: 1 s at the first tempo, 0.5 s at the second.
    std::string notes = ev(0, {0x90, 60, 100}) + ev(1920, {0x80, 60, 0}) + end_of_track(0);
    EXPECT_EQ(length_ms(load_midi(midi(1, 480, {tempo(0, 500000) + tempo(960, 250000) + end_of_track(0), notes}))),
              1500u);
    // A tempo change in any track; the last event of any kind (here the end
    // of the track) sets the length.
    std::string late = ev(0, {0x90, 60, 100}) + tempo(480, 1000000) + ev(480, {0x80, 60, 0}) + end_of_track(480);
    EXPECT_EQ(length_ms(load_midi(midi(0, 480, {late}))), 2500u);
    // Running status and a system exclusive event in between.
    std::string running = ev(0, {0x90, 60, 100}) + ev(240, {62, 100}) + ev(240, {60, 0}) + ev(240, {62, 0}) +
                          ev(240, {0xF0, 0x02, 0x7E, 0xF7}) + end_of_track(0);
    EXPECT_EQ(length_ms(load_midi(midi(0, 480, {running}))), 1000u);
    // SMPTE time: 25 frames of 40 ticks, 1000 ticks a second.
    EXPECT_EQ(length_ms(load_midi(midi(0, 0xE728, {notes}))), 1920u);
}

}  // namespace
