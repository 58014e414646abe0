// Placeholders until the front-end is written; removed piece by piece.
#include "frontend/frontend.h"

int game_mode = MODE_TITLE;
Spark sparks[SPARK_COUNT];
double story_scroll = 0.0;
int story_audio_started = 0;

void sparks_init() {}
int game_main() { return 1; }
int story_frame() { return 1; }
