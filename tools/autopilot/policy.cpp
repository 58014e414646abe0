// The autopilot's driving and fighting. It reads the game's globals and
// looks a little way ahead with a simple model of the truck, the traffic
// and the alien's shots: vehicles keep their speed and drift to their lane,
// shots fly straight. Every pass it plans afresh.
#include "policy.h"

#include <cmath>
#include <cstdlib>

#include "frontend/frontend.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "play/play.h"

namespace {

constexpr int KEY_VK[AUTOPILOT_KEY_COUNT] = {VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT,
                                             VK_Q,     VK_S,  VK_C,    VK_R,    VK_H};
constexpr const char* KEY_NAME[AUTOPILOT_KEY_COUNT] = {"SPACE", "UP", "DOWN", "LEFT", "RIGHT",
                                                       "Q",     "S",  "C",    "R",    "H"};

// ---------------------------------------------------------------------------
// Memory between passes

int mode_frames;     // passes spent in the current game_mode
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

// ---------------------------------------------------------------------------
// Driving

constexpr int PLAN_HORIZON = 50;
constexpr int SPEED_UP = 0;
constexpr int SPEED_COAST = 1;
constexpr int SPEED_BRAKE = 2;
constexpr int STEER_DEADBAND = 3;

struct CarTrack {
    int position;
    int speed;
    int x;
    int lane_x;
    int alien;
};

int lane_of(int x)
{
    int best = 0;
    for (int k = 1; k < LANE_COUNT; k++) {
        if (std::abs(x - lane_x[k]) < std::abs(x - lane_x[best])) {
            best = k;
        }
    }
    return best;
}

int steer_step(int x, int target, double speed)
{
    if (x < target - STEER_DEADBAND) {
        return static_cast<int>(0.05 * speed + 0.5);
    }
    if (x > target + STEER_DEADBAND) {
        return static_cast<int>(0.5 - 0.05 * speed);
    }
    return 0;
}

int track_cars(CarTrack* cars)
{
    int n = 0;
    for (int i = 0; i < CAR_COUNT; i++) {
        const Car& car = traffic[i];
        int rel = car.position - distance;
        if (rel < -3200 || rel > 2800) {
            continue;
        }
        cars[n].position = car.position;
        cars[n].speed = car.speed;
        cars[n].x = car.x;
        cars[n].lane_x = lane_x[car.target_lane < 0 || car.target_lane > 6 ? 0 : car.target_lane];
        cars[n].alien = car.kind == 3 || car.kind == 5;
        n++;
    }
    return n;
}

// Cost of holding one steering target and one speed key for the horizon:
// contacts cost (or, when seeking damage, earn), alien cars earn, road
// gained earns, the shoulder costs; sooner matters more.
double drive_cost(const CarTrack* cars, int n, int target_x, int speed_mode, int seek_damage)
{
    int tx = truck_x;
    double ts = truck_speed;
    double dd = distance;
    double cost = 0.0;
    int car_x[CAR_COUNT];
    for (int c = 0; c < n; c++) {
        car_x[c] = cars[c].x;
    }
    for (int t = 1; t <= PLAN_HORIZON; t++) {
        tx += steer_step(tx, target_x, ts);
        ts += speed_mode == SPEED_UP ? 1.0 : speed_mode == SPEED_COAST ? -0.5 : -1.0;
        dd = std::trunc(dd + ts);
        int lane = lane_of(tx);
        if (ts > 150 - 5 * lane) {
            ts = 150 - 5 * lane;
        }
        if (ts < 0) {
            ts = 0.0;
        }
        if (tx > 576) {
            tx = 576;
        } else if (tx < 128) {
            tx = 128;
        }
        double weight = 1.0 + (PLAN_HORIZON - t) / 10.0;
        if (lane == 7 && play_state != PLAY_HELP_CALL && !seek_damage) {
            cost += 2.0;
        }
        if (play_state == PLAY_HELP_CALL && damage > 0) {
            int h = help_timer + t;
            if (h >= 272 && h <= 499 && std::abs(tx - lane_x[7]) < 10) {
                cost -= 6.0;
            }
        }
        for (int c = 0; c < n; c++) {
            if (car_x[c] < cars[c].lane_x) {
                car_x[c] += 2;
            }
            if (car_x[c] > cars[c].lane_x) {
                car_x[c] -= 2;
            }
            double rel = cars[c].position + static_cast<double>(cars[c].speed) * t + 200 - dd;
            int dx = std::abs(car_x[c] - tx);
            if (seek_damage) {
                if (!cars[c].alien && rel > -70 && rel < 33 && dx < 26) {
                    cost -= 50.0 * weight;
                }
                continue;
            }
            if (rel > -77 - 18 && rel < 40 + 18 && dx < 30 + 5) {
                cost += cars[c].alien ? -8.0 * weight : 120.0 * weight;
            }
        }
    }
    if (!seek_damage) {
        cost -= (dd - distance) * 0.02;
    }
    return cost;
}

void drive_keys(int seek_damage, int want[])
{
    static CarTrack cars[CAR_COUNT];
    int n = track_cars(cars);
    double best = 1e18;
    int best_target = truck_x;
    int best_speed = SPEED_UP;
    int current = lane_of(truck_x);
    for (int lane = 0; lane < LANE_COUNT; lane++) {
        int target = lane == 7 ? 576 : lane_x[lane];
        for (int mode = SPEED_UP; mode <= SPEED_BRAKE; mode++) {
            double cost = drive_cost(cars, n, target, mode, seek_damage);
            cost += std::abs(lane - current) * 0.5;  // stay put when it is all the same
            if (cost < best) {
                best = cost;
                best_target = target;
                best_speed = mode;
            }
        }
    }
    if (truck_x < best_target - STEER_DEADBAND) {
        want[KEY_RIGHT] = 1;
    } else if (truck_x > best_target + STEER_DEADBAND) {
        want[KEY_LEFT] = 1;
    }
    want[KEY_UP] = best_speed == SPEED_UP;
    want[KEY_DOWN] = best_speed == SPEED_BRAKE;

    // The help truck, when the damage mounts and there is road left for it.
    if (!seek_damage && play_state == PLAY_DRIVING && help_calls > 0 && damage >= 40 &&
        distance < 1000000 - 110000) {
        want[KEY_H] = 1;
    }
}

// ---------------------------------------------------------------------------
// The battle
//
// The battle has no chance in it: the alien follows its script and its shots
// fly straight. So the autopilot keeps a copy of the battle's rules and tries
// a set of plans on it (when to charge, where to stand), keeping the one that
// takes the least damage and costs the alien the most.

struct BattleModel {
    int tx, ty;
    double vy;
    int ax, ay, health, pinned, step, step_timer, defeated;
    int script[ALIEN_SCRIPT_LENGTH];
    int shot_x[ALIEN_SHOT_COUNT], shot_y[ALIEN_SHOT_COUNT];
    int shot_dx[ALIEN_SHOT_COUNT], shot_dy[ALIEN_SHOT_COUNT], shot_on[ALIEN_SHOT_COUNT];
    int shell_x[SHELL_COUNT], shell_y[SHELL_COUNT], shell_on[SHELL_COUNT];
    int damage;
    int respawn;  // frames of the respawn left: shots neither hit nor leave
    int wrecked;
};

struct Keys {
    int h;  // -1 left, +1 right
    int v;  // -1 up, +1 down
    int fire;
};

BattleModel model_from_game()
{
    BattleModel m;
    m.tx = truck_x;
    m.ty = truck_y;
    m.vy = truck_vy;
    m.ax = alien_x;
    m.ay = alien_y;
    m.health = alien_health;
    m.pinned = alien_pinned;
    m.step = alien_step;
    m.step_timer = alien_step_timer;
    m.defeated = alien_defeated;
    for (int k = 0; k < ALIEN_SCRIPT_LENGTH; k++) {
        m.script[k] = alien_script[level_index][k];
    }
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        m.shot_x[i] = alien_shot_x[i];
        m.shot_y[i] = alien_shot_y[i];
        m.shot_dx[i] = alien_shot_dx[i];
        m.shot_dy[i] = alien_shot_dy[i];
        m.shot_on[i] = alien_shot_active[i];
    }
    for (int k = 0; k < SHELL_COUNT; k++) {
        m.shell_x[k] = shell_x[k];
        m.shell_y[k] = shell_y[k];
        m.shell_on[k] = shell_active[k];
    }
    m.damage = damage;
    m.respawn = play_state == PLAY_BATTLE_RESPAWN ? 101 - respawn_timer : 0;
    m.wrecked = 0;
    return m;
}

