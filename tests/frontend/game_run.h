// Two ways to run the game in a test: the real executable, headless, with a
// key script in a scratch copy of the default data (GameRun), or the game
// itself started once inside the test process (game_here) for the screens
// that wait inside one frame. State lines are read with play_run's helpers.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "display/display.h"
#include "shell/shell.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play_run.h"
#include "shell/harness_script.h"
#include "support/game_data.h"

namespace game_run {

namespace fs = std::filesystem;
using play_run::key;
using play_run::read_lines;
using play_run::read_text;
using play_run::values;

inline void write_text(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Ten entries' initials, and "hiscore.txt" as the game writes it.
inline const std::string kInitials = "AAABBBCCCDDDEEEFFFGGGHHHIIIJJJ";
inline std::string hiscore_text(const std::vector<int>& scores, const std::string& initials = kInitials,
                                const std::string& filler = "abcdef")
{
    std::string text = "10\n";
    for (int s : scores) {
        text += std::to_string(s) + "\n";
    }
    for (char c : filler + initials) {
        text += std::string(1, c) + "\n";
    }
    return text;
}

// A scratch directory with a copy of the default data, removed afterwards.
struct GameRun {
    fs::path dir, data;
    std::vector<std::string> trace;  // one state line per pass
    std::vector<std::string> audio;  // "<pass> <op> <id>"

    GameRun()
    {
        char pattern[] = "/tmp/tailgate_run_XXXXXX";
        dir = mkdtemp(pattern) ? pattern : "/nonexistent";
        data = dir / "data";
        EXPECT_TRUE(test_support::copy_game_data(data));
    }
    ~GameRun()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    fs::path shot(int pass) const { return dir / ("shot" + std::to_string(pass) + ".png"); }
    std::string out(const char* name) const { return " '" + (dir / name).string() + "'"; }

    // Runs the game with this script, with a trace, for `passes` passes (-1:
    // until it ends by itself). Returns the exit status.
    int play(const std::string& script, int passes, const std::vector<int>& shots = {})
    {
        write_text(dir / "script.txt", script);
        std::string command = "'" + std::string(TAILGATE_EXE) + "' --headless --data" + out("data") + " --input" +
                              out("script.txt") + " --audio-log" + out("audio.log") + " --trace" + out("trace.jsonl");
        if (passes >= 0) {
            command += " --passes " + std::to_string(passes);
        }
        for (int p : shots) {
            command += " --shot " + std::to_string(p) + ":'" + shot(p).string() + "'";
        }
        int raw = std::system((command + " >" + out("stderr.txt") + " 2>&1").c_str());
        trace = read_lines(dir / "trace.jsonl");
        audio = read_lines(dir / "audio.log");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The audio calls of passes first to last, leaving out the music stops
    // (mus_play's own business).
    std::vector<std::string> calls(int first, int last = 1 << 30) const
    {
        std::vector<std::string> found;
        for (const std::string& call : audio) {
            int pass = std::atoi(call.c_str());
            if (pass >= first && pass <= last && call.find("mus_stop") == std::string::npos) {
                found.push_back(call);
            }
        }
        return found;
    }
};

// The game started headless in this process, once, in a scratch copy of
// the default data that becomes (again) the working directory. Then the
// keyboard is set from `script`: every key up, the events of pass 0 down at
// once, all later ones left for the waits inside a frame to take. False
// when the start-up or the script failed.
inline bool game_here(const std::string& script)
{
    static GameRun* run = nullptr;
    static bool started = false;
    if (!run) {
        run = new GameRun;  // kept to the end: the game reads from it
        fs::current_path(run->data);
        plat_use_backend(PLAT_HEADLESS, 1000);
        started = plat_window_create(false) && game_init();
    }
    fs::current_path(run->data);
    char error[256];
    if (!started || !harness_parse_script(script.c_str(), script.size(), error, sizeof error)) {
        return false;
    }
    plat_use_backend(PLAT_HEADLESS, 1000);
    headless_begin_pass(0);
    return true;
}

}  // namespace game_run
