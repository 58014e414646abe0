// The sound bank: WAV loading (well-formed and damaged files), the slot table,
// the load order of the thirteen effects, and the play-position rules of the
// four slot operations as the silent output keeps time pass by pass.
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

TEST_F(SoundBank, PcmFilesLoadWhateverTheirLayoutAndRecordTheirFormat)
{
    struct Case {
        std::string file;
        int rate, size;
    } cases[] = {
        {wav(bytes_of(1000, 200)), 11025, 1000},
        // 16-bit stereo 22050 Hz: accepted; its bytes play as 8-bit mono.
        {riff(chunk("fmt ", fmt_fields(1, 2, 22050, 16)) + chunk("data", bytes_of(4000, 7))), 22050, 4000},
        // An 18-byte format chunk, and an odd-sized chunk whose pad byte the walk skips.
        {riff(chunk("fmt ", fmt_fields(1, 1, 8000, 8) + le(0, 2)) + chunk("LIST", "abc") + chunk("data", "0123")),
         8000, 4},
        // Shorter than 16 bytes: 18 bytes are read from its start whatever its size.
        {riff(chunk("fmt ", fmt_fields(1, 1, 22050, 8).substr(0, 14)) + chunk("data", bytes_of(50, 9))), 22050, 50},
    };
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(load_wav(cases[i].file), i);
        EXPECT_EQ(sound_slots[i].state, SOUND_LOADED);
        EXPECT_EQ(sound_slots[i].file_rate, cases[i].rate) << i;
        EXPECT_EQ(sound_slots[i].data_size, cases[i].size) << i;
    }
}

TEST_F(SoundBank, DamagedFilesAreRefusedAndSizeFieldsNeverLeadOutsideTheFile)
{
    std::string whole = wav(bytes_of(20, 1));
    const std::string refused[] = {
        riff(chunk("fmt ", fmt_fields(2, 1, 11025, 4)) + chunk("data", bytes_of(64, 0))),  // ADPCM
        riff(FMT),                                      // ends right after a 16-byte format chunk
        riff(FMT + chunk("junk", bytes_of(20, 0))),     // no "data"
        riff(FMT + chunk("data", "")),                  // nothing to play
        "RIFF" + le(30, 4) + "AVI " + FMT, "", "not a sound file at all",
        whole.substr(0, 4), whole.substr(0, 20), whole.substr(0, 43),
        // Sizes larger than the whole file are damage: refused, never allocated.
        riff(FMT + chunk("data", bytes_of(100, 60), 145)),
        riff(FMT + chunk("data", bytes_of(100, 60), 0xFFFFFFF0u)),
        riff(FMT + chunk("data", bytes_of(100, 60)), 0x7FFFFFFF),
        riff(chunk("fmt ", fmt_fields(1, 1, 11025, 8), 0x10000000) + chunk("data", "ab")),
        riff(FMT + chunk("LIST", "xx", 60) + chunk("data", bytes_of(9, 1))),  // runs off the end, hiding "data"
    };
    for (const std::string& file : refused) {
        EXPECT_EQ(load_wav(file), -1) << testing::PrintToString(file);
    }
    EXPECT_EQ(snd_load_wav("no such file.WAV", 0), -1);
    EXPECT_EQ(snd_load_wav(".", 0), -1);
    EXPECT_EQ(snd_load_wav(nullptr, 0), -1);
    EXPECT_EQ(sound_slots[0].state, SOUND_FREE);
    EXPECT_EQ(sound_slots[0].buffer, nullptr);

    // A data chunk that claims more than the 144-byte file holds plays what
    // is there, also when the RIFF chunk claims more too; a RIFF chunk that
    // claims less ends the walk there.
    std::string body = FMT + chunk("data", bytes_of(100, 60), 120);
    EXPECT_EQ(load_wav(riff(body)), 0);
    EXPECT_EQ(load_wav(riff(body, body.size() + 12)), 1);
    EXPECT_EQ(load_wav(riff(FMT + chunk("data", bytes_of(100, 60)), 4 + FMT.size() + 8 + 30)), 2);
    EXPECT_EQ(sound_slots[0].data_size, 100);
    EXPECT_EQ(sound_slots[1].data_size, 100);
    EXPECT_EQ(sound_slots[2].data_size, 30);
}

