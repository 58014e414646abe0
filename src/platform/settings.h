// The player's settings: tailgate.ini in $XDG_CONFIG_HOME/tailgate (or
// ~/.config/tailgate), read at start-up and written with its defaults, each
// with a comment, when it is missing. They shape the window, the mix, the
// keys and the gamepad; the game's rules never see them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/keys.h"

// The actions (PlatAction) and their keys are the key table's (platform/keys.h).

constexpr int PLAT_SCALE_MAX = 8;
// The bounds of a window size the player gives.
constexpr int PLAT_WINDOW_MIN_WIDTH = 320;
constexpr int PLAT_WINDOW_MIN_HEIGHT = 240;
constexpr int PLAT_WINDOW_MAX_SIZE = 16384;

struct PlatSettings {
    bool fullscreen = true;
    int window_scale = 2;  // the window is 640 x 480 times this
    int window_width = 0;  // the window's size in pixels; 0 x 0: automatic
    int window_height = 0;
    bool integer_scaling = false;  // whole multiples only, instead of the largest 4:3 fit
    bool vsync = true;
    bool attract_mode = true;  // a demo plays on the title screen after 30 s without a key
    int music_volume = 100;    // 0 .. 100
    int effects_volume = 100;  // 0 .. 100
    bool gamepad = true;
    std::string soundfont;           // empty: TAILGATE_SOUNDFONT, then the usual places
    std::string keys[ACTION_COUNT];  // SDL key names ("Up", "Space", "H", "F12")
};

// The settings a new player starts with.
PlatSettings plat_default_settings();

// The setting's name in the file for an action ("key_up", ...), and the game
// key code the action stands for (0 for pause and screenshot, which the
// platform handles itself).
const char* plat_action_name(PlatAction action);
int plat_action_game_key(PlatAction action);

// $XDG_CONFIG_HOME/tailgate/tailgate.ini, or ~/.config/tailgate/tailgate.ini
// when XDG_CONFIG_HOME is unset, empty or relative. Empty when there is no
// home directory.
std::string plat_settings_path();

// Reads `path` over `settings` (which should hold the defaults). Lines are
// read whole, whatever their length. A line that cannot be used adds one
// warning naming the file, the line and the setting, and saying what stands
// instead (the default, the value an earlier line gave, or the later line
// that sets it); the warnings come
// in the order of the lines. A key another action already has is refused for
// the later one (see the file's comments). A missing file is written with the
// defaults and their comments (its directory made as needed); `created` then
// says so. False only when the file exists but cannot be read, or a missing
// one cannot be written; `warnings` then says why and the defaults stand.
bool plat_load_settings(const std::string& path, PlatSettings* settings, std::vector<std::string>* warnings,
                        bool* created);

// One value to write: `key` of [section].
struct PlatSettingChange {
    std::string section;
    std::string key;
    std::string value;
};

// Rewrites the values `changes` name in the settings file at `path`, in
// place: every other byte (the player's comments, blank lines, settings this
// game does not know, their order, the line ends) stays as it was. A setting
// the file lacks is added, with its comment, after the last setting of its
// section; a missing section is added at the end. A missing file is written
// whole first, with the defaults. The file is replaced in one step (a
// temporary file renamed over it), under the same lock as other saves. False,
// with one line in `error` naming the file and the reason, when it cannot be
// done (the file is then as it was); also when a value would not read back
// as given (a line end, or a value with a comment in it).
bool plat_settings_update(const std::string& path, const std::vector<PlatSettingChange>& changes, std::string* error);

// The text of a settings file holding `settings`, with a comment for each.
std::string plat_settings_text(const PlatSettings& settings);

// Applying them: to the window made by the next plat_window_create (its
// size, scaling, vsync, keys and the gamepad), and to the mix.
void plat_window_configure(const PlatSettings& settings);
void plat_audio_configure(const PlatSettings& settings);
