// The generated default data: a headless start-up makes the title music (the
// eighth piece loaded) its one audio call before the frame loop and says
// nothing about the missing sound device; every effect and piece loads, each
// id its load order, until the bank and the player are full.
#include "audio_files.h"
#include "support/fields.h"

using namespace audio_test;

namespace {

using DefaultData = AudioTest;
using test_support::fields_are;

TEST_F(DefaultData, StartsQuietlyAndLoadsInOrderUntilTheTablesAreFull)
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
    for (int i = 13; i < SOUND_SLOT_COUNT; ++i) {
        ASSERT_EQ(snd_load_wav("beep1.WAV", 0), i);
    }
    PlatSound* last = sound_slots[255].buffer;
    EXPECT_EQ(snd_load_wav("beep1.WAV", 0), -1);  // the 257th changes nothing
    EXPECT_EQ(sound_slots[255].buffer, last);
    // A new start-up empties the bank; without "exp.WAV" that effect is -1
    // and the later ones move down a slot.
    std::filesystem::remove("exp.WAV");
    snd_init();
    EXPECT_EQ(sound_slots[200].buffer, nullptr);
    snd_load_all();
    EXPECT_TRUE(fields_are({FIELD(sfx_explosion, -1), FIELD(sfx_tenfour, 2), FIELD(sfx_story4, 11)}));

    const char* names[] = {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID", "F.MID",
                           "G.MID", "H.MID", "I.MID", "Battle.MID", "monsterfight.MID"};
    for (int i = 0; i < MUSIC_SLOT_COUNT; ++i) {
        ASSERT_EQ(mus_load_midi(names[i % 11]), i);
    }
    EXPECT_EQ(mus_load_midi("A.MID"), -1);  // the 65th
    std::filesystem::current_path(dir.path);
}

}  // namespace
