// End-to-end drives through the headless harness: from the title through a
// story page into traffic, checked pass by pass against the driving and
// traffic rules, and a whole level driven to the battle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "play/play.h"
#include "trace_reader.h"

using namespace play_test;

namespace {

namespace fs = std::filesystem;

// Title, menu, story page 0; space on the story page at pass 40 starts play.
constexpr int PLAY_START = 40;
constexpr const char* TO_THE_ROAD =
    "5 +SPACE\n"
    "6 -SPACE\n"
    "10 +S\n"
    "11 -S\n"
    "40 +SPACE\n";

class DriveE2eTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(fs::path(TAILGATE_DATA_DIR) / "cars2.bmp")) {
            GTEST_SKIP() << "no generated game data";
        }
        char pattern[] = "/tmp/tailgate_drive_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        lanes_init();
    }
    void TearDown() override
    {
        if (!dir.empty()) {
            fs::remove_all(dir);
        }
    }

    // Runs the game on a fresh copy of the data (start-up rewrites the
    // high-score file); returns its exit status.
    int run(const std::string& script, uint32_t start_tick, int passes, const std::string& outputs)
    {
        fs::remove_all(dir + "/data");
        fs::copy(TAILGATE_DATA_DIR, dir + "/data", fs::copy_options::recursive);
        std::ofstream(dir + "/input.txt") << script;
        std::ostringstream cmd;
        cmd << "'" << TAILGATE_EXE << "' --headless --data '" << dir << "/data' --start-tick "
            << start_tick << " --input '" << dir << "/input.txt' --passes " << passes << " "
            << outputs << " > '" << dir << "/out.txt' 2>&1";
        int status = std::system(cmd.str().c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir;
};

int key(const TraceState& s, const char* name)
{
    return static_cast<int>(s.at(name).as_int());
}

double num(const TraceState& s, const char* name)
{
    return s.at(name).number;
}

// Which keys the script holds during pass p.
struct Held {
    bool up, down, left, right;
};

TEST_F(DriveE2eTest, StoryPageIntoTrafficPassByPass)
{
    const std::string script = std::string(TO_THE_ROAD) +
                               "41 -SPACE +UP\n"
                               "100 +LEFT\n"
                               "170 -LEFT\n"
                               "220 +H\n"
                               "221 -H\n"
                               "260 +S\n"
                               "261 -S\n"
                               "330 -UP\n"
                               "360 +DOWN\n"
                               "380 -DOWN +UP +RIGHT\n";
    auto held = [](int p) {
        return Held{p >= 41 && (p < 330 || p >= 380), p >= 360 && p < 380, p >= 100 && p < 170, p >= 380};
    };
    const int passes = 450;
    ASSERT_EQ(run(script, 31337, passes, "--trace '" + dir + "/trace.jsonl'"), 0);
    std::vector<TraceState> trace = read_trace(dir + "/trace.jsonl");
    ASSERT_EQ(static_cast<int>(trace.size()), passes);

    for (int p = 0; p < PLAY_START; ++p) {
        EXPECT_NE(key(trace[p], "game_mode"), 5) << p;
    }
    const TraceState& first = trace[PLAY_START];
    EXPECT_EQ(key(first, "game_mode"), 5);
    EXPECT_EQ(key(first, "play_state"), PLAY_DRIVING);
    EXPECT_EQ(key(first, "clock_start"), 31337 + 33 * PLAY_START);
    EXPECT_EQ(num(first, "truck_speed"), 0.0);
    EXPECT_EQ(key(first, "truck_x"), 576);  // from 580, clamped onto the road
    EXPECT_EQ(key(first, "score"), -1);     // and on the shoulder

    bool saw_help = false;
    for (int p = PLAY_START + 1; p < passes; ++p) {
        const TraceState& was = trace[p - 1];
        const TraceState& now = trace[p];
        SCOPED_TRACE("pass " + std::to_string(p));
        ASSERT_EQ(key(now, "game_mode"), 5);
        ASSERT_EQ(key(now, "truck_wrecked"), 0);
        Held keys = held(p);
        int state_before = key(was, "play_state");

        // Keys, speed and the distance it covers.
        double accel = keys.down ? -1.0 : keys.up ? 1.0 : -0.5;
        EXPECT_EQ(num(now, "truck_accel"), accel);
        double speed_before = num(was, "truck_speed") + accel;
        EXPECT_EQ(key(now, "distance"), static_cast<int>(key(was, "distance") + speed_before));
        int lane = nearest_lane(key(now, "truck_x"));
        double expected_speed = std::fmin(speed_before, 150 - 5 * lane);
        EXPECT_EQ(num(now, "truck_speed"), std::fmax(expected_speed, 0.0));

        // Steering by the speed of the previous frame, plus the wobble.
        double v = num(was, "truck_speed");
        int steer = (keys.left ? static_cast<int>(0.5 - 0.05 * v) : 0) +
                    (keys.right ? static_cast<int>(0.05 * v + 0.5) : 0);
        int x = key(now, "truck_x");
        int aimed = key(was, "truck_x") + steer;
        EXPECT_TRUE(std::abs(x - aimed) <= 1 || (x == 576 && aimed >= 575) || (x == 128 && aimed <= 129))
            << x << " aimed " << aimed;

        // Points: the shoulder, and 10 per contact (damaging ones cost 2).
        int shoulder = lane == 7 && state_before != PLAY_HELP_CALL ? 1 : 0;
        int damage_added = key(now, "damage") - key(was, "damage");
        EXPECT_GE(damage_added, 0);
        EXPECT_EQ(damage_added % 2, 0);
        int contacts = key(now, "score") - key(was, "score") + shoulder + 5 * damage_added;
        EXPECT_GE(contacts, 0);
        EXPECT_EQ(contacts % 10, 0);

        // Help call on H, then its timeline.
        if (p == 220) {
            EXPECT_EQ(key(now, "play_state"), PLAY_HELP_CALL);
            EXPECT_EQ(key(now, "help_calls"), 2);
            EXPECT_EQ(key(now, "help_timer"), 1);
            saw_help = true;
        } else if (p > 220) {
            EXPECT_EQ(key(now, "play_state"), PLAY_HELP_CALL);
            EXPECT_EQ(key(now, "help_timer"), key(was, "help_timer") + 1);
        } else {
            EXPECT_EQ(key(now, "play_state"), PLAY_DRIVING);
            EXPECT_EQ(key(now, "help_calls"), 3);
        }

        // The radio changes station only on S.
        if (p == 260) {
            EXPECT_GE(key(now, "radio_freq_major"), 8);
            EXPECT_LE(key(now, "radio_freq_major"), 10);
        } else if (p < 260) {
            EXPECT_EQ(key(now, "radio_station"), 0);
            EXPECT_EQ(key(now, "radio_freq_major"), 10);
            EXPECT_EQ(key(now, "radio_freq_minor"), 5);
        } else {
            EXPECT_EQ(key(now, "radio_station"), key(was, "radio_station"));
        }

        // Lane markings scroll by a quarter of the speed on a 470 px cycle.
        for (int row = 2; row <= 8; ++row) {
            for (int k = 0; k < DASH_SLOTS; ++k) {
                int y = static_cast<int>(now.at("dash_y")[row][k].as_int());
                int expected = static_cast<int>(was.at("dash_y")[row][k].as_int() + 0.25 * num(now, "truck_speed"));
                EXPECT_EQ(y, expected >= 470 ? expected - 470 : expected);
            }
        }

        // Traffic: each intact vehicle moves by its speed (plus the creep)
        // or is placed anew well away from the truck; it keeps to the road
        // and to its lane's speed band.
        int d = key(now, "distance");
        const TraceValue& cars = now.at("traffic");
        const TraceValue& cars_before = was.at("traffic");
        ASSERT_EQ(cars.items.size(), 100u);
        for (int i = 0; i < CAR_COUNT; ++i) {
            const TraceValue& car = cars[i];
            const TraceValue& car_before = cars_before[i];
            if (car_before[4].as_int() != 0) {
                continue;  // burning: it shakes and may be replaced
            }
            int position = static_cast<int>(car[2].as_int());
            int moved = static_cast<int>(car_before[2].as_int() + car_before[5].as_int());
            bool in_place = position == moved || position == moved + 1;
            int away = std::abs(position - d);
            bool placed_anew = away >= 1000 && away <= 3999 && std::abs(moved - d) >= 4000;
            EXPECT_TRUE(in_place || placed_anew) << "vehicle " << i << " at " << position - d;
            int car_x = static_cast<int>(car[1].as_int());
            EXPECT_GE(car_x, 130) << i;
            EXPECT_LE(car_x, 576) << i;
            int n = nearest_lane(car_x);
            EXPECT_GE(car[5].as_int(), 141 - 5 * n) << i;
            EXPECT_LE(car[5].as_int(), 151 - 5 * n) << i;
        }
        if (::testing::Test::HasFailure()) {
            break;  // one pass's report is enough
        }
    }
    EXPECT_TRUE(saw_help);
    EXPECT_NE(trace[passes - 1].at("rand_state").as_int(), trace[passes - 2].at("rand_state").as_int());
}

TEST_F(DriveE2eTest, SameStartTickSameDrive)
{
    const std::string script = std::string(TO_THE_ROAD) + "41 -SPACE +UP\n90 +LEFT\n";
    ASSERT_EQ(run(script, 4000, 160, "--trace '" + dir + "/a.jsonl'"), 0);
    ASSERT_EQ(run(script, 4000, 160, "--trace '" + dir + "/b.jsonl'"), 0);
    ASSERT_EQ(run(script, 4001, 160, "--trace '" + dir + "/c.jsonl'"), 0);
    auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    std::string a = slurp(dir + "/a.jsonl");
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == slurp(dir + "/b.jsonl")) << "two runs from tick 4000 differ";
    std::vector<TraceState> one = read_trace(dir + "/a.jsonl");
    std::vector<TraceState> other = read_trace(dir + "/c.jsonl");
    ASSERT_EQ(one.size(), 160u);
    ASSERT_EQ(other.size(), 160u);
    EXPECT_NE(one[0].at("traffic")[0][2].as_int() * 1000 + one[0].at("traffic")[0][1].as_int(),
              other[0].at("traffic")[0][2].as_int() * 1000 + other[0].at("traffic")[0][1].as_int());
}

