// The generated default data loads whole: the thirteen effects and the eleven
// pieces take their load order as ids, and a headless start-up logs the title
// music as its one audio call before the frame loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/audio.h"
#include "audio_files.h"
#include "platform/audio.h"

using namespace audio_test;

namespace {

bool have_default_data()
{
    return std::filesystem::exists(std::filesystem::path(TAILGATE_DATA_DIR) / "H.MID") &&
           std::filesystem::exists(std::filesystem::path(TAILGATE_DATA_DIR) / "beep1.WAV");
}

TEST(DefaultData, EffectsAndMusicTakeTheirLoadOrder)
{
    if (!have_default_data()) {
        GTEST_SKIP() << "no generated data in " << TAILGATE_DATA_DIR;
    }
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(TAILGATE_DATA_DIR);
    force_silent_output();
    testing::internal::CaptureStderr();
    snd_init();
    mus_init();
    testing::internal::GetCapturedStderr();
    snd_load_all();
    const char* pieces[] = {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID", "F.MID",
                            "G.MID", "H.MID", "I.MID", "Battle.MID", "monsterfight.MID"};
    int piece_ids[11];
    for (int i = 0; i < 11; ++i) {
        piece_ids[i] = mus_load_midi(pieces[i]);
    }
    std::filesystem::current_path(previous);

    int ids[] = {sfx_horn,   sfx_car,   sfx_explosion, sfx_tenfour, sfx_story1, sfx_monster, sfx_yeehaw,
                 sfx_cannon, sfx_brake, sfx_beep,      sfx_story2,  sfx_story3, sfx_story4};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(ids[i], i);
        EXPECT_EQ(sound_slots[i].file_rate, 11025) << i;
        EXPECT_GT(sound_slots[i].data_size, 0) << i;
    }
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(piece_ids[i], i) << pieces[i];
        EXPECT_GT(plat_music_length_ms(music_slots[i].segment), 1000u) << pieces[i];
    }
    shut_down_audio();
}

TEST(DefaultData, HeadlessStartUpStartsTheTitleMusic)
{
    if (!have_default_data()) {
        GTEST_SKIP() << "no generated data in " << TAILGATE_DATA_DIR;
    }
    ScratchDir dir;
    // A copy of the data: start-up writes its high-score file there.
    std::filesystem::copy(TAILGATE_DATA_DIR, dir.path / "data");
    std::string command =
        std::string(TAILGATE_EXE) + " --headless --data data --passes 3 --audio-log audio.log > out.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream log(dir.path / "audio.log");
    std::string first;
    std::getline(log, first);
    EXPECT_EQ(first, "-1 mus_play 7");
    std::ifstream said(dir.path / "out.txt");
    std::string anything;
    EXPECT_FALSE(std::getline(said, anything)) << "headless start-up said: " << anything;
}

}  // namespace
