// The play frame without its picture: from the states along each recorded
// game (tests/data/games), replayed here as the shell plays it, a frame run
// undrawn comes to the same state, byte for byte, as the frame drawn. Each
// game is replayed in a child process of its own, which starts the game
// afresh.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/game_state.h"
#include "shell/harness_script.h"
#include "shell/shell.h"
#include "support/run.h"

namespace {

// The initials entry waits inside the frame that ends this wreck step.
constexpr int WRECK_BEFORE_INITIALS = 97;

int compared;
int differed;

// The fields whose bytes differ between two saved states.
std::string fields_differing(const GameState& a, const GameState& b)
{
    std::string names;
    size_t at = 0;
    for (int i = 0; i < STATE_FIELD_COUNT; i++) {
        const StateField& field = STATE_FIELDS[i];
        const size_t size = state_type_size(field.type) * field.rows * field.columns_per_row;
        if (at + size > a.bytes.size() || memcmp(a.bytes.data() + at, b.bytes.data() + at, size) != 0) {
            names += std::string(" ") + (field.name ? field.name : "(unnamed)");
        }
        at += size;
    }
    return names;
}

// After each pass in play: one frame drawn and one undrawn from the same
// saved state, compared, and the state put back for the replay to go on.
void compare_frames(int pass)
{
    if (game_mode != MODE_PLAY || (play_state == PLAY_LAST_WRECK && wreck_timer == WRECK_BEFORE_INITIALS)) {
        return;
    }
    GameState before, drawn, undrawn;
    game_state_save(&before);
    audio_muted = 1;
    play_frame(true);
    game_state_save(&drawn);
    game_state_restore(&before);
    play_frame(false);
    game_state_save(&undrawn);
    game_state_restore(&before);
    audio_muted = 0;
    compared++;
    if (drawn.bytes != undrawn.bytes && differed++ < 5) {
        fprintf(stderr, "pass %d (play state %d): the undrawn frame differs in%s\n", pass, play_state,
                fields_differing(drawn, undrawn).c_str());
    }
}

// The child: the recording `name` replayed from start-up. Its exit status
// is 0 when every compared frame agreed.
[[noreturn]] void replay_comparing(const std::string& name, const std::string& data)
{
    const std::string script = test_support::read_text(std::string(TAILGATE_SOURCE_DIR) + "/tests/data/games/" + name);
    unsigned start_tick = 0;
    int passes = 0;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line) && line.starts_with("#");) {
        sscanf(line.c_str(), "# start-tick %u", &start_tick);
        sscanf(line.c_str(), "# passes %d", &passes);
    }
    char error[256] = "";
    bool ran_out = false;
    int last = -1;
    if (chdir(data.c_str()) != 0 || start_tick == 0 || passes <= 0) {
        _exit(2);
    }
    plat_use_backend(PLAT_HEADLESS, start_tick);
    if (!harness_parse_script(script.data(), script.size(), error, sizeof error) || !plat_window_create(false)) {
        _exit(2);
    }
    main_window = 1;
    if (!game_init()) {
        _exit(2);
    }
    game_show_title();
    shell_frame_loop(game_main, passes, compare_frames, &last, &ran_out);
    fprintf(stderr, "%s: %d passes, %d frames compared, %d differed\n", name.c_str(), last + 1, compared, differed);
    _exit(differed == 0 && compared > 0 && last + 1 == passes && !ran_out ? 0 : 1);
}

TEST(UndrawnFrame, ComesToTheDrawnFramesStateAlongEveryRecording)
{
    for (const char* name : {"first_level.txt", "game_over.txt", "whole_game.txt"}) {
        test_support::GameRun run;
        fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            replay_comparing(name, run.data.string());
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << name << ": a frame undrawn differs, or the replay failed (see above)";
    }
}

}  // namespace
