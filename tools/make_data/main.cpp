// make_data OUTDIR: writes the game's default art, sounds and music.
#include "make_data.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: make_data OUTDIR\n");
        return 2;
    }
    std::string dir = argv[1];
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "make_data: cannot create %s\n", dir.c_str());
        return 1;
    }
    if (!text_init()) {
        std::fprintf(stderr, "make_data: cannot start the font renderer\n");
        return 1;
    }
    int ok = 1;
    ok &= make_background(dir);
    ok &= make_screens(dir);
    ok &= make_sprites(dir);
    text_shutdown();
    ok &= make_sounds(dir);
    ok &= make_music(dir);
    if (!ok) {
        std::fprintf(stderr, "make_data: some files could not be written\n");
        return 1;
    }
    return 0;
}
