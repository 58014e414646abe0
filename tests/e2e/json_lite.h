// A small strict JSON reader for checking the harness's state dumps.
#pragma once

#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonValue {
    enum Kind { NUL, BOOL, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
    double number = 0;
    std::string text;        // STRING: decoded; NUMBER: as written
    std::vector<JsonValue> items;
    // OBJECT: member names and values, in file order (parallel lists keep
    // the type complete enough for every compiler).
    std::vector<std::string> keys;
    std::vector<JsonValue> members;

    const JsonValue* get(std::string_view key) const;
    long long as_int() const { return static_cast<long long>(number); }
};

inline const JsonValue* JsonValue::get(std::string_view key) const
{
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) {
            return &members[i];
        }
    }
    return nullptr;
}

namespace json_lite {

struct Reader {
    std::string_view in;
    size_t pos = 0;
    bool ok = true;

    void skip()
    {
        while (pos < in.size() && (in[pos] == ' ' || in[pos] == '\n' || in[pos] == '\r' || in[pos] == '\t')) {
            ++pos;
        }
    }
    bool take(char c)
    {
        skip();
        if (pos < in.size() && in[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    bool literal(std::string_view word)
    {
        if (in.substr(pos, word.size()) == word) {
            pos += word.size();
            return true;
        }
        return false;
    }
    bool string(std::string* out)
    {
        if (!take('"')) {
            return false;
        }
        while (pos < in.size()) {
            char c = in[pos++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (pos >= in.size()) {
                return false;
            }
            char e = in[pos++];
            switch (e) {
            case '"': out->push_back('"'); break;
            case '\\': out->push_back('\\'); break;
            case '/': out->push_back('/'); break;
            case 'b': out->push_back('\b'); break;
            case 'f': out->push_back('\f'); break;
            case 'n': out->push_back('\n'); break;
            case 'r': out->push_back('\r'); break;
            case 't': out->push_back('\t'); break;
            case 'u': {
                if (pos + 4 > in.size()) {
                    return false;
                }
                std::string hex(in.substr(pos, 4));
                pos += 4;
                char* end = nullptr;
                long code = strtol(hex.c_str(), &end, 16);
                if (*end || code > 0xFF) {
                    return false;  // the dumps only escape single bytes
                }
                out->push_back(static_cast<char>(code));
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }
    bool value(JsonValue* out)
    {
        skip();
        if (pos >= in.size()) {
            return false;
        }
        char c = in[pos];
        if (c == '{') {
            ++pos;
            out->kind = JsonValue::OBJECT;
            if (take('}')) {
                return true;
            }
            do {
                std::string key;
                JsonValue member;
                if (!string(&key) || !take(':') || !value(&member)) {
                    return false;
                }
                out->keys.push_back(std::move(key));
                out->members.push_back(std::move(member));
            } while (take(','));
            return take('}');
        }
        if (c == '[') {
            ++pos;
            out->kind = JsonValue::ARRAY;
            if (take(']')) {
                return true;
            }
            do {
                JsonValue item;
                if (!value(&item)) {
                    return false;
                }
                out->items.push_back(std::move(item));
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            out->kind = JsonValue::STRING;
            return string(&out->text);
        }
        if (literal("null")) {
            out->kind = JsonValue::NUL;
            return true;
        }
        if (literal("true") || literal("false")) {
            out->kind = JsonValue::BOOL;
            out->number = in[pos - 1] == 'e' && in[pos - 2] == 'u';
            return true;
        }
        size_t start = pos;
        if (pos < in.size() && in[pos] == '-') {
            ++pos;
        }
        while (pos < in.size() && ((in[pos] >= '0' && in[pos] <= '9') || in[pos] == '.' || in[pos] == 'e' ||
                                   in[pos] == 'E' || in[pos] == '+' || in[pos] == '-')) {
            ++pos;
        }
        if (pos == start) {
            return false;
        }
        out->kind = JsonValue::NUMBER;
        out->text = std::string(in.substr(start, pos - start));
        char* end = nullptr;
        out->number = strtod(out->text.c_str(), &end);
        return *end == '\0';
    }
};

// Parses one JSON text (surrounding blanks allowed). False when malformed.
inline bool parse(std::string_view text, JsonValue* out)
{
    Reader reader{text};
    if (!reader.value(out)) {
        return false;
    }
    reader.skip();
    return reader.pos == text.size();
}

}  // namespace json_lite
