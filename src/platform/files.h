// Files the game reads and the one it rewrites: reads that never block on a
// FIFO or a device, an advisory lock, and an atomic replacement that writes
// through a symbolic link to its target.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

#include "platform/system.h"

// PlatFileResult is the system layer's (platform/system.h).

// A short reason for a result, for messages ("not a regular file").
const char* plat_file_result_text(int result);

// Opens a regular file for binary reading without ever waiting on a FIFO or
// a device. Null with *result set when it cannot; *result is PLAT_FILE_OK
// otherwise. The caller fcloses it.
FILE* plat_open_regular(const char* path, int* result);

// Reads a regular file whole into `bytes`. Returns a PlatFileResult.
int plat_read_regular(const char* path, size_t max_bytes, std::vector<char>* bytes);

// An exclusive advisory lock that serialises the read-modify-write of `path`
// between processes. It is taken on the directory that holds the file (after
// following a symbolic link), so it outlives the rename that replaces the
// file. Returns a handle >= 0, or -1 when no lock can be had (the caller then
// goes on unlocked). A killed process drops its lock.
int plat_lock_file(const char* path);
void plat_unlock_file(int handle);

// Why `path` cannot be replaced by plat_replace_file, or null when it can:
// "not a regular file", "read-only", or the system's reason (a loop of
// links, no permission to make a file beside it, ...). An absent file is
// fine when a file can be made in its place; that is tried with a
// temporary file, so even a privileged user gets the true answer.
const char* plat_replace_problem(const char* path);

// Removes the temporary files (`path`.XXXXXX) that a save killed before its
// rename left beside the file `path` (after following a symbolic link).
// Call it under plat_lock_file's lock, so that no running save's file goes.
void plat_remove_stale_temps(const char* path);

// Replaces `path` with `size` bytes in one step: a unique temporary file
// beside the target, flushed to the disk, then renamed over it, keeping the
// old file's permissions. A symbolic link is followed, so the link stays and
// its target changes. On failure the old file is untouched, no temporary file
// is left, and errno says why. True on success.
bool plat_replace_file(const char* path, const void* data, size_t size);
