// The autopilot's driving and fighting. Every pass it plans afresh: from the
// game's state, saved, it tries each plan for a little way ahead on the
// game's own play frame, without its picture and with the sound muted, puts
// the state back, and holds the keys of the plan that came out best.
#include "policy.h"

#include <cmath>
#include <cstdlib>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/headless.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/game_state.h"

namespace {

static_assert(AUTOPILOT_KEY_COUNT == PLAT_GAME_KEY_COUNT, "the autopilot numbers the game keys as the table does");
const int* const KEY_VK = PLAT_GAME_KEYS;

// ---------------------------------------------------------------------------
// Memory between passes

int mode_frames;  // passes spent in the current game_mode
int last_mode = -1;

bool key_held(int key)
{
    return headless_key_down(KEY_VK[key]);
}

// A key pressed for one pass and let go in the next.
void tap(int key, int want[])
{
    want[key] = key_held(key) ? 0 : 1;
}

// Trying plans on the game itself: the state and the held keys as they were
// before the first try (each try puts the state back), and the sound muted
// meanwhile.
struct Trial {
    GameState state;
    bool held[AUTOPILOT_KEY_COUNT];
};

void trial_begin(Trial* trial)
{
    game_state_save(&trial->state);
    for (int k = 0; k < AUTOPILOT_KEY_COUNT; k++) {
        trial->held[k] = key_held(k);
    }
    audio_muted = 1;
}

void trial_end(const Trial* trial)
{
    audio_muted = 0;
    for (int k = 0; k < AUTOPILOT_KEY_COUNT; k++) {
        headless_set_key(KEY_VK[k], trial->held[k], false);
    }
}

// ---------------------------------------------------------------------------
// Driving

constexpr int PLAN_HORIZON = 50;
constexpr int SPEED_UP = 0;
constexpr int SPEED_COAST = 1;
constexpr int SPEED_BRAKE = 2;
constexpr int STEER_DEADBAND = 3;

// Which way to steer for `target_x`: -1 left, +1 right, 0 close enough.
int steer_towards(int target_x)
{
    if (truck_x < target_x - STEER_DEADBAND) {
        return 1;
    }
    return truck_x > target_x + STEER_DEADBAND ? -1 : 0;
}

// The keys of one frame of a driving plan: steer for `target_x`, and the
// throttle, nothing or the brake.
void hold_drive_keys(int target_x, int speed_mode)
{
    headless_set_key(gk::LEFT, steer_towards(target_x) < 0, false);
    headless_set_key(gk::RIGHT, steer_towards(target_x) > 0, false);
    headless_set_key(gk::UP, speed_mode == SPEED_UP, false);
    headless_set_key(gk::DOWN, speed_mode == SPEED_BRAKE, false);
    headless_set_key(gk::SPACE, false, false);
    headless_set_key(gk::H, false, false);
}

// Holding one steering target and one speed key for the horizon, from the
// state of this pass (which the caller puts back): the damage taken costs
// (or, when seeking damage, earns), alien cars rammed earn, road gained
// earns, the shoulder costs, mending beside the help truck earns; sooner
// matters more.
double drive_cost(int target_x, int speed_mode, int seek_damage)
{
    const int distance0 = distance;
    double cost = 0.0;
    for (int t = 1; t <= PLAN_HORIZON; t++) {
        const int damage_before = damage;
        const int score_before = score;
        hold_drive_keys(target_x, speed_mode);
        play_frame(false);
        const double weight = 1.0 + (PLAN_HORIZON - t) / 10.0;
        const int hurt = damage - damage_before;
        if (seek_damage) {
            cost -= 25.0 * weight * (hurt > 0 ? hurt : 0);
        } else if (hurt > 0) {
            cost += 60.0 * weight * hurt;
        } else if (hurt < 0 && play_state == PLAY_HELP_CALL) {
            cost += 6.0 * hurt;  // mended
        }
        const int gained = score - score_before;
        if (!seek_damage && gained > 0) {
            cost -= 0.8 * weight * gained;
        }
        if (!seek_damage && play_state != PLAY_HELP_CALL && nearest_lane(truck_x) == SHOULDER_LANE) {
            cost += 2.0;
        }
        if (truck_wrecked) {
            cost += seek_damage ? -1e5 : 1e5 * weight;
            break;
        }
        if (play_state != PLAY_DRIVING && play_state != PLAY_HELP_CALL) {
            break;  // the road ended: the battle
        }
    }
    if (!seek_damage) {
        cost -= (distance - distance0) * 0.02;
    }
    return cost;
}

void drive_keys(int seek_damage, int want[])
{
    static Trial trial;
    trial_begin(&trial);
    double best = 1e18;
    int best_target = truck_x;
    int best_speed = SPEED_UP;
    int current = nearest_lane(truck_x);
    for (int lane = 0; lane < LANE_COUNT; lane++) {
        int target = lane == SHOULDER_LANE ? TRUCK_X_MAX : lane_x[lane];
        for (int mode = SPEED_UP; mode <= SPEED_BRAKE; mode++) {
            double cost = drive_cost(target, mode, seek_damage);
            game_state_restore(&trial.state);
            cost += std::abs(lane - current) * 0.5;  // stay put when it is all the same
            if (cost < best) {
                best = cost;
                best_target = target;
                best_speed = mode;
            }
        }
    }
    trial_end(&trial);
    want[KEY_RIGHT] = steer_towards(best_target) > 0;
    want[KEY_LEFT] = steer_towards(best_target) < 0;
    want[KEY_UP] = best_speed == SPEED_UP;
    want[KEY_DOWN] = best_speed == SPEED_BRAKE;

    // The help truck, when the damage mounts and there is road left for it.
    if (!seek_damage && play_state == PLAY_DRIVING && help_calls > 0 && damage >= 40 && distance < 1000000 - 110000) {
        want[KEY_H] = 1;
    }
}

// ---------------------------------------------------------------------------
// The battle
//
// The battle has no chance in it: the alien follows its script and its shots
// fly straight. So the autopilot tries a set of plans on the game itself
// (when to charge, where to stand): from the state of this pass, with the
// sound muted, it runs the play frame undrawn under each plan's keys, keeps
// the plan that takes the least damage and costs the alien the most, and
// puts the game back as it was.

struct Keys {
    int h;  // -1 left, +1 right
    int v;  // -1 up, +1 down
    int fire;
};

// The keys of one frame of a battle plan.
void hold_battle_keys(Keys keys)
{
    headless_set_key(gk::LEFT, keys.h < 0, false);
    headless_set_key(gk::RIGHT, keys.h > 0, false);
    headless_set_key(gk::UP, keys.v < 0, false);
    headless_set_key(gk::DOWN, keys.v > 0, false);
    headless_set_key(gk::SPACE, keys.fire != 0, false);
}

// A plan: hover at the bottom for `wait` frames, then ram again and again;
// sideways keep `offset` px right of the alien, after `side_frames` frames
// of a sidestep in direction `side`.
struct BattlePlan {
    int wait;
    int offset;
    int side;
    int side_frames;
};

// The plan's phase memory while it is tried out (and while it runs).
struct PlanState {
    int charging;
    int charge_frames;
    int was_pinned;
};

Keys plan_keys(const BattlePlan& plan, int t, PlanState* ps)
{
    Keys keys = {0, 0, level_index >= 1};
    int target_x = alien_x + plan.offset;
    if (t < plan.side_frames) {
        keys.h = plan.side;
    } else if (truck_x < target_x - 3) {
        keys.h = 1;
    } else if (truck_x > target_x + 3) {
        keys.h = -1;
    }
    int aligned = std::abs(truck_x - (alien_x + 38)) < 44;
    if (ps->charging) {
        ps->charge_frames++;
        bool released = ps->was_pinned && !alien_pinned;
        if (released || truck_y <= 12 || (ps->charge_frames > 5 && truck_vy > 0)) {
            ps->charging = 0;
        }
    } else if (t >= plan.wait && truck_y >= 290 && aligned && alien_y <= 262) {
        ps->charging = 1;
        ps->charge_frames = 0;
    }
    ps->was_pinned = alien_pinned;
    if (ps->charging) {
        keys.v = -1;
    } else if (truck_y < 300) {
        keys.v = 1;
    } else if (truck_vy > 0.5) {
        keys.v = -1;
    } else if (truck_vy < -0.5) {
        keys.v = 1;
    }
    return keys;
}

constexpr int BATTLE_HORIZON = 140;

// Runs `plan` from the state of this pass (which the caller puts back).
double plan_cost(const BattlePlan& plan, const PlanState& start, Keys* first)
{
    PlanState ps = start;
    const int health0 = alien_health;
    const int lives0 = lives;
    double cost = 0.0;
    for (int t = 0; t < BATTLE_HORIZON; t++) {
        Keys keys = plan_keys(plan, t, &ps);
        if (t == 0) {
            *first = keys;
        }
        const int before = damage;
        hold_battle_keys(keys);
        play_frame(false);
        const bool wrecked = lives < lives0;  // a spare used up, or the last truck
        if (damage > before) {
            cost += 30.0 * (damage - before) * (1.0 + (BATTLE_HORIZON - t) / 70.0);
        }
        if (wrecked) {
            cost += 50000.0 * (1.0 + (BATTLE_HORIZON - t) / 70.0);
            break;
        }
        if (alien_defeated) {
            cost -= 20000.0 + 50.0 * (BATTLE_HORIZON - t);
            break;
        }
    }
    cost -= 40.0 * (health0 - alien_health);
    return cost;
}

PlanState running_plan;

void battle_keys(int seek_damage, int want[])
{
    if (alien_defeated || seek_damage) {
        return;  // let go while the alien burns; or stand in its fire
    }
    static const int waits[] = {0, 1, 2, 3, 5, 8, 12, 18, 25, 35, 50, 70};
    static const int offsets[] = {38, 0, 76};
    static const int sides[][2] = {{0, 0}, {-1, 10}, {1, 10}, {-1, 20}, {1, 20}};
    static Trial trial;
    trial_begin(&trial);
    double best = 1e18;
    Keys best_keys = {0, 0, level_index >= 1};
    PlanState best_state = running_plan;
    for (int w : waits) {
        for (int o : offsets) {
            for (const auto& side : sides) {
                BattlePlan plan = {w, o, side[0], side[1]};
                Keys first;
                double cost = plan_cost(plan, running_plan, &first);
                game_state_restore(&trial.state);
                // Prefer waiting less and standing where the shells hit.
                cost += w * 0.5 + (o != 38 ? 5.0 : 0.0) + side[1] * 0.3;
                if (cost < best) {
                    best = cost;
                    best_keys = first;
                    best_state = running_plan;
                    plan_keys(plan, 0, &best_state);
                }
            }
        }
    }
    trial_end(&trial);
    running_plan = best_state;
    want[KEY_SPACE] = best_keys.fire;
    want[KEY_LEFT] = best_keys.h < 0;
    want[KEY_RIGHT] = best_keys.h > 0;
    want[KEY_UP] = best_keys.v < 0;
    want[KEY_DOWN] = best_keys.v > 0;
}

}  // namespace

