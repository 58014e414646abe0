// A headless start-up on the generated default data: every effect and piece
// loads (the title music is the eighth piece), the title music is the one
// audio call before the frame loop, and nothing is said about sound.
#include "audio_files.h"

using namespace audio_test;

namespace {

TEST(DefaultData, HeadlessStartUpLoadsEverySoundAndStartsTheTitleMusic)
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

    // Every generated file loads in order in-process too.
    std::filesystem::current_path(dir.path / "data");
    headless_start(true, 1000);
    snd_init();
    mus_init();
    snd_load_all();
    EXPECT_EQ(sfx_horn, 0);
    EXPECT_EQ(sfx_beep, 9);
    EXPECT_EQ(sfx_story4, 12);
    const char* pieces[] = {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID", "F.MID",
                            "G.MID", "H.MID", "I.MID", "Battle.MID", "monsterfight.MID"};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(mus_load_midi(pieces[i]), i) << pieces[i];
    }
    std::filesystem::current_path(dir.path);
    shut_down_audio();
    headless_start(false, 1000);
}

}  // namespace
