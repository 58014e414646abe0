#include "platform/overlay_menu.h"

#include <algorithm>
#include <cstring>

#include "platform/display_internal.h"
#include "platform/platform.h"

namespace {

// The colours of the game's art: the title's yellow, white text, the grey of
// the road for what cannot be chosen, and the dark blue of the night sky
// behind the panel.
constexpr uint32_t YELLOW = 0xFFD040;
constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t GREY = 0xA0A0A0;
constexpr uint32_t RED = 0xFF6050;
constexpr uint32_t PANEL = 0x101830;

constexpr int VOLUME_STEP = 10;
constexpr uint32_t NOTICE_MS = 2000;

// What each action is called on the keys page and the controls page, and the
// pad's button for it.
struct ActionText {
    const char* label;
    const char* pad;
};
constexpr ActionText ACTION_TEXT[ACTION_COUNT] = {
    {"Accelerate / up", "D-pad up"},
    {"Brake / down", "D-pad down"},
    {"Steer left", "D-pad left"},
    {"Steer right", "D-pad right"},
    {"Fire / go on", "A"},
    {"Help truck / scores", "B"},
    {"Radio / start game", "X or Y"},
    {"Controls (title)", ""},
    {"Credits (title)", ""},
    {"Quit", ""},
    {"Pause", "Start"},
    {"Screenshot", ""},
};

enum OptionItem {
    OPT_MUSIC,
    OPT_EFFECTS,
    OPT_FULLSCREEN,
    OPT_SCALING,
    OPT_VSYNC,
    OPT_GAMEPAD,
    OPT_ATTRACT,
    OPT_KEYS,
    OPT_BACK,
    OPT_COUNT
};

constexpr const char* MAIN_ITEMS[] = {"Resume", "Options", "Controls", "Quit"};
constexpr int MAIN_COUNT = 4;
// The keys page: the actions, then Defaults and Back.
constexpr int KEYS_DEFAULTS = ACTION_COUNT;
constexpr int KEYS_BACK = ACTION_COUNT + 1;
constexpr int KEYS_COUNT = ACTION_COUNT + 2;

struct Menu {
    MenuPage page = PAGE_CLOSED;
    int selected = 0;
    bool waiting = false;  // for the new key of action `selected`
    PlatSettings settings;
    std::string path;
    std::string message;
};
Menu menu;

std::string notice_text;
uint32_t notice_until;

int item_count(MenuPage page)
{
    switch (page) {
    case PAGE_MAIN:
        return MAIN_COUNT;
    case PAGE_OPTIONS:
        return OPT_COUNT;
    case PAGE_KEYS:
        return KEYS_COUNT;
    default:
        return 1;
    }
}

void go_to(MenuPage page, int selected)
{
    menu.page = page;
    menu.selected = selected;
    menu.waiting = false;
}

std::string yes_no(bool value)
{
    return value ? "yes" : "no";
}

// Writes the changed values at once, rewriting only them.
MenuResult write(const std::vector<PlatSettingChange>& changes)
{
    menu.message.clear();
    if (!menu.path.empty()) {
        std::string error;
        if (!plat_settings_update(menu.path, changes, &error)) {
            menu.message = "Not kept: " + error;
        }
    }
    return MENU_CHANGED;
}

MenuResult write_key(int action)
{
    return write({{"keys", plat_action_name(static_cast<PlatAction>(action)), menu.settings.keys[action]}});
}

MenuResult step_volume(int* volume, const char* name, int direction)
{
    const int next = std::clamp(*volume / VOLUME_STEP * VOLUME_STEP + direction * VOLUME_STEP, 0, 100);
    if (next == *volume) {
        return MENU_NOTHING;
    }
    *volume = next;
    return write({{"sound", name, std::to_string(next)}});
}

MenuResult flip(bool* value, const char* section, const char* name)
{
    *value = !*value;
    return write({{section, name, yes_no(*value)}});
}

// Left, right and choose on an option: volumes step down or up (choose goes
// up, round to 0 past 100), the others switch.
MenuResult change_option(int item, int direction)
{
    PlatSettings& s = menu.settings;
    switch (item) {
    case OPT_MUSIC:
    case OPT_EFFECTS: {
        int* volume = item == OPT_MUSIC ? &s.music_volume : &s.effects_volume;
        const char* name = item == OPT_MUSIC ? "music_volume" : "effects_volume";
        if (direction == 0) {
            direction = *volume >= 100 ? -100 / VOLUME_STEP : 1;
        }
        return step_volume(volume, name, direction);
    }
    case OPT_FULLSCREEN:
        return flip(&s.fullscreen, "display", "fullscreen");
    case OPT_SCALING:
        s.integer_scaling = !s.integer_scaling;
        return write({{"display", "scaling", s.integer_scaling ? "integer" : "fit"}});
    case OPT_VSYNC:
        return flip(&s.vsync, "display", "vsync");
    case OPT_GAMEPAD:
        return flip(&s.gamepad, "gamepad", "enabled");
    case OPT_ATTRACT:
        return flip(&s.attract_mode, "display", "attract_mode");
    default:
        return MENU_NOTHING;
    }
}

MenuResult restore_default_keys()
{
    const PlatSettings defaults = plat_default_settings();
    std::vector<PlatSettingChange> changes;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        if (menu.settings.keys[a] != defaults.keys[a]) {
            menu.settings.keys[a] = defaults.keys[a];
            changes.push_back({"keys", plat_action_name(static_cast<PlatAction>(a)), defaults.keys[a]});
        }
    }
    if (changes.empty()) {
        menu.message = "The keys are the defaults";
        return MENU_NOTHING;
    }
    MenuResult result = write(changes);
    if (menu.message.empty()) {
        menu.message = "Default keys back";
    }
    return result;
}

