#include "shell/state_check.h"

#include <charconv>
#include <cstdio>

namespace {

uint64_t fnv1a(std::string_view text)
{
    uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

uint16_t fold(uint64_t hash)
{
    return static_cast<uint16_t>(hash ^ (hash >> 16) ^ (hash >> 32) ^ (hash >> 48));
}

// The words of a comment line.
std::vector<std::string_view> words_of(std::string_view text)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) {
            ++i;
        }
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

template <typename T> bool parse_hex(std::string_view word, T* out)
{
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *out, 16);
    return error == std::errc() && end == word.data() + word.size();
}

}  // namespace

void state_check_make(std::string_view json, int pass, StateCheck* check, std::vector<std::string>* keys)
{
    check->pass = pass;
    check->whole = fnv1a(json);
    check->parts.clear();
    keys->clear();
    // Our own dump: {"key":value,...} with values of numbers, strings
    // without quotes inside, and nested arrays.
    size_t i = json.find('{');
    if (i == std::string_view::npos) {
        return;
    }
    ++i;
    while (i < json.size()) {
        const size_t key_start = json.find('"', i);
        if (key_start == std::string_view::npos) {
            return;
        }
        const size_t key_end = json.find('"', key_start + 1);
        const size_t colon = key_end == std::string_view::npos ? key_end : json.find(':', key_end);
        if (colon == std::string_view::npos) {
            return;
        }
        size_t end = colon + 1;
        int depth = 0;
        bool quoted = false;
        for (; end < json.size(); ++end) {
            const char c = json[end];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && c == '[') {
                ++depth;
            } else if (!quoted && c == ']') {
                --depth;
            } else if (!quoted && depth == 0 && (c == ',' || c == '}')) {
                break;
            }
        }
        keys->emplace_back(json.substr(key_start + 1, key_end - key_start - 1));
        check->parts.push_back(fold(fnv1a(json.substr(colon + 1, end - colon - 1))));
        i = end + 1;
    }
}

std::string state_keys_line(const std::vector<std::string>& keys)
{
    std::string line = "# state-keys";
    for (const std::string& key : keys) {
        line += ' ';
        line += key;
    }
    return line;
}

std::string state_check_line(const StateCheck& check)
{
    char head[64];
    snprintf(head, sizeof head, "# state %d %016llx", check.pass, static_cast<unsigned long long>(check.whole));
    std::string line = head;
    for (uint16_t part : check.parts) {
        char hex[8];
        snprintf(hex, sizeof hex, " %04x", part);
        line += hex;
    }
    return line;
}

bool state_keys_parse(std::string_view text, std::vector<std::string>* keys)
{
    const std::vector<std::string_view> words = words_of(text);
    if (words.empty() || words[0] != "state-keys") {
        return false;
    }
    keys->assign(words.begin() + 1, words.end());
    return true;
}

bool state_check_parse(std::string_view text, StateCheck* check)
{
    const std::vector<std::string_view> words = words_of(text);
    if (words.size() < 3 || words[0] != "state") {
        return false;
    }
    const auto [end, error] = std::from_chars(words[1].data(), words[1].data() + words[1].size(), check->pass);
    unsigned long long whole = 0;
    if (error != std::errc() || end != words[1].data() + words[1].size() || check->pass < 0 ||
        !parse_hex(words[2], &whole)) {
        return false;
    }
    check->whole = whole;
    check->parts.clear();
    for (size_t w = 3; w < words.size(); ++w) {
        uint16_t part = 0;
        if (!parse_hex(words[w], &part)) {
            return false;
        }
        check->parts.push_back(part);
    }
    return true;
}

std::string state_check_differences(const StateCheck& expected, const StateCheck& found,
                                    const std::vector<std::string>& keys)
{
    if (expected.whole == found.whole) {
        return "";
    }
    std::string names;
    if (expected.parts.size() == found.parts.size() && expected.parts.size() == keys.size()) {
        for (size_t k = 0; k < keys.size(); ++k) {
            if (expected.parts[k] != found.parts[k]) {
                names += names.empty() ? "" : ", ";
                names += keys[k];
            }
        }
    }
    return names.empty() ? "the whole state" : names;
}
