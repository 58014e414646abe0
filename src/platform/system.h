// The few things the portable core needs from the system it runs on, each
// defined once per system in that system's folder (src/platform/sdl/ on the
// desktops: POSIX files and folders, libpng, SDL's audio device, FluidSynth;
// web/ and win32/ later). Everything above them (which file is read, what a
// message says, the mixer, the sequencer, the rules of saving) is the core's
// and the same everywhere.
//
// Paths are UTF-8 with '/' between names; a system whose own separator
// differs accepts '/' as well. Results that can fail say why in a short
// text the core quotes ("no such file", "permission denied").
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Reading

// What opening a file for reading found.
enum PlatFileResult {
    PLAT_FILE_OK = 0,
    PLAT_FILE_MISSING,      // no such file (or a directory on its path is missing)
    PLAT_FILE_NOT_REGULAR,  // a directory, FIFO, device or socket
    PLAT_FILE_TOO_BIG,      // larger than the caller allows (set by the core, never by the system)
    PLAT_FILE_UNREADABLE,   // permission or I/O error
};

// Opens a regular file for binary reading without ever waiting on a FIFO or
// a device (a FIFO with no writer, a terminal): those are PLAT_FILE_NOT_REGULAR.
// Null with *result set when it cannot; *result is PLAT_FILE_OK otherwise.
// The caller fcloses it.
FILE* plat_sys_open_regular(const char* path, int* result);

// True when something (a file, a directory, a dangling link) has that name.
bool plat_sys_exists(const char* path);
bool plat_sys_is_directory(const char* path);

// ---------------------------------------------------------------------------
// Writing a file in one step

// Replaces `path` with `size` bytes atomically: readers see the old file or
// the new one, never a part. The old file's permissions are kept (a new one
// gets the usual ones for the user); a symbolic link is followed, so the link
// stays and its target changes. Works over an existing file on every system
// (POSIX: a temporary file beside it, flushed, renamed over; Windows:
// ReplaceFileW, or MoveFileExW for a new file). On failure the old file is
// untouched, no temporary file is left, and `error` (when not null) says why.
bool plat_sys_replace_file(const char* path, const void* data, size_t size, std::string* error);

// Why `path` cannot be replaced by plat_sys_replace_file, or null when it
// can: "is a directory", "not a regular file", "read-only", or the system's
// reason. An absent file is fine when a file can be made in its place (tried
// for real, so a privileged user gets the true answer). The text stays valid
// until the next call.
const char* plat_sys_replace_problem(const char* path);

// Removes the temporary files that a save killed before it could finish left
// beside `path` (after following a symbolic link). Called under the file's
// lock, so that no running save's file goes.
void plat_sys_remove_stale_temps(const char* path);

// Why a new output file (a trace, a dump, a log, a shot) could not be written
// at `path`, or null when it can: "no name", "file name too long", "is a
// directory", "is a FIFO, not a regular file", "not a regular file", "not
// writable", "no such directory", "directory not writable", or the system's
// reason. Asked before the game runs, so a bad path is reported first.
const char* plat_sys_output_problem(const char* path);

// ---------------------------------------------------------------------------
// Locking

// An exclusive advisory lock that serialises the read-modify-write of `path`
// between processes. It is taken on something that outlives the file's
// replacement (POSIX: flock on the directory that holds the file, after
// following a link; Windows: LockFileEx on a lock file beside it). Waits for
// another process's lock. Returns a handle >= 0, or -1 when no lock can be
// had (the caller goes on unlocked). A killed process drops its lock.
int plat_sys_lock_file(const char* path);
// Lets go of a lock plat_sys_lock_file gave; -1 is ignored.
void plat_sys_unlock_file(int handle);

// ---------------------------------------------------------------------------
// Folders

// Makes one directory; `private_dir`: readable by the user alone (POSIX mode
// 0700), else the usual (0755). False with `error` set when it cannot, also
// when it already exists (the core then asks plat_sys_is_directory).
bool plat_sys_make_directory(const char* path, bool private_dir, std::string* error);

// The user's folders, for the game to put its own folder in (the core adds
// "tailgate" where that is the custom) or, for pictures, to use as it is.
enum PlatUserFolder {
    PLAT_FOLDER_DATA,      // high scores: $XDG_DATA_HOME, else ~/.local/share (Windows: %LOCALAPPDATA%)
    PLAT_FOLDER_CONFIG,    // settings: $XDG_CONFIG_HOME, else ~/.config (Windows: %APPDATA%)
    PLAT_FOLDER_PICTURES,  // screenshots: $XDG_PICTURES_DIR, user-dirs.dirs, else ~/Pictures (Windows: the known folder)
};
// The folder's absolute path, which may not exist yet. False when the system
// has none (no home directory), with `hint` saying what the player may set
// ("HOME or XDG_DATA_HOME").
bool plat_sys_user_folder(PlatUserFolder which, std::string* path, std::string* hint);