void model_fan(BattleModel* m, int y_offset)
{
    double angle = std::atan2(static_cast<double>(m->ty - m->ay), static_cast<double>(m->tx - m->ax));
    double v = level_index + 6;
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        double b = angle + (5 - i) * 0.2094395102;
        m->shot_dx[i] = static_cast<int>(v * std::cos(b));
        m->shot_dy[i] = static_cast<int>(v * std::sin(b));
        m->shot_x[i] = m->ax + 50;
        m->shot_y[i] = m->ay + y_offset;
        m->shot_on[i] = 1;
    }
}

// One frame of the battle, in the game's order.
void model_frame(BattleModel* m, Keys keys)
{
    // Controls and cannon.
    double accel = keys.v < 0 ? -0.2 : keys.v > 0 ? 0.2 : 0.0;
    m->tx += 4 * keys.h;
    if (keys.fire && level_index >= 1) {
        int k = SHELL_COUNT - 1;
        while (k >= 0 && m->shell_on[k]) {
            k--;
        }
        if (k >= 0) {
            m->shell_x[k] = m->tx + 32;
            m->shell_y[k] = m->ty;
            m->shell_on[k] = 1;
        }
    }
    m->vy += accel;
    m->ty = static_cast<int>(m->ty + m->vy);
    if (m->tx > 576) {
        m->tx = 576;
    } else if (m->tx < 130) {
        m->tx = 130;
    }
    if (m->ty > 350) {
        m->ty = 350;
        m->vy *= -0.5;
    } else if (m->ty < 10) {
        m->ty = 10;
        m->vy *= -0.5;
    }

    // The alien.
    if (!m->defeated && m->step >= 0 && m->step <= 17) {
        int s = level_index + 1;
        int a = m->script[m->step];
        switch (a) {
        case 0:
        case 4:
            m->ay += s;
            break;
        case 1:
        case 3:
            m->ax += s;
            m->ay -= s;
            break;
        case 2:
            m->ax += s;
            break;
        case 5:
            m->ax -= s;
            m->ay += s;
            break;
        case 6:
            m->ax -= s;
            break;
        case 7:
            m->ax -= s;
            m->ay -= s;
            break;
        default:
            break;
        }
        if (a == 8 || a == 9) {
            int any = 0;
            for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
                any |= m->shot_on[i];
            }
            if (!any) {
                model_fan(m, a == 8 ? 50 : 40);
            }
        }
        m->step_timer++;
        if (m->step_timer > m->script[m->step + 1]) {
            m->step_timer = 0;
            m->step += 2;
            int next = m->script[m->step];
            if (next == 8 || next == 9 || next == 10) {
                m->script[m->step + 1] = 5;
            }
            if (m->step > 17) {
                m->step = 0;
            }
        }
        if (m->ax >= 500) {
            m->ax = 500;
        } else if (m->ax <= 130) {
            m->ax = 130;
        }
        if (m->ay >= 350) {
            m->ay = 350;
        } else if (m->ay <= -20) {
            m->ay = -20;
        }
        int dx = m->tx - m->ax;
        int dy = m->ty - m->ay;
        if (-32 < dx && dx < 112 && 60 < dy && dy < 80 && m->vy < 0) {
            m->ay = static_cast<int>(m->ty - 65 + m->vy);
            if (m->ay < -20) {
                m->ay = -20;
                m->pinned = 1;
            }
        } else {
            if (m->pinned) {
                m->health -= std::abs(static_cast<int>(m->vy));
                if (m->health < 0) {
                    m->health = 0;
                    m->defeated = 1;
                }
            }
            m->pinned = 0;
        }
    }

    // Shells.
    if (level_index >= 1) {
        for (int k = 0; k < SHELL_COUNT; k++) {
            if (!m->shell_on[k]) {
                continue;
            }
            int dx = m->shell_x[k] - m->ax;
            int dy = m->shell_y[k] - m->ay;
            if (30 < dx && dx < 110 && 0 < dy && dy < 100) {
                if (m->health > 0) {
                    m->health--;
                }
                m->shell_on[k] = 0;
            }
            m->shell_y[k] -= 10;
            if (m->shell_y[k] < 0) {
                m->shell_on[k] = 0;
            }
        }
    }

    // The alien's shots.
    for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
        if (m->shot_on[i]) {
            m->shot_x[i] += m->shot_dx[i];
            m->shot_y[i] += m->shot_dy[i];
        }
        if (m->respawn > 0) {
            continue;
        }
        int dy = m->shot_y[i] - m->ty;
        if (std::abs(m->shot_x[i] - m->tx) < 32 && -21 < dy && dy < 60 && m->shot_on[i]) {
            m->shot_on[i] = 0;
            m->damage += 20 * level_index + 2;
        }
        if (m->shot_x[i] > 640 || m->shot_x[i] < 130 || m->shot_y[i] > 480 || m->shot_y[i] < 0) {
            m->shot_on[i] = 0;
        }
    }
    if (m->respawn > 0) {
        m->respawn--;
        if (m->respawn == 96) {  // the spare comes in on the respawn's fifth frame
            m->tx = 340;
            m->ty = 200;
            m->damage = 0;
        }
    }
    if (m->damage > 100) {
        m->wrecked = 1;
    }
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

