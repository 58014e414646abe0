// The front-end screens and the story pages, driven through the real game
// in headless mode with scripted keys.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "frontend/frontend.h"
#include "frontend/game_run.h"
#include "platform/host.h"
#include "shell/random.h"

using game_run::AudioCall;
using game_run::GameRun;
using game_run::integer;
using game_run::integers;
using game_run::number;

namespace {

// The default data loads every sound and piece of music, so the ids are
// the load order.
constexpr int SFX_CAR = 1;
constexpr int SFX_STORY1 = 4;
constexpr int SFX_BEEP = 9;
constexpr int SFX_STORY2 = 10;
constexpr int SFX_STORY3 = 11;
constexpr int SFX_STORY4 = 12;
constexpr int MUSIC_A = 0;
constexpr int MUSIC_C = 2;

// Title to menu: space down in pass 0, up in pass 1.
const char* const kToMenu = "0 +SPACE\n1 -SPACE\n";

long long mode_at(const GameRun& run, int pass)
{
    return integer(run.trace.at(pass), "game_mode");
}

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::string x = game_run::read_text(a);
    return !x.empty() && x == game_run::read_text(b);
}

TEST(FrontEnd, SpaceHeldOnTheTitleShowsTheMenuAtOnceAndStays)
{
    GameRun run;
    ASSERT_EQ(run.play("0 +SPACE\n", 4, {0}, true), 0);
    ASSERT_EQ(run.trace.size(), 4u);
    for (int pass = 0; pass < 4; ++pass) {
        EXPECT_EQ(mode_at(run, pass), MODE_MENU) << pass;
    }
    // One flicker draw per menu frame, nothing else.
    for (int pass = 1; pass < 4; ++pass) {
        game_srand(static_cast<uint32_t>(integer(run.trace[pass - 1], "rand_state")));
        game_rand();
        EXPECT_EQ(static_cast<uint32_t>(integer(run.trace[pass], "rand_state")), rand_state) << pass;
    }
}

TEST(FrontEnd, ControlsAndCreditsShowInTheFrameOfTheirKeyAndSpaceReturns)
{
    GameRun run;
    std::string script = std::string(kToMenu) +
                         "3 +C\n4 -C\n6 +SPACE\n7 -SPACE\n9 +R\n10 -R\n12 +SPACE\n13 -SPACE\n";
    ASSERT_EQ(run.play(script, 15, {2, 3, 4, 9, 10}, true), 0);
    const long long expected[15] = {1, 1, 1, 2, 2, 2, 1, 1, 1, 3, 3, 3, 1, 1, 1};
    for (int pass = 0; pass < 15; ++pass) {
        EXPECT_EQ(mode_at(run, pass), expected[pass]) << pass;
    }
    // The controls image is already on the screen in the key's own frame.
    EXPECT_TRUE(same_file(run.shot(3), run.shot(4)));
    EXPECT_FALSE(same_file(run.shot(2), run.shot(3)));
    EXPECT_TRUE(same_file(run.shot(9), run.shot(10)));
    EXPECT_FALSE(same_file(run.shot(3), run.shot(9)));

    int beeps = 0;
    for (const AudioCall& call : run.audio) {
        if (call.op == "snd_play") {
            EXPECT_EQ(call.id, SFX_BEEP);
            EXPECT_TRUE(call.pass == 3 || call.pass == 9) << call.pass;
            ++beeps;
        }
    }
    EXPECT_EQ(beeps, 2);
}

TEST(FrontEnd, StoryAndHighScoreKeysTogetherEndInTheHighScoreViewWithTwoBeeps)
{
    GameRun run;
    ASSERT_EQ(run.play(std::string(kToMenu) + "3 +S +H\n4 -S -H\n", 6, {}, true), 0);
    EXPECT_EQ(mode_at(run, 3), MODE_HISCORES);
    EXPECT_EQ(mode_at(run, 5), MODE_HISCORES);
    std::vector<AudioCall> calls = run.audio_in_pass(3);
    ASSERT_EQ(calls.size(), 2u);  // no story music: the page was never drawn
    for (const AudioCall& call : calls) {
        EXPECT_EQ(call.op, "snd_play");
        EXPECT_EQ(call.id, SFX_BEEP);
    }
    EXPECT_EQ(number(run.dump, "story_scroll"), 0.0);
    EXPECT_EQ(integer(run.dump, "story_audio_started"), 0);
}

