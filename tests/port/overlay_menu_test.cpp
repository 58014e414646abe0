// The Esc menu as a state machine: its pages and the way back from each,
// the options' steps and bounds, keys that never end up shared or missing,
// Defaults, and every change written at once into the settings file with
// the rest of the file kept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/overlay_menu.h"
#include "platform/settings.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;

struct MenuTest : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("tailgate_menu_" + std::to_string(getpid()));
    fs::path file = dir / "tailgate.ini";
    void SetUp() override
    {
        fs::remove_all(dir);
        fs::create_directories(dir);
        test_support::write_text(file, "; mine\n[sound]\neffects_volume = 30 ; quiet\n");
        PlatSettings s = plat_default_settings();
        s.effects_volume = 30;
        overlay_menu_open(s, file.string());
    }
    void TearDown() override
    {
        overlay_menu_close();
        fs::remove_all(dir);
    }
    static void press(MenuCommand command, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            overlay_menu_command(command);
        }
    }
    std::string text() const { return test_support::read_text(file); }
};

TEST_F(MenuTest, EveryPageLeadsBackAndTheQuitQuestionIsAskedOnce)
{
    EXPECT_EQ(overlay_menu_page(), PAGE_MAIN);
    press(MENU_UP);
    EXPECT_EQ(overlay_menu_selected(), 3) << "round from Resume to Quit";
    EXPECT_EQ(overlay_menu_command(MENU_CHOOSE), MENU_NOTHING);
    EXPECT_EQ(overlay_menu_page(), PAGE_QUIT);
    EXPECT_EQ(overlay_menu_command(MENU_CHOOSE), MENU_NOTHING) << "only Y or N answer";
    EXPECT_EQ(overlay_menu_command(MENU_NO), MENU_NOTHING);
    EXPECT_EQ(overlay_menu_page(), PAGE_MAIN);
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_command(MENU_YES), MENU_QUIT);
    EXPECT_FALSE(overlay_menu_is_open());

    overlay_menu_open(plat_default_settings(), "");
    press(MENU_DOWN, 2);
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_page(), PAGE_CONTROLS);
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_page(), PAGE_MAIN);
    press(MENU_UP);
    press(MENU_CHOOSE);
    press(MENU_UP);  // round to Back
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_page(), PAGE_MAIN);
    EXPECT_EQ(overlay_menu_command(MENU_BACK), MENU_RESUME);
    EXPECT_FALSE(overlay_menu_is_open());
    EXPECT_EQ(overlay_menu_command(MENU_CHOOSE), MENU_NOTHING) << "a closed menu does nothing";
}

TEST_F(MenuTest, VolumesStepByTenWithinTheirBoundsAndEachChangeIsWrittenAtOnce)
{
    press(MENU_DOWN);
    press(MENU_CHOOSE);  // Options, on Music volume
    EXPECT_EQ(overlay_menu_command(MENU_RIGHT), MENU_NOTHING) << "100 is the top";
    press(MENU_DOWN);  // Effects volume, 30
    EXPECT_EQ(overlay_menu_command(MENU_LEFT), MENU_CHANGED);
    EXPECT_EQ(overlay_menu_settings().effects_volume, 20);
    EXPECT_EQ(text(), "; mine\n[sound]\neffects_volume = 20 ; quiet\n");
    press(MENU_LEFT, 5);
    EXPECT_EQ(overlay_menu_settings().effects_volume, 0);
    press(MENU_CHOOSE, 10);
    EXPECT_EQ(overlay_menu_settings().effects_volume, 100);
    EXPECT_EQ(overlay_menu_command(MENU_CHOOSE), MENU_CHANGED);
    EXPECT_EQ(overlay_menu_settings().effects_volume, 0) << "Enter goes round past 100";
    press(MENU_DOWN, 5);  // Demo on title
    EXPECT_EQ(overlay_menu_command(MENU_RIGHT), MENU_CHANGED);
    EXPECT_FALSE(overlay_menu_settings().attract_mode);
    const std::string now = text();
    EXPECT_EQ(now.rfind("; mine\n[sound]\neffects_volume = 0 ; quiet\n", 0), 0u) << now;
    EXPECT_NE(now.find("attract_mode = no"), std::string::npos) << now;
    EXPECT_EQ(now.find("music_volume"), std::string::npos) << "only what changed: " << now;
}

TEST_F(MenuTest, KeysStayOneAnActionAndDefaultsPutThemBack)
{
    press(MENU_DOWN);
    press(MENU_CHOOSE);
    press(MENU_DOWN, 7);
    press(MENU_CHOOSE);
    ASSERT_EQ(overlay_menu_page(), PAGE_KEYS);
    press(MENU_DOWN, ACTION_QUIT);
    press(MENU_CHOOSE);
    EXPECT_TRUE(overlay_menu_waiting_for_key());
    EXPECT_EQ(overlay_menu_key_pressed("S"), MENU_NOTHING) << "the radio's key";
    EXPECT_EQ(overlay_menu_settings().keys[ACTION_QUIT], "Q");
    EXPECT_NE(overlay_menu_message().find("already"), std::string::npos);
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_key_pressed("Escape"), MENU_NOTHING) << "Esc keeps the old key";
    EXPECT_FALSE(overlay_menu_waiting_for_key());
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_key_pressed("no such key"), MENU_NOTHING);
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_key_pressed("X"), MENU_CHANGED);
    EXPECT_EQ(overlay_menu_settings().keys[ACTION_QUIT], "X");
    EXPECT_NE(text().find("key_quit = X"), std::string::npos);
    press(MENU_CHOOSE);
    EXPECT_EQ(overlay_menu_command(MENU_BACK), MENU_NOTHING) << "Esc while waiting";
    EXPECT_EQ(overlay_menu_page(), PAGE_KEYS);
    press(MENU_DOWN, ACTION_COUNT - ACTION_QUIT);                // on to Defaults
    EXPECT_EQ(overlay_menu_command(MENU_CHOOSE), MENU_CHANGED);  // Defaults
    EXPECT_EQ(overlay_menu_settings().keys[ACTION_QUIT], "Q");
    EXPECT_NE(text().find("key_quit = Q"), std::string::npos);
    EXPECT_EQ(overlay_menu_command(MENU_CHOOSE), MENU_NOTHING) << "already the defaults";
}

}  // namespace