MenuResult choose()
{
    menu.message.clear();
    switch (menu.page) {
    case PAGE_MAIN:
        switch (menu.selected) {
        case 0:
            overlay_menu_close();
            return MENU_RESUME;
        case 1:
            go_to(PAGE_OPTIONS, 0);
            return MENU_NOTHING;
        case 2:
            go_to(PAGE_CONTROLS, 0);
            return MENU_NOTHING;
        default:
            go_to(PAGE_QUIT, 0);
            return MENU_NOTHING;
        }
    case PAGE_OPTIONS:
        if (menu.selected == OPT_KEYS) {
            go_to(PAGE_KEYS, 0);
            return MENU_NOTHING;
        }
        if (menu.selected == OPT_BACK) {
            go_to(PAGE_MAIN, 1);
            return MENU_NOTHING;
        }
        return change_option(menu.selected, 0);
    case PAGE_KEYS:
        if (menu.selected == KEYS_DEFAULTS) {
            return restore_default_keys();
        }
        if (menu.selected == KEYS_BACK) {
            go_to(PAGE_OPTIONS, OPT_KEYS);
            return MENU_NOTHING;
        }
        menu.waiting = true;
        return MENU_NOTHING;
    case PAGE_CONTROLS:
        go_to(PAGE_MAIN, 2);
        return MENU_NOTHING;
    default:
        return MENU_NOTHING;
    }
}

MenuResult back()
{
    menu.message.clear();
    switch (menu.page) {
    case PAGE_MAIN:
        overlay_menu_close();
        return MENU_RESUME;
    case PAGE_OPTIONS:
        go_to(PAGE_MAIN, 1);
        return MENU_NOTHING;
    case PAGE_KEYS:
        go_to(PAGE_OPTIONS, OPT_KEYS);
        return MENU_NOTHING;
    case PAGE_CONTROLS:
        go_to(PAGE_MAIN, 2);
        return MENU_NOTHING;
    case PAGE_QUIT:
        go_to(PAGE_MAIN, 3);
        return MENU_NOTHING;
    default:
        return MENU_NOTHING;
    }
}

// ---------------------------------------------------------------------------
// Drawing

int line_height()
{
    return std::max(plat_text_height(), 12) + 6;
}

void dim(uint32_t* frame)
{
    for (int i = 0; i < PLAT_SCREEN_W * PLAT_SCREEN_H; ++i) {
        frame[i] = (frame[i] >> 2) & 0x3F3F3F;
    }
}