Keys plan_keys(const BattleModel* m, const BattlePlan& plan, int t, PlanState* ps)
{
    Keys keys = {0, 0, level_index >= 1};
    int target_x = m->ax + plan.offset;
    if (t < plan.side_frames) {
        keys.h = plan.side;
    } else if (m->tx < target_x - 3) {
        keys.h = 1;
    } else if (m->tx > target_x + 3) {
        keys.h = -1;
    }
    int aligned = std::abs(m->tx - (m->ax + 38)) < 44;
    if (ps->charging) {
        ps->charge_frames++;
        bool released = ps->was_pinned && !m->pinned;
        if (released || m->ty <= 12 || (ps->charge_frames > 5 && m->vy > 0)) {
            ps->charging = 0;
        }
    } else if (t >= plan.wait && m->ty >= 290 && aligned && m->ay <= 262) {
        ps->charging = 1;
        ps->charge_frames = 0;
    }
    ps->was_pinned = m->pinned;
    if (ps->charging) {
        keys.v = -1;
    } else if (m->ty < 300) {
        keys.v = 1;
    } else if (m->vy > 0.5) {
        keys.v = -1;
    } else if (m->vy < -0.5) {
        keys.v = 1;
    }
    return keys;
}

constexpr int BATTLE_HORIZON = 140;

