#include "shell/cmdline.h"

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
bool parse_pass_file(const char* option, const char* v, ShotRequest* list, int* count, char* error,
                     size_t error_size)
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
        snprintf(error, error_size, "%s file name too long", option);
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
           "  --record FILE        write the session's keys as an input script, to watch again\n"
           "                       (--input FILE) or to run headless\n"
           "  --input FILE         play a recorded session or input script back in the window\n"
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
           "--passes, --dump, --dump-at, --trace, --shot and --audio-log also work with a window.\n"
           "Keys in a window: P pauses, F12 saves a screenshot, Alt+Enter switches full screen.\n";
}

int cmdline_parse(int argc, char** argv, ShellOptions* options, char* error, size_t error_size)
{
    memset(options, 0, sizeof *options);
    options->start_tick = 1000;
    options->passes = -1;
    bool tick_given = false;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const char* inline_value = nullptr;
        std::string_view name = arg;
        size_t eq = arg.find('=');
        if (arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inline_value = argv[i] + eq + 1;
        }

        auto flag = [&](const char* option) {
            return name == option;
        };
        // Takes the option's value from "--name=value" or the next word.
        auto value = [&](const char** out) {
            if (inline_value) {
                *out = inline_value;
                return true;
            }
            if (i + 1 >= argc) {
                snprintf(error, error_size, "option %s needs a value", argv[i]);
                return false;
            }
            *out = argv[++i];
            return true;
        };
        auto no_value = [&]() {
            if (inline_value) {
                snprintf(error, error_size, "option %.*s takes no value", static_cast<int>(name.size()), name.data());
                return false;
            }
            return true;
        };

        const char* v = nullptr;
        if (flag("--headless")) {
            if (!no_value()) return 0;
            options->headless = 1;
        } else if (flag("--window")) {
            if (!no_value()) return 0;
            options->windowed = 1;
        } else if (flag("--fullscreen")) {
            if (!no_value()) return 0;
            options->fullscreen = 1;
        } else if (flag("--scale")) {
            if (!value(&v)) return 0;
            uint64_t scale = 0;
            if (!parse_unsigned(v, 8, &scale) || scale < 1) {
                snprintf(error, error_size, "--scale needs a number from 1 to 8, not '%.40s'", v);
                return 0;
            }
            options->scale = static_cast<int>(scale);
        } else if (flag("--config")) {
            if (!value(&v)) return 0;
            if (!copy_path(options->config_path, v)) {
                snprintf(error, error_size, "--config needs a file name");
                return 0;
            }
        } else if (flag("--record")) {
            if (!value(&v)) return 0;
            if (!copy_path(options->record_path, v)) {
                snprintf(error, error_size, "--record needs a file name");
                return 0;
            }
        } else if (flag("--help") || flag("-h")) {
            if (!no_value()) return 0;
            options->show_help = 1;
        } else if (flag("--version")) {
            if (!no_value()) return 0;
            options->show_version = 1;
        } else if (flag("--data")) {
            if (!value(&v)) return 0;
            if (!copy_path(options->data_dir, v)) {
                snprintf(error, error_size, "--data needs a directory name");
                return 0;
            }
        } else if (flag("--start-tick")) {
            if (!value(&v)) return 0;
            uint64_t tick = 0;
            if (!parse_unsigned(v, 0xFFFFFFFFu, &tick)) {
                snprintf(error, error_size, "--start-tick needs a number from 0 to 4294967295, not '%.40s'", v);
                return 0;
            }
            options->start_tick = static_cast<uint32_t>(tick);
            tick_given = true;
        } else if (flag("--input")) {
            if (!value(&v)) return 0;
            if (!copy_path(options->input_path, v)) {
                snprintf(error, error_size, "--input needs a file name");
                return 0;
            }
        } else if (flag("--passes")) {
            if (!value(&v)) return 0;
            uint64_t passes = 0;
            if (!parse_unsigned(v, 0x7FFFFFFF, &passes)) {
                snprintf(error, error_size, "--passes needs a number from 0 to 2147483647, not '%.40s'", v);
                return 0;
            }
            options->passes = static_cast<int>(passes);
        } else if (flag("--dump")) {
            if (!value(&v)) return 0;
            if (!copy_path(options->dump_path, v)) {
                snprintf(error, error_size, "--dump needs a file name");
                return 0;
            }
        } else if (flag("--trace")) {
            if (!value(&v)) return 0;
            if (!copy_path(options->trace_path, v)) {
                snprintf(error, error_size, "--trace needs a file name");
                return 0;
            }
        } else if (flag("--audio-log")) {
            if (!value(&v)) return 0;
            if (!copy_path(options->audio_log_path, v)) {
                snprintf(error, error_size, "--audio-log needs a file name");
                return 0;
            }
        } else if (flag("--shot")) {
            if (!value(&v) || !parse_pass_file("--shot", v, options->shots, &options->shot_count, error, error_size)) {
                return 0;
            }
        } else if (flag("--dump-at")) {
            if (!value(&v) ||
                !parse_pass_file("--dump-at", v, options->dumps_at, &options->dump_at_count, error, error_size)) {
                return 0;
            }
        } else {
            snprintf(error, error_size, "unknown option '%.60s' (try --help)", argv[i]);
            return 0;
        }
    }

    // A window keeps the game's clock itself unless a session is recorded or
    // played back, which run on the same virtual clock as a headless run.
    if (!options->headless && tick_given && !options->input_path[0] && !options->record_path[0]) {
        snprintf(error, error_size, "--start-tick needs --headless, --input or --record");
        return 0;
    }
    if (options->windowed && options->fullscreen) {
        snprintf(error, error_size, "--window and --fullscreen contradict each other");
        return 0;
    }
    options->start_tick_given = tick_given ? 1 : 0;
    return 1;
}
