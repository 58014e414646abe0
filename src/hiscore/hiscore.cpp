// The high-score table, its file "hiscore.txt" and the initials entry.
//
// The file is plain text, one value per line: the entry count (10), the ten
// scores, six filler letters, then three letters per entry. The reader takes
// any whitespace between values, a byte-order mark and Windows line ends, as
// an editor may leave them. A file that does not read completely is never
// rewritten just for having been read: only a save that adds a score
// replaces it. Saves are merged with the file as it stands on disk, under a
// lock, so two games running at once never lose each other's scores: what
// the file holds beyond the table this game read (counted, so two equal
// entries are two) was saved by another game meanwhile. A table that exists
// but cannot be used, and a save that cannot be written, are said at once
// on stderr in one line; a lost save is remembered for the exit status.
#include "hiscore/hiscore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/random.h"
#include "display/display.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/platform.h"

int32_t hiscore_scores[HISCORE_COUNT];
char hiscore_initials[HISCORE_COUNT][3];
char hiscore_filler[6];

namespace {

// Where the table lives is settled at start-up: the data directory, or the
// player's own directory when the game runs from its installed data.
char hiscore_file[PLAT_PATH_SIZE] = "hiscore.txt";
constexpr const char* HISCORE_FILE = hiscore_file;
constexpr char FILLER[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
// A table is 47 short lines; anything this big is not one of ours.
constexpr size_t MAX_FILE_BYTES = HISCORE_MAX_FILE_BYTES;

struct Table {
    int32_t scores[HISCORE_COUNT];
    char filler[6];
    char initials[HISCORE_COUNT][3];
};

// The table as this game last read or wrote it: what the file held then.
Table on_disk_before;
// A table that exists but could not be used was named at the load; its
// saves are then refused without another word unless they hold a new score.
bool unusable_named;
bool save_lost;

void say(const char* what, const std::string& why)
{
    fprintf(stderr, "tailgate: %s the high-score table %s: %s\n", what, plat_printable(HISCORE_FILE).c_str(),
            plat_printable(why).c_str());
}

std::string read_problem(int result)
{
    if (result == PLAT_FILE_TOO_BIG) {
        return "larger than 1 MB";
    }
    if (result == PLAT_FILE_UNREADABLE && errno != 0) {
        return strerror(errno);
    }
    return plat_file_result_text(result);
}

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_letter(char c)
{
    return c >= 'A' && c <= 'Z';
}

// Walks the text value by value. `complete` turns false at the first value
// that is missing, malformed or out of range, or at stray text after the
// last one.
struct Reader {
    const char* text;
    size_t size;
    size_t pos;
    bool line_start;
    bool blank_lines_are_values;
    bool complete;

    void skip_space()
    {
        while (pos < size && is_space(text[pos])) {
            line_start = text[pos] == '\n';
            ++pos;
        }
    }

    // A decimal number standing alone between whitespace, with an optional
    // sign. Out of the 32-bit range it is clamped to the nearest end.
    // Anything else leaves *value as it was; the word is passed over either
    // way, so one bad value never spoils the ones after it.
    void number(int32_t* value)
    {
        skip_space();
        size_t start = pos;
        while (pos < size && !is_space(text[pos])) {
            ++pos;
        }
        line_start = false;
        size_t i = start;
        bool negative = false;
        if (i < pos && (text[i] == '-' || text[i] == '+')) {
            negative = text[i] == '-';
            ++i;
        }
        if (i == pos) {
            complete = false;
            return;
        }
        int64_t magnitude = 0;
        for (; i < pos; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                complete = false;
                return;
            }
            magnitude = magnitude * 10 + (text[i] - '0');
            if (magnitude > 2147483649LL) {
                magnitude = 2147483649LL;  // out of range either way; keeps 64 bits safe
            }
        }
        int64_t signed_value = negative ? -magnitude : magnitude;
        if (signed_value > INT32_MAX || signed_value < INT32_MIN) {
            complete = false;
            signed_value = signed_value > 0 ? INT32_MAX : INT32_MIN;
        }
        *value = static_cast<int32_t>(signed_value);
    }

    // One character, the way "%c\n" reads it: the next character, whitespace
    // between values passed over. A line holding nothing but blanks counts as
    // one (blank) value, so a blank initial takes its own place instead of
    // shifting the ones after it. A multi-byte UTF-8 character is taken
    // whole. 0 at the end of the text; 0x80 for any byte beyond ASCII.
    char character()
    {
        while (pos < size) {
            char c = text[pos];
            if (c == ' ' || c == '\t') {
                if (line_start && blank_lines_are_values) {
                    size_t end = pos;
                    while (end < size && (text[end] == ' ' || text[end] == '\t' || text[end] == '\r')) {
                        ++end;
                    }
                    if (end == size || text[end] == '\n') {
                        pos = end;
                        line_start = false;
                        return ' ';
                    }
                }
                ++pos;
                continue;
            }
            if (is_space(c)) {
                line_start = c == '\n' || (c == '\r' && line_start);
                ++pos;
                continue;
            }
            line_start = false;
            ++pos;
            if (static_cast<unsigned char>(c) >= 0x80) {
                while (pos < size && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) {
                    ++pos;
                }
                return static_cast<char>(0x80);
            }
            return c;
        }
        return 0;
    }

    void filler(char* value)
    {
        char c = character();
        if (c > ' ' && c < 0x7F) {
            *value = c;
        } else {
            complete = false;
        }
    }

    // Initials are letters A to Z; a small letter is taken as its capital.
    // Anything else keeps the letter the table held (A when it held none).
    void initial(char* value)
    {
        char c = character();
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (is_letter(c)) {
            *value = c;
            return;
        }
        complete = false;
        if (!is_letter(*value)) {
            *value = 'A';
        }
    }
};

bool parse_with(const std::vector<char>& bytes, bool blank_lines_are_values, Table* table)
{
    Reader reader{bytes.data(), bytes.size(), 0, true, blank_lines_are_values, true};
    if (bytes.size() >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF') {
        reader.pos = 3;  // the byte-order mark an editor may put first
    }
    int32_t count = 0;
    reader.number(&count);  // always 10; not needed
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        reader.number(&table->scores[k]);
    }
    for (int k = 0; k < 6; ++k) {
        reader.filler(&table->filler[k]);
    }
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        for (int letter = 0; letter < 3; ++letter) {
            reader.initial(&table->initials[k][letter]);
        }
    }
    reader.skip_space();
    return reader.complete && reader.pos == bytes.size();
}

