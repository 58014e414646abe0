// Placeholders until the shell is written; removed piece by piece.
#include "shell/shell.h"

uintptr_t main_window;
int music_tracks[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
int music_battle = -1;
int quit_requested;

int tailgate_main(int, char**) { return 0; }
int game_shutdown() { return 1; }
