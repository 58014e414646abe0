// The real device path: SDL's disk driver gives a real callback thread with no
// sound card and writes what it mixes to a file. The game thread plays,
// stops, rewinds and polls meanwhile (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio.h"
#include "audio_files.h"
#include "platform/audio.h"

using namespace audio_test;

namespace {

class AudioDevice : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string output;

    void SetUp() override
    {
        output = (dir.path / "out.raw").string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "4", 1);  // about six times faster than real time
        ASSERT_EQ(snd_init(), 1);
        ASSERT_EQ(plat_audio_mode(), PLAT_AUDIO_DEVICE);
    }
    void TearDown() override { shut_down_audio(); }

    // The peak level in what the device wrote (16-bit stereo).
    int recorded_peak()
    {
        shut_down_audio();  // closes the file
        std::ifstream in(output, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        int peak = 0;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            int v = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
            peak = std::max(peak, std::abs(v));
        }
        return peak;
    }

    template <typename Condition>
    static bool wait_for(Condition done, int timeout_ms)
    {
        for (int waited = 0; waited < timeout_ms; waited += 5) {
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }
};

std::string square_wave(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) {
        s += static_cast<char>((i / 8) % 2 ? 228 : 28);
    }
    return s;
}

TEST_F(AudioDevice, TheCallbackPlaysSoundsStartedByTheGameThread)
{
    std::vector<int> ids;
    for (int i = 0; i < 13; ++i) {
        dir.write("s.WAV", wav(square_wave(600 + 200 * i)));
        ids.push_back(snd_load_wav("s.WAV", 0));
        ASSERT_EQ(ids.back(), i);
    }
    // The game thread works the buffers while the callback mixes them.
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    for (unsigned n = 0; std::chrono::steady_clock::now() < until; ++n) {
        int id = ids[n % ids.size()];
        switch ((n / 13) % 4) {
        case 0: snd_play(id); break;
        case 1: if (!snd_is_playing(id)) snd_play(id); break;
        case 2: if (snd_is_playing(id)) snd_rewind(id); else snd_play(id); break;
        default: snd_stop(id); break;
        }
    }
    for (int id : ids) {
        snd_stop(id);
        snd_rewind(id);
    }

    // A sound started alone plays to its end and stops at its start.
    snd_play(ids[0]);
    EXPECT_TRUE(snd_is_playing(ids[0]));
    EXPECT_TRUE(wait_for([&] { return !snd_is_playing(ids[0]); }, 5000));
    EXPECT_EQ(plat_sound_position(sound_slots[ids[0]].buffer), 0u);
    EXPECT_GT(recorded_peak(), 20000);
}

TEST_F(AudioDevice, MusicPlaysThroughTheDeviceToItsEnd)
{
    testing::internal::CaptureStderr();
    mus_init();
    testing::internal::GetCapturedStderr();
    if (!plat_music_audible()) {
        GTEST_SKIP() << "no SoundFont on this machine";
    }
    dir.write("m.MID", tune(2, 240));  // 0.5 s
    int m = mus_load_midi("m.MID");
    ASSERT_EQ(mus_play(m), 1);
    EXPECT_EQ(mus_status(m), MUSIC_PLAYING);
    EXPECT_TRUE(wait_for([&] { return mus_status(m) == MUSIC_STOPPED; }, 10000));
    EXPECT_EQ(music_slots[m].state, MUSIC_STOPPED);
    EXPECT_GT(recorded_peak(), 1000);
}

}  // namespace
