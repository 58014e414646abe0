// The sound device and the music synthesiser in the browser: Web Audio pulls
// the core's mixer (an AudioWorklet fed from the page's thread where the
// browser has one, else a ScriptProcessorNode), and js-synthesizer (FluidSynth
// compiled to WebAssembly, loaded by the page) plays the music. Both live in
// the module's script (web/module.js); these are the calls into it.
//
// The page has one thread: the device pulls only while the game waits (its
// pacing sleeps give the page control back), never in the middle of the
// core's changes, so locking has nothing to do.
#include <emscripten.h>

#include <string>

#include "platform/system.h"

namespace {

PlatAudioPull audio_pull = nullptr;

}  // namespace

// clang-format off
EM_JS(int, web_audio_open, (int rate, int block), { return Module.tg.audioOpen(rate, block); });
EM_JS(void, web_audio_pause, (int paused), { Module.tg.audioPause(paused); });
EM_JS(void, web_audio_close, (), { Module.tg.audioClose(); });
EM_JS(int, web_synth_open, (int rate), { return Module.tg.synthOpen(rate); });
EM_JS(int, web_synth_load, (const char* path), { return Module.tg.synthLoad(UTF8ToString(path)); });
EM_JS(void, web_synth_close, (), { Module.tg.synthClose(); });
EM_JS(void, web_synth_call, (int what, int a, int b, int c), { Module.tg.synthCall(what, a, b, c); });
EM_JS(int, web_synth_active, (), { return Module.tg.synthActive(); });
EM_JS(void, web_synth_render, (float* left, float* right, int frames), {
    Module.tg.synthRender(left, right, frames);
});
// clang-format on

// The device's pull, from the module's script.
extern "C" EMSCRIPTEN_KEEPALIVE void tailgate_web_audio_pull(int16_t* out, int frames)
{
    if (audio_pull) {
        audio_pull(out, frames);
    }
}

bool plat_sys_audio_open(int rate, int block_frames, PlatAudioPull pull, std::string* error)
{
    audio_pull = pull;
    if (!web_audio_open(rate, block_frames)) {
        audio_pull = nullptr;
        *error = "the browser has no Web Audio";
        return false;
    }
    return true;
}

void plat_sys_audio_pause(bool paused)
{
    web_audio_pause(paused ? 1 : 0);
}

void plat_sys_audio_lock() {}

void plat_sys_audio_unlock() {}

void plat_sys_audio_close()
{
    web_audio_close();
    audio_pull = nullptr;
}

bool plat_sys_synth_open(int rate)
{
    return web_synth_open(rate) != 0;
}

bool plat_sys_synth_load(const char* path)
{
    return web_synth_load(path) != 0;
}

void plat_sys_synth_close()
{
    web_synth_close();
}

// The calls' numbers, as the module's script knows them.
namespace {
enum SynthCall {
    NOTE_ON,
    NOTE_OFF,
    KEY_PRESSURE,
    CONTROLLER,
    PROGRAM,
    CHANNEL_PRESSURE,
    PITCH_BEND,
    ALL_SOUNDS_OFF,
    RESET
};
}  // namespace

void plat_sys_synth_note_on(int channel, int key, int velocity)
{
    web_synth_call(NOTE_ON, channel, key, velocity);
}

void plat_sys_synth_note_off(int channel, int key)
{
    web_synth_call(NOTE_OFF, channel, key, 0);
}

void plat_sys_synth_key_pressure(int channel, int key, int value)
{
    web_synth_call(KEY_PRESSURE, channel, key, value);
}

void plat_sys_synth_controller(int channel, int controller, int value)
{
    web_synth_call(CONTROLLER, channel, controller, value);
}

void plat_sys_synth_program(int channel, int program)
{
    web_synth_call(PROGRAM, channel, program, 0);
}

void plat_sys_synth_channel_pressure(int channel, int value)
{
    web_synth_call(CHANNEL_PRESSURE, channel, value, 0);
}

void plat_sys_synth_pitch_bend(int channel, int value)
{
    web_synth_call(PITCH_BEND, channel, value, 0);
}

void plat_sys_synth_all_sounds_off()
{
    web_synth_call(ALL_SOUNDS_OFF, 0, 0, 0);
}

void plat_sys_synth_reset()
{
    web_synth_call(RESET, 0, 0, 0);
}

bool plat_sys_synth_active()
{
    return web_synth_active() != 0;
}

void plat_sys_synth_render(float* left, float* right, int frames)
{
    web_synth_render(left, right, frames);
}
