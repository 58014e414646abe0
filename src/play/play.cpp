// One frame of play: the steps in their fixed order. Each step is a rule,
// which changes the game's state, or a picture, which only draws; each reads
// the state afresh, so a rule that changes play_state decides what the later
// steps of the same frame do.
#include "play/play.h"

namespace {

bool in_battle()
{
    return play_state == PLAY_BATTLE || play_state == PLAY_BATTLE_RESPAWN;
}

// A picture that always succeeds.
template <void (*Draw)()> int drawn()
{
    Draw();
    return 1;
}

struct PlayStep {
    bool (*when)();
    void (*rule)();    // a rule, or
    int (*picture)();  // a picture: 0 ends the frame (no device context)
};

constexpr PlayStep PLAY_STEPS[] = {
    {[] { return truck_wrecked == 0 && play_state != PLAY_BATTLE; }, driving_keys, nullptr},
    // A wreck holds the truck still. (Wrecked in PLAY_BATTLE cannot arise;
    // the steps below then skip both the controls and the road.)
    {[] { return truck_wrecked != 0 && play_state != PLAY_BATTLE; }, [] { truck_speed = 0.0; }, nullptr},
    {[] { return truck_wrecked == 0 && in_battle(); }, battle_controls, nullptr},
    {[] { return play_state == PLAY_DRIVING || play_state == PLAY_WRECK || play_state == PLAY_HELP_CALL; }, road_step,
     nullptr},
    {[] { return true; }, dashes_scroll, nullptr},
    {[] { return true; }, speed_creep, nullptr},
    {[] { return !in_battle(); }, traffic_step, nullptr},
    {[] { return level_index >= 1 && in_battle(); }, shells_update, nullptr},

    // The picture, with the rules that come at their places in it.
    {[] { return true; }, nullptr, play_board_draw},
    {[] { return play_state != PLAY_GAME_OVER && !in_battle(); }, nullptr, drawn<traffic_draw>},
    {[] { return in_battle() && alien_defeated == 0; }, nullptr, drawn<alien_draw>},
    {[] { return play_state == PLAY_BATTLE && alien_defeated == 1; }, nullptr, drawn<victory_draw>},
    {[] { return play_state == PLAY_BATTLE && alien_defeated == 1; }, victory_step, nullptr},
    {[] { return in_battle(); }, alien_shots_update, nullptr},
    {[] { return in_battle(); }, nullptr, drawn<alien_shots_draw>},
    {[] { return play_state == PLAY_BATTLE_RESPAWN; }, nullptr, drawn<respawn_draw>},
    {[] { return play_state == PLAY_BATTLE_RESPAWN; }, respawn_step, nullptr},
    {[] { return play_state == PLAY_DRIVING || play_state == PLAY_HELP_CALL || in_battle(); }, nullptr,
     drawn<truck_draw>},
    {[] { return play_state == PLAY_LAST_WRECK; }, nullptr, drawn<wreck_draw>},
    {[] { return play_state == PLAY_LAST_WRECK; }, last_wreck_step, nullptr},
    {[] { return play_state == PLAY_WRECK; }, nullptr, drawn<wreck_draw>},
    {[] { return play_state == PLAY_WRECK; }, wreck_step, nullptr},
    {[] { return play_state == PLAY_GAME_OVER; }, nullptr, drawn<game_over_draw>},
    {[] { return play_state == PLAY_GAME_OVER; }, game_over_step, nullptr},
    // The help truck is drawn where this frame's step took it; on the frame
    // that ends the call it has long left the screen.
    {[] { return play_state == PLAY_HELP_CALL; }, help_truck_step, nullptr},
    {[] { return play_state == PLAY_HELP_CALL; }, nullptr, drawn<help_truck_draw>},
    {[] { return true; }, nullptr, drawn<play_icons_draw>},
};
constexpr int PLAY_STEP_COUNT = sizeof PLAY_STEPS / sizeof PLAY_STEPS[0];
constexpr int FIRST_PICTURE = 8;
static_assert(PLAY_STEPS[FIRST_PICTURE].picture == play_board_draw, "the picture starts with the road");

int run_steps(int first, bool drawing)
{
    for (int i = first; i < PLAY_STEP_COUNT; i++) {
        const PlayStep& step = PLAY_STEPS[i];
        if (!step.when()) {
            continue;
        }
        if (step.rule != nullptr) {
            step.rule();
        } else if (drawing && step.picture() == 0) {
            return 0;
        }
    }
    return 1;
}

}  // namespace

int play_frame(bool drawing)
{
    play_outcome = PLAY_GOES_ON;
    return run_steps(0, drawing);
}

int play_draw_frame()
{
    return run_steps(FIRST_PICTURE, true);
}
