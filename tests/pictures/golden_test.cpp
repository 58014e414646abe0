// Golden pictures: every screen and state of the game, reached by a few
// scripted passes from the start-up state (or that state with a few values
// set), and the picture on the screen then - what --shot writes - hashed and
// checked against tests/data/pictures.txt. A changed picture names its
// screen (support/golden.h writes the pictures out to look at). The
// overlays the window draws over these are checked in tests/player.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "display/display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "support/golden.h"
#include "support/run.h"

namespace {

constexpr int W = 640;
constexpr int H = 480;

// The keys of `script` from pass 0 on, in the child; it ends when they
// cannot be had.
void keys(const std::string& script)
{
    if (!test_support::game_here(script)) {
        _exit(3);
    }
}

// `passes` passes of the game as the shell runs them, the keys from `script`.
void passes(int count, const std::string& script = "")
{
    keys(script);
    int last = -1;
    bool ran_out = false;
    shell_frame_loop(game_main, count, nullptr, &last, &ran_out);
}

// In play on `level`.
void in_play(int level = 0)
{
    game_mode = MODE_PLAY;
    level_index = level;
    story_audio_started = 1;
}

// The truck in a battle on level 1, the alien at (300, 60) with a fan of
// shots on the way and two shells in the air.
void in_battle()
{
    in_play(1);
    start_battle();
    battle_music_on = 1;
    alien_x = 300;
    alien_y = 60;
    truck_x = 330;
    truck_y = 300;
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        alien_shot_x[i] = 200 + 30 * i;
        alien_shot_y[i] = 180 + (i % 3) * 20;
        alien_shot_dx[i] = i - 5;
        alien_shot_dy[i] = 4;
        alien_shot_active[i] = i != 3;
    }
    shell_x[0] = shell_x[1] = 362;
    shell_y[0] = 250;
    shell_y[1] = 200;
    shell_active[0] = shell_active[1] = 1;
}

struct Screen {
    const char* name;
    void (*reach)();
};

const Screen SCREENS[] = {
    {"title", [] { game_show_title(); }},
    {"menu", [] { passes(3, "1 +SPACE\n"); }},
    {"controls", [] { passes(4, "1 +SPACE\n2 -SPACE +C\n"); }},
    {"credits", [] { passes(4, "1 +SPACE\n2 -SPACE +R\n"); }},
    {"high-score view", [] { passes(12, "1 +SPACE\n2 -SPACE +H\n"); }},
    {"story page", [] { passes(80, "1 +SPACE\n2 -SPACE +S\n3 -S\n"); }},
    {"story page 2",
     [] {
         game_mode = MODE_STORY;
         level_index = 1;
         passes(40);
     }},
    {"driving", [] { passes(150, "0 +SPACE\n1 -SPACE +S\n2 -S +SPACE\n3 -SPACE +UP\n60 +LEFT\n75 -LEFT\n"); }},
    {"help call",
     [] {
         damage = 30;
         passes(280, "0 +SPACE\n1 -SPACE +S\n2 -S +SPACE\n3 -SPACE +UP\n20 +H\n21 -H\n");
     }},
    {"battle",
     [] {
         in_battle();
         passes(2, "0 +SPACE +UP\n");
     }},
    {"battle won",
     [] {
         in_battle();
         alien_defeated = 1;
         alien_health = 0;
         passes(9);
     }},
    {"respawn",
     [] {
         in_battle();
         play_state = PLAY_BATTLE_RESPAWN;
         damage = 100;
         passes(3);
     }},
    {"wreck",
     [] {
         in_play();
         play_state = PLAY_WRECK;
         truck_wrecked = 1;
         truck_x = 300;
         passes(4);
     }},
    {"last wreck",
     [] {
         in_play();
         play_state = PLAY_LAST_WRECK;
         truck_wrecked = 1;
         lives = -1;
         truck_x = 300;
         passes(3);
     }},
    {"game over",
     [] {
         in_play();
         play_state = PLAY_GAME_OVER;
         truck_wrecked = 1;
         lives = -1;
         passes(2);
     }},
    {"initials entry",
     [] {
         // The entry waits inside its frame; the picture is the one shown
         // when the script has run out (the space bar held before the entry
         // is no key; then down twice: Y).
         keys("0 +SPACE\n1 -SPACE\n2 +DOWN\n3 -DOWN\n4 +DOWN\n5 -DOWN\n");
         try {
             hiscore_enter(hiscore_scores[0] + 1);
         } catch (const PlatScriptRanOut&) {
         }
     }},
};

// The child: reaches the screen, sends back its picture.
[[noreturn]] void picture_of(const Screen& screen, int pipe_out)
{
    screen.reach();
    std::vector<uint8_t> rgb(static_cast<size_t>(W) * H * 3, 0);
    plat_read_screen(rgb.data());
    test_support::keep_picture(screen.name, rgb);
    const std::string hash = test_support::picture_hash(rgb);
    _exit(write(pipe_out, hash.data(), hash.size()) == static_cast<ssize_t>(hash.size()) ? 0 : 1);
}

TEST(GoldenPictures, EveryScreenLooksAsItDid)
{
    ASSERT_TRUE(test_support::game_here("")) << "the game did not start on a copy of " << TAILGATE_DATA_DIR;
    GameState start_up;
    game_state_save(&start_up);

    std::map<std::string, std::string> expected = test_support::golden_hashes();
    std::string table;
    for (const Screen& screen : SCREENS) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            game_state_restore(&start_up);
            picture_of(screen, fds[1]);
        }
        close(fds[1]);
        char hash[16];
        const bool got = read(fds[0], hash, sizeof hash) == sizeof hash;
        close(fds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(got && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << screen.name << ": not reached (status " << status << ")";
        const std::string text(hash, sizeof hash);
        table += text + " | " + screen.name + "\n";
        EXPECT_EQ(text, expected[screen.name])
            << "the picture of \"" << screen.name << "\" changed (scripts/pictures.sh shows it beside the old one)";
    }
    test_support::keep_hashes(table);
}

}  // namespace
