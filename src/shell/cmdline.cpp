#include "shell/cmdline.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

bool parse_unsigned(const char* text, uint64_t limit, uint64_t* out)
{
    if (!text[0]) {
        return false;
    }
    uint64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > limit) {
            return false;
        }
    }
    *out = value;
    return true;
}

bool copy_path(char* dest, const char* value)
{
    size_t length = strlen(value);
    if (length == 0 || length >= CMDLINE_PATH_SIZE) {
        return false;
    }
    memcpy(dest, value, length + 1);
    return true;
}

// Adds a PASS:FILE value of `option` to `list`; false with the reason.
bool parse_pass_file(const char* option, const char* v, ShotRequest* list, int* count, char* error, size_t error_size)
{
    const char* colon = strchr(v, ':');
    char pass_text[16];
    size_t pass_length = colon ? static_cast<size_t>(colon - v) : 0;
    uint64_t pass = 0;
    bool ok = colon && pass_length > 0 && pass_length < sizeof pass_text;
    if (ok) {
        memcpy(pass_text, v, pass_length);
        pass_text[pass_length] = '\0';
        ok = parse_unsigned(pass_text, 0x7FFFFFFF, &pass);
    }
    if (!ok || !colon[1]) {
        snprintf(error, error_size, "%s needs PASS:FILE, not '%.40s'", option, v);
        return false;
    }
    if (*count >= CMDLINE_MAX_SHOTS) {
        snprintf(error, error_size, "at most %d %s options", CMDLINE_MAX_SHOTS, option);
        return false;
    }
    ShotRequest* request = &list[*count];
    if (!copy_path(request->path, colon + 1)) {
        snprintf(error, error_size, "%s file name too long (%d characters at most)", option, CMDLINE_PATH_SIZE - 1);
        return false;
    }
    request->pass = static_cast<int>(pass);
    ++*count;
    return true;
}

}  // namespace

const char* cmdline_usage()
{
    return "Usage: tailgate [options]\n"
           "  --window             play in a window (its size: the settings' window_scale)\n"
           "  --fullscreen         play full screen, whatever the settings say\n"
           "  --scale N            the window is N times 640 x 480 (1 to 8)\n"
           "  --config FILE        the settings file (default: $XDG_CONFIG_HOME/tailgate/tailgate.ini)\n"
           "  --data DIR           game data directory, also holding hiscore.txt (default: the\n"
           "                       installed data or data beside the executable, with the high\n"
           "                       scores in $XDG_DATA_HOME/tailgate)\n"
           "  --record FILE        record the session (its start, the high-score table it began\n"
           "                       with, its keys) to replay it exactly with --replay\n"
           "  --replay FILE        watch a recording (add --headless for the harness's outputs);\n"
           "                       the player's own high-score table is never read or written\n"
           "  --input FILE         play an input script back in the window, then take the keys\n"
           "  --help               show this text\n"
           "  --version            show the version\n"
           "Headless runs (no window, no sound device, no settings, a virtual clock):\n"
           "  --headless           run without window or sound device\n"
           "  --start-tick T       tick count at start, in milliseconds (default 1000, or the\n"
           "                       script's '# start-tick' in a window)\n"
           "  --input FILE         scripted keyboard: lines of '<pass> +KEY -KEY ...'\n"
           "  --passes N           run N passes of the frame loop, then shut down\n"
           "  --dump FILE          write the game state as JSON after the last pass\n"
           "  --dump-at P:FILE     write the game state as JSON after pass P (repeatable)\n"
           "  --trace FILE         write the game state after every pass, one JSON line each\n"
           "  --shot P:FILE        write the screen after pass P as a PNG (repeatable)\n"
           "  --audio-log FILE     log every sound and music call\n"
           "  --write-checks       with --headless --replay FILE: write the game's state checks\n"
           "                       (a hash every 100 passes) into the recording anew\n"
           "--passes, --dump, --dump-at, --trace, --shot and --audio-log also work with a window.\n"
           "Keys in a window: P pauses, F12 saves a screenshot, Alt+Enter switches full screen.\n";
}

