#include "shell/harness.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "audio/audio.h"
#include "hiscore/hiscore.h"
#include "platform/files.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "shell/cmdline.h"
#include "shell/game_state.h"
#include "shell/harness_script.h"
#include "shell/state_check.h"

namespace {

const ShellOptions* harness_options;
FILE* trace_file;
// A trace line is built here, the buffer kept from pass to pass, and the
// file takes the lines in large writes.
std::string trace_line;
std::vector<char> trace_buffer;
bool output_failed;
bool trace_failed;  // said once; the rest of the trace is not attempted

void put_int(std::string* out, long long value)
{
    // A trace writes some 2000 integers per pass; to_chars keeps that cheap.
    char number[24];
    std::to_chars_result result = std::to_chars(number, number + sizeof number, value);
    out->append(number, result.ptr);
}

// Doubles with 17 significant digits so that they read back exactly. JSON
// has no NaN or infinity; those become null.
void put_double(std::string* out, double value)
{
    if (!std::isfinite(value)) {
        out->append("null");
        return;
    }
    char number[40];
    snprintf(number, sizeof number, "%.17g", value);
    out->append(number);
}

void put_key(std::string* out, const char* key)
{
    if (out->back() != '{') {
        out->push_back(',');
    }
    out->push_back('"');
    out->append(key);
    out->append("\":");
}

void field_int(std::string* out, const char* key, long long value)
{
    put_key(out, key);
    put_int(out, value);
}

void put_int_array(std::string* out, const int* values, int count)
{
    // Formatted in a local buffer and appended in one piece: the trace is
    // mostly these arrays.
    char text[192];
    char* end = text;
    *end++ = '[';
    for (int i = 0; i < count; ++i) {
        if (text + sizeof text - end < 13) {  // room for a comma, an int and the ']'
            out->append(text, end);
            end = text;
        }
        if (i) {
            *end++ = ',';
        }
        end = std::to_chars(end, text + sizeof text, values[i]).ptr;
    }
    *end++ = ']';
    out->append(text, end);
}

// Exactly three characters per initial set; a byte that is not plain
// printable ASCII is escaped as its own code point so the string stays
// three characters long and valid JSON.
void put_initials(std::string* out, const char* initials)
{
    out->push_back('"');
    for (int i = 0; i < 3; ++i) {
        unsigned char c = static_cast<unsigned char>(initials[i]);
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(static_cast<char>(c));
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out->append(escaped);
        } else {
            out->push_back(static_cast<char>(c));
        }
    }
    out->push_back('"');
}

int state_int(const StateField& field, int row, int column)
{
    const void* at = state_at(field, row, column);
    return field.type == STATE_U32 ? static_cast<int>(*static_cast<const uint32_t*>(at)) : *static_cast<const int*>(at);
}

void put_value(std::string* out, const StateField& field, int row)
{
    const void* at = state_at(field, row, 0);
    switch (field.type) {
    case STATE_INT:
        put_int(out, *static_cast<const int*>(at));
        break;
    case STATE_U32:
        put_int(out, *static_cast<const uint32_t*>(at));
        break;
    case STATE_DOUBLE:
        put_double(out, *static_cast<const double*>(at));
        break;
    case STATE_INITIALS:
        put_initials(out, static_cast<const char*>(at));
        break;
    }
}

// One field of the state table under its name.
void put_field(std::string* out, const StateField& field)
{
    put_key(out, field.name);
    if (field.shape == STATE_SCALAR) {
        put_value(out, field, 0);
        return;
    }
    out->push_back('[');
    for (int r = 0; r < field.rows; ++r) {
        if (r) {
            out->push_back(',');
        }
        if (field.shape == STATE_LIST) {
            put_value(out, field, r);
            continue;
        }
        int row[32];
        const int count = field.columns_per_row < 32 ? field.columns_per_row : 32;
        for (int c = 0; c < count; ++c) {
            row[c] = state_int(field, r, c);
        }
        put_int_array(out, row, count);
    }
    out->push_back(']');
}

const char* reason()
{
    return strerror(errno != 0 ? errno : EIO);
}

// A whole file, or none: one that could not be written whole is removed,
// with errno telling why.
bool write_file(const char* path, const std::string& text)
{
    errno = 0;
    FILE* file = fopen(path, "wb");
    if (!file) {
        return false;
    }
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size() && fflush(file) == 0;
    const int first = errno;
    ok = fclose(file) == 0 && ok;
    if (!ok) {
        const int why = first != 0 ? first : errno;
        std::remove(path);
        errno = why;
    }
    return ok;
}

