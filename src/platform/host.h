// The few services of the host system the shell needs beyond the display:
// directories and PNG pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Makes `dir` the working directory; false when it cannot be.
bool plat_change_dir(const char* dir);

// The game's data directory when none is named: the installed one
// (TAILGATE_INSTALLED_DATA, relative to the executable's own directory) when
// it is there, else "data" beside the running executable (the build tree).
// Written into `out` (NUL-terminated). False when the executable's path
// cannot be found.
bool plat_default_data_dir(char* out, size_t size);

// The player's own directory for the game's files: $XDG_DATA_HOME/tailgate,
// or ~/.local/share/tailgate when XDG_DATA_HOME is unset, empty or relative.
// It is made (mode 0700) when missing. False with a one-line reason in
// `error` when there is no home directory or it cannot be made.
bool plat_user_data_dir(char* out, size_t size, char* error, size_t error_size);

// The longest path the game keeps, with its terminating zero.
constexpr size_t PLAT_PATH_SIZE = 4096;

// A new directory of the run's own (mode 0700) under $TMPDIR or /tmp, its
// path written into `out`; false when none can be made.
bool plat_make_private_dir(char* out, size_t size);
// Makes one directory (mode 0700); false when it cannot.
bool plat_make_directory(const char* path);
// Removes a private directory with what it holds (files and empty
// directories, one level down).
void plat_remove_private_dir(const char* dir);

// Turns a path given on the command line into an absolute one, relative to
// the current working directory, so that it survives a later change of
// directory. Absolute paths come back as they are. False when too long.
bool plat_absolute_path(const char* path, char* out, size_t size);

// Where screenshots go: $XDG_PICTURES_DIR, else the XDG_PICTURES_DIR of
// ~/.config/user-dirs.dirs, else ~/Pictures; made when missing. Empty, with
// the reason in `error`, when there is no home or it cannot be made.
std::string plat_pictures_dir(char* error, size_t error_size);
bool plat_file_exists(const char* path);

// Writes w x h RGB bytes (top row first) as an 8-bit RGB PNG.
bool plat_write_png(const char* path, const uint8_t* rgb, int w, int h);

// The same for w x h RGBA bytes, as an 8-bit RGBA PNG.
bool plat_write_png_rgba(const char* path, const uint8_t* rgba, int w, int h);

// Reads a PNG into RGB bytes (top row first); false when it is not one.
bool plat_read_png(const char* path, std::vector<uint8_t>* rgb, int* w, int* h);

// True when a file could be written at `path`: the name is not too long,
// it names no directory, and it is either an existing file we may write or
// a new name in a writable directory. Lets a bad output path be reported
// before the game runs.
bool plat_can_create(const char* path);
// The same check with its reason: null when `path` may be written, else a
// short text ("is a directory", "file name too long", ...).
const char* plat_output_problem(const char* path);

// `text` made safe for a terminal: control bytes, C1 controls and bytes that
// are not UTF-8 become \xHH, so a message quoting a file never moves the
// cursor or changes the terminal's state. Valid UTF-8 is kept.
std::string plat_printable(std::string_view text);
