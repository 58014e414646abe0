// The music player: loading standard MIDI files (and refusing others), the
// slot table and its states, one current piece, the end of a piece, and the
// length of a piece worked out from its tracks and tempo map.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio.h"
#include "audio_files.h"
#include "platform/audio.h"
#include "platform/platform.h"

using namespace audio_test;

namespace {

class Music : public ::testing::Test {
protected:
    ScratchDir dir;

    void SetUp() override
    {
        force_silent_output();
        testing::internal::CaptureStderr();
        snd_init();
        ASSERT_EQ(mus_init(), 1);
        testing::internal::GetCapturedStderr();
    }
    void TearDown() override { shut_down_audio(); }

    int load(const std::string& bytes, const char* name = "test.MID")
    {
        dir.write(name, bytes);
        return mus_load_midi(name);
    }
    static uint32_t length_ms(int id) { return plat_music_length_ms(music_slots[id].segment); }
};

// A piece rendered by hand, so that its time passes exactly as frames are mixed.
class MusicMixed : public Music {
protected:
    void SetUp() override
    {
        shut_down_audio();
        plat_audio_open_offline();
        testing::internal::CaptureStderr();
        snd_init();
        ASSERT_EQ(mus_init(), 1);
        testing::internal::GetCapturedStderr();
    }
    static void mix_ms(int ms)
    {
        std::vector<int16_t> out(2 * PLAT_AUDIO_RATE / 1000 * ms);
        plat_audio_mix(out.data(), static_cast<int>(out.size() / 2));
    }
};

TEST(MusicPlayer, LoadsNeedTheInitialisedPlayer)
{
    ScratchDir dir;
    dir.write("a.MID", tune(1, 480));
    EXPECT_EQ(mus_load_midi("a.MID"), -1);
    force_silent_output();
    testing::internal::CaptureStderr();
    snd_init();
    mus_init();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(mus_load_midi("a.MID"), 0);
    mus_shutdown();
    EXPECT_EQ(music_slots[0].state, MUSIC_FREE);
    EXPECT_EQ(mus_load_midi("a.MID"), -1);
    shut_down_audio();
}

TEST_F(Music, OnlyStandardMidiFilesLoad)
{
    std::string good = tune(2, 480);
    EXPECT_EQ(load(wav(samples(100, 128))), -1);
    EXPECT_EQ(load(""), -1);
    EXPECT_EQ(load("MThd"), -1);
    EXPECT_EQ(load(good.substr(0, 13)), -1);                                    // header cut short
    EXPECT_EQ(load("MThd" + be32(0x7FFFFFFF) + good.substr(8)), -1);           // header longer than the file
    EXPECT_EQ(load("MThd" + be32(4) + good.substr(8)), -1);                    // header too short
    EXPECT_EQ(load("MThd" + be32(6) + be16(0) + be16(1) + be16(0)), -1);       // no time division
    EXPECT_EQ(load("MThd" + be32(6) + be16(7) + be16(1) + be16(480)), -1);     // no such format
    EXPECT_EQ(load("MThd" + be32(6) + be16(0) + be16(1) + be16(0xE700)), -1);  // SMPTE without ticks
    EXPECT_EQ(mus_load_midi("no such file.MID"), -1);
    EXPECT_EQ(mus_load_midi("."), -1);
    EXPECT_EQ(mus_load_midi(nullptr), -1);
    EXPECT_EQ(music_slots[0].state, MUSIC_FREE);
    EXPECT_EQ(music_slots[0].segment, nullptr);

    EXPECT_EQ(load(good), 0);
    EXPECT_EQ(music_slots[0].state, MUSIC_LOADED);
    // A track cut short keeps what it had; it is still a MIDI file.
    EXPECT_EQ(load(good.substr(0, good.size() - 5)), 1);
    // A header with no tracks at all is a silent piece.
    EXPECT_EQ(load("MThd" + be32(6) + be16(1) + be16(0) + be16(96)), 2);
    EXPECT_EQ(length_ms(2), 0u);
}

TEST_F(Music, TheElevenPiecesTakeTheirLoadOrderAndTheTableHolds64)
{
    const char* names[] = {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID", "F.MID",
                           "G.MID", "H.MID", "I.MID", "Battle.MID", "monsterfight.MID"};
    for (const char* name : names) {
        dir.write(name, tune(1, 96));
    }
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(mus_load_midi(names[i]), i) << names[i];
    }
    for (int i = 11; i < MUSIC_SLOT_COUNT; ++i) {
        ASSERT_EQ(mus_load_midi("A.MID"), i);
    }
    EXPECT_EQ(mus_load_midi("A.MID"), -1);  // the 65th
    for (int i = 0; i < MUSIC_SLOT_COUNT; ++i) {
        EXPECT_EQ(music_slots[i].state, MUSIC_LOADED);
        EXPECT_EQ(music_slots[i].id, i);
    }
}