// The audio log as (pass, operation, id) lines.
struct AudioCall {
    int pass;
    std::string op;
    int id;
};

std::vector<AudioCall> read_audio_log(const std::string& path)
{
    std::vector<AudioCall> calls;
    std::ifstream in(path);
    AudioCall call;
    while (in >> call.pass >> call.op >> call.id) {
        calls.push_back(call);
    }
    return calls;
}

bool has_call(const std::vector<AudioCall>& calls, int pass, const std::string& op, int id)
{
    for (const AudioCall& call : calls) {
        if (call.pass == pass && call.op == op && call.id == id) {
            return true;
        }
    }
    return false;
}

TEST_F(DriveE2eTest, WholeLevelOnTheShoulderReachesTheBattle)
{
    // Up and right held: the truck hugs the shoulder at 115, clear of the
    // lanes, and pays a point a frame for it.
    const std::string script = std::string(TO_THE_ROAD) + "41 -SPACE +UP +RIGHT\n";
    ASSERT_EQ(run(script, 5000, 8800, "--dump '" + dir + "/dump.json' --audio-log '" + dir + "/audio.txt'"), 0);
    std::vector<TraceState> dump = read_trace(dir + "/dump.json");
    ASSERT_EQ(dump.size(), 1u);
    const TraceState& end = dump[0];
    EXPECT_EQ(key(end, "game_mode"), 5);
    EXPECT_EQ(key(end, "play_state"), PLAY_BATTLE);
    EXPECT_GE(key(end, "distance"), 1000000);
    EXPECT_LT(key(end, "distance"), 1000000 + 115);  // stopped on the first frame past the end
    EXPECT_EQ(num(end, "truck_speed"), 0.0);
    EXPECT_EQ(key(end, "level_index"), 0);
    EXPECT_GT(key(end, "alien_health"), 0);
    EXPECT_EQ(key(end, "battle_music_on"), 1);

    // The brakes squeal and the radio stops in the battle's first pass; the
    // shoulder cost a point on every pass of the drive before it.
    std::vector<AudioCall> calls = read_audio_log(dir + "/audio.txt");
    int battle_pass = -1;
    for (const AudioCall& call : calls) {
        if (call.pass > PLAY_START && call.op == "snd_play" && call.id == 8) {  // brake.WAV
            battle_pass = call.pass;
            break;
        }
    }
    ASSERT_GT(battle_pass, 8000);
    EXPECT_TRUE(has_call(calls, battle_pass, "mus_stop", 0));     // A.MID, the radio
    EXPECT_TRUE(has_call(calls, battle_pass + 1, "mus_play", 9));  // Battle.MID
    EXPECT_EQ(key(end, "score"), -(battle_pass - PLAY_START));
}

