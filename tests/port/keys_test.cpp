// The key table and the key names the settings accept: the names SDL gives,
// so that settings files written before keep their keys.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/keys.h"

namespace {

TEST(KeyNames, TheNamesSettingsFilesHoldNameTheirKeysInAnyCase)
{
    EXPECT_EQ(plat_key_from_name("Up"), PLAT_KEY_UP);
    EXPECT_EQ(plat_key_from_name("up"), PLAT_KEY_UP);
    EXPECT_EQ(plat_key_from_name("Space"), PLAT_KEY_SPACE);
    EXPECT_EQ(plat_key_from_name("space"), ' ');
    EXPECT_EQ(plat_key_from_name("Return"), PLAT_KEY_RETURN);
    EXPECT_EQ(plat_key_from_name("Escape"), PLAT_KEY_ESCAPE);
    EXPECT_EQ(plat_key_from_name("F12"), PLAT_KEY_F1 + 11);
    EXPECT_EQ(plat_key_from_name("f1"), PLAT_KEY_F1);
    EXPECT_EQ(plat_key_from_name("Keypad 8"), PLAT_KEY_KP_0 + 8);
    EXPECT_EQ(plat_key_from_name("keypad enter"), PLAT_KEY_KP_ENTER);
    EXPECT_EQ(plat_key_from_name("Left Ctrl"), PLAT_KEY_LEFT_CTRL);
    EXPECT_EQ(plat_key_from_name("Right Shift"), PLAT_KEY_RIGHT_SHIFT);
    // A key that types a character is that character, letters in lower case.
    EXPECT_EQ(plat_key_from_name("H"), 'h');
    EXPECT_EQ(plat_key_from_name("h"), 'h');
    EXPECT_EQ(plat_key_from_name("#"), '#');
    EXPECT_EQ(plat_key_from_name(";"), ';');
    EXPECT_EQ(plat_key_from_name("7"), '7');
    EXPECT_EQ(plat_key_from_name("\xC3\xA9"), 0xE9);  // é, one UTF-8 character
}

TEST(KeyNames, WhatIsNoKeyIsRefused)
{
    EXPECT_EQ(plat_key_from_name(nullptr), 0);
    EXPECT_EQ(plat_key_from_name(""), 0);
    EXPECT_EQ(plat_key_from_name("NoSuchKey"), 0);
    EXPECT_EQ(plat_key_from_name("Upp"), 0);
    EXPECT_EQ(plat_key_from_name("F"), 'f');   // a letter, not a function key
    EXPECT_EQ(plat_key_from_name("\xC3"), 0);  // a broken UTF-8 character
    EXPECT_STREQ(plat_key_name(0), "");
    EXPECT_STREQ(plat_key_name(PLAT_KEY_LIMIT), "");
}

TEST(KeyNames, EveryKeysNameReadsBackAsThatKey)
{
    for (int key = 1; key < 0x7F; ++key) {
        if (key >= 'A' && key <= 'Z') {
            continue;  // upper-case letters are the lower-case keys
        }
        const char* name = plat_key_name(key);
        if (name[0] != '\0') {
            EXPECT_EQ(plat_key_from_name(name), key) << name;
        }
    }
    for (int key = PLAT_KEY_NAMED; key < PLAT_KEY_LIMIT; ++key) {
        const std::string name = plat_key_name(key);
        ASSERT_FALSE(name.empty()) << key;
        EXPECT_EQ(plat_key_from_name(name.c_str()), key) << name;
    }
    EXPECT_STREQ(plat_key_name('p'), "P");
    EXPECT_STREQ(plat_key_name(' '), "Space");
    EXPECT_STREQ(plat_key_name(0xE9), "\xC3\xA9");
}

TEST(KeyTable, EachActionOnceWithItsOwnDefaultKeyAndGameKey)
{
    std::set<int> defaults;
    std::set<std::string> settings;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        const PlatActionInfo& info = PLAT_ACTIONS[a];
        EXPECT_EQ(info.action, a);
        const int key = plat_key_from_name(info.default_key);
        EXPECT_NE(key, 0) << info.setting;
        EXPECT_TRUE(defaults.insert(key).second) << info.setting << " shares its default key";
        EXPECT_TRUE(settings.insert(info.setting).second) << info.setting;
        // Pause and screenshot are the platform's own; everything else is a
        // game key with a name in scripts.
        EXPECT_EQ(info.game_key == 0, info.script_name == nullptr) << info.setting;
    }
    // Every game key once, each with its script name both ways.
    std::set<int> game_keys(PLAT_GAME_KEYS, PLAT_GAME_KEYS + PLAT_GAME_KEY_COUNT);
    EXPECT_EQ(game_keys.size(), static_cast<size_t>(PLAT_GAME_KEY_COUNT));
    for (int vk : PLAT_GAME_KEYS) {
        const char* name = plat_script_name_of_game_key(vk);
        ASSERT_NE(name, nullptr) << vk;
        EXPECT_EQ(plat_game_key_from_script_name(name, static_cast<int>(std::string(name).size())), vk);
    }
    EXPECT_EQ(plat_game_key_from_script_name("space", 5), 0);  // scripts name keys in capitals
    EXPECT_EQ(plat_game_key_from_script_name("UPX", 2), gk::UP);
    EXPECT_EQ(plat_script_name_of_game_key(0), nullptr);
}

TEST(KeyTable, PadButtonsGiveTheKeysTheyAlwaysGave)
{
    auto action_of = [](PlatPadButton button) {
        for (const PlatActionInfo& info : PLAT_ACTIONS) {
            if (info.pad_buttons & (1u << button)) {
                return static_cast<int>(info.action);
            }
        }
        return -1;
    };
    EXPECT_EQ(action_of(PLAT_PAD_DPAD_UP), ACTION_UP);
    EXPECT_EQ(action_of(PLAT_PAD_DPAD_DOWN), ACTION_DOWN);
    EXPECT_EQ(action_of(PLAT_PAD_DPAD_LEFT), ACTION_LEFT);
    EXPECT_EQ(action_of(PLAT_PAD_DPAD_RIGHT), ACTION_RIGHT);
    EXPECT_EQ(action_of(PLAT_PAD_A), ACTION_FIRE);
    EXPECT_EQ(action_of(PLAT_PAD_B), ACTION_HELP);
    EXPECT_EQ(action_of(PLAT_PAD_X), ACTION_RADIO);
    EXPECT_EQ(action_of(PLAT_PAD_Y), ACTION_RADIO);
    EXPECT_EQ(action_of(PLAT_PAD_START), ACTION_PAUSE);
    EXPECT_EQ(action_of(PLAT_PAD_BACK), -1);
}

}  // namespace
