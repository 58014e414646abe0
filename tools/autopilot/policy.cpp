// The autopilot's driving and fighting. Every pass it plans afresh: from the
// game's state, saved, it tries each plan for a little way ahead on the
// game's own play frame, without its picture and with the sound muted, puts
// the state back, and holds the keys of the plan that came out best.
#include "policy.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <vector>

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

// A driving plan: hold one steering target and one speed key for the
// horizon, from the state of this pass. The damage taken costs (or, when
// seeking damage, earns), alien cars rammed earn, road gained earns, the
// shoulder costs, mending beside the help truck earns; sooner matters more.
struct DrivePlan {
    int lane;
    int target_x;
    int speed_mode;
    double cost;
};

// The keys a plan holds in the state as it stands: which way it steers and
// its speed key. Plans with the same keys play the same frame.
int drive_keys_of(const DrivePlan& plan)
{
    return (steer_towards(plan.target_x) + 1) * 3 + plan.speed_mode;
}

struct DriveSearch {
    DrivePlan plans[LANE_COUNT * 3];
    int seek_damage;
    int distance0;
};

// Runs the plans `group` (all with the same past) from frame `t` on, each
// frame once for all the plans that hold the same keys in it: the game is
// played only where the plans part, and every plan's cost comes out as if
// it had been played alone. The state is left where the last plan ended.
void drive_frames(DriveSearch& search, const std::vector<int>& group, int t, double cost)
{
    // The group split by the keys of this frame, in plan order.
    std::vector<std::vector<int>> parts;
    std::vector<int> part_keys;
    for (int p : group) {
        const int keys = drive_keys_of(search.plans[p]);
        size_t k = 0;
        while (k < part_keys.size() && part_keys[k] != keys) {
            k++;
        }
        if (k == part_keys.size()) {
            part_keys.push_back(keys);
            parts.emplace_back();
        }
        parts[k].push_back(p);
    }
    GameState before;
    if (parts.size() > 1) {
        game_state_save(&before);
    }
    for (size_t k = 0; k < parts.size(); k++) {
        if (k > 0) {
            game_state_restore(&before);
        }
        const DrivePlan& plan = search.plans[parts[k][0]];
        double part_cost = cost;
        const int damage_before = damage;
        const int score_before = score;
        hold_drive_keys(plan.target_x, plan.speed_mode);
        play_frame(false);
        const double weight = 1.0 + (PLAN_HORIZON - t) / 10.0;
        const int hurt = damage - damage_before;
        if (search.seek_damage) {
            part_cost -= 25.0 * weight * (hurt > 0 ? hurt : 0);
        } else if (hurt > 0) {
            part_cost += 60.0 * weight * hurt;
        } else if (hurt < 0 && play_state == PLAY_HELP_CALL) {
            part_cost += 6.0 * hurt;  // mended
        }
        const int gained = score - score_before;
        if (!search.seek_damage && gained > 0) {
            part_cost -= 0.8 * weight * gained;
        }
        if (!search.seek_damage && play_state != PLAY_HELP_CALL && nearest_lane(truck_x) == SHOULDER_LANE) {
            part_cost += 2.0;
        }
        bool ended = t == PLAN_HORIZON;
        if (truck_wrecked) {
            part_cost += search.seek_damage ? -1e5 : 1e5 * weight;
            ended = true;
        }
        if (play_state != PLAY_DRIVING && play_state != PLAY_HELP_CALL) {
            ended = true;  // the road ended: the battle
        }
        if (!ended) {
            drive_frames(search, parts[k], t + 1, part_cost);
            continue;
        }
        if (!search.seek_damage) {
            part_cost -= (distance - search.distance0) * 0.02;
        }
        for (int p : parts[k]) {
            search.plans[p].cost = part_cost;
        }
    }
}

