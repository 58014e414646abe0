// The real device path: SDL's disk driver gives a real callback thread with no
// sound card and writes what it mixes to a file. The game thread plays,
// stops, rewinds and polls meanwhile (run under ThreadSanitizer too). The
// music's rendering is checked offline, in the mixer tests.
#include <chrono>
#include <thread>

#include "audio_files.h"

using namespace audio_test;

namespace {

class AudioDevice : public AudioTest {
protected:
    std::string output = (dir.path / "out.raw").string();

    void open_output() override
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "4", 1);  // about six times faster than real time
        plat_audio_open();
        ASSERT_EQ(plat_audio_mode(), PLAT_AUDIO_DEVICE);
    }
};

TEST_F(AudioDevice, TheCallbackPlaysSoundsStartedByTheGameThread)
{
    std::vector<int> ids;
    for (int i = 0; i < 13; ++i) {
        std::string square;
        for (int n = 0; n < 600 + 200 * i; ++n) {
            square += char((n / 8) % 2 ? 228 : 28);
        }
        ids.push_back(load_wav(wav(square)));
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
    for (int waited = 0; waited < 10000 && snd_is_playing(ids[0]); waited += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(snd_is_playing(ids[0]));
    EXPECT_EQ(position(ids[0]), 0u);

    shut_down_audio();  // closes the file; its peak level (16-bit stereo) shows the squares
    std::string bytes = read_text(output);
    int peak = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        peak = std::max(peak, std::abs(int(int16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)))));
    }
    EXPECT_GT(peak, 20000);
}

}  // namespace
