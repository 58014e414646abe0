// End-to-end drives through the headless harness: from the title through a
// story page into traffic, checked pass by pass against the driving and
// traffic rules and the same for the same start tick; a whole level driven
// to the battle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "play/play.h"

namespace {

namespace fs = std::filesystem;

// A value of the state lines: a number, or an array (strings read as 0).
struct Value {
    double number = 0;
    std::vector<Value> items;
    int operator[](size_t i) const { return static_cast<int>(items.at(i).number); }
};
using State = std::map<std::string, Value>;

// Reads the value at p into *out; the end of it, or null on junk.
const char* parse(const char* p, Value* out)
{
    if (*p == '[') {
        for (++p; *p != ']'; p += *p == ',') {
            out->items.emplace_back();
            if (!(p = parse(p, &out->items.back()))) {
                return nullptr;
            }
        }
        return p + 1;
    }
    if (*p == '"') {
        const char* end = strchr(p + 1, '"');
        return end ? end + 1 : nullptr;
    }
    char* end = nullptr;
    out->number = std::strtod(p, &end);
    return end == p ? nullptr : end;
}

// One state per line of a --trace or --dump file; empty when one does not read.
std::vector<State> read_states(const std::string& path)
{
    std::vector<State> states;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        State state;
        const char* p = line.c_str();
        while (p && (*p == '{' || *p == ',') && p[1] == '"') {
            const char* end = strchr(p + 2, '"');
            p = end && end[1] == ':' ? parse(end + 2, &state[std::string(p + 2, end)]) : nullptr;
        }
        if (!p || *p != '}') {
            return {};
        }
        states.push_back(std::move(state));
    }
    return states;
}

int key(const State& s, const char* name)
{
    return static_cast<int>(s.at(name).number);
}

// The radio display's digits as one number: 1005 for "100.5 FM".
int radio(const State& s)
{
    return key(s, "radio_freq_major") * 100 + key(s, "radio_station") * 10 + key(s, "radio_freq_minor");
}

// Title, menu, story page 0; space on the story page at pass 40 starts play.
constexpr int PLAY_START = 40;
constexpr const char* TO_THE_ROAD = "5 +SPACE\n6 -SPACE\n10 +S\n11 -S\n40 +SPACE\n";

