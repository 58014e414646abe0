// The input script: plain text, one pass number and its key events a line.
#include "shell/harness_script.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/platform.h"

namespace {

bool script_tick_named;
uint32_t script_tick;
FILE* record_file;

struct KeyName {
    std::string_view name;
    int vk;
};

constexpr KeyName KEY_NAMES[] = {
    {"SPACE", VK_SPACE}, {"UP", VK_UP}, {"DOWN", VK_DOWN}, {"LEFT", VK_LEFT}, {"RIGHT", VK_RIGHT},
    {"Q", VK_Q},         {"S", VK_S},   {"C", VK_C},       {"R", VK_R},       {"H", VK_H},
};

int key_code(std::string_view name)
{
    for (const KeyName& key : KEY_NAMES) {
        if (key.name == name) {
            return key.vk;
        }
    }
    return -1;
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

const char* key_name(int vk)
{
    for (const KeyName& key : KEY_NAMES) {
        if (key.vk == vk) {
            return key.name.data();
        }
    }
    return nullptr;
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

bool harness_open_record(const char* path, uint32_t start_tick)
{
    record_file = fopen(path, "w");
    if (!record_file) {
        return false;
    }
    fprintf(record_file, "# A session recorded by tailgate %s. Watch it again with\n", TAILGATE_VERSION);
    fprintf(record_file, "# tailgate --window --input FILE, or run it with\n");
    fprintf(record_file, "# tailgate --headless --start-tick %u --input FILE --passes N (N below).\n", start_tick);
    fprintf(record_file, "# start-tick %u\n", start_tick);
    headless_set_key_listener(record);
    return true;
}

bool harness_close_record(int passes)
{
    if (!record_file) {
        return true;
    }
    headless_set_key_listener(nullptr);
    fprintf(record_file, "# passes %d\n", passes);
    bool ok = ferror(record_file) == 0;
    ok = fclose(record_file) == 0 && ok;
    record_file = nullptr;
    return ok;
}
