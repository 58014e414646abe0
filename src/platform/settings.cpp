#include "platform/settings.h"

#include <SDL2/SDL.h>
#include <ini.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/host.h"

namespace {

struct ActionInfo {
    const char* name;
    const char* key;
    int game_key;
    const char* comment;
};

// Game key codes as the game polls them (platform.h's VK_ values).
constexpr ActionInfo ACTIONS[ACTION_COUNT] = {
    {"key_up", "Up", 0x26, "accelerate; move up in the battle; next letter"},
    {"key_down", "Down", 0x28, "brake; move down in the battle; previous letter"},
    {"key_left", "Left", 0x25, "steer left"},
    {"key_right", "Right", 0x27, "steer right"},
    {"key_fire", "Space", 0x20, "fire the cannon; go on from a screen; confirm a letter"},
    {"key_help", "H", 0x48, "call the help truck; high scores from the menu"},
    {"key_radio", "S", 0x53, "next radio station; start a game from the menu"},
    {"key_controls", "C", 0x43, "the controls screen from the menu"},
    {"key_credits", "R", 0x52, "the credits from the menu"},
    {"key_quit", "Q", 0x51, "quit"},
    {"key_pause", "P", 0, "pause and go on"},
    {"key_screenshot", "F12", 0, "save the picture as a PNG in your Pictures folder"},
};

struct Reader {
    const std::string* path;
    PlatSettings* settings;
    std::vector<std::string>* warnings;
    FILE* file;
    int line;
};

void warn(Reader* r, const char* setting, const std::string& why)
{
    char text[512];
    snprintf(text, sizeof text, "%s, line %d: %s %s; the default is used", r->path->c_str(), r->line, setting,
             why.c_str());
    r->warnings->push_back(plat_printable(text));
}

bool parse_bool(const char* value, bool* out)
{
    static constexpr const char* YES[] = {"yes", "true", "on", "1"};
    static constexpr const char* NO[] = {"no", "false", "off", "0"};
    for (const char* word : YES) {
        if (strcasecmp(value, word) == 0) {
            *out = true;
            return true;
        }
    }
    for (const char* word : NO) {
        if (strcasecmp(value, word) == 0) {
            *out = false;
            return true;
        }
    }
    return false;
}

bool parse_int(const char* value, int low, int high, int* out)
{
    char* end = nullptr;
    errno = 0;
    long n = strtol(value, &end, 10);
    if (errno != 0 || end == value || *end != '\0' || n < low || n > high) {
        return false;
    }
    *out = static_cast<int>(n);
    return true;
}

// Reads one line at a time so the handler knows which line it was given.
char* read_line(char* str, int num, void* stream)
{
    Reader* r = static_cast<Reader*>(stream);
    char* got = fgets(str, num, r->file);
    if (got) {
        ++r->line;
    }
    return got;
}

int on_value(void* user, const char* section, const char* name, const char* value)
{
    Reader* r = static_cast<Reader*>(user);
    PlatSettings* s = r->settings;
    const std::string key = std::string(section) + "." + name;
    auto yes_no = [&](bool* field) {
        if (!parse_bool(value, field)) {
            warn(r, name, std::string("wants yes or no, not '") + value + "'");
        }
    };
    auto volume = [&](int* field) {
        if (!parse_int(value, 0, 100, field)) {
            warn(r, name, std::string("wants a number from 0 to 100, not '") + value + "'");
        }
    };
    if (key == "display.fullscreen") {
        yes_no(&s->fullscreen);
    } else if (key == "display.window_scale") {
        if (!parse_int(value, 1, PLAT_SCALE_MAX, &s->window_scale)) {
            warn(r, name, std::string("wants a number from 1 to 8, not '") + value + "'");
        }
    } else if (key == "display.scaling") {
        if (strcasecmp(value, "fit") == 0) {
            s->integer_scaling = false;
        } else if (strcasecmp(value, "integer") == 0) {
            s->integer_scaling = true;
        } else {
            warn(r, name, std::string("wants fit or integer, not '") + value + "'");
        }
    } else if (key == "display.vsync") {
        yes_no(&s->vsync);
    } else if (key == "sound.music_volume") {
        volume(&s->music_volume);
    } else if (key == "sound.effects_volume") {
        volume(&s->effects_volume);
    } else if (key == "sound.soundfont") {
        s->soundfont = value;
    } else if (key == "gamepad.enabled") {
        yes_no(&s->gamepad);
    } else if (std::string(section) == "keys") {
        for (int a = 0; a < ACTION_COUNT; ++a) {
            if (strcmp(name, ACTIONS[a].name) != 0) {
                continue;
            }
            if (plat_key_from_name(value) == 0) {
                warn(r, name, std::string("names no key: '") + value + "'");
            } else {
                s->keys[a] = value;
            }
            return 1;
        }
        warn(r, name, "is not a setting of [keys]");
    } else {
        warn(r, name, std::string("is not a setting of [") + section + "]");
    }
    return 1;
}

// Two actions on one key: the later one goes back to its default (when that
// key is free), so every action can still be reached.
void check_duplicate_keys(Reader* r, const PlatSettings& defaults)
{
    for (int a = 1; a < ACTION_COUNT; ++a) {
        const int key = plat_key_from_name(r->settings->keys[a].c_str());
        for (int b = 0; b < a; ++b) {
            if (plat_key_from_name(r->settings->keys[b].c_str()) != key) {
                continue;
            }
            char text[512];
            snprintf(text, sizeof text, "%s: %s and %s are both '%s'; %s goes back to '%s'", r->path->c_str(),
                     ACTIONS[b].name, ACTIONS[a].name, r->settings->keys[a].c_str(), ACTIONS[a].name,
                     defaults.keys[a].c_str());
            r->warnings->push_back(plat_printable(text));
            r->settings->keys[a] = defaults.keys[a];
            break;
        }
    }
}

bool make_parent_directories(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

}  // namespace

PlatSettings plat_default_settings()
{
    PlatSettings s;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        s.keys[a] = ACTIONS[a].key;
    }
    return s;
}

