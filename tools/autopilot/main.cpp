// The autopilot: runs the game in this process exactly as `tailgate
// --headless` runs it (same start-up, same virtual clock, same scripted
// keyboard), chooses the keys of every pass from the game's state, and
// writes them as an input script that replays the same game through the
// real executable.
//
//   autopilot --data DIR --goal first-level|whole-game|game-over
//             --start-tick T --out FILE [--max-passes N]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/random.h"
#include "frontend/frontend.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "play/play.h"
#include "policy.h"
#include "shell/harness_script.h"
#include "shell/shell.h"

namespace {

// Passes run after the goal is reached, so the end state settles on screen.
constexpr int GOAL_TAIL_PASSES = 30;

// The initials the whole game enters: Z (one down), Y (two), X (three).
constexpr const char* INITIALS_EVENTS =
    "+DOWN -DOWN +SPACE -SPACE +DOWN -DOWN +DOWN -DOWN +SPACE -SPACE +DOWN -DOWN +DOWN -DOWN +DOWN -DOWN +SPACE -SPACE";
// A last wreck may earn a place too: AAA, or the space that leaves
// "GAME OVER" when no entry screen took them.
constexpr const char* GAME_OVER_EVENTS = "+SPACE -SPACE +SPACE -SPACE +SPACE -SPACE";

struct Event {
    int pass;
    int key;
    int down;
};

std::vector<Event> events;  // the whole script so far, in file order

// Passes at which the game first reached a moment worth checking.
struct Milestone {
    std::string name;
    int pass;
};
std::vector<Milestone> milestones;

void milestone(const std::string& name, int pass)
{
    for (const Milestone& m : milestones) {
        if (m.name == name) {
            return;
        }
    }
    milestones.push_back(Milestone{name, pass});
}

// Notes the moments of the pass just run.
void note_milestones(int pass)
{
    std::string level = std::to_string(level_index);
    if (game_mode == MODE_STORY) {
        milestone("story-" + level, pass);
    }
    if (game_mode == MODE_MENU && pass > 100) {
        milestone("menu", pass);
    }
    if (game_mode != MODE_PLAY) {
        return;
    }
    if (play_state == PLAY_BATTLE) {
        milestone("battle-" + level, pass);
        int shots = 0;
        for (int i = 0; i < ALIEN_SHOT_COUNT; i++) {
            shots += alien_shot_active[i];
        }
        if (shots >= 8 && alien_defeated == 0) {
            milestone("volley-" + level, pass);
        }
        if (alien_pinned) {
            milestone("pinned-" + level, pass);
        }
        if (alien_defeated && alien_step_timer == 60) {
            milestone("victory-" + level, pass);
        }
    }
    if (play_state == PLAY_WRECK) {
        milestone("wreck", pass);
    }
    if (play_state == PLAY_LAST_WRECK) {
        milestone("last-wreck", pass);
    }
    if (play_state == PLAY_GAME_OVER) {
        milestone("game-over", pass);
    }
}
size_t events_done;  // events that have taken effect

const char* goal_names[] = {"first-level", "whole-game", "game-over"};

int parse_goal(const char* name)
{
    for (int g = 0; g < 3; g++) {
        if (strcmp(name, goal_names[g]) == 0) {
            return g;
        }
    }
    return -1;
}

int key_by_name(const char* name, size_t length)
{
    for (int k = 0; k < AUTOPILOT_KEY_COUNT; k++) {
        if (strlen(autopilot_key_name(k)) == length && strncmp(autopilot_key_name(k), name, length) == 0) {
            return k;
        }
    }
    return -1;
}

// Appends a sequence of "+KEY -KEY ..." events, one pass apart from `pass`.
void schedule(int pass, const char* sequence)
{
    const char* p = sequence;
    while (*p) {
        while (*p == ' ') {
            p++;
        }
        const char* start = p;
        while (*p && *p != ' ') {
            p++;
        }
        if (p - start < 2) {
            continue;
        }
        int key = key_by_name(start + 1, static_cast<size_t>(p - start - 1));
        if (key >= 0) {
            events.push_back(Event{pass++, key, start[0] == '+' ? 1 : 0});
        }
    }
}

// Lets go of every key held, in this pass: a key still held from play
// would stop a wait inside a pass from ever ending.
void release_all(int pass)
{
    for (int k = 0; k < AUTOPILOT_KEY_COUNT; k++) {
        if (headless_key_down(autopilot_key_vk(k))) {
            events.push_back(Event{pass, k, 0});
        }
    }
}

// Hands the events not yet taken to the scripted keyboard; they keep their
// file order, exactly as the executable will read them.
void load_pending()
{
    std::string script;
    for (size_t i = events_done; i < events.size(); i++) {
        script += std::to_string(events[i].pass);
        script += events[i].down ? " +" : " -";
        script += autopilot_key_name(events[i].key);
        script += "\n";
    }
    char error[256];
    if (!harness_parse_script(script.data(), script.size(), error, sizeof error)) {
        fprintf(stderr, "autopilot: internal script error: %s\n", error);
        exit(1);
    }
}

int write_script(const char* path, int goal, uint32_t start_tick, int passes, int final_score)
{
    FILE* file = fopen(path, "wb");
    if (!file) {
        fprintf(stderr, "autopilot: cannot write %s\n", path);
        return 0;
    }
    fprintf(file, "# Written by tools/autopilot, goal %s. Watch it with tailgate --replay FILE.\n", goal_names[goal]);
    fprintf(file, "# start-tick %u\n# passes %d\n# score %d\n", start_tick, passes, final_score);
    // The autopilot plays from data without a high-score table.
    harness_write_table(file, HarnessTable{HARNESS_TABLE_NONE, {}});
    for (const Milestone& m : milestones) {
        fprintf(file, "# milestone %s %d\n", m.name.c_str(), m.pass);
    }
    size_t i = 0;
    while (i < events.size()) {
        int pass = events[i].pass;
        fprintf(file, "%d", pass);
        while (i < events.size() && events[i].pass == pass) {
            fprintf(file, " %c%s", events[i].down ? '+' : '-', autopilot_key_name(events[i].key));
            i++;
        }
        fprintf(file, "\n");
    }
    fclose(file);
    return 1;
}

// The game waited for a key that the script does not give.
void on_exhausted(int pass)
{
    fprintf(stderr, "autopilot: the game waited for more keys at pass %d (mode %d, level %d, state %d)\n", pass,
            game_mode, level_index, play_state);
    fprintf(stderr, "autopilot: %zu of %zu events taken; wreck_timer %d, score %d\n", events_done, events.size(),
            wreck_timer, score);
}

// The game's start-up as the shell makes it, on the headless platform.
int start_game(uint32_t start_tick)
{
    plat_use_backend(PLAT_HEADLESS, start_tick);
    load_pending();
    if (!plat_window_create(false)) {
        fprintf(stderr, "autopilot: no headless display\n");
        return 0;
    }
    main_window = 1;
    if (!game_init()) {
        fprintf(stderr, "autopilot: start-up failed: %s\n", game_init_error());
        return 0;
    }
    game_show_title();
    return 1;
}

// The run: what the goal asks for, and how far it has got.
struct Run {
    int goal;
    int verbose;
    FILE* trace;
    int goal_pass = -1;
    int final_score = 0;
    int seen_finale = 0;
    int seen_game_over = 0;
    int finale_scheduled = 0;
    int last_wreck_scheduled = 0;
    int story_frames = 0;
    int passes = 0;     // passes run
    int failed = 0;     // the goal can no longer be reached
    size_t loaded = 0;  // events handed over for the coming pass
};
Run run;

// The keys of pass `pass`, chosen before it runs.
void autopilot_prepare_pass(int pass)
{
    // Sequences that the game takes up while it waits inside a pass are
    // laid down whole; the policy rests while any of them is pending.
    bool pending = events_done < events.size();
    if (!pending) {
        if (game_mode == MODE_STORY) {
            run.story_frames++;
        } else {
            run.story_frames = 0;
        }
        if (run.goal == GOAL_WHOLE_GAME && game_mode == MODE_STORY && level_index == 3 && !run.finale_scheduled &&
            run.story_frames > 40) {
            run.final_score = score;
            std::string sequence = std::string("+SPACE -SPACE ") + INITIALS_EVENTS;
            release_all(pass);
            schedule(pass, sequence.c_str());
            run.finale_scheduled = 1;
        } else if (game_mode == MODE_PLAY && play_state == PLAY_LAST_WRECK && !run.last_wreck_scheduled) {
            run.final_score = score;
            release_all(pass);
            schedule(pass + 150, GAME_OVER_EVENTS);
            run.last_wreck_scheduled = 1;
        } else {
            int want[AUTOPILOT_KEY_COUNT] = {};
            if (run.goal_pass < 0) {
                policy_keys(run.goal, pass, want);
            }  // past the goal every key is let go
            for (int k = 0; k < AUTOPILOT_KEY_COUNT; k++) {
                int down = headless_key_down(autopilot_key_vk(k)) ? 1 : 0;
                if (want[k] != down) {
                    events.push_back(Event{pass, k, want[k]});
                }
            }
        }
    }
    load_pending();
    run.loaded = events.size() - events_done;
}

// Ends the run after this pass: the frame loop meets PLAT_WM_QUIT next.
void stop_run()
{
    plat_post_message(PLAT_WM_QUIT, 0, 0);
}

// After each pass of the shell's frame loop: what the pass reached, and the
// keys of the next.
void autopilot_after_pass(int pass)
{
    events_done += run.loaded - static_cast<size_t>(headless_events_left());
    run.passes = pass + 1;
    note_milestones(pass);
    if (run.trace) {
        fprintf(run.trace, "%d %u %d %d %d %d %d %d\n", pass, rand_state, game_mode, play_state, truck_x, distance,
                score, damage);
    }
    if (run.verbose) {
        static int last[4] = {-1, -1, -1, -1};
        int now[4] = {game_mode, play_state, level_index, lives};
        if (memcmp(now, last, sizeof now) != 0) {
            printf("pass %d: mode %d state %d level %d lives %d score %d damage %d distance %d alien %d\n", pass,
                   game_mode, play_state, level_index, lives, score, damage, distance, alien_health);
            memcpy(last, now, sizeof now);
        }
    }
    if (game_mode == MODE_STORY && level_index == 3) {
        run.seen_finale = 1;
    }
    if (game_mode == MODE_PLAY && play_state == PLAY_GAME_OVER) {
        run.seen_game_over = 1;
    }
    if (run.goal_pass < 0) {
        bool reached = false;
        if (run.goal == GOAL_FIRST_LEVEL && game_mode == MODE_STORY && level_index == 1) {
            run.final_score = score;
            reached = true;
        } else if (run.goal == GOAL_WHOLE_GAME && run.seen_finale && game_mode == MODE_MENU) {
            reached = true;
        } else if (run.goal == GOAL_GAME_OVER && run.seen_game_over && game_mode == MODE_MENU) {
            reached = true;
        } else if (run.goal != GOAL_GAME_OVER && game_mode == MODE_PLAY && play_state == PLAY_GAME_OVER) {
            fprintf(stderr, "autopilot: lost the game at pass %d (level %d, score %d)\n", pass, level_index, score);
            run.failed = 1;
            stop_run();
            return;
        }
        if (reached) {
            run.goal_pass = pass;
        }
    }
    if (run.goal_pass >= 0 && pass >= run.goal_pass + GOAL_TAIL_PASSES && events_done == events.size()) {
        stop_run();
        return;
    }
    autopilot_prepare_pass(pass + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* data_dir = nullptr;
    const char* out_path = nullptr;
    int goal = -1;
    uint32_t start_tick = 1000;
    int max_passes = 200000;
    int verbose = 0;
    FILE* trace = nullptr;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value && strcmp(arg, "--data") == 0) {
            data_dir = value;
        } else if (value && strcmp(arg, "--out") == 0) {
            out_path = value;
        } else if (value && strcmp(arg, "--goal") == 0) {
            goal = parse_goal(value);
        } else if (value && strcmp(arg, "--start-tick") == 0) {
            start_tick = static_cast<uint32_t>(strtoul(value, nullptr, 10));
        } else if (value && strcmp(arg, "--trace") == 0) {
            trace = fopen(value, "wb");
        } else if (strcmp(arg, "--verbose") == 0) {
            verbose = 1;
            continue;
        } else if (value && strcmp(arg, "--max-passes") == 0) {
            max_passes = atoi(value);
        } else {
            fprintf(stderr, "usage: autopilot --data DIR --goal first-level|whole-game|game-over "
                            "--start-tick T --out FILE [--max-passes N]\n");
            return 2;
        }
        i++;
    }
    if (!data_dir || !out_path || goal < 0) {
        fprintf(stderr, "autopilot: --data, --goal and --out are needed\n");
        return 2;
    }
    char out_absolute[4096];
    if (!plat_absolute_path(out_path, out_absolute, sizeof out_absolute) || !plat_change_dir(data_dir)) {
        fprintf(stderr, "autopilot: cannot use %s\n", data_dir);
        return 2;
    }
    if (!start_game(start_tick)) {
        return 1;
    }
    policy_reset();
    run.goal = goal;
    run.verbose = verbose;
    run.trace = trace;
    autopilot_prepare_pass(0);
    int last_pass = -1;
    bool ran_out = false;
    shell_frame_loop(game_main, max_passes, autopilot_after_pass, &last_pass, &ran_out);
    if (ran_out) {
        on_exhausted(last_pass + 1);
        return 3;
    }
    if (run.failed) {
        return 1;
    }
    const int pass = run.passes;
    if (run.goal_pass < 0) {
        fprintf(stderr, "autopilot: goal not reached in %d passes (mode %d, level %d, state %d)\n", pass, game_mode,
                level_index, play_state);
        return 1;
    }
    // Events laid down beyond the last pass would never be read.
    while (!events.empty() && events.back().pass >= pass) {
        events.pop_back();
    }
    if (!write_script(out_absolute, goal, start_tick, pass, run.final_score)) {
        return 1;
    }
    printf("goal %s reached at pass %d; %d passes, score %d, %zu events\n", goal_names[goal], run.goal_pass, pass,
           run.final_score, events.size());
    return 0;
}