TEST_F(DriveE2eTest, HelpCallHornRadioCallAndTimeline)
{
    const std::string script = std::string(TO_THE_ROAD) +
                               "41 -SPACE +UP +RIGHT\n"
                               "100 +H\n"
                               "101 -H\n"
                               "150 -UP\n";
    ASSERT_EQ(run(script, 5000, 500, "--dump '" + dir + "/dump.json' --audio-log '" + dir + "/audio.txt'"), 0);
    std::vector<AudioCall> calls = read_audio_log(dir + "/audio.txt");
    EXPECT_TRUE(has_call(calls, 100, "snd_play", 0));  // horn.WAV on H
    EXPECT_TRUE(has_call(calls, 179, "snd_play", 3));  // tenfour.WAV on the 80th frame
    std::vector<TraceState> dump = read_trace(dir + "/dump.json");
    ASSERT_EQ(dump.size(), 1u);
    EXPECT_EQ(key(dump[0], "play_state"), PLAY_HELP_CALL);
    EXPECT_EQ(key(dump[0], "help_timer"), 400);
    EXPECT_EQ(key(dump[0], "help_calls"), 2);
    // Waiting on the shoulder for help costs nothing: only passes 40 to 100
    // paid for it; anything else is 10 a vehicle brushed against.
    int score = key(dump[0], "score");
    EXPECT_LE(score, -61);
    EXPECT_EQ((score + 61) % 10, 0);
}

}  // namespace