void fill(uint32_t* frame, int left, int top, int right, int bottom, uint32_t colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, PLAT_SCREEN_W);
    bottom = std::min(bottom, PLAT_SCREEN_H);
    for (int y = top; y < bottom; ++y) {
        std::fill(frame + y * PLAT_SCREEN_W + left, frame + y * PLAT_SCREEN_W + right, colour);
    }
}

// A dark panel with a yellow edge for a title and `rows` lines under it;
// the y of the first line.
int panel(uint32_t* frame, const char* title, int rows)
{
    const int header = 8 + 2 * plat_text_height() + 14;
    const int height = header + rows * line_height() + 8;
    const int top = std::max((PLAT_SCREEN_H - height) / 2, 4);
    constexpr int LEFT = 60;
    constexpr int RIGHT = PLAT_SCREEN_W - 60;
    fill(frame, LEFT - 2, top - 2, RIGHT + 2, top + height + 2, YELLOW);
    fill(frame, LEFT, top, RIGHT, top + height, PANEL);
    overlay_text(frame, title, -1, top + 8, 2, YELLOW);
    return top + header;
}

constexpr int LABEL_X = 90;
constexpr int VALUE_X = 360;
constexpr int PAD_X = 470;

void item(uint32_t* frame, int y, bool selected, const std::string& label, const std::string& value)
{
    const uint32_t ink = selected ? YELLOW : WHITE;
    if (selected) {
        overlay_text(frame, ">", LABEL_X - 18, y, 1, YELLOW);
    }
    overlay_text(frame, label, LABEL_X, y, 1, ink);
    if (!value.empty()) {
        overlay_text(frame, value, VALUE_X, y, 1, ink);
    }
}

std::string volume_text(int volume)
{
    return "<  " + std::to_string(volume) + "  >";
}

void draw_footer(uint32_t* frame, int y, const std::string& hint)
{
    if (!menu.message.empty()) {
        overlay_text(frame, menu.message, -1, y, 1, RED);
        y += line_height();
    }
    overlay_text(frame, hint, -1, y, 1, GREY);
}

void draw_main(uint32_t* frame)
{
    int y = panel(frame, "TAILGATE", MAIN_COUNT + 3);
    for (int i = 0; i < MAIN_COUNT; ++i) {
        const int width = overlay_text_width(MAIN_ITEMS[i]);
        const bool on = i == menu.selected;
        overlay_text(frame, MAIN_ITEMS[i], -1, y, 1, on ? YELLOW : WHITE);
        if (on) {
            overlay_text(frame, ">", (PLAT_SCREEN_W - width) / 2 - 18, y, 1, YELLOW);
        }
        y += line_height();
    }
    draw_footer(frame, y + line_height() / 2, "Arrows move, Enter chooses, Esc goes back");
}

void draw_options(uint32_t* frame)
{
    const PlatSettings& s = menu.settings;
    int y = panel(frame, "OPTIONS", OPT_COUNT + 3);
    const std::string values[OPT_COUNT] = {
        volume_text(s.music_volume),
        volume_text(s.effects_volume),
        s.fullscreen ? "On" : "Off",
        s.integer_scaling ? "Whole multiples" : "Fit",
        s.vsync ? "On" : "Off",
        s.gamepad ? "On" : "Off",
        s.attract_mode ? "On" : "Off",
        "",
        "",
    };
    const char* labels[OPT_COUNT] = {"Music volume", "Effects volume", "Full screen", "Scaling", "Vsync",
                                     "Gamepad",      "Demo on title",  "Keys...",     "Back"};
    for (int i = 0; i < OPT_COUNT; ++i) {
        item(frame, y, i == menu.selected, labels[i], values[i]);
        y += line_height();
    }
    draw_footer(frame, y + line_height() / 2, "Left/Right change, Enter chooses, Esc goes back");
}

