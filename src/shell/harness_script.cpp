// The input script: plain text, one pass number and its key events a line.
#include "shell/harness_script.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "shell/state_check.h"

namespace {

bool script_tick_named;
uint32_t script_tick;
bool script_passes_named;
int script_passes;
HarnessTable script_table;
bool table_open;  // between "# table text" and "# table-end"
std::vector<std::string> script_state_keys;
std::vector<StateCheck> script_checks;
FILE* record_file;
std::string record_path;

constexpr std::string_view TABLE_TAG = "table";
constexpr std::string_view TABLE_LINE_TAG = "table:";
constexpr std::string_view TABLE_END_TAG = "table-end";
constexpr std::string_view TABLE_END_BARE_TAG = "table-end-without-newline";

// A key's game code by its name in a script (the key table's), -1 for none.
int key_code(std::string_view name)
{
    const int vk = plat_game_key_from_script_name(name.data(), static_cast<int>(name.size()));
    return vk != 0 ? vk : -1;
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

const char* key_name(int vk)
{
    return plat_script_name_of_game_key(vk);
}

// "# start-tick 424242", as written by the recorder and the autopilot.
void find_start_tick(std::string_view line)
{
    constexpr std::string_view TAG = "start-tick";
    size_t hash = line.find('#');
    if (hash == std::string_view::npos || script_tick_named) {
        return;
    }
    std::string_view rest = line.substr(hash + 1);
    size_t at = rest.find_first_not_of(" \t");
    if (at == std::string_view::npos || rest.substr(at, TAG.size()) != TAG) {
        return;
    }
    rest = rest.substr(at + TAG.size());
    uint64_t value = 0;
    size_t digits = 0;
    for (char c : rest) {
        if (c >= '0' && c <= '9' && digits < 10) {
            value = value * 10 + static_cast<uint64_t>(c - '0');
            ++digits;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            return;
        }
    }
    if (digits > 0 && value <= 0xFFFFFFFFu) {
        script_tick_named = true;
        script_tick = static_cast<uint32_t>(value);
    }
}

bool parse_pass(std::string_view word, int* out);
std::vector<std::string_view> split_words(std::string_view line);

int hex_digit(char c)
{
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : -1;
}

// A line of the table in a comment: printable ASCII as it is, every other
// byte and '%' as %XX, so the recording stays plain text.
std::string escape_table_line(std::string_view line)
{
    std::string out;
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '%') {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescape_table_line(std::string_view line)
{
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '%' && i + 2 < line.size() && hex_digit(line[i + 1]) >= 0 && hex_digit(line[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(line[i + 1]) * 16 + hex_digit(line[i + 2]));
            i += 2;
        } else {
            out += line[i];
        }
    }
    return out;
}

// The recording's own comment lines: "# passes N" and the table. Only a
// line that starts with '#' counts.
void find_recording_tags(std::string_view line)
{
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string_view::npos || line[at] != '#') {
        return;
    }
    std::string_view rest = line.substr(at + 1);
    if (!rest.empty() && rest[0] == ' ') {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ' || rest.back() == '\t') && !table_open) {
        rest.remove_suffix(1);
    }
    if (table_open) {
        if (rest.starts_with(TABLE_LINE_TAG)) {
            std::string_view text = rest.substr(TABLE_LINE_TAG.size());
            if (!text.empty() && text[0] == ' ') {
                text.remove_prefix(1);
            }
            while (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
            }
            script_table.text += unescape_table_line(text);
            script_table.text += '\n';
        } else if (rest.starts_with(TABLE_END_BARE_TAG)) {
            if (!script_table.text.empty()) {
                script_table.text.pop_back();
            }
            table_open = false;
        } else if (rest.starts_with(TABLE_END_TAG)) {
            table_open = false;
        }
        return;
    }
    StateCheck check;
    if (state_check_parse(rest, &check)) {
        script_checks.push_back(std::move(check));
        return;
    }
    if (state_keys_parse(rest, &script_state_keys)) {
        return;
    }
    const std::vector<std::string_view> words = split_words(rest);
    if (words.size() != 2 || (script_table.kind != HARNESS_TABLE_UNSAID && words[0] == TABLE_TAG)) {
        return;
    }
    if (words[0] == "passes" && !script_passes_named) {
        int passes = 0;
        if (parse_pass(words[1], &passes)) {
            script_passes_named = true;
            script_passes = passes;
        }
    } else if (words[0] == TABLE_TAG) {
        if (words[1] == "none") {
            script_table.kind = HARNESS_TABLE_NONE;
        } else if (words[1] == "unusable") {
            script_table.kind = HARNESS_TABLE_UNUSABLE;
        } else if (words[1] == "text") {
            script_table.kind = HARNESS_TABLE_TEXT;
            table_open = true;
        }
    }
}

// Splits one line (comment already cut off) into its words.
std::vector<std::string_view> split_words(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) {
            ++i;
        }
        size_t start = i;
        while (i < line.size() && !is_blank(line[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// A pass number: decimal digits only, no sign, fits an int.
bool parse_pass(std::string_view word, int* out)
{
    if (word.empty() || word.size() > 9) {
        return false;
    }
    int value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    *out = value;
    return true;
}

// Every key event the seams apply, under the pass a replay applies it at.
void record(int pass, int vk, bool down)
{
    const char* name = key_name(vk);
    if (record_file && name) {
        fprintf(record_file, "%d %c%s\n", pass < 0 ? 0 : pass, down ? '+' : '-', name);
    }
}

}  // namespace

int harness_parse_script(const char* text, size_t length, char* error, size_t error_size)
{
    std::vector<PlatKeyEvent> events;
    script_tick_named = false;
    script_passes_named = false;
    script_table = HarnessTable{HARNESS_TABLE_UNSAID, {}};
    table_open = false;
    script_state_keys.clear();
    script_checks.clear();
    std::string_view all(text, length);
    int line_number = 0;
    int last_pass = 0;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        std::string_view line = all.substr(pos, end - pos);
        pos = end + 1;
        ++line_number;
        find_start_tick(line);
        find_recording_tags(line);

        size_t hash = line.find('#');
        if (hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        std::vector<std::string_view> words = split_words(line);
        if (words.empty()) {
            continue;
        }
        int pass = 0;
        if (!parse_pass(words[0], &pass)) {
            snprintf(error, error_size, "line %d: '%s' is not a pass number", line_number,
                     plat_printable(words[0].substr(0, 40)).c_str());
            return 0;
        }
        if (pass < last_pass) {
            snprintf(error, error_size, "line %d: pass %d comes after pass %d", line_number, pass, last_pass);
            return 0;
        }
        if (words.size() < 2) {
            snprintf(error, error_size, "line %d: pass %d has no key event", line_number, pass);
            return 0;
        }
        last_pass = pass;
        for (size_t w = 1; w < words.size(); ++w) {
            std::string_view word = words[w];
            int vk = word.size() >= 2 ? key_code(word.substr(1)) : -1;
            if ((word[0] != '+' && word[0] != '-') || vk < 0) {
                snprintf(error, error_size, "line %d: '%s' is not a key event (+KEY or -KEY)", line_number,
                         plat_printable(word.substr(0, 40)).c_str());
                return 0;
            }
            if (events.size() >= HARNESS_MAX_EVENTS) {
                snprintf(error, error_size, "line %d: more than %d key events", line_number, HARNESS_MAX_EVENTS);
                return 0;
            }
            events.push_back(PlatKeyEvent{pass, vk, word[0] == '+' ? 1 : 0});
        }
    }
    headless_set_events(std::move(events));
    return 1;
}

int harness_load_script(const char* path, char* error, size_t error_size)
{
    // A FIFO or a device would be waited on forever: only regular files.
    std::vector<char> text;
    errno = 0;
    const int result = plat_read_regular(path, 16u << 20, &text);
    if (result != PLAT_FILE_OK) {
        const char* why = result == PLAT_FILE_TOO_BIG       ? "larger than 16 MB"
                          : result == PLAT_FILE_NOT_REGULAR ? "not a regular file"
                          : errno != 0                      ? strerror(errno)
                                                            : "read error";
        snprintf(error, error_size, "cannot read input script %s: %s", path, why);
        return 0;
    }
    char reason[200];
    if (!harness_parse_script(text.data(), text.size(), reason, sizeof reason)) {
        snprintf(error, error_size, "input script %s: %s", path, reason);
        return 0;
    }
    return 1;
}

bool harness_script_start_tick(uint32_t* tick)
{
    if (script_tick_named) {
        *tick = script_tick;
    }
    return script_tick_named;
}

const HarnessTable& harness_script_table()
{
    return script_table;
}

const std::vector<std::string>& harness_script_state_keys()
{
    return script_state_keys;
}

const std::vector<StateCheck>& harness_script_checks()
{
    return script_checks;
}

bool harness_record_line(const std::string& line)
{
    return record_file && fprintf(record_file, "%s\n", line.c_str()) >= 0;
}

bool harness_script_passes(int* passes)
{
    if (script_passes_named) {
        *passes = script_passes;
    }
    return script_passes_named;
}

bool harness_open_record(const char* path, uint32_t start_tick, const HarnessTable& table)
{
    record_path = path;
    record_file = fopen(path, "wb");
    if (!record_file) {
        return false;
    }
    fprintf(record_file, "# A session recorded by tailgate %s. Watch it again with\n", TAILGATE_VERSION);
    fprintf(record_file, "# tailgate --replay FILE (add --headless for the harness's outputs).\n");
    fprintf(record_file, "# start-tick %u\n", start_tick);
    harness_write_table(record_file, table);
    headless_set_key_listener(record);
    return true;
}

void harness_write_table(FILE* file, const HarnessTable& table)
{
    if (table.kind == HARNESS_TABLE_NONE || table.kind == HARNESS_TABLE_UNSAID) {
        fprintf(file, "# table none\n");
        return;
    }
    if (table.kind == HARNESS_TABLE_UNUSABLE) {
        fprintf(file, "# table unusable\n");
        return;
    }
    fprintf(file, "# table text\n");
    std::string_view text = table.text;
    bool bare_end = !text.empty() && text.back() != '\n';
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        fprintf(file, "# table: %s\n", escape_table_line(line).c_str());
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    fprintf(file, "# %s\n", bare_end ? TABLE_END_BARE_TAG.data() : TABLE_END_TAG.data());
}

bool harness_close_record(int passes)
{
    if (!record_file) {
        return true;
    }
    headless_set_key_listener(nullptr);
    fprintf(record_file, "# passes %d\n", passes);
    // A write that failed on the way is found again by the last flush,
    // which leaves its reason in errno.
    errno = 0;
    bool ok = fflush(record_file) == 0 && ferror(record_file) == 0;
    const int reason = errno;
    ok = fclose(record_file) == 0 && ok;
    if (!ok) {
        errno = reason != 0 ? reason : errno != 0 ? errno : EIO;
        // A recording that took nothing at all is not left as an empty file.
        const int why = errno;
        std::error_code error;
        if (std::filesystem::is_regular_file(record_path, error) &&
            std::filesystem::file_size(record_path, error) == 0 && !error) {
            std::filesystem::remove(record_path, error);
        }
        errno = why;
    }
    record_file = nullptr;
    return ok;
}
