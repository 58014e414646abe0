// A small strict JSON reader for checking the harness's state dumps: objects,
// arrays, numbers, strings (with the escapes the dumps write) and null.
#pragma once

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

struct JsonValue {
    enum Kind { NUL, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
    double number = 0;
    std::string text;  // STRING: decoded; NUMBER: as written
    std::vector<JsonValue> items;
    // OBJECT: member names and values, in file order.
    std::vector<std::string> keys;
    std::vector<JsonValue> members;

    const JsonValue* get(std::string_view key) const
    {
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == key) {
                return &members[i];
            }
        }
        return nullptr;
    }
    long long as_int() const { return static_cast<long long>(number); }
};

namespace json_lite {

struct Reader {
    std::string_view in;
    size_t pos = 0;

    void skip()
    {
        while (pos < in.size() && (in[pos] == ' ' || in[pos] == '\n' || in[pos] == '\r' || in[pos] == '\t')) {
            ++pos;
        }
    }
    bool take(char c)
    {
        skip();
        return pos < in.size() && in[pos] == c && ++pos;
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
            } else if (pos < in.size() && (in[pos] == '"' || in[pos] == '\\' || in[pos] == '/')) {
                out->push_back(in[pos++]);
            } else if (pos + 5 <= in.size() && in[pos] == 'u') {
                std::string hex(in.substr(pos + 1, 4));
                pos += 5;
                char* end = nullptr;
                long code = strtol(hex.c_str(), &end, 16);
                if (*end || code > 0xFF) {
                    return false;  // the dumps only escape single bytes
                }
                out->push_back(static_cast<char>(code));
            } else {
                return false;
            }
        }
        return false;
    }
    // The items of an array or the members of an object, up to `close`.
    bool list(JsonValue* out, char close)
    {
        if (take(close)) {
            return true;
        }
        do {
            std::string key;
            JsonValue item;
            if (close == '}' && (!string(&key) || !take(':'))) {
                return false;
            }
            if (!value(&item)) {
                return false;
            }
            if (close == '}') {
                out->keys.push_back(std::move(key));
                out->members.push_back(std::move(item));
            } else {
                out->items.push_back(std::move(item));
            }
        } while (take(','));
        return take(close);
    }
    bool value(JsonValue* out)
    {
        skip();
        if (pos >= in.size()) {
            return false;
        }
        const char c = in[pos];
        if (c == '{' || c == '[') {
            ++pos;
            out->kind = c == '{' ? JsonValue::OBJECT : JsonValue::ARRAY;
            return list(out, c == '{' ? '}' : ']');
        }
        if (c == '"') {
            out->kind = JsonValue::STRING;
            return string(&out->text);
        }
        if (in.substr(pos, 4) == "null") {
            pos += 4;
            return true;
        }
        const size_t start = pos;
        while (pos < in.size() && std::string_view("0123456789+-.eE").find(in[pos]) != std::string_view::npos) {
            ++pos;
        }
        out->kind = JsonValue::NUMBER;
        out->text = std::string(in.substr(start, pos - start));
        char* end = nullptr;
        out->number = strtod(out->text.c_str(), &end);
        return pos > start && *end == '\0';
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