// Replays the high-score frame's spark step on the state before it.
void step_sparks(std::vector<long long>* sparks, int* exact_zero)
{
    for (size_t i = 0; i + 2 < sparks->size(); i += 3) {
        long long& x = (*sparks)[i];
        long long& y = (*sparks)[i + 1];
        long long& speed = (*sparks)[i + 2];
        game_rand();  // its colour
        y -= speed;
        if (y == 0) {
            ++*exact_zero;
        }
        if (y < 0) {
            y = 630;
            x = game_rand() % 450 + 130;
            speed = game_rand() % 10 + 1;
        }
    }
}

TEST(FrontEnd, SparksRiseRespawnBelowAndCarryOverBetweenVisits)
{
    GameRun run;
    std::string script = std::string(kToMenu) + "3 +H\n4 -H\n30 +SPACE\n31 -SPACE\n40 +H\n41 -H\n";
    ASSERT_EQ(run.play(script, 80, {60}, true), 0);
    ASSERT_EQ(run.trace.size(), 80u);

    int exact_zero = 0;
    int respawned = 0;
    for (int pass = 3; pass < 80; ++pass) {
        const std::string& before = run.trace[pass - 1];
        const std::string& after = run.trace[pass];
        game_srand(static_cast<uint32_t>(integer(before, "rand_state")));
        std::vector<long long> sparks = integers(before, "sparks");
        ASSERT_EQ(sparks.size(), 900u);
        long long mode_before = integer(before, "game_mode");
        if (mode_before == MODE_MENU) {
            game_rand();  // the menu's flicker
        }
        bool shown = mode_before == MODE_HISCORES || mode_at(run, pass) == MODE_HISCORES;
        if (shown) {
            std::vector<long long> old = sparks;
            step_sparks(&sparks, &exact_zero);
            for (size_t i = 1; i < old.size(); i += 3) {
                respawned += sparks[i] == 630;
            }
        }
        EXPECT_EQ(integers(after, "sparks"), sparks) << pass;
        EXPECT_EQ(static_cast<uint32_t>(integer(after, "rand_state")), rand_state) << pass;
    }
    EXPECT_EQ(mode_at(run, 35), MODE_MENU);
    EXPECT_EQ(mode_at(run, 40), MODE_HISCORES);
    EXPECT_GT(exact_zero, 0);  // the case of a spark at y 0 did occur
    EXPECT_GT(respawned, 0);
}

TEST(FrontEnd, TheFrameWithQIsDrawnAndNothingAfterIt)
{
    GameRun run;
    // No pass limit: Q ends the program by itself.
    ASSERT_EQ(run.play(std::string(kToMenu) + "3 +C +Q\n", -1, {2, 3}, true), 0);
    ASSERT_GE(run.trace.size(), 4u);
    EXPECT_LT(run.trace.size(), 10u);
    EXPECT_EQ(integer(run.trace[3], "quit_requested"), 1);
    EXPECT_EQ(mode_at(run, 3), MODE_CONTROLS);  // the controls frame was still run
    EXPECT_FALSE(same_file(run.shot(2), run.shot(3)));
    EXPECT_EQ(integer(run.dump, "quit_requested"), 1);
    // No later frame draws the menu flicker or anything else.
    for (size_t pass = 4; pass < run.trace.size(); ++pass) {
        EXPECT_EQ(integer(run.trace[pass], "rand_state"), integer(run.trace[3], "rand_state"));
        EXPECT_EQ(mode_at(run, static_cast<int>(pass)), MODE_CONTROLS);
    }
}