void draw_keys(uint32_t* frame)
{
    const PlatSettings& s = menu.settings;
    int y = panel(frame, "KEYS", KEYS_COUNT + 2) - 4;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        const bool on = a == menu.selected;
        std::string value = s.keys[a].empty() ? "(none)" : s.keys[a];
        if (on && menu.waiting) {
            value = "press a key...";
        }
        item(frame, y, on, ACTION_TEXT[a].label, value);
        y += line_height() - 2;
    }
    item(frame, y, menu.selected == KEYS_DEFAULTS, "Defaults", "");
    y += line_height() - 2;
    item(frame, y, menu.selected == KEYS_BACK, "Back", "");
    y += line_height();
    draw_footer(frame, y,
                menu.waiting ? "Press the new key (Esc keeps the old one)" : "Enter, then the new key; Esc goes back");
}

void draw_controls(uint32_t* frame, bool pads)
{
    const PlatSettings& s = menu.settings;
    int y = panel(frame, "CONTROLS", ACTION_COUNT + 4) - 4;
    overlay_text(frame, "Key", VALUE_X, y, 1, YELLOW);
    overlay_text(frame, pads ? "Pad" : "Pad (none)", PAD_X, y, 1, YELLOW);
    y += line_height() - 2;
    auto row = [&](const std::string& label, const std::string& key, const std::string& pad) {
        overlay_text(frame, label, LABEL_X, y, 1, WHITE);
        overlay_text(frame, key.empty() ? "-" : key, VALUE_X, y, 1, WHITE);
        if (s.gamepad && !pad.empty()) {
            overlay_text(frame, pad, PAD_X, y, 1, GREY);
        }
        y += line_height() - 2;
    };
    for (int a = 0; a < ACTION_COUNT; ++a) {
        row(ACTION_TEXT[a].label, s.keys[a], ACTION_TEXT[a].pad);
    }
    row("Menu", "Esc", "Back");
    row("Full screen", "Alt+Enter", "");
    y += 2;
    draw_footer(frame, y, "Esc or Enter goes back");
}

void draw_quit(uint32_t* frame)
{
    const int y = panel(frame, "QUIT", 1);
    overlay_text(frame, "Quit Tailgate? Y/N", -1, y, 1, WHITE);
}

}  // namespace

void overlay_menu_open(const PlatSettings& now, const std::string& path)
{
    menu.settings = now;
    menu.path = path;
    menu.message.clear();
    go_to(PAGE_MAIN, 0);
}

void overlay_menu_close()
{
    menu.page = PAGE_CLOSED;
    menu.waiting = false;
    menu.message.clear();
}

bool overlay_menu_is_open()
{
    return menu.page != PAGE_CLOSED;
}

MenuPage overlay_menu_page()
{
    return menu.page;
}

int overlay_menu_selected()
{
    return menu.selected;
}

const PlatSettings& overlay_menu_settings()
{
    return menu.settings;
}

bool overlay_menu_waiting_for_key()
{
    return menu.page == PAGE_KEYS && menu.waiting;
}

const std::string& overlay_menu_message()
{
    return menu.message;
}

MenuResult overlay_menu_command(MenuCommand command)
{
    if (menu.page == PAGE_CLOSED) {
        return MENU_NOTHING;
    }
    if (menu.waiting) {
        if (command == MENU_BACK) {
            menu.waiting = false;  // the action keeps its key
        }
        return MENU_NOTHING;
    }
    if (menu.page == PAGE_QUIT) {
        if (command == MENU_YES) {
            overlay_menu_close();
            return MENU_QUIT;
        }
        if (command == MENU_NO || command == MENU_BACK) {
            return back();
        }
        return MENU_NOTHING;
    }
    const int count = item_count(menu.page);
    switch (command) {
    case MENU_UP:
        menu.selected = (menu.selected + count - 1) % count;
        return MENU_NOTHING;
    case MENU_DOWN:
        menu.selected = (menu.selected + 1) % count;
        return MENU_NOTHING;
    case MENU_LEFT:
    case MENU_RIGHT:
        if (menu.page == PAGE_OPTIONS) {
            return change_option(menu.selected, command == MENU_LEFT ? -1 : 1);
        }
        return MENU_NOTHING;
    case MENU_CHOOSE:
        return choose();
    case MENU_BACK:
        return back();
    default:
        return MENU_NOTHING;
    }
}

