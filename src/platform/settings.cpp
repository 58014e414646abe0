#include "platform/settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/files.h"
#include "platform/host.h"
#include "platform/system.h"

namespace {

const PlatActionInfo* const ACTIONS = PLAT_ACTIONS;

constexpr size_t MAX_FILE_BYTES = 1 << 20;

// One line of the file as the reader sees it.
struct IniLine {
    enum Kind {
        BLANK,
        COMMENT,
        SECTION,
        VALUE,
        INDENTED,
        BAD
    } kind = BLANK;
    std::string name;  // the section's or the setting's
    std::string value;
    size_t value_begin = 0;  // where the value stands in the line
    size_t value_end = 0;
};

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string trimmed(const std::string& text, size_t begin, size_t end)
{
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// '#' and ';' start a comment at the start of a line, or after a blank
// anywhere behind the start of a value ("key_up = W  # my key"); a value
// may itself begin with either ("key_up = #").
size_t comment_start(const std::string& line, size_t from, size_t end)
{
    for (size_t i = from + 1; i < end; ++i) {
        if ((line[i] == '#' || line[i] == ';') && blank(line[i - 1])) {
            return i;
        }
    }
    return end;
}

// `line` without its line end.
IniLine parse_line(const std::string& line)
{
    IniLine out;
    size_t end = line.size();
    if (end > 0 && line[end - 1] == '\r') {
        --end;
    }
    size_t start = 0;
    while (start < end && blank(line[start])) {
        ++start;
    }
    if (start == end) {
        return out;
    }
    if (line[start] == '#' || line[start] == ';') {
        out.kind = IniLine::COMMENT;
        return out;
    }
    if (line[start] == '[') {
        const size_t close = line.find(']', start);
        if (close == std::string::npos || close >= end) {
            out.kind = IniLine::BAD;
            return out;
        }
        size_t rest = close + 1;
        while (rest < end && blank(line[rest])) {
            ++rest;
        }
        out.kind = rest == end || line[rest] == '#' || line[rest] == ';' ? IniLine::SECTION : IniLine::BAD;
        out.name = trimmed(line, start + 1, close);
        return out;
    }
    const size_t equals = line.find_first_of("=:", start);
    if (equals == std::string::npos || equals >= end) {
        out.kind = start > 0 ? IniLine::INDENTED : IniLine::BAD;
        return out;
    }
    out.name = trimmed(line, start, equals);
    if (out.name.empty()) {
        out.kind = IniLine::BAD;
        return out;
    }
    size_t vb = equals + 1;
    while (vb < end && blank(line[vb])) {
        ++vb;
    }
    size_t ve = vb < end ? comment_start(line, vb, end) : end;
    while (ve > vb && blank(line[ve - 1])) {
        --ve;
    }
    out.kind = IniLine::VALUE;
    out.value = line.substr(vb, ve - vb);
    out.value_begin = vb;
    out.value_end = ve;
    return out;
}

// The file's lines, each with its line end ("\n", "\r\n" or none for a last
// line without one); a leading byte-order mark is kept apart.
std::vector<std::string> split_lines(const std::string& text, std::string* bom)
{
    size_t at = 0;
    bom->clear();
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        *bom = text.substr(0, 3);
        at = 3;
    }
    std::vector<std::string> lines;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        size_t next = nl == std::string::npos ? text.size() : nl + 1;
        lines.push_back(text.substr(at, next - at));
        at = next;
    }
    return lines;
}

std::string without_line_end(const std::string& line)
{
    return !line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
}

// A value quoted in a message, cut short when it is long.
std::string quoted(const std::string& value)
{
    constexpr size_t LONGEST = 60;
    return "'" + (value.size() > LONGEST ? value.substr(0, LONGEST) + "..." : value) + "'";
}

struct Warning {
    int line;
    std::string text;
};

struct KeyLine {
    int line;
    int action;
    std::string key;
};

struct Reader {
    const std::string* path;
    PlatSettings* settings;
    std::vector<Warning> warnings;
    std::map<std::string, std::vector<int>> given;  // "section.name": the lines whose value was taken
    struct Refused {
        size_t warning;  // its place in `warnings`
        std::string key;
    };
    std::vector<Refused> refused;
    std::vector<KeyLine> keys;
    int line = 0;
};

