// The mixer as the device callback runs it: 11025 Hz sounds stretched to
// 44100 Hz stereo, summed with clipping, ending exactly at their last sample,
// and the music's sequencer and synthesiser underneath.
#include <cmath>

#include "audio_files.h"

using namespace audio_test;

namespace {

class Mixer : public AudioTest {
protected:
    void open_output() override { plat_audio_open_offline(); }
};

double rms(const std::vector<int16_t>& out)
{
    double sum = 0.0;
    for (int16_t v : out) {
        sum += double(v) * v;
    }
    return std::sqrt(sum / out.size());
}

// A sample's value in the mix: centred, 16-bit, at the effects' level.
int level(int sample) { return static_cast<int>(std::lround((sample - 128) * 256 * PLAT_MIX_EFFECTS_GAIN)); }

TEST_F(Mixer, SoundsLastFourFramesASampleAreInterpolatedAddUpAndAreLimited)
{
    EXPECT_EQ(rms(mix(300)), 0.0);  // silence while nothing plays
    int id = load_wav(wav(bytes_of(1000, 200)));
    snd_play(id);
    for (int16_t v : mix(3999)) {
        ASSERT_EQ(v, level(200));  // both channels
    }
    EXPECT_EQ(position(id), 999u);
    std::vector<int16_t> out = mix(2);
    EXPECT_EQ(out[0], level(200));  // the last frame of the sound
    EXPECT_EQ(out[2], 0);           // and then nothing
    EXPECT_FALSE(snd_is_playing(id));
    EXPECT_EQ(position(id), 0u);
    snd_play(id);
    mix(400);
    EXPECT_EQ(passes(1, id), 100u);  // the mixer keeps time, not the passes

    snd_init();
    snd_play(load_wav(wav(std::string{char(128), char(228), char(28)})));
    out = mix(13);
    const int expected[] = {128, 153, 178, 203, 228, 178, 128, 78, 28, 28, 28, 28, 128};
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(out[i], level(expected[i / 2])) << i;
    }

    snd_init();
    snd_play(load_wav(wav(bytes_of(100, 138))));
    snd_play(load_wav(wav(bytes_of(100, 148))));
    EXPECT_EQ(mix(1)[0], level(128 + 10 + 20));
    // Thirteen sounds at full swing are held at the ceiling, and once they
    // stop the limiter lets a quiet sound through unchanged again.
    for (int value : {255, 0}) {
        snd_init();
        for (int i = 0; i < 13; ++i) {
            snd_play(load_wav(wav(bytes_of(100, value))));
        }
        for (int16_t v : mix(400)) {
            ASSERT_NEAR(v, value ? PLAT_MIX_CEILING : -PLAT_MIX_CEILING, 1.0);
        }
        mix(44100);
        snd_play(load_wav(wav(bytes_of(100, 138))));
        EXPECT_NEAR(mix(1)[0], level(138), 2);
    }
}

TEST_F(Mixer, MusicIsRenderedStopsAndLiesUnderTheSounds)
{
    if (!plat_music_audible()) {
        FAIL() << "no SoundFont found (scripts/setup.sh installs timgm6mb-soundfont)";
    }
    int m = load_midi(tune(6, 480));
    mus_play(m);
    EXPECT_GT(rms(mix(22050)), 300.0);
    mus_stop(m);
    mix(2205);  // what was already sounding dies away
    EXPECT_LT(rms(mix(4410)), 30.0);
    mus_play(m);
    mix(4410);
    snd_play(load_wav(wav(bytes_of(20000, 255))));
    EXPECT_GT(rms(mix(4410)), level(255) * 0.9);
}

TEST_F(Mixer, BadSoundFontsArePassedOverAndAPieceStartsAgainAfterItsLastEvent)
{
    mus_shutdown();
    setenv("TAILGATE_SOUNDFONT", "no-such.sf2", 1);
    dir.write("broken.sf2", "not a soundfont");
    testing::internal::CaptureStderr();
    mus_init();
    std::string said = testing::internal::GetCapturedStderr();
    unsetenv("TAILGATE_SOUNDFONT");
    EXPECT_NE(said.find("no-such.sf2"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;

    // With a SoundFont found after them or none, the music keeps time.
    int m = load_midi(tune(1, 480));  // 0.5 s: 22050 frames
    mus_play(m);
    mix(20000);
    mus_play(m);  // the current piece starts over
    mix(22050);   // its last event is still due
    EXPECT_EQ(mus_status(m), MUSIC_PLAYING);
    // The radio keeps playing: at its end the piece goes round again.
    mix(22050 * 3 + 64);
    EXPECT_EQ(mus_status(m), MUSIC_PLAYING);
    if (plat_music_audible()) {
        EXPECT_GT(rms(mix(22050)), 300.0);
    }
    mus_stop(m);
    EXPECT_EQ(mus_status(m), MUSIC_STOPPED);
}

}  // namespace
