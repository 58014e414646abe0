// Reads the harness's state lines (one JSON object per line) far enough for
// the play checks: numbers, strings and nested arrays under top-level keys.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace play_test {

struct TraceValue {
    double number = 0;
    std::vector<TraceValue> items;

    int as_int() const { return static_cast<int>(number); }
    const TraceValue& operator[](size_t i) const { return items.at(i); }
};

using TraceState = std::map<std::string, TraceValue>;

// Parses the value at *p (a number, a string or an array); false on junk.
inline bool trace_value(const char** p, TraceValue* out)
{
    while (**p == ' ') {
        ++*p;
    }
    if (**p == '"') {
        const char* end = *p + 1;
        while (*end && *end != '"') {
            end += end[0] == '\\' && end[1] ? 2 : 1;
        }
        *p = end + (*end == '"');
        return *end == '"';
    }
    if (**p == '[') {
        ++*p;
        while (**p && **p != ']') {
            out->items.emplace_back();
            if (!trace_value(p, &out->items.back())) {
                return false;
            }
            *p += **p == ',';
        }
        return *(*p)++ == ']';
    }
    char* end = nullptr;
    out->number = std::strtod(*p, &end);
    bool ok = end != *p;
    *p = end;
    return ok;
}

// Every line of a trace or dump file; empty when a line does not parse.
inline std::vector<TraceState> read_trace(const std::string& path)
{
    std::vector<TraceState> states;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        TraceState state;
        const char* p = line.c_str();
        bool ok = *p == '{';
        while (ok && *p != '}') {
            const char* key = p + 2;  // past '{' or ',' and the opening quote
            const char* colon = key;
            while (*colon && *colon != '"') {
                ++colon;
            }
            p = colon + 2;
            ok = *colon && colon[1] == ':' && trace_value(&p, &state[std::string(key, colon)]) &&
                 (*p == ',' || *p == '}');
        }
        if (!ok) {
            return {};
        }
        states.push_back(std::move(state));
    }
    return states;
}

}  // namespace play_test