const char* plat_action_name(PlatAction action)
{
    return action >= 0 && action < ACTION_COUNT ? ACTIONS[action].name : "";
}

int plat_action_game_key(PlatAction action)
{
    return action >= 0 && action < ACTION_COUNT ? ACTIONS[action].game_key : 0;
}

int plat_key_from_name(const char* name)
{
    if (!name || !name[0]) {
        return 0;
    }
    const SDL_Keycode key = SDL_GetKeyFromName(name);
    return key == SDLK_UNKNOWN ? 0 : static_cast<int>(key);
}

std::string plat_settings_path()
{
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        return std::string(xdg) + "/tailgate/tailgate.ini";
    }
    const char* home = getenv("HOME");
    if (!home || home[0] != '/') {
        const struct passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || home[0] != '/') {
        return std::string();
    }
    return std::string(home) + "/.config/tailgate/tailgate.ini";
}

std::string plat_settings_text(const PlatSettings& s)
{
    std::string t;
    auto line = [&](const std::string& text) { t += text + "\n"; };
    auto yes_no = [](bool v) { return std::string(v ? "yes" : "no"); };
    line("# Tailgate's settings. Lines are 'name = value'; '#' starts a comment.");
    line("# Delete this file to get the defaults back. Command-line options win over it.");
    line("");
    line("[display]");
    line("# yes: full screen at the desktop's size; no: a window (Alt+Enter switches)");
    line("fullscreen = " + yes_no(s.fullscreen));
    line("# the window's size as a multiple of 640 x 480, from 1 to 8");
    line("window_scale = " + std::to_string(s.window_scale));
    line("# fit: the picture as large as fits, kept at 4:3; integer: whole multiples only (sharp pixels)");
    line(std::string("scaling = ") + (s.integer_scaling ? "integer" : "fit"));
    line("# yes: wait for the screen's refresh before showing a picture (no tearing)");
    line("vsync = " + yes_no(s.vsync));
    line("");
    line("[sound]");
    line("# loudness of the radio and the battle music, from 0 (off) to 100");
    line("music_volume = " + std::to_string(s.music_volume));
    line("# loudness of the sound effects and voices, from 0 (off) to 100");
    line("effects_volume = " + std::to_string(s.effects_volume));
    line("# a SoundFont (.sf2 or .sf3) for the music; empty: $TAILGATE_SOUNDFONT, then a .sf2 in the");
    line("# data folder, then /usr/share/sounds/sf2/default-GM.sf2 and TimGM6mb.sf2");
    line("soundfont = " + s.soundfont);
    line("");
    line("[keys]");
    line("# SDL's key names: letters, digits, Up, Down, Left, Right, Space, Return, Tab,");
    line("# Left Ctrl, Right Shift, F1 .. F12, Keypad 8, ... One key per action.");
    for (int a = 0; a < ACTION_COUNT; ++a) {
        line(std::string("# ") + ACTIONS[a].comment);
        line(std::string(ACTIONS[a].name) + " = " + s.keys[a]);
    }
    line("");
    line("[gamepad]");
    line("# yes: a game controller drives too (d-pad or left stick: arrows; A: Space, B: H,");
    line("# X and Y: S, Start: P); plugged in or out at any time");
    line("enabled = " + yes_no(s.gamepad));
    return t;
}

bool plat_load_settings(const std::string& path, PlatSettings* settings, std::vector<std::string>* warnings,
                        bool* created)
{
    *created = false;
    const PlatSettings defaults = plat_default_settings();
    int opened = PLAT_FILE_OK;
    FILE* file = plat_open_regular(path.c_str(), &opened);
    if (!file && opened == PLAT_FILE_MISSING) {
        if (!make_parent_directories(path)) {
            warnings->push_back(plat_printable("cannot make the folder for " + path + ": " + strerror(errno)));
            return false;
        }
        const std::string text = plat_settings_text(defaults);
        if (!plat_replace_file(path.c_str(), text.data(), text.size())) {
            warnings->push_back(plat_printable("cannot write " + path + ": " + strerror(errno)));
            return false;
        }
        *created = true;
        return true;
    }
    if (!file) {
        const char* why =
            opened == PLAT_FILE_UNREADABLE && errno != 0 ? strerror(errno) : plat_file_result_text(opened);
        warnings->push_back(plat_printable("cannot read " + path + ": " + why + "; the defaults are used"));
        return false;
    }
    Reader reader{&path, settings, warnings, file, 0};
    const int result = ini_parse_stream(read_line, &reader, on_value, &reader);
    fclose(file);
    if (result > 0) {
        // A line that is neither a setting nor a [section]; the handler was
        // not called for it, so it is named here.
        char text[512];
        snprintf(text, sizeof text, "%s, line %d: not 'name = value' or '[section]'; it is ignored", path.c_str(),
                 result);
        warnings->push_back(plat_printable(text));
    }
    check_duplicate_keys(&reader, defaults);
    return true;
}