// An output that took nothing at all is not left behind as an empty file.
void remove_if_empty(const char* path)
{
    std::error_code error;
    if (path[0] && std::filesystem::is_regular_file(path, error) && std::filesystem::file_size(path, error) == 0 &&
        !error) {
        std::filesystem::remove(path, error);
    }
}

void report_trace_failure()
{
    if (!trace_failed) {
        fprintf(stderr, "tailgate: cannot write trace file %s: %s\n",
                plat_printable(harness_options->trace_path).c_str(), reason());
    }
    trace_failed = true;
    output_failed = true;
}

void write_shot(const char* path)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(PLAT_SCREEN_W) * PLAT_SCREEN_H * 3, 0);
    // Before the display exists the screen is black.
    plat_read_screen(rgb.data());
    errno = 0;
    if (!plat_write_png(path, rgb.data(), PLAT_SCREEN_W, PLAT_SCREEN_H)) {
        fprintf(stderr, "tailgate: cannot write screen shot %s: %s\n", plat_printable(path).c_str(), reason());
        output_failed = true;
    }
}

}  // namespace

void harness_state_json(std::string* out, int pass)
{
    out->push_back('{');
    field_int(out, "pass", pass);
    field_int(out, "tick", plat_get_tick_count());
    for (int f = 0; f < STATE_FIELD_COUNT; ++f) {
        if (STATE_FIELDS[f].name) {
            put_field(out, STATE_FIELDS[f]);
        }
    }

    put_key(out, "sounds_playing");
    out->push_back('[');
    bool first = true;
    for (int id = 0; id < SOUND_SLOT_COUNT; ++id) {
        if (snd_is_playing(id)) {
            if (!first) {
                out->push_back(',');
            }
            put_int(out, id);
            first = false;
        }
    }
    out->push_back(']');
    out->push_back('}');
}

namespace {

void write_dump(const char* path, int pass)
{
    std::string text;
    text.reserve(16384);
    harness_state_json(&text, pass);
    text.push_back('\n');
    if (!write_file(path, text)) {
        fprintf(stderr, "tailgate: cannot write state dump %s: %s\n", plat_printable(path).c_str(), reason());
        output_failed = true;
    }
}

}  // namespace

int harness_open(const ShellOptions* options, char* error, size_t error_size)
{
    harness_options = options;
    output_failed = false;
    trace_failed = false;
    // Every output is checked before the run, so that a bad path costs no
    // whole run to find out.
    struct Output {
        const char* what;
        const char* path;
    };
    std::vector<Output> outputs = {{"state dump", options->dump_path},
                                   {"trace file", options->trace_path},
                                   {"audio log", options->audio_log_path}};
    for (int i = 0; i < options->shot_count; ++i) {
        outputs.push_back({"screen shot", options->shots[i].path});
    }
    for (int i = 0; i < options->dump_at_count; ++i) {
        outputs.push_back({"state dump", options->dumps_at[i].path});
    }
    for (const Output& output : outputs) {
        const char* problem = output.path[0] ? plat_output_problem(output.path) : nullptr;
        if (problem) {
            // A path of thousands of characters is shown by its start.
            snprintf(error, error_size, "cannot write %s %.200s%s: %s", output.what, output.path,
                     strlen(output.path) > 200 ? "..." : "", problem);
            return 0;
        }
    }
    if (options->trace_path[0]) {
        trace_file = fopen(options->trace_path, "wb");
        if (!trace_file) {
            snprintf(error, error_size, "cannot write trace file %s: %s", options->trace_path, strerror(errno));
            return 0;
        }
        trace_buffer.resize(1 << 18);
        setvbuf(trace_file, trace_buffer.data(), _IOFBF, trace_buffer.size());
        trace_line.reserve(16384);
    }
    if (options->audio_log_path[0] && !headless_open_audio_log(options->audio_log_path)) {
        snprintf(error, error_size, "cannot write audio log %s: %s", options->audio_log_path, strerror(errno));
        harness_close();
        return 0;
    }
    return 1;
}

