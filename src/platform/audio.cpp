// The sound output: the mixer of the one-shot sound buffers and the MIDI
// sequencer that feeds the system's synthesiser, pulled by the system's sound
// device (platform/system.h).
//
// Threads: the game thread plays, stops, rewinds and polls; the device's
// callback mixes. Every piece of state below that the callback reads is
// touched by the game thread only while it holds the device lock (the device
// takes the same lock around each callback), and only for a few instructions: the
// callback never waits long, never allocates and never touches a file.
#include "platform/audio.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/audio_midi.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "platform/run_mode.h"
#include "platform/settings.h"
#include "platform/system.h"

struct PlatSound {
    std::vector<uint8_t> samples;
    // Play position in thousandths of a sample, so that both the device's
    // quarter-sample steps and a pass's 363.825 samples stay exact.
    uint64_t position;
    bool playing;
    // What the device plays, when sounds keep time by passes: the game's
    // view above moves pass by pass, the voice here sample by sample.
    uint64_t mix_position;
    bool mix_playing;
    bool voice;  // narration: the music steps down under it
};

namespace {

constexpr uint64_t POSITION_UNIT = 1000;
constexpr uint64_t STEP_PER_DEVICE_FRAME = POSITION_UNIT * PLAT_SOUND_RATE / PLAT_AUDIO_RATE;  // 250
constexpr uint64_t STEP_PER_PASS = POSITION_UNIT * PLAT_SOUND_RATE * PLAT_FRAME_MS / 1000;     // 363825
constexpr int DEVICE_FRAMES = 1024;
constexpr int MIX_BLOCK = 64;
// The music's level in the mix, under the effects: measured on the game's
// own passes (tests/audio/mix_test.cpp), the effects' loud moments reach the
// music's loud ones, and the narration stands well above the music ducked
// under it.
constexpr float MUSIC_GAIN = 0.75f;
// How fast the limiter's gain comes back after a peak (most of the way in
// about 0.1 s at 44.1 kHz).
constexpr float LIMITER_RELEASE = 1.0f / 4410.0f;
float limiter_gain = 1.0f;

// Ducking: while a voice speaks, the music steps down to DUCK_GAIN, in
// about 50 ms, and comes back in about half a second once it is done.
constexpr float DUCK_GAIN = 0.4f;            // -8 dB
constexpr float DUCK_ATTACK = 1.0f - 0.97f;  // per block of 64 frames
constexpr float DUCK_RELEASE = 1.0f - 0.995f;
float duck_gain = 1.0f;
// Which parts are heard (all but for measuring the mix part by part).
unsigned stems = PLAT_STEM_ALL;

// The player's volumes (1: as mastered) and SoundFont.
float music_volume = 1.0f;
float effects_volume = 1.0f;
std::string soundfont_setting;
bool pass_time;  // sounds keep time by passes even with a device

int audio_mode = PLAT_AUDIO_CLOSED;
bool audio_device = false;

PlatSound* sound_list[PLAT_AUDIO_MAX_SOUNDS];
int sound_count = 0;

bool synth = false;  // the system's synthesiser renders the music
bool music_ready = false;

// The sequencer: which piece plays, its next event and how far it has got.
PlatMusic* music_piece = nullptr;
bool music_on = false;
size_t music_next = 0;
uint64_t music_frame = 0;
uint32_t music_start_tick = 0;  // for silent time-keeping
uint32_t (*music_clock)();      // the game's clock, for the same

uint32_t music_clock_now()
{
    return music_clock ? music_clock() : 0;
}

// Holds the device lock for the scope (no-op without a device).
struct AudioLock {
    AudioLock() { plat_sys_audio_lock(); }
    ~AudioLock() { plat_sys_audio_unlock(); }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
};

void send_event(const MidiEvent& e)
{
    int channel = e.status & 0x0F;
    switch (e.status & 0xF0) {
    case 0x80:
        plat_sys_synth_note_off(channel, e.data1);
        break;
    case 0x90:
        plat_sys_synth_note_on(channel, e.data1, e.data2);
        break;
    case 0xA0:
        plat_sys_synth_key_pressure(channel, e.data1, e.data2);
        break;
    case 0xB0:
        plat_sys_synth_controller(channel, e.data1, e.data2);
        break;
    case 0xC0:
        plat_sys_synth_program(channel, e.data1);
        break;
    case 0xD0:
        plat_sys_synth_channel_pressure(channel, e.data1);
        break;
    case 0xE0:
        plat_sys_synth_pitch_bend(channel, e.data1 | (e.data2 << 7));
        break;
    default:
        break;
    }
}

// Mixes one block of at most MIX_BLOCK frames into `acc` (left, right pairs).
void mix_block(float* acc, int frames)
{
    if (music_on && music_piece != nullptr) {
        const std::vector<MidiEvent>& events = music_piece->events;
        uint64_t block_end = music_frame + frames;
        while (music_next < events.size() && events[music_next].frame < block_end) {
            if (synth) {
                send_event(events[music_next]);
            }
            ++music_next;
        }
        music_frame = block_end;
        if (music_frame >= music_piece->end_frame && music_next >= events.size()) {
            // Played to its end: the radio goes on with the piece from the
            // top, as a station would (the last notes ring into it).
            music_next = 0;
            music_frame = 0;
        }
    }
    if (synth && (music_on || plat_sys_synth_active())) {
        float left[MIX_BLOCK];
        float right[MIX_BLOCK];
        plat_sys_synth_render(left, right, frames);
        const float gain = (stems & PLAT_STEM_MUSIC) ? 32767.0f * MUSIC_GAIN * music_volume * duck_gain : 0.0f;
        for (int i = 0; i < frames; ++i) {
            acc[2 * i] += left[i] * gain;
            acc[2 * i + 1] += right[i] * gain;
        }
    }
    bool speaking = false;

    const float effects_gain = PLAT_MIX_EFFECTS_GAIN * effects_volume;
    for (int s = 0; s < sound_count; ++s) {
        PlatSound* sound = sound_list[s];
        bool& playing = pass_time ? sound->mix_playing : sound->playing;
        uint64_t& position = pass_time ? sound->mix_position : sound->position;
        if (!playing) {
            continue;
        }
        speaking = speaking || sound->voice;
        const float gain = (stems & (sound->voice ? PLAT_STEM_VOICE : PLAT_STEM_EFFECTS)) ? effects_gain : 0.0f;
        const uint8_t* samples = sound->samples.data();
        uint64_t size = sound->samples.size();
        uint64_t index = position / POSITION_UNIT;
        uint64_t fraction = position % POSITION_UNIT;
        for (int i = 0; i < frames; ++i) {
            if (index >= size) {
                break;
            }
            // Linear interpolation between neighbouring samples (4x upsampling).
            int a = samples[index] - 128;
            int b = index + 1 < size ? samples[index + 1] - 128 : a;
            int value = a * 256 + static_cast<int>((b - a) * 256 * static_cast<int64_t>(fraction) /
                                                   static_cast<int64_t>(POSITION_UNIT));
            acc[2 * i] += static_cast<float>(value) * gain;
            acc[2 * i + 1] += static_cast<float>(value) * gain;
            fraction += STEP_PER_DEVICE_FRAME;
            if (fraction >= POSITION_UNIT) {
                fraction -= POSITION_UNIT;
                ++index;
            }
        }
        if (index >= size) {
            playing = false;  // at its end: stopped, and back to the start
            position = 0;
        } else {
            position = index * POSITION_UNIT + fraction;
        }
    }
    const float duck_target = speaking ? DUCK_GAIN : 1.0f;
    duck_gain += (duck_target - duck_gain) * (speaking ? DUCK_ATTACK : DUCK_RELEASE);
}

bool try_soundfont(const char* path)
{
    return path != nullptr && path[0] != '\0' && plat_sys_synth_load(path);
}

// The first .sf2 or .sf3 file (by name) in the working directory.
std::string soundfont_in_cwd()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
        std::string ext = entry.path().extension().string();
        for (char& c : ext) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if ((ext == ".sf2" || ext == ".sf3") && entry.is_regular_file(error)) {
            names.push_back(entry.path().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names.empty() ? std::string() : names.front();
}

bool load_soundfont()
{
    const char* env = std::getenv("TAILGATE_SOUNDFONT");
    if (env != nullptr && env[0] != '\0') {
        if (try_soundfont(env)) {
            return true;
        }
        std::fprintf(stderr, "tailgate: TAILGATE_SOUNDFONT %s is not a SoundFont that loads\n",
                     plat_printable(env).c_str());
    }
    if (!soundfont_setting.empty()) {
        if (try_soundfont(soundfont_setting.c_str())) {
            return true;
        }
        std::fprintf(stderr, "tailgate: the soundfont setting %s is not a SoundFont that loads\n",
                     plat_printable(soundfont_setting).c_str());
    }
    std::string local = soundfont_in_cwd();
    if (!local.empty() && try_soundfont(local.c_str())) {
        return true;
    }
    return try_soundfont("/usr/share/sounds/sf2/default-GM.sf2") || try_soundfont("/usr/share/sounds/sf2/TimGM6mb.sf2");
}

}  // namespace

// ---------------------------------------------------------------------------
// The device

uintptr_t plat_audio_start(bool device, uint32_t (*clock)())
{
    if (audio_mode != PLAT_AUDIO_CLOSED) {
        return static_cast<uintptr_t>(audio_mode);
    }
    audio_mode = PLAT_AUDIO_SILENT;
    music_clock = clock;
    if (!device) {
        return static_cast<uintptr_t>(audio_mode);
    }
    std::string error;
    if (!plat_sys_audio_open(PLAT_AUDIO_RATE, DEVICE_FRAMES, plat_audio_mix, &error)) {
        std::fprintf(stderr, "tailgate: no sound device (%s); going on without sound\n", error.c_str());
        return static_cast<uintptr_t>(audio_mode);
    }
    audio_device = true;
    audio_mode = PLAT_AUDIO_DEVICE;
    plat_sys_audio_pause(false);
    return static_cast<uintptr_t>(audio_mode);
}

uintptr_t plat_audio_open_offline()
{
    if (audio_mode == PLAT_AUDIO_CLOSED) {
        audio_mode = PLAT_AUDIO_OFFLINE;
    }
    return static_cast<uintptr_t>(audio_mode);
}

void plat_audio_close()
{
    if (audio_mode == PLAT_AUDIO_CLOSED) {
        return;
    }
    plat_music_shutdown();
    if (audio_device) {
        plat_sys_audio_close();  // waits for a callback in progress
        audio_device = false;
    }
    for (int s = 0; s < sound_count; ++s) {
        delete sound_list[s];
        sound_list[s] = nullptr;
    }
    sound_count = 0;
    limiter_gain = 1.0f;
    duck_gain = 1.0f;
    audio_mode = PLAT_AUDIO_CLOSED;
}

int plat_audio_mode()
{
    return audio_mode;
}

void plat_audio_mix(int16_t* out, int frames)
{
    float acc[2 * MIX_BLOCK];
    while (frames > 0) {
        int n = std::min(frames, MIX_BLOCK);
        std::fill(acc, acc + 2 * n, 0.0f);
        mix_block(acc, n);
        // A peak limiter on both channels together: its gain drops at once
        // to whatever keeps this frame under the ceiling and creeps back
        // afterwards, so no mix of sounds and music can clip.
        for (int i = 0; i < n; ++i) {
            const float peak = std::max(std::fabs(acc[2 * i]), std::fabs(acc[2 * i + 1]));
            limiter_gain = std::min(limiter_gain + (1.0f - limiter_gain) * LIMITER_RELEASE, 1.0f);
            if (peak * limiter_gain > PLAT_MIX_CEILING) {
                limiter_gain = PLAT_MIX_CEILING / peak;
            }
            for (int c = 0; c < 2; ++c) {
                out[2 * i + c] = static_cast<int16_t>(std::lround(acc[2 * i + c] * limiter_gain));
            }
        }
        out += 2 * n;
        frames -= n;
    }
}

void plat_audio_pause(bool paused)
{
    if (audio_device) {
        plat_sys_audio_pause(paused);
    }
}

void plat_audio_keep_pass_time(bool on)
{
    AudioLock lock;
    pass_time = on;
}

void plat_audio_configure(const PlatSettings& settings)
{
    AudioLock lock;
    music_volume = static_cast<float>(std::clamp(settings.music_volume, 0, 100)) / 100.0f;
    effects_volume = static_cast<float>(std::clamp(settings.effects_volume, 0, 100)) / 100.0f;
    soundfont_setting = settings.soundfont;
}

void plat_audio_set_volumes(int music, int effects)
{
    AudioLock lock;
    music_volume = static_cast<float>(std::clamp(music, 0, 100)) / 100.0f;
    effects_volume = static_cast<float>(std::clamp(effects, 0, 100)) / 100.0f;
}

void plat_audio_set_stems(unsigned parts)
{
    AudioLock lock;
    stems = parts;
}

void plat_sound_set_voice(PlatSound* sound, bool voice)
{
    if (sound) {
        AudioLock lock;
        sound->voice = voice;
    }
}

void plat_audio_end_pass()
{
    if (audio_mode != PLAT_AUDIO_SILENT && !(pass_time && audio_mode == PLAT_AUDIO_DEVICE)) {
        return;
    }
    AudioLock lock;
    for (int s = 0; s < sound_count; ++s) {
        PlatSound* sound = sound_list[s];
        if (!sound->playing) {
            continue;
        }
        sound->position += STEP_PER_PASS;
        if (sound->position >= sound->samples.size() * POSITION_UNIT) {
            sound->playing = false;
            sound->position = 0;
        }
    }
}

// ---------------------------------------------------------------------------
// Sound buffers

PlatSound* plat_sound_create(const uint8_t* samples, uint32_t size)
{
    if (audio_mode == PLAT_AUDIO_CLOSED || samples == nullptr || size == 0 || sound_count >= PLAT_AUDIO_MAX_SOUNDS) {
        return nullptr;
    }
    PlatSound* sound = new PlatSound{std::vector<uint8_t>(samples, samples + size), 0, false, 0, false, false};
    AudioLock lock;
    sound_list[sound_count++] = sound;
    return sound;
}

void plat_sound_release(PlatSound* sound)
{
    if (sound == nullptr) {
        return;
    }
    {
        AudioLock lock;
        for (int s = 0; s < sound_count; ++s) {
            if (sound_list[s] == sound) {
                sound_list[s] = sound_list[--sound_count];
                sound_list[sound_count] = nullptr;
                break;
            }
        }
    }
    delete sound;
}

void plat_sound_play(PlatSound* sound)
{
    if (sound != nullptr) {
        AudioLock lock;
        sound->playing = true;
        sound->mix_playing = true;
    }
}

void plat_sound_stop(PlatSound* sound)
{
    if (sound != nullptr) {
        AudioLock lock;
        sound->playing = false;
        sound->mix_playing = false;
    }
}

void plat_sound_rewind(PlatSound* sound)
{
    if (sound != nullptr) {
        AudioLock lock;
        sound->position = 0;
        sound->mix_position = 0;
    }
}

bool plat_sound_is_playing(PlatSound* sound)
{
    if (sound == nullptr) {
        return false;
    }
    AudioLock lock;
    return sound->playing;
}

uint32_t plat_sound_position(PlatSound* sound)
{
    if (sound == nullptr) {
        return 0;
    }
    AudioLock lock;
    return static_cast<uint32_t>(sound->position / POSITION_UNIT);
}

// ---------------------------------------------------------------------------
// Music

int plat_music_init()
{
    if (music_ready) {
        return 1;
    }
    music_ready = true;
    if (audio_mode != PLAT_AUDIO_DEVICE && audio_mode != PLAT_AUDIO_OFFLINE) {
        return 1;  // nothing renders: music only keeps time
    }
    if (!plat_sys_synth_open(PLAT_AUDIO_RATE)) {
        std::fprintf(stderr, "tailgate: no music synthesiser; music is silent\n");
        return 1;
    }
    if (!load_soundfont()) {
        std::fprintf(stderr, "tailgate: no SoundFont found (set TAILGATE_SOUNDFONT or install timgm6mb-soundfont); "
                             "music is silent\n");
        plat_sys_synth_close();
        return 1;
    }
    AudioLock lock;  // the callback sees the synth only once it is complete
    synth = true;
    return 1;
}

void plat_music_shutdown()
{
    if (!music_ready) {
        return;
    }
    bool had = false;
    {
        AudioLock lock;
        music_on = false;
        music_piece = nullptr;
        had = synth;
        synth = false;
    }
    if (had) {
        plat_sys_synth_close();
    }
    music_ready = false;
}

bool plat_music_audible()
{
    return synth;
}

PlatMusic* plat_music_create(const uint8_t* bytes, size_t size)
{
    PlatMusic* music = new PlatMusic{};
    if (!midi_parse(bytes, size, music)) {
        delete music;
        return nullptr;
    }
    return music;
}

void plat_music_release(PlatMusic* music)
{
    if (music == nullptr) {
        return;
    }
    plat_music_stop(music);
    {
        AudioLock lock;
        if (music_piece == music) {
            music_piece = nullptr;
        }
    }
    delete music;
}

void plat_music_play(PlatMusic* music)
{
    if (music == nullptr) {
        return;
    }
    AudioLock lock;
    if (synth) {
        plat_sys_synth_reset();  // silence the last piece, default programs
    }
    music_piece = music;
    music_next = 0;
    music_frame = 0;
    music_on = true;
    music_start_tick = music_clock_now();
}

void plat_music_stop(PlatMusic* music)
{
    if (music == nullptr) {
        return;
    }
    AudioLock lock;
    if (music_piece == music && music_on) {
        music_on = false;
        if (synth) {
            plat_sys_synth_all_sounds_off();
        }
    }
}

void plat_music_stop_all()
{
    AudioLock lock;
    music_on = false;
    if (synth) {
        plat_sys_synth_all_sounds_off();
    }
}

bool plat_music_is_playing(PlatMusic* music)
{
    if (music == nullptr) {
        return false;
    }
    AudioLock lock;
    if (music_piece != music || !music_on) {
        return false;
    }
    if (audio_mode == PLAT_AUDIO_SILENT) {
        uint32_t elapsed = music_clock_now() - music_start_tick;
        if (elapsed > music->length_ms) {
            music_on = false;
            return false;
        }
    }
    return true;
}

uint32_t plat_music_length_ms(const PlatMusic* music)
{
    return music != nullptr ? music->length_ms : 0;
}