void add_warning(Reader* r, int line, const std::string& text)
{
    r->warnings.push_back(Warning{line, *r->path + ", line " + std::to_string(line) + ": " + text});
}

// A value that cannot be used: the setting keeps what it had, and the
// message says which that is.
void refuse(Reader* r, const std::string& key, const std::string& name, const std::string& why)
{
    add_warning(r, r->line, name + " " + why);
    r->refused.push_back(Reader::Refused{r->warnings.size() - 1, key});
}

// Equal but for the case of ASCII letters.
bool same_letters(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (tolower(static_cast<unsigned char>(*a)) != tolower(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

bool parse_bool(const char* value, bool* out)
{
    static constexpr const char* YES[] = {"yes", "true", "on", "1"};
    static constexpr const char* NO[] = {"no", "false", "off", "0"};
    for (const char* word : YES) {
        if (same_letters(value, word)) {
            *out = true;
            return true;
        }
    }
    for (const char* word : NO) {
        if (same_letters(value, word)) {
            *out = false;
            return true;
        }
    }
    return false;
}

bool parse_int(const char* value, int low, int high, int* out)
{
    char* end = nullptr;
    errno = 0;
    long n = strtol(value, &end, 10);
    if (errno != 0 || end == value || *end != '\0' || n < low || n > high) {
        return false;
    }
    *out = static_cast<int>(n);
    return true;
}

// "1280x960" (or "1280 x 960"); "" is automatic (0 x 0).
bool parse_size(const std::string& value, int* width, int* height)
{
    if (value.empty()) {
        *width = 0;
        *height = 0;
        return true;
    }
    const size_t x = value.find_first_of("xX");
    if (x == std::string::npos) {
        return false;
    }
    const std::string w = trimmed(value, 0, x);
    const std::string h = trimmed(value, x + 1, value.size());
    int pw = 0;
    int ph = 0;
    if (w.empty() || h.empty() || !isdigit(static_cast<unsigned char>(w[0])) ||
        !isdigit(static_cast<unsigned char>(h[0])) ||
        !parse_int(w.c_str(), PLAT_WINDOW_MIN_WIDTH, PLAT_WINDOW_MAX_SIZE, &pw) ||
        !parse_int(h.c_str(), PLAT_WINDOW_MIN_HEIGHT, PLAT_WINDOW_MAX_SIZE, &ph)) {
        return false;
    }
    *width = pw;
    *height = ph;
    return true;
}

void on_value(Reader* r, const std::string& section, const std::string& name, const std::string& value)
{
    PlatSettings* s = r->settings;
    const std::string key = section + "." + name;
    const char* v = value.c_str();
    bool ok = true;
    auto yes_no = [&](bool* field) {
        ok = parse_bool(v, field);
        if (!ok) {
            refuse(r, key, name, "wants yes or no, not " + quoted(value));
        }
    };
    auto volume = [&](int* field) {
        ok = parse_int(v, 0, 100, field);
        if (!ok) {
            refuse(r, key, name, "wants a number from 0 to 100, not " + quoted(value));
        }
    };
    if (key == "display.fullscreen") {
        yes_no(&s->fullscreen);
    } else if (key == "display.window_scale") {
        ok = parse_int(v, 1, PLAT_SCALE_MAX, &s->window_scale);
        if (!ok) {
            refuse(r, key, name, "wants a number from 1 to 8, not " + quoted(value));
        }
    } else if (key == "display.window_size") {
        ok = parse_size(value, &s->window_width, &s->window_height);
        if (!ok) {
            refuse(r, key, name, "wants WIDTHxHEIGHT from 320x240 to 16384x16384, or nothing, not " + quoted(value));
        }
    } else if (key == "display.scaling") {
        if (same_letters(v, "fit")) {
            s->integer_scaling = false;
        } else if (same_letters(v, "integer")) {
            s->integer_scaling = true;
        } else {
            ok = false;
            refuse(r, key, name, "wants fit or integer, not " + quoted(value));
        }
    } else if (key == "display.vsync") {
        yes_no(&s->vsync);
    } else if (key == "display.attract_mode") {
        yes_no(&s->attract_mode);
    } else if (key == "sound.music_volume") {
        volume(&s->music_volume);
    } else if (key == "sound.effects_volume") {
        volume(&s->effects_volume);
    } else if (key == "sound.soundfont") {
        s->soundfont = value;
    } else if (key == "gamepad.enabled") {
        yes_no(&s->gamepad);
    } else if (section == "keys") {
        int action = -1;
        for (int a = 0; a < ACTION_COUNT; ++a) {
            if (name == ACTIONS[a].setting) {
                action = a;
            }
        }
        if (action < 0) {
            ok = false;
            add_warning(r, r->line, name + " is not a setting of [keys]; the line is ignored");
        } else if (plat_key_from_name(v) == 0) {
            ok = false;
            refuse(r, key, name, "names no key: " + quoted(value));
        } else {
            // Which action gets which key is settled once the whole file is read.
            r->keys.push_back(KeyLine{r->line, action, value});
        }
    } else if (section.empty()) {
        ok = false;
        add_warning(r, r->line, name + " is outside any [section]; the line is ignored");
    } else {
        ok = false;
        add_warning(r, r->line, name + " is not a setting of [" + section + "]; the line is ignored");
    }
    if (ok) {
        r->given[key].push_back(r->line);
    }
}

// What stands instead of each refused value, once the whole file is read:
// a later line's value, an earlier one's, or the default.
void say_what_stands(Reader* r)
{
    for (const Reader::Refused& refused : r->refused) {
        Warning& w = r->warnings[refused.warning];
        const std::vector<int>& lines = r->given[refused.key];
        int earlier = 0;
        int later = 0;
        for (int line : lines) {
            if (line < w.line) {
                earlier = line;
            } else if (later == 0) {
                later = line;
            }
        }
        if (later > 0) {
            w.text += "; line " + std::to_string(later) + " sets it";
        } else if (earlier > 0) {
            w.text += "; the value of line " + std::to_string(earlier) + " stays";
        } else {
            w.text += "; the default is used";
        }
    }
}

int key_code(const std::string& name)
{
    return plat_key_from_name(name.c_str());
}

// No two actions share a key, and no key the player gave takes another
// action's key away: a key line that names a key already taken (by an
// action the file leaves at its default, or by an earlier line) is refused,
// and that action keeps the key it had, when that is still free, or has
// none. Keys that change hands both ways (a swap) are fine.
void settle_keys(Reader* r, const PlatSettings& defaults)
{
    bool in_file[ACTION_COUNT] = {};
    for (const KeyLine& k : r->keys) {
        in_file[k.action] = true;
    }
    bool settled[ACTION_COUNT] = {};  // given by a line already handled
    std::string* keys = r->settings->keys;
    auto owner = [&](int action, int code) {
        for (int b = 0; b < ACTION_COUNT; ++b) {
            if (b == action || code == 0) {
                continue;
            }
            const bool holds =
                !in_file[b] ? key_code(defaults.keys[b]) == code : settled[b] && key_code(keys[b]) == code;
            if (holds) {
                return b;
            }
        }
        return -1;
    };
    for (const KeyLine& k : r->keys) {
        const int a = k.action;
        const int taken_by = owner(a, key_code(k.key));
        if (taken_by < 0) {
            keys[a] = k.key;
            settled[a] = true;
            continue;
        }
        std::string text = std::string(ACTIONS[a].setting) + " = " + quoted(k.key) + " is already " +
                           ACTIONS[taken_by].setting + "'s key";
        if (!settled[a]) {
            keys[a] = defaults.keys[a];
            settled[a] = true;
        }
        const int keeper = owner(a, key_code(keys[a]));
        if (keys[a].empty() || keeper >= 0) {
            text += "; " + std::string(ACTIONS[a].setting) + " has no key";
            if (keeper >= 0) {
                text += " (its " + quoted(keys[a]) + " is " + ACTIONS[keeper].setting + "'s)";
            }
            keys[a].clear();
        } else {
            text += "; " + std::string(ACTIONS[a].setting) + " keeps " + quoted(keys[a]);
        }
        add_warning(r, k.line, text);
    }
}

bool make_parent_directories(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string dir = path.substr(0, slash);
        if (!plat_sys_make_directory(dir.c_str(), true, nullptr) && !plat_sys_is_directory(dir.c_str())) {
            return false;
        }
    }
    return true;
}

std::string yes_no(bool v)
{
    return v ? "yes" : "no";
}

std::string size_text(int width, int height)
{
    return width > 0 && height > 0 ? std::to_string(width) + "x" + std::to_string(height) : std::string();
}

// The comment written above each setting, for the file and for a setting
// added to a file that lacks it.
struct SettingInfo {
    const char* section;
    const char* name;
    const char* comment;  // lines, each ending in '\n'
};

constexpr SettingInfo SETTINGS[] = {
    {"display", "fullscreen", "# yes: full screen at the desktop's size; no: a window (Alt+Enter switches)\n"},
    {"display", "window_scale", "# the window's size as a multiple of 640 x 480, from 1 to 8\n"},
    {"display", "window_size",
     "# the window's size in pixels, WIDTHxHEIGHT (such as 1280x960, from 320x240 to 16384x16384);\n"
     "# the game keeps the size you give the window here; empty: automatic, made to fit the desktop\n"},
    {"display", "scaling",
     "# fit: the picture as large as fits, kept at 4:3; integer: whole multiples only (sharp pixels)\n"},
    {"display", "vsync", "# yes: wait for the screen's refresh before showing a picture (no tearing)\n"},
    {"display", "attract_mode",
     "# yes: after 30 seconds on the title screen without a key, a recorded game plays as a demo\n"},
    {"sound", "music_volume", "# loudness of the radio and the battle music, from 0 (off) to 100\n"},
    {"sound", "effects_volume", "# loudness of the sound effects and voices, from 0 (off) to 100\n"},
    {"sound", "soundfont",
     "# a SoundFont (.sf2 or .sf3) for the music; empty: $TAILGATE_SOUNDFONT, then a .sf2 in the\n"
     "# data folder, then /usr/share/sounds/sf2/default-GM.sf2 and TimGM6mb.sf2\n"},
    {"gamepad", "enabled",
     "# yes: a game controller drives too (d-pad or left stick: arrows; A: Space, B: H,\n"
     "# X and Y: S, Start: P); plugged in or out at any time\n"},
};

std::string comment_for(const std::string& section, const std::string& name)
{
    for (const SettingInfo& s : SETTINGS) {
        if (section == s.section && name == s.name) {
            return s.comment;
        }
    }
    if (section == "keys") {
        for (const PlatActionInfo& a : PLAT_ACTIONS) {
            if (name == a.setting) {
                return std::string("# ") + a.comment + "\n";
            }
        }
    }
    return std::string();
}

std::string errno_text()
{
    return errno != 0 ? strerror(errno) : "unknown error";
}

}  // namespace

PlatSettings plat_default_settings()
{
    PlatSettings s;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        s.keys[a] = ACTIONS[a].default_key;
    }
    return s;
}