TEST(Story, StoryKeyAndSpaceTogetherStartPlayInTheSameFrame)
{
    GameRun run;
    ASSERT_EQ(run.play(std::string(kToMenu) + "3 +S +SPACE\n4 -S -SPACE\n", 5, {}, true), 0);
    const std::string& state = run.trace.at(3);
    EXPECT_EQ(integer(state, "game_mode"), MODE_PLAY);
    EXPECT_EQ(number(state, "story_scroll"), 0.0);
    EXPECT_EQ(integer(state, "story_audio_started"), 0);
    EXPECT_EQ(integer(state, "level_index"), 0);
    EXPECT_EQ(integer(state, "clock_start"), 1000 + 33 * 3);

    // Beep, page 0's music and narration, then the play start in its order
    // (play itself follows in the same frame: with S still down it retunes
    // the radio, so radio_station is not looked at here).
    // (mus_play stopping the music before it is its own business.)
    std::vector<AudioCall> calls;
    for (const AudioCall& call : run.audio_in_pass(3)) {
        if (call.op != "mus_stop") {
            calls.push_back(call);
        }
    }
    const AudioCall expected[] = {{3, "snd_play", SFX_BEEP},   {3, "mus_play", MUSIC_C},
                                  {3, "snd_play", SFX_STORY1}, {3, "mus_play", MUSIC_A},
                                  {3, "snd_stop", SFX_STORY1}, {3, "snd_stop", SFX_STORY2},
                                  {3, "snd_stop", SFX_STORY3}, {3, "snd_stop", SFX_STORY4},
                                  {3, "snd_play", SFX_CAR}};
    ASSERT_GE(calls.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(calls[i].op, expected[i].op) << i;
        EXPECT_EQ(calls[i].id, expected[i].id) << i;
    }
}

TEST(Story, PageRollsByRepeatedAdditionsStopsAt350AndStartsItsAudioOnce)
{
    GameRun run;
    constexpr int kFirst = 3;  // the page's first frame
    constexpr int kPasses = kFirst + 1200;
    ASSERT_EQ(run.play(std::string(kToMenu) + "3 +S\n4 -S\n", kPasses, {kFirst, kFirst + 300}, true), 0);
    ASSERT_EQ(run.trace.size(), static_cast<size_t>(kPasses));

    double expected = 0.0;
    int steps = 0;
    for (int pass = kFirst; pass < kPasses; ++pass) {
        if (expected < 350.0) {
            expected += 0.3;
            ++steps;
        }
        ASSERT_EQ(number(run.trace[pass], "story_scroll"), expected) << pass;
        ASSERT_EQ(mode_at(run, pass), MODE_STORY);
    }
    EXPECT_EQ(steps, 1167);
    EXPECT_EQ(static_cast<int>(expected), 350);

    // After 3 steps the title has not moved, after 4 it is up one pixel,
    // after 10 the sum is still just below 3.
    double after3 = number(run.trace[kFirst + 2], "story_scroll");
    EXPECT_LT(after3, 0.9);
    EXPECT_EQ(static_cast<int>(after3), 0);
    EXPECT_EQ(static_cast<int>(number(run.trace[kFirst + 3], "story_scroll")), 1);
    double after10 = number(run.trace[kFirst + 9], "story_scroll");
    EXPECT_EQ(after10, 2.9999999999999996);
    EXPECT_EQ(static_cast<int>(after10), 2);

    int music = 0;
    int narration = 0;
    for (const AudioCall& call : run.audio) {
        if (call.pass < kFirst) {
            continue;
        }
        if (call.op == "mus_play") {
            EXPECT_EQ(call.id, MUSIC_C);
            EXPECT_EQ(call.pass, kFirst);
            ++music;
        } else if (call.op == "snd_play" && call.id == SFX_STORY1) {
            EXPECT_EQ(call.pass, kFirst);
            ++narration;
        }
    }
    EXPECT_EQ(music, 1);
    EXPECT_EQ(narration, 1);
}

// The bottom row is painted black over the text: at the page's first frame
// the third line (base y 475) crosses it.
TEST(Story, BottomRowIsBlackOverTheText)
{
    GameRun run;
    ASSERT_EQ(run.play(std::string(kToMenu) + "3 +S\n4 -S\n", 4, {3}), 0);
    std::vector<uint8_t> rgb;
    int w = 0;
    int h = 0;
    ASSERT_TRUE(plat_read_png(run.shot(3).c_str(), &rgb, &w, &h));
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    auto pixel = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; };
    for (int x = 0; x < 640; ++x) {
        const uint8_t* p = pixel(x, 479);
        ASSERT_LT(p[0] + p[1] + p[2], 30) << x;
    }
    // Text in red crosses the rows just above it.
    int red = 0;
    for (int y = 470; y < 479; ++y) {
        for (int x = 100; x < 600; ++x) {
            const uint8_t* p = pixel(x, y);
            red += p[0] > 150 && p[1] < 80 && p[2] < 80;
        }
    }
    EXPECT_GT(red, 0);
}

}  // namespace