class DriveE2eTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tailgate_drive_XXXXXX";
        if (!fs::exists(fs::path(TAILGATE_DATA_DIR) / "cars2.bmp") || !mkdtemp(pattern)) {
            GTEST_SKIP() << "no generated game data";
        }
        dir = pattern;
        lanes_init();
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the game on a fresh copy of the data (start-up rewrites the
    // high-score file), writing `name`.json (a trace, or a dump when `dump`)
    // and the audio log `name`.log; returns the states written.
    std::vector<State> run(const std::string& script, int passes, const std::string& name, bool dump = false)
    {
        fs::remove_all(dir + "/data");
        fs::copy(TAILGATE_DATA_DIR, dir + "/data", fs::copy_options::recursive);
        std::ofstream(dir + "/input.txt") << script;
        std::ostringstream cmd;
        cmd << "cd '" << dir << "' && '" << TAILGATE_EXE << "' --headless --data data --start-tick 31337"
            << " --input input.txt --passes " << passes << (dump ? " --dump " : " --trace ") << name
            << ".json --audio-log " << name << ".log > /dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.str().c_str()), 0);
        return read_states(dir + "/" + name + ".json");
    }

    // The file's text, to compare two runs.
    std::string slurp(const std::string& name)
    {
        std::ifstream in(dir + "/" + name);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // True when the audio log `name`.log has the line "pass op id".
    bool logged(const std::string& name, int pass, const std::string& op, int id)
    {
        std::ostringstream line;
        line << "\n" << pass << " " << op << " " << id << "\n";
        return ("\n" + slurp(name + ".log")).find(line.str()) != std::string::npos;
    }

    std::string dir;
};

TEST_F(DriveE2eTest, StoryPageIntoTrafficPassByPass)
{
    const std::string script = std::string(TO_THE_ROAD) +
                               "41 -SPACE +UP\n100 +LEFT\n170 -LEFT\n220 +H\n221 -H\n260 +S\n261 -S\n"
                               "330 -UP\n360 +DOWN\n380 -DOWN +UP +RIGHT\n";
    const int passes = 450;
    std::vector<State> trace = run(script, passes, "drive");
    ASSERT_EQ(static_cast<int>(trace.size()), passes);
    run(script, passes, "again");
    EXPECT_TRUE(slurp("drive.json") == slurp("again.json")) << "the same start tick, another drive";

    EXPECT_NE(key(trace[PLAY_START - 1], "game_mode"), 5);
    const State& first = trace[PLAY_START];
    EXPECT_EQ(key(first, "game_mode"), 5);
    EXPECT_EQ(key(first, "play_state"), PLAY_DRIVING);
    EXPECT_EQ(key(first, "clock_start"), 31337 + 33 * PLAY_START);
    EXPECT_EQ(key(first, "truck_x"), 576);  // from 580, clamped onto the road
    EXPECT_EQ(key(first, "score"), -1);     // and on the shoulder
    EXPECT_EQ(radio(first), 1005);
    EXPECT_NE(radio(trace[260]), 1005);
    EXPECT_TRUE(logged("drive", 220, "snd_play", 0));  // the horn on H
    EXPECT_TRUE(logged("drive", 299, "snd_play", 3));  // "ten-four" on the 80th frame

    for (int p = PLAY_START + 1; p < passes && !HasFailure(); ++p) {
        const State& was = trace[p - 1];
        const State& now = trace[p];
        SCOPED_TRACE("pass " + std::to_string(p));
        bool up = p < 330 || p >= 380, down = p >= 360 && p < 380;
        bool left = p >= 100 && p < 170, right = p >= 380;

        // Keys, speed and the distance it covers, before the lane's limit.
        double accel = down ? -1.0 : up ? 1.0 : -0.5;
        EXPECT_EQ(now.at("truck_accel").number, accel);
        double v = was.at("truck_speed").number;
        EXPECT_EQ(key(now, "distance"), static_cast<int>(key(was, "distance") + v + accel));
        int lane = nearest_lane(key(now, "truck_x"));
        EXPECT_EQ(now.at("truck_speed").number, std::fmax(std::fmin(v + accel, 150 - 5 * lane), 0.0));

        // Steering by the speed of the previous frame, plus the wobble.
        int aimed = key(was, "truck_x") + (left ? static_cast<int>(0.5 - 0.05 * v) : 0) +
                    (right ? static_cast<int>(0.05 * v + 0.5) : 0);
        int x = key(now, "truck_x");
        EXPECT_TRUE(std::abs(x - aimed) <= 1 || (x == 576 && aimed >= 575) || (x == 128 && aimed <= 129)) << x;

        // Points: the shoulder, and 10 a contact (damaging ones cost 2).
        int shoulder = lane == 7 && key(was, "play_state") != PLAY_HELP_CALL;
        int damage_added = key(now, "damage") - key(was, "damage");
        int contacts = key(now, "score") - key(was, "score") + shoulder + 5 * damage_added;
        EXPECT_TRUE(damage_added >= 0 && damage_added % 2 == 0 && contacts >= 0 && contacts % 10 == 0);
        EXPECT_EQ(key(now, "truck_wrecked"), 0);

        // The help call from H on; the radio changes only on S.
        EXPECT_EQ(key(now, "play_state"), p >= 220 ? PLAY_HELP_CALL : PLAY_DRIVING);
        EXPECT_EQ(key(now, "help_calls"), p >= 220 ? 2 : 3);
        EXPECT_EQ(key(now, "help_timer"), p >= 220 ? p - 219 : 0);
        EXPECT_TRUE(p == 260 || radio(now) == radio(was));

        // Lane markings scroll by a quarter of the speed on a 470 px cycle.
        for (int row = 2; row <= 8; ++row) {
            for (int k = 0; k < DASH_SLOTS; ++k) {
                int y = static_cast<int>(was.at("dash_y").items[row][k] + 0.25 * now.at("truck_speed").number);
                EXPECT_EQ(now.at("dash_y").items[row][k], y >= 470 ? y - 470 : y);
            }
        }

        // Each intact vehicle moves by its speed (plus the creep) or is placed
        // anew well away from the truck; it keeps to the road and its band.
        int d = key(now, "distance");
        for (int i = 0; i < CAR_COUNT; ++i) {
            const Value& car = now.at("traffic").items[i];
            const Value& before = was.at("traffic").items[i];
            if (before[4] != 0) {
                continue;  // burning: it shakes and may be replaced
            }
            int moved = before[2] + before[5];
            int away = std::abs(car[2] - d);
            bool placed_anew = away >= 1000 && away <= 3999 && std::abs(moved - d) >= 4000;
            EXPECT_TRUE(car[2] - moved == 0 || car[2] - moved == 1 || placed_anew) << i;
            int n = nearest_lane(car[1]);
            EXPECT_TRUE(car[1] >= 130 && car[1] <= 576 && car[5] >= 141 - 5 * n && car[5] <= 151 - 5 * n) << i;
        }
    }
}

TEST_F(DriveE2eTest, WholeLevelOnTheShoulderReachesTheBattle)
{
    // Up and right held: the truck hugs the shoulder at 115, clear of the
    // lanes, and pays a point a frame for it.
    std::vector<State> dump = run(std::string(TO_THE_ROAD) + "41 -SPACE +UP +RIGHT\n", 8800, "level", true);
    ASSERT_EQ(dump.size(), 1u);
    const State& end = dump[0];
    EXPECT_EQ(key(end, "game_mode"), 5);
    EXPECT_EQ(key(end, "play_state"), PLAY_BATTLE);
    EXPECT_GE(key(end, "distance"), 1000000);
    EXPECT_LT(key(end, "distance"), 1000000 + 115);  // stopped on the first frame past the end
    EXPECT_EQ(key(end, "level_index"), 0);
    EXPECT_EQ(key(end, "battle_music_on"), 1);

    // The brakes squeal and the radio stops in the battle's first pass, the
    // battle music starts in the next; the shoulder cost a point a pass.
    int battle_pass = PLAY_START - key(end, "score");
    EXPECT_FALSE(logged("level", battle_pass - 1, "snd_play", 8));
    EXPECT_TRUE(logged("level", battle_pass, "snd_play", 8));      // brake.WAV
    EXPECT_TRUE(logged("level", battle_pass, "mus_stop", 0));      // A.MID, the radio
    EXPECT_TRUE(logged("level", battle_pass + 1, "mus_play", 9));  // Battle.MID
}

}  // namespace
