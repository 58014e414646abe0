// The autopilot's planner, which writes the game scripts the whole-game
// tests replay: its keys are the script's, it keeps clear of traffic (or
// runs into it when the goal is to lose), calls help when the damage mounts,
// and beats the first alien without losing a truck.
#include <gtest/gtest.h>

#include <string>

#include "frontend/frontend.h"
#include "play/play_test_util.h"
#include "policy.h"

using namespace play_test;

namespace {

// Holds what the policy wants for this pass; returns its keys as "UP LEFT".
std::string follow_policy(int goal)
{
    int want[AUTOPILOT_KEY_COUNT];
    policy_keys(goal, 0, want);
    std::string keys;
    for (int k = 0; k < AUTOPILOT_KEY_COUNT; ++k) {
        if (want[k]) {
            keys += std::string(keys.empty() ? "" : " ") + autopilot_key_name(k);
        }
    }
    hold(keys);
    return keys;
}

class PolicyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display_ready()) << "the headless display did not start on a copy of " << TAILGATE_DATA_DIR;
        fresh_drive(2024);
        game_mode = MODE_PLAY;
        policy_reset();
    }
    void TearDown() override { hold(""); }

    // The truck at 135 in lane 3, a car of `kind` 60 units ahead at its lane's
    // lowest speed. The damage after `frames` frames of `goal`'s keys, or of
    // the throttle alone (goal -1).
    static int damage_after_car_ahead(int kind, int goal, int frames = 60)
    {
        fresh_drive(2024);
        game_mode = MODE_PLAY;
        policy_reset();
        truck_x = lane_x[3];
        truck_speed = 135.0;
        traffic[70] = Car{kind, lane_x[3], distance - truck_y + 100, 0, 0, 126, 3, 0};
        for (int frame = 0; frame < frames; ++frame) {
            if (goal < 0) {
                hold("UP");
            } else {
                follow_policy(goal);
            }
            EXPECT_EQ(game_main(), 1);
        }
        return damage;
    }
};

TEST_F(PolicyTest, KeyNamesAreTheScriptsOwn)
{
    for (int k = 0; k < AUTOPILOT_KEY_COUNT; ++k) {
        hold(autopilot_key_name(k));
        for (int other = 0; other < AUTOPILOT_KEY_COUNT; ++other) {
            EXPECT_EQ(plat_key_down(autopilot_key_vk(other)), other == k)
                << autopilot_key_name(k) << " held, " << autopilot_key_name(other) << " asked";
        }
    }
}

TEST_F(PolicyTest, KeepsClearOfACarAheadOrSeeksItToLose)
{
    EXPECT_GT(damage_after_car_ahead(0, -1), 0) << "the throttle alone must run into it";
    EXPECT_EQ(damage_after_car_ahead(0, GOAL_FIRST_LEVEL), 0);
    EXPECT_GT(damage_after_car_ahead(0, GOAL_GAME_OVER), 0);
}

TEST_F(PolicyTest, CallsHelpFromFortyDamageWhileThereIsRoadForIt)
{
    const int cases[][3] = {{39, 500000, 0}, {40, 500000, 1}, {40, 900000, 0}};  // damage, distance, calls
    for (const auto& c : cases) {
        damage = c[0];
        distance = c[1];
        quiet_traffic();
        int want[AUTOPILOT_KEY_COUNT];
        policy_keys(GOAL_WHOLE_GAME, 0, want);
        EXPECT_EQ(want[KEY_H], c[2]) << "damage " << c[0] << " at " << c[1];
    }
}

TEST_F(PolicyTest, BeatsTheFirstAlienWithoutLosingATruck)
{
    distance = 1000000;
    start_battle();
    truck_x = 340;
    truck_y = 300;
    int frames = 0;
    while (game_mode == MODE_PLAY && frames < 3000 && !HasFailure()) {
        follow_policy(GOAL_FIRST_LEVEL);
        ASSERT_EQ(game_main(), 1);
        ++frames;
    }
    EXPECT_TRUE(fields_are({FIELD(game_mode, MODE_STORY), FIELD(level_index, 1), FIELD(lives, 2)}))
        << "after " << frames << " frames";
}

}  // namespace
