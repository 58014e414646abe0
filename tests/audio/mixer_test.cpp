// The mixer as the device callback runs it: 11025 Hz sounds stretched to
// 44100 Hz stereo, summed with clipping, ending exactly at their last sample,
// and the synthesised music underneath.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "audio_files.h"
#include "platform/audio.h"

using namespace audio_test;

namespace {

class Mixer : public ::testing::Test {
protected:
    ScratchDir dir;

    void SetUp() override
    {
        plat_audio_open_offline();
        ASSERT_EQ(snd_init(), 1);
    }
    void TearDown() override { shut_down_audio(); }

    int load(const std::string& data)
    {
        dir.write("t.WAV", wav(data));
        return snd_load_wav("t.WAV", 0);
    }
    static std::vector<int16_t> mix(int frames)
    {
        std::vector<int16_t> out(2 * frames, 12345);
        plat_audio_mix(out.data(), frames);
        return out;
    }
    static double rms(const std::vector<int16_t>& out)
    {
        double sum = 0.0;
        for (int16_t v : out) {
            sum += double(v) * v;
        }
        return out.empty() ? 0.0 : std::sqrt(sum / out.size());
    }
};

TEST_F(Mixer, SilenceWhenNothingPlays)
{
    std::vector<int16_t> out = mix(300);
    for (int16_t v : out) {
        ASSERT_EQ(v, 0);
    }
}

TEST_F(Mixer, ASoundLastsFourDeviceFramesPerSampleThenStopsAtTheStart)
{
    int id = load(samples(1000, 200));
    snd_play(id);
    std::vector<int16_t> out = mix(3999);
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out[i], (200 - 128) * 256) << i;  // both channels, full level
    }
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_EQ(plat_sound_position(sound_slots[id].buffer), 999u);
    out = mix(2);
    EXPECT_EQ(out[0], (200 - 128) * 256);  // the last frame of the sound
    EXPECT_EQ(out[2], 0);                  // and then nothing
    EXPECT_FALSE(snd_is_playing(id));
    EXPECT_EQ(plat_sound_position(sound_slots[id].buffer), 0u);

    // The device keeps time itself: the end of a pass moves nothing.
    snd_play(id);
    mix(400);
    plat_audio_end_pass();
    EXPECT_EQ(plat_sound_position(sound_slots[id].buffer), 100u);
}

TEST_F(Mixer, SamplesAreInterpolatedBetweenNeighbours)
{
    int id = load(std::string{char(128), char(228), char(28)});
    snd_play(id);
    std::vector<int16_t> out = mix(13);
    const int expected[] = {0, 6400, 12800, 19200, 25600, 12800, 0, -12800, -25600, -25600, -25600, -25600, 0};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(out[2 * i], expected[i]) << i;
        EXPECT_EQ(out[2 * i + 1], expected[i]) << i;
    }
}

TEST_F(Mixer, ManySoundsAddUpAndClip)
{
    std::vector<int> loud;
    for (int i = 0; i < 13; ++i) {
        loud.push_back(load(samples(100, 255)));
    }
    int quiet_a = load(samples(100, 138));
    int quiet_b = load(samples(100, 148));

    snd_play(quiet_a);
    snd_play(quiet_b);
    EXPECT_EQ(mix(1)[0], (10 + 20) * 256);

    for (int id : loud) {
        snd_play(id);
    }
    std::vector<int16_t> out = mix(8);
    for (int16_t v : out) {
        EXPECT_EQ(v, 32767);
    }
    snd_init();
    for (int i = 0; i < 13; ++i) {
        snd_play(load(samples(100, 0)));
    }
    out = mix(8);
    for (int16_t v : out) {
        EXPECT_EQ(v, -32768);
    }
}

TEST_F(Mixer, MusicIsRenderedAndStops)
{
    testing::internal::CaptureStderr();
    mus_init();
    testing::internal::GetCapturedStderr();
    if (!plat_music_audible()) {
        GTEST_SKIP() << "no SoundFont on this machine";
    }
    dir.write("m.MID", tune(6, 480));
    int m = mus_load_midi("m.MID");
    ASSERT_EQ(m, 0);
    EXPECT_LT(rms(mix(4410)), 1.0);
    mus_play(m);
    std::vector<int16_t> out = mix(22050);
    EXPECT_GT(rms(out), 300.0);
    bool stereo_differs = false;
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
        stereo_differs = stereo_differs || out[i] != out[i + 1];
    }
    EXPECT_TRUE(stereo_differs);  // the synth's own stereo image

    mus_stop(m);
    mix(2205);  // what was already sounding dies away
    EXPECT_LT(rms(mix(4410)), 30.0);

    // A sound mixes over the music.
    mus_play(m);
    mix(4410);
    int id = load(samples(20000, 255));
    snd_play(id);
    out = mix(4410);
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_GT(rms(out), 20000.0);
}

TEST_F(Mixer, SoundFontsThatDoNotLoadArePassedOver)
{
    setenv("TAILGATE_SOUNDFONT", "no-such.sf2", 1);
    dir.write("broken.sf2", "not a soundfont");
    testing::internal::CaptureStderr();
    mus_init();
    std::string said = testing::internal::GetCapturedStderr();
    unsetenv("TAILGATE_SOUNDFONT");
    EXPECT_NE(said.find("no-such.sf2"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;

    // With or without a SoundFont found after them, the music keeps time.
    dir.write("m.MID", tune(1, 480));
    int m = mus_load_midi("m.MID");
    mus_play(m);
    mix(22050);
    EXPECT_EQ(mus_status(m), MUSIC_PLAYING);
    mix(22050 + 64);
    EXPECT_EQ(mus_status(m), MUSIC_STOPPED);
}

}  // namespace
