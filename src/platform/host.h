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

// The "data" directory beside the running executable, written into `out`
// (NUL-terminated). False when the executable's path cannot be found.
bool plat_default_data_dir(char* out, size_t size);

// Turns a path given on the command line into an absolute one, relative to
// the current working directory, so that it survives a later change of
// directory. Absolute paths come back as they are. False when too long.
bool plat_absolute_path(const char* path, char* out, size_t size);

// Writes w x h RGB bytes (top row first) as an 8-bit RGB PNG.
bool plat_write_png(const char* path, const uint8_t* rgb, int w, int h);

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