const char* plat_action_name(PlatAction action)
{
    return action >= 0 && action < ACTION_COUNT ? ACTIONS[action].setting : "";
}

int plat_action_game_key(PlatAction action)
{
    return action >= 0 && action < ACTION_COUNT ? ACTIONS[action].game_key : 0;
}

std::string plat_settings_path()
{
    std::string config;
    std::string hint;
    if (!plat_sys_user_folder(PLAT_FOLDER_CONFIG, &config, &hint)) {
        return std::string();
    }
    return config + "/tailgate/tailgate.ini";
}

std::string plat_settings_text(const PlatSettings& s)
{
    std::string t;
    auto line = [&](const std::string& text) { t += text + "\n"; };
    auto setting = [&](const char* section, const char* name, const std::string& value) {
        t += comment_for(section, name);
        line(std::string(name) + " = " + value);
    };
    line("# Tailgate's settings. Lines are 'name = value'. '#' or ';' starts a comment, at the");
    line("# start of a line or after a blank behind a value. Delete this file to get the defaults");
    line("# back. Command-line options win over it.");
    line("");
    line("[display]");
    setting("display", "fullscreen", yes_no(s.fullscreen));
    setting("display", "window_scale", std::to_string(s.window_scale));
    setting("display", "window_size", size_text(s.window_width, s.window_height));
    setting("display", "scaling", s.integer_scaling ? "integer" : "fit");
    setting("display", "vsync", yes_no(s.vsync));
    setting("display", "attract_mode", yes_no(s.attract_mode));
    line("");
    line("[sound]");
    setting("sound", "music_volume", std::to_string(s.music_volume));
    setting("sound", "effects_volume", std::to_string(s.effects_volume));
    setting("sound", "soundfont", s.soundfont);
    line("");
    line("[keys]");
    line("# SDL's key names: letters, digits, Up, Down, Left, Right, Space, Return, Tab,");
    line("# Left Ctrl, Right Shift, F1 .. F12, Keypad 8, ... One key per action: a key");
    line("# another action already has is refused.");
    for (int a = 0; a < ACTION_COUNT; ++a) {
        setting("keys", ACTIONS[a].setting, s.keys[a]);
    }
    line("");
    line("[gamepad]");
    setting("gamepad", "enabled", yes_no(s.gamepad));
    return t;
}

