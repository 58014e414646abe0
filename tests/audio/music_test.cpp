// The music player: loading standard MIDI files (and refusing others), one
// current piece and the slot states, the end of a piece by the virtual
// clock, a piece's length from its tracks and tempo map, and the audio log.
#include "audio_files.h"

using namespace audio_test;

namespace {

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
    plat_use_backend(PLAT_HEADLESS, 5000);
    mus_play(a);
    plat_use_backend(PLAT_HEADLESS, 6000);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
    plat_use_backend(PLAT_HEADLESS, 6001);
    EXPECT_EQ(music_slots[a].state, MUSIC_PLAYING);  // kept until asked
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);
    EXPECT_EQ(music_slots[a].state, MUSIC_STOPPED);
    EXPECT_EQ(music_current, a);  // it ended by itself: still the current one
    mus_play(a);                  // starts it over from the new tick
    plat_use_backend(PLAT_HEADLESS, 7001);
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