TEST_F(Music, OneCurrentPieceAndTheSlotStates)
{
    int a = load(tune(8, 480), "a.MID");
    int b = load(tune(8, 480), "b.MID");
    ASSERT_EQ(a, 0);
    ASSERT_EQ(b, 1);
    EXPECT_EQ(music_current, -1);
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);  // loaded, never played

    EXPECT_EQ(mus_play(a), 1);
    EXPECT_EQ(music_current, a);
    EXPECT_EQ(music_slots[a].state, MUSIC_PLAYING);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);

    // Starting another stops the current one first.
    EXPECT_EQ(mus_play(b), 1);
    EXPECT_EQ(music_current, b);
    EXPECT_EQ(music_slots[a].state, MUSIC_STOPPED);
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);
    EXPECT_EQ(mus_status(b), MUSIC_PLAYING);

    // Stopping a piece that is not current still clears music_current, and
    // leaves the one playing alone.
    EXPECT_EQ(mus_stop(a), 1);
    EXPECT_EQ(music_current, -1);
    EXPECT_EQ(mus_status(b), MUSIC_PLAYING);
    EXPECT_EQ(mus_stop(b), 1);
    EXPECT_EQ(mus_status(b), MUSIC_STOPPED);
    EXPECT_EQ(music_slots[b].state, MUSIC_STOPPED);

    // A stopped piece plays again.
    EXPECT_EQ(mus_play(b), 1);
    EXPECT_EQ(mus_status(b), MUSIC_PLAYING);
}

TEST_F(Music, OperationsOnMissingPiecesReturnZeroAndChangeNothing)
{
    int a = load(tune(8, 480));
    ASSERT_EQ(mus_play(a), 1);
    for (int bad : {-1, 1, 63, 64, -100, 1 << 30}) {
        EXPECT_EQ(mus_play(bad), 0) << bad;
        EXPECT_EQ(mus_stop(bad), 0) << bad;
        EXPECT_EQ(mus_status(bad), 0) << bad;
        EXPECT_EQ(music_current, a);
        EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
    }
}

TEST_F(Music, UnloadingEmptiesTheSlotsButLeavesMusicCurrent)
{
    int a = load(tune(8, 480));
    int b = load(tune(8, 480));
    mus_play(b);
    EXPECT_EQ(mus_unload_all(), 1);
    for (int i = 0; i < MUSIC_SLOT_COUNT; ++i) {
        EXPECT_EQ(music_slots[i].state, MUSIC_FREE);
        EXPECT_EQ(music_slots[i].segment, nullptr);
        EXPECT_EQ(music_slots[i].id, i);
    }
    EXPECT_EQ(music_current, b);  // names a freed slot now
    EXPECT_EQ(mus_play(a), 0);
    EXPECT_EQ(mus_stop(b), 0);
    EXPECT_EQ(mus_status(b), 0);
    EXPECT_EQ(music_current, b);

    // The next piece loaded into a freed slot simply starts.
    int c = load(tune(8, 480));
    EXPECT_EQ(c, 0);
    EXPECT_EQ(mus_play(c), 1);
    EXPECT_EQ(music_current, c);
    EXPECT_EQ(mus_status(c), MUSIC_PLAYING);
}

