// The autopilot's choices: which keys to hold in the coming pass, read from
// the game's own state.
#pragma once

enum AutopilotGoal {
    GOAL_FIRST_LEVEL = 0,  // level 0 and its alien, up to story page 1
    GOAL_WHOLE_GAME = 1,   // all three levels, the finale and the initials
    GOAL_GAME_OVER = 2,    // lose every truck, back to the menu
};

constexpr int AUTOPILOT_KEY_COUNT = 10;

// The keys the policy may hold, one flag each, in this order.
enum AutopilotKey {
    KEY_SPACE = 0,
    KEY_UP,
    KEY_DOWN,
    KEY_LEFT,
    KEY_RIGHT,
    KEY_Q,
    KEY_S,
    KEY_C,
    KEY_R,
    KEY_H,
};

// The virtual key code and the script name of a policy key.
int autopilot_key_vk(int key);
const char* autopilot_key_name(int key);

// Fills `want` with 1 for every key to hold in pass `pass`.
void policy_keys(int goal, int pass, int want[AUTOPILOT_KEY_COUNT]);

// Forgets what the policy remembers between passes.
void policy_reset();
