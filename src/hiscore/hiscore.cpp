// The high-score table, its file "hiscore.txt" and the initials entry.
//
// The file is plain text, one value per line: the entry count (10), the ten
// scores, six filler letters, then three letters per entry. The reader takes
// any whitespace between values. Saves go to a temporary file beside the real
// one and are renamed over it, so a crash or a full disk never leaves a
// half-written table behind.
#include "hiscore/hiscore.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "display/display.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/random.h"

int32_t hiscore_scores[HISCORE_COUNT];
char hiscore_initials[HISCORE_COUNT][3];
char hiscore_filler[6];

namespace {

// Where the table lives is settled at start-up: the data directory, or the
// player's own directory when the game runs from its installed data.
constexpr const char* HISCORE_FILE = plat_hiscore_file;
constexpr const char* HISCORE_TEMP_FILE = plat_hiscore_temp_file;
constexpr char FILLER[6] = {'a', 'b', 'c', 'd', 'e', 'f'};

bool is_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void skip_space(FILE* file)
{
    int c;
    while ((c = fgetc(file)) != EOF && is_space(c)) {
    }
    if (c != EOF) {
        ungetc(c, file);
    }
}

// Reads a value the way "%d\n" would, but never overflows: leading
// whitespace, an optional sign, the digits, then trailing whitespace. A value
// that is missing or malformed (the stream is then left at the offending
// character, as a formatted read leaves it) or that does not fit 32 bits
// leaves *value as it was.
void read_number(FILE* file, int32_t* value)
{
    skip_space(file);
    int c = fgetc(file);
    bool negative = false;
    if (c == '-' || c == '+') {
        negative = c == '-';
        c = fgetc(file);
    }
    if (c == EOF || c < '0' || c > '9') {
        if (c != EOF) {
            ungetc(c, file);
        }
        return;
    }
    // The magnitude is kept in 64 bits and capped, so any run of digits is
    // consumed without overflow.
    int64_t magnitude = 0;
    bool too_big = false;
    while (c != EOF && c >= '0' && c <= '9') {
        if (!too_big) {
            magnitude = magnitude * 10 + (c - '0');
            too_big = magnitude > 2147483648LL;
        }
        c = fgetc(file);
    }
    if (c != EOF) {
        ungetc(c, file);
    }
    if (!too_big && (negative || magnitude <= 2147483647LL)) {
        *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    }
    skip_space(file);
}

// Reads one character the way "%c\n" would: the next character as it is,
// then trailing whitespace. At the end of the file *value stays as it was.
void read_char(FILE* file, char* value)
{
    int c = fgetc(file);
    if (c == EOF) {
        return;
    }
    *value = static_cast<char>(c);
    skip_space(file);
}

// A file the player has made read-only (or that we may not read back) is left
// alone. The mode bits are checked as well as access(), since renaming over a
// file needs no write permission on the file itself and a privileged user
// passes access().
bool file_is_protected(const char* name)
{
    struct stat info;
    if (stat(name, &info) != 0) {
        return false;  // absent: it may be created
    }
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return true;
    }
    return access(name, W_OK) != 0 || access(name, R_OK) != 0;
}

FILE* temp_open()
{
    return fopen(HISCORE_TEMP_FILE, "w");
}

void write_table(FILE* file, const int32_t scores[HISCORE_COUNT], const char filler[6],
                 const char initials[HISCORE_COUNT][3])
{
    fprintf(file, "%d\n", HISCORE_COUNT);
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        fprintf(file, "%d\n", scores[k]);
    }
    for (int k = 0; k < 6; ++k) {
        fprintf(file, "%c\n", filler[k]);
    }
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        for (int letter = 0; letter < 3; ++letter) {
            fprintf(file, "%c\n", initials[k][letter]);
        }
    }
}

// Makes the written temporary file the real one: flushed to the disk first,
// then renamed over the old file in one step. On any failure the temporary
// file is removed and the old file stays as it was. Returns 1 or 0.
int temp_commit(FILE* file)
{
    bool ok = fflush(file) == 0 && !ferror(file);
    if (ok) {
        // Keep the permissions the player gave the old file.
        struct stat info;
        if (stat(HISCORE_FILE, &info) == 0) {
            fchmod(fileno(file), info.st_mode & 07777);
        }
        ok = fsync(fileno(file)) == 0;
    }
    if (fclose(file) != 0) {
        ok = false;
    }
    if (ok) {
        ok = rename(HISCORE_TEMP_FILE, HISCORE_FILE) == 0;
    }
    if (!ok) {
        remove(HISCORE_TEMP_FILE);
        return 0;
    }
    // Make the rename itself durable.
    int dir = open(plat_hiscore_dir, O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 1;
}

}  // namespace

