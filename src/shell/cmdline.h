// The command line: options of the game and of its headless harness.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int CMDLINE_PATH_SIZE = 4096;
constexpr int CMDLINE_MAX_SHOTS = 64;

// An output written after one pass: a screen shot (--shot) or a state dump
// (--dump-at).
struct ShotRequest {
    int pass;
    char path[CMDLINE_PATH_SIZE];
};

struct ShellOptions {
    int headless;
    int windowed;
    int fullscreen;  // --fullscreen, over the settings
    int scale;       // --scale N; 0 when not given
    int start_tick_given;
    int show_help;
    int show_version;
    uint32_t start_tick;               // 1000 unless given
    int passes;                        // -1: until the game ends by itself
    char data_dir[CMDLINE_PATH_SIZE];  // empty: the default beside the executable
    char input_path[CMDLINE_PATH_SIZE];
    char dump_path[CMDLINE_PATH_SIZE];
    char trace_path[CMDLINE_PATH_SIZE];
    char audio_log_path[CMDLINE_PATH_SIZE];
    char config_path[CMDLINE_PATH_SIZE];  // empty: the player's own settings file
    char record_path[CMDLINE_PATH_SIZE];
    char replay_path[CMDLINE_PATH_SIZE];  // a recording to replay, headless or to watch
    int write_checks;                     // --write-checks: the replay's state checks written into it
    int shot_count;
    ShotRequest shots[CMDLINE_MAX_SHOTS];
    int dump_at_count;
    ShotRequest dumps_at[CMDLINE_MAX_SHOTS];
};

// Fills `options` from argv. 1 on success; 0 with a one-line reason in
// `error` for an unknown option, a missing or malformed value, or options
// that contradict each other.
int cmdline_parse(int argc, char** argv, ShellOptions* options, char* error, size_t error_size);

// The --help text.
const char* cmdline_usage();
