// Cost of one audio callback (1024 frames at 44100 Hz, 23.2 ms of sound) with
// the thirteen effects playing at once over the music, against its period.
// The music is H.MID from the default data when it is there, otherwise a
// dense piece made here (eight channels of three-note chords).
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/audio.h"

namespace {

constexpr int CALLBACK_FRAMES = 1024;

std::string be32(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::vector<uint8_t> dense_piece()
{
    std::string track;
    for (int channel = 0; channel < 8; ++channel) {
        track += {char(0), char(0xC0 | channel), char(channel * 8)};
    }
    for (int step = 0; step < 480; ++step) {  // a minute of eighth notes at 120 bpm
        for (int channel = 0; channel < 8; ++channel) {
            for (int note = 0; note < 3; ++note) {
                track += {char(0), char(0x90 | channel), char(48 + channel * 3 + note * 4 + step % 5), char(90)};
            }
        }
        for (int channel = 0; channel < 8; ++channel) {
            for (int note = 0; note < 3; ++note) {
                char delta = channel == 0 && note == 0 ? char(120) : char(0);
                track += {delta, char(0x80 | channel), char(48 + channel * 3 + note * 4 + step % 5), char(0)};
            }
        }
    }
    track += {char(0), char(0xFF), char(0x2F), char(0)};
    std::string file = "MThd" + be32(6) + std::string{0, 0, 0, 1, 0, char(240)} + "MTrk" +
                       be32(static_cast<uint32_t>(track.size())) + track;
    return std::vector<uint8_t>(file.begin(), file.end());
}

double thread_cpu_seconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// The callback's share of its period, by the CPU time of the timed loop
// (the wall time of a loaded machine also counts other programs' turns).
void report_share(benchmark::State& state, double cpu_seconds)
{
    double period = double(CALLBACK_FRAMES) / PLAT_AUDIO_RATE;
    state.counters["period_ms"] = period * 1000.0;
    state.counters["share_of_period_pct"] = 100.0 * cpu_seconds / (double(state.iterations()) * period);
}

std::vector<uint8_t> read_file(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        std::fclose(file);
    }
    return bytes;
}

void BM_AudioCallback(benchmark::State& state)
{
    plat_audio_open_offline();
    plat_music_init();
    if (!plat_music_audible()) {
        state.SkipWithError("no SoundFont: the music would cost nothing");
        plat_audio_close();
        return;
    }
    // Argument 0: H.MID when present; 1: always the dense generated piece.
    std::vector<uint8_t> midi;
    if (state.range(0) == 0) {
        midi = read_file(std::string(TAILGATE_DATA_DIR) + "/H.MID");
    }
    PlatMusic* music = midi.empty() ? nullptr : plat_music_create(midi.data(), midi.size());
    const char* which = "H.MID";
    if (music == nullptr) {
        midi = dense_piece();
        music = plat_music_create(midi.data(), midi.size());
        which = "generated piece";
    }
    state.SetLabel(which);

    std::vector<PlatSound*> sounds;
    std::vector<uint8_t> noise(11025 * 30);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<uint8_t>(128 + ((i * 37) % 61) - 30);
    }
    for (int i = 0; i < 13; ++i) {
        sounds.push_back(plat_sound_create(noise.data(), static_cast<uint32_t>(noise.size())));
        plat_sound_play(sounds.back());
    }
    plat_music_play(music);

    std::vector<int16_t> out(2 * CALLBACK_FRAMES);
    double cpu_start = thread_cpu_seconds();
    for (auto _ : state) {
        plat_audio_mix(out.data(), CALLBACK_FRAMES);
        benchmark::DoNotOptimize(out.data());
        if (!plat_music_is_playing(music)) {
            plat_music_play(music);
        }
        for (PlatSound* sound : sounds) {
            plat_sound_play(sound);  // one that ended starts again
        }
    }
    report_share(state, thread_cpu_seconds() - cpu_start);

    for (PlatSound* sound : sounds) {
        plat_sound_release(sound);
    }
    plat_music_release(music);
    plat_audio_close();
}
BENCHMARK(BM_AudioCallback)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The sounds alone, without the synthesiser.
void BM_AudioCallbackSoundsOnly(benchmark::State& state)
{
    plat_audio_open_offline();
    std::vector<uint8_t> noise(11025 * 30, 140);
    std::vector<PlatSound*> sounds;
    for (int i = 0; i < 13; ++i) {
        sounds.push_back(plat_sound_create(noise.data(), static_cast<uint32_t>(noise.size())));
    }
    std::vector<int16_t> out(2 * CALLBACK_FRAMES);
    double cpu_start = thread_cpu_seconds();
    for (auto _ : state) {
        for (PlatSound* sound : sounds) {
            plat_sound_play(sound);
        }
        plat_audio_mix(out.data(), CALLBACK_FRAMES);
        benchmark::DoNotOptimize(out.data());
    }
    report_share(state, thread_cpu_seconds() - cpu_start);
    for (PlatSound* sound : sounds) {
        plat_sound_release(sound);
    }
    plat_audio_close();
}
BENCHMARK(BM_AudioCallbackSoundsOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
