// The state checks a recording carries: after every STATE_CHECK_EVERY-th
// pass, a hash of the whole game state and a short hash of each of its
// values, so that a replay that strays from its recording says after which
// pass and in which values. The values are the state dump's, by its keys.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int STATE_CHECK_EVERY = 100;

struct StateCheck {
    int pass;
    uint64_t whole;               // of the state's whole text
    std::vector<uint16_t> parts;  // one a value, in the order of the keys
};

// True for the passes a recording checks.
constexpr bool state_check_due(int pass)
{
    return (pass + 1) % STATE_CHECK_EVERY == 0;
}

// The check of a state as the dump writes it (one JSON object), and its
// keys in order.
void state_check_make(std::string_view json, int pass, StateCheck* check, std::vector<std::string>* keys);

// The comment lines: "# state-keys K ..." and "# state P WHOLE PART ...".
std::string state_keys_line(const std::vector<std::string>& keys);
std::string state_check_line(const StateCheck& check);
// Reads a comment's text (after "# ") into `keys` or `check`; false when it
// is neither line.
bool state_keys_parse(std::string_view text, std::vector<std::string>* keys);
bool state_check_parse(std::string_view text, StateCheck* check);

// The keys whose values differ between two checks of the same keys ("the
// whole state" when the parts agree but the whole does not); empty when
// they agree.
std::string state_check_differences(const StateCheck& expected, const StateCheck& found,
                                    const std::vector<std::string>& keys);
