// Runs the real game headless with a key script in a scratch copy of the
// default data, and reads back what it wrote: the state dump and trace (a
// few fields picked out of the JSON), the audio log and screen shots.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

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
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The text of a field's value in one JSON object: from after "key": to the
// end of that value (a number, a string, or a bracketed array).
inline std::string field(const std::string& object, const std::string& key)
{
    std::string tag = "\"" + key + "\":";
    size_t at = object.find(tag);
    if (at == std::string::npos) {
        return {};
    }
    size_t start = at + tag.size();
    while (start < object.size() && object[start] == ' ') {
        ++start;
    }
    size_t end = start;
    int depth = 0;
    bool in_string = false;
    for (; end < object.size(); ++end) {
        char c = object[end];
        if (in_string) {
            if (c == '\\') {
                ++end;
            } else if (c == '"') {
                in_string = false;
            }
            continue;
        }
        if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (depth == 0) {
                break;
            }
            --depth;
        } else if (c == ',' && depth == 0) {
            break;
        }
    }
    return object.substr(start, end - start);
}

inline double number(const std::string& object, const std::string& key)
{
    std::string value = field(object, key);
    return value.empty() ? -1e300 : std::strtod(value.c_str(), nullptr);
}

inline long long integer(const std::string& object, const std::string& key)
{
    std::string value = field(object, key);
    return value.empty() ? -999999999999LL : std::strtoll(value.c_str(), nullptr, 10);
}

// Every integer in an (array) field, flattened in order.
inline std::vector<long long> integers(const std::string& object, const std::string& key)
{
    std::string value = field(object, key);
    std::vector<long long> out;
    const char* p = value.c_str();
    while (*p) {
        if (*p == '-' || (*p >= '0' && *p <= '9')) {
            char* end = nullptr;
            out.push_back(std::strtoll(p, &end, 10));
            p = end;
        } else {
            ++p;
        }
    }
    return out;
}

// The strings of an array field (plain ASCII; escapes taken as they stand).
inline std::vector<std::string> strings(const std::string& object, const std::string& key)
{
    std::string value = field(object, key);
    std::vector<std::string> out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '"') {
            continue;
        }
        std::string s;
        for (++i; i < value.size() && value[i] != '"'; ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                ++i;
            }
            s.push_back(value[i]);
        }
        out.push_back(s);
    }
    return out;
}

struct AudioCall {
    int pass;
    std::string op;
    int id;
};

// A scratch directory with a copy of the default data, removed afterwards.
struct GameRun {
    fs::path dir;
    fs::path data;
    int status = -1;
    std::string dump;
    std::vector<std::string> trace;  // one JSON object per pass
    std::vector<AudioCall> audio;

    GameRun()
    {
        char pattern[] = "/tmp/tailgate_run_XXXXXX";
        if (mkdtemp(pattern)) {
            dir = pattern;
            data = dir / "data";
            fs::copy(TAILGATE_DATA_DIR, data, fs::copy_options::recursive);
        }
    }
    ~GameRun()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    fs::path shot(int pass) const { return dir / ("shot" + std::to_string(pass) + ".png"); }

    // Runs the game with this script; extra arguments are passed as they
    // stand. Returns the exit status.
    int play(const std::string& script, int passes, const std::vector<int>& shots = {},
             bool with_trace = false, const std::string& extra = "")
    {
        write_text(dir / "script.txt", script);
        std::string command = std::string("'") + TAILGATE_EXE + "' --headless --data '" + data.string() +
                              "' --input '" + (dir / "script.txt").string() + "' --dump '" +
                              (dir / "dump.json").string() + "' --audio-log '" +
                              (dir / "audio.log").string() + "'";
        if (passes >= 0) {
            command += " --passes " + std::to_string(passes);
        }
        if (with_trace) {
            command += " --trace '" + (dir / "trace.jsonl").string() + "'";
        }
        for (int p : shots) {
            command += " --shot " + std::to_string(p) + ":'" + shot(p).string() + "'";
        }
        command += " " + extra + " > '" + (dir / "stderr.txt").string() + "' 2>&1";
        int raw = std::system(command.c_str());
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;

        dump = read_text(dir / "dump.json");
        trace.clear();
        std::istringstream lines(read_text(dir / "trace.jsonl"));
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty()) {
                trace.push_back(line);
            }
        }
        audio.clear();
        std::istringstream calls(read_text(dir / "audio.log"));
        for (std::string line; std::getline(calls, line);) {
            std::istringstream words(line);
            AudioCall call;
            if (words >> call.pass >> call.op >> call.id) {
                audio.push_back(call);
            }
        }
        return status;
    }

    std::vector<AudioCall> audio_in_pass(int pass) const
    {
        std::vector<AudioCall> out;
        for (const AudioCall& call : audio) {
            if (call.pass == pass) {
                out.push_back(call);
            }
        }
        return out;
    }
};

}  // namespace game_run
