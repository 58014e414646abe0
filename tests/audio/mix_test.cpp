// The mix as a player hears it: the game's own sounds and music, started and
// stopped pass by pass as a headless run's audio log has them, rendered
// through the real mixer one part at a time (music, effects, voice: stems of
// the same passes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/audio.h"
#include "platform/headless.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;

struct LogEvent {
    int pass;
    std::string call;
    int id;
};

// The audio log of a headless run of the game with `script` (an input
// script, or a recording with --replay) for `passes` passes.
std::vector<LogEvent> audio_log(const std::string& name, const std::string& script_option, int passes)
{
    const fs::path dir = fs::temp_directory_path() / ("tailgate_mix_" + name + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    EXPECT_TRUE(test_support::copy_game_data(dir / "data"));
    const fs::path log = dir / "audio.txt";
    const std::string command = std::string(TAILGATE_EXE) + " --headless --data " + (dir / "data").string() + " " +
                                script_option + " --passes " + std::to_string(passes) + " --audio-log " + log.string() +
                                " > /dev/null 2>&1";
    EXPECT_EQ(test_support::run_status(command), 0) << command;
    std::vector<LogEvent> events;
    for (const std::string& line : test_support::read_lines(log)) {
        std::istringstream in(line);
        LogEvent e{};
        if (in >> e.pass >> e.call >> e.id) {
            events.push_back(e);
        }
    }
    fs::remove_all(dir);
    return events;
}

// Renders passes [0, passes) of the log through the mixer with only `stems`
// heard: the mono mix, 44100 frames a second.
std::vector<float> render(const std::vector<LogEvent>& events, int passes, unsigned stems)
{
    const fs::path before = fs::current_path();
    fs::current_path(TAILGATE_DATA_DIR);
    plat_use_backend(PLAT_HEADLESS, 1000);
    plat_audio_open_offline();
    plat_audio_set_stems(stems);
    testing::internal::CaptureStderr();
    EXPECT_EQ(snd_init(), 1);
    snd_load_all();
    EXPECT_EQ(mus_init(), 1);
    mus_load_all();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(plat_music_audible());
    fs::current_path(before);

    std::vector<float> out;
    std::vector<int16_t> block;
    size_t next = 0;
    int64_t frames_done = 0;
    for (int pass = -1; pass < passes; ++pass) {
        for (; next < events.size() && events[next].pass <= pass; ++next) {
            const LogEvent& e = events[next];
            if (e.call == "snd_play") {
                snd_play(e.id);
            } else if (e.call == "snd_stop") {
                snd_stop(e.id);
            } else if (e.call == "snd_rewind") {
                snd_rewind(e.id);
            } else if (e.call == "mus_play") {
                mus_play(e.id);
            } else if (e.call == "mus_stop") {
                mus_stop(e.id);
            }
        }
        if (pass < 0) {
            continue;
        }
        const int64_t frames_end = static_cast<int64_t>(pass + 1) * PLAT_AUDIO_RATE * 33 / 1000;
        const int frames = static_cast<int>(frames_end - frames_done);
        frames_done = frames_end;
        block.assign(2 * frames, 0);
        plat_audio_mix(block.data(), frames);
        for (int i = 0; i < frames; ++i) {
            out.push_back(0.5f * (block[2 * i] + block[2 * i + 1]));
        }
    }
    mus_shutdown();
    snd_shutdown();
    plat_audio_close();
    plat_audio_set_stems(PLAT_STEM_ALL);
    plat_use_backend(PLAT_WINDOW, 1000);
    return out;
}

double db(double power)
{
    return 10.0 * std::log10(std::max(power, 1e-12));
}

// Levels (dB of mean power) of the 50 ms windows of [from, to) seconds.
std::vector<double> window_levels(const std::vector<float>& mix, double from, double to)
{
    constexpr int WINDOW = PLAT_AUDIO_RATE / 20;
    std::vector<double> levels;
    const size_t end = std::min(mix.size(), static_cast<size_t>(to * PLAT_AUDIO_RATE));
    for (size_t start = static_cast<size_t>(from * PLAT_AUDIO_RATE); start + WINDOW <= end; start += WINDOW) {
        double sum = 0.0;
        for (int i = 0; i < WINDOW; ++i) {
            sum += double(mix[start + i]) * mix[start + i];
        }
        levels.push_back(db(sum / WINDOW));
    }
    return levels;
}

double percentile(std::vector<double> levels, double p)
{
    if (levels.empty()) {
        return -120.0;
    }
    std::sort(levels.begin(), levels.end());
    return levels[static_cast<size_t>(p * (levels.size() - 1))];
}

// The mean power of [from, to) seconds, in dB.
double level(const std::vector<float>& mix, double from, double to)
{
    const size_t begin = static_cast<size_t>(from * PLAT_AUDIO_RATE);
    const size_t end = std::min(mix.size(), static_cast<size_t>(to * PLAT_AUDIO_RATE));
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i) {
        sum += double(mix[i]) * mix[i];
    }
    return db(sum / std::max<size_t>(end - begin, 1));
}

}  // namespace