namespace {

enum OptionKind {
    OPTION_FLAG,       // sets an int to 1
    OPTION_PATH,       // a file or directory name
    OPTION_NUMBER,     // a whole number in [low, high]
    OPTION_PASS_FILE,  // PASS:FILE, repeatable
};

constexpr size_t NO_FIELD = ~size_t{0};

struct Option {
    const char* name;
    OptionKind kind;
    size_t field;       // where in ShellOptions the value goes
    const char* needs;  // OPTION_PATH: what the value names
    uint64_t low;       // OPTION_NUMBER
    uint64_t high;
    size_t given;  // OPTION_NUMBER: an int set to 1 when the option is there, or NO_FIELD
    size_t count;  // OPTION_PASS_FILE: the list's count
};

constexpr Option flag(const char* name, size_t field)
{
    return {name, OPTION_FLAG, field, nullptr, 0, 0, NO_FIELD, NO_FIELD};
}

constexpr Option path(const char* name, size_t field, const char* needs)
{
    return {name, OPTION_PATH, field, needs, 0, 0, NO_FIELD, NO_FIELD};
}

constexpr Option number(const char* name, size_t field, uint64_t low, uint64_t high, size_t given = NO_FIELD)
{
    return {name, OPTION_NUMBER, field, nullptr, low, high, given, NO_FIELD};
}

constexpr Option pass_file(const char* name, size_t list, size_t count)
{
    return {name, OPTION_PASS_FILE, list, nullptr, 0, 0, NO_FIELD, count};
}

const Option OPTIONS[] = {
    flag("--headless", offsetof(ShellOptions, headless)),
    flag("--window", offsetof(ShellOptions, windowed)),
    flag("--fullscreen", offsetof(ShellOptions, fullscreen)),
    number("--scale", offsetof(ShellOptions, scale), 1, 8),
    path("--config", offsetof(ShellOptions, config_path), "a file name"),
    path("--record", offsetof(ShellOptions, record_path), "a file name"),
    path("--replay", offsetof(ShellOptions, replay_path), "a file name"),
    flag("--write-checks", offsetof(ShellOptions, write_checks)),
    flag("--help", offsetof(ShellOptions, show_help)),
    flag("-h", offsetof(ShellOptions, show_help)),
    flag("--version", offsetof(ShellOptions, show_version)),
    path("--data", offsetof(ShellOptions, data_dir), "a directory name"),
    number("--start-tick", offsetof(ShellOptions, start_tick), 0, 0xFFFFFFFFu,
           offsetof(ShellOptions, start_tick_given)),
    path("--input", offsetof(ShellOptions, input_path), "a file name"),
    number("--passes", offsetof(ShellOptions, passes), 0, 0x7FFFFFFF),
    path("--dump", offsetof(ShellOptions, dump_path), "a file name"),
    path("--trace", offsetof(ShellOptions, trace_path), "a file name"),
    path("--audio-log", offsetof(ShellOptions, audio_log_path), "a file name"),
    pass_file("--shot", offsetof(ShellOptions, shots), offsetof(ShellOptions, shot_count)),
    pass_file("--dump-at", offsetof(ShellOptions, dumps_at), offsetof(ShellOptions, dump_at_count)),
};

template <typename T> T* field_of(ShellOptions* options, size_t offset)
{
    return reinterpret_cast<T*>(reinterpret_cast<char*>(options) + offset);
}

const Option* find_option(std::string_view name)
{
    for (const Option& option : OPTIONS) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

// Puts one option's value (null for a flag) into `options`; false with the reason.
bool take_option(const Option& option, const char* v, ShellOptions* options, char* error, size_t error_size)
{
    switch (option.kind) {
    case OPTION_FLAG:
        *field_of<int>(options, option.field) = 1;
        return true;
    case OPTION_PATH:
        if (!copy_path(field_of<char>(options, option.field), v)) {
            if (v[0]) {
                snprintf(error, error_size, "%s file name too long (%d characters at most)", option.name,
                         CMDLINE_PATH_SIZE - 1);
            } else {
                snprintf(error, error_size, "%s needs %s", option.name, option.needs);
            }
            return false;
        }
        return true;
    case OPTION_NUMBER: {
        uint64_t number = 0;
        if (!parse_unsigned(v, option.high, &number) || number < option.low) {
            snprintf(error, error_size, "%s needs a number from %llu to %llu, not '%.40s'", option.name,
                     static_cast<unsigned long long>(option.low), static_cast<unsigned long long>(option.high), v);
            return false;
        }
        // Every number field is an int but the start tick, which may use all 32 bits.
        if (option.high > 0x7FFFFFFF) {
            *field_of<uint32_t>(options, option.field) = static_cast<uint32_t>(number);
        } else {
            *field_of<int>(options, option.field) = static_cast<int>(number);
        }
        if (option.given != NO_FIELD) {
            *field_of<int>(options, option.given) = 1;
        }
        return true;
    }
    case OPTION_PASS_FILE:
        return parse_pass_file(option.name, v, field_of<ShotRequest>(options, option.field),
                               field_of<int>(options, option.count), error, error_size);
    }
    return false;
}

}  // namespace

int cmdline_parse(int argc, char** argv, ShellOptions* options, char* error, size_t error_size)
{
    memset(options, 0, sizeof *options);
    options->start_tick = 1000;
    options->passes = -1;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const char* v = nullptr;
        std::string_view name = arg;
        size_t eq = arg.find('=');
        if (arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            v = argv[i] + eq + 1;  // "--name=value"
        }
        const Option* option = find_option(name);
        if (!option) {
            snprintf(error, error_size, "unknown option '%.60s' (try --help)", argv[i]);
            return 0;
        }
        if (option->kind == OPTION_FLAG && v) {
            snprintf(error, error_size, "option %.*s takes no value", static_cast<int>(name.size()), name.data());
            return 0;
        }
        if (option->kind != OPTION_FLAG && !v) {
            if (i + 1 >= argc) {
                snprintf(error, error_size, "option %s needs a value", argv[i]);
                return 0;
            }
            v = argv[++i];
        }
        if (!take_option(*option, v, options, error, error_size)) {
            return 0;
        }
    }

    // A window keeps the game's clock itself unless a session is recorded or
    // played back, which run on the same virtual clock as a headless run.
    if (!options->headless && options->start_tick_given && !options->input_path[0] && !options->record_path[0]) {
        snprintf(error, error_size, "--start-tick needs --headless, --input or --record");
        return 0;
    }
    if (options->replay_path[0] && (options->input_path[0] || options->record_path[0] || options->start_tick_given)) {
        snprintf(error, error_size, "--replay takes its keys and start tick from the recording: not with %s",
                 options->input_path[0]    ? "--input"
                 : options->record_path[0] ? "--record"
                                           : "--start-tick");
        return 0;
    }
    if (options->write_checks && (!options->replay_path[0] || !options->headless)) {
        snprintf(error, error_size, "--write-checks needs --headless --replay FILE");
        return 0;
    }
    if (options->windowed && options->fullscreen) {
        snprintf(error, error_size, "--window and --fullscreen contradict each other");
        return 0;
    }
    return 1;
}