int hiscore_load()
{
    FILE* file = fopen(HISCORE_FILE, "r");
    if (file) {
        int32_t count = 0;
        read_number(file, &count);  // always 10; not needed
        for (int k = 0; k < HISCORE_COUNT; ++k) {
            read_number(file, &hiscore_scores[k]);
        }
        for (int k = 0; k < 6; ++k) {
            read_char(file, &hiscore_filler[k]);
        }
        for (int k = 0; k < HISCORE_COUNT; ++k) {
            for (int letter = 0; letter < 3; ++letter) {
                read_char(file, &hiscore_initials[k][letter]);
            }
        }
        fclose(file);
        return 1;
    }
    // Only a file that is not there is made anew; one that exists but cannot
    // be read is never overwritten.
    if (errno != ENOENT) {
        return 0;
    }
    FILE* out = temp_open();
    if (!out) {
        return 0;
    }
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        hiscore_scores[k] = game_rand() % 2000;
    }
    for (int k = 0; k < 6; ++k) {
        hiscore_filler[k] = static_cast<char>('A' + game_rand() % 26);
    }
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        for (int letter = 0; letter < 3; ++letter) {
            hiscore_initials[k][letter] = static_cast<char>('A' + game_rand() % 26);
        }
    }
    write_table(out, hiscore_scores, hiscore_filler, hiscore_initials);
    return temp_commit(out);
}

int hiscore_sort()
{
    for (int i = 0; i < HISCORE_COUNT - 1; ++i) {
        for (int j = i + 1; j < HISCORE_COUNT; ++j) {
            if (hiscore_scores[i] < hiscore_scores[j]) {
                int32_t score_swap = hiscore_scores[i];
                hiscore_scores[i] = hiscore_scores[j];
                hiscore_scores[j] = score_swap;
                for (int letter = 0; letter < 3; ++letter) {
                    char letter_swap = hiscore_initials[i][letter];
                    hiscore_initials[i][letter] = hiscore_initials[j][letter];
                    hiscore_initials[j][letter] = letter_swap;
                }
            }
        }
    }
    for (int k = 0; k < 6; ++k) {
        hiscore_filler[k] = FILLER[k];
    }
    return 1;
}

int hiscore_save()
{
    if (file_is_protected(HISCORE_FILE)) {
        return 0;
    }
    FILE* out = temp_open();
    if (!out) {
        return 0;
    }
    write_table(out, hiscore_scores, hiscore_filler, hiscore_initials);
    return temp_commit(out);
}

namespace {

// One step of a wait inside the entry: false once the player has asked to
// close the window, or pressed Q, which quits from here as from any screen;
// either ends the entry with the letters as they stand.
bool entry_wait_step()
{
    if (plat_close_requested()) {
        return false;
    }
    plat_wait_step();
    if (plat_key_down(VK_Q)) {
        plat_request_close();
    }
    return !plat_close_requested();
}

// A key acts only while no close is pending, so a close ends the entry
// without another letter changing.
bool entry_key_down(int vk)
{
    return !plat_close_requested() && plat_key_down(vk);
}

// Holding a key counts once: wait until it is let go.
void entry_wait_release(int vk)
{
    while (entry_wait_step() && plat_key_down(vk)) {
    }
}

void entry_draw_text(const char* text, int x, int y)
{
    snprintf(text_buffer, sizeof text_buffer, "%s", text);
    gfx_draw_text(text_buffer, x, y, TEXT_COLOUR, back_buffer);
}

}  // namespace

int hiscore_enter()
{
    if (hiscore_scores[HISCORE_COUNT - 1] < score) {
        int letters[3] = {0, 0, 0};
        int position = 0;
        plat_forget_held_keys();  // the throttle held as the last truck burnt is no letter
        while (position < 3) {
            if (!entry_wait_step()) {
                break;
            }
            gfx_blit(hiscore_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);
            entry_draw_text("Congratulations! You have a high score!", 200, 200);
            entry_draw_text("Enter your initials!", 250, 225);
            if (entry_key_down(VK_SPACE)) {
                ++position;
                entry_wait_release(VK_SPACE);
            }
            for (int letter = 0; letter < 3; ++letter) {
                if (position == letter && entry_key_down(VK_UP)) {
                    letters[letter] = letters[letter] == 25 ? 0 : letters[letter] + 1;
                    entry_wait_release(VK_UP);
                }
                if (position == letter && entry_key_down(VK_DOWN)) {
                    letters[letter] = letters[letter] == 0 ? 25 : letters[letter] - 1;
                    entry_wait_release(VK_DOWN);
                }
            }
            if (position < 3) {
                snprintf(text_buffer, sizeof text_buffer, "%c%c%c", 'A' + letters[0],
                         'A' + letters[1], 'A' + letters[2]);
                gfx_draw_text(text_buffer, 310, 250, TEXT_COLOUR, back_buffer);
            }
            gfx_flip();
        }
        hiscore_scores[HISCORE_COUNT - 1] = score;
        for (int letter = 0; letter < 3; ++letter) {
            hiscore_initials[HISCORE_COUNT - 1][letter] = static_cast<char>('A' + letters[letter]);
        }
    }
    hiscore_sort();
    hiscore_save();
    return 1;
}