TEST(Mix, TheNarrationSitsAboveTheDuckedMusicAndTheEffectsReachTheMusicsLoudLevel)
{
    // The story: the first page's narration over its music, from pass 21
    // (S on the menu) for about half a minute.
    constexpr int STORY_PASSES = 1100;
    const std::vector<LogEvent> story =
        audio_log("story", "--input " + std::string(TAILGATE_SOURCE_DIR) + "/tests/data/mix_story.txt", STORY_PASSES);
    const std::vector<float> story_music = render(story, STORY_PASSES, PLAT_STEM_MUSIC);
    const std::vector<float> story_voice = render(story, STORY_PASSES, PLAT_STEM_VOICE);
    const std::vector<float> story_all = render(story, STORY_PASSES, PLAT_STEM_ALL);
    constexpr double SPEAKS_FROM = 1.5;  // after the first words
    constexpr double SPEAKS_TO = 33.0;
    const double voice = level(story_voice, SPEAKS_FROM, SPEAKS_TO);
    const double music = level(story_music, SPEAKS_FROM, SPEAKS_TO);
    printf("narration %.1f dB over the music under it (voice %.1f, music %.1f dB)\n", voice - music, voice, music);
    EXPECT_GE(voice - music, 6.0);
    // The whole mix is the parts together: nothing is lost or added.
    EXPECT_NEAR(level(story_all, SPEAKS_FROM, SPEAKS_TO), db(std::pow(10.0, voice / 10) + std::pow(10.0, music / 10)),
                1.0);

    // Driving: the first level of the whole game's recording, with its
    // engine, crashes and horns over the radio.
    constexpr int DRIVE_PASSES = 2400;
    const std::vector<LogEvent> drive = audio_log(
        "drive", "--replay " + std::string(TAILGATE_SOURCE_DIR) + "/tests/data/games/whole_game.txt", DRIVE_PASSES);
    const std::vector<float> drive_music = render(drive, DRIVE_PASSES, PLAT_STEM_MUSIC);
    const std::vector<float> drive_effects = render(drive, DRIVE_PASSES, PLAT_STEM_EFFECTS);
    constexpr double DRIVE_FROM = 2.0;  // the level begins at pass 42
    const double drive_to = DRIVE_PASSES * 0.033;
    const std::vector<double> music_levels = window_levels(drive_music, DRIVE_FROM, drive_to);
    std::vector<double> effect_levels;
    for (double l : window_levels(drive_effects, DRIVE_FROM, drive_to)) {
        if (l > 20.0) {  // a sound plays (silence is far below)
            effect_levels.push_back(l);
        }
    }
    const double music_p50 = percentile(music_levels, 0.5);
    const double music_p90 = percentile(music_levels, 0.9);
    const double effects_loud = percentile(effect_levels, 0.95);
    printf("effects' loud moments (95th percentile) %.1f dB; music median %.1f dB, 90th percentile %.1f dB\n",
           effects_loud, music_p50, music_p90);
    ASSERT_FALSE(effect_levels.empty());
    EXPECT_GE(effects_loud, music_p90);
}

// The player's volumes are heard at once, in the next block the mixer makes:
// half the effects' volume is 6 dB down, no music is silence.
TEST(Mix, AVolumeChangeIsHeardAtOnce)
{
    std::vector<LogEvent> horn_over_music = {{-1, "mus_play", 0}, {0, "snd_play", 0}};
    auto rendered = [&](int music, int effects, unsigned stems) {
        plat_audio_set_volumes(music, effects);
        std::vector<float> out = render(horn_over_music, 20, stems);
        plat_audio_set_volumes(100, 100);
        return level(out, 0.1, 0.6);
    };
    const double full = rendered(100, 100, PLAT_STEM_EFFECTS);
    EXPECT_NEAR(rendered(100, 50, PLAT_STEM_EFFECTS), full - 6.02, 0.1);
    EXPECT_LT(rendered(0, 100, PLAT_STEM_MUSIC), -100.0);
    EXPECT_GT(rendered(100, 100, PLAT_STEM_MUSIC), 30.0);
}