// Reads a table from the bytes of a file into *table, which holds the values
// to keep for whatever cannot be read. True when every value was read as it
// was written and nothing follows them. A line of blanks is first taken as a
// blank value (an initial that keeps its place); when the table only reads
// completely without them, they were stray blank lines.
bool parse_table(const std::vector<char>& bytes, Table* table)
{
    Table first = *table;
    if (parse_with(bytes, true, &first)) {
        *table = first;
        return true;
    }
    Table second = *table;
    if (parse_with(bytes, false, &second)) {
        *table = second;
        return true;
    }
    *table = first;
    return false;
}

Table current_table()
{
    Table table;
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        table.scores[k] = hiscore_scores[k];
        for (int letter = 0; letter < 3; ++letter) {
            table.initials[k][letter] = hiscore_initials[k][letter];
        }
    }
    for (int k = 0; k < 6; ++k) {
        table.filler[k] = hiscore_filler[k];
    }
    return table;
}

void set_current_table(const Table& table)
{
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        hiscore_scores[k] = table.scores[k];
        for (int letter = 0; letter < 3; ++letter) {
            hiscore_initials[k][letter] = table.initials[k][letter];
        }
    }
    for (int k = 0; k < 6; ++k) {
        hiscore_filler[k] = table.filler[k];
    }
}

bool same_entry(const Table& a, int i, const Table& b, int j)
{
    return a.scores[i] == b.scores[j] && a.initials[i][0] == b.initials[j][0] && a.initials[i][1] == b.initials[j][1] &&
           a.initials[i][2] == b.initials[j][2];
}

// The entries of `from` that `in` does not hold (counted as a multiset, so
// two equal entries need two matches). Returns how many, their indices in
// `extra`.
int entries_missing(const Table& from, const Table& in, int extra[HISCORE_COUNT])
{
    bool used[HISCORE_COUNT] = {};
    int count = 0;
    for (int i = 0; i < HISCORE_COUNT; ++i) {
        bool found = false;
        for (int j = 0; j < HISCORE_COUNT && !found; ++j) {
            if (!used[j] && same_entry(from, i, in, j)) {
                used[j] = true;
                found = true;
            }
        }
        if (!found) {
            extra[count++] = i;
        }
    }
    return count;
}

std::string table_text(const Table& table)
{
    std::string text = std::to_string(HISCORE_COUNT) + "\n";
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        text += std::to_string(table.scores[k]) + "\n";
    }
    for (int k = 0; k < 6; ++k) {
        text += table.filler[k];
        text += '\n';
    }
    // Only letters go into the file: a blank or a zero byte would shift the
    // letters after it on the next read.
    for (int k = 0; k < HISCORE_COUNT; ++k) {
        for (int letter = 0; letter < 3; ++letter) {
            char c = table.initials[k][letter];
            text += is_letter(c) ? c : 'A';
            text += '\n';
        }
    }
    return text;
}

bool write_current_table()
{
    const Table table = current_table();
    const std::string text = table_text(table);
    errno = 0;
    if (!plat_replace_file(HISCORE_FILE, text.data(), text.size())) {
        say("cannot save", errno != 0 ? strerror(errno) : "the write failed");
        save_lost = true;
        return false;
    }
    on_disk_before = table;
    return true;
}

