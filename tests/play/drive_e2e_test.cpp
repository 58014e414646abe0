// End-to-end drives through the headless harness: from the title through a
// story page into traffic, checked pass by pass against the driving and
// traffic rules; the same start tick giving the same drive; a whole level
// driven to the battle.
#include <gtest/gtest.h>

#include <cmath>
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
    // high-score file) with outputs `name`.jsonl (a trace, or a dump when
    // `dump`) and `name`.log (the audio log); returns the states written.
    std::vector<TraceState> run(const std::string& script, uint32_t tick, int passes, const std::string& name,
                                bool dump = false)
    {
        fs::remove_all(dir + "/data");
        fs::copy(TAILGATE_DATA_DIR, dir + "/data", fs::copy_options::recursive);
        std::ofstream(dir + "/input.txt") << script;
        std::ostringstream cmd;
        cmd << "'" << TAILGATE_EXE << "' --headless --data '" << dir << "/data' --start-tick " << tick << " --input '"
            << dir << "/input.txt' --passes " << passes << (dump ? " --dump '" : " --trace '") << dir << "/" << name
            << ".jsonl' --audio-log '" << dir << "/" << name << ".log' > /dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.str().c_str()), 0);
        return read_trace(dir + "/" + name + ".jsonl");
    }

    // 1 when the audio log `name`.log has the line "pass op id".
    bool logged(const std::string& name, int pass, const std::string& op, int id)
    {
        std::ifstream in(dir + "/" + name + ".log");
        int p = 0, i = 0;
        std::string o;
        while (in >> p >> o >> i) {
            if (p == pass && o == op && i == id) {
                return true;
            }
        }
        return false;
    }

    std::string dir;
};

int key(const TraceState& s, const char* name)
{
    return s.at(name).as_int();
}

double num(const TraceState& s, const char* name)
{
    return s.at(name).number;
}

// The radio display's digits as one number: 1005 for "100.5 FM".
int radio(const TraceState& s)
{
    return key(s, "radio_freq_major") * 100 + key(s, "radio_station") * 10 + key(s, "radio_freq_minor");
}

TEST_F(DriveE2eTest, StoryPageIntoTrafficPassByPass)
{
    const std::string script = std::string(TO_THE_ROAD) +
                               "41 -SPACE +UP\n100 +LEFT\n170 -LEFT\n220 +H\n221 -H\n260 +S\n261 -S\n"
                               "330 -UP\n360 +DOWN\n380 -DOWN +UP +RIGHT\n";
    const int passes = 450;
    std::vector<TraceState> trace = run(script, 31337, passes, "drive");
    ASSERT_EQ(static_cast<int>(trace.size()), passes);

    EXPECT_NE(key(trace[PLAY_START - 1], "game_mode"), 5);
    const TraceState& first = trace[PLAY_START];
    EXPECT_EQ(key(first, "game_mode"), 5);
    EXPECT_EQ(key(first, "play_state"), PLAY_DRIVING);
    EXPECT_EQ(key(first, "clock_start"), 31337 + 33 * PLAY_START);
    EXPECT_EQ(key(first, "truck_x"), 576);  // from 580, clamped onto the road
    EXPECT_EQ(key(first, "score"), -1);     // and on the shoulder
    EXPECT_EQ(radio(first), 1005);
    EXPECT_TRUE(logged("drive", 220, "snd_play", 0));  // the horn on H
    EXPECT_TRUE(logged("drive", 299, "snd_play", 3));  // "ten-four" on the 80th frame

    for (int p = PLAY_START + 1; p < passes && !HasFailure(); ++p) {
        const TraceState& was = trace[p - 1];
        const TraceState& now = trace[p];
        SCOPED_TRACE("pass " + std::to_string(p));
        ASSERT_EQ(key(now, "truck_wrecked"), 0);
        bool up = p < 330 || p >= 380, down = p >= 360 && p < 380;
        bool left = p >= 100 && p < 170, right = p >= 380;

        // Keys, speed and the distance it covers, before the lane's limit.
        double accel = down ? -1.0 : up ? 1.0 : -0.5;
        EXPECT_EQ(num(now, "truck_accel"), accel);
        double speed = num(was, "truck_speed") + accel;
        EXPECT_EQ(key(now, "distance"), static_cast<int>(key(was, "distance") + speed));
        int lane = nearest_lane(key(now, "truck_x"));
        EXPECT_EQ(num(now, "truck_speed"), std::fmax(std::fmin(speed, 150 - 5 * lane), 0.0));

        // Steering by the speed of the previous frame, plus the wobble.
        double v = num(was, "truck_speed");
        int aimed = key(was, "truck_x") + (left ? static_cast<int>(0.5 - 0.05 * v) : 0) +
                    (right ? static_cast<int>(0.05 * v + 0.5) : 0);
        int x = key(now, "truck_x");
        EXPECT_TRUE(std::abs(x - aimed) <= 1 || (x == 576 && aimed >= 575) || (x == 128 && aimed <= 129)) << x;

        // Points: the shoulder, and 10 a contact (damaging ones cost 2).
        int shoulder = lane == 7 && key(was, "play_state") != PLAY_HELP_CALL;
        int damage_added = key(now, "damage") - key(was, "damage");
        int contacts = key(now, "score") - key(was, "score") + shoulder + 5 * damage_added;
        EXPECT_TRUE(damage_added >= 0 && damage_added % 2 == 0 && contacts >= 0 && contacts % 10 == 0);

        // The help call from H on, and the radio only on S.
        EXPECT_EQ(key(now, "play_state"), p >= 220 ? PLAY_HELP_CALL : PLAY_DRIVING);
        EXPECT_EQ(key(now, "help_calls"), p >= 220 ? 2 : 3);
        EXPECT_EQ(key(now, "help_timer"), p >= 220 ? p - 219 : 0);
        if (p != 260) {
            EXPECT_EQ(radio(now), radio(was));
        }

        // Lane markings scroll by a quarter of the speed on a 470 px cycle.
        for (int row = 2; row <= 8; ++row) {
            for (int k = 0; k < DASH_SLOTS; ++k) {
                int y = static_cast<int>(was.at("dash_y")[row][k].as_int() + 0.25 * num(now, "truck_speed"));
                EXPECT_EQ(now.at("dash_y")[row][k].as_int(), y >= 470 ? y - 470 : y);
            }
        }

        // Each intact vehicle moves by its speed (plus the creep) or is placed
        // anew well away from the truck; it keeps to the road and its band.
        int d = key(now, "distance");
        for (int i = 0; i < CAR_COUNT; ++i) {
            const TraceValue& car = now.at("traffic")[i];
            const TraceValue& before = was.at("traffic")[i];
            if (before[4].as_int() != 0) {
                continue;  // burning: it shakes and may be replaced
            }
            int moved = before[2].as_int() + before[5].as_int();
            int away = std::abs(car[2].as_int() - d);
            bool placed_anew = away >= 1000 && away <= 3999 && std::abs(moved - d) >= 4000;
            EXPECT_TRUE(car[2].as_int() - moved == 0 || car[2].as_int() - moved == 1 || placed_anew) << i;
            int n = nearest_lane(car[1].as_int());
            EXPECT_TRUE(car[1].as_int() >= 130 && car[1].as_int() <= 576) << "vehicle " << i;
            EXPECT_TRUE(car[5].as_int() >= 141 - 5 * n && car[5].as_int() <= 151 - 5 * n) << "vehicle " << i;
        }
    }
    EXPECT_NE(radio(trace[260]), 1005);
}