// The folder the running program lies in, absolute, with no '/' at its end.
bool plat_sys_program_folder(std::string* path);
// Where the installed game's data lies relative to the program's folder
// ("../share/tailgate/data" on the desktops).
const char* plat_sys_installed_data();

// Makes `dir` the working directory; false when it cannot.
bool plat_sys_change_dir(const char* dir);
// `path` made absolute against the working directory (absolute paths come
// back as they are), so that it survives a later change of directory. False
// when it cannot be had or is too long.
bool plat_sys_absolute_path(const char* path, std::string* out);

// A new directory of the run's own (private) in the system's place for
// temporary files; false when none can be made.
bool plat_sys_make_private_dir(std::string* out);
// Removes such a directory with the files (and empty directories) in it.
void plat_sys_remove_private_dir(const char* dir);

// The local time as "YYYY-MM-DD-HHMMSS", for a screenshot's name.
std::string plat_sys_local_time_stamp();

// ---------------------------------------------------------------------------
// Pictures

// Writes w x h pixels of `channels` bytes each (3: RGB, 4: RGBA), top row
// first, as an 8-bit PNG. The desktops' files are libpng's at compression
// level 1 with no row filter: the same bytes on every run, which tests and
// shots compare. A picture that could not be written whole is removed.
bool plat_sys_write_png(const char* path, const uint8_t* pixels, int w, int h, int channels);
// Reads a PNG of any kind as 8-bit RGB, top row first; false when it is not
// one or either side is beyond 16384.
bool plat_sys_read_png(const char* path, std::vector<uint8_t>* rgb, int* w, int* h);

// ---------------------------------------------------------------------------
// Being asked to end

// From now on the system's requests to end the program (SIGINT and SIGTERM;
// Ctrl+C, Ctrl+Break and closing the console on Windows; a page being left)
// no longer end it but are only noted: the core turns them into a close
// request at its next look at its messages.
void plat_sys_catch_close_requests();
// True once such a request came in (safe to ask at any time).
bool plat_sys_close_requested();

// ---------------------------------------------------------------------------
// The sound device

// Called by the device, on a thread of its own, whenever it wants more: fills
// `frames` stereo frames of 16-bit samples (left first) into `out`.
using PlatAudioPull = void (*)(int16_t* out, int frames);

// Opens the default output at `rate` frames a second, stereo, 16-bit, with
// blocks of about `block_frames`, paused. False with `error` set when there
// is no device (the core goes on silently).
bool plat_sys_audio_open(int rate, int block_frames, PlatAudioPull pull, std::string* error);
// Starts (false) or holds (true) the device's pulls.
void plat_sys_audio_pause(bool paused);
// While locked the device makes no pull: the core changes the mixer's state
// between lock and unlock. Both do nothing without an open device.
void plat_sys_audio_lock();
void plat_sys_audio_unlock();
// Closes the device, after waiting for a pull in progress.
void plat_sys_audio_close();

// ---------------------------------------------------------------------------
// The music synthesiser: General MIDI through a SoundFont, fed by the core's
// sequencer from the mixer's pull (under the device lock; never from two
// threads at once). A system without one has plat_sys_synth_open return false
// and the music keeps time silently.

// Makes the synthesiser at `rate` (its gain 0.8, one core, no thread of its
// own; its messages kept off the terminal). False when it cannot be made.
bool plat_sys_synth_open(int rate);
// True when `path` is a SoundFont the synthesiser loaded (quietly: a damaged
// file gives no messages of the libraries'); false otherwise. Replaces a
// SoundFont loaded before.
bool plat_sys_synth_load(const char* path);
// Gives the synthesiser back (none open: nothing happens).
void plat_sys_synth_close();

// MIDI channel messages; channel 0..15, the rest as in a MIDI file.
void plat_sys_synth_note_on(int channel, int key, int velocity);
void plat_sys_synth_note_off(int channel, int key);
void plat_sys_synth_key_pressure(int channel, int key, int value);
void plat_sys_synth_controller(int channel, int controller, int value);
void plat_sys_synth_program(int channel, int program);
void plat_sys_synth_channel_pressure(int channel, int value);
void plat_sys_synth_pitch_bend(int channel, int value);  // 0 .. 16383, 8192 the middle
// Every note of every channel silenced at once.
void plat_sys_synth_all_sounds_off();
// Back to the state after loading: silence, the default programs and
// controllers (between two pieces).
void plat_sys_synth_reset();
// True while a voice still sounds (a note released rings on).
bool plat_sys_synth_active();
// Renders `frames` (at most 64) frames into `left` and `right` (-1 .. 1),
// replacing what they held.
void plat_sys_synth_render(float* left, float* right, int frames);