// The load proper, under the lock.
int load_locked()
{
    std::vector<char> bytes;
    errno = 0;
    int result = plat_read_regular(HISCORE_FILE, MAX_FILE_BYTES, &bytes);
    unusable_named = false;
    if (result == PLAT_FILE_OK) {
        Table table = current_table();
        parse_table(bytes, &table);
        set_current_table(table);
        on_disk_before = table;
        return 1;
    }
    // Only a file that is not there is made anew; one that exists but cannot
    // be read (or is no file at all) is never overwritten.
    if (result != PLAT_FILE_MISSING) {
        say("cannot read", read_problem(result) + "; it is left as it is and no score is kept in it");
        unusable_named = true;
        on_disk_before = current_table();
        return 0;
    }
    // As when the file cannot be made: the table stays as it was, and no
    // random number is drawn.
    if (const char* problem = plat_replace_problem(HISCORE_FILE)) {
        say("cannot make", problem);
        save_lost = true;
        unusable_named = true;
        on_disk_before = current_table();
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
    return write_current_table() ? 1 : 0;
}

// The save proper, under the lock: what another game saved since we read
// the file is merged in first, as if it had been entered here.
int save_locked()
{
    int extra[HISCORE_COUNT];
    // A table that could not be used at the load: refused again without a
    // word, unless a score would be lost.
    const bool quiet = unusable_named && entries_missing(current_table(), on_disk_before, extra) == 0;
    auto refuse = [&](const std::string& why) {
        if (!quiet) {
            say("cannot save", why);
            save_lost = true;
        }
        return 0;
    };
    if (const char* problem = plat_replace_problem(HISCORE_FILE)) {
        return refuse(problem);
    }
    std::vector<char> bytes;
    errno = 0;
    int result = plat_read_regular(HISCORE_FILE, MAX_FILE_BYTES, &bytes);
    if (result != PLAT_FILE_OK && result != PLAT_FILE_MISSING) {
        return refuse(read_problem(result) + "; it is left as it is");
    }
    if (result == PLAT_FILE_OK) {
        Table memory = current_table();
        Table disk = {};
        bool complete = parse_table(bytes, &disk);
        // A damaged file is kept as it is until there is a score to add.
        if (!complete && entries_missing(memory, disk, extra) == 0) {
            return 0;
        }
        // What another game saved since this one read the file: the entries
        // on disk beyond those read then, each as many times as it is extra.
        int extra_count = entries_missing(disk, on_disk_before, extra);
        for (int e = 0; e < extra_count; ++e) {
            const int i = extra[e];
            if (disk.scores[i] > hiscore_scores[HISCORE_COUNT - 1]) {
                hiscore_scores[HISCORE_COUNT - 1] = disk.scores[i];
                for (int letter = 0; letter < 3; ++letter) {
                    hiscore_initials[HISCORE_COUNT - 1][letter] = disk.initials[i][letter];
                }
                hiscore_sort();
            }
        }
    }
    return write_current_table() ? 1 : 0;
}

}  // namespace

const char* hiscore_path()
{
    return hiscore_file;
}

bool hiscore_set_dir(const char* dir)
{
    if (!dir || !dir[0]) {
        snprintf(hiscore_file, PLAT_PATH_SIZE, "hiscore.txt");
        return true;
    }
    char file[PLAT_PATH_SIZE];
    const int length = snprintf(file, sizeof file, "%s/hiscore.txt", dir);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof file) {
        return false;
    }
    memcpy(hiscore_file, file, static_cast<size_t>(length) + 1);
    return true;
}

int hiscore_load()
{
    const int lock = plat_lock_file(HISCORE_FILE);
    if (lock >= 0) {
        plat_remove_stale_temps(HISCORE_FILE);
    }
    const int result = load_locked();
    plat_unlock_file(lock);
    return result;
}

bool hiscore_save_lost()
{
    return save_lost;
}

void hiscore_forget_lost_save()
{
    save_lost = false;
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
    const int lock = plat_lock_file(HISCORE_FILE);
    if (lock >= 0) {
        plat_remove_stale_temps(HISCORE_FILE);
    }
    const int result = save_locked();
    plat_unlock_file(lock);
    return result;
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
    if (plat_key_down(gk::Q)) {
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

int hiscore_enter(int32_t score)
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
            if (entry_key_down(gk::SPACE)) {
                ++position;
                entry_wait_release(gk::SPACE);
            }
            for (int letter = 0; letter < 3; ++letter) {
                if (position == letter && entry_key_down(gk::UP)) {
                    letters[letter] = letters[letter] == 25 ? 0 : letters[letter] + 1;
                    entry_wait_release(gk::UP);
                }
                if (position == letter && entry_key_down(gk::DOWN)) {
                    letters[letter] = letters[letter] == 0 ? 25 : letters[letter] - 1;
                    entry_wait_release(gk::DOWN);
                }
            }
            if (position < 3) {
                snprintf(text_buffer, sizeof text_buffer, "%c%c%c", 'A' + letters[0], 'A' + letters[1],
                         'A' + letters[2]);
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