void drive_keys(int seek_damage, int want[])
{
    static Trial trial;
    trial_begin(&trial);
    static DriveSearch search;
    search.seek_damage = seek_damage;
    search.distance0 = distance;
    std::vector<int> all;
    for (int lane = 0; lane < LANE_COUNT; lane++) {
        const int target = lane == SHOULDER_LANE ? TRUCK_X_MAX : lane_x[lane];
        for (int mode = SPEED_UP; mode <= SPEED_BRAKE; mode++) {
            all.push_back(static_cast<int>(all.size()));
            search.plans[all.back()] = DrivePlan{lane, target, mode, 0.0};
        }
    }
    drive_frames(search, all, 1, 0.0);
    game_state_restore(&trial.state);
    double best = 1e18;
    int best_target = truck_x;
    int best_speed = SPEED_UP;
    const int current = nearest_lane(truck_x);
    for (const DrivePlan& plan : search.plans) {
        const double cost = plan.cost + std::abs(plan.lane - current) * 0.5;  // stay put when it is all the same
        if (cost < best) {
            best = cost;
            best_target = plan.target_x;
            best_speed = plan.speed_mode;
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
constexpr int BATTLE_PLAN_COUNT = 12 * 3 * 5;

struct BattleTrial {
    BattlePlan plan;
    PlanState state;  // its phase as it is tried
    Keys first;       // its keys in the first frame
    double cost;
};

struct BattleSearch {
    BattleTrial trials[BATTLE_PLAN_COUNT];
    int health0;
    int lives0;
};

bool same_keys(Keys a, Keys b)
{
    return a.h == b.h && a.v == b.v && a.fire == b.fire;
}

// Runs the plans `group` (all with the same past) from frame `t` on, as
// drive_frames does: a frame is played once for all the plans that hold
// the same keys in it, and every plan's cost comes out as if it had been
// played alone.
void battle_frames(BattleSearch& search, const std::vector<int>& group, int t, double cost)
{
    std::vector<std::vector<int>> parts;
    std::vector<Keys> part_keys;
    for (int p : group) {
        BattleTrial& trial = search.trials[p];
        const Keys keys = plan_keys(trial.plan, t, &trial.state);
        if (t == 0) {
            trial.first = keys;
        }
        size_t k = 0;
        while (k < part_keys.size() && !same_keys(part_keys[k], keys)) {
            k++;
        }
        if (k == part_keys.size()) {
            part_keys.push_back(keys);
            parts.emplace_back();
        }
        parts[k].push_back(p);
    }
    GameState before;
    if (parts.size() > 1) {
        game_state_save(&before);
    }
    for (size_t k = 0; k < parts.size(); k++) {
        if (k > 0) {
            game_state_restore(&before);
        }
        double part_cost = cost;
        const int damage_before = damage;
        hold_battle_keys(part_keys[k]);
        play_frame(false);
        const bool wrecked = lives < search.lives0;  // a spare used up, or the last truck
        if (damage > damage_before) {
            part_cost += 30.0 * (damage - damage_before) * (1.0 + (BATTLE_HORIZON - t) / 70.0);
        }
        bool ended = t == BATTLE_HORIZON - 1;
        if (wrecked) {
            part_cost += 50000.0 * (1.0 + (BATTLE_HORIZON - t) / 70.0);
            ended = true;
        } else if (alien_defeated) {
            part_cost -= 20000.0 + 50.0 * (BATTLE_HORIZON - t);
            ended = true;
        }
        if (!ended) {
            battle_frames(search, parts[k], t + 1, part_cost);
            continue;
        }
        part_cost -= 40.0 * (search.health0 - alien_health);
        for (int p : parts[k]) {
            search.trials[p].cost = part_cost;
        }
    }
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
    static_assert(std::size(waits) * std::size(offsets) * std::size(sides) == BATTLE_PLAN_COUNT);
    static Trial trial;
    trial_begin(&trial);
    static BattleSearch search;
    search.health0 = alien_health;
    search.lives0 = lives;
    std::vector<int> all;
    for (int w : waits) {
        for (int o : offsets) {
            for (const auto& side : sides) {
                all.push_back(static_cast<int>(all.size()));
                search.trials[all.back()] = BattleTrial{{w, o, side[0], side[1]}, running_plan, {}, 0.0};
            }
        }
    }
    battle_frames(search, all, 0, 0.0);
    game_state_restore(&trial.state);
    double best = 1e18;
    Keys best_keys = {0, 0, level_index >= 1};
    PlanState best_state = running_plan;
    for (const BattleTrial& tried : search.trials) {
        const BattlePlan& plan = tried.plan;
        // Prefer waiting less and standing where the shells hit.
        const double cost = tried.cost + plan.wait * 0.5 + (plan.offset != 38 ? 5.0 : 0.0) + plan.side_frames * 0.3;
        if (cost < best) {
            best = cost;
            best_keys = tried.first;
            best_state = running_plan;
            plan_keys(plan, 0, &best_state);
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