TEST_F(Music, WithoutADeviceAPieceEndsByTheTickClock)
{
    int a = load(tune(1, 48));  // 50 ms
    ASSERT_EQ(length_ms(a), 50u);
    uint32_t start = plat_get_tick_count();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (plat_get_tick_count() == start) {
        GTEST_SKIP() << "the tick clock does not run in this build";
    }
    mus_play(a);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
    for (int i = 0; i < 200 && mus_status(a) == MUSIC_PLAYING; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);
    EXPECT_EQ(music_slots[a].state, MUSIC_STOPPED);
}

TEST_F(Music, LengthFollowsTheTempoMapAcrossTracks)
{
    // Track 0: tempo 120 bpm, then 240 bpm from tick 960. Track 1 ends last,
    // at tick 1920: 1 s at the first tempo, 0.5 s at the second.
    std::string tempo_track = tempo(0, 500000) + tempo(960, 250000) + end_of_track(0);
    std::string notes = ev(0, {0x90, 60, 100}) + ev(1920, {0x80, 60, 0}) + end_of_track(0);
    int a = load(midi(1, 480, {tempo_track, notes}));
    EXPECT_EQ(length_ms(a), 1500u);

    // Tempo changes may come in any track; the last event of any kind
    // (here the end of track) sets the length.
    std::string late_tempo = ev(0, {0x90, 60, 100}) + tempo(480, 1000000) + ev(480, {0x80, 60, 0}) + end_of_track(480);
    int b = load(midi(0, 480, {late_tempo}));
    EXPECT_EQ(length_ms(b), 500u + 2000u);

    // Running status and system exclusive events in between.
    std::string running = ev(0, {0x90, 60, 100}) + ev(240, {62, 100}) + ev(240, {60, 0}) + ev(240, {62, 0}) +
                          ev(240, {0xF0, 0x02, 0x7E, 0xF7}) + end_of_track(0);
    int c = load(midi(0, 480, {running}));
    EXPECT_EQ(length_ms(c), 1000u);

    // SMPTE time: 25 frames of 40 ticks, 1000 ticks a second.
    std::string smpte = ev(0, {0x90, 60, 100}) + ev(2500, {0x80, 60, 0}) + end_of_track(0);
    int d = load(midi(0, 0xE728, {smpte}));
    EXPECT_EQ(length_ms(d), 2500u);

    // Without a tempo event the default is 120 beats a minute.
    int e = load(tune(4, 96));
    EXPECT_EQ(length_ms(e), 400u);

    // Chunks other than tracks are skipped; a missing track is no error.
    std::string with_extra =
        "MThd" + be32(6) + be16(1) + be16(3) + be16(480) + "XTRA" + be32(3) + "abc" + "MTrk" + be32(notes.size()) + notes;
    int f = load(with_extra);
    EXPECT_EQ(length_ms(f), 2000u);
}

TEST_F(MusicMixed, APieceEndsWhenItsLastEventHasPlayed)
{
    int a = load(tune(2, 480));  // 1 s
    ASSERT_EQ(length_ms(a), 1000u);
    mus_play(a);
    mix_ms(900);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
    mix_ms(200);
    EXPECT_EQ(music_slots[a].state, MUSIC_PLAYING);  // kept until asked
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);
    EXPECT_EQ(music_slots[a].state, MUSIC_STOPPED);
    EXPECT_EQ(music_current, a);  // it ended by itself: still the current one
}

TEST_F(MusicMixed, PlayingTheCurrentPieceStartsItOver)
{
    int a = load(tune(3, 480));  // 1.5 s
    mus_play(a);
    mix_ms(1000);
    EXPECT_EQ(mus_play(a), 1);
    mix_ms(1000);  // 2 s in all: would have ended without the restart
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
    mix_ms(600);
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);

    // A stopped piece starts from its beginning too.
    mus_play(a);
    mix_ms(1000);
    mus_stop(a);
    mus_play(a);
    mix_ms(1000);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
}

}  // namespace
