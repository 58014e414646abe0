// The generated default data: every file loads, and a headless start-up makes
// the title music (the eighth piece loaded) its one audio call before the
// frame loop and says nothing about the missing sound device.
#include "audio_files.h"

using namespace audio_test;

namespace {

TEST(DefaultData, EverythingLoadsAndTheTitleMusicStartsQuietly)
{
    if (!std::filesystem::exists(std::filesystem::path(TAILGATE_DATA_DIR) / "H.MID")) {
        GTEST_SKIP() << "no generated data in " << TAILGATE_DATA_DIR;
    }
    ScratchDir dir;
    // A copy of the data: start-up writes its high-score file there.
    std::filesystem::copy(TAILGATE_DATA_DIR, dir.path / "data");
    std::string command = std::string(TAILGATE_EXE) +
                          " --headless --data data --passes 3 --audio-log audio.log > out.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(read_text(dir.path / "audio.log"), "-1 mus_play 7\n");
    EXPECT_EQ(read_text(dir.path / "out.txt"), "");  // headless: nothing said about sound

    // Every generated effect and piece loads, each id its load order.
    std::filesystem::current_path(dir.path / "data");
    headless_start(true, 1000);
    snd_init();
    mus_init();
    snd_load_all();
    EXPECT_EQ(sfx_story4, 12);
    for (const char* name : {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID", "F.MID", "G.MID", "H.MID", "I.MID",
                             "Battle.MID", "monsterfight.MID"}) {
        EXPECT_GE(mus_load_midi(name), 0) << name;
    }
    EXPECT_EQ(music_slots[10].state, MUSIC_LOADED);
    std::filesystem::current_path(dir.path);
    shut_down_audio();
    headless_start(false, 1000);
}

}  // namespace
