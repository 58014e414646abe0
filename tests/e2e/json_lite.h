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
    std::string text;               // STRING: decoded; NUMBER: as written
    std::vector<JsonValue> items;   // ARRAY: the items; OBJECT: member values
    std::vector<std::string> keys;  // OBJECT: member names, in file order

    const JsonValue* get(std::string_view key) const
    {
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == key) {
                return &items[i];
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

    bool at(std::string_view chars) const { return pos < in.size() && chars.find(in[pos]) != chars.npos; }
    void skip()
    {
        while (at(" \t\r\n")) {
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
            const char c = in[pos++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                out->push_back(c);
            } else if (at("\"\\/")) {
                out->push_back(in[pos++]);
            } else {
                // Any other byte is written as \u00XX.
                if (pos + 5 > in.size() || in[pos] != 'u') {
                    return false;
                }
                const std::string hex(in.substr(pos + 1, 4));
                pos += 5;
                char* end = nullptr;
                const long code = strtol(hex.c_str(), &end, 16);
                if (*end || code < 0 || code > 0xFF) {
                    return false;
                }
                out->push_back(static_cast<char>(code));
            }
        }
        return false;
    }
    bool value(JsonValue* out)
    {
        const bool object = take('{');
        if (object || take('[')) {
            out->kind = object ? JsonValue::OBJECT : JsonValue::ARRAY;
            const char close = object ? '}' : ']';
            if (take(close)) {
                return true;
            }
            do {
                out->items.emplace_back();
                if (object && (!string(&out->keys.emplace_back()) || !take(':'))) {
                    return false;
                }
                if (!value(&out->items.back())) {
                    return false;
                }
            } while (take(','));
            return take(close);
        }
        if (at("\"")) {
            out->kind = JsonValue::STRING;
            return string(&out->text);
        }
        if (in.substr(pos, 4) == "null") {
            pos += 4;
            return true;
        }
        const size_t start = pos;
        while (at("0123456789+-.eE")) {
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
