// Two ways to run the game in a test: the real executable, headless, with a
// key script in a scratch copy of the default data (GameRun), or the game
// itself started once inside the test process (game_here) for the screens
// that wait inside one frame.
#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "display/display.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace game_run {

namespace fs = std::filesystem;

inline std::string read_text(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_text(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The text of a field's value in one JSON object of the game's (flat, with
// arrays of numbers or plain strings).
inline std::string field(const std::string& object, const std::string& key)
{
    size_t start = object.find("\"" + key + "\":");
    if (start == std::string::npos) {
        return {};
    }
    start += key.size() + 3;
    size_t end = start;
    for (int depth = 0; end < object.size(); ++end) {
        char c = object[end];
        depth += (c == '[') - (c == ']');
        if (depth < 0 || (depth == 0 && (c == ',' || c == '}'))) {
            break;
        }
    }
    return object.substr(start, end - start);
}

inline double number(const std::string& object, const std::string& key)
{
    std::string value = field(object, key);
    return value.empty() ? std::nan("") : std::strtod(value.c_str(), nullptr);
}

// Every integer of a field (one, or an array of them, flattened).
inline std::vector<long long> integers(const std::string& object, const std::string& key)
{
    std::string value = field(object, key);
    for (char& c : value) {
        c = c == '-' || (c >= '0' && c <= '9') ? c : ' ';
    }
    std::istringstream in(value);
    std::vector<long long> out;
    for (long long n; in >> n;) {
        out.push_back(n);
    }
    return out;
}

inline long long integer(const std::string& object, const std::string& key)
{
    std::vector<long long> all = integers(object, key);
    return all.size() == 1 ? all[0] : -999999999999LL;
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
    fs::path dir;
    fs::path data;
    std::string dump;
    std::vector<std::string> trace;  // one JSON object per pass
    std::vector<std::string> audio;  // "<pass> <op> <id>"

    GameRun()
    {
        char pattern[] = "/tmp/tailgate_run_XXXXXX";
        dir = mkdtemp(pattern) ? pattern : "/nonexistent";
        data = dir / "data";
        fs::copy(TAILGATE_DATA_DIR, data, fs::copy_options::recursive);
    }
    ~GameRun()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    fs::path shot(int pass) const { return dir / ("shot" + std::to_string(pass) + ".png"); }
    std::string out(const char* name) const { return "'" + (dir / name).string() + "'"; }

    // Runs the game with this script for `passes` passes (-1: until it ends
    // by itself), with a trace when asked. Returns the exit status.
    int play(const std::string& script, int passes, const std::vector<int>& shots = {}, bool with_trace = false)
    {
        write_text(dir / "script.txt", script);
        std::string command = "'" + std::string(TAILGATE_EXE) + "' --headless --data '" + data.string() +
                              "' --input " + out("script.txt") + " --dump " + out("dump.json") +
                              " --audio-log " + out("audio.log") + (with_trace ? " --trace " + out("trace.jsonl") : "");
        if (passes >= 0) {
            command += " --passes " + std::to_string(passes);
        }
        for (int p : shots) {
            command += " --shot " + std::to_string(p) + ":'" + shot(p).string() + "'";
        }
        int raw = std::system((command + " > " + out("stderr.txt") + " 2>&1").c_str());
        dump = read_text(dir / "dump.json");
        trace = lines(dir / "trace.jsonl");
        audio = lines(dir / "audio.log");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    static std::vector<std::string> lines(const fs::path& path)
    {
        std::istringstream in(read_text(path));
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);) {
            all.push_back(line);
        }
        return all;
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
        headless_start(true, 1000);
        started = plat_window_create(true, false) && game_init();
    }
    fs::current_path(run->data);
    char error[256];
    if (!started || !headless_parse_script(script.c_str(), script.size(), error, sizeof error)) {
        return false;
    }
    headless_start(true, 1000);
    headless_begin_pass(0);
    return true;
}

}  // namespace game_run