bool plat_load_settings(const std::string& path, PlatSettings* settings, std::vector<std::string>* warnings,
                        bool* created)
{
    *created = false;
    const PlatSettings defaults = plat_default_settings();
    std::vector<char> bytes;
    errno = 0;
    const int got = plat_read_regular(path.c_str(), MAX_FILE_BYTES, &bytes);
    if (got == PLAT_FILE_MISSING) {
        if (!make_parent_directories(path)) {
            warnings->push_back(plat_printable("cannot make the folder for " + path + ": " + errno_text()));
            return false;
        }
        const std::string text = plat_settings_text(defaults);
        if (!plat_replace_file(path.c_str(), text.data(), text.size())) {
            warnings->push_back(plat_printable("cannot write " + path + ": " + errno_text()));
            return false;
        }
        *created = true;
        return true;
    }
    if (got != PLAT_FILE_OK) {
        const std::string why = got == PLAT_FILE_TOO_BIG                    ? std::string("larger than 1 MB")
                                : got == PLAT_FILE_UNREADABLE && errno != 0 ? std::string(strerror(errno))
                                                                            : std::string(plat_file_result_text(got));
        warnings->push_back(plat_printable("cannot read " + path + ": " + why + "; the defaults are used"));
        return false;
    }
    Reader reader;
    reader.path = &path;
    reader.settings = settings;
    std::string bom;
    std::string section;
    for (const std::string& raw : split_lines(std::string(bytes.begin(), bytes.end()), &bom)) {
        ++reader.line;
        const IniLine line = parse_line(without_line_end(raw));
        switch (line.kind) {
        case IniLine::BLANK:
        case IniLine::COMMENT:
            break;
        case IniLine::SECTION:
            section = line.name;
            break;
        case IniLine::VALUE:
            on_value(&reader, section, line.name, line.value);
            break;
        case IniLine::INDENTED:
            add_warning(&reader, reader.line, "an indented line does not go on with the line before; it is ignored");
            break;
        case IniLine::BAD:
            add_warning(&reader, reader.line, "not 'name = value' or '[section]'; it is ignored");
            break;
        }
    }
    say_what_stands(&reader);
    settle_keys(&reader, defaults);
    std::stable_sort(reader.warnings.begin(), reader.warnings.end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    for (const Warning& w : reader.warnings) {
        warnings->push_back(plat_printable(w.text));
    }
    return true;
}

bool plat_settings_update(const std::string& path, const std::vector<PlatSettingChange>& changes, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = plat_printable(why);
        }
        return false;
    };
    for (const PlatSettingChange& c : changes) {
        // Each value must read back as itself.
        const IniLine check = parse_line(c.key + " = " + c.value);
        if (c.section.empty() || c.section.find_first_of("[]\r\n") != std::string::npos ||
            (c.key + c.value).find_first_of("\r\n") != std::string::npos ||
            c.section != trimmed(c.section, 0, c.section.size()) || check.kind != IniLine::VALUE ||
            check.name != c.key || check.value != c.value || c.key.find_first_of("=:#;[") != std::string::npos) {
            return fail("cannot write " + path + ": [" + c.section + "] " + c.key + " = " + quoted(c.value) +
                        " would not read back as given");
        }
    }
    if (!make_parent_directories(path)) {
        return fail("cannot make the folder for " + path + ": " + errno_text());
    }
    const int lock = plat_lock_file(path.c_str());
    std::vector<char> bytes;
    errno = 0;
    int got = plat_read_regular(path.c_str(), MAX_FILE_BYTES, &bytes);
    if (got == PLAT_FILE_MISSING) {
        // A new file: the defaults with their comments, changed as asked.
        const std::string text = plat_settings_text(plat_default_settings());
        bytes.assign(text.begin(), text.end());
        got = PLAT_FILE_OK;
    }
    if (got != PLAT_FILE_OK) {
        const std::string why = got == PLAT_FILE_TOO_BIG                    ? std::string("larger than 1 MB")
                                : got == PLAT_FILE_UNREADABLE && errno != 0 ? std::string(strerror(errno))
                                                                            : std::string(plat_file_result_text(got));
        plat_unlock_file(lock);
        return fail("cannot read " + path + ": " + why);
    }
    std::string bom;
    std::vector<std::string> lines = split_lines(std::string(bytes.begin(), bytes.end()), &bom);
    const bool crlf = !lines.empty() && lines[0].size() >= 2 && lines[0].compare(lines[0].size() - 2, 2, "\r\n") == 0;
    const std::string eol = crlf ? "\r\n" : "\n";
    std::vector<bool> done(changes.size(), false);
    std::string section;
    for (std::string& raw : lines) {
        const IniLine line = parse_line(without_line_end(raw));
        if (line.kind == IniLine::SECTION) {
            section = line.name;
        }
        if (line.kind != IniLine::VALUE) {
            continue;
        }
        // The last change of a setting counts.
        size_t i = changes.size();
        for (size_t j = 0; j < changes.size(); ++j) {
            if (changes[j].section == section && changes[j].key == line.name) {
                done[j] = true;
                i = j;
            }
        }
        if (i < changes.size()) {
            std::string value = changes[i].value;
            // "name =" with nothing after it: "name = value".
            if (line.value.empty() && !value.empty() && !blank(raw[line.value_begin - 1])) {
                value.insert(0, " ");
            }
            raw.replace(line.value_begin, line.value_end - line.value_begin, value);
        }
    }
    // Settings the file lacks: at the end of their section (after its last
    // setting), the section added at the end of the file when it is missing.
    for (size_t i = 0; i < changes.size(); ++i) {
        if (done[i]) {
            continue;
        }
        const PlatSettingChange& c = changes[i];
        bool later = false;  // the same setting changed again: the last value counts
        for (size_t j = i + 1; j < changes.size(); ++j) {
            later = later || (changes[j].section == c.section && changes[j].key == c.key);
        }
        if (later) {
            continue;
        }
        std::vector<std::string> added;
        const std::string entry = comment_for(c.section, c.key) + c.key + " = " + c.value + "\n";
        for (size_t from = 0, nl; (nl = entry.find('\n', from)) != std::string::npos; from = nl + 1) {
            added.push_back(entry.substr(from, nl - from) + eol);
        }
        size_t at = std::string::npos;
        std::string current;
        for (size_t n = 0; n < lines.size(); ++n) {
            const IniLine line = parse_line(without_line_end(lines[n]));
            if (line.kind == IniLine::SECTION) {
                current = line.name;
                if (current == c.section) {
                    at = n + 1;
                }
            } else if (line.kind == IniLine::VALUE && current == c.section) {
                at = n + 1;
            }
        }
        if (!lines.empty() && (lines.back().empty() || lines.back().back() != '\n')) {
            lines.back() += eol;
        }
        if (at == std::string::npos) {
            if (!lines.empty()) {
                lines.push_back(eol);
            }
            lines.push_back("[" + c.section + "]" + eol);
            at = lines.size();
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    }
    std::string text = bom;
    for (const std::string& l : lines) {
        text += l;
    }
    errno = 0;
    const bool ok = plat_replace_file(path.c_str(), text.data(), text.size());
    const std::string why = errno_text();
    plat_unlock_file(lock);
    if (!ok) {
        return fail("cannot write " + path + ": " + why);
    }
    return true;
}
