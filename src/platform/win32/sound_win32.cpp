// The sound device on waveOut, fed by a thread of ours that pulls the
// core's mixer, and the music on midiOut: the system's own General MIDI
// synthesiser plays the sequencer's events as the mixer's pulls send them,
// so nothing of it is rendered into the mix.
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/system.h"

namespace {

constexpr int BLOCKS = 4;  // queued with the device: about 4 x 23 ms at 44.1 kHz

HWAVEOUT wave = nullptr;
PlatAudioPull audio_pull = nullptr;
CRITICAL_SECTION audio_lock;
bool audio_lock_made = false;
HANDLE block_done = nullptr;
HANDLE feeder = nullptr;
std::atomic<bool> feeder_stop{false};
std::atomic<bool> audio_paused{true};
WAVEHDR headers[BLOCKS];
std::vector<int16_t> blocks[BLOCKS];
bool block_queued[BLOCKS];

DWORD WINAPI feed(void*)
{
    while (!feeder_stop) {
        WaitForSingleObject(block_done, 20);
        if (feeder_stop) {
            break;
        }
        if (audio_paused) {
            continue;
        }
        for (int i = 0; i < BLOCKS; ++i) {
            if (block_queued[i] && !(headers[i].dwFlags & WHDR_DONE)) {
                continue;
            }
            EnterCriticalSection(&audio_lock);
            audio_pull(blocks[i].data(), static_cast<int>(blocks[i].size() / 2));
            LeaveCriticalSection(&audio_lock);
            headers[i].dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
            block_queued[i] = waveOutWrite(wave, &headers[i], sizeof headers[i]) == MMSYSERR_NOERROR;
        }
    }
    return 0;
}

std::string wave_error(MMRESULT code)
{
    wchar_t text[MAXERRORLENGTH];
    if (waveOutGetErrorTextW(code, text, MAXERRORLENGTH) != MMSYSERR_NOERROR) {
        return "waveOut error " + std::to_string(code);
    }
    char narrow[MAXERRORLENGTH * 3];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

HMIDIOUT midi = nullptr;
// TAILGATE_MIDI_LOG names a file that gets every message sent to the
// synthesiser, one a line in hex ("90 3C 64"), with or without a
// synthesiser to play them: the music's event stream, for tests.
FILE* midi_log = nullptr;

void short_message(int status, int data1, int data2)
{
    const DWORD message = static_cast<DWORD>(status | ((data1 & 0x7f) << 8) | ((data2 & 0x7f) << 16));
    if (midi != nullptr) {
        midiOutShortMsg(midi, message);
    }
    if (midi_log != nullptr) {
        fprintf(midi_log, "%02X %02X %02X\n", status & 0xff, data1 & 0x7f, data2 & 0x7f);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// The device

bool plat_sys_audio_open(int rate, int block_frames, PlatAudioPull pull, std::string* error)
{
    if (wave != nullptr) {
        return true;
    }
    if (!audio_lock_made) {
        InitializeCriticalSection(&audio_lock);
        audio_lock_made = true;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * 4;
    block_done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    MMRESULT result =
        waveOutOpen(&wave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(block_done), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        *error = wave_error(result);
        wave = nullptr;
        CloseHandle(block_done);
        block_done = nullptr;
        return false;
    }
    audio_pull = pull;
    for (int i = 0; i < BLOCKS; ++i) {
        blocks[i].assign(static_cast<size_t>(block_frames) * 2, 0);
        std::memset(&headers[i], 0, sizeof headers[i]);
        headers[i].lpData = reinterpret_cast<LPSTR>(blocks[i].data());
        headers[i].dwBufferLength = static_cast<DWORD>(blocks[i].size() * sizeof(int16_t));
        waveOutPrepareHeader(wave, &headers[i], sizeof headers[i]);
        block_queued[i] = false;
    }
    audio_paused = true;
    feeder_stop = false;
    // The feeder stops before the C runtime ends the program (an exit
    // without closing the device): it must not pull from a mixer, or write
    // to a stream, that is going away under it.
    static bool stop_at_exit = false;
    if (!stop_at_exit) {
        stop_at_exit = true;
        std::atexit([] {
            plat_sys_audio_close();
            plat_sys_synth_close();
        });
    }
    feeder = CreateThread(nullptr, 0, feed, nullptr, 0, nullptr);
    if (feeder == nullptr) {
        *error = "cannot start the sound thread";
        plat_sys_audio_close();
        return false;
    }
    return true;
}

void plat_sys_audio_pause(bool paused)
{
    if (wave == nullptr) {
        return;
    }
    audio_paused = paused;
    if (paused) {
        waveOutPause(wave);
    } else {
        waveOutRestart(wave);
        SetEvent(block_done);
    }
}

void plat_sys_audio_lock()
{
    if (wave != nullptr) {
        EnterCriticalSection(&audio_lock);
    }
}

void plat_sys_audio_unlock()
{
    if (wave != nullptr) {
        LeaveCriticalSection(&audio_lock);
    }
}

void plat_sys_audio_close()
{
    if (wave == nullptr) {
        return;
    }
    if (feeder != nullptr) {
        feeder_stop = true;
        SetEvent(block_done);
        WaitForSingleObject(feeder, INFINITE);  // a pull in progress ends first
        CloseHandle(feeder);
        feeder = nullptr;
    }
    waveOutReset(wave);
    for (int i = 0; i < BLOCKS; ++i) {
        waveOutUnprepareHeader(wave, &headers[i], sizeof headers[i]);
        blocks[i].clear();
    }
    waveOutClose(wave);
    wave = nullptr;
    CloseHandle(block_done);
    block_done = nullptr;
}

// ---------------------------------------------------------------------------
// The music synthesiser: the system's MIDI mapper.

bool plat_sys_synth_open(int)
{
    if (midi != nullptr || midi_log != nullptr) {
        return true;
    }
    const char* log = std::getenv("TAILGATE_MIDI_LOG");
    if (log != nullptr && log[0] != '\0') {
        midi_log = std::fopen(log, "wb");
    }
    if (midiOutOpen(&midi, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        midi = nullptr;
    }
    return midi != nullptr || midi_log != nullptr;
}

bool plat_sys_synth_load(const char*)
{
    // The system's synthesiser brings its own instruments: whatever
    // SoundFont the game names is not needed, and the music plays.
    if (midi == nullptr && midi_log == nullptr) {
        return false;
    }
    plat_sys_synth_reset();
    return true;
}

void plat_sys_synth_close()
{
    if (midi != nullptr) {
        midiOutReset(midi);
        midiOutClose(midi);
        midi = nullptr;
    }
    if (midi_log != nullptr) {
        std::fclose(midi_log);
        midi_log = nullptr;
    }
}

void plat_sys_synth_note_on(int channel, int key, int velocity)
{
    short_message(0x90 | channel, key, velocity);
}

void plat_sys_synth_note_off(int channel, int key)
{
    short_message(0x80 | channel, key, 0);
}

void plat_sys_synth_key_pressure(int channel, int key, int value)
{
    short_message(0xA0 | channel, key, value);
}

void plat_sys_synth_controller(int channel, int controller, int value)
{
    short_message(0xB0 | channel, controller, value);
}

void plat_sys_synth_program(int channel, int program)
{
    short_message(0xC0 | channel, program, 0);
}

void plat_sys_synth_channel_pressure(int channel, int value)
{
    short_message(0xD0 | channel, value, 0);
}

void plat_sys_synth_pitch_bend(int channel, int value)
{
    short_message(0xE0 | channel, value & 0x7f, (value >> 7) & 0x7f);
}

void plat_sys_synth_all_sounds_off()
{
    for (int channel = 0; channel < 16; ++channel) {
        short_message(0xB0 | channel, 120, 0);  // all sound off
        short_message(0xB0 | channel, 123, 0);  // all notes off
    }
}

void plat_sys_synth_reset()
{
    plat_sys_synth_all_sounds_off();
    for (int channel = 0; channel < 16; ++channel) {
        short_message(0xB0 | channel, 121, 0);  // reset all controllers
        short_message(0xC0 | channel, 0, 0);
        short_message(0xE0 | channel, 0, 0x40);
    }
}

bool plat_sys_synth_active()
{
    return false;  // the system's synthesiser rings on by itself
}

void plat_sys_synth_render(float* left, float* right, int frames)
{
    std::memset(left, 0, sizeof(float) * static_cast<size_t>(frames));
    std::memset(right, 0, sizeof(float) * static_cast<size_t>(frames));
}