int autopilot_key_vk(int key)
{
    return KEY_VK[key];
}

const char* autopilot_key_name(int key)
{
    return plat_script_name_of_game_key(KEY_VK[key]);
}

void policy_reset()
{
    mode_frames = 0;
    last_mode = -1;
    running_plan = PlanState{0, 0, 0};
}

void policy_keys(int goal, int pass, int want[AUTOPILOT_KEY_COUNT])
{
    (void)pass;
    for (int k = 0; k < AUTOPILOT_KEY_COUNT; k++) {
        want[k] = 0;
    }
    if (game_mode != last_mode) {
        last_mode = game_mode;
        mode_frames = 0;
    }
    mode_frames++;
    int seek_damage = goal == GOAL_GAME_OVER;

    switch (game_mode) {
    case MODE_TITLE:
        if (mode_frames > 10) {
            tap(KEY_SPACE, want);
        }
        return;
    case MODE_MENU:
        if (mode_frames > 10) {
            tap(KEY_S, want);
        }
        return;
    case MODE_STORY:
        if (mode_frames > 20 && level_index < 3) {
            tap(KEY_SPACE, want);
        }
        return;
    case MODE_PLAY:
        break;
    default:
        if (mode_frames > 10) {
            tap(KEY_SPACE, want);
        }
        return;
    }

    switch (play_state) {
    case PLAY_DRIVING:
    case PLAY_HELP_CALL:
        if (!truck_wrecked) {
            drive_keys(seek_damage, want);
        }
        return;
    case PLAY_BATTLE:
    case PLAY_BATTLE_RESPAWN:
        battle_keys(seek_damage, want);
        return;
    case PLAY_GAME_OVER:
        tap(KEY_SPACE, want);
        return;
    default:
        return;  // wrecks: nothing to steer
    }
}
