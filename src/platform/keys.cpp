// The key table and the names of the keyboard's keys.
#include "platform/keys.h"

#include <cstring>
#include <string_view>

namespace {

constexpr uint32_t pad_bit(PlatPadButton button)
{
    return 1u << button;
}

// The names of the keys that type no character of their own (or whose
// character is a control code), as the settings file takes them: SDL's names,
// so that files written before keep their keys.
struct NamedKey {
    int key;
    const char* name;
};

constexpr NamedKey NAMED_KEYS[] = {
    {PLAT_KEY_RETURN, "Return"},
    {PLAT_KEY_ESCAPE, "Escape"},
    {PLAT_KEY_BACKSPACE, "Backspace"},
    {PLAT_KEY_TAB, "Tab"},
    {PLAT_KEY_SPACE, "Space"},
    {PLAT_KEY_DELETE, "Delete"},
    {PLAT_KEY_UP, "Up"},
    {PLAT_KEY_DOWN, "Down"},
    {PLAT_KEY_LEFT, "Left"},
    {PLAT_KEY_RIGHT, "Right"},
    {PLAT_KEY_INSERT, "Insert"},
    {PLAT_KEY_HOME, "Home"},
    {PLAT_KEY_END, "End"},
    {PLAT_KEY_PAGE_UP, "PageUp"},
    {PLAT_KEY_PAGE_DOWN, "PageDown"},
    {PLAT_KEY_F1 + 0, "F1"},
    {PLAT_KEY_F1 + 1, "F2"},
    {PLAT_KEY_F1 + 2, "F3"},
    {PLAT_KEY_F1 + 3, "F4"},
    {PLAT_KEY_F1 + 4, "F5"},
    {PLAT_KEY_F1 + 5, "F6"},
    {PLAT_KEY_F1 + 6, "F7"},
    {PLAT_KEY_F1 + 7, "F8"},
    {PLAT_KEY_F1 + 8, "F9"},
    {PLAT_KEY_F1 + 9, "F10"},
    {PLAT_KEY_F1 + 10, "F11"},
    {PLAT_KEY_F1 + 11, "F12"},
    {PLAT_KEY_F1 + 12, "F13"},
    {PLAT_KEY_F1 + 13, "F14"},
    {PLAT_KEY_F1 + 14, "F15"},
    {PLAT_KEY_F1 + 15, "F16"},
    {PLAT_KEY_F1 + 16, "F17"},
    {PLAT_KEY_F1 + 17, "F18"},
    {PLAT_KEY_F1 + 18, "F19"},
    {PLAT_KEY_F1 + 19, "F20"},
    {PLAT_KEY_F1 + 20, "F21"},
    {PLAT_KEY_F1 + 21, "F22"},
    {PLAT_KEY_F1 + 22, "F23"},
    {PLAT_KEY_F1 + 23, "F24"},
    {PLAT_KEY_KP_0 + 0, "Keypad 0"},
    {PLAT_KEY_KP_0 + 1, "Keypad 1"},
    {PLAT_KEY_KP_0 + 2, "Keypad 2"},
    {PLAT_KEY_KP_0 + 3, "Keypad 3"},
    {PLAT_KEY_KP_0 + 4, "Keypad 4"},
    {PLAT_KEY_KP_0 + 5, "Keypad 5"},
    {PLAT_KEY_KP_0 + 6, "Keypad 6"},
    {PLAT_KEY_KP_0 + 7, "Keypad 7"},
    {PLAT_KEY_KP_0 + 8, "Keypad 8"},
    {PLAT_KEY_KP_0 + 9, "Keypad 9"},
    {PLAT_KEY_KP_PERIOD, "Keypad ."},
    {PLAT_KEY_KP_DIVIDE, "Keypad /"},
    {PLAT_KEY_KP_MULTIPLY, "Keypad *"},
    {PLAT_KEY_KP_MINUS, "Keypad -"},
    {PLAT_KEY_KP_PLUS, "Keypad +"},
    {PLAT_KEY_KP_ENTER, "Keypad Enter"},
    {PLAT_KEY_KP_EQUALS, "Keypad ="},
    {PLAT_KEY_LEFT_SHIFT, "Left Shift"},
    {PLAT_KEY_RIGHT_SHIFT, "Right Shift"},
    {PLAT_KEY_LEFT_CTRL, "Left Ctrl"},
    {PLAT_KEY_RIGHT_CTRL, "Right Ctrl"},
    {PLAT_KEY_LEFT_ALT, "Left Alt"},
    {PLAT_KEY_RIGHT_ALT, "Right Alt"},
    {PLAT_KEY_LEFT_GUI, "Left GUI"},
    {PLAT_KEY_RIGHT_GUI, "Right GUI"},
    {PLAT_KEY_CAPS_LOCK, "CapsLock"},
    {PLAT_KEY_NUM_LOCK, "Numlock"},
    {PLAT_KEY_SCROLL_LOCK, "ScrollLock"},
    {PLAT_KEY_PRINT_SCREEN, "PrintScreen"},
    {PLAT_KEY_PAUSE, "Pause"},
    {PLAT_KEY_MENU, "Menu"},
};

bool same_letters(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
        if (x != y) {
            return false;
        }
    }
    return *a == *b;
}

