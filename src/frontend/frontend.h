// Front-end: the one-frame function with its mode machine, the front-end
// screens and the story pages.
#pragma once

enum GameMode {
    MODE_TITLE = 0,
    MODE_MENU = 1,
    MODE_CONTROLS = 2,
    MODE_CREDITS = 3,
    MODE_STORY = 4,
    MODE_PLAY = 5,
    MODE_HISCORES = 6,
};

extern int game_mode;
extern int quit_requested;  // set once Q was seen; never cleared

constexpr int SPARK_COUNT = 300;
struct Spark {
    int x;
    int y;
    int speed;
};
extern Spark sparks[SPARK_COUNT];

// Start-up values of the high-score view's sparks (three draws each).
void sparks_init();

// One frame of the game. 0 when it returned early, 1 otherwise.
int game_main();

// ---------------------------------------------------------------------------
// Story pages

extern double story_scroll;
extern int story_audio_started;

struct StoryLine {
    const char* text;
    int x;
    int base_y;
};

// One page: its narration sound (the address of the sound id, which is known
// only once the sounds are loaded) and its lines, the title first.
constexpr int STORY_PAGE_COUNT = 4;
constexpr int STORY_MAX_LINES = 14;
struct StoryPage {
    const int* narration;
    int line_count;
    StoryLine lines[STORY_MAX_LINES];
};
extern const StoryPage story_pages[STORY_PAGE_COUNT];  // by level_index

// The story frame of the current level_index page. Returns 0 when the device
// context cannot be had, 1 otherwise; on the space bar it starts play (the
// caller then goes on with play_frame) or runs the finale.
int story_frame();

// Sets the four narrations back to their beginnings, in page order, so that
// the next story page's narration starts from its start.
void story_rewind_narrations();
