// What the window shows over the game's picture on the way to the screen,
// never in the game's surfaces: the Esc menu (Resume, Options, Controls,
// Quit) with its option pages, a short notice (a saved screenshot), and the
// demo's line. The menu is a state machine of its own: the window turns keys
// and pad buttons into its commands and applies the settings it changes;
// every change is written to the settings file at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/settings.h"

enum MenuCommand {
    MENU_UP,
    MENU_DOWN,
    MENU_LEFT,
    MENU_RIGHT,
    MENU_CHOOSE,  // Enter, Space, pad A
    MENU_BACK,    // Esc, pad B
    MENU_YES,     // Y (the quit question)
    MENU_NO,      // N
};

enum MenuResult {
    MENU_NOTHING,  // the menu stays, maybe on another page
    MENU_RESUME,   // the menu is closed: the game goes on
    MENU_QUIT,     // the player answered Yes to the quit question
    MENU_CHANGED,  // a setting changed: apply overlay_menu_settings()
};

enum MenuPage {
    PAGE_CLOSED,
    PAGE_MAIN,
    PAGE_OPTIONS,
    PAGE_KEYS,
    PAGE_CONTROLS,
    PAGE_QUIT,
};

// Opens the menu on its main page with the settings as they stand now;
// `path` is the settings file changes are written to (empty: none is kept).
void overlay_menu_open(const PlatSettings& now, const std::string& path);
void overlay_menu_close();
bool overlay_menu_is_open();
MenuPage overlay_menu_page();
int overlay_menu_selected();
// The settings as the menu has made them.
const PlatSettings& overlay_menu_settings();

MenuResult overlay_menu_command(MenuCommand command);
// True while the keys page waits for the new key of an action.
bool overlay_menu_waiting_for_key();
// The key pressed for the action waited for, by its SDL name ("W",
// "Left Shift"); Esc is the menu's own key and is never bound. A key another
// action has is refused (each action keeps a key of its own).
MenuResult overlay_menu_key_pressed(const std::string& key_name);
// The last word the menu has for the player ("F is already Help's key",
// a settings file that cannot be written); empty when there is none.
const std::string& overlay_menu_message();

// Draws the open menu over a 640 x 480 frame of 0x00RRGGBB words (dimmed
// first). `pads`: a game controller is plugged in.
void overlay_menu_draw(uint32_t* frame, bool pads);

// A line shown for two seconds at the bottom of the picture from `now_ms`.
void overlay_notice_show(const std::string& text, uint32_t now_ms);
// The last notice shown, and whether it stands at `now_ms`.
const std::string& overlay_notice_text();
bool overlay_notice_active(uint32_t now_ms);
void overlay_notice_draw(uint32_t* frame, uint32_t now_ms);

// The demo's line over the picture.
void overlay_demo_draw(uint32_t* frame);

// One line of text in the game's face at (x, y) of the frame, `zoom` times
// its size, with a shadow; `x` < 0 centres it. Its width in pixels.
int overlay_text(uint32_t* frame, const std::string& text, int x, int y, int zoom, uint32_t colour);
int overlay_text_width(const std::string& text);
