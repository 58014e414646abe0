// The sound device through SDL, and the music synthesiser through FluidSynth.
#include <SDL.h>
#include <fluidsynth.h>
#include <glib.h>

#include <string>

#include "platform/system.h"

namespace {

SDL_AudioDeviceID audio_device = 0;
PlatAudioPull audio_pull = nullptr;

void audio_callback(void*, Uint8* stream, int length)
{
    audio_pull(reinterpret_cast<int16_t*>(stream), length / 4);
}

fluid_settings_t* synth_settings = nullptr;
fluid_synth_t* synth = nullptr;
int soundfont_id = -1;

void no_glib_message(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

// ---------------------------------------------------------------------------
// The device

bool plat_sys_audio_open(int rate, int block_frames, PlatAudioPull pull, std::string* error)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *error = SDL_GetError();
        return false;
    }
    audio_pull = pull;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(block_frames);
    want.callback = audio_callback;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts to whatever the hardware wants.
    audio_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (audio_device == 0) {
        *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

void plat_sys_audio_pause(bool paused)
{
    if (audio_device != 0) {
        SDL_PauseAudioDevice(audio_device, paused ? 1 : 0);
    }
}

void plat_sys_audio_lock()
{
    if (audio_device != 0) {
        SDL_LockAudioDevice(audio_device);
    }
}

void plat_sys_audio_unlock()
{
    if (audio_device != 0) {
        SDL_UnlockAudioDevice(audio_device);
    }
}

void plat_sys_audio_close()
{
    if (audio_device != 0) {
        SDL_CloseAudioDevice(audio_device);  // waits for a callback in progress
        audio_device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

// ---------------------------------------------------------------------------
// The synthesiser

bool plat_sys_synth_open(int rate)
{
    if (synth != nullptr) {
        return true;
    }
    // Its messages (an instrument missing from the SoundFont, say) would be
    // printed from inside the audio callback; we say what matters ourselves.
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    synth_settings = new_fluid_settings();
    if (synth_settings == nullptr) {
        return false;
    }
    fluid_settings_setnum(synth_settings, "synth.sample-rate", rate);
    fluid_settings_setint(synth_settings, "synth.threadsafe-api", 0);  // the device lock serialises
    fluid_settings_setint(synth_settings, "synth.cpu-cores", 1);
    fluid_settings_setnum(synth_settings, "synth.gain", 0.8);  // louder than its default 0.2
    synth = new_fluid_synth(synth_settings);
    if (synth == nullptr) {
        delete_fluid_settings(synth_settings);
        synth_settings = nullptr;
        return false;
    }
    soundfont_id = -1;
    return true;
}

bool plat_sys_synth_load(const char* path)
{
    if (synth == nullptr || path == nullptr || path[0] == '\0' || !fluid_is_soundfont(path)) {
        return false;
    }
    // A damaged file goes from loader to loader, and the libraries behind
    // them report what they find through GLib's log (a blank line and an
    // assertion on the terminal); the caller says what matters in one line.
    const GLogFunc before = g_log_set_default_handler(no_glib_message, nullptr);
    const int id = fluid_synth_sfload(synth, path, 1);
    g_log_set_default_handler(before, nullptr);
    if (id == FLUID_FAILED) {
        return false;
    }
    if (soundfont_id >= 0) {
        fluid_synth_sfunload(synth, soundfont_id, 1);
    }
    soundfont_id = id;
    return true;
}

void plat_sys_synth_close()
{
    if (synth != nullptr) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    if (synth_settings != nullptr) {
        delete_fluid_settings(synth_settings);
        synth_settings = nullptr;
    }
    soundfont_id = -1;
}

void plat_sys_synth_note_on(int channel, int key, int velocity)
{
    fluid_synth_noteon(synth, channel, key, velocity);
}

void plat_sys_synth_note_off(int channel, int key)
{
    fluid_synth_noteoff(synth, channel, key);
}

void plat_sys_synth_key_pressure(int channel, int key, int value)
{
    fluid_synth_key_pressure(synth, channel, key, value);
}

void plat_sys_synth_controller(int channel, int controller, int value)
{
    fluid_synth_cc(synth, channel, controller, value);
}

void plat_sys_synth_program(int channel, int program)
{
    fluid_synth_program_change(synth, channel, program);
}

void plat_sys_synth_channel_pressure(int channel, int value)
{
    fluid_synth_channel_pressure(synth, channel, value);
}

void plat_sys_synth_pitch_bend(int channel, int value)
{
    fluid_synth_pitch_bend(synth, channel, value);
}

void plat_sys_synth_all_sounds_off()
{
    fluid_synth_all_sounds_off(synth, -1);
}

void plat_sys_synth_reset()
{
    fluid_synth_system_reset(synth);
}

bool plat_sys_synth_active()
{
    return fluid_synth_get_active_voice_count(synth) > 0;
}

void plat_sys_synth_render(float* left, float* right, int frames)
{
    fluid_synth_write_float(synth, frames, left, 0, 1, right, 0, 1);
}