double plan_cost(const BattlePlan& plan, const PlanState& start, Keys* first)
{
    BattleModel m = model_from_game();
    PlanState ps = start;
    int health0 = m.health;
    double cost = 0.0;
    for (int t = 0; t < BATTLE_HORIZON; t++) {
        Keys keys = plan_keys(&m, plan, t, &ps);
        if (t == 0) {
            *first = keys;
        }
        int before = m.damage;
        model_frame(&m, keys);
        if (m.damage > before) {
            cost += 30.0 * (m.damage - before) * (1.0 + (BATTLE_HORIZON - t) / 70.0);
        }
        if (m.wrecked) {
            cost += 50000.0 * (1.0 + (BATTLE_HORIZON - t) / 70.0);
            break;
        }
        if (m.defeated) {
            cost -= 20000.0 + 50.0 * (BATTLE_HORIZON - t);
            break;
        }
    }
    cost -= 40.0 * (health0 - m.health);
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
    double best = 1e18;
    Keys best_keys = {0, 0, level_index >= 1};
    PlanState best_state = running_plan;
    for (int w : waits) {
        for (int o : offsets) {
            for (const auto& side : sides) {
                BattlePlan plan = {w, o, side[0], side[1]};
                Keys first;
                PlanState ps = running_plan;
                double cost = plan_cost(plan, ps, &first);
                // Prefer waiting less and standing where the shells hit.
                cost += w * 0.5 + (o != 38 ? 5.0 : 0.0) + side[1] * 0.3;
                if (cost < best) {
                    best = cost;
                    best_keys = first;
                    best_state = running_plan;
                    BattleModel m = model_from_game();
                    plan_keys(&m, plan, 0, &best_state);
                }
            }
        }
    }
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
    return KEY_NAME[key];
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