TEST_F(DriveE2eTest, SameStartTickSameDrive)
{
    const std::string script = std::string(TO_THE_ROAD) + "41 -SPACE +UP\n90 +LEFT\n";
    std::vector<TraceState> a = run(script, 4000, 160, "a");
    std::vector<TraceState> b = run(script, 4000, 160, "b");
    std::vector<TraceState> c = run(script, 4001, 160, "c");
    ASSERT_EQ(a.size(), 160u);
    ASSERT_EQ(c.size(), 160u);
    auto slurp = [this](const char* name) {
        std::ifstream in(dir + "/" + name + ".jsonl");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_TRUE(slurp("a") == slurp("b")) << "two runs from tick 4000 differ";
    EXPECT_NE(a[0].at("traffic")[0][2].as_int() * 1000 + a[0].at("traffic")[0][1].as_int(),
              c[0].at("traffic")[0][2].as_int() * 1000 + c[0].at("traffic")[0][1].as_int());
}

TEST_F(DriveE2eTest, WholeLevelOnTheShoulderReachesTheBattle)
{
    // Up and right held: the truck hugs the shoulder at 115, clear of the
    // lanes, and pays a point a frame for it.
    std::vector<TraceState> dump = run(std::string(TO_THE_ROAD) + "41 -SPACE +UP +RIGHT\n", 5000, 8800, "level", true);
    ASSERT_EQ(dump.size(), 1u);
    const TraceState& end = dump[0];
    EXPECT_EQ(key(end, "game_mode"), 5);
    EXPECT_EQ(key(end, "play_state"), PLAY_BATTLE);
    EXPECT_GE(key(end, "distance"), 1000000);
    EXPECT_LT(key(end, "distance"), 1000000 + 115);  // stopped on the first frame past the end
    EXPECT_EQ(key(end, "level_index"), 0);
    EXPECT_EQ(key(end, "battle_music_on"), 1);

    // The brakes squeal and the radio stops in the battle's first pass, the
    // battle music starts in the next; the shoulder cost a point a pass.
    int battle_pass = PLAY_START - key(end, "score");
    EXPECT_TRUE(logged("level", battle_pass, "snd_play", 8));  // brake.WAV
    EXPECT_TRUE(logged("level", battle_pass, "mus_stop", 0));  // A.MID, the radio
    EXPECT_TRUE(logged("level", battle_pass + 1, "mus_play", 9));  // Battle.MID
    EXPECT_FALSE(logged("level", battle_pass - 1, "snd_play", 8));
}

}  // namespace