TEST_F(SoundBank, TheTableHoldsTheThirteenEffectsInOrderAnd256InAll)
{
    const char* names[] = {"horn.WAV",    "car.WAV",    "exp.WAV",    "tenfour.WAV", "story1.WAV",
                           "monster.WAV", "yeehaw.WAV", "cannon.WAV", "brake.WAV",   "beep1.WAV",
                           "story2.WAV",  "story3.WAV", "story4.WAV"};
    const int* ids[] = {&sfx_horn,    &sfx_car,    &sfx_explosion, &sfx_tenfour, &sfx_story1,
                        &sfx_monster, &sfx_yeehaw, &sfx_cannon,    &sfx_brake,   &sfx_beep,
                        &sfx_story2,  &sfx_story3, &sfx_story4};
    for (const char* name : names) {
        dir.write(name, wav(bytes_of(16, 140)));
    }
    snd_load_all();
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(*ids[i], i) << names[i];
    }
    for (int i = 13; i < SOUND_SLOT_COUNT; ++i) {
        ASSERT_EQ(snd_load_wav("horn.WAV", 0), i);
    }
    PlatSound* last = sound_slots[255].buffer;
    EXPECT_EQ(snd_load_wav("horn.WAV", 0), -1);  // the 257th changes nothing
    EXPECT_EQ(sound_slots[255].buffer, last);

    // A new start-up empties the bank; without "exp.WAV" that effect is -1
    // and the later ones move down a slot.
    std::filesystem::remove(dir.path / "exp.WAV");
    snd_init();
    EXPECT_EQ(sound_slots[200].buffer, nullptr);
    EXPECT_EQ(sound_slots[200].id, 200);
    snd_load_all();
    EXPECT_EQ(sfx_car, 1);
    EXPECT_EQ(sfx_explosion, -1);
    EXPECT_EQ(sfx_tenfour, 2);
    EXPECT_EQ(sfx_story4, 11);
}

TEST_F(SoundBank, PlayPositionFollowsTheFourOperations)
{
    // 1000 samples: a pass moves 363.825 of them (fractions kept: two make
    // 727, not 726), so the sound ends in the third.
    int id = load_wav(wav(bytes_of(1000, 200)));
    EXPECT_FALSE(snd_is_playing(id));  // before the first play
    EXPECT_EQ(passes(5, id), 0u);      // a stopped sound does not move
    snd_play(id);
    EXPECT_EQ(passes(2, id), 727u);
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_EQ(passes(1, id), 0u);  // played to its end, back at the start
    EXPECT_FALSE(snd_is_playing(id));

    // Stop keeps the position; play goes on from it.
    snd_play(id);
    passes(2, id);
    snd_stop(id);
    EXPECT_FALSE(snd_is_playing(id));
    EXPECT_EQ(passes(3, id), 727u);
    snd_play(id);
    passes(1, id);
    EXPECT_FALSE(snd_is_playing(id));  // 727 + 363 passed the end

    // Stop, rewind, play starts over.
    snd_play(id);
    passes(2, id);
    snd_stop(id);
    snd_rewind(id);
    snd_play(id);
    EXPECT_EQ(passes(2, id), 727u);
    // Play on a playing sound does not restart it; rewind restarts it at once.
    snd_play(id);
    EXPECT_EQ(position(id), 727u);
    snd_rewind(id);
    EXPECT_EQ(passes(2, id), 727u);
    EXPECT_TRUE(snd_is_playing(id));
}

TEST_F(SoundBank, OperationsOnMissingSoundsDoNothing)
{
    int id = load_wav(wav(bytes_of(1000, 200)));
    snd_play(id);
    for (int bad : {-1, 1, 255, 256, 1 << 30}) {
        snd_play(bad);
        snd_stop(bad);
        snd_rewind(bad);
        EXPECT_FALSE(snd_is_playing(bad)) << bad;
    }
    EXPECT_EQ(passes(1, id), 363u);
    shut_down_audio();  // after shutdown every id is silent
    snd_play(id);
    EXPECT_FALSE(snd_is_playing(id));
}

}  // namespace
