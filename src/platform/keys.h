// Keys, once for the whole game: our own codes for the keyboard's keys (a
// backend turns its system's key events into them), the names the settings
// file accepts for them (the names SDL gives, so that settings files written
// by earlier versions keep working), the game key codes the game polls, and
// the one table of actions that ties them together: the settings, every
// backend, the input script's parser and the autopilot read it, and nothing
// else spells a key out.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// The game key codes the game polls with plat_key_down. Values as the game
// has always used them (they are in recordings only by name, never by value).
namespace gk {
constexpr int SPACE = 0x20;
constexpr int LEFT = 0x25;
constexpr int UP = 0x26;
constexpr int RIGHT = 0x27;
constexpr int DOWN = 0x28;
constexpr int C = 0x43;
constexpr int H = 0x48;
constexpr int Q = 0x51;
constexpr int R = 0x52;
constexpr int S = 0x53;
}  // namespace gk

// The largest game key code + 1: arrays indexed by game key code.
constexpr int PLAT_GAME_KEY_LIMIT = 256;

// ---------------------------------------------------------------------------
// Keyboard keys, by what their label says (the layout's meaning, not the
// physical place): keys that type a character are that character's Unicode
// code point, letters in lower case ('a', '7', '-', ' ', U+00E9); every other
// key has a code of its own from PLAT_KEY_NAMED on. 0 is no key.
enum PlatKey : int32_t {
    PLAT_KEY_NONE = 0,
    PLAT_KEY_BACKSPACE = 0x08,
    PLAT_KEY_TAB = 0x09,
    PLAT_KEY_RETURN = 0x0D,
    PLAT_KEY_ESCAPE = 0x1B,
    PLAT_KEY_SPACE = 0x20,
    PLAT_KEY_DELETE = 0x7F,
    PLAT_KEY_NAMED = 0x40000000,
    PLAT_KEY_UP = PLAT_KEY_NAMED,
    PLAT_KEY_DOWN,
    PLAT_KEY_LEFT,
    PLAT_KEY_RIGHT,
    PLAT_KEY_INSERT,
    PLAT_KEY_HOME,
    PLAT_KEY_END,
    PLAT_KEY_PAGE_UP,
    PLAT_KEY_PAGE_DOWN,
    PLAT_KEY_F1,  // F1 .. F24 follow in order
    PLAT_KEY_F24 = PLAT_KEY_F1 + 23,
    PLAT_KEY_KP_0,  // keypad 0 .. 9 follow in order
    PLAT_KEY_KP_9 = PLAT_KEY_KP_0 + 9,
    PLAT_KEY_KP_PERIOD,
    PLAT_KEY_KP_DIVIDE,
    PLAT_KEY_KP_MULTIPLY,
    PLAT_KEY_KP_MINUS,
    PLAT_KEY_KP_PLUS,
    PLAT_KEY_KP_ENTER,
    PLAT_KEY_KP_EQUALS,
    PLAT_KEY_LEFT_SHIFT,
    PLAT_KEY_RIGHT_SHIFT,
    PLAT_KEY_LEFT_CTRL,
    PLAT_KEY_RIGHT_CTRL,
    PLAT_KEY_LEFT_ALT,
    PLAT_KEY_RIGHT_ALT,
    PLAT_KEY_LEFT_GUI,
    PLAT_KEY_RIGHT_GUI,
    PLAT_KEY_CAPS_LOCK,
    PLAT_KEY_NUM_LOCK,
    PLAT_KEY_SCROLL_LOCK,
    PLAT_KEY_PRINT_SCREEN,
    PLAT_KEY_PAUSE,
    PLAT_KEY_MENU,
    PLAT_KEY_LIMIT
};

// The key a name stands for, as the settings file gives it ("Up", "Space",
// "h", "F12", "Keypad 8", "Left Ctrl"; upper and lower case alike); 0 when
// the name is no key.
int plat_key_from_name(const char* name);
// The key's name as the settings file and the pause hint write it ("Up",
// "Space", "H", "F12"); "" for no key.
const char* plat_key_name(int key);

// ---------------------------------------------------------------------------
// Game controller buttons and axes, as every backend reports them. A button
// is also its bit in a mask (1 << button), so the values stay below 31.
enum PlatPadButton {
    PLAT_PAD_A,
    PLAT_PAD_B,
    PLAT_PAD_X,
    PLAT_PAD_Y,
    PLAT_PAD_BACK,
    PLAT_PAD_GUIDE,
    PLAT_PAD_START,
    PLAT_PAD_LEFT_STICK,
    PLAT_PAD_RIGHT_STICK,
    PLAT_PAD_LEFT_SHOULDER,
    PLAT_PAD_RIGHT_SHOULDER,
    PLAT_PAD_DPAD_UP,
    PLAT_PAD_DPAD_DOWN,
    PLAT_PAD_DPAD_LEFT,
    PLAT_PAD_DPAD_RIGHT,
    PLAT_PAD_BUTTON_COUNT
};
// The left stick's axes; values -32768 .. 32767, y growing downwards.
enum PlatPadAxis {
    PLAT_PAD_AXIS_LEFT_X,
    PLAT_PAD_AXIS_LEFT_Y,
    PLAT_PAD_AXIS_OTHER
};

// ---------------------------------------------------------------------------
// The actions: what a key does, in the order the settings file lists them.
enum PlatAction {
    ACTION_UP,
    ACTION_DOWN,
    ACTION_LEFT,
    ACTION_RIGHT,
    ACTION_FIRE,
    ACTION_HELP,
    ACTION_RADIO,
    ACTION_CONTROLS,
    ACTION_CREDITS,
    ACTION_QUIT,
    ACTION_PAUSE,
    ACTION_SCREENSHOT,
    ACTION_COUNT
};

// One action, everything about it.
struct PlatActionInfo {
    PlatAction action;
    const char* setting;      // its name in the settings file ("key_up")
    const char* default_key;  // the key it has by default, by name ("Up")
    const char* script_name;  // its name in input scripts and recordings ("UP"); null: none
    int game_key;             // the game key code it gives (gk::UP); 0: the platform's own (pause, screenshot)
    uint32_t pad_buttons;     // the pad buttons that give it too (bit per PlatPadButton)
    const char* comment;      // what it does, for the settings file's comment
};

// The table, indexed by PlatAction.
extern const PlatActionInfo PLAT_ACTIONS[ACTION_COUNT];

// Every game key, in the order a window looks at the player's keys for a
// recording (one change per wait, the first in this order) and the autopilot
// numbers them: everything the game is ever given.
constexpr int PLAT_GAME_KEY_COUNT = 10;
extern const int PLAT_GAME_KEYS[PLAT_GAME_KEY_COUNT];

// The game key code of an input script's key name ("SPACE", "UP", ...;
// exact case), 0 when there is none; and the script's name of a game key
// code, null when there is none.
int plat_game_key_from_script_name(const char* name, int length);
const char* plat_script_name_of_game_key(int game_key);
