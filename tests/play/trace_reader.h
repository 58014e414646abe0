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
    bool is_array = false;

    long long as_int() const { return static_cast<long long>(number); }
    const TraceValue& operator[](size_t i) const { return items.at(i); }
};

using TraceState = std::map<std::string, TraceValue>;

class TraceParser {
public:
    explicit TraceParser(const std::string& text) : text_(text) {}

    bool object(TraceState* out)
    {
        if (!take('{')) {
            return false;
        }
        if (take('}')) {
            return true;
        }
        do {
            std::string key;
            if (!string(&key) || !take(':')) {
                return false;
            }
            TraceValue value;
            if (!this->value(&value)) {
                return false;
            }
            (*out)[key] = value;
        } while (take(','));
        return take('}');
    }

private:
    void skip()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }
    bool take(char c)
    {
        skip();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool string(std::string* out)
    {
        if (!take('"')) {
            return false;
        }
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] == '\\') {
                ++pos_;
            }
            out->push_back(text_[pos_++]);
        }
        return take('"');
    }
    bool value(TraceValue* out)
    {
        skip();
        if (pos_ >= text_.size()) {
            return false;
        }
        char c = text_[pos_];
        if (c == '[') {
            ++pos_;
            out->is_array = true;
            if (take(']')) {
                return true;
            }
            do {
                TraceValue item;
                if (!value(&item)) {
                    return false;
                }
                out->items.push_back(item);
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            std::string ignored;
            return string(&ignored);
        }
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        out->number = std::strtod(start, &end);
        if (end == start) {
            return false;
        }
        pos_ += static_cast<size_t>(end - start);
        return true;
    }

    const std::string& text_;
    size_t pos_ = 0;
};

// Every line of a trace file; empty when the file cannot be read or a line
// does not parse.
inline std::vector<TraceState> read_trace(const std::string& path)
{
    std::vector<TraceState> states;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            continue;
        }
        TraceState state;
        TraceParser parser(line);
        if (!parser.object(&state)) {
            return {};
        }
        states.push_back(std::move(state));
    }
    return states;
}

}  // namespace play_test