namespace {

// The state checks: those of a replay's recording, compared as the replay
// goes; those made for a recording being written or for --write-checks.
std::vector<std::string> check_keys;
size_t next_check;
bool replay_strayed;
bool keys_recorded;
std::vector<StateCheck> made_checks;
std::string check_json;

void check_state(int pass)
{
    const bool replaying = harness_options->replay_path[0] != '\0';
    const bool recording = harness_options->record_path[0] != '\0';
    if (!state_check_due(pass) || (!replaying && !recording)) {
        return;
    }
    check_json.clear();
    harness_state_json(&check_json, pass);
    StateCheck found;
    state_check_make(check_json, pass, &found, &check_keys);
    if (recording) {
        if (!keys_recorded) {
            harness_record_line(state_keys_line(check_keys));
            keys_recorded = true;
        }
        harness_record_line(state_check_line(found));
    }
    if (harness_options->write_checks) {
        made_checks.push_back(found);
        return;
    }
    const std::vector<StateCheck>& checks = harness_script_checks();
    while (next_check < checks.size() && checks[next_check].pass < pass) {
        ++next_check;
    }
    if (!replaying || replay_strayed || next_check >= checks.size() || checks[next_check].pass != pass) {
        return;
    }
    const std::string differences = state_check_differences(checks[next_check], found, harness_script_state_keys());
    if (!differences.empty()) {
        fprintf(stderr, "tailgate: the replay differs from its recording after pass %d in: %s\n", pass,
                differences.c_str());
        replay_strayed = true;
    }
}

// The pass an event line of a script is for, or -1 for any other line.
int line_pass(std::string_view line)
{
    int pass = 0;
    size_t i = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && pass < 100000000) {
        pass = pass * 10 + (line[i++] - '0');
    }
    return i > 0 && i < line.size() && (line[i] == ' ' || line[i] == '\t') ? pass : -1;
}

}  // namespace

bool harness_replay_strayed()
{
    return replay_strayed;
}

bool harness_write_checks(const char* path, const std::string& text, char* error, size_t error_size)
{
    // The recording's lines, its old checks left out; the keys before the
    // first event, each check after the last event of its pass or before.
    std::string out;
    size_t next = 0;
    bool keys_written = false;
    size_t at = 0;
    const auto put_checks_before = [&](int pass) {
        if (!keys_written && !check_keys.empty()) {
            out += state_keys_line(check_keys) + "\n";
            keys_written = true;
        }
        while (next < made_checks.size() && made_checks[next].pass < pass) {
            out += state_check_line(made_checks[next++]) + "\n";
        }
    };
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string_view line(text.data() + at, end - at);
        at = end;
        if (line.starts_with("# state ") || line.starts_with("# state-keys")) {
            continue;
        }
        const int pass = line_pass(line);
        if (pass >= 0) {
            put_checks_before(pass);
        }
        // A recording ends with its pass count: the last checks go before it.
        if (line.starts_with("# passes ") && text.find_first_not_of(" \t\r\n", at) == std::string::npos) {
            put_checks_before(1 << 30);
        }
        out.append(line);
    }
    put_checks_before(1 << 30);
    errno = 0;
    if (!plat_replace_file(path, out.data(), out.size())) {
        snprintf(error, error_size, "cannot rewrite %s: %s", path, errno ? strerror(errno) : "write error");
        return false;
    }
    return true;
}

void harness_after_pass(int pass)
{
    if (!harness_options) {
        return;
    }
    check_state(pass);
    if (trace_file) {
        trace_line.clear();
        harness_state_json(&trace_line, pass);
        trace_line.push_back('\n');
        if (!trace_failed && fwrite(trace_line.data(), 1, trace_line.size(), trace_file) != trace_line.size()) {
            report_trace_failure();
        }
    }
    for (int i = 0; i < harness_options->shot_count; ++i) {
        if (harness_options->shots[i].pass == pass) {
            write_shot(harness_options->shots[i].path);
        }
    }
    for (int i = 0; i < harness_options->dump_at_count; ++i) {
        if (harness_options->dumps_at[i].pass == pass) {
            write_dump(harness_options->dumps_at[i].path, pass);
        }
    }
}

void harness_write_dump(int pass)
{
    if (harness_options && harness_options->dump_path[0]) {
        write_dump(harness_options->dump_path, pass);
    }
}

int harness_close()
{
    if (trace_file) {
        errno = 0;
        if (fclose(trace_file) != 0 && harness_options) {
            report_trace_failure();
        }
        trace_file = nullptr;
        if (trace_failed && harness_options) {
            remove_if_empty(harness_options->trace_path);
        }
    }
    errno = 0;
    if (!headless_close_audio_log() && harness_options) {
        fprintf(stderr, "tailgate: cannot write audio log %s: %s\n",
                plat_printable(harness_options->audio_log_path).c_str(), reason());
        output_failed = true;
        remove_if_empty(harness_options->audio_log_path);
    }
    // A high score that could not be saved was said at once; the run fails.
    if (hiscore_save_lost()) {
        output_failed = true;
    }
    harness_options = nullptr;
    return output_failed ? 0 : 1;
}