// The code point of a name that is exactly one UTF-8 character, else -1.
int one_character(const char* name)
{
    const auto* s = reinterpret_cast<const unsigned char*>(name);
    const size_t length = strlen(name);
    if (s[0] < 0x80) {
        return length == 1 ? s[0] : -1;
    }
    const size_t need = s[0] >= 0xF0 ? 4 : s[0] >= 0xE0 ? 3 : s[0] >= 0xC0 ? 2 : 0;
    if (need == 0 || length != need) {
        return -1;
    }
    int code = s[0] & (0x7F >> need);
    for (size_t i = 1; i < need; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            return -1;
        }
        code = (code << 6) | (s[i] & 0x3F);
    }
    return code;
}

}  // namespace

const PlatActionInfo PLAT_ACTIONS[ACTION_COUNT] = {
    {ACTION_UP, "key_up", "Up", "UP", gk::UP, pad_bit(PLAT_PAD_DPAD_UP),
     "accelerate; move up in the battle; next letter"},
    {ACTION_DOWN, "key_down", "Down", "DOWN", gk::DOWN, pad_bit(PLAT_PAD_DPAD_DOWN),
     "brake; move down in the battle; previous letter"},
    {ACTION_LEFT, "key_left", "Left", "LEFT", gk::LEFT, pad_bit(PLAT_PAD_DPAD_LEFT), "steer left"},
    {ACTION_RIGHT, "key_right", "Right", "RIGHT", gk::RIGHT, pad_bit(PLAT_PAD_DPAD_RIGHT), "steer right"},
    {ACTION_FIRE, "key_fire", "Space", "SPACE", gk::SPACE, pad_bit(PLAT_PAD_A),
     "fire the cannon; go on from a screen; confirm a letter"},
    {ACTION_HELP, "key_help", "H", "H", gk::H, pad_bit(PLAT_PAD_B), "call the help truck; high scores from the menu"},
    {ACTION_RADIO, "key_radio", "S", "S", gk::S, pad_bit(PLAT_PAD_X) | pad_bit(PLAT_PAD_Y),
     "next radio station; start a game from the menu"},
    {ACTION_CONTROLS, "key_controls", "C", "C", gk::C, 0, "the controls screen from the menu"},
    {ACTION_CREDITS, "key_credits", "R", "R", gk::R, 0, "the credits from the menu"},
    {ACTION_QUIT, "key_quit", "Q", "Q", gk::Q, 0, "quit"},
    {ACTION_PAUSE, "key_pause", "P", nullptr, 0, pad_bit(PLAT_PAD_START), "pause and go on"},
    {ACTION_SCREENSHOT, "key_screenshot", "F12", nullptr, 0, 0, "save the picture as a PNG in your Pictures folder"},
};

const int PLAT_GAME_KEYS[PLAT_GAME_KEY_COUNT] = {gk::SPACE, gk::UP, gk::DOWN, gk::LEFT, gk::RIGHT,
                                                 gk::Q,     gk::S,  gk::C,    gk::R,    gk::H};

int plat_key_from_name(const char* name)
{
    if (!name || !name[0]) {
        return 0;
    }
    const int character = one_character(name);
    if (character >= 0) {
        return character >= 'A' && character <= 'Z' ? character + 32 : character;
    }
    for (const NamedKey& named : NAMED_KEYS) {
        if (same_letters(name, named.name)) {
            return named.key;
        }
    }
    return 0;
}

const char* plat_key_name(int key)
{
    for (const NamedKey& named : NAMED_KEYS) {
        if (named.key == key) {
            return named.name;
        }
    }
    if (key <= 0 || key >= PLAT_KEY_NAMED || key > 0x10FFFF) {
        return "";
    }
    // A character's key is named by the character, letters in upper case.
    static char text[5];
    const int c = key >= 'a' && key <= 'z' ? key - 32 : key;
    if (c < 0x80) {
        text[0] = static_cast<char>(c);
        text[1] = '\0';
    } else if (c < 0x800) {
        text[0] = static_cast<char>(0xC0 | (c >> 6));
        text[1] = static_cast<char>(0x80 | (c & 0x3F));
        text[2] = '\0';
    } else if (c < 0x10000) {
        text[0] = static_cast<char>(0xE0 | (c >> 12));
        text[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text[2] = static_cast<char>(0x80 | (c & 0x3F));
        text[3] = '\0';
    } else {
        text[0] = static_cast<char>(0xF0 | (c >> 18));
        text[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text[3] = static_cast<char>(0x80 | (c & 0x3F));
        text[4] = '\0';
    }
    return text;
}

int plat_game_key_from_script_name(const char* name, int length)
{
    const std::string_view wanted(name, static_cast<size_t>(length));
    for (const PlatActionInfo& action : PLAT_ACTIONS) {
        if (action.script_name && wanted == action.script_name) {
            return action.game_key;
        }
    }
    return 0;
}

const char* plat_script_name_of_game_key(int game_key)
{
    for (const PlatActionInfo& action : PLAT_ACTIONS) {
        if (action.script_name && action.game_key == game_key) {
            return action.script_name;
        }
    }
    return nullptr;
}