MenuResult overlay_menu_key_pressed(const std::string& key_name)
{
    if (!overlay_menu_waiting_for_key()) {
        return MENU_NOTHING;
    }
    const int action = menu.selected;
    const int code = plat_key_from_name(key_name.c_str());
    if (code == 0) {
        menu.message = "That key has no name the settings can keep";
        return MENU_NOTHING;
    }
    if (code == plat_key_from_name("Escape")) {
        menu.waiting = false;
        return MENU_NOTHING;
    }
    menu.waiting = false;
    for (int b = 0; b < ACTION_COUNT; ++b) {
        if (plat_key_from_name(menu.settings.keys[b].c_str()) == code) {
            menu.message = b == action ? std::string() : key_name + " is already the key for " + ACTION_TEXT[b].label;
            return MENU_NOTHING;
        }
    }
    menu.settings.keys[action] = key_name;
    return write_key(action);
}

void overlay_menu_draw(uint32_t* frame, bool pads)
{
    if (menu.page == PAGE_CLOSED) {
        return;
    }
    dim(frame);
    switch (menu.page) {
    case PAGE_MAIN:
        draw_main(frame);
        break;
    case PAGE_OPTIONS:
        draw_options(frame);
        break;
    case PAGE_KEYS:
        draw_keys(frame);
        break;
    case PAGE_CONTROLS:
        draw_controls(frame, pads);
        break;
    case PAGE_QUIT:
        draw_quit(frame);
        break;
    default:
        break;
    }
}

void overlay_notice_show(const std::string& text, uint32_t now_ms)
{
    notice_text = text;
    notice_until = now_ms + NOTICE_MS;
}

const std::string& overlay_notice_text()
{
    return notice_text;
}

bool overlay_notice_active(uint32_t now_ms)
{
    return !notice_text.empty() && static_cast<int32_t>(notice_until - now_ms) > 0;
}

void overlay_notice_draw(uint32_t* frame, uint32_t now_ms)
{
    if (!overlay_notice_active(now_ms)) {
        return;
    }
    const int height = plat_text_height() + 10;
    const int top = PLAT_SCREEN_H - height - 8;
    const int width = std::min(overlay_text_width(notice_text) + 24, PLAT_SCREEN_W);
    const int left = (PLAT_SCREEN_W - width) / 2;
    fill(frame, left, top, left + width, top + height, PANEL);
    overlay_text(frame, notice_text, -1, top + 5, 1, YELLOW);
}

void overlay_demo_draw(uint32_t* frame)
{
    const int height = plat_text_height() + 10;
    const char* text = "DEMO - press any key";
    const int width = overlay_text_width(text) + 24;
    const int left = (PLAT_SCREEN_W - width) / 2;
    fill(frame, left, 6, left + width, 6 + height, PANEL);
    overlay_text(frame, text, -1, 11, 1, YELLOW);
}

int overlay_text(uint32_t* frame, const std::string& text, int x, int y, int zoom, uint32_t colour)
{
    std::vector<uint8_t> bits;
    int w = 0;
    int h = 0;
    if (text.empty() || !display_text_mask(text.c_str(), &bits, &w, &h)) {
        return 0;
    }
    const int left = x < 0 ? (PLAT_SCREEN_W - w * zoom) / 2 : x;
    for (int shadow = 1; shadow >= 0; --shadow) {
        const uint32_t ink = shadow ? 0x000000 : colour;
        for (int ty = 0; ty < h * zoom; ++ty) {
            const int py = y + ty + shadow * zoom;
            if (py < 0 || py >= PLAT_SCREEN_H) {
                continue;
            }
            for (int tx = 0; tx < w * zoom; ++tx) {
                const int px = left + tx + shadow * zoom;
                if (bits[(ty / zoom) * w + tx / zoom] && px >= 0 && px < PLAT_SCREEN_W) {
                    frame[py * PLAT_SCREEN_W + px] = ink;
                }
            }
        }
    }
    return w * zoom;
}

int overlay_text_width(const std::string& text)
{
    std::vector<uint8_t> bits;
    int w = 0;
    int h = 0;
    return !text.empty() && display_text_mask(text.c_str(), &bits, &w, &h) ? w : 0;
}
